// What the frame does with the settings it reads at start, its title from
// tick to tick, and the About window.
#include <gtest/gtest.h>

#include "app/frame/main_frame.h"
#include "app/routines/window_position.h"
#include "runtime/lang/dates.h"
#include "runtime/ui/events.h"
#include "tests/app/frame_fixture.h"

namespace dw::app {
namespace {

class FrameStartTest : public testing::FrameFixture {};

TEST_F(FrameStartTest, ANewInstallationRunsTheSchedulerUnderTheBareTitle) {
  int work = 0;
  setTimerWork([&] { ++work; });
  setNextTaskSource([] { return NextTask{"Backup", lang::date(3, 1, 2027), 1}; });
  startProgram();
  tick();
  tick();
  EXPECT_EQ(work, 2);
  EXPECT_EQ(frameTitle(), "Dornwatch '96");  // not minimised: no next task shown
}

TEST_F(FrameStartTest, AStoredInactiveSwitchStopsTheWorkAndSaysSoInTheTitle) {
  writeIni("[Settings]\nStartUpActive=1\n");
  int work = 0;
  int asked = 0;
  setTimerWork([&] { ++work; });
  setNextTaskSource([&] {
    ++asked;
    return std::optional<NextTask>();
  });
  startProgram();
  tick();
  EXPECT_EQ(work, 0);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(frameTitle(), "Dornwatch '96 (Inactive)");
}

TEST_F(FrameStartTest, MinimisedAtStartTheTitleNamesTheNextTask) {
  writeIni("[Settings]\nStartUpMinimized=1\n");
  std::optional<NextTask> next =
      NextTask{"Pay the rent     ", lang::date(2, 1, 2027), (9 * 3600) * 100 + 1};
  setNextTaskSource([&] { return next; });
  startProgram();
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96 - Pay the rent FEB  1, 2027  9:00AM");
  next.reset();  // no enabled task left
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96");
}

TEST_F(FrameStartTest, MinimisingAndRestoringTheFrameChangesTheTitleAtTheNextTick) {
  setNextTaskSource([] { return NextTask{"Backup", lang::date(3, 1, 2027), 1}; });
  startProgram();
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96");
  ui::runtime().postFromOutside(ui::ev::kIconized, 0, 1);
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96 - Backup MAR  1, 2027 12:00AM");
  ui::runtime().postFromOutside(ui::ev::kMaximized, 0, 1);
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96");
  ui::runtime().postFromOutside(ui::ev::kIconized, 0, 1);
  ui::runtime().postFromOutside(ui::ev::kRestored, 0, 1);
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96");
}

TEST_F(FrameStartTest, AboutShowsTitleAndVersionAndKeepsItsPlace) {
  writeIni("[About]\nXPosit=12\nYPosit=14\nMaximize=No\n");
  startProgram();
  backend.press(frameId, frame::kAbout);
  idle();
  const auto about = backend.find("ABOUT$WINDOW");
  ASSERT_TRUE(about);
  EXPECT_EQ(about->controls.at(frame::kAboutTitle).display, "Dornwatch '96");
  EXPECT_EQ(about->controls.at(frame::kAboutVersion).display, "1.1b");
  // While About is open on the frame's thread, the timer work waits.
  int work = 0;
  setTimerWork([&] { ++work; });
  tick();
  EXPECT_EQ(work, 0);
  backend.press(about->id, frame::kAboutClose);
  idle();
  EXPECT_FALSE(backend.find("ABOUT$WINDOW"));
  EXPECT_EQ(ini("About", "XPosit"), "12");
  EXPECT_EQ(ini("About", "YPosit"), "14");
  EXPECT_EQ(work, 1);  // the tick that waited
  tick();
  EXPECT_EQ(work, 2);
}

}  // namespace
}  // namespace dw::app
