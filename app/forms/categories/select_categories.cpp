// The category picker (see select_categories.h).
#include "app/forms/categories/select_categories.h"

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/categories/category_list.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace cp = category_picker;

void SelectCategories() {
  ui::Runtime& rt = runtime();
  globalResponse() = response::kCancelled;
  FileUser categories(CAT());  // the open routine ends the program on failure
  const CategoryRecord caller = CAT().rec();
  // Select stands where Change stands in the other lists: double click
  // and Ctrl+Enter choose it.
  RecordBrowser browser(CAT(), kCategoriesLabel, {cp::kList, 0, cp::kSelect, 0});
  browser.setLocatorText(&categoryOfImage);
  ui::Window& window =
      ui::openWindow(kSelectCategoriesModule, kSelectCategoriesLabel, ui::WindowKind::Plain);
  restorePosition(kSelectCategoriesSection, true, kIniFile);
  browser.show(categoryListSource());
  rt.select(cp::kList);
  while (rt.accept()) {
    noteWindowState(rt.event());
    const int field = rt.field();
    switch (rt.event()) {
      case ev::kAlertKey:
        // The picker has no popup of its own.
        if (field == cp::kList && rt.keyCode() != ui::key::kMouseRight)
          browser.listKey(rt.keyCode());
        break;
      case ev::kNewSelection:
        if (field == cp::kList) browser.selectionChanged();
        break;
      case ev::kAccepted:
        if (field == cp::kList || field == cp::kSelect) {
          if (!browser.fetchSelected()) break;
          globalResponse() = response::kCompleted;
          rt.post(ev::kCloseWindow);
        } else if (field == cp::kClose) {
          globalResponse() = response::kCancelled;
          rt.post(ev::kCloseWindow);
        }
        break;
      default:
        break;
    }
  }
  if (globalResponse() != response::kCompleted) CAT().rec() = caller;
  savePosition(kSelectCategoriesSection, kIniFile);
  rt.close(window);
}

}  // namespace dw::app
