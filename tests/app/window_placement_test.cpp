// Windows reopen where and how the user left them, through a running frame
// on the headless backend and a real DORN.INI: a window moved and
// maximised, one the system placed, the frame minimised at start-up, and a
// title change that leaves the place the user gave the frame alone.
#include <gtest/gtest.h>

#include "app/frame/setup_window.h"
#include "tests/app/frame_fixture.h"

namespace dw::app {
namespace {

class WindowPlacementTest : public testing::FrameFixture {
 protected:
  std::optional<ui::HeadlessBackend::WindowShot> open(int menuItem, const char* label) {
    backend.press(frameId, menuItem);
    idle();
    return backend.find(label);
  }
};

TEST_F(WindowPlacementTest, AWindowMovedAndMaximisedReopensThereMaximised) {
  startProgram();
  auto setup = open(frame::kSetup, "SETUP$WINDOW");
  ASSERT_TRUE(setup);
  // The headless font is 6 x 13 pixels: a dialog unit is 1.5 x 1.625 pixels.
  backend.placeAt(setup->id, {120, 65, setup->pixels.width, setup->pixels.height});
  idle();
  backend.maximize(setup->id);
  idle();
  backend.press(setup->id, setup::kCancel);
  idle();
  EXPECT_EQ(ini("Setup", "XPosit"), "80");
  EXPECT_EQ(ini("Setup", "YPosit"), "40");
  EXPECT_EQ(ini("Setup", "Maximize"), "Yes");

  setup = open(frame::kSetup, "SETUP$WINDOW");
  ASSERT_TRUE(setup);
  EXPECT_TRUE(setup->maximized);
  EXPECT_EQ(setup->pixels.x, 120);
  EXPECT_EQ(setup->pixels.y, 65);
  backend.press(setup->id, setup::kCancel);
  idle();
}

TEST_F(WindowPlacementTest, AWindowTheSystemPlacedReopensWhereTheSystemPutIt) {
  startProgram();
  auto about = open(frame::kAbout, "ABOUT$WINDOW");
  ASSERT_TRUE(about);
  const ui::Rect first = about->pixels;
  backend.press(about->id, frame::kAboutClose);
  idle();
  EXPECT_GT(std::stoi(ini("About", "XPosit")), 0);
  EXPECT_GT(std::stoi(ini("About", "YPosit")), 0);

  about = open(frame::kAbout, "ABOUT$WINDOW");
  ASSERT_TRUE(about);
  // Within the rounding of pixels to dialog units.
  EXPECT_NEAR(about->pixels.x, first.x, 1);
  EXPECT_NEAR(about->pixels.y, first.y, 1);
  backend.press(about->id, frame::kAboutClose);
  idle();
}

TEST_F(WindowPlacementTest, MinimizeAtStartUpMinimisesTheFrame) {
  writeIni("[Settings]\nStartUpMinimized=1\n");
  startProgram();
  EXPECT_TRUE(backend.find("MAIN$APPFRAME")->minimized);
  backend.restore(frameId);
  idle();
  EXPECT_FALSE(backend.find("MAIN$APPFRAME")->minimized);
}

TEST_F(WindowPlacementTest, ATimerTickKeepsTheFramesPlaceAndSize) {
  startProgram();
  backend.placeAt(frameId, {30, 20, 1000, 800});
  idle();
  tick();
  tick();
  EXPECT_EQ(backend.find("MAIN$APPFRAME")->pixels, (ui::Rect{30, 20, 1000, 800}));
  EXPECT_EQ(ui::runtime().window(frameId)->pixels, (ui::Rect{30, 20, 1000, 800}));
}

}  // namespace
}  // namespace dw::app
