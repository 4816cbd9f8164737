// The to-do windows: the form's default and range rule, Toggle
// Done Status, the icons and orders, and ViewToDo's proportional layout in
// DORN.INI.
#include <gtest/gtest.h>

#include "app/forms/todo/browse_todo.h"
#include "app/forms/todo/todo_layout.h"
#include "app/forms/todo/todo_list.h"
#include "app/forms/todo/update_todo.h"
#include "app/forms/todo/view_todo.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/message_box.h"
#include "tests/forms/list_fixture.h"

namespace dw::app {
namespace {

namespace tv = todo_view;
namespace tb = todo_browse;
namespace tf = todo_form;

constexpr const char* kRangeError =
    "Range Error|The value of tDo:Priority must be between 1 and 10.";

class ToDoWindowsTest : public testing::ListFixture {
 protected:
  ui::HeadlessBackend::WindowShot openView() { return startWindow(&ViewToDo, "To Do List"); }
  std::vector<std::string> texts(std::uint32_t w, int field, std::size_t column) {
    return shownColumn(w, field, column);
  }
  int icon(std::uint32_t w, int field, std::size_t row) {
    const ui::ControlState c = list(w, field);
    return c.list ? c.list->rows.at(row).at(0).icon : -1;
  }
  void typeInto(std::uint32_t form, int field, const std::string& text) {
    backend.type(form, field, text);
    backend.acceptTyped(form, field);
    idle();
  }
  ui::Rect rect(std::uint32_t w, int field) { return backend.control(w, field)->rect; }
};

TEST_F(ToDoWindowsTest, ANewItemHasPriorityFiveAndAPriorityOutOfRangeKeepsTheFormOpen) {
  startProgram();
  const auto w = openView();
  EXPECT_EQ(w.label, kViewToDoLabel);
  EXPECT_TRUE(disabled(w.id, tv::kChange));
  EXPECT_TRUE(disabled(w.id, tv::kDelete));

  backend.press(w.id, tv::kInsert);
  auto form = window(kAddingToDoTitle);
  typeInto(form.id, tf::kToDo, "Water the plants");
  backend.press(form.id, tf::kOK);
  idle();
  EXPECT_FALSE(isOpen(kAddingToDoTitle));
  ASSERT_EQ(toDoItems().size(), 1u);
  EXPECT_EQ(toDoItems()[0].Priority, 5);
  EXPECT_EQ(toDoItems()[0].Done, 0);

  backend.alertKey(w.id, tv::kList, ui::key::kInsert);
  form = window(kAddingToDoTitle);
  typeInto(form.id, tf::kToDo, "Buy milk");
  for (const char* bad : {"0", "11"}) {
    typeInto(form.id, tf::kPriority, bad);
    EXPECT_EQ(backend.messages().back(), kRangeError) << bad;
    backend.press(form.id, tf::kOK);
    idle();
    EXPECT_TRUE(isOpen(kAddingToDoTitle)) << bad;
  }
  typeInto(form.id, tf::kPriority, "3");
  backend.press(form.id, tf::kOK);
  idle();
  EXPECT_FALSE(isOpen(kAddingToDoTitle));
  const auto items = toDoItems();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].ToDo, "Buy milk");
  EXPECT_EQ(items[0].Priority, 3);
  // Done tab: by done flag, then priority.
  EXPECT_EQ(texts(w.id, tv::kList, 2), (std::vector<std::string>{"Buy milk", "Water the plants"}));
  EXPECT_FALSE(disabled(w.id, tv::kChange));
}

TEST_F(ToDoWindowsTest, TogglingTwiceRestoresTheDoneStateAndTheIconFollows) {
  storeToDo({{"Call Bob", 4, 0}});
  startProgram();
  const auto w = openView();
  EXPECT_EQ(icon(w.id, tv::kList, 0), todo_icon::kNotDone);
  backend.press(w.id, tv::kToggle);
  idle();
  EXPECT_EQ(toDoItems().at(0).Done, 1);
  EXPECT_EQ(icon(w.id, tv::kList, 0), todo_icon::kDone);
  // The window's popup: choice 4 toggles.
  backend.answerPopup(4);
  backend.alertKey(w.id, 0, ui::key::kMouseRight);
  idle();
  EXPECT_EQ(toDoItems().at(0).Done, 0);
  EXPECT_EQ(icon(w.id, tv::kList, 0), todo_icon::kNotDone);
  EXPECT_EQ(backend.popups().back().menu.items.size(), 6u);
}

