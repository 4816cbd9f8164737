// Copying between the record images of records.h.
#include "app/data/records.h"

#include <cstring>

namespace dw::app {

void copyTaskToHistory(const ScheduleRecord& task, HistoryRecord& history) {
  // Up to the advance-warned flag the two layouts are the same.
  static_assert(offsetof(ScheduleRecord, AdvanceWarned) == offsetof(HistoryRecord, Warn));
  std::memcpy(&history, &task, offsetof(ScheduleRecord, AdvanceWarned));
  history.Warn = task.Warn;
  history.UserSkip = task.UserSkip;
  history.Disabled = task.Disabled;
  history.Completed = task.Completed;
}

}  // namespace dw::app
