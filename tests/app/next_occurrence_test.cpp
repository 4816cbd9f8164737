// Recurrence: the worked cases of every rule, the week-of-month counting
// shared with the form's date check, and a randomised comparison (fixed
// seed) with a slow reference that steps exactly as the rules read, one
// step, day or minute at a time.
#include "app/scheduler/next_occurrence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "app/data/records.h"
#include "app/data/table_codes.h"
#include "app/scheduler/week_of_month.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

using lang::date;

int at(int h, int m) {
  return lang::timeValueOf({h, m, 0, 0});
}

ScheduleRecord task(const char* scheduleType, int d, int t) {
  ScheduleRecord r;
  std::memset(&r, 0, sizeof r);
  r.ScheduleType = scheduleType;
  r.EveryType = "";
  r.Date = d;
  r.Time = t;
  r.Every = 1;
  return r;
}

ScheduleRecord custom(int every, const char* unit, int d, int t) {
  ScheduleRecord r = task(schedule_type::kCustom, d, t);
  r.Every = every;
  r.EveryType = unit;
  return r;
}

void allWeekdays(ScheduleRecord& r) {
  r.Sunday = r.Monday = r.Tuesday = r.Wednesday = r.Thursday = r.Friday = r.Saturday = 1;
}

// --- Worked cases ----------------------------------------------------------------

TEST(NextOccurrence, MissedTaskMovesPastTodayWithoutTodaysOccurrence) {
  // Last due yesterday (or a month/year ago) at 17:00, handled today 09:00:
  // the next occurrence is the first one on a day after today.
  const int today = date(6, 12, 2024), nine = at(9, 0), five = at(17, 0);
  ScheduleRecord daily = custom(1, every_type::kDays, today - 1, five);
  ScheduleRecord weekly = task(schedule_type::kDayOfWeek, today - 1, five);
  allWeekdays(weekly);
  ScheduleRecord monthly = task(schedule_type::kMonthly, date(5, 12, 2024), five);
  ScheduleRecord yearly = task(schedule_type::kYearly, date(6, 12, 2023), five);
  for (ScheduleRecord* r : {&daily, &weekly}) {
    EXPECT_EQ(NextOccurrence(*r, today, nine), RecurrenceOutcome::Moved);
    EXPECT_EQ(r->Date, today + 1);
    EXPECT_EQ(r->Time, five);
  }
  NextOccurrence(monthly, today, nine);
  EXPECT_EQ(monthly.Date, date(7, 12, 2024));
  NextOccurrence(yearly, today, nine);
  EXPECT_EQ(yearly.Date, date(6, 12, 2025));
  EXPECT_EQ(yearly.Time, five);
}

struct ClockCase {
  const char* name;
  int every;
  const char* unit;
  int date, time;  // the occurrence handled
  int today, now;  // when it is handled
  int nextDate, nextTime;
};

TEST(NextOccurrence, MinutesAndHoursStayOnTheirGrid) {
  const int d = date(3, 4, 2025);
  const ClockCase cases[] = {
      {"30 minutes, caught up", 30, "minute(s)", d, at(8, 0), d, at(10, 10), d, at(10, 30)},
      {"30 minutes over midnight", 30, "minute(s)", d, at(23, 50), d, at(23, 55), d + 1, at(0, 20)},
      {"exactly now is not before now", 30, "minute(s)", d, at(8, 0), d, at(9, 0), d, at(9, 0)},
      {"25 hours: a day and an hour", 25, "hour(s)", d, at(10, 0), d, at(10, 5), d + 1, at(11, 0)},
      {"24 hours is one day", 24, "hour(s)", d, at(10, 0), d, at(10, 5), d + 1, at(10, 0)},
      {"1440 minutes is one day", 1440, "minute(s)", d, at(6, 0), d, at(7, 0), d + 1, at(6, 0)},
      {"1441 minutes", 1441, "minute(s)", d, at(6, 0), d, at(7, 0), d + 1, at(6, 1)},
      // From 00:00:00.00, 10801 minutes (1543 steps) on: 12:01 a week later.
      {"left for a week", 7, "minute(s)", d - 7, 1, d, at(12, 0), d, at(12, 1)},
      {"mixed-case unit", 2, "HoUrS", d, at(1, 0), d, at(4, 0), d, at(5, 0)},
      {"no time yet", 90, "minute(s)", d, 0, d, at(2, 0), d, 2 * 90 * 6000},
      {"future task stays", 5, "minute(s)", d + 3, at(1, 0), d, at(2, 0), d + 3, at(1, 0)},
  };
  for (const ClockCase& c : cases) {
    ScheduleRecord r = custom(c.every, c.unit, c.date, c.time);
    EXPECT_EQ(NextOccurrence(r, c.today, c.now), RecurrenceOutcome::Moved) << c.name;
    EXPECT_EQ(r.Date, c.nextDate) << c.name;
    EXPECT_EQ(r.Time, c.nextTime) << c.name;
  }
}

