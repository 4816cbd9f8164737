// The to-do form (UpdateTodo, window UPDATETODO$WINDOW of module
// "DORN.vls$dorn017", "To Do"): one item of the Todo table added, changed
// or deleted as the shared request code says (1 insert, 2 change, 3
// delete), with the item in TDO's buffer for 2 and 3.
//
//  - Insert ("Adding To Do Item"): a new item has priority 5, no text and
//    is not done.  OK adds it; an error goes to the error routine
//    (message 24 for a duplicate, 14 otherwise) and the focus returns to
//    the first field.
//  - Change ("Changing To Do Item"): OK runs the Todo update routine,
//    again while its message 16 is answered Yes (No closes, Cancel stays).
//  - Delete: message 32 (Confirm Delete), then the Todo delete routine,
//    again while message 18 is answered Yes.  The form does not open.
//  - Priority accepted (and at OK): a priority outside 1 to 10 is message
//    10 for "tDo:Priority" with "1" and "10"; the priority spin is selected
//    again and the form stays.
//
// Leaves the shared response 1 when the item was stored or deleted, 2
// otherwise.  The window position is kept in section "UpdateTodo".
//
// Thread-safety: the caller's thread, under the Runtime lock.
#pragma once

#include <cstdint>

#include "fields/dorn017.h"

namespace dw::app {

inline constexpr const char* kUpdateTodoModule = "DORN.vls$dorn017";
inline constexpr const char* kUpdateTodoLabel = "UPDATETODO$WINDOW";
inline constexpr const char* kUpdateTodoSection = "UpdateTodo";
inline constexpr const char* kAddingToDoTitle = "Adding To Do Item";
inline constexpr const char* kChangingToDoTitle = "Changing To Do Item";
inline constexpr const char* kPriorityName = "tDo:Priority";
inline constexpr int kLowestPriority = 1;
inline constexpr int kHighestPriority = 10;
inline constexpr std::uint8_t kNewToDoPriority = 5;

namespace todo_form = dorn017;

void UpdateTodo();

}  // namespace dw::app
