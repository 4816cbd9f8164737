// Recurrence over random tasks and random "today/now" (fixed seed): the
// closed forms against a slow reference that runs each rule's loop one step
// at a time, plus the properties every result must have: it lies after
// today (at or after now for minutes and hours), on the task's grid, and no
// earlier day or grid point satisfies the rule.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <sstream>

#include "app/scheduler/next_occurrence.h"
#include "app/data/records.h"
#include "app/scheduler/week_of_month.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

using lang::date;
using lang::dayOf;
using lang::monthOf;
using lang::yearOf;
constexpr long long kDay = lang::kLastTime;

bool flagged(WeekdayMask weekdays, long long d) {
  return (weekdays >> weekdayOf(d)) & 1;
}

// DATE, or kBeyondCalendar where it fails.
long long calendarDate(long long m, long long d, long long y) {
  const int n = date(m, d, y);
  return n < 0 ? kBeyondCalendar : n;
}

// Each rule as a loop of single steps.
NextResult reference(const Recurrence& r, Occurrence cur, int today, int now) {
  long long d = cur.date, m = cur.time;
  const long long t = today, n = now;
  NextResult out{cur, RecurrenceOutcome::Moved};
  auto months = [&](long long step) {
    while (d <= t && d != kBeyondCalendar) {
      long long mi = yearOf(d) * 12LL + monthOf(d) - 1 + step;
      d = calendarDate(mi % 12 + 1, dayOf(d), mi / 12);
    }
  };
  auto clock = [&](long long perDay, long long unit) {
    const long long e = r.every;
    while (d < t || (d == t && m < n)) {
      if (e <= perDay) {
        m += e * unit;
      } else {
        d += e / perDay;
        m += (e % perDay) * unit;
      }
      while (m > kDay) {
        m -= kDay;
        ++d;
      }
    }
  };
  switch (r.kind) {
    case ScheduleKind::Once:
      out.outcome = RecurrenceOutcome::Completed;
      return out;
    case ScheduleKind::Monthly:
      months(1);
      break;
    case ScheduleKind::Yearly:
      months(12);
      break;
    case ScheduleKind::DayOfWeek:
      while (d <= t) {
        if (r.weekdays == 0) {
          ++d;
        } else {
          do ++d;
          while (!flagged(r.weekdays, d));
        }
      }
      break;
    case ScheduleKind::DayOfMonth:
      for (;;) {
        if (r.weekdays == 0) {
          ++d;
        } else {
          do ++d;
          while (!flagged(r.weekdays, d));
        }
        if (d <= t) continue;
        if (r.ordinals == 0) break;
        const long long k = d - date(monthOf(d), 1, yearOf(d));  // 0 on the 1st
        if (k <= 6 && (r.ordinals & kWeek1st)) break;
        if (k >= 7 && k <= 13 && (r.ordinals & kWeek2nd)) break;
        if (k >= 14 && k <= 20 && (r.ordinals & kWeek3rd)) break;
        if (k >= 21 && k <= 27 && (r.ordinals & kWeek4th)) break;
        const long long last = monthOf(d) == 12 ? date(1, 1, yearOf(d) + 1) - 1
                                                : date(monthOf(d) + 1, 1, yearOf(d)) - 1;
        if (last - d <= 6 && (r.ordinals & kWeekLast)) break;
      }
      break;
    case ScheduleKind::Custom:
      switch (r.unit) {
        case EveryUnit::Minutes:
          clock(1440, 6000);
          break;
        case EveryUnit::Hours:
          clock(24, 360000);
          break;
        case EveryUnit::Days:
          while (d <= t) d += r.every;
          break;
        case EveryUnit::Weeks:
          while (d <= t) d += 7 * r.every;
          break;
        case EveryUnit::Months:
          months(r.every);
          break;
        case EveryUnit::Years:
          months(12LL * r.every);
          break;
        case EveryUnit::Unknown:
          out.outcome = RecurrenceOutcome::InvalidUnits;
          if (d <= t) d = t + 1;
          break;
      }
      break;
  }
  out.next = {static_cast<std::int32_t>(d), static_cast<std::int32_t>(m)};
  return out;
}

bool isClockRule(const Recurrence& r) {
  return r.kind == ScheduleKind::Custom &&
         (r.unit == EveryUnit::Minutes || r.unit == EveryUnit::Hours);
}