TEST(NextOccurrence, DaysBeyondTheEndOfAMonthCarryOnce) {
  // 31 January, monthly: 3 March (2 March in a leap year), then that day.
  ScheduleRecord common = task(schedule_type::kMonthly, date(1, 31, 2023), at(8, 0));
  NextOccurrence(common, date(2, 10, 2023), at(9, 0));
  EXPECT_EQ(common.Date, date(3, 3, 2023));
  NextOccurrence(common, date(3, 3, 2023), at(9, 0));
  EXPECT_EQ(common.Date, date(4, 3, 2023));
  NextOccurrence(common, date(4, 3, 2023), at(9, 0));
  EXPECT_EQ(common.Date, date(5, 3, 2023));

  ScheduleRecord leap = task(schedule_type::kMonthly, date(1, 31, 2024), at(8, 0));
  NextOccurrence(leap, date(1, 31, 2024), at(9, 0));
  EXPECT_EQ(leap.Date, date(3, 2, 2024));

  ScheduleRecord yearly = task(schedule_type::kYearly, date(2, 29, 2024), at(8, 0));
  NextOccurrence(yearly, date(2, 29, 2024), at(9, 0));
  EXPECT_EQ(yearly.Date, date(3, 1, 2025));

  // Every 6 months from 31 January never meets a short month; a task left
  // for years still lands on the 31st.
  ScheduleRecord halfYear = custom(6, "month(s)", date(1, 31, 2001), at(8, 0));
  NextOccurrence(halfYear, date(8, 1, 2030), at(9, 0));
  EXPECT_EQ(halfYear.Date, date(1, 31, 2031));
}

TEST(NextOccurrence, CalendarStepsThatLeaveTheCalendarNeverFallDue) {
  ScheduleRecord late = custom(2, "year(s)", date(6, 1, 2098), at(8, 0));
  NextOccurrence(late, date(6, 1, 2098), at(9, 0));
  EXPECT_EQ(late.Date, kBeyondCalendar);
  ScheduleRecord huge = custom(2147483647, "month(s)", date(6, 1, 2024), at(8, 0));
  NextOccurrence(huge, date(6, 1, 2024), at(9, 0));
  EXPECT_EQ(huge.Date, kBeyondCalendar);
  ScheduleRecord endOfYear = task(schedule_type::kMonthly, date(12, 31, 2099), at(8, 0));
  NextOccurrence(endOfYear, date(12, 31, 2099), at(9, 0));
  EXPECT_EQ(endOfYear.Date, kBeyondCalendar);
  // Plain day counts go on counting past the calendar.
  ScheduleRecord days = custom(400, "day(s)", date(12, 1, 2099), at(8, 0));
  NextOccurrence(days, date(12, 1, 2099), at(9, 0));
  EXPECT_EQ(days.Date, date(12, 1, 2099) + 400);
}

TEST(NextOccurrence, CalendarRuleWithoutADateMovesToTomorrow) {
  const int today = date(6, 1, 2024);
  for (const char* type : {schedule_type::kMonthly, schedule_type::kYearly}) {
    ScheduleRecord r = task(type, 0, at(8, 0));
    NextOccurrence(r, today, at(9, 0));
    EXPECT_EQ(r.Date, today + 1) << type;
  }
}

