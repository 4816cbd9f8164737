// The accept loop: Selected dropping, completion, closing the APPLICATION
// with its children, modal rules and the window-operation errors, standard
// actions of menu items, EVENT:Moved, activation across threads and the
// end-of-session notice.
#include <functional>

#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

using AcceptLoopTest = UiTest;

// Runs the current window's loop until `stop` is delivered; the events seen.
std::vector<std::string> drainUntil(int stop) {
  std::vector<std::string> seen;
  while (runtime().accept()) {
    seen.push_back(describeCurrent());
    if (runtime().event() == stop) break;
  }
  return seen;
}

std::vector<std::unique_ptr<Control>> threeEntries() {
  return makeControls({declared(ControlType::Entry, 1, "", "n5"),
                       declared(ControlType::Entry, 2, "", "n5"),
                       declared(ControlType::Entry, 3, "", "s10")});
}

TEST_F(AcceptLoopTest, SelectedForAFieldThatLostFocusIsDropped) {
  runtime().adoptCurrentThread();
  Window& w = runtime().open(windowDesc("Form"), threeEntries());
  backend.focus(w.id(), 1);
  backend.focus(w.id(), 2);  // focus moves on before the loop gets there
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify),
            (std::vector<std::string>{"OpenWindow", "Selected 2", "Notify"}));
  runtime().close(w);
}

TEST_F(AcceptLoopTest, CompletionAcceptsEachFieldAndStopsAtARefusingControl) {
  runtime().adoptCurrentThread();
  std::int32_t a = 0, b = 0;
  char c[10];
  Window& w = runtime().open(windowDesc("Form"), threeEntries());
  runtime().use(1, VarRef::of(a));
  runtime().use(2, VarRef::of(b));
  runtime().use(3, VarRef::fixedString(c));
  backend.type(w.id(), 1, "12");
  backend.type(w.id(), 2, "x7");  // does not fit n5
  backend.type(w.id(), 3, "abc");
  runtime().yieldUntilIdle();
  runtime().selectAll();
  runtime().post(ev::kNotify);
  // Completion steps whenever the window's queue is empty, before waiting.
  std::vector<std::string> seen = drainUntil(ev::kNotify);
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "Selected 3", "Accepted 1", "Notify"}));
  EXPECT_EQ(a, 12);
  EXPECT_EQ(w.focusField(), 2);  // the refusing control got focus
  EXPECT_EQ(backend.control(w.id(), 2)->display, "x7");

  backend.type(w.id(), 2, "7");
  runtime().yieldUntilIdle();
  runtime().selectAll();
  seen = drainUntil(ev::kCompleted);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"Accepted 1", "Accepted 2", "Accepted 3", "Completed"}));
  EXPECT_EQ(b, 7);
  EXPECT_EQ(VarRef::fixedString(c).text(), "abc");
  runtime().close(w);
}

struct FrameFixture {
  EventLog log;
  std::function<bool(const std::string&)> refuses = [](const std::string&) { return false; };

  Procedure child(std::string label) {
    return [this, label] {
      Window& w = runtime().open(windowDesc(label, WindowKind::MdiChild), {});
      while (runtime().accept()) {
        log.add(label + ":" + describeCurrent());
        if (runtime().event() == ev::kCloseDown && refuses(label)) runtime().cycle();
      }
      runtime().close(w);
      log.add(label + ":closed");
    };
  }
};

TEST_F(AcceptLoopTest, ClosingTheApplicationClosesItsChildrenInOpeningOrder) {
  FrameFixture f;
  runtime().runProgram([&] {
    Window& frame = runtime().open(windowDesc("Frame", WindowKind::Application), {});
    runtime().start(f.child("A"), 0);
    runtime().yieldUntilIdle();  // A opens first
    runtime().start(f.child("B"), 0);
    runtime().yieldUntilIdle();  // B is open before the user closes the frame
    while (runtime().accept()) f.log.add("Frame:" + describeCurrent());
    runtime().close(frame);
    f.log.add("Frame:closed");
  });
  settle();
  const auto frame = backend.find("Frame");
  ASSERT_TRUE(frame);
  backend.closeBox(frame->id);
  runtime().joinProgram();
  settle();
  std::vector<std::string> got = f.log.entries();
  auto pos = [&](const std::string& e) {
    return std::find(got.begin(), got.end(), e) - got.begin();
  };
  EXPECT_LT(pos("A:CloseDown"), pos("B:CloseDown"));
  EXPECT_LT(pos("A:closed"), pos("Frame:closed"));
  EXPECT_LT(pos("B:CloseDown"), pos("Frame:closed")) << ::testing::PrintToString(got);
  EXPECT_LT(pos("Frame:closed"), static_cast<long>(got.size()));
  EXPECT_EQ(backend.quitCode(), 0);
}