std::string describe(const Recurrence& r, Occurrence cur, int today, int now) {
  std::ostringstream s;
  s << "kind " << static_cast<int>(r.kind) << " unit " << static_cast<int>(r.unit) << " every "
    << r.every << " weekdays " << int{r.weekdays} << " ordinals " << int{r.ordinals} << " from "
    << cur.date << "/" << cur.time << " today " << today << " now " << now;
  return s.str();
}

// The properties a result must have, checked one day or one grid step at a
// time.
void checkProperties(const Recurrence& r, Occurrence cur, int today, int now, const NextResult& got,
                     const std::string& what) {
  const Occurrence next = got.next;
  if (isClockRule(r)) {
    const long long step = r.every * (r.unit == EveryUnit::Minutes ? 6000LL : 360000LL);
    const long long from = cur.date * kDay + cur.time, to = next.date * kDay + next.time;
    ASSERT_TRUE(next.date > today || (next.date == today && next.time >= now)) << what;
    // Grid checks on the scale date * day + time, where a time within a day
    // makes that scale match the order of (date, time).
    if (cur.time < 1) return;
    ASSERT_GE(next.time, 1) << what;
    ASSERT_LE(next.time, kDay) << what;
    ASSERT_EQ((to - from) % step, 0) << what;  // on the grid
    if (to != from) {
      const long long prev = to - step;  // the grid point before is still before now
      ASSERT_LT(prev, static_cast<long long>(today) * kDay + now) << what;
    }
    return;
  }
  if (r.kind == ScheduleKind::Once || got.outcome == RecurrenceOutcome::InvalidUnits) return;
  ASSERT_EQ(next.time, cur.time) << what;
  if (next.date == kBeyondCalendar) return;
  ASSERT_GT(next.date, today) << what;
  if (r.kind == ScheduleKind::DayOfWeek) {
    const WeekdayMask w = r.weekdays ? r.weekdays : kAllWeekdays;
    if (cur.date > today) {
      ASSERT_EQ(next.date, cur.date) << what;
      return;
    }
    ASSERT_TRUE(suitsDayOfWeek(next.date, w)) << what;
    for (int d = today + 1; d < next.date; ++d) ASSERT_FALSE(suitsDayOfWeek(d, w)) << what;
  }
  if (r.kind == ScheduleKind::DayOfMonth) {
    const WeekdayMask w = r.weekdays ? r.weekdays : kAllWeekdays;
    const OrdinalMask o = r.ordinals ? r.ordinals : 0x1F;
    ASSERT_GT(next.date, cur.date) << what;
    ASSERT_TRUE(suitsDayOfMonth(next.date, w, o)) << what;  // the form accepts it
    for (int d = std::max(cur.date, today) + 1; d < next.date; ++d)
      ASSERT_FALSE(suitsDayOfMonth(d, w, o)) << what;
  }
}

TEST(NextOccurrenceProperty, RandomTasksAgreeWithSteppingOneAtATime) {
  std::mt19937 rng(20261207);
  auto pick = [&](long long lo, long long hi) {
    return std::uniform_int_distribution<long long>(lo, hi)(rng);
  };
  const int firstToday = date(1, 1, 1990), lastToday = date(12, 31, 2040);
  for (int i = 0; i < 4000; ++i) {
    Recurrence r;
    r.kind = static_cast<ScheduleKind>(pick(0, 5));
    r.unit = static_cast<EveryUnit>(pick(0, 6));
    r.weekdays = static_cast<WeekdayMask>(pick(0, 3) == 0 ? 0 : pick(1, 127));
    r.ordinals = static_cast<OrdinalMask>(pick(0, 3) == 0 ? 0 : pick(1, 31));
    const int today = static_cast<int>(pick(firstToday, lastToday));
    const int now = static_cast<int>(pick(1, kDay));
    Occurrence cur;
    cur.time = static_cast<int>(pick(0, 9) == 0 ? 0 : pick(1, kDay));
    if (isClockRule(r)) {
      r.every = static_cast<int>(r.unit == EveryUnit::Minutes ? pick(1, 3000) : pick(1, 80));
      cur.date = static_cast<int>(today - pick(-1, 4));
    } else {
      const long long limits[] = {0, 0, 60, 10, 30, 5, 3};  // by unit
      r.every = static_cast<int>(pick(1, std::max(1LL, limits[static_cast<int>(r.unit)])));
      cur.date = static_cast<int>(today - pick(-40, 800));
    }
    const std::string what = describe(r, cur, today, now);
    const NextResult want = reference(r, cur, today, now);
    const NextResult got = nextOccurrence(r, cur, today, now);
    ASSERT_EQ(got.outcome, want.outcome) << what;
    ASSERT_EQ(got.next, want.next) << what << " got " << got.next.date << "/" << got.next.time
                                   << " want " << want.next.date << "/" << want.next.time;
    checkProperties(r, cur, today, now, got, what);
  }
}

