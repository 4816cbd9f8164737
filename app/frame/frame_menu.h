// The windows the frame's menu starts: for each menu item, the procedure
// and the stack it starts with on a thread of its own, and the windows
// started when the frame opens.  The procedures live in the families of
// app/forms, so the program registers them at start; an item without a
// procedure does nothing but say so in the frame's status bar.
//
// Threads: register before the program code runs; startMenuProcedure runs
// on the frame's thread under the Runtime lock.
#pragma once

#include "runtime/ui/runtime.h"

namespace dw::app {

// Stacks the frame starts its windows with.
inline constexpr long kSmallStack = 25000;
inline constexpr long kLargeStack = 50000;

// What the status bar says for a menu item whose window this version lacks.
inline constexpr const char* kNotAvailableText = "This window is not available in this version";

// Registers (or with an empty procedure, removes) the procedure a menu
// item of the frame starts.
void setMenuProcedure(int field, ui::Procedure procedure, long stackSize);
// Forgets every registration (tests).
void clearMenuProcedures();
bool hasMenuProcedure(int field);

// Starts the procedure of a menu item on a new thread: true, or false when
// the item has none (the status bar then says so).
bool startMenuProcedure(int field);

// The windows of the start-up settings: the schedule (View Schedule's
// procedure with the small stack) and the start-up to-do list, registered
// apart because the menu opens a different to-do window.
void setStartUpToDoProcedure(ui::Procedure procedure);
void startStartUpWindows(bool schedule, bool toDo);

}  // namespace dw::app
