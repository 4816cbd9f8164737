// Weekdays and weeks of the month (see week_of_month.h).
#include "app/scheduler/week_of_month.h"

#include "app/data/records.h"
#include "runtime/lang/dates.h"

namespace dw::app {

int weekdayOf(long long dayNumber) {
  const long long r = dayNumber % 7;
  return static_cast<int>(r < 0 ? r + 7 : r);
}

OrdinalMask weeksOfMonth(int dayNumber) {
  const lang::DateRecord c = lang::calendarOf(dayNumber);
  if (c.month == 0) return 0;
  OrdinalMask weeks = 0;
  if (c.day <= 28) weeks |= static_cast<OrdinalMask>(kWeek1st << ((c.day - 1) / 7));
  if (lang::daysInMonth(c.month, c.year) - c.day < 7) weeks |= kWeekLast;
  return weeks;
}

WeekdayMask weekdayFlags(const ScheduleRecord& task) {
  const Byte flags[7] = {task.Sunday,   task.Monday, task.Tuesday, task.Wednesday,
                         task.Thursday, task.Friday, task.Saturday};
  WeekdayMask mask = 0;
  for (int d = 0; d < 7; ++d)
    if (flags[d]) mask |= static_cast<WeekdayMask>(1u << d);
  return mask;
}

OrdinalMask ordinalFlags(const ScheduleRecord& task) {
  OrdinalMask mask = 0;
  if (task.Every1st) mask |= kWeek1st;
  if (task.Every2nd) mask |= kWeek2nd;
  if (task.Every3rd) mask |= kWeek3rd;
  if (task.Every4th) mask |= kWeek4th;
  if (task.EveryLast) mask |= kWeekLast;
  return mask;
}

bool suitsDayOfWeek(int dayNumber, WeekdayMask weekdays) {
  return weekdays & (1u << weekdayOf(dayNumber));
}

bool suitsDayOfMonth(int dayNumber, WeekdayMask weekdays, OrdinalMask ordinals) {
  return suitsDayOfWeek(dayNumber, weekdays) && (weeksOfMonth(dayNumber) & ordinals);
}

}  // namespace dw::app