// Times outside a day (no time, or a damaged value) are carried in by the
// steps exactly as the loop carries them.
TEST(NextOccurrenceProperty, TimesOutsideADayCarryAsTheLoopDoes) {
  std::mt19937 rng(7);
  auto pick = [&](long long lo, long long hi) {
    return std::uniform_int_distribution<long long>(lo, hi)(rng);
  };
  const int today = date(3, 15, 2030);
  for (int i = 0; i < 2000; ++i) {
    Recurrence r;
    r.kind = ScheduleKind::Custom;
    r.unit = pick(0, 1) ? EveryUnit::Minutes : EveryUnit::Hours;
    r.every = static_cast<int>(pick(1, r.unit == EveryUnit::Minutes ? 4000 : 90));
    const Occurrence cur{static_cast<int>(today - pick(-1, 2)),
                         static_cast<int>(pick(-3 * kDay, 3 * kDay))};
    const int now = static_cast<int>(pick(-kDay, 2 * kDay));
    const NextResult want = reference(r, cur, today, now);
    const NextResult got = nextOccurrence(r, cur, today, now);
    ASSERT_EQ(got.next, want.next) << describe(r, cur, today, now);
  }
}

// Whatever a damaged record holds (any date, time, count or text), the
// task moves on in a few steps and nothing overflows (the sanitizers watch).
TEST(NextOccurrenceProperty, DamagedRecordsStillMoveOn) {
  std::mt19937 rng(99);
  auto pick = [&](long long lo, long long hi) {
    return std::uniform_int_distribution<long long>(lo, hi)(rng);
  };
  const char* types[] = {"Once", "Day of Week", "Day of Month", "Monthly", "Yearly", "Custom", ""};
  const char* units[] = {"minute(s)", "hour(s)", "day(s)", "week(s)", "month(s)", "year(s)", "?"};
  const long long extremes[] = {
      std::numeric_limits<std::int32_t>::min(), -1, 0, 1, lang::kLastDay, kDay,
      std::numeric_limits<std::int32_t>::max()};
  auto anyInt = [&]() -> std::int32_t {
    return static_cast<std::int32_t>(pick(0, 1) ? extremes[pick(0, 6)]
                                                : pick(std::numeric_limits<std::int32_t>::min(),
                                                       std::numeric_limits<std::int32_t>::max()));
  };
  for (int i = 0; i < 3000; ++i) {
    ScheduleRecord r;
    auto* bytes = reinterpret_cast<unsigned char*>(&r);
    for (std::size_t b = 0; b < sizeof r; ++b) bytes[b] = static_cast<unsigned char>(pick(0, 255));
    r.ScheduleType = types[pick(0, 6)];
    r.EveryType = units[pick(0, 6)];
    r.Date = anyInt();
    r.Time = anyInt();
    r.Every = anyInt();
    const int today = static_cast<int>(pick(lang::kFirstDay, lang::kLastDay));
    const int now = static_cast<int>(pick(1, kDay));
    const Occurrence before{r.Date, r.Time};
    const RecurrenceOutcome outcome = NextOccurrence(r, today, now);
    if (outcome != RecurrenceOutcome::Moved) continue;
    if (scheduleKindOf(r.ScheduleType.raw()) == ScheduleKind::Custom) {
      EXPECT_GE(r.Every, 1);
    }
    // Moved tasks never stay due: they lie after today (after now for the
    // clock units), unless the int32 range itself ran out.
    const bool later = r.Date > today || (r.Date == today && r.Time >= now);
    EXPECT_TRUE(later || r.Date == std::numeric_limits<std::int32_t>::max())
        << before.date << "/" << before.time << " -> " << r.Date << "/" << r.Time;
  }
}

}  // namespace
}  // namespace dw::app
