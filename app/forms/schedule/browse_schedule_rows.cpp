// Icons, colours and rows of the schedule lists (see browse_schedule_rows.h).
#include "app/forms/schedule/browse_schedule_rows.h"

#include <algorithm>
#include <cstring>

namespace dw::app {

namespace {

void addColours(ui::ListRow& row, const EntryColours& c) {
  for (std::int32_t v : {c.text, c.background, c.selectedText, c.selectedBackground})
    row.push_back(std::to_string(v));
}

}  // namespace

int entryIcon(const ScheduleRecord& task) {
  if (task.Completed == 1) return schedule_icon::kDone;
  if (task.SkipNextTime == 1) return schedule_icon::kSkip;
  if (task.Disabled != 0) return schedule_icon::kDisabled;
  return schedule_icon::kNotDone;
}

EntryColours dateColours(const ScheduleRecord& task) {
  EntryColours c;
  if (task.Disabled == 1) {
    c.text = c.selectedText = kGreyText;
  } else if (task.SkipNextTime == 1) {
    c.text = c.selectedText = kBlueText;
  }
  return c;
}

ui::ListRow scheduleRow(const ScheduleRecord& task) {
  ui::ListRow row;
  row.reserve(19);
  row.push_back(std::to_string(entryIcon(task)));
  addColours(row, {});
  row.push_back(std::to_string(task.Date.get()));
  addColours(row, dateColours(task));
  row.push_back(std::to_string(task.Time.get()));
  addColours(row, {});
  row.push_back(task.Category.str());
  row.push_back(task.Description.str());
  row.push_back(task.TaskType.str());
  row.push_back(task.ScheduleType.str());
  return row;
}

ui::ListRow categoryScheduleRow(const ScheduleRecord& task) {
  return {task.Description.str(), std::to_string(task.Date.get()), std::to_string(task.Time.get()),
          task.TaskType.str(), task.ScheduleType.str()};
}

ScheduleRecord scheduleRecordOf(const std::string& image) {
  ScheduleRecord r;
  std::memset(&r, 0, sizeof r);
  std::memcpy(&r, image.data(), std::min(image.size(), sizeof r));
  return r;
}

}  // namespace dw::app
