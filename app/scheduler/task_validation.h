// The rules a task's fields must keep before it is stored: the ones the
// update form and the wizards apply when the user accepts a field, shared
// with dornctl so that a task added from a script passes the same tests and
// is refused with the same wording.
//
//  - The date against the schedule type: "Once", "Monthly", "Yearly" and
//    custom rules take any date; "Day of Week" a date whose weekday is
//    flagged; "Day of Month" a date whose weekday is flagged and that lies
//    in a flagged week of its month (week_of_month.h, the same test the
//    recurrence uses, so every date it produces passes here).  A task with
//    no weekday (or no week) flagged takes any weekday (week), as the
//    recurrence moves it.  A date of 0 ("no date") is not tested.
//  - The advance warning may not come after the task itself.
//
// Thread-safety: pure functions; any thread.
#pragma once

namespace dw::app {

struct ScheduleRecord;

inline constexpr const char* kDateMismatchText = "Date given does not match schedule type.";
inline constexpr const char* kDateMismatchCaption = "Warning";
inline constexpr const char* kWarningAfterTaskText =
    "Advanced Warning cannot be after scheduled task.";

// Whether the task's date suits its schedule type (true for a date of 0).
bool dateSuitsSchedule(const ScheduleRecord& task);

// Whether the task's advance warning lies after the task: a later warning
// date, or the same date with a later warning time.  A task without a
// warning (AdvanceWarnDate = 0) has none after it.
bool warningAfterTask(const ScheduleRecord& task);

}  // namespace dw::app
