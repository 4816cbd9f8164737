// The message window started as the frame's timer work starts it: its own
// copy of the message, the count of open windows, the fallback box at the
// limit, "&Add to To Do List" and its position.
#include "app/scheduler/message_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "runtime/ui/events.h"

#include "tests/app/frame_fixture.h"

namespace dw::app {
namespace {

namespace mw = message_window;

class MessageWindowTest : public testing::FrameFixture {
 protected:
  // Shows `text` from the frame's next tick, as the due-task dispatch does.
  void dispatch(const std::string& text, int limit = kDispatchMessageLimit) {
    bool done = false;
    setTimerWork([&, text, limit] {
      if (!done) started.push_back(showTaskMessage(text, limit));
      done = true;
    });
    tick();
    setTimerWork(nullptr);
  }
  std::vector<ui::HeadlessBackend::WindowShot> messageWindows() const {
    std::vector<ui::HeadlessBackend::WindowShot> found;
    for (const auto& w : backend.windows())
      if (w.label == kMessageLabel) found.push_back(w);
    return found;
  }
  // The count, read as a runtime thread would: by the frame's next tick.
  int countSeenByTheFrame() {
    int seen = -1;
    setTimerWork([&] { seen = openMessageWindows(); });
    tick();
    setTimerWork(nullptr);
    return seen;
  }
  std::vector<int> started;
};

TEST_F(MessageWindowTest, EachWindowKeepsItsOwnMessageAndIsCounted) {
  startProgram();
  dispatch("Take the bins out");
  dispatch("Call the dentist");
  const auto windows = messageWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_NE(started[0], started[1]);
  EXPECT_NE(started[0], 0);
  EXPECT_EQ(windows[0].title, "Message");
  EXPECT_EQ(windows[0].controls.at(mw::kMessageText).display, "Take the bins out");
  EXPECT_EQ(windows[1].controls.at(mw::kMessageText).display, "Call the dentist");
  EXPECT_EQ(windows[0].controls.at(mw::kClose).text, "Cl&ose");
  EXPECT_EQ(windows[0].controls.at(mw::kAddToDo).text, "&Add to To Do List");
  EXPECT_EQ(windows[0].controls.at(mw::kMessageText).statusText, "Message to display");
  EXPECT_EQ(mw::kClose, 2);
  EXPECT_EQ(mw::kAddToDo, 3);
  EXPECT_EQ(mw::kMessageText, 4);
  EXPECT_EQ(countSeenByTheFrame(), 2);
  EXPECT_EQ(ui::runtime().accountedStack(started[0]), ui::kMinimumStack);

  backend.press(windows[0].id, mw::kClose);
  idle();
  EXPECT_EQ(messageWindows().size(), 1u);
  EXPECT_EQ(countSeenByTheFrame(), 1);
  backend.closeBox(windows[1].id);
  idle();
  EXPECT_TRUE(messageWindows().empty());
  EXPECT_EQ(countSeenByTheFrame(), 0);
  EXPECT_EQ(ini("ShowMessage", "Width"), "220");  // the declared size; placed by the system
  EXPECT_EQ(ini("ShowMessage", "Maximize"), "No");
}

// Both threads start before either window runs: each must still show its
// own message, not the one written into the shared text last.
TEST_F(MessageWindowTest, TwoMessagesStartedInOneGoEachShowTheirOwn) {
  startProgram();
  setTimerWork([&] {
    started.push_back(showTaskMessage("Morning pills", kDispatchMessageLimit));
    started.push_back(showTaskMessage("Evening pills", kDispatchMessageLimit));
    setTimerWork(nullptr);
  });
  tick();
  std::vector<std::string> shown;
  for (const auto& w : messageWindows()) shown.push_back(w.controls.at(mw::kMessageText).display);
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::string>{"Evening pills", "Morning pills"}));
}

TEST_F(MessageWindowTest, EditingTheTextBoxDoesNotChangeTheMessage) {
  startProgram();
  dispatch("Water the plants");
  const auto w = messageWindows().at(0);
  backend.type(w.id, mw::kMessageText, "scribble");
  backend.acceptTyped(w.id, mw::kMessageText);
  idle();
  EXPECT_EQ(backend.control(w.id, mw::kMessageText)->display, "Water the plants");
  std::string added;
  setToDoAdder([&](std::string_view text) { added = text; });
  backend.press(w.id, mw::kAddToDo);
  idle();
  EXPECT_EQ(added, "Water the plants");
}

