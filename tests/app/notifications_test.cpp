// Due messages as desktop notifications: sent instead of the window when
// chosen, the window when there is no service, "Open" showing the window,
// "Snooze 10 minutes" sending again ten minutes later by the program's
// clock, and dismissing acknowledging the message.  The sender stands in for
// the session bus (the whole-program test uses a real one).
#include "app/scheduler/notifications.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/scheduler/message_window.h"
#include "app/scheduler/pending_messages.h"
#include "tests/app/timer_fixture.h"

namespace dw::app {
namespace {

using testing::clockAt;

class NotificationsTest : public testing::TimerFixture {
 protected:
  void SetUp() override {
    TimerFixture::SetUp();
    resetNotifications();
    setNotificationSender([this](std::uint32_t key, const std::string& text) {
      if (!serviceUp) return false;
      sent.emplace_back(key, text);
      return true;
    });
  }
  void TearDown() override {
    TimerFixture::TearDown();
    setNotificationSender(nullptr);
    resetNotifications();
  }
  int messageWindows() const {
    int n = 0;
    for (const auto& w : backend.windows()) n += w.label == kMessageLabel;
    return n;
  }
  std::size_t pending() {
    std::string error;
    return readPendingMessages(&error).size();
  }
  bool serviceUp = true;
  std::vector<std::pair<std::uint32_t, std::string>> sent;
};

TEST_F(NotificationsTest, TheWindowStaysTheDefaultAndTheFallback) {
  startProgram();
  add(task(1, "A", clockAt(8, 58), task_type::kDisplayMessage), "Not chosen");
  tick();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(messageWindows(), 1);

  ASSERT_TRUE(chooseNotifications(true));
  serviceUp = false;
  add(task(10, "B", clockAt(8, 59), task_type::kDisplayMessage), "No service");
  tick();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(messageWindows(), 2);
}

TEST_F(NotificationsTest, SnoozeOpenAndDismiss) {
  ASSERT_TRUE(chooseNotifications(true));
  startProgram();
  add(task(1, "Pills", clockAt(8, 58), task_type::kDisplayMessage), "Take the pills");
  add(task(10, "Bins", clockAt(8, 59), task_type::kDisplayMessage), "Bins out");
  tick();
  tick();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].second, "Take the pills");
  EXPECT_EQ(messageWindows(), 0);
  EXPECT_EQ(pending(), 2u);  // kept until answered

  // Snoozed: nothing until ten minutes have passed on the program's clock.
  notificationAnswered(sent[0].first, NotificationAnswer::Snooze);
  tick();
  setClock(kDay, 9, 9, 59);
  tick();
  EXPECT_EQ(sent.size(), 2u);
  setClock(kDay, 9, 10, 1);
  tick();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2].second, "Take the pills");

  // Open: the window, which keeps the message pending until it is closed.
  notificationAnswered(sent[2].first, NotificationAnswer::Open);
  tick();
  EXPECT_EQ(messageWindows(), 1);
  EXPECT_EQ(pending(), 2u);

  // Dismissed: acknowledged.
  notificationAnswered(sent[1].first, NotificationAnswer::Dismissed);
  tick();
  EXPECT_EQ(pending(), 1u);
  // An answer to a notification already answered changes nothing.
  notificationAnswered(sent[1].first, NotificationAnswer::Open);
  tick();
  EXPECT_EQ(messageWindows(), 1);
}

}  // namespace
}  // namespace dw::app
