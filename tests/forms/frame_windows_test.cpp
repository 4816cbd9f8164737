// The frame's menu and tool bar start the forms' windows on threads of
// their own once the program has registered them.
#include "app/frame/frame_windows.h"

#include <gtest/gtest.h>

#include "app/frame/frame_menu.h"
#include "tests/app/frame_fixture.h"

namespace dw::app {
namespace {

class FrameWindowsTest : public testing::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    writeIni("[Settings]\nStartUpSchedule=1\n");  // no start-up windows
    installFrameWindows();
  }
  void TearDown() override {
    FrameFixture::TearDown();
    clearMenuProcedures();
  }

  // Opens a window from the frame and closes it again as the user would.
  void openAndClose(int field, const char* title) {
    backend.press(frameId, field);
    idle();
    const auto window = backend.find(title);
    ASSERT_TRUE(window) << title;
    backend.closeBox(window->id);
    idle();
    EXPECT_FALSE(backend.find(title)) << title;
  }
};

TEST_F(FrameWindowsTest, TheWizardsMenuAndToolBarStartTheWizards) {
  startProgram();
  openAndClose(frame::kGenericAdd, "Add Task Wizard");
  openAndClose(frame::kAddMessage, "Add Message Wizard");
  openAndClose(frame::kToolAddProgram, "Add Program Wizard");
}

TEST_F(FrameWindowsTest, ViewScheduleOpensTheScheduleWindow) {
  startProgram();
  EXPECT_FALSE(backend.find("View Schedule")) << "switched off at start-up by DORN.INI";
  openAndClose(frame::kViewSchedule, "View Schedule");
  openAndClose(frame::kToolSchedule, "View Schedule");
}

TEST_F(FrameWindowsTest, TheScheduleWindowOpensAtStartUpByDefault) {
  writeIni("[Settings]\n");
  startProgram();
  idle();
  const auto window = backend.find("View Schedule");
  ASSERT_TRUE(window);
  backend.closeBox(window->id);
  idle();
}

TEST_F(FrameWindowsTest, EveryItemOfTheScheduleMenuHasItsWindow) {
  for (int field : {frame::kViewSchedule, frame::kAddMessage, frame::kAddProgram,
                    frame::kGenericAdd, frame::kToDoList, frame::kCategories})
    EXPECT_TRUE(hasMenuProcedure(field)) << field;
  startProgram();
  openAndClose(frame::kToDoList, "To Do List");
  openAndClose(frame::kToolToDo, "To Do List");
  openAndClose(frame::kCategories, "Categories");
}

TEST_F(FrameWindowsTest, TheStartUpToDoListIsBrowseTodo) {
  writeIni("[Settings]\nStartUpSchedule=1\nStartUpToDo=1\n");
  startProgram();
  idle();
  const auto window = backend.find("BROWSETODO$WINDOW");
  ASSERT_TRUE(window);
  EXPECT_EQ(window->title, "To Do");
  EXPECT_FALSE(backend.find("To Do List"));
  backend.closeBox(window->id);
  idle();
}

}  // namespace
}  // namespace dw::app