TEST_F(MessageWindowTest, AddToToDoTakesTheFirstFortyCharactersAndStaysOpen) {
  std::vector<std::string> added;
  setToDoAdder([&](std::string_view text) { added.emplace_back(text); });
  startProgram();
  const std::string longer = "Renew the car insurance before the end of the month, call Joe";
  dispatch(longer);
  const auto w = messageWindows().at(0);
  backend.press(w.id, mw::kAddToDo);
  idle();
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0], longer.substr(0, 40));
  EXPECT_EQ(messageWindows().size(), 1u);
}

TEST_F(MessageWindowTest, AtTheLimitTheMessageGoesToABoxInstead) {
  startProgram();
  setTimerWork([] { openMessageWindows() = kDispatchMessageLimit - 1; });
  tick();
  dispatch("Fifty-ninth is still a window   ");
  EXPECT_EQ(messageWindows().size(), 1u);
  EXPECT_TRUE(backend.boxes().empty());
  // Now 60 are open: the next one is a box without caption or icon.
  dispatch("Sixty-first goes to a box   ");
  EXPECT_EQ(messageWindows().size(), 1u);
  EXPECT_EQ(started.back(), 0);
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.messages().back(), "|Sixty-first goes to a box");
  // Run Now's lower limit.
  setTimerWork([] { openMessageWindows() = kRunNowMessageLimit; });
  tick();
  dispatch("Run now", kRunNowMessageLimit);
  EXPECT_EQ(backend.boxes().size(), 2u);
  setTimerWork([] { openMessageWindows() = 1; });
  tick();
}

TEST_F(MessageWindowTest, ExitClosesTheMessageWindowsAndKeepsTheirPlace) {
  startProgram();
  dispatch("One");
  dispatch("Two");
  ASSERT_EQ(messageWindows().size(), 2u);
  EXPECT_EQ(messageWindows()[0].kind, ui::WindowKind::MdiChild);
  backend.press(frameId, frame::kExit);
  ui::runtime().joinProgram();
  EXPECT_TRUE(messageWindows().empty());
  EXPECT_EQ(backend.quitCode(), 0);
  EXPECT_EQ(ini("ShowMessage", "Maximize"), "No");
}

TEST_F(MessageWindowTest, AWindowClosedMaximisedReopensMaximisedWhereItWas) {
  writeIni("[ShowMessage]\nXPosit=40\nYPosit=30\nWidth=250\nHeight=120\nMaximize=No\n");
  startProgram();
  dispatch("First");
  const auto w = messageWindows().at(0);
  ui::runtime().postFromOutside(ui::ev::kMaximized, 0, started[0]);
  idle();
  backend.press(w.id, mw::kClose);
  idle();
  // Taken out of the maximised state, it writes its normal place.
  EXPECT_EQ(ini("ShowMessage", "Maximize"), "Yes");
  EXPECT_EQ(ini("ShowMessage", "XPosit"), "40");
  EXPECT_EQ(ini("ShowMessage", "Width"), "250");
  EXPECT_EQ(ini("ShowMessage", "Height"), "120");
  // Closed while minimised: only "Maximize" changes.
  dispatch("Second");
  ui::runtime().postFromOutside(ui::ev::kIconized, 0, started[1]);
  idle();
  backend.press(messageWindows().at(0).id, mw::kClose);
  idle();
  EXPECT_EQ(ini("ShowMessage", "Maximize"), "No");
  EXPECT_EQ(ini("ShowMessage", "Width"), "250");
}

TEST_F(MessageWindowTest, TheMessageIsCutToItsBuffer) {
  startProgram();
  dispatch(std::string(1500, 'x'));
  const auto w = messageWindows().at(0);
  EXPECT_EQ(w.controls.at(mw::kMessageText).display, std::string(kMessageTextSize, 'x'));
}

}  // namespace
}  // namespace dw::app
