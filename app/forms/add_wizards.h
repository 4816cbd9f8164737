// The three adding wizards of the frame's Wizards menu: AddTaskWizard
// ("Generic &Add ", module "DORN.vls$dorn021"), AddMessageWizard
// ("Add &Message", "DORN.vls$dorn019") and AddProgramWizard ("Add
// &Program", "DORN.vls$dorn020").  Each primes a new task like the task
// form (update_schedule.h), presets it ("Both", "Display Message" or "Run
// Program"; category "General") and collects its fields page by page.
//
// Each is meant to run on a thread of its own started from the frame
// (runtime().start(&AddTaskWizard, 25000)); the shared request is set to
// insert by the wizard itself when the caller left it at 0.
//
// Thread-safety: the calling runtime thread, under the Runtime lock; SCH's
// buffer is process-wide.
#pragma once

namespace dw::app {

inline constexpr const char* kAddTaskModule = "DORN.vls$dorn021";
inline constexpr const char* kAddMessageModule = "DORN.vls$dorn019";
inline constexpr const char* kAddProgramModule = "DORN.vls$dorn020";
inline constexpr const char* kAddTaskSection = "AddTaskWizard";
inline constexpr const char* kAddMessageSection = "AddMessageWizard";
inline constexpr const char* kAddProgramSection = "AddProgramWizard";
inline constexpr long kWizardStack = 25000;

void AddTaskWizard();
void AddMessageWizard();
void AddProgramWizard();

}  // namespace dw::app
