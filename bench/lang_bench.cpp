// Speed of the language core: FORMAT and DEFORMAT with a picture compiled
// once (@d3, @t3, @n12.2), picture compilation itself, and the day-number
// conversions behind DATE and YEAR.
#include <benchmark/benchmark.h>

#include "runtime/lang/dates.h"
#include "runtime/lang/picture.h"

namespace {

using dw::lang::CompiledPicture;
using dw::lang::compilePicture;

void formatPicture(benchmark::State& state, const char* picture, double first, double step) {
  const CompiledPicture p = compilePicture(picture);
  double v = first;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dw::lang::format(v, p));
    v += step;
    if (v > 100000) v = first;
  }
  state.SetItemsProcessed(state.iterations());
}

void deformatPicture(benchmark::State& state, const char* picture, const char* text) {
  const CompiledPicture p = compilePicture(picture);
  for (auto _ : state) benchmark::DoNotOptimize(dw::lang::deformat(text, p));
  state.SetItemsProcessed(state.iterations());
}

void BM_FormatD3(benchmark::State& s) {
  formatPicture(s, "@d3", 4, 7);
}
void BM_FormatT3(benchmark::State& s) {
  formatPicture(s, "@t3", 1, 997);
}
void BM_FormatN12_2(benchmark::State& s) {
  formatPicture(s, "@n12.2", 0.01, 12.34);
}
void BM_DeformatD3(benchmark::State& s) {
  deformatPicture(s, "@d3", "JAN  5, 1996");
}
void BM_DeformatT3(benchmark::State& s) {
  deformatPicture(s, "@t3", " 1:30PM");
}
void BM_DeformatN12_2(benchmark::State& s) {
  deformatPicture(s, "@n12.2", "   12,345.67");
}

void BM_CompileN12_2(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(compilePicture("@n12.2"));
  state.SetItemsProcessed(state.iterations());
}

void BM_Date(benchmark::State& state) {
  int day = 1;
  int acc = 0;
  for (auto _ : state) {
    acc += dw::lang::date(7, day, 1996);
    day = day % 400 + 1;
  }
  benchmark::DoNotOptimize(acc);
  state.SetItemsProcessed(state.iterations());
}

void BM_Year(benchmark::State& state) {
  int n = dw::lang::kFirstDay;
  int acc = 0;
  for (auto _ : state) {
    acc += dw::lang::yearOf(n);
    n = n >= dw::lang::kLastDay ? dw::lang::kFirstDay : n + 13;
  }
  benchmark::DoNotOptimize(acc);
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_FormatD3);
BENCHMARK(BM_FormatT3);
BENCHMARK(BM_FormatN12_2);
BENCHMARK(BM_DeformatD3);
BENCHMARK(BM_DeformatT3);
BENCHMARK(BM_DeformatN12_2);
BENCHMARK(BM_CompileN12_2);
BENCHMARK(BM_Date);
BENCHMARK(BM_Year);

}  // namespace

BENCHMARK_MAIN();
