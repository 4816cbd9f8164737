// How fast events travel: a POST to the thread's own window delivered by
// ACCEPT, and a round trip between two windowed threads (each hands the
// Runtime lock over twice), on the headless backend.
#include <benchmark/benchmark.h>

#include "runtime/ui/events.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/runtime.h"

namespace {

using namespace dw::ui;

WindowDesc desc(const char* label) {
  WindowDesc d;
  d.label = label;
  d.title = label;
  return d;
}

void BM_PostToOwnWindow(benchmark::State& state) {
  HeadlessBackend backend(runtime());
  runtime().begin(backend);
  runtime().adoptCurrentThread();
  Window& w = runtime().open(desc("Own"), {});
  runtime().accept();  // EVENT:OpenWindow
  for (auto _ : state) {
    runtime().post(ev::kNotify);
    runtime().accept();
    benchmark::DoNotOptimize(runtime().event());
  }
  runtime().close(w);
  runtime().leaveAdopted();
  runtime().end();
}
BENCHMARK(BM_PostToOwnWindow);

void BM_RoundTripBetweenThreads(benchmark::State& state) {
  HeadlessBackend backend(runtime());
  runtime().begin(backend);
  runtime().adoptCurrentThread();
  Window& w = runtime().open(desc("Ping"), {});
  runtime().accept();
  const int pong = runtime().start(
      [] {
        Window& own = runtime().open(desc("Pong"), {});
        while (runtime().accept())
          if (runtime().event() == ev::kNotify) runtime().post(ev::kNotify, 0, 1);
        runtime().close(own);
      },
      0);
  runtime().yieldUntilIdle();
  for (auto _ : state) {
    runtime().post(ev::kNotify, 0, pong);
    runtime().accept();
  }
  runtime().post(ev::kCloseWindow, 0, pong);
  runtime().yieldUntilIdle();
  runtime().close(w);
  runtime().leaveAdopted();
  runtime().end();
}
BENCHMARK(BM_RoundTripBetweenThreads);

}  // namespace

BENCHMARK_MAIN();
