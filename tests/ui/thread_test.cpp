// Threads and the Runtime lock: START's limits and stack accounting, POST
// between threads, timer coalescing, and two windowed threads never running
// at once.
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

using ThreadTest = UiTest;

// A procedure that opens a window and runs its loop until it closes.
Procedure windowedProcedure(std::string label, EventLog* log = nullptr) {
  return [label, log] {
    Runtime& rt = runtime();
    Window& w = rt.open(windowDesc(label), {});
    while (rt.accept())
      if (log) log->add(label + ":" + describeCurrent());
    rt.close(w);
  };
}

TEST_F(ThreadTest, StartFillsSixtyThreeSlotsThenReturnsZeroAndRaisesSmallStacks) {
  std::vector<int> numbers;
  int overflow = -1;
  runtime().adoptCurrentThread();
  for (int i = 0; i < 63; ++i)
    numbers.push_back(
        runtime().start(windowedProcedure("W" + std::to_string(i)), i == 0 ? 4096 : 50000));
  overflow = runtime().start(windowedProcedure("extra"), 25000);
  EXPECT_EQ(numbers.front(), 2);
  EXPECT_EQ(numbers.back(), 64);
  EXPECT_EQ(overflow, 0);
  EXPECT_EQ(runtime().accountedStack(2), kMinimumStack);
  EXPECT_EQ(runtime().accountedStack(3), 50000);

  runtime().yieldUntilIdle();
  EXPECT_EQ(backend.windows().size(), 63u);
  // Closing a started thread's window ends its loop, its procedure and
  // frees its number for the next START.
  runtime().post(ev::kCloseWindow, 0, 10);
  runtime().yieldUntilIdle();
  EXPECT_EQ(runtime().accountedStack(10), 0);
  EXPECT_EQ(runtime().start(windowedProcedure("again"), 0), 10);
  runtime().yieldUntilIdle();
  for (int n = 2; n <= 64; ++n) runtime().post(ev::kCloseWindow, 0, n);
  runtime().yieldUntilIdle();
  EXPECT_TRUE(backend.windows().empty());
}

TEST_F(ThreadTest, StartedThreadsGetAStackOurCodeCanLiveIn) {
  runtime().adoptCurrentThread();
  std::atomic<std::size_t> stack{0};
  const int n = runtime().start(
      [&] {
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
          std::size_t size = 0;
          pthread_attr_getstacksize(&attr, &size);
          stack = size;
          pthread_attr_destroy(&attr);
        }
      },
      10000);
  ASSERT_GT(n, 0);
  EXPECT_EQ(runtime().accountedStack(n), kMinimumStack);
  runtime().yieldUntilIdle();
  EXPECT_GE(stack.load(), std::size_t{1} << 20);
  EXPECT_EQ(runtime().accountedStack(n), 0);  // ended: the slot is free

  // A thread that cannot be created: 0, and the slot stays free.
  EXPECT_EQ(runtime().start([] {}, 1L << 46), 0);
  EXPECT_EQ(runtime().start([] {}, 0), 2);
  runtime().yieldUntilIdle();
}

TEST_F(ThreadTest, PostReachesOwnAndOtherThreadsAndSkipsWindowlessOnes) {
  EventLog log;
  runtime().postFromOutside(ev::kNotify, 0, 1);  // before start-up: nothing
  runtime().adoptCurrentThread();
  Window& mine = runtime().open(windowDesc("Mine"), {});
  const int other = runtime().start(windowedProcedure("Other", &log), 0);
  // A thread that ran without opening a window, and is gone.
  const int windowless = runtime().start([] {}, 0);
  ASSERT_GT(other, 0);
  ASSERT_GT(windowless, 0);
  runtime().yieldUntilIdle();
  runtime().post(ev::kNotify, 7, other);
  runtime().post(ev::kNotify, 9, windowless);  // no window there: dropped
  runtime().post(ev::kNotify, 5);              // thread 0: the caller
  runtime().yieldUntilIdle();
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"Other:OpenWindow", "Other:Notify 7"}));

  std::vector<std::string> own;
  for (int i = 0; i < 2 && runtime().accept(); ++i) own.push_back(describeCurrent());
  EXPECT_EQ(own, (std::vector<std::string>{"OpenWindow", "Notify 5"}));
  runtime().post(ev::kCloseWindow, 0, other);
  runtime().close(mine);
  runtime().yieldUntilIdle();
}

TEST_F(ThreadTest, AThreadWaitingOutsideTheLockLetsOthersRun) {
  runtime().adoptCurrentThread();
  EventLog log;
  const int other = runtime().start(windowedProcedure("Other", &log), 0);
  ASSERT_GT(other, 0);
  // While this thread waits (as inside a modal box), the other one opens
  // its window and handles its first event.
  runtime().withoutLock([&] { ASSERT_TRUE(runtime().hub().waitIdleExcept(0)); });
  EXPECT_EQ(runtime().lock().holder(), 0);
  EXPECT_EQ(log.entries(), std::vector<std::string>{"Other:OpenWindow"});
  runtime().post(ev::kCloseWindow, 0, other);
  runtime().yieldUntilIdle();
}

TEST_F(ThreadTest, TimerKeepsAtMostOneEventPendingWhileTheProcedureIsBusy) {
  runtime().adoptCurrentThread();
  WindowDesc d = windowDesc("Timed");
  d.timerPeriod = 25;
  Window& w = runtime().open(d, {});
  backend.advance(250);  // ten periods pass while this procedure is busy
  runtime().post(ev::kNotify);
  std::vector<std::string> seen;
  while (runtime().accept()) {
    seen.push_back(describeCurrent());
    if (runtime().event() == ev::kNotify) break;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "Timer", "Notify"}));
  // Once delivered, the next period brings the next one.
  backend.advance(25);
  runtime().post(ev::kNotify);
  seen.clear();
  while (runtime().accept()) {
    seen.push_back(describeCurrent());
    if (runtime().event() == ev::kNotify) break;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"Timer", "Notify"}));
  runtime().close(w);
}

TEST_F(ThreadTest, TwoWindowedThreadsNeverRunAtOnce) {
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> handled{0};
  auto busy = [&](std::string label) {
    return [&, label] {
      WindowDesc d = windowDesc(label);
      d.timerPeriod = 1;
      Window& w = runtime().open(d, {});
      while (runtime().accept()) {
        if (inside.fetch_add(1) != 0) ++overlaps;
        if (runtime().lock().holder() != Runtime::currentSlot()) ++overlaps;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        ++handled;
        inside.fetch_sub(1);
      }
      runtime().close(w);
    };
  };
  runtime().runProgram([&] {
    const int a = runtime().start(busy("A"), 0);
    const int b = runtime().start(busy("B"), 0);
    Window& w = runtime().open(windowDesc("Main"), {});
    while (runtime().accept())
      if (runtime().event() == ev::kNotify) {
        runtime().post(ev::kCloseWindow, 0, a);
        runtime().post(ev::kCloseWindow, 0, b);
        break;
      }
    runtime().close(w);
  });
  settle();
  for (int i = 0; i < 40; ++i) {
    backend.advance(1);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  settle();
  runtime().postFromOutside(ev::kNotify, 0, 1);
  runtime().joinProgram();
  settle();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_GT(handled.load(), 10);
  EXPECT_EQ(backend.quitCode(), 0);
}

}  // namespace
}  // namespace dw::ui::testing
