// Messages not closed when the program ends: the file that keeps them
// (whole entries survive damage), and the program showing them again at the
// next start, once, marked with when they first appeared, dropping those
// whose occurrence was never claimed.
#include "app/scheduler/pending_messages.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/scheduler/message_window.h"
#include "tests/app/timer_fixture.h"

namespace dw::app {
namespace {

namespace mw = message_window;
using testing::clockAt;

TEST(PendingMessageFile, KeepsEveryWholeEntryOfADamagedFile) {
  const std::vector<PendingMessage> two = {{1, 7, 80000, 100, 80000, 90, false, "Pay\nthe rent"},
                                           {2, 0, 0, 0, 80001, 5, true, ""}};
  const std::string text = encodePendingMessages(two);
  struct Case {
    std::string file;
    std::size_t kept;
    bool damaged;
  } cases[] = {
      {text, 2, false},
      {"", 0, false},
      {text.substr(0, text.size() - 3), 1, true},       // truncated in the second
      {text.substr(0, text.find("Pay") + 2), 0, true},  // truncated in the first text
      {"DORNWATCH PENDING MESSAGES 1\nmessage 0 1 2 3 4 5 1 0\n\n", 0, true},  // id 0
      {"DORNWATCH PENDING MESSAGES 1\nmessage 1 1 2 3 4 5 1 99999999\nx\n", 0, true},
      {"something else\n", 0, true},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto got = decodePendingMessages(c.file, &error);
    EXPECT_EQ(got.size(), c.kept) << c.file;
    EXPECT_EQ(!error.empty(), c.damaged) << c.file;
  }
  std::string error;
  const auto back = decodePendingMessages(text, &error);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].text, "Pay\nthe rent");
  EXPECT_FALSE(back[0].confirmed);
  EXPECT_EQ(back[0].taskId, 7);
  EXPECT_TRUE(back[1].confirmed);
}

class PendingMessagesTest : public testing::TimerFixture {
 protected:
  // File > Exit, and the program started again on the same data.
  void restart(const std::function<void()>& between = {}) {
    if (const auto frame = backend.find("MAIN$APPFRAME")) backend.press(frame->id, frame::kExit);
    ui::runtime().joinProgram();
    ui::runtime().end();
    m_running = false;
    if (between) between();
    startProgram();
    idle();
  }
  std::vector<std::string> shownMessages() const {
    std::vector<std::string> shown;
    for (const auto& w : backend.windows())
      if (w.label == kMessageLabel) shown.push_back(w.controls.at(mw::kMessageText).display);
    return shown;
  }
  std::uint32_t messageWindow() const {
    for (const auto& w : backend.windows())
      if (w.label == kMessageLabel) return w.id;
    return 0;
  }
};

TEST_F(PendingMessagesTest, AMessageLeftOpenIsShownAgainOnceUntilClosed) {
  startProgram();
  add(task(1, "Rent", clockAt(8, 59), task_type::kDisplayMessage), "Pay the rent");
  add(task(2, "Cat", clockAt(8, 59), task_type::kDisplayMessage), "Feed the cat");
  tick();
  tick();
  ASSERT_EQ(shownMessages().size(), 2u);
  for (const auto& w : backend.windows())
    if (w.label == kMessageLabel && w.controls.at(mw::kMessageText).display == "Feed the cat")
      backend.closeBox(w.id);
  idle();

  restart();
  const auto shown = shownMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], firstShownLine(today(), clockAt(9, 0)) + "\r\nPay the rent");
  EXPECT_EQ(shown[0].rfind("First shown ", 0), 0u);

  restart();  // not closed again: still there, still once
  ASSERT_EQ(shownMessages().size(), 1u);
  backend.press(messageWindow(), mw::kClose);
  idle();
  restart();
  EXPECT_TRUE(shownMessages().empty());
  EXPECT_FALSE(std::filesystem::exists(kPendingMessagesFile));
}

// A message written before its occurrence was claimed: shown again only
// when the claim was written (the task moved on or is gone); otherwise the
// occurrence is still due and will show its message when it runs.
TEST_F(PendingMessagesTest, AnUnclaimedOccurrencesMessageIsDropped) {
  startProgram();
  ScheduleRecord later = task(5, "Later", clockAt(18, 0), task_type::kDisplayMessage);
  add(later, "Evening call");
  restart([&] {
    PendingMessage standing{
        0, 5, later.Date, later.Time, today(), clockAt(8, 0), false, "Evening call"};
    PendingMessage moved{0,     5,          later.Date - 1, later.Time, today(), clockAt(8, 0),
                         false, "Yesterday"};
    ASSERT_TRUE(addPendingMessage(standing));
    ASSERT_TRUE(addPendingMessage(moved));
  });
  const auto shown = shownMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("Yesterday"), std::string::npos);
  std::string error;
  const auto left = readPendingMessages(&error);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(left[0].confirmed);
}

}  // namespace
}  // namespace dw::app