TEST_F(AcceptLoopTest, AChildThatRefusesTakesTheFrameOutOfClosing) {
  FrameFixture f;
  f.refuses = [](const std::string& label) { return label == "A"; };
  runtime().runProgram([&] {
    Window& frame = runtime().open(windowDesc("Frame", WindowKind::Application), {});
    const int a = runtime().start(f.child("A"), 0);
    runtime().yieldUntilIdle();  // A opens first
    const int b = runtime().start(f.child("B"), 0);
    while (runtime().accept()) {
      f.log.add("Frame:" + describeCurrent());
      if (runtime().event() == ev::kNotify) break;
    }
    runtime().post(ev::kCloseWindow, 0, a);
    runtime().post(ev::kCloseWindow, 0, b);
    runtime().close(frame);
  });
  settle();
  const auto frame = backend.find("Frame");
  ASSERT_TRUE(frame);
  backend.closeBox(frame->id);
  settle();
  std::vector<std::string> got = f.log.entries();
  EXPECT_NE(std::find(got.begin(), got.end(), "A:CloseDown"), got.end());
  EXPECT_EQ(std::find(got.begin(), got.end(), "B:CloseDown"), got.end());
  EXPECT_TRUE(backend.find("Frame"));
  EXPECT_TRUE(backend.find("A"));
  EXPECT_TRUE(backend.find("B"));
  runtime().postFromOutside(ev::kNotify, 0, 1);
  runtime().joinProgram();
  settle();
  EXPECT_TRUE(backend.windows().empty());
}

TEST_F(AcceptLoopTest, FrameBeepsWhenEveryChildIsAlreadyClosing) {
  FrameFixture f;
  runtime().runProgram([&] {
    Window& frame = runtime().open(windowDesc("Frame", WindowKind::Application), {});
    runtime().start(f.child("A"), 0);
    int notifies = 0;
    while (runtime().accept()) {
      if (runtime().event() != ev::kNotify) continue;
      if (++notifies == 2) break;
      // Two requests reach the frame before the child can answer the first:
      // both are posted by the frame's own thread, under the lock, so both
      // wait in its queue before the child is asked anything.
      runtime().post(ev::kCloseWindow);
      runtime().post(ev::kCloseWindow);
    }
    runtime().close(frame);
  });
  settle();
  runtime().postFromOutside(ev::kNotify, 0, 1);
  settle();
  EXPECT_EQ(backend.beeps(), 1);
  EXPECT_FALSE(backend.find("A"));     // the child answered the first request
  EXPECT_TRUE(backend.find("Frame"));  // but the frame had given up closing
  runtime().postFromOutside(ev::kNotify, 0, 1);
  runtime().joinProgram();
}

TEST_F(AcceptLoopTest, ExitMenuItemWithStandardActionClosesTheWindow) {
  runtime().adoptCurrentThread();
  WindowDesc d = windowDesc("Frame", WindowKind::Application);
  MenuEntry file{MenuEntry::Kind::Menu, 0, "&File", "", 0, 0, false, {}};
  file.items.push_back({MenuEntry::Kind::Item, -1, "&Setup", "Set preferences", 0, 0, false, {}});
  file.items.push_back(
      {MenuEntry::Kind::Item, -2, "&Print Setup ...", "", 0, action::kPrintSetup, false, {}});
  file.items.push_back({MenuEntry::Kind::Item, -3, "E&xit", "", 0, action::kClose, false, {}});
  d.menuBar.push_back(file);
  Window& w = runtime().open(d, {});
  backend.press(w.id(), -1);
  backend.press(w.id(), -2);
  backend.press(w.id(), -3);
  std::vector<std::string> seen;
  while (runtime().accept()) seen.push_back(describeCurrent());
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "Accepted -1", "CloseWindow"}));
  EXPECT_EQ(backend.printerRequests(), (std::vector<std::pair<std::string, bool>>{{"", true}}));
  runtime().close(w);
}

