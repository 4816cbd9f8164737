// The category list (see browse_categories.h).
#include "app/forms/categories/browse_categories.h"

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/categories/categories_calls.h"
#include "app/forms/categories/category_list.h"
#include "app/forms/categories/update_categories.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace cw = categories_window;

namespace {

class CategoriesWindow {
 public:
  CategoriesWindow()
      : m_browser(CAT(), kCategoriesLabel, {cw::kList, cw::kAdd, cw::kChange, cw::kDelete}) {
    m_browser.setLocatorText(&categoryOfImage);
  }

  void run() {
    ui::Runtime& rt = runtime();
    ui::Window& window =
        ui::openWindow(kBrowseCategoriesModule, kBrowseCategoriesLabel, ui::WindowKind::MdiChild);
    restorePosition(kBrowseCategoriesSection, true, kIniFile);
    m_browser.show(categoryListSource());
    updateSchedule();
    while (rt.accept()) {
      noteWindowState(rt.event());
      switch (rt.event()) {
        case ev::kAlertKey:
          if (rt.field() == cw::kList) m_browser.listKey(rt.keyCode());
          break;
        case ev::kNewSelection:
          if (rt.field() == cw::kList) m_browser.selectionChanged();
          break;
        case ev::kAccepted:
          accepted(rt.field());
          break;
        default:
          break;
      }
    }
    savePosition(kBrowseCategoriesSection, kIniFile);
    globalResponse() = response::kCancelled;
    rt.close(window);
  }

 private:
  void accepted(int field) {
    ui::Runtime& rt = runtime();
    switch (field) {
      case cw::kList:  // a double click or Enter on a category
        rt.post(ev::kAccepted, cw::kChange);
        break;
      case cw::kAdd:
        CAT().clear();
        globalRequest() = request::kInsert;
        UpdateCategories();
        if (globalResponse() == response::kCompleted && CAT().pointer() != 0)
          m_browser.refillAt(CAT().pointer());
        else
          m_browser.refill();
        done();
        break;
      case cw::kChange:
      case cw::kDelete:
        if (!m_browser.fetchSelected()) break;
        globalRequest() = field == cw::kChange ? request::kChange : request::kDelete;
        UpdateCategories();
        m_browser.refill();
        done();
        break;
      case cw::kSchedule:
        if (!m_browser.fetchSelected()) break;
        categoriesCalls().scheduleOfCategory();
        rt.select(cw::kList);
        break;
      case cw::kClose:
        globalResponse() = response::kCancelled;
        rt.post(ev::kCloseWindow);
        break;
      default:
        break;
    }
  }

  void done() {
    updateSchedule();
    runtime().select(cw::kList);
  }

  // " &Schedule" needs a chosen category, as Change and Delete do.
  void updateSchedule() {
    if (m_browser.empty())
      runtime().disable(cw::kSchedule);
    else
      runtime().enable(cw::kSchedule);
  }

  RecordBrowser m_browser;
};

}  // namespace

void BrowseCategories() {
  FileUser categories(CAT());  // the open routine ends the program on failure
  CategoriesWindow window;
  window.run();
}

}  // namespace dw::app
