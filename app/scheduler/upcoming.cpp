// Upcoming occurrences of a task (see upcoming.h).
#include "app/scheduler/upcoming.h"

#include "app/data/records.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

bool later(Occurrence a, Occurrence b) {
  return a.date != b.date ? a.date > b.date : a.time > b.time;
}

}  // namespace

Occurrence momentAfter(Occurrence at) {
  if (at.time < 1) return {at.date, 1};  // no time: due from midnight on
  if (at.time >= lang::kLastTime) return {at.date + 1, 1};
  return {at.date, at.time + 1};
}

std::vector<Occurrence> upcomingOccurrences(const ScheduleRecord& task, Occurrence from,
                                            int count) {
  std::vector<Occurrence> out;
  const Recurrence rule = recurrenceOf(task);
  Occurrence current{task.Date, task.Time};
  while (static_cast<int>(out.size()) < count && current.date <= lang::kLastDay) {
    if (later(current, from)) out.push_back(current);
    if (static_cast<int>(out.size()) >= count) break;
    // The timer handles this occurrence at the first moment after it falls
    // due, or at `from` when it is already due then.
    const Occurrence after = momentAfter(current);
    const Occurrence handled = later(after, from) ? after : from;
    const NextResult r = nextOccurrence(rule, current, handled.date, handled.time);
    if (r.outcome != RecurrenceOutcome::Moved || !later(r.next, current)) break;
    current = r.next;
  }
  return out;
}

}  // namespace dw::app
