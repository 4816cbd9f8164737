// The start-up to-do list (see browse_todo.h).
#include "app/forms/todo/browse_todo.h"

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/todo/todo_list.h"
#include "app/forms/todo/todo_window.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/ui/events.h"
#include "runtime/ui/list_control.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace tb = todo_browse;

void BrowseTodo() {
  ui::Runtime& rt = runtime();
  FileUser todo(TDO());  // the open routine ends the program on failure
  ToDoLists lists({tb::kList, tb::kAdd, tb::kChange, tb::kDelete}, tb::kSheet, true);
  ui::Window& window =
      ui::openWindow(kBrowseTodoModule, kBrowseTodoLabel, ui::WindowKind::MdiChild);
  restorePosition(kBrowseTodoSection, true, kIniFile);
  rt.use(tb::kSheet, ui::VarRef::of(lists.tab()));
  ui::setListIcons(tb::kList, kBrowseTodoIcons);
  lists.showTab(todo_tab::kDone);
  while (rt.accept()) {
    noteWindowState(rt.event());
    const int field = rt.field();
    switch (rt.event()) {
      case ev::kAlertKey:
        if (field == tb::kList) lists.browser().listKey(rt.keyCode());
        break;
      case ev::kNewSelection:
        if (field == tb::kList) lists.browser().selectionChanged();
        if (field == tb::kSheet) lists.tabChosen();
        break;
      case ev::kAccepted:
        if (field == tb::kList) {
          rt.post(ev::kAccepted, tb::kChange);
        } else if (field == tb::kSheet) {
          lists.tabChosen();
        } else if (field == tb::kAdd) {
          lists.add();
        } else if (field == tb::kChange) {
          lists.changeOrDelete(request::kChange);
        } else if (field == tb::kDelete) {
          lists.changeOrDelete(request::kDelete);
        } else if (field == tb::kClose) {
          globalResponse() = response::kCancelled;
          rt.post(ev::kCloseWindow);
        }
        break;
      default:
        break;
    }
  }
  savePosition(kBrowseTodoSection, kIniFile);
  globalResponse() = response::kCancelled;
  rt.close(window);
}

}  // namespace dw::app
