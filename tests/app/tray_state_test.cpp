// What the frame's thread works out for the tray over a real SM.BRK: the
// tooltip by the title's rule, the next five enabled tasks in the order the
// timer takes them, the tray's Scheduler Active carried out at the next
// tick as the frame's own switch, and the keep-in-tray setting.
#include "app/scheduler/tray_state.h"

#include <gtest/gtest.h>

#include <atomic>

#include "tests/app/timer_fixture.h"

namespace dw::app {
namespace {

using testing::clockAt;

class TrayStateTest : public testing::TimerFixture {
 protected:
  void SetUp() override {
    TimerFixture::SetUp();
    resetTrayState();
    setTrayListener([this] { ++m_published; });
  }
  void TearDown() override {
    TimerFixture::TearDown();
    resetTrayState();
  }
  TrayState published() {
    const std::optional<TrayState> s = publishedTrayState();
    EXPECT_TRUE(s);
    return s.value_or(TrayState{});
  }
  std::atomic<int> m_published{0};
};

TEST_F(TrayStateTest, ShowsTheNextFiveEnabledTasksAndFollowsTheActiveSwitch) {
  writeIni("[Desktop]\nKeepInTray=1\n");
  startProgram();
  // Added out of order; the earliest one is disabled.
  add(task(1, "Lunch", clockAt(12, 0)));
  add(task(2, "Backup   ", clockAt(9, 30)));
  ScheduleRecord off = task(3, "Disabled", clockAt(9, 10));
  off.Disabled = 1;
  add(off);
  add(task(4, "Mail", clockAt(10, 0)));
  add(task(5, "Tea", clockAt(16, 0)));
  add(task(6, "Call", clockAt(11, 0)));
  add(task(7, "Home", clockAt(17, 0)));
  tick();
  TrayState s = published();
  EXPECT_EQ(s.tooltip, "Dornwatch '96 - Backup JAN 12, 2027  9:30AM");
  const std::vector<std::string> five = {
      "Backup JAN 12, 2027  9:30AM", "Mail JAN 12, 2027 10:00AM", "Call JAN 12, 2027 11:00AM",
      "Lunch JAN 12, 2027 12:00PM",  "Tea JAN 12, 2027  4:00PM",
  };
  EXPECT_EQ(s.tasks, five);
  EXPECT_TRUE(s.active);
  EXPECT_TRUE(s.keepInTray);
  // An unchanged state is not handed on again.
  const int before = m_published;
  tick();
  EXPECT_EQ(m_published, before);

  // Switched off from the tray: the frame's switch, kept like Setup's.
  requestSchedulerActive(false);
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96 (Inactive)");
  EXPECT_FALSE(settings().startUpActive);
  EXPECT_EQ(ini("Settings", "StartUpActive"), "1");  // stored inverted
  s = published();
  EXPECT_EQ(s.tooltip, "Dornwatch '96 (Inactive)");
  EXPECT_FALSE(s.active);
  EXPECT_EQ(s.tasks, five);

  // While off, the 9:30 task is not performed; on again, it is.
  setClock(kDay, 9, 45);
  tick();
  EXPECT_TRUE(started().empty());
  requestSchedulerActive(true);
  tick();
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Backup"});
  s = published();
  EXPECT_TRUE(s.active);
  EXPECT_EQ(s.tooltip, "Dornwatch '96 - Mail JAN 12, 2027 10:00AM");
  EXPECT_EQ(s.tasks.front(), "Mail JAN 12, 2027 10:00AM");
  EXPECT_EQ(s.tasks.back(), "Home JAN 12, 2027  5:00PM");
}

TEST_F(TrayStateTest, AnEmptyScheduleShowsTheBareTitleAndNoTasks) {
  startProgram();
  tick();
  const TrayState s = published();
  EXPECT_EQ(s.tooltip, "Dornwatch '96");
  EXPECT_TRUE(s.tasks.empty());
  EXPECT_FALSE(s.keepInTray);
}

}  // namespace
}  // namespace dw::app