TEST_F(AcceptLoopTest, CycledCloseWindowKeepsTheWindowOpen) {
  runtime().adoptCurrentThread();
  Window& w = runtime().open(windowDesc("Form"), {});
  backend.closeBox(w.id());
  runtime().post(ev::kNotify);
  std::vector<std::string> seen;
  while (runtime().accept()) {
    seen.push_back(describeCurrent());
    if (runtime().event() == ev::kCloseWindow) runtime().cycle();
    if (runtime().event() == ev::kNotify) break;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "CloseWindow", "Notify"}));
  runtime().close(w);
}

TEST_F(AcceptLoopTest, OpenFailedEndsTheLoopAtOnce) {
  runtime().adoptCurrentThread();
  Window& w = runtime().open(windowDesc("Form"), {});
  runtime().post(ev::kOpenFailed);
  runtime().post(ev::kNotify);
  std::vector<std::string> seen;
  while (runtime().accept()) seen.push_back(describeCurrent());
  EXPECT_EQ(seen, std::vector<std::string>{"OpenWindow"});
  runtime().close(w);
}

TEST_F(AcceptLoopTest, AWindowActivatedAsItIsShownGetsItsGainFocus) {
  EventLog log;
  runtime().adoptCurrentThread();
  Window& mine = runtime().open(windowDesc("Mine"), {});
  backend.activate(mine.id());
  backend.activateOnCreate(true);
  const int other = runtime().start(
      [&] {
        Window& w = runtime().open(windowDesc("Other"), {});
        while (runtime().accept()) log.add(describeCurrent());
        runtime().close(w);
      },
      0);
  runtime().yieldUntilIdle();
  backend.activateOnCreate(false);
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify),
            (std::vector<std::string>{"OpenWindow", "GainFocus", "LoseFocus", "Notify"}));
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"OpenWindow", "GainFocus"}));
  runtime().post(ev::kCloseWindow, 0, other);
  runtime().close(mine);
  runtime().yieldUntilIdle();
}

TEST_F(AcceptLoopTest, MovedOnlyForWindowsThatAskForIt) {
  runtime().adoptCurrentThread();
  Window& quiet = runtime().open(windowDesc("Quiet"), {});
  backend.moved(quiet.id());
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify), (std::vector<std::string>{"OpenWindow", "Notify"}));
  WindowDesc d = windowDesc("Mover");
  d.reportsMoves = true;
  Window& mover = runtime().open(d, {});
  backend.moved(mover.id());
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify), (std::vector<std::string>{"OpenWindow", "Moved", "Notify"}));
  runtime().close(mover);
  runtime().close(quiet);
}

TEST_F(AcceptLoopTest, ActivationMovingBetweenThreadsQueuesLoseAndGainFocus) {
  EventLog log;
  runtime().adoptCurrentThread();
  Window& mine = runtime().open(windowDesc("Mine"), {});
  const int other = runtime().start(
      [&] {
        Window& w = runtime().open(windowDesc("Other"), {});
        while (runtime().accept()) log.add(describeCurrent());
        runtime().close(w);
      },
      0);
  runtime().yieldUntilIdle();
  backend.activate(mine.id());
  backend.activate(backend.find("Other")->id);
  runtime().yieldUntilIdle();
  runtime().post(ev::kNotify);
  EXPECT_EQ(drainUntil(ev::kNotify),
            (std::vector<std::string>{"OpenWindow", "GainFocus", "LoseFocus", "Notify"}));
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"OpenWindow", "GainFocus"}));
  runtime().post(ev::kCloseWindow, 0, other);
  runtime().close(mine);
  runtime().yieldUntilIdle();
}

