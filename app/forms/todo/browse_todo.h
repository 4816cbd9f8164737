// The start-up to-do list (BrowseTodo, window BROWSETODO$WINDOW of module
// "DORN.vls$dorn018", "To Do"), opened at start-up when "Show To Do List
// at start up" is on: the Todo table in the order of the chosen tab
// ("Done", "Priority", "To Do"; todo_list.h), no filter, each item with
// the done1/notdone icon.  Add, Change and Delete call the to-do form
// (update_todo.h) with request 1, 2, 3 and read the list again; the list's
// keys, popup "&Add|&Change|&Delete|-|", locator per tab and the disabling
// of Change and Delete on an empty list work as in the schedule list.  The
// window position is kept in section "BrowseTodo".
//
// Start it on a thread of its own: runtime().start(&BrowseTodo,
// kBrowseTodoStack).
//
// Thread-safety: its own thread, under the Runtime lock.
#pragma once

#include "fields/dorn018.h"

namespace dw::app {

inline constexpr const char* kBrowseTodoModule = "DORN.vls$dorn018";
inline constexpr const char* kBrowseTodoLabel = "BROWSETODO$WINDOW";
inline constexpr const char* kBrowseTodoSection = "BrowseTodo";
inline constexpr long kBrowseTodoStack = 25000;

namespace todo_browse = dorn018;

void BrowseTodo();

}  // namespace dw::app
