// The stand-ins of the calls of the schedule windows (see schedule_calls.h).
#include "app/forms/schedule/schedule_calls.h"

#include <string>

#include "app/data/requests.h"
#include "app/scheduler/run_command.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

namespace {

// Says in the current window's status bar that `what` cannot be done yet.
std::function<void()> notAvailable(std::string what) {
  return [what] {
    globalResponse() = response::kCancelled;
    if (ui::runtime().currentWindow())
      ui::runtime().setProperty(0, ui::prop::kStatusText, what + kNotAvailable);
  };
}

ScheduleCalls standIns() {
  ScheduleCalls calls;
  calls.updateSchedule = notAvailable("The task form");
  calls.specialEventWizard = notAvailable("Rescheduling");
  calls.calendar = [](std::int32_t initial, std::string_view, std::string_view) { return initial; };
  calls.selectCategories = notAvailable("Choosing a category");
  calls.searchSchedule = notAvailable("Searching the schedule");
  calls.runCommand = [](std::string_view command) -> std::uint32_t { return RunCommand(command); };
  return calls;
}

// Guarded by the Runtime lock.
ScheduleCalls g_calls = standIns();

}  // namespace

ScheduleCalls& scheduleCalls() {
  return g_calls;
}

void resetScheduleCalls() {
  g_calls = standIns();
}

}  // namespace dw::app