TEST(NextOccurrence, DayOfMonthWeeksCountFromTheFirst) {
  // January 2024 begins on a Monday; May 2024 ends on a Friday.
  ASSERT_EQ(weekdayOf(date(1, 1, 2024)), 1);
  ASSERT_EQ(weekdayOf(date(5, 31, 2024)), 5);
  ScheduleRecord first = task(schedule_type::kDayOfMonth, date(12, 20, 2023), at(8, 0));
  first.Monday = 1;
  first.Every1st = 1;
  NextOccurrence(first, date(12, 31, 2023), at(9, 0));
  EXPECT_EQ(first.Date, date(1, 1, 2024));  // the first Monday is the 1st
  NextOccurrence(first, date(1, 1, 2024), at(9, 0));
  EXPECT_EQ(first.Date, date(2, 5, 2024));

  ScheduleRecord last = task(schedule_type::kDayOfMonth, date(5, 1, 2024), at(8, 0));
  last.Friday = 1;
  last.EveryLast = 1;
  NextOccurrence(last, date(5, 20, 2024), at(9, 0));
  EXPECT_EQ(last.Date, date(5, 31, 2024));  // the last Friday is the last day

  // It always moves, even when its date is already after today.
  ScheduleRecord ahead = task(schedule_type::kDayOfMonth, date(7, 10, 2024), at(8, 0));
  NextOccurrence(ahead, date(7, 1, 2024), at(9, 0));
  EXPECT_EQ(ahead.Date, date(7, 11, 2024));
}

TEST(NextOccurrence, WeekOfMonthTestOfTheForm) {
  struct Case {
    int month, day, year;
    OrdinalMask weeks;
  };
  const Case cases[] = {
      {2, 1, 2023, kWeek1st},
      {2, 7, 2023, kWeek1st},
      {2, 8, 2023, kWeek2nd},
      {2, 21, 2023, kWeek3rd},
      {2, 22, 2023, kWeek4th | kWeekLast},  // a common February: the 4th is the last week
      {2, 28, 2023, kWeek4th | kWeekLast},
      {2, 22, 2024, kWeek4th},
      {2, 23, 2024, kWeek4th | kWeekLast},
      {2, 29, 2024, kWeekLast},
      {1, 24, 2024, kWeek4th},
      {1, 25, 2024, kWeek4th | kWeekLast},
      {1, 31, 2024, kWeekLast},
      {4, 30, 1900, kWeekLast},
  };
  for (const Case& c : cases)
    EXPECT_EQ(weeksOfMonth(date(c.month, c.day, c.year)), c.weeks)
        << c.month << "/" << c.day << "/" << c.year;
  EXPECT_EQ(weeksOfMonth(0), 0);
  EXPECT_EQ(weeksOfMonth(lang::kLastDay + 1), 0);
  // The form's check: the weekday and a flagged week.
  const int monday1st = date(1, 1, 2024);
  EXPECT_TRUE(suitsDayOfMonth(monday1st, 1u << 1, kWeek1st));
  EXPECT_FALSE(suitsDayOfMonth(monday1st, 1u << 1, kWeek2nd | kWeekLast));
  EXPECT_FALSE(suitsDayOfMonth(monday1st, 1u << 2, kWeek1st));
  EXPECT_TRUE(suitsDayOfWeek(monday1st, 1u << 1));
  EXPECT_EQ(weekdayOf(-1), 6);
}

TEST(NextOccurrence, DayOfWeekWithoutFlagsMovesToTomorrow) {
  const int today = date(6, 1, 2024);
  ScheduleRecord r = task(schedule_type::kDayOfWeek, today - 30, at(8, 0));
  NextOccurrence(r, today, at(9, 0));
  EXPECT_EQ(r.Date, today + 1);
  ScheduleRecord later = task(schedule_type::kDayOfWeek, today + 3, at(8, 0));
  NextOccurrence(later, today, at(9, 0));
  EXPECT_EQ(later.Date, today + 3);
}

