// The preview of a task's next occurrences on the task form and the
// wizards: a list of the next five times the task will fall due, worked
// out from the task as it stands in the form by the same code that moves
// it when the timer performs it (app/scheduler/upcoming.h), so what the user
// sees is what the scheduler will do.  The form refreshes it whenever a
// field that bears on it changes.
//
// Rows read "Mon  DEC  7, 2026   2:30PM": the weekday, the date ("@d3")
// and the time ("@t3", left out for a task without a time).  When the task
// is to skip its next time, the first row says so.  A task that
// will not fall due again (a "Once" task in the past, a disabled task,
// one without a date) shows one row saying why.
//
// Thread-safety: nextOccurrenceRows is a pure function; showNextOccurrences
// works on the calling thread's current window, under the Runtime lock.
#pragma once

#include <string>
#include <vector>

#include "app/scheduler/next_occurrence.h"

namespace dw::app {

struct ScheduleRecord;

inline constexpr int kPreviewCount = 5;
inline constexpr const char* kPreviewDisabled = "(disabled: not performed)";
inline constexpr const char* kPreviewNone = "(no further occurrences)";
inline constexpr const char* kPreviewSkipped = "  (skipped)";

// The rows for `task` seen at moment `now`.
std::vector<std::string> nextOccurrenceRows(const ScheduleRecord& task, Occurrence now,
                                            int count = kPreviewCount);

// Gives list control `field` of the current window the rows for `task`
// at the platform's current date and time.
void showNextOccurrences(int field, const ScheduleRecord& task);

}  // namespace dw::app
