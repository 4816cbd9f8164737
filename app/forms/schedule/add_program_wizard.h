// AddProgramWizard (module "DORN.vls$dorn020"), the frame's Wizards menu item
// "Add &Program": primes a new task like the task form (update_schedule.h),
// presets its type to "Run Program" and its category to "General", and collects
// its fields page by page (task_wizard.h).
//
// Meant to run on a thread of its own started from the frame:
// runtime().start(&AddProgramWizard, 25000).  It always adds a task, whatever the
// shared request holds (a value another window left there must not turn it
// into a change).
//
// Thread-safety: the calling runtime thread, under the Runtime lock; SCH's
// buffer is process-wide.
#pragma once

namespace dw::app {

inline constexpr const char* kAddProgramModule = "DORN.vls$dorn020";
inline constexpr const char* kAddProgramSection = "AddProgramWizard";

void AddProgramWizard();
// The same wizard for a request of the caller's (requests.h): 2 changes and
// 3 deletes the task in SCH's buffer, anything else adds.
void AddProgramWizardFor(int request);

}  // namespace dw::app
