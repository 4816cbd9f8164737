// The next-occurrences preview (see next_occurrences_preview.h).
#include "app/forms/schedule/next_occurrences_preview.h"

#include "app/data/records.h"
#include "app/scheduler/upcoming.h"
#include "app/scheduler/week_of_month.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/picture.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

std::string rowOf(Occurrence at) {
  std::string row = kWeekdays[weekdayOf(at.date)];
  row += "  ";
  row += lang::format(static_cast<double>(at.date), "@d3");
  if (at.time > 0) {
    row += "  ";
    row += lang::format(static_cast<double>(at.time), "@t3");
  }
  return row;
}

}  // namespace

std::vector<std::string> nextOccurrenceRows(const ScheduleRecord& task, Occurrence now, int count) {
  if (task.Disabled != 0) return {kPreviewDisabled};
  std::vector<std::string> rows;
  for (const Occurrence& at : upcomingOccurrences(task, now, count)) rows.push_back(rowOf(at));
  // The timer passes over the first of them without performing it.
  if (task.SkipNextTime != 0 && !rows.empty()) rows.front() += kPreviewSkipped;
  if (rows.empty()) rows.push_back(kPreviewNone);
  return rows;
}

void showNextOccurrences(int field, const ScheduleRecord& task) {
  if (field == 0) return;
  const Occurrence now{lang::today(), lang::clockTime()};
  ui::runtime().setRows(field, nextOccurrenceRows(task, now));
}

}  // namespace dw::app
