// Field rules of a task (see task_validation.h).
#include "app/scheduler/task_validation.h"

#include "app/scheduler/next_occurrence.h"
#include "app/data/records.h"
#include "app/scheduler/week_of_month.h"

namespace dw::app {

bool dateSuitsSchedule(const ScheduleRecord& task) {
  const int date = task.Date;
  if (date == 0) return true;
  // No flag at all means any, as the recurrence reads it.
  WeekdayMask weekdays = weekdayFlags(task);
  if (weekdays == 0) weekdays = kAllWeekdays;
  OrdinalMask ordinals = ordinalFlags(task);
  if (ordinals == 0) ordinals = kAllWeeks;
  switch (scheduleKindOf(task.ScheduleType.trimmed())) {
    case ScheduleKind::DayOfWeek:
      return suitsDayOfWeek(date, weekdays);
    case ScheduleKind::DayOfMonth:
      return suitsDayOfMonth(date, weekdays, ordinals);
    default:
      return true;
  }
}

bool warningAfterTask(const ScheduleRecord& task) {
  const int warnDate = task.AdvanceWarnDate;
  if (warnDate == 0) return false;
  const int date = task.Date;
  return warnDate > date || (warnDate == date && task.AdvanceWarnTime > task.Time);
}

}  // namespace dw::app
