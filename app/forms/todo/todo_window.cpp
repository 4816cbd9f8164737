// The to-do lists' common commands (see todo_window.h).
#include "app/forms/todo/todo_window.h"

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/todo/todo_list.h"
#include "app/forms/todo/update_todo.h"
#include "app/routines/file_routines.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

using ui::runtime;

ToDoLists::ToDoLists(RecordListFields fields, int sheet, bool withColours)
    : m_fields(fields),
      m_sheet(sheet),
      m_withColours(withColours),
      m_browser(TDO(), kToDoLabel, fields) {}

void ToDoLists::showTab(int tab) {
  if (tab < todo_tab::kDone || tab > todo_tab::kToDo) tab = todo_tab::kDone;
  m_tab = tab;
  m_shown = tab;
  m_browser.setLocatorText([tab](const std::string& image) {
    return toDoLocatorText(tab, toDoOfImage(image));
  });
  m_browser.show(toDoListSource(tab, m_withColours));
}

void ToDoLists::tabChosen() {
  const auto chosen = static_cast<int>(runtime().choice(m_sheet));
  if (chosen == m_shown && m_browser.source())
    m_browser.refill();
  else
    showTab(chosen);
}

void ToDoLists::add() {
  TDO().clear();
  globalRequest() = request::kInsert;
  UpdateTodo();
  if (globalResponse() == response::kCompleted && TDO().pointer() != 0)
    m_browser.refillAt(TDO().pointer());
  else
    m_browser.refill();
  runtime().select(m_fields.list);
}

void ToDoLists::changeOrDelete(int request) {
  if (!m_browser.fetchSelected()) return;
  globalRequest() = request;
  UpdateTodo();
  m_browser.refill();
  runtime().select(m_fields.list);
}

void ToDoLists::toggleDone() {
  if (!m_browser.fetchSelected()) return;
  ToDoFile& tdo = TDO();
  const std::uint32_t at = tdo.pointer();
  tdo->Done = tdo->Done == 1 ? 0 : 1;
  (void)updateToDoRecord();  // the routine reports its errors
  m_browser.refillAt(at);
}

}  // namespace dw::app
