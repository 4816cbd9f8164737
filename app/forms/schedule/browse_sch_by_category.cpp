// The tasks of one category (see browse_sch_by_category.h).
#include "app/forms/schedule/browse_sch_by_category.h"

#include <cstring>

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/schedule/browse_schedule_list.h"
#include "app/forms/schedule/browse_schedule_rows.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/lang/symbol_table.h"
#include "runtime/ui/events.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace cw = category_window;

std::string categoryScheduleTitle(std::string_view category) {
  return kBrowseSchByCategoryTitle + std::string(trimRight(category));
}

namespace {

void runCategoryWindow() {
  ui::Runtime& rt = runtime();
  // The category the window shows, bound for its filter.
  char category[kCategoryWidth];
  std::memcpy(category, CAT()->Category.bytes, sizeof category);
  char shown[kCategoryWidth];
  std::memcpy(shown, category, sizeof shown);
  lang::bindText(kCategoryOwnName, category, sizeof category, lang::VarType::kString);

  ui::Window& window = ui::openWindow(kBrowseSchByCategoryModule, kBrowseSchByCategoryLabel,
                                      ui::WindowKind::MdiChild);
  restorePosition(kBrowseSchByCategorySection, true, kIniFile);
  rt.setProperty(0, ui::prop::kText,
                 categoryScheduleTitle(std::string_view(category, sizeof category)));
  rt.use(cw::kCategory, ui::VarRef::fixedString(shown));

  auto source = std::make_shared<ScheduleListSource>(
      SCH(), sch_key::kKeyCategory,
      [](const db::ViewRow& row) { return categoryScheduleRow(scheduleRecordOf(row.record)); });
  if (source->setFilter(kCategoryOwnFilter) != 0) standardError(stdmsg::kViewOpenError);
  ScheduleBrowser browser({cw::kList, cw::kAdd, cw::kChange, cw::kDelete, 0});
  browser.show(source);
  // The file's change counter when the list was last filled: another
  // window or process (dornctl) that changes the file moves it, and the
  // next tick refills the list in place.
  std::uint32_t changes = SCH().changeCounter();

  while (rt.accept()) {
    noteWindowState(rt.event());
    switch (rt.event()) {
      case ev::kTimer:
        if (const std::uint32_t now = SCH().changeCounter(); now != 0 && now != changes) {
          changes = now;
          browser.refill();
        }
        break;
      case ev::kAlertKey:
        if (rt.field() == cw::kList) browser.listKey(rt.keyCode());
        break;
      case ev::kNewSelection:
        if (rt.field() == cw::kList) browser.selectionChanged();
        break;
      case ev::kAccepted:
        switch (rt.field()) {
          case cw::kList:
            rt.post(ev::kAccepted, cw::kChange);
            break;
          case cw::kCategory:
            // The entry only shows the category.
            std::memcpy(shown, category, sizeof shown);
            rt.display(cw::kCategory);
            break;
          case cw::kAdd:
            browser.add(std::string_view(category, sizeof category));
            break;
          case cw::kChange:
            browser.changeOrDelete(request::kChange);
            break;
          case cw::kDelete:
            browser.changeOrDelete(request::kDelete);
            break;
          case cw::kClose:
            globalResponse() = response::kCancelled;
            rt.post(ev::kCloseWindow);
            break;
          default:
            break;
        }
        break;
      default:
        break;
    }
  }
  savePosition(kBrowseSchByCategorySection, kIniFile);
  globalResponse() = response::kCancelled;
  rt.close(window);
}

}  // namespace

void BrowseSchByCategory() {
  FileUser schedule(SCH());  // the open routine ends the program on failure
  // The category is bound from the window's own variable: a scope of its
  // own, so that the name does not outlive the window on this thread.
  lang::PUSHSCOPE();
  SCH().bindFields();
  runCategoryWindow();
  lang::POPSCOPE();
}

}  // namespace dw::app
