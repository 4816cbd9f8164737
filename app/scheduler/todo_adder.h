// The message window's to-do adder: "&Add to To Do List" in a message
// window hands the first 40 characters of the message to addToDoItem
// through the seam of driver_seams.h, which installFileRoutines fills.
//
// Threads: the caller's runtime thread, holding the Runtime lock.
#pragma once

#include <string_view>

namespace dw::app {

// Adds a to-do item: priority 5, not done, `text` (cut to 40 characters),
// opening the ToDo table through the user counts (created when missing).
// 0 on success, else the error code (reported through the error routine:
// message 14).
int addToDoItem(std::string_view text);
// Installs addToDoItem as the message window's to-do adder
// (driver_seams.h).  The program calls it once at start.
void installFileRoutines();

}  // namespace dw::app
