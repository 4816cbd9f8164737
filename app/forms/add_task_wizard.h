// AddTaskWizard (module "DORN.vls$dorn021"), the frame's Wizards menu item
// "Generic &Add ": primes a new task like the task form (update_schedule.h),
// presets its type to "Both" and its category to "General", and collects
// its fields page by page (task_wizard.h).
//
// Meant to run on a thread of its own started from the frame:
// runtime().start(&AddTaskWizard, 25000).  A caller that leaves the shared
// request at 0 gets an insert.
//
// Thread-safety: the calling runtime thread, under the Runtime lock; SCH's
// buffer is process-wide.
#pragma once

namespace dw::app {

inline constexpr const char* kAddTaskModule = "DORN.vls$dorn021";
inline constexpr const char* kAddTaskSection = "AddTaskWizard";

void AddTaskWizard();

}  // namespace dw::app
