// The procedures the schedule windows call that live elsewhere: the task
// form, the reschedule wizard, the calendar, the category picker, the
// search window and the program starter.  Each is reached through a
// settable function so that the windows can be built, tested and run before
// (or without) the procedure behind it; the program's start-up code sets
// the real ones into scheduleCalls(), and tests put in their own.
//
// Until connected, a call does what a user can understand: the form, the
// wizard, the category picker and the search say in the window's status
// bar that they are not available and leave the shared response 2
// (cancelled); the calendar returns the date passed in.  The program
// starter is the scheduler's own (RunCommand, run_command.h); tests replace
// it to see where and what was started.
//
// Thread-safety: set them before the windows that call them run (start-up,
// a test's set-up); the calls run on the calling window's thread under the
// Runtime lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace dw::app {

struct ScheduleCalls {
  // UpdateSchedule: the task in SCH's buffer, as the shared request says.
  std::function<void()> updateSchedule;
  // SpecialEventWizard: copies the task in SCH's buffer (request 1).
  std::function<void()> specialEventWizard;
  // Calendar(initial date, title, mode): the date chosen.
  std::function<std::int32_t(std::int32_t, std::string_view, std::string_view)> calendar;
  // SelectCategories (request 4): leaves the chosen category in CAT's
  // buffer and the response 1, or the response 2.
  std::function<void()> selectCategories;
  // SearchSchedule (request 8): tags the tasks that the "Selected" view
  // shows.
  std::function<void()> searchSchedule;
  // Starts a command line (trailing blanks already removed) without
  // waiting; the start's result (31 or less: the error code).
  std::function<std::uint32_t(std::string_view)> runCommand;
};

// The calls in force.  Guarded by the Runtime lock.
ScheduleCalls& scheduleCalls();
// Puts back the stand-ins described above.
void resetScheduleCalls();

// What a stand-in writes into the status bar: "<what> is not available".
inline constexpr const char* kNotAvailable = " is not available";

}  // namespace dw::app