TEST_F(ToDoWindowsTest, ChangeAndDeleteGoThroughTheForm) {
  storeToDo({{"Call Bob", 4, 0}, {"Pay rent", 1, 0}});
  startProgram();
  const auto w = openView();
  backend.choose(w.id, tv::kSheet, 3);  // "To Do" order
  idle();
  EXPECT_EQ(texts(w.id, tv::kList, 2), (std::vector<std::string>{"Call Bob", "Pay rent"}));
  backend.alertKey(w.id, tv::kList, 'P');
  EXPECT_EQ(list(w.id, tv::kList).selected, 2);
  backend.alertKey(w.id, tv::kList, ui::key::kCtrlEnter);
  const auto form = window(kChangingToDoTitle);
  backend.setCheck(form.id, tf::kDone, true);
  backend.press(form.id, tf::kOK);
  idle();
  EXPECT_EQ(toDoItems().at(1).Done, 1);

  backend.choose(w.id, tv::kList, 1);
  backend.answerBoxes({ui::button::kOk});
  backend.press(w.id, tv::kDelete);
  idle();
  ASSERT_EQ(toDoItems().size(), 1u);
  EXPECT_EQ(toDoItems()[0].ToDo, "Pay rent");
}

TEST_F(ToDoWindowsTest, TheFirstOpeningStoresTheProportionsAndTheSecondUsesThem) {
  startProgram();
  auto w = openView();
  EXPECT_EQ(ini("ViewToDo", "WindowScaled"), "714824849658");
  for (int n = 1; n <= 10; ++n)
    EXPECT_EQ(ini("ViewToDo", "CtrlSize" + std::to_string(n)).size(), 12u) << n;
  // The list at 8, 22 size 244 x 116 in a window of 260 x 184.
  EXPECT_EQ(ini("ViewToDo", "CtrlSize1"), "030119938630");
  backend.press(w.id, tv::kClose);
  idle();

  (void)platform::writeProfileString("ViewToDo", "CtrlSize1", std::string("100100500500"),
                                     kIniFile);
  w = openView();
  EXPECT_EQ(rect(w.id, tv::kList).x, 26);
  EXPECT_EQ(rect(w.id, tv::kList).width, 130);
  EXPECT_EQ(rect(w.id, tv::kList).height, 92);
}

TEST_F(ToDoWindowsTest, ResizingToTwiceTheWidthDoublesXPositionsAndWidths) {
  startProgram();
  const auto w = openView();
  std::vector<ui::Rect> before;
  for (int n = 1; n <= 7; ++n) before.push_back(rect(w.id, n));
  backend.placeAt(w.id, {w.pixels.x, w.pixels.y, w.pixels.width * 2, w.pixels.height});
  idle();
  for (int n = 1; n <= 7; ++n) {
    const ui::Rect after = rect(w.id, n);
    EXPECT_NEAR(after.x, 2 * before[n - 1].x, 2) << n;
    EXPECT_NEAR(after.width, 2 * before[n - 1].width, 2) << n;
    EXPECT_NEAR(after.y, before[n - 1].y, 1) << n;
    EXPECT_NEAR(after.height, before[n - 1].height, 1) << n;
  }
}

TEST_F(ToDoWindowsTest, TheStartUpListShowsTheItemsWithTheirIcons) {
  storeToDo({{"Call Bob", 4, 1}, {"Pay rent", 1, 0}});
  startProgram();
  const auto w = startWindow(&BrowseTodo, "To Do");
  EXPECT_EQ(w.label, kBrowseTodoLabel);
  // Not done first.
  EXPECT_EQ(texts(w.id, tb::kList, 2), (std::vector<std::string>{"Pay rent", "Call Bob"}));
  EXPECT_EQ(icon(w.id, tb::kList, 0), todo_icon::kNotDone);
  EXPECT_EQ(icon(w.id, tb::kList, 1), todo_icon::kDone);
  backend.choose(w.id, tb::kSheet, 2);  // by priority
  idle();
  EXPECT_EQ(texts(w.id, tb::kList, 1), (std::vector<std::string>{"1", "4"}));
  backend.press(w.id, tb::kClose);
  idle();
  EXPECT_EQ(ini("BrowseTodo", "Maximize"), "No");
}

}  // namespace
}  // namespace dw::app
