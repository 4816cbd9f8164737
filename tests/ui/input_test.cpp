// Mouse and drag events, the window-less thread timer and PRESS over the
// headless backend.
#include <atomic>
#include <string>
#include <vector>

#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

class InputTest : public UiTest {};

std::vector<std::string> drainUntil(int stop) {
  std::vector<std::string> seen;
  while (runtime().accept()) {
    seen.push_back(describeCurrent());
    if (runtime().event() == stop) break;
  }
  return seen;
}

std::vector<std::unique_ptr<Control>> entryAndButton() {
  return makeControls(
      {declared(ControlType::Entry, 1, "", "n5"), declared(ControlType::Button, 2, "&Go")});
}

TEST_F(InputTest, MouseAndDragEventsArriveInOrderWithMovesCoalesced) {
  runtime().adoptCurrentThread();
  Window& w = runtime().open(windowDesc("Form"), entryAndButton());
  backend.mouseIn(w.id(), 1);
  for (int i = 0; i < 5; ++i) backend.mouseMove(w.id(), 1);  // one survives
  backend.mouseUp(w.id(), 1);
  backend.mouseOut(w.id(), 1);
  backend.dragAndDrop(w.id(), 1, 2);
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify),
            (std::vector<std::string>{"OpenWindow", "MouseIn 1", "MouseMove 1", "MouseUp 1",
                                      "MouseOut 1", "Dragging 2", "Drag 1", "Drop 2", "Notify"}));
  // Once the move was delivered, the next one gets through again.
  backend.mouseMove(w.id(), 2);
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify), (std::vector<std::string>{"MouseMove 2", "Notify"}));
  runtime().close(w);
}

TEST_F(InputTest, ThreadTimerRunsItsHandlerNotAWindowEvent) {
  runtime().adoptCurrentThread();
  Window& w = runtime().open(windowDesc("Form"), {});
  int ticks = 0;
  runtime().setThreadTimer(10, [&] {
    ++ticks;
    runtime().post(ev::kNotify);
  });
  EXPECT_EQ(backend.threadTimerPeriod(0), 10);
  backend.advance(35);  // three ticks while the thread is busy: one pending
  EXPECT_EQ(drainUntil(ev::kNotify), (std::vector<std::string>{"OpenWindow", "Notify"}));
  EXPECT_EQ(ticks, 1);
  backend.advance(10);
  EXPECT_EQ(drainUntil(ev::kNotify), (std::vector<std::string>{"Notify"}));
  EXPECT_EQ(ticks, 2);

  runtime().setThreadTimer(0, {});
  EXPECT_EQ(backend.threadTimerPeriod(0), 0);
  backend.advance(50);
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify), (std::vector<std::string>{"Notify"}));
  EXPECT_EQ(ticks, 2);
  runtime().close(w);
}

TEST_F(InputTest, ThreadTimerStopsWhenItsThreadEnds) {
  std::atomic<int> slot{-1};
  runtime().adoptCurrentThread();
  const int thread = runtime().start(
      [&] {
        slot = Runtime::currentSlot();
        runtime().setThreadTimer(5, [] {});
      },
      0);
  ASSERT_GT(thread, 1);
  runtime().yieldUntilIdle();
  ASSERT_EQ(slot.load(), thread - 1);
  EXPECT_EQ(backend.threadTimerPeriod(slot), 0);
  backend.advance(20);  // a tick for the freed slot goes nowhere
  runtime().yieldUntilIdle();
}

TEST_F(InputTest, PressedKeysAreTypedIntoTheFocusedControl) {
  runtime().adoptCurrentThread();
  std::int32_t n = 0;
  Window& w = runtime().open(windowDesc("Form"), entryAndButton());
  runtime().use(1, VarRef::of(n));
  runtime().select(1);
  runtime().press("42\r");
  EXPECT_EQ(runtime().pressedPending(), 3u);
  std::vector<std::string> seen = drainUntil(ev::kAccepted);
  EXPECT_EQ(seen.back(), "Accepted 1");
  EXPECT_EQ(n, 42);
  EXPECT_EQ(runtime().pressedPending(), 0u);
  ASSERT_EQ(backend.typedKeys().size(), 1u);
  EXPECT_EQ(backend.typedKeys()[0], (HeadlessBackend::KeysShot{w.id(), 1, "42\r"}));

  // Enter on a focused button presses it.
  runtime().select(2);
  runtime().press("\r");
  seen = drainUntil(ev::kAccepted);
  EXPECT_EQ(seen.back(), "Accepted 2");
  runtime().close(w);
}

TEST_F(InputTest, PressingMoreThanTheBufferHoldsIsError534AndKeepsNothing) {
  runtime().adoptCurrentThread();
  Window& w = runtime().open(windowDesc("Form"), entryAndButton());
  // Keystrokes are characters, not bytes.
  runtime().press(std::string(kKeyboardBuffer - 1, 'x'));
  runtime().press("\xC3\xA9");  // one keystroke in two bytes
  EXPECT_EQ(runtime().pressedPending(), kKeyboardBuffer);
  try {
    runtime().press("y");
    FAIL() << "no halt";
  } catch (const lang::HaltRequested& h) {
    EXPECT_EQ(lang::errorCode(), 534);
    EXPECT_NE(h.text.find("Too many keystrokes PRESSed"), std::string::npos) << h.text;
  }
  EXPECT_EQ(runtime().pressedPending(), kKeyboardBuffer);
  runtime().close(w);
}

}  // namespace
}  // namespace dw::ui::testing
