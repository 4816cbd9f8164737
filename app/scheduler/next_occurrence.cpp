// Recurrence (see next_occurrence.h).
//
// Each rule is written as the closed form of its stepping loop.  The loops
// being replaced are, for a date D, time M, today T and now N:
//   calendar rules:  while D <= T: D = one step on
//   minutes, hours:  while (D, M) < (T, N): D += whole days of the step,
//                    M += the rest, then while M > 8640000: M -= 8640000, D++
// Both are monotone (every step moves the occurrence later), which is what
// lets the closed forms search for the first step that ends the loop.
#include "app/scheduler/next_occurrence.h"

#include <algorithm>
#include <limits>
#include <string>

#include "app/data/records.h"
#include "app/data/table_codes.h"
#include "runtime/lang/chartab.h"

namespace dw::app {

namespace {

using i64 = long long;
constexpr i64 kDayLength = lang::kLastTime;  // hundredths in a day

i64 floorDiv(i64 a, i64 b) {
  const i64 q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
i64 ceilDiv(i64 a, i64 b) {
  return -floorDiv(-a, b);
}
std::int32_t toDate(i64 d) {
  return static_cast<std::int32_t>(std::clamp<i64>(d, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max()));
}

// --- Minutes and hours ------------------------------------------------------

// A date and a time as the stepping loop holds them: the time may lie
// outside a day (0 for "no time", or a damaged value) until a step carries
// it in.
struct Moment {
  i64 date;
  i64 time;
};

bool before(const Moment& m, i64 today, i64 now) {
  return m.date < today || (m.date == today && m.time < now);
}

// One step: E units as whole days and remaining hundredths.
struct Step {
  i64 days;
  i64 rest;  // 0 .. kDayLength
};

Moment stepOnce(Moment m, const Step& s) {
  m.date += s.days;
  m.time += s.rest;
  if (m.time > kDayLength) {
    const i64 carry = (m.time - 1) / kDayLength;
    m.time -= carry * kDayLength;
    m.date += carry;
  }
  return m;
}

// The moment after n steps, in O(1).  Once the time lies in 1..kDayLength
// every step keeps it there, and date * kDayLength + time grows by the whole
// step each time; before that, a time above a day is carried in by the first
// step, and a time of 0 or less grows without carrying until it reaches 1.
Moment advance(Moment m, i64 n, const Step& s) {
  if (n == 0) return m;
  if (m.time > kDayLength) {
    m = stepOnce(m, s);
    if (--n == 0) return m;
  }
  if (m.time <= 0) {
    if (s.rest == 0) return {m.date + n * s.days, m.time};
    const i64 toDay = ceilDiv(1 - m.time, s.rest);
    if (n < toDay) return {m.date + n * s.days, m.time + n * s.rest};
    m.date += toDay * s.days;
    m.time += toDay * s.rest;
    n -= toDay;
  }
  const i64 absolute = m.date * kDayLength + m.time + n * (s.days * kDayLength + s.rest);
  const i64 date = floorDiv(absolute - 1, kDayLength);
  return {date, absolute - date * kDayLength};
}

Occurrence stepClock(Occurrence cur, i64 every, i64 unitsPerDay, i64 unitLength, i64 today,
                     i64 now) {
  const Step step = every <= unitsPerDay
                        ? Step{0, every * unitLength}
                        : Step{every / unitsPerDay, (every % unitsPerDay) * unitLength};
  const Moment start{cur.date, cur.time};
  if (!before(start, today, now)) return cur;
  // The first n with advance(start, n) at or after now: double, then halve.
  i64 low = 0, high = 1;  // before(low) holds, before(high) is to be found false
  while (before(advance(start, high, step), today, now)) {
    low = high;
    high *= 2;
  }
  while (high - low > 1) {
    const i64 mid = low + (high - low) / 2;
    (before(advance(start, mid, step), today, now) ? low : high) = mid;
  }
  const Moment m = advance(start, high, step);
  return {toDate(m.date), static_cast<std::int32_t>(m.time)};
}

// --- Calendar steps -----------------------------------------------------------

bool inCalendar(i64 d) {
  return d >= lang::kFirstDay && d <= lang::kLastDay;
}

// The day of a month index (year * 12 + month - 1), or kBeyondCalendar.
std::int32_t dayOfMonthIndex(i64 monthIndex, int day) {
  const i64 year = monthIndex / 12;
  if (year > lang::kLastYear) return kBeyondCalendar;
  const int n = lang::date(monthIndex % 12 + 1, day, year);
  return n < 0 ? kBeyondCalendar : n;
}

// While D <= T: D = DATE(month + months, day, year).  A day up to the 28th
// exists in every month, so from such a day on the steps only count months
// and the answer is computed; a later day is stepped literally until it
// carries into the next month (leaving a day up to the 3rd) or passes today.
// Those literal steps move at least 28 days each and stop at the end of the
// calendar, so there are few of them.
std::int32_t stepMonths(i64 d, i64 months, i64 today) {
  if (d > today) return toDate(d);
  if (!inCalendar(d)) return toDate(today + 1);
  if (today > lang::kLastDay) return kBeyondCalendar;
  const lang::DateRecord t = lang::calendarOf(static_cast<int>(today));
  const i64 todayIndex = i64{t.year} * 12 + t.month - 1;
  while (d <= today) {
    const lang::DateRecord c = lang::calendarOf(static_cast<int>(d));
    const i64 index = i64{c.year} * 12 + c.month - 1;
    if (c.day > 28) {
      d = dayOfMonthIndex(index + months, c.day);
      continue;
    }
    i64 n = ceilDiv(todayIndex - index, months);
    if (index + n * months == todayIndex && c.day <= t.day) ++n;
    return dayOfMonthIndex(index + n * months, c.day);
  }
  return toDate(d);
}

// --- Weekdays -------------------------------------------------------------------

bool weekdayFits(i64 d, WeekdayMask weekdays) {
  return weekdays == 0 || ((weekdays >> weekdayOf(d)) & 1);
}

// The first day after today whose weekday is flagged; a later date stays.
std::int32_t stepDayOfWeek(i64 d, WeekdayMask weekdays, i64 today) {
  if (d > today) return toDate(d);
  d = today + 1;
  while (!weekdayFits(d, weekdays)) ++d;  // at most six times
  return toDate(d);
}

// The first day after the task's date and today with a flagged weekday in a
// flagged week.  Each weekday occurs in every week of every month, so a
// day is found within about two months; a day outside the calendar has no
// weeks and is taken on its weekday alone.
std::int32_t stepDayOfMonth(i64 d, WeekdayMask weekdays, OrdinalMask ordinals, i64 today) {
  d = std::max(d, today) + 1;
  for (;; ++d) {
    if (!weekdayFits(d, weekdays)) continue;
    if (ordinals == 0 || !inCalendar(d)) break;
    if (weeksOfMonth(static_cast<int>(d)) & ordinals) break;
  }
  return toDate(d);
}

std::int32_t stepDays(i64 d, i64 days, i64 today) {
  if (d > today) return toDate(d);
  return toDate(d + ((today - d) / days + 1) * days);
}

}  // namespace

ScheduleKind scheduleKindOf(std::string_view scheduleType) {
  const std::string_view t = trimRight(scheduleType);
  if (t == schedule_type::kOnce) return ScheduleKind::Once;
  if (t == schedule_type::kDayOfWeek) return ScheduleKind::DayOfWeek;
  if (t == schedule_type::kDayOfMonth) return ScheduleKind::DayOfMonth;
  if (t == schedule_type::kMonthly) return ScheduleKind::Monthly;
  if (t == schedule_type::kYearly) return ScheduleKind::Yearly;
  return ScheduleKind::Custom;
}

EveryUnit everyUnitOf(std::string_view everyType) {
  const std::string u = lang::lower(everyType.substr(0, 3));
  if (u == "min") return EveryUnit::Minutes;
  if (u == "hou") return EveryUnit::Hours;
  if (u == "day") return EveryUnit::Days;
  if (u == "wee") return EveryUnit::Weeks;
  if (u == "mon") return EveryUnit::Months;
  if (u == "yea") return EveryUnit::Years;
  return EveryUnit::Unknown;
}

Recurrence recurrenceOf(const ScheduleRecord& task) {
  Recurrence r;
  r.kind = scheduleKindOf(task.ScheduleType.raw());
  r.weekdays = weekdayFlags(task);
  r.ordinals = ordinalFlags(task);
  r.every = std::max<std::int32_t>(task.Every, 1);
  r.unit = everyUnitOf(task.EveryType.raw());
  return r;
}

NextResult nextOccurrence(const Recurrence& rule, Occurrence current, int today, int now) {
  NextResult result{current, RecurrenceOutcome::Moved};
  Occurrence& next = result.next;
  const i64 d = current.date, t = today;
  const i64 every = std::max<i64>(rule.every, 1);
  // Bits beyond the seven weekdays and five weeks name nothing; left in,
  // they would make a mask that no day can satisfy look non-empty.
  const WeekdayMask weekdays = rule.weekdays & kAllWeekdays;
  const OrdinalMask ordinals = rule.ordinals & kAllWeeks;
  switch (rule.kind) {
    case ScheduleKind::Once:
      result.outcome = RecurrenceOutcome::Completed;
      break;
    case ScheduleKind::Monthly:
      next.date = stepMonths(d, 1, t);
      break;
    case ScheduleKind::Yearly:
      next.date = stepMonths(d, 12, t);
      break;
    case ScheduleKind::DayOfWeek:
      next.date = stepDayOfWeek(d, weekdays, t);
      break;
    case ScheduleKind::DayOfMonth:
      next.date = stepDayOfMonth(d, weekdays, ordinals, t);
      break;
    case ScheduleKind::Custom:
      switch (rule.unit) {
        case EveryUnit::Minutes:
          next = stepClock(current, every, 1440, 6000, t, now);
          break;
        case EveryUnit::Hours:
          next = stepClock(current, every, 24, 360000, t, now);
          break;
        case EveryUnit::Days:
          next.date = stepDays(d, every, t);
          break;
        case EveryUnit::Weeks:
          next.date = stepDays(d, 7 * every, t);
          break;
        case EveryUnit::Months:
          next.date = stepMonths(d, every, t);
          break;
        case EveryUnit::Years:
          next.date = stepMonths(d, 12 * every, t);
          break;
        case EveryUnit::Unknown:
          result.outcome = RecurrenceOutcome::InvalidUnits;
          if (d <= t) next.date = toDate(t + 1);
          break;
      }
      break;
  }
  return result;
}

RecurrenceOutcome NextOccurrence(ScheduleRecord& task, int today, int now) {
  const Recurrence rule = recurrenceOf(task);
  if (rule.kind == ScheduleKind::Custom && task.Every < 1) task.Every = 1;
  const NextResult r = nextOccurrence(rule, {task.Date, task.Time}, today, now);
  task.Date = r.next.date;
  task.Time = r.next.time;
  if (r.outcome == RecurrenceOutcome::Completed) task.Completed = 1;
  return r.outcome;
}

}  // namespace dw::app
