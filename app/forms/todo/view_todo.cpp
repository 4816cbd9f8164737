// The to-do list of the menu and tool bar (see view_todo.h).
#include "app/forms/todo/view_todo.h"

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/todo/todo_layout.h"
#include "app/forms/todo/todo_list.h"
#include "app/forms/todo/todo_window.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/ui/events.h"
#include "runtime/ui/list_control.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace tv = todo_view;

namespace {

void windowPopup(ToDoLists& lists) {
  const int choice = ui::popup(kViewToDoWindowPopup);
  const int commands[] = {tv::kInsert, tv::kChange, tv::kDelete};
  if (choice >= 1 && choice <= 3)
    runtime().post(ev::kAccepted, commands[choice - 1]);
  else if (choice == 4)
    lists.toggleDone();
}

}  // namespace

void ViewToDo() {
  ui::Runtime& rt = runtime();
  FileUser todo(TDO());  // the open routine ends the program on failure
  ToDoLists lists({tv::kList, tv::kInsert, tv::kChange, tv::kDelete}, tv::kSheet, false);
  lists.browser().setPopups(kViewToDoListPopup, kViewToDoEmptyListPopup);
  ui::Window& window = ui::openWindow(kViewToDoModule, kViewToDoLabel, ui::WindowKind::MdiChild);
  ProportionalLayout layout(kViewToDoSection);
  layout.open();
  rt.use(tv::kSheet, ui::VarRef::of(lists.tab()));
  ui::setListIcons(tv::kList, kViewToDoIcons);
  lists.showTab(todo_tab::kDone);
  while (rt.accept()) {
    noteWindowState(rt.event());
    const int field = rt.field();
    switch (rt.event()) {
      case ev::kSized:
        layout.resized();
        if (!lists.browser().empty()) rt.display(tv::kList);
        break;
      case ev::kAlertKey:
        if (field == tv::kList)
          lists.browser().listKey(rt.keyCode());
        else if (field == 0)
          windowPopup(lists);
        break;
      case ev::kNewSelection:
        if (field == tv::kList) lists.browser().selectionChanged();
        if (field == tv::kSheet) lists.tabChosen();
        break;
      case ev::kAccepted:
        if (field == tv::kList) {
          rt.post(ev::kAccepted, tv::kChange);
        } else if (field == tv::kSheet) {
          lists.tabChosen();
        } else if (field == tv::kInsert) {
          lists.add();
        } else if (field == tv::kChange) {
          lists.changeOrDelete(request::kChange);
        } else if (field == tv::kDelete) {
          lists.changeOrDelete(request::kDelete);
        } else if (field == tv::kToggle) {
          lists.toggleDone();
        } else if (field == tv::kClose) {
          globalResponse() = response::kCancelled;
          rt.post(ev::kCloseWindow);
        }
        break;
      default:
        break;
    }
  }
  savePosition(kViewToDoSection, kIniFile);
  globalResponse() = response::kCancelled;
  rt.close(window);
}

}  // namespace dw::app
