// What the two to-do lists share: the three orders of their tabs, the rows
// of each list's format, the icons, and the locator's text per order.
//
//   tab 1 "Done"      TDO:KeyDone      (done flag, priority, text)
//   tab 2 "Priority"  TDO:KeyPriority  (priority, done flag, text)
//   tab 3 "To Do"     TDO:KeyToDo      (text)
//
// An entry's icon is 1 (done) when TDO:Done = 1, else 2 (not done).  A
// typed character finds an entry by the start of its priority (Priority
// tab), of its text (To Do tab) or of its done flag, "1" or "0" (Done tab).
//
// Thread-safety: the rows are pure; the sources read TDO on the window's
// thread under the Runtime lock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/data/records.h"
#include "app/forms/common/record_list.h"

namespace dw::app {

namespace todo_tab {
inline constexpr int kDone = 1;
inline constexpr int kPriority = 2;
inline constexpr int kToDo = 3;
}  // namespace todo_tab

namespace todo_icon {
inline constexpr int kDone = 1;
inline constexpr int kNotDone = 2;
}  // namespace todo_icon

// The icon tables: BrowseTodo's and ViewToDo's.
inline const std::vector<std::string> kBrowseTodoIcons = {"done1.ico", "notdone.ico"};
inline const std::vector<std::string> kViewToDoIcons = {"done.ico", "notdone.ico"};

// The popups of the lists.
inline constexpr const char* kViewToDoWindowPopup = "&Add|&Change|&Delete|-|&Toggle Done|Cancel";
inline constexpr const char* kViewToDoListPopup = "&Insert|&Change|&Delete";
inline constexpr const char* kViewToDoEmptyListPopup = "&Insert|~&Change|~&Delete";

int toDoIcon(const ToDoRecord& item);
// BrowseTodo: icon, priority and text, each with its four colours (the
// defaults).
ui::ListRow browseTodoRow(const ToDoRecord& item);
// ViewToDo: icon, priority, text.
ui::ListRow viewToDoRow(const ToDoRecord& item);

ToDoRecord toDoOfImage(const std::string& image);
// The key of a tab (1 to 3; anything else is the Done order).
std::size_t toDoKeyOfTab(int tab);
// The text the locator matches in a tab's order.
std::string toDoLocatorText(int tab, const ToDoRecord& item);

// The rows of the Todo table (open) in a tab's order.
std::shared_ptr<KeyListSource> toDoListSource(int tab, bool withColours);

}  // namespace dw::app
