// A task described by command-line options, as dornctl's add, set and
// next commands take it, turned into a Schedule record by the rules the
// update form applies (task_validation.h).
//
// Options and the record fields they set:
//   --description TEXT   Description (at most 40 characters)
//   --type program|message|both|none            TaskType
//   --category NAME      Category (at most 20 characters)
//   --schedule once|yearly|monthly|weekdays|month-weeks|custom  ScheduleType
//   --days mon,tue,...   weekday flags (weekdays, month-weeks)
//   --weeks 1st,2nd,3rd,4th,last   week-of-month flags (month-weeks)
//   --every N --unit minutes|hours|days|weeks|months|years  (custom)
//   --date DATE          Date: YYYY-MM-DD, or the user's date picture (the
//                        locale's short date, @d17, or the form's @d3)
//   --time HH:MM[:SS]    Time
//   --command TEXT, --path DIR          Command, Path (80 characters each)
//   --message TEXT       the message memo (1000 characters)
//   --alarm FILE         Alarm = 1 and AlarmFile (80 characters)
//   --warn, --ask, --disabled           Warn, UserSkip, Disabled
//   --advance DAYS[:HH:MM]  AdvanceWarnDate / AdvanceWarnTime: that long
//                        before the task's date and time
//
// A new task starts from the form's defaults (primeNewTask), except that
// Warn is off unless --warn is given, the task type follows --command and
// --message when --type is not given, and without --date the task falls on
// the first day from today on that suits its rule.  When a stored task's
// date or time changes without --advance, its advance warning moves with
// it (the same lead), as the timer moves it.  Every fault is reported
// with the option it concerns; nothing is cut to fit.
//
// Thread-safety: pure functions of their arguments, except that dates in
// the user's picture read the locale tables (runtime/lang/intl.h), which
// are set up at start-up.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/data/records.h"

namespace dw::app {

// A refused option: the option's name ("--date") and what is wrong.
struct OptionError {
  std::string option;
  std::string text;
  bool operator==(const OptionError&) const = default;
};

// Options in the order given: name with its dashes, and its value ("" for
// the flags --warn, --ask and --disabled).
using TaskOptionList = std::vector<std::pair<std::string, std::string>>;

// Whether `name` is a task option, and whether it takes a value.
bool isTaskOption(std::string_view name);
bool isTaskFlag(std::string_view name);

// Text forms.  Dates: a calendar day number (runtime/lang/dates.h), or
// nullopt for text that names no day of the calendar.
std::optional<int> parseDateText(std::string_view text);
// HH:MM[:SS] -> a time value (hundredths + 1).
std::optional<int> parseClockText(std::string_view text);
// DAYS[:HH:MM] -> hundredths of a second.
std::optional<long long> parseAdvanceText(std::string_view text);
// YYYY-MM-DD and HH:MM:SS (a time of 0 is 00:00:00; hundredths dropped).
std::string isoDateText(int dayNumber);
std::string clockText(int timeValue);

// The form's insert defaults: date today, time now, "Day of Week" on every
// weekday, week "Last", every 1 hour(s), task type "Both".  Warn stays off.
void primeNewTask(ScheduleRecord& task, int today, int now);

// A task with its message memo.
struct TaskDraft {
  ScheduleRecord record{};
  std::string message;
};

// Applies the options to `draft` (a primed new task when `isNew`, else the
// stored task) and checks the result; on error `draft` may be partly
// changed and must be thrown away.
std::optional<OptionError> applyTaskOptions(const TaskOptionList& options, bool isNew, int today,
                                            TaskDraft& draft);

}  // namespace dw::app
