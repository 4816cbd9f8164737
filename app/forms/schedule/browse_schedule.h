// The schedule window (BrowseSchedule, "View Schedule", window
// BROWSE$WINDOW of module "DORN.vls$dorn002"): the tasks of the Schedule
// file in four views (browse_schedule_views.h), each entry with its state
// as an icon and a colour (browse_schedule_rows.h), and the commands on
// the task chosen: Add, Change and Delete through the task form,
// Reschedule through the reschedule wizard, Run Now (run_now.h).
//
// The list reads its rows a page at a time through the view, so opening
// or scrolling a schedule of any size reads the rows it shows.  Typing on
// the list finds a task (the locator): the letters typed so far are
// matched, without regard to case, against the start of the category in
// the "All by Category" view and of the description in the others, from
// the chosen task on and then from the top; Backspace takes a letter back,
// and choosing a task by other means starts afresh.
//
// Start it on a thread of its own: runtime().start(&BrowseSchedule,
// kBrowseScheduleStack) (50000 from the menu, 25000 at start-up).
//
// Thread-safety: its own thread, under the Runtime lock.
#pragma once

#include <functional>
#include <memory>

#include "app/forms/schedule/browse_schedule_views.h"
#include "fields/dorn002.h"

namespace dw::app {

inline constexpr const char* kBrowseScheduleModule = "DORN.vls$dorn002";
inline constexpr const char* kBrowseScheduleLabel = "BROWSE$WINDOW";
inline constexpr const char* kBrowseScheduleSection = "BrowseSchedule";
inline constexpr long kBrowseScheduleStack = 50000;
inline constexpr long kStartUpScheduleStack = 25000;

// The window's popup (the list's: browse_schedule_list.h).
inline constexpr const char* kBrowseWindowPopup = "&Add|&Change|&Delete|-|&Reschedule|Run &Now";
inline constexpr const char* kEmptyBrowseWindowPopup =
    "&Add|~&Change|~&Delete|-|~&Reschedule|~Run &Now";

namespace browse_window = dorn002;

void BrowseSchedule();

// Called with each view the schedule window puts on its list, so that a
// test or a measurement can see what its pages cost (View::recordsRead).
// Set it while no schedule window runs; empty: none.
using ScheduleViewObserver = std::function<void(const std::shared_ptr<ScheduleListSource>&)>;
void observeScheduleViews(ScheduleViewObserver observer);

}  // namespace dw::app
