// The times a task will fall due, worked out as the timer moves it: the
// task's own date and time first, then, each time the timer handles an
// occurrence (at the first moment after it falls due), the occurrence that
// NextOccurrence gives for that moment.  dornctl's next command prints
// these; the iCalendar export lists them for rules that have no RRULE.
//
// An occurrence already due at the starting moment is handled at that
// moment, as the first timer tick would.  The list ends early for a "Once"
// task, at the end of the calendar and for a custom rule without a unit.
//
// Thread-safety: pure function; any thread.
#pragma once

#include <vector>

#include "app/scheduler/next_occurrence.h"

namespace dw::app {

struct ScheduleRecord;

// The moment just after an occurrence: one hundredth later, carried into
// the next day after 23:59:59.99.  A task without a time (0) is due from
// the day's first moment (00:00:00.00).
Occurrence momentAfter(Occurrence at);

// Up to `count` occurrences of the task strictly after `from`.
std::vector<Occurrence> upcomingOccurrences(const ScheduleRecord& task, Occurrence from, int count);

}  // namespace dw::app