TEST_F(AcceptLoopTest, EndOfSessionIsRefusedWithABoxUnlessTheProgramAnswersIt) {
  runtime().adoptCurrentThread();
  runtime().endSessionRequested();
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_EQ(
      backend.messages()[0],
      "Dornwatch|Application still active.\r\n\r\nQuit the application before quitting Windows.");
  Window& w = runtime().open(windowDesc("Frame", WindowKind::Application), {});
  runtime().setEndSessionHandler([] { runtime().postFromOutside(ev::kCloseDown, 0, 1); });
  runtime().endSessionRequested();
  std::vector<std::string> seen;
  while (runtime().accept()) seen.push_back(describeCurrent());
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "CloseDown"}));
  EXPECT_EQ(backend.messages().size(), 1u);
  runtime().close(w);
}

TEST_F(AcceptLoopTest, TerminationIsKeptUntilTheProgramCanAnswerItAndNeverRefused) {
  runtime().adoptCurrentThread();
  runtime().terminateRequested();  // while the program starts up
  EXPECT_TRUE(backend.messages().empty());
  Window& w = runtime().open(windowDesc("Frame", WindowKind::Application), {});
  runtime().setEndSessionHandler([] { runtime().postFromOutside(ev::kCloseDown, 0, 1); });
  std::vector<std::string> seen;
  while (runtime().accept()) seen.push_back(describeCurrent());
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "CloseDown"}));
  runtime().setEndSessionHandler(nullptr);
  runtime().terminateRequested();  // while it closes down
  runtime().close(w);
  EXPECT_TRUE(backend.messages().empty());
}

// --- Errors of window operations ------------------------------------------------

// The error a runtime error posted, or -1 when the operation did not halt
// with exit code 2.
int haltCode(const std::function<void()>& op) {
  lang::setHaltThrowsForTesting(true);
  try {
    op();
  } catch (const lang::HaltRequested& h) {
    return h.exitCode == 2 ? lang::errorCode() : -h.exitCode;
  }
  return -1;
}

TEST_F(AcceptLoopTest, WindowOperationErrorsAreRuntimeErrors) {
  runtime().adoptCurrentThread();
  struct Case {
    const char* name;
    int code;
    std::function<void(HeadlessBackend&)> op;
  };
  const Case cases[] = {
      {"accept without a window", 537, [](HeadlessBackend&) { runtime().accept(); }},
      {"MDI child without an APPLICATION", 530,
       [](HeadlessBackend&) { runtime().open(windowDesc("C", WindowKind::MdiChild), {}); }},
      {"platform refuses a window", 529,
       [](HeadlessBackend& b) {
         b.failNextCreate();
         runtime().open(windowDesc("W"), {});
       }},
      {"platform refuses the frame", 528,
       [](HeadlessBackend& b) {
         b.failNextCreate();
         runtime().open(windowDesc("F", WindowKind::Application), {});
       }},
  };
  for (const Case& c : cases) EXPECT_EQ(haltCode([&] { c.op(backend); }), c.code) << c.name;

  Window& frame = runtime().open(windowDesc("Frame", WindowKind::Application), {});
  EXPECT_EQ(haltCode([] { runtime().open(windowDesc("Frame2", WindowKind::Application), {}); }),
            526);
  EXPECT_EQ(haltCode([] { runtime().open(windowDesc("Child", WindowKind::MdiChild), {}); }), 532);
  EXPECT_EQ(haltCode([] { runtime().open(windowDesc("Frame"), {}); }), 535);
  Window& plain = runtime().open(windowDesc("Plain"), {});
  runtime().close(plain);
  EXPECT_EQ(haltCode([&] { runtime().close(plain); }), 536);
  runtime().close(frame);
}

