// MESSAGE: the buttons a box shows and which is the default, the results,
// the text's line breaks and 1,022-character limit, icon strings and the
// layout numbers (in the headless font, 6 x 13 pixels a character, where a
// horizontal dialog unit is 1.5 pixels and a vertical one 1.625).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/ui/message_box.h"
#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

std::vector<std::string> captions(const MessageBox& box) {
  std::vector<std::string> out;
  for (const BoxButton& b : box.buttons) out.emplace_back(b.text);
  return out;
}

struct ButtonCase {
  const char* name;
  int buttons;
  int defaultButtons;
  std::vector<std::string> shown;
  std::string defaultShown;
};

TEST(MessageBoxButtons, ShownInTableOrderWithTheDefaultChosenAsTheTableWalkSays) {
  const std::vector<ButtonCase> cases = {
      {"nothing chosen is OK alone", 0, 0, {"OK"}, "OK"},
      {"yes no, default no", 6, 4, {"&Yes", "&No"}, "&No"},
      {"yes no, no default", 6, 0, {"&Yes", "&No"}, "&Yes"},
      {"default names a button not shown", 6, 1, {"&Yes", "&No"}, "&Yes"},
      {"cancel before OK in the bits, after it on screen", 65, 0, {"OK", "Cancel"}, "OK"},
      {"abort retry ignore, default retry", 56, 16, {"&Abort", "&Retry", "&Ignore"}, "&Retry"},
      {"two defaults: the later one wins", 2 | 4 | 64, 2 | 64, {"&Yes", "&No", "Cancel"}, "Cancel"},
      {"all eight",
       255,
       128,
       {"OK", "&Yes", "&No", "&Abort", "&Retry", "&Ignore", "Cancel", "&Help"},
       "&Help"},
      {"bits outside the table only", 256, 0, {"OK"}, "OK"},
  };
  for (const ButtonCase& c : cases) {
    MessageRequest r;
    r.text = "x";
    r.buttons = c.buttons;
    r.defaultButtons = c.defaultButtons;
    const MessageBox box = makeMessageBox(r);
    EXPECT_EQ(captions(box), c.shown) << c.name;
    EXPECT_EQ(box.buttons[box.defaultIndex].text, c.defaultShown) << c.name;
  }
}

TEST(MessageBoxButtons, EndCodesMapToButtonBits) {
  const std::vector<std::pair<int, int>> cases = {{1, 1},  {2, 64}, {3, 8},  {4, 16},
                                                  {5, 32}, {6, 2},  {7, 4},  {9, 128},
                                                  {8, 0},  {0, 0},  {-1, 0}, {10, 0}};
  for (const auto& [code, bit] : cases) EXPECT_EQ(resultForEndCode(code), bit) << code;
}

TEST(MessageBoxButtons, ClosingWithoutAButtonIsCancelOnlyWhenCancelIsShown) {
  MessageRequest r;
  r.buttons = button::kOk | button::kCancel;
  EXPECT_EQ(resultForEndCode(makeMessageBox(r).closeCode()), button::kCancel);
  r.buttons = button::kYes | button::kNo;
  EXPECT_EQ(resultForEndCode(makeMessageBox(r).closeCode()), 0);
}

TEST(MessageBoxText, BarsBreakLinesAndTheTextStopsAt1022Characters) {
  EXPECT_EQ(prepareBoxText("One|Two"), "One\r\nTwo");
  EXPECT_EQ(prepareBoxText("Trailing   "), "Trailing");
  EXPECT_EQ(prepareBoxText("||"), "\r\n\r\n");
  EXPECT_EQ(prepareBoxText(std::string(1100, 'a')), std::string(1022, 'a'));
  // A break that would pass the limit is not half-inserted.
  EXPECT_EQ(prepareBoxText(std::string(1021, 'a') + "|b"), std::string(1021, 'a'));
  EXPECT_EQ(prepareBoxText(std::string(1020, 'a') + "|b"), std::string(1020, 'a') + "\r\n");
  EXPECT_EQ(prepareBoxText(std::string(1023, 'a') + "   ").size(), 1022u);
  MessageRequest r;
  r.caption = std::string(300, 'c') + "  ";
  EXPECT_EQ(makeMessageBox(r).caption.size(), 255u);
}

