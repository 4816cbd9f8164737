// Tasks as iCalendar (RFC 5545) events and back, through libical.
//
// Export: one VEVENT per task.  DTSTART is the task's date and time as a
// floating local time; the rule becomes an RRULE where one describes
// exactly the same occurrences as the timer produces (minute, hour, day,
// week steps; months and years on a day every month or year has; weekdays;
// weekdays in weeks of the month as BYDAY positions), bounded by the end of
// the calendar; otherwise the occurrences of the year after DTSTART are
// listed as RDATEs.  An advance warning is a VALARM triggered that long
// before the start.  SUMMARY is the description, DESCRIPTION the message,
// CATEGORIES the category; the command and every other field are X-
// properties (X-DORNWATCH-*), which also keep the rule itself so that an
// exported file imports back to the same task.
//
// Import: each VEVENT becomes the task options (task_options.h) that
// describe it, checked by the same rules as a task typed in; whatever has
// no equivalent is reported with the line it stands on, and an event that
// cannot become a task at all is left out with its reason.  Text that is
// not a whole calendar (not UTF-8, NUL bytes, lines over kMaxIcalLine,
// missing or unbalanced BEGIN/END, truncated) is refused as a whole.
//
// Thread-safety: libical keeps a process-wide error state; call these from
// one thread at a time.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/exchange/task_options.h"

namespace dw::app {

inline constexpr std::size_t kMaxIcalLine = 8192;
inline constexpr std::size_t kMaxIcalSize = 16u << 20;

// Whether a task can be an event: its date lies in the calendar (a task
// that a step moved beyond 2099 has none to give DTSTART).
bool exportable(const ScheduleRecord& task);

// A calendar of the exportable tasks (others are left out); `stamp` is the
// DTSTAMP of every event.
std::string exportCalendar(const std::vector<TaskDraft>& tasks, std::time_t stamp);

// The options that give a task's rule (--schedule, --days, --weeks,
// --every, --unit).
TaskOptionList ruleOptions(const ScheduleRecord& task);

// The RRULE text that describes the task's occurrences exactly, or "" when
// none does.
std::string exactRecurrenceRule(const ScheduleRecord& task);

struct ImportedTask {
  int line = 0;  // of BEGIN:VEVENT
  TaskOptionList options;
  TaskDraft draft;
};

struct IcalImport {
  std::optional<std::string> error;  // the file as a whole was refused
  std::vector<ImportedTask> tasks;
  std::vector<std::string> notes;  // "line N: what could not be mapped"
};

// The tasks of a calendar; `today` dates tasks as a new task is dated.
IcalImport importCalendar(std::string_view text, int today);

}  // namespace dw::app