TEST_F(AcceptLoopTest, AThreadThatWouldOpenAChildAfterTheFrameClosedEndsQuietly) {
  runtime().adoptCurrentThread();
  Window& frame = runtime().open(windowDesc("Frame", WindowKind::Application), {});
  bool reached = false, opened = false;
  // Started by the frame, which closes (a termination request) before the
  // new thread gets to run.
  runtime().start(
      [&] {
        reached = true;
        runtime().open(windowDesc("Child", WindowKind::MdiChild), {});
        opened = true;
      },
      0);
  runtime().close(frame);
  runtime().yieldUntilIdle();
  EXPECT_TRUE(reached);
  EXPECT_FALSE(opened);
  ASSERT_TRUE(runtime().lastHalt());
  EXPECT_EQ(*runtime().lastHalt(), "");  // not 530 'No APPLICATION active'
}

TEST_F(AcceptLoopTest, ModalWindowBlocksStartFrameChildrenAndOtherThreads) {
  runtime().adoptCurrentThread();
  WindowDesc modal = windowDesc("Modal");
  modal.modal = true;
  Window& m = runtime().open(modal, {});
  EXPECT_TRUE(runtime().systemModal());
  EXPECT_EQ(runtime().start([] {}, 0), 0);
  EXPECT_EQ(haltCode([] { runtime().open(windowDesc("F", WindowKind::Application), {}); }), 527);
  // A further plain window counts as modal too.
  Window& further = runtime().open(windowDesc("Further"), {});
  EXPECT_TRUE(further.modal);
  runtime().close(further);
  runtime().close(m);
  EXPECT_FALSE(runtime().systemModal());

  // A thread other than the modal one: its events wait until the modal
  // window closes, and an MDI child cannot open meanwhile.
  Window& frame = runtime().open(windowDesc("Frame", WindowKind::Application), {});
  EventLog log;
  const int other = runtime().start(
      [&] {
        Window& w = runtime().open(windowDesc("Other"), {});
        while (runtime().accept()) log.add(describeCurrent());
        runtime().close(w);
      },
      0);
  runtime().yieldUntilIdle();
  Window& m2 = runtime().open(modal, {});
  runtime().post(ev::kNotify, 0, other);
  runtime().yieldUntilIdle();
  EXPECT_EQ(log.entries(), std::vector<std::string>{"OpenWindow"});
  runtime().close(m2);
  runtime().yieldUntilIdle();
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"OpenWindow", "Notify"}));
  runtime().post(ev::kCloseWindow, 0, other);
  runtime().close(frame);
  runtime().yieldUntilIdle();
}

TEST_F(AcceptLoopTest, AnotherThreadCannotOpenAChildOrCreateControlsWhileModal) {
  runtime().adoptCurrentThread();
  Window& frame = runtime().open(windowDesc("Frame", WindowKind::Application), {});
  std::vector<int> codes;
  // Threads started before the modal window opens run while it is open.
  auto attempt = [&](std::function<void()> op) {
    return [&codes, op] {
      Window& w = runtime().open(windowDesc("Own"), {});
      codes.push_back(haltCode(op));
      runtime().close(w);
    };
  };
  WindowDesc modal = windowDesc("Modal");
  modal.modal = true;
  const int a = runtime().start(
      attempt([] { runtime().open(windowDesc("C", WindowKind::MdiChild), {}); }), 0);
  const int b =
      runtime().start(attempt([] { runtime().create(declared(ControlType::String, 0, "x")); }), 0);
  const int c = runtime().start(attempt([] { runtime().hide(1); }), 0);
  ASSERT_TRUE(a && b && c);
  Window& m2 = runtime().open(modal, {});
  runtime().yieldUntilIdle();
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<int>{531, 541, 542}));
  runtime().close(m2);
  runtime().yieldUntilIdle();
  runtime().close(frame);
}

TEST_F(AcceptLoopTest, CreateAddsAControlWithTheNextFieldNumber) {
  runtime().adoptCurrentThread();
  Window& w =
      runtime().open(windowDesc("Form"), makeControls({declared(ControlType::String, 1, "a")}));
  const int field = runtime().create(declared(ControlType::Button, 0, "&New"));
  EXPECT_EQ(field, 2);
  EXPECT_EQ(backend.control(w.id(), 2)->text, "&New");
  runtime().close(w);
}

}  // namespace
}  // namespace dw::ui::testing
