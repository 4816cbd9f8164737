// AddProgramWizard (module "DORN.vls$dorn020"), the frame's Wizards menu item
// "Add &Program": primes a new task like the task form (update_schedule.h),
// presets its type to "Run Program" and its category to "General", and collects
// its fields page by page (task_wizard.h).
//
// Meant to run on a thread of its own started from the frame:
// runtime().start(&AddProgramWizard, 25000).  A caller that leaves the shared
// request at 0 gets an insert.
//
// Thread-safety: the calling runtime thread, under the Runtime lock; SCH's
// buffer is process-wide.
#pragma once

namespace dw::app {

inline constexpr const char* kAddProgramModule = "DORN.vls$dorn020";
inline constexpr const char* kAddProgramSection = "AddProgramWizard";

void AddProgramWizard();

}  // namespace dw::app