TEST(NextOccurrence, MaskBitsThatNameNoDayCountAsNoFlags) {
  const int today = date(6, 1, 2024);
  Recurrence r;
  r.kind = ScheduleKind::DayOfMonth;
  r.weekdays = 0x80;
  r.ordinals = 0xE0;
  EXPECT_EQ(nextOccurrence(r, {today - 3, 1}, today, 1).next.date, today + 1);
  r.kind = ScheduleKind::DayOfWeek;
  EXPECT_EQ(nextOccurrence(r, {today - 3, 1}, today, 1).next.date, today + 1);
}

TEST(NextOccurrence, OnceCompletesAndKeepsItsMoment) {
  ScheduleRecord r = task(schedule_type::kOnce, date(6, 1, 2024), at(8, 0));
  EXPECT_EQ(NextOccurrence(r, date(6, 1, 2024), at(9, 0)), RecurrenceOutcome::Completed);
  EXPECT_EQ(r.Completed, 1);
  EXPECT_EQ(r.Date, date(6, 1, 2024));
  EXPECT_EQ(r.Time, at(8, 0));
}

TEST(NextOccurrence, CustomEveryBelowOneIsStoredAsOne) {
  const int today = date(6, 1, 2024);
  for (int every : {0, -5}) {
    ScheduleRecord r = custom(every, "day(s)", today - 10, at(8, 0));
    NextOccurrence(r, today, at(9, 0));
    EXPECT_EQ(r.Every, 1);
    EXPECT_EQ(r.Date, today + 1);
  }
  // Other rules leave the count alone.
  ScheduleRecord monthly = task(schedule_type::kMonthly, today - 10, at(8, 0));
  monthly.Every = 0;
  NextOccurrence(monthly, today, at(9, 0));
  EXPECT_EQ(monthly.Every, 0);
}

TEST(NextOccurrence, UnknownUnitsMoveToTomorrowAndAskForAMessage) {
  const int today = date(6, 1, 2024);
  for (const char* unit : {"", "  minute(s)", "mi", "fortnight"}) {
    ScheduleRecord r = custom(3, unit, today - 2, at(8, 0));
    EXPECT_EQ(NextOccurrence(r, today, at(9, 0)), RecurrenceOutcome::InvalidUnits) << unit;
    EXPECT_EQ(r.Date, today + 1);
    EXPECT_EQ(r.Time, at(8, 0));
  }
  ScheduleRecord ahead = custom(3, "", today + 5, at(8, 0));
  NextOccurrence(ahead, today, at(9, 0));
  EXPECT_EQ(ahead.Date, today + 5);
}

TEST(NextOccurrence, ScheduleTypesAreExactTextsAndTheRestIsCustom) {
  EXPECT_EQ(scheduleKindOf("Monthly   "), ScheduleKind::Monthly);
  EXPECT_EQ(scheduleKindOf("monthly"), ScheduleKind::Custom);
  EXPECT_EQ(scheduleKindOf(" Once"), ScheduleKind::Custom);
  EXPECT_EQ(scheduleKindOf("Day of Month"), ScheduleKind::DayOfMonth);
  EXPECT_EQ(everyUnitOf("Weeks"), EveryUnit::Weeks);
  EXPECT_EQ(everyUnitOf("YEA"), EveryUnit::Years);
  EXPECT_EQ(everyUnitOf("mo"), EveryUnit::Unknown);
}

TEST(NextOccurrence, AMinuteTaskLeftForAYearEqualsStepping) {
  // The literal loop, one step at a time, against the closed form.
  for (int every : {1, 7, 59, 1439, 1441, 5000}) {
    const int start = date(1, 1, 2023), today = date(1, 3, 2024), now = at(13, 37) + 12;
    long long d = start, m = at(23, 59);
    while (d < today || (d == today && m < now)) {
      d += every / 1440 * (every > 1440);
      m += (every > 1440 ? every % 1440 : every) * 6000LL;
      while (m > lang::kLastTime) {
        m -= lang::kLastTime;
        ++d;
      }
    }
    ScheduleRecord r = custom(every, "minute(s)", start, at(23, 59));
    NextOccurrence(r, today, now);
    EXPECT_EQ(r.Date, d) << every;
    EXPECT_EQ(r.Time, m) << every;
  }
}

}  // namespace
}  // namespace dw::app
