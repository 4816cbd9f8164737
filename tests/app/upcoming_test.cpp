// Upcoming occurrences against a simulation of the timer: ticks that find
// the task due (today after its date, or today on its date and the time
// past its time) and move it with NextOccurrence, for every schedule type,
// with random tasks from a fixed seed.  Minute and hour rules are ticked
// every minute; the others once a day at its last moment, which handles an
// occurrence on the day it falls due as a finer tick would.
#include "app/scheduler/upcoming.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/data/records.h"
#include "app/data/table_codes.h"
#include "app/exchange/task_options.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

int day(int y, int m, int d) {
  return lang::dayNumberOf({y, d, m});
}
int at(int h, int m) {
  return lang::timeValueOf({h, m, 0, 0});
}

bool after(Occurrence a, Occurrence b) {
  return a.date != b.date ? a.date > b.date : a.time > b.time;
}

// What the timer does, tick by tick, from `from` on.
std::vector<Occurrence> simulateTimer(ScheduleRecord task, Occurrence from, int count,
                                      bool minuteTicks) {
  std::vector<Occurrence> handled;
  Occurrence tick = from;
  for (long guard = 0; guard < 3000000 && static_cast<int>(handled.size()) < count; ++guard) {
    const int today = tick.date, now = tick.time;
    const bool due = today > task.Date || (today == task.Date && now > task.Time);
    if (due) {
      const Occurrence occurrence{task.Date, task.Time};
      if (after(occurrence, from)) handled.push_back(occurrence);
      if (NextOccurrence(task, today, now) != RecurrenceOutcome::Moved) break;
      if (task.Date > lang::kLastDay) break;
      continue;  // the next tick finds it again if it is still due
    }
    if (minuteTicks) {
      tick.time += 6000;
      if (tick.time > lang::kLastTime) tick = {tick.date + 1, tick.time - lang::kLastTime};
    } else {
      tick = {tick.time == lang::kLastTime ? tick.date + 1 : tick.date, lang::kLastTime};
    }
  }
  return handled;
}

TEST(Upcoming, AgreesWithTheTimerForEveryScheduleType) {
  std::mt19937 rng(20261207);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* units[] = {every_type::kMinutes, every_type::kHours,  every_type::kDays,
                         every_type::kWeeks,   every_type::kMonths, every_type::kYears};
  const char* kinds[] = {schedule_type::kOnce,       schedule_type::kYearly,
                         schedule_type::kMonthly,    schedule_type::kDayOfWeek,
                         schedule_type::kDayOfMonth, schedule_type::kCustom};
  int compared = 0;
  for (int round = 0; round < 40; ++round) {
    for (const char* kind : kinds) {
      ScheduleRecord t{};
      const Occurrence from{day(2026, 1, 1) + pick(0, 700), at(pick(0, 23), pick(0, 59)) + 50};
      primeNewTask(t, from.date, from.time);
      t.ScheduleType = kind;
      // Dates before, at and after the starting moment; times on whole minutes.
      t.Date = from.date + pick(-40, 40);
      t.Time = at(pick(0, 23), pick(0, 59));
      if (pick(0, 9) == 0) t.Time = 0;  // no time
      Byte* days[] = {&t.Sunday,   &t.Monday, &t.Tuesday, &t.Wednesday,
                      &t.Thursday, &t.Friday, &t.Saturday};
      for (Byte* d : days) *d = pick(0, 2) == 0;
      Byte* weeks[] = {&t.Every1st, &t.Every2nd, &t.Every3rd, &t.Every4th, &t.EveryLast};
      for (Byte* w : weeks) *w = pick(0, 2) == 0;
      bool minuteTicks = false;
      int count = 12;
      if (t.ScheduleType == schedule_type::kCustom) {
        const int u = pick(0, 5);
        t.EveryType = units[u];
        const int limits[] = {200, 50, 40, 6, 14, 2};
        t.Every = pick(1, limits[u]);
        minuteTicks = u < 2;
      }
      if (t.ScheduleType == schedule_type::kYearly || t.EveryType == every_type::kYears) count = 5;
      const auto expected = simulateTimer(t, from, count, minuteTicks);
      const auto got = upcomingOccurrences(t, from, count);
      ASSERT_EQ(got, expected) << kind << " every " << t.Every << " " << t.EveryType.str()
                               << " date " << t.Date << " time " << t.Time << " from " << from.date
                               << " " << from.time;
      compared += static_cast<int>(got.size());
    }
  }
  EXPECT_GT(compared, 1500);
}

TEST(Upcoming, WorkedCases) {
  ScheduleRecord t{};
  primeNewTask(t, day(2026, 12, 7), at(8, 0));
  // Every 30 minutes from 08:00, asked at 10:10: the missed ones are handled
  // at once and the grid goes on at 10:30.
  t.ScheduleType = schedule_type::kCustom;
  t.EveryType = every_type::kMinutes;
  t.Every = 30;
  auto got = upcomingOccurrences(t, {day(2026, 12, 7), at(10, 10)}, 2);
  EXPECT_EQ(got, (std::vector<Occurrence>{{day(2026, 12, 7), at(10, 30)},
                                          {day(2026, 12, 7), at(11, 0)}}));
  // A moment exactly on an occurrence does not list it: it falls due just after.
  got = upcomingOccurrences(t, {day(2026, 12, 7), at(8, 0)}, 1);
  EXPECT_EQ(got, (std::vector<Occurrence>{{day(2026, 12, 7), at(8, 30)}}));
  // A one-off task: itself when later, nothing once past.
  t.ScheduleType = schedule_type::kOnce;
  EXPECT_EQ(upcomingOccurrences(t, {day(2026, 12, 6), at(0, 0)}, 5).size(), 1u);
  EXPECT_TRUE(upcomingOccurrences(t, {day(2026, 12, 8), at(0, 0)}, 5).empty());
  // A yearly task ends with the calendar.
  t.ScheduleType = schedule_type::kYearly;
  t.Date = day(2097, 2, 28);
  got = upcomingOccurrences(t, {day(2097, 1, 1), at(0, 0)}, 10);
  EXPECT_EQ(got.size(), 3u);
  EXPECT_EQ(momentAfter({day(2026, 1, 1), lang::kLastTime}), (Occurrence{day(2026, 1, 2), 1}));
  EXPECT_EQ(momentAfter({day(2026, 1, 1), 0}), (Occurrence{day(2026, 1, 1), 1}));
}

}  // namespace
}  // namespace dw::app
