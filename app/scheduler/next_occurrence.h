// Recurrence: moving a task to its next occurrence.
//
// After the timer work has handled (or skipped) a due occurrence it calls
// NextOccurrence with today's date and the current time; the task's date
// and time then name its next occurrence, a "Once" task is marked
// Completed (the caller deletes it), and the caller writes the record back.
// The rule comes from SCH:ScheduleType (texts of table_codes.h, compared
// with trailing blanks ignored; any unknown text is a custom rule):
//
//  - Once: Completed = 1, date and time unchanged.
//  - Monthly / Yearly: while the date is not after today, one month / one
//    year on, keeping the day of the month; a day that the month lacks
//    carries into the next month (31 January -> 3 March, 2 March in a leap
//    year), and the task stays on the new day afterwards.
//  - Day of Week: the first day after today whose weekday is flagged (the
//    day after today when none is); a date already after today stays.
//  - Day of Month: the first day after both the task's date and today whose
//    weekday is flagged (any, when none is) and that lies in a flagged week
//    of its month (week_of_month.h; any, when none is).  Always moves.
//  - Custom, every E (SCH:Every, raised to 1 when below) units of
//    SCH:EveryType (first three letters, lower-cased):
//      minutes / hours: steps of E units on the task's own grid until the
//      occurrence is at or after now (date and time compared);
//      days / weeks / months / years: steps until the date is after today;
//      any other unit: the task moves to the day after today (when not
//      already later) and the caller shows kInvalidUnitsText.
//
// Every step size is exact and costs O(1) (months at most a few steps while
// a day beyond the 28th may still carry): the result equals stepping one
// step at a time, without doing so.  Calendar steps (months, years) that
// would leave the calendar (after 31 December 2099) give kBeyondCalendar,
// a date that never falls due; a task without a calendar date (0, or a
// number outside the calendar) under a calendar rule moves to the day after
// today, as no day of the month can be kept.  Times move only under minutes
// and hours: a time past midnight carries into the date.
//
// Thread-safety: pure functions; NextOccurrence changes only the record it
// is given (the timer work's buffer, under the Runtime lock).
#pragma once

#include <cstdint>
#include <string_view>

#include "app/scheduler/week_of_month.h"
#include "runtime/lang/dates.h"

namespace dw::app {

struct ScheduleRecord;

enum class ScheduleKind { Once, DayOfWeek, DayOfMonth, Monthly, Yearly, Custom };
enum class EveryUnit { Minutes, Hours, Days, Weeks, Months, Years, Unknown };

ScheduleKind scheduleKindOf(std::string_view scheduleType);
EveryUnit everyUnitOf(std::string_view everyType);

// A date after the calendar's last day: where a calendar step that leaves
// the calendar puts a task, so that it never falls due.
inline constexpr std::int32_t kBeyondCalendar = lang::kLastDay + 1;

inline constexpr const char* kInvalidUnitsText =
    "Custom repetition is not set up properly.  Select units.";
inline constexpr const char* kInvalidUnitsCaption = "Invalid Units";

// The rule of a task, read from its record.
struct Recurrence {
  ScheduleKind kind = ScheduleKind::Once;
  WeekdayMask weekdays = 0;
  OrdinalMask ordinals = 0;
  std::int32_t every = 1;  // custom rules: at least 1
  EveryUnit unit = EveryUnit::Unknown;
};

struct Occurrence {
  std::int32_t date = 0;
  std::int32_t time = 0;
  bool operator==(const Occurrence&) const = default;
};

enum class RecurrenceOutcome {
  Moved,         // date and time name the next occurrence
  Completed,     // a "Once" task: it is done
  InvalidUnits,  // a custom rule without a known unit: moved to tomorrow
};

struct NextResult {
  Occurrence next;
  RecurrenceOutcome outcome = RecurrenceOutcome::Moved;
};

// The rule of a record, with SCH:Every below 1 read as 1.
Recurrence recurrenceOf(const ScheduleRecord& task);

// The occurrence that follows `current` under `rule`, given today's date
// and the current time.
NextResult nextOccurrence(const Recurrence& rule, Occurrence current, int today, int now);

// Moves the task in place: sets Date and Time, sets Completed for a "Once"
// task, and stores Every = 1 when a custom rule had less.  The caller shows
// kInvalidUnitsText (caption kInvalidUnitsCaption, button OK) when the
// outcome is InvalidUnits, and writes the record.
RecurrenceOutcome NextOccurrence(ScheduleRecord& task, int today, int now);

}  // namespace dw::app
