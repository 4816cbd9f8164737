// The to-do form (see update_todo.h).
#include "app/forms/todo/update_todo.h"

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/data/table_descs.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/events.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace tf = todo_form;

namespace {

// Confirm Delete, then the delete routine, again while message 18 is
// answered Yes.
bool confirmAndDelete() {
  if (standardError(stdmsg::kConfirmDelete) != ui::button::kOk) return false;
  ToDoFile& tdo = TDO();
  const ToDoRecord chosen = tdo.rec();
  const std::uint32_t at = tdo.pointer();
  for (;;) {
    int rc = at != 0 ? tdo.getRecord(at) : 0;
    if (rc == 0) {
      tdo.rec() = chosen;
      rc = deleteToDoRecord();
      if (rc == 0) return true;
    } else {
      standardError(stdmsg::kRecordRetrievalError, kToDoLabel);
    }
    if (standardError(stdmsg::kRetryDelete) != ui::button::kYes) return false;
  }
}

enum class Outcome { kDone, kStay, kClose };

class ToDoForm {
 public:
  explicit ToDoForm(bool inserting) : m_inserting(inserting) {
    ToDoFile& tdo = TDO();
    if (inserting) {
      tdo.clear();
      m_item = tdo.rec();
      m_item.Done = 0;
      m_item.Priority = kNewToDoPriority;
    } else {
      m_item = tdo.rec();
      m_at = tdo.pointer();
      watch();
    }
  }

  void run() {
    ui::Runtime& rt = runtime();
    ui::Window& window =
        ui::openWindow(kUpdateTodoModule, kUpdateTodoLabel, ui::WindowKind::Plain);
    restorePosition(kUpdateTodoSection, false, kIniFile);
    rt.setProperty(0, ui::prop::kText, m_inserting ? kAddingToDoTitle : kChangingToDoTitle);
    rt.use(tf::kToDo, ui::VarRef::fixedString(m_item.ToDo.bytes));
    rt.use(tf::kPriority, ui::VarRef::of(m_item.Priority));
    rt.use(tf::kDone, ui::VarRef::of(m_item.Done));
    rt.select(tf::kToDo);
    while (rt.accept()) {
      noteWindowState(rt.event());
      const int event = rt.event();
      const int field = rt.field();
      if (event == ev::kRejected) {
        rt.backend().beep();
        rt.display(field);
      } else if (event == ev::kCompleted) {
        if (!priorityInRange()) continue;
        const Outcome o = m_inserting ? insert() : change();
        if (o == Outcome::kDone) globalResponse() = response::kCompleted;
        if (o == Outcome::kStay)
          rt.select(tf::kToDo);
        else
          rt.post(ev::kCloseWindow);
      } else if (event == ev::kAccepted && field == tf::kPriority) {
        priorityInRange();
      } else if (event == ev::kAccepted && field == tf::kOK) {
        rt.selectAll();
      } else if (event == ev::kAccepted && field == tf::kCancel) {
        globalResponse() = response::kCancelled;
        rt.post(ev::kCloseWindow);
      }
    }
    savePosition(kUpdateTodoSection, kIniFile);
    rt.close(window);
  }

 private:
  // The range rule of the priority: message 10, the spin selected again.
  bool priorityInRange() {
    if (m_item.Priority >= kLowestPriority && m_item.Priority <= kHighestPriority) return true;
    standardError(stdmsg::kRangeBetween, kPriorityName, std::to_string(kLowestPriority),
                  std::to_string(kHighestPriority));
    runtime().select(tf::kPriority);
    return false;
  }

  // The item read again under WATCH, so that the update routine can tell a
  // change by another station.
  void watch() {
    if (m_at == 0) return;
    lang::pushErrorState();
    (void)TDO().watch();
    (void)TDO().getRecord(m_at);
    lang::popErrorState();
  }

  Outcome insert() {
    ToDoFile& tdo = TDO();
    tdo.rec() = m_item;
    const int rc = tdo.add();
    if (rc == 0) return Outcome::kDone;
    if (rc == lang::err::kDuplicateKey)
      standardError(stdmsg::kDuplicateKey, "TDO:KeyToDo");
    else
      standardError(stdmsg::kInsertError);
    return Outcome::kStay;
  }

  Outcome change() {
    ToDoFile& tdo = TDO();
    for (;;) {
      if (tdo.pointer() != m_at) watch();
      tdo.rec() = m_item;
      if (updateToDoRecord() == 0) return Outcome::kDone;
      const int answer = standardError(stdmsg::kRetryUpdate);
      if (answer == ui::button::kYes) {
        watch();
        continue;
      }
      return answer == ui::button::kNo ? Outcome::kClose : Outcome::kStay;
    }
  }

  bool m_inserting;
  ToDoRecord m_item{};
  std::uint32_t m_at = 0;
};

}  // namespace

void UpdateTodo() {
  const int request = globalRequest();
  globalResponse() = response::kCancelled;
  FileUser todo(TDO());  // the open routine ends the program on failure
  if (request == request::kDelete) {
    if (confirmAndDelete()) globalResponse() = response::kCompleted;
    return;
  }
  ToDoForm form(request == request::kInsert);
  form.run();
}

}  // namespace dw::app
