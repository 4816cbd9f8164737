// The schedule window (see browse_schedule.h).
#include "app/forms/schedule/browse_schedule.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/schedule/browse_schedule_list.h"
#include "app/forms/schedule/browse_schedule_rows.h"
#include "app/forms/schedule/browse_schedule_views.h"
#include "app/forms/schedule/run_now.h"
#include "app/forms/schedule/schedule_calls.h"
#include "app/forms/schedule/update_schedule.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/picture.h"
#include "runtime/lang/symbol_table.h"
#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/list_control.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace bw = browse_window;

namespace {

// Guarded by the Runtime lock.
ScheduleViewObserver g_observer;

// The window's state while it is open.
class ScheduleWindow {
 public:
  ScheduleWindow()
      : m_browser({bw::kList, bw::kAdd, bw::kChange, bw::kDelete, bw::kLocator, bw::kReschedule,
                   bw::kRunNow}) {}

  void open() {
    ui::Runtime& rt = runtime();
    m_views.selectedDay() = lang::today();
    m_window =
        &ui::openWindow(kBrowseScheduleModule, kBrowseScheduleLabel, ui::WindowKind::MdiChild);
    restorePosition(kBrowseScheduleSection, true, kIniFile);
    m_tab = settings().fullSchedule ? schedule_view::kAllByDate : schedule_view::kDay;
    rt.use(bw::kSheet, ui::VarRef::of(m_tab));
    showDayOnTab();
    ui::setListIcons(bw::kList, kScheduleIcons);
    applyView(m_tab);
    m_changes = SCH().changeCounter();
  }

  void run() {
    ui::Runtime& rt = runtime();
    while (rt.accept()) {
      noteWindowState(rt.event());
      switch (rt.event()) {
        case ev::kAlertKey:
          if (rt.field() == bw::kList)
            m_browser.listKey(rt.keyCode());
          else if (rt.field() == 0)
            windowPopup();
          break;
        case ev::kTimer:
          refillWhenChanged();
          break;
        case ev::kNewSelection:
          if (rt.field() == bw::kList) m_browser.selectionChanged();
          if (rt.field() == bw::kSheet) tabChosen();
          break;
        case ev::kAccepted:
          accepted(rt.field());
          break;
        default:
          break;
      }
    }
  }

  void close() {
    savePosition(kBrowseScheduleSection, kIniFile);
    globalResponse() = response::kCancelled;
    runtime().close(*m_window);
  }

 private:
  void accepted(int field) {
    ui::Runtime& rt = runtime();
    switch (field) {
      case bw::kList:  // a double click or Enter on a task
        rt.post(ev::kAccepted, bw::kChange);
        break;
      case bw::kSheet:
        tabChosen();
        break;
      case bw::kAdd:
        // The task form starts a new task on the day this window shows
        // (today until the user picks another).
        selectedDay() = m_views.selectedDay();
        m_browser.add(m_views.current() == schedule_view::kByCategory ? m_views.category() : "");
        selectedDay() = 0;
        break;
      case bw::kChange:
        m_browser.changeOrDelete(request::kChange);
        break;
      case bw::kDelete:
        m_browser.changeOrDelete(request::kDelete);
        break;
      case bw::kReschedule:
        if (!m_browser.fetchSelected()) break;
        globalRequest() = request::kInsert;
        scheduleCalls().specialEventWizard();
        m_browser.refill();
        break;
      case bw::kRunNow:
        if (!m_browser.fetchSelected()) break;
        RunNow();
        m_browser.refill();
        break;
      case bw::kClose:
        globalResponse() = response::kCancelled;
        rt.post(ev::kCloseWindow);
        break;
      case bw::kPickDay:
        pickDay();
        break;
      case bw::kPickCategory:
        pickCategory();
        break;
      case bw::kSearch:
        globalRequest() = request::kSearch;
        scheduleCalls().searchSchedule();
        if (m_views.current() == schedule_view::kSelected) m_browser.refill();
        break;
      default:
        break;
    }
  }

  // Another window or process (dornctl) changed the file: the list shows
  // what it holds now, without waiting for the user to switch tabs.
  void refillWhenChanged() {
    const std::uint32_t changes = SCH().changeCounter();
    if (changes == 0 || changes == m_changes) return;
    m_changes = changes;
    m_browser.refill();
  }

  void windowPopup() {
    const int commands[] = {bw::kAdd, bw::kChange, bw::kDelete, bw::kReschedule, bw::kRunNow};
    // The commands on the chosen task are greyed while there is none.
    const int choice = ui::popup(m_browser.empty() ? kEmptyBrowseWindowPopup : kBrowseWindowPopup);
    if (choice >= 1 && choice <= 5) runtime().post(ev::kAccepted, commands[choice - 1]);
  }

  void tabChosen() {
    const auto chosen = static_cast<int>(runtime().choice(bw::kSheet));
    if (chosen < schedule_view::kDay || chosen > schedule_view::kSelected) return;
    m_tab = chosen;
    if (chosen == m_views.current())
      m_browser.refill();
    else
      applyView(chosen);
  }

  // The first tab's text is the day it shows.
  void showDayOnTab() {
    std::vector<std::string> tabs = {lang::format(m_views.selectedDay(), "@d3"), "All by Date",
                                     "All by Category", "Selected"};
    runtime().setRows(bw::kSheet, std::move(tabs));
    runtime().display(bw::kSheet);
  }

  void applyView(int view) {
    // The category view takes its category from CAT's buffer as it is
    // entered (or as a category is picked).
    if (view == schedule_view::kByCategory) m_views.setCategory(CAT()->Category.str());
    const int error = m_views.apply(view);
    if (error != 0) standardError(stdmsg::kViewOpenError);
    if (view == schedule_view::kByCategory) SCH()->Category = m_views.category();
    m_browser.locateByCategory(view == schedule_view::kByCategory);
    if (g_observer) g_observer(m_views.source());
    m_browser.show(m_views.source());
  }

  void pickDay() {
    // A cleared record: the calendar then offers every day.
    SCH().clear();
    m_views.selectedDay() = scheduleCalls().calendar(m_views.selectedDay(), "", "");
    showDayOnTab();
    if (m_views.current() == schedule_view::kDay) {
      m_views.source()->reload();
      m_browser.show(m_views.source());
    } else
      applyView(schedule_view::kDay);
  }

  void pickCategory() {
    globalRequest() = request::kSelect;
    scheduleCalls().selectCategories();
    if (globalResponse() != response::kCompleted) return;
    applyView(schedule_view::kByCategory);
  }

  ui::Window* m_window = nullptr;
  std::int32_t m_tab = schedule_view::kDay;
  std::uint32_t m_changes = 0;  // the file's change counter the list shows
  ScheduleViews m_views;
  ScheduleBrowser m_browser;
};

}  // namespace

void observeScheduleViews(ScheduleViewObserver observer) {
  g_observer = std::move(observer);
}

void BrowseSchedule() {
  // The open routine ends the program when a file cannot be used.
  FileUser categories(CAT());
  FileUser schedule(SCH());
  FileUser tags(TF_());
  // The names the window binds point into it: a scope of their own, so
  // that none outlives the window on this thread.
  lang::PUSHSCOPE();
  SCH().bindFields();
  {
    ScheduleWindow window;
    window.open();
    window.run();
    window.close();
  }
  lang::POPSCOPE();
}

}  // namespace dw::app