TEST(MessageBoxIcons, IconStringsNameStockIconsResourcesAndFiles) {
  struct Case {
    std::string icon;
    IconRef::Kind kind;
    int number;
    std::string name;
  };
  const std::vector<Case> cases = {
      {"", IconRef::Kind::None, 0, ""},
      {"   ", IconRef::Kind::None, 0, ""},
      {std::string("\xFF\x01\x03\x7F", 4), IconRef::Kind::Stock, stock::kQuestion, ""},
      {std::string("\xFF\x01\x04\x7F", 4), IconRef::Kind::Stock, stock::kExclamation, ""},
      {std::string("\xFF\x02\x05\x00", 4), IconRef::Kind::ProgramIcon, 4, ""},
      {std::string("\xFF\x01", 2), IconRef::Kind::Stock, -1, ""},
      {"~clock.ico", IconRef::Kind::Resource, 0, "CLOCK_ICO"},
      {"/usr/share/icons/x.ico", IconRef::Kind::File, 0, "/usr/share/icons/x.ico"},
  };
  for (const Case& c : cases) {
    const IconRef ref = parseIconString(c.icon);
    EXPECT_EQ(ref.kind, c.kind) << c.icon;
    EXPECT_EQ(ref.number, c.number) << c.icon;
    EXPECT_EQ(ref.name, c.name) << c.icon;
  }
  EXPECT_EQ(stockIconString(stock::kQuestion), std::string("\xFF\x01\x03\x7F", 4));
}

constexpr BoxFont kFont{6, 13};

MessageLayout layoutOf(const MessageRequest& r, int iconSize = 32) {
  return layoutMessageBox(
      makeMessageBox(r), kFont,
      [](std::string_view t, int max) { return measureFixedPitch(t, max, kFont); }, iconSize);
}

TEST(MessageBoxLayout, AShortTextGetsTheMinimumHeightAndOneCentredButton) {
  MessageRequest r;
  r.text = "Hello";
  const MessageLayout l = layoutOf(r);
  // Text 5 characters = 30 px + 10; 5 units (8 px) either side.
  EXPECT_EQ(l.text, (Rect{8, 30, 40, 13}));
  EXPECT_EQ(l.icon, Rect{});
  // The row of one 50-unit button (75 px) plus 5 units either side is wider.
  EXPECT_EQ(l.width, 91);
  // 45 units (73 px) of text area, a 14-unit button (23 px), 5 units below.
  EXPECT_EQ(l.height, 73 + 23 + 8);
  ASSERT_EQ(l.buttons.size(), 1u);
  EXPECT_EQ(l.buttons[0], (Rect{8, 73, 75, 23}));
}

TEST(MessageBoxLayout, ABarGivesTwoLinesAndALongTextWrapsAt200Units) {
  MessageRequest r;
  r.text = "First line|Second";
  EXPECT_EQ(layoutOf(r).text.height, 26);
  std::string words;
  for (int i = 0; i < 45; ++i) words += "word ";  // 224 characters without the last blank
  r.text = words;
  const MessageLayout l = layoutOf(r);
  EXPECT_EQ(l.text.width, 49 * 6 + 10);  // ten words a line: 200 units hold 50 characters
  EXPECT_EQ(l.text.height, 5 * 13);
  EXPECT_EQ(l.height, 5 * 13 + 16 + 23 + 8);
}

TEST(MessageBoxLayout, AnIconSitsLeftCentredAndWidensTheBox) {
  MessageRequest r;
  r.text = "Hello";
  r.icon = stockIconString(stock::kQuestion);
  r.buttons = button::kYes | button::kNo | button::kCancel;
  const MessageLayout l = layoutOf(r);
  EXPECT_EQ(l.icon, (Rect{8, 20, 32, 32}));
  EXPECT_EQ(l.text.x, 32 + 8 + 8);
  // Three buttons: 3 x 75 + 2 x 8 = 241 px, plus 8 either side.
  EXPECT_EQ(l.width, 257);
  ASSERT_EQ(l.buttons.size(), 3u);
  EXPECT_EQ(l.buttons[0].x, 8);
  EXPECT_EQ(l.buttons[1].x, 8 + 75 + 8);
  EXPECT_EQ(l.buttons[2].x + l.buttons[2].width, 257 - 8);
}

