// AddMessageWizard (module "DORN.vls$dorn019"), the frame's Wizards menu item
// "Add &Message": primes a new task like the task form (update_schedule.h),
// presets its type to "Display Message" and its category to "General", and collects
// its fields page by page (task_wizard.h).
//
// Meant to run on a thread of its own started from the frame:
// runtime().start(&AddMessageWizard, 25000).  It always adds a task, whatever the
// shared request holds (a value another window left there must not turn it
// into a change).
//
// Thread-safety: the calling runtime thread, under the Runtime lock; SCH's
// buffer is process-wide.
#pragma once

namespace dw::app {

inline constexpr const char* kAddMessageModule = "DORN.vls$dorn019";
inline constexpr const char* kAddMessageSection = "AddMessageWizard";

void AddMessageWizard();
// The same wizard for a request of the caller's (requests.h): 2 changes and
// 3 deletes the task in SCH's buffer, anything else adds.
void AddMessageWizardFor(int request);

}  // namespace dw::app
