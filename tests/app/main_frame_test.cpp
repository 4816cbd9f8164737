// The main frame procedure on the headless backend: the frame as its
// resource declares it, File > Exit, the end of the session, and the tool
// bar buttons standing for their menu items.
#include <gtest/gtest.h>

#include <atomic>

#include "app/frame/frame_menu.h"
#include "app/frame/main_frame.h"

#include <atomic>
#include "runtime/lang/errors.h"
#include "runtime/ui/events.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/runtime.h"
#include "tests/app/frame_fixture.h"

namespace dw::app {
namespace {

using ui::runtime;

class MainFrameTest : public testing::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    startProgram();
  }
};

TEST_F(MainFrameTest, FrameIsTheApplicationWithItsMenusToolBarAndStatusBar) {
  const auto shot = backend.find("MAIN$APPFRAME");
  EXPECT_EQ(shot->kind, ui::WindowKind::Application);
  EXPECT_EQ(shot->title, kApplicationTitle);
  EXPECT_EQ(shot->statusZones, (std::vector<int>{-1, 80, 120, 45}));
  std::vector<std::string> menus;
  for (const ui::MenuEntry& m : shot->menuBar) menus.push_back(m.text);
  EXPECT_EQ(menus,
            (std::vector<std::string>{"&File", "&Schedule", "&Reports", "&Window", "&Help"}));
  const ui::MenuEntry* exit = ui::findMenuEntry(shot->menuBar, frame::kExit);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text, "E&xit");
  EXPECT_EQ(exit->statusText, "Exit this application");
  EXPECT_EQ(exit->standardAction, ui::action::kClose);
  std::vector<int> tools;
  for (const ui::ToolEntry& t : shot->toolBar) tools.push_back(t.field);
  EXPECT_EQ(tools, (std::vector<int>{-26, -27, -28, -29, -30}));
  backend.press(frameId, frame::kExit);
}

// The generated constants name the entries the frame shows.
TEST_F(MainFrameTest, GeneratedFieldNumbersNameTheirMenuItems) {
  const auto shot = backend.find("MAIN$APPFRAME");
  const std::pair<int, const char*> items[] = {
      {frame::kSetup, "&Setup"},
      {frame::kPrintSetup, "&Print Setup ..."},
      {frame::kViewSchedule, "&View Schedule"},
      {frame::kAddMessage, "Add &Message"},
      {frame::kAddProgram, "Add &Program"},
      {frame::kGenericAdd, "Generic &Add "},
      {frame::kToDoList, "&To Do List"},
      {frame::kCategories, "&Categories"},
      {frame::kReportBrief, "&Brief Schedule"},
      {frame::kReportToDo, "&To Do"},
      {frame::kHelpOnHelp, "&How to Use Help"},
      {frame::kAbout, "&About"},
  };
  for (const auto& [field, text] : items) {
    const ui::MenuEntry* e = ui::findMenuEntry(shot->menuBar, field);
    ASSERT_NE(e, nullptr) << text;
    EXPECT_EQ(e->text, text) << field;
  }
  std::vector<int> tools;
  for (const ui::ToolEntry& t : shot->toolBar) tools.push_back(t.field);
  EXPECT_EQ(tools[0], frame::kToolAddProgram);
  EXPECT_EQ(tools[3], frame::kToolToDo);
  backend.press(frameId, frame::kExit);
}

TEST_F(MainFrameTest, FileExitClosesTheFrameAndTheProgramEndsWithZero) {
  backend.press(frameId, frame::kExit);
  runtime().joinProgram();
  EXPECT_FALSE(backend.find("MAIN$APPFRAME"));
  EXPECT_EQ(backend.quitCode(), 0);
}

TEST_F(MainFrameTest, EndOfSessionReachesTheFrameAsCloseDownWithoutABox) {
  runtime().endSessionRequested();
  runtime().joinProgram();
  EXPECT_TRUE(backend.messages().empty());
  EXPECT_EQ(backend.quitCode(), 0);
}

TEST_F(MainFrameTest, TimerAndToolBarButtonsLeaveTheFrameRunning) {
  backend.advance(1000);
  backend.press(frameId, frame::kToolToDo);
  backend.press(frameId, frame::kToolSchedule);
  ASSERT_TRUE(runtime().waitIdle());
  EXPECT_TRUE(backend.find("MAIN$APPFRAME"));
  backend.closeBox(frameId);
}

// A menu item starts its registered window on a thread of its own (a tool
// bar button through its item); an item without a window says so.
class FrameMenuTest : public testing::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    clearMenuProcedures();
  }
  void TearDown() override {
    FrameFixture::TearDown();
    clearMenuProcedures();
  }
};

TEST_F(FrameMenuTest, ItemsStartTheirWindowsOrSayTheyAreMissing) {
  std::atomic<int> toDoStarts{0};
  std::atomic<int> scheduleStarts{0};
  setMenuProcedure(
      frame::kToDoList, [&] { ++toDoStarts; }, kSmallStack);
  setMenuProcedure(
      frame::kViewSchedule, [&] { ++scheduleStarts; }, kLargeStack);
  startProgram();
  ASSERT_TRUE(runtime().waitIdle());
  EXPECT_EQ(scheduleStarts, 1) << "the schedule is shown at start-up by default";

  backend.press(frameId, frame::kToolToDo);
  ASSERT_TRUE(runtime().waitIdle());
  EXPECT_EQ(toDoStarts, 1);
  backend.press(frameId, frame::kViewSchedule);
  ASSERT_TRUE(runtime().waitIdle());
  EXPECT_EQ(scheduleStarts, 2);

  backend.press(frameId, frame::kCategories);
  ASSERT_TRUE(runtime().waitIdle());
  EXPECT_EQ(backend.find("MAIN$APPFRAME")->status, kNotAvailableText);
  backend.press(frameId, frame::kExit);
}

TEST(ToolBarButtons, StandForTheirMenuItems) {
  EXPECT_EQ(menuItemForToolButton(frame::kToolAddProgram), frame::kAddProgram);
  EXPECT_EQ(menuItemForToolButton(frame::kToolAddMessage), frame::kAddMessage);
  EXPECT_EQ(menuItemForToolButton(frame::kToolSchedule), frame::kViewSchedule);
  EXPECT_EQ(menuItemForToolButton(frame::kToolToDo), frame::kToDoList);
  EXPECT_EQ(menuItemForToolButton(-30), 0);
}

}  // namespace
}  // namespace dw::app