TEST(MessageBoxLayout, AWideTextWidensTheBoxBeyondItsButtons) {
  MessageRequest r;
  r.text = std::string(40, 'x');
  r.icon = "~CLOCK.ICO";
  const MessageLayout l = layoutOf(r);
  EXPECT_EQ(l.width, 32 + 8 + 240 + 10 + 16);
  EXPECT_EQ(l.buttons[0].x, (l.width - 75) / 2);
}

TEST(MessageBoxText, WithoutAScreenTheBoxReadsAsOneLineOfTextAndItsButtons) {
  MessageRequest r;
  r.caption = "Confirm";
  r.text = "Delete it?|Really?";
  r.buttons = 6;
  r.defaultButtons = 4;
  EXPECT_EQ(boxAsText(makeMessageBox(r)), "Confirm: Delete it?\nReally?\n[&Yes] <&No>");
}

// --- MESSAGE through the runtime -------------------------------------------------

class MessageTest : public UiTest {};

TEST_F(MessageTest, TheAnswerOrTheDefaultButtonIsWhatMessageReturns) {
  runtime().adoptCurrentThread();
  EXPECT_EQ(runtime().message("Plain"), button::kOk);
  EXPECT_EQ(runtime().message("Delete?", "Confirm", {}, 6, 4), button::kNo);
  backend.answerBoxes({button::kYes, 0, 0});
  EXPECT_EQ(runtime().message("Delete?", "Confirm", {}, 6, 4), button::kYes);
  EXPECT_EQ(runtime().message("Closed", "", {}, 6), 0);
  EXPECT_EQ(runtime().message("Closed", "", {}, 65), button::kCancel);
  const auto boxes = backend.boxes();
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[1].box.caption, "Confirm");
  EXPECT_EQ(captions(boxes[1].box), (std::vector<std::string>{"&Yes", "&No"}));
}

TEST_F(MessageTest, RuntimeErrorsAndHaltShowTheirBoxesThroughMessage) {
  runtime().adoptCurrentThread();
  EXPECT_THROW(lang::runtimeError(536, "WSLDIAL"), lang::HaltRequested);
  EXPECT_THROW(lang::halt(3, "Stopped|here"), lang::HaltRequested);
  const auto boxes = backend.boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].box.caption, "Runtime error");
  EXPECT_EQ(boxes[0].box.text, "Window is not open : WSLDIAL");
  EXPECT_EQ(boxes[0].box.icon.kind, IconRef::Kind::Stock);
  EXPECT_EQ(boxes[0].box.icon.number, stock::kStop);
  EXPECT_EQ(captions(boxes[0].box), std::vector<std::string>{"OK"});
  EXPECT_EQ(boxes[1].box.caption, "Halt");
  EXPECT_EQ(boxes[1].box.text, "Stopped\r\nhere");
}

// The box waits without the Runtime lock: a window of another thread keeps
// getting its timer while the box is up.
TEST_F(MessageTest, AnotherThreadsWindowKeepsItsTimerWhileABoxIsUp) {
  backend.holdBoxes(true);
  std::atomic<int> ticks{0}, answer{-1};
  std::atomic<std::uint32_t> ticker{0};
  runtime().runProgram([&] {
    WindowDesc d = windowDesc("Ticker");
    d.timerPeriod = 10;
    Window& w = runtime().open(d, {});
    ticker = w.id();
    runtime().start(
        [&] {
          Window& b = runtime().open(windowDesc("Asker"), {});
          answer = runtime().message("Delete it?", "Confirm", {}, 6, 4);
          runtime().close(b);
        },
        0);
    while (runtime().accept())
      if (runtime().event() == ev::kTimer && ++ticks >= 3) break;
    runtime().close(w);
  });
  ASSERT_TRUE(backend.waitForOpenBox());
  const auto waitFor = [](const std::function<bool()>& pred) {
    for (int i = 0; i < 2000 && !pred(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return pred();
  };
  for (int i = 1; i <= 3; ++i) {
    backend.advance(10);
    ASSERT_TRUE(waitFor([&] { return ticks.load() >= i; })) << "tick " << i;
  }
  EXPECT_EQ(answer.load(), -1);  // the box is still up
  backend.answerBox(button::kYes);
  runtime().joinProgram();
  ASSERT_TRUE(waitFor([&] { return answer.load() != -1; }));
  EXPECT_EQ(answer.load(), button::kYes);
  backend.holdBoxes(false);
}

}  // namespace
}  // namespace dw::ui::testing
