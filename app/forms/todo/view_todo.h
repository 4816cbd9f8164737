// The to-do list of the menu and tool bar (ViewToDo, window
// VIEWTODO$WINDOW of module "DORN.vls$dorn032", "To Do List"): the Todo
// table in the order of the chosen tab ("&Done", "&Priority", "&To Do";
// todo_list.h), each item with the done/notdone icon.
//
//  - "&Insert", "&Change", "&Delete" call the to-do form (update_todo.h)
//    with request 1, 2, 3 and read the list again.
//  - "&Toggle Done Status" sets the chosen item's TDO:Done to 1 - TDO:Done
//    and writes it through the Todo update routine, then shows the list
//    again.
//  - The right mouse button on the window: popup
//    "&Add|&Change|&Delete|-|&Toggle Done|Cancel" (1 to 3 post Insert,
//    Change, Delete; 4 toggles; 5 nothing).  On the list:
//    "&Insert|&Change|&Delete" (Change and Delete greyed while it is
//    empty).  List keys and the locator as in BrowseTodo.
//  - The controls keep their proportions of the window (todo_layout.h,
//    section "ViewToDo" of DORN.INI), applied on every resize.
//  - "Cl&ose": response 2.
//
// Start it on a thread of its own: runtime().start(&ViewToDo,
// kViewToDoStack).
//
// Thread-safety: its own thread, under the Runtime lock.
#pragma once

#include "fields/dorn032.h"

namespace dw::app {

inline constexpr const char* kViewToDoModule = "DORN.vls$dorn032";
inline constexpr const char* kViewToDoLabel = "VIEWTODO$WINDOW";
inline constexpr const char* kViewToDoSection = "ViewToDo";
inline constexpr long kViewToDoStack = 25000;

namespace todo_view = dorn032;

void ViewToDo();

}  // namespace dw::app
