// Recurrence: the closed form of NextOccurrence against stepping the rule's
// loop one step at a time, for tasks that were left for a long while (the
// program was not running).  The ratio of the two is the point: the closed
// form costs the same whatever the gap.
#include <benchmark/benchmark.h>

#include "app/scheduler/next_occurrence.h"
#include "runtime/lang/dates.h"

namespace {

using namespace dw::app;
constexpr long long kDay = dw::lang::kLastTime;

// The minutes loop as it reads: one step at a time.
Occurrence stepMinutes(Occurrence cur, long long every, int today, int now) {
  long long d = cur.date, m = cur.time;
  while (d < today || (d == today && m < now)) {
    if (every <= 1440) {
      m += every * 6000;
    } else {
      d += every / 1440;
      m += (every % 1440) * 6000;
    }
    while (m > kDay) {
      m -= kDay;
      ++d;
    }
  }
  return {static_cast<std::int32_t>(d), static_cast<std::int32_t>(m)};
}

const int kStart = dw::lang::date(1, 1, 2025);
const int kNow = dw::lang::timeValueOf({13, 37, 0, 0});

void BM_ClosedForm_MinuteTaskLeftForDays(benchmark::State& state) {
  Recurrence r;
  r.kind = ScheduleKind::Custom;
  r.unit = EveryUnit::Minutes;
  r.every = 1;
  const int today = kStart + static_cast<int>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(nextOccurrence(r, {kStart, 1}, today, kNow));
  }
}
BENCHMARK(BM_ClosedForm_MinuteTaskLeftForDays)->Arg(1)->Arg(30)->Arg(365);

void BM_Stepping_MinuteTaskLeftForDays(benchmark::State& state) {
  const int today = kStart + static_cast<int>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(stepMinutes({kStart, 1}, 1, today, kNow));
  }
}
BENCHMARK(BM_Stepping_MinuteTaskLeftForDays)->Arg(1)->Arg(30)->Arg(365);

void BM_ClosedForm_DayOfMonth(benchmark::State& state) {
  Recurrence r;
  r.kind = ScheduleKind::DayOfMonth;
  r.weekdays = 1u << 5;  // Friday
  r.ordinals = kWeekLast;
  for (auto _ : state) {
    benchmark::DoNotOptimize(nextOccurrence(r, {kStart, 1}, kStart + 365, kNow));
  }
}
BENCHMARK(BM_ClosedForm_DayOfMonth);

void BM_ClosedForm_MonthlyLeftForYears(benchmark::State& state) {
  Recurrence r;
  r.kind = ScheduleKind::Monthly;
  const int from = dw::lang::date(1, 31, 1990);
  for (auto _ : state) {
    benchmark::DoNotOptimize(nextOccurrence(r, {from, 1}, kStart, kNow));
  }
}
BENCHMARK(BM_ClosedForm_MonthlyLeftForYears);

}  // namespace

BENCHMARK_MAIN();
