// What a task looks like in the schedule lists: the icon and the colours
// of an entry of the schedule window, and the fields of a row of each list
// (the order their format strings take them in).
//
// Icon (in this order of tests): a completed record shows "done", else a
// task marked to skip its next occurrence "skip", else a disabled task
// "disabled", else "not done".  Date colours: a disabled task has grey
// text (also when selected) on the default background; else a task marked
// to skip has blue text; else every colour is the default.  The icon and
// time columns always keep the default colours.
//
// Thread-safety: pure functions of the record; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/data/records.h"
#include "runtime/ui/list_source.h"

namespace dw::app {

// The list's icon table (icon numbers from 1) and the icons' numbers.
inline const std::vector<std::string> kScheduleIcons = {"disabled.ico", "done.ico", "notdone.ico",
                                                        "skip.ico"};
namespace schedule_icon {
inline constexpr int kDisabled = 1;
inline constexpr int kDone = 2;
inline constexpr int kNotDone = 3;
inline constexpr int kSkip = 4;
}  // namespace schedule_icon

// Colour values 0x00BBGGRR; -1 the default.
inline constexpr std::int32_t kDefaultColour = -1;
inline constexpr std::int32_t kGreyText = 0x808080;
inline constexpr std::int32_t kBlueText = 0xFF0000;

struct EntryColours {
  std::int32_t text = kDefaultColour;
  std::int32_t background = kDefaultColour;
  std::int32_t selectedText = kDefaultColour;
  std::int32_t selectedBackground = kDefaultColour;
  bool operator==(const EntryColours&) const = default;
};

int entryIcon(const ScheduleRecord& task);
EntryColours dateColours(const ScheduleRecord& task);

// The schedule window's row: icon and its four colours, date and its four,
// time and its four, category, description, task type, schedule type.
ui::ListRow scheduleRow(const ScheduleRecord& task);
// The category list's row: description, date, time, task type, schedule
// type.
ui::ListRow categoryScheduleRow(const ScheduleRecord& task);

// The record image of a view's row as a Schedule record.
ScheduleRecord scheduleRecordOf(const std::string& image);

}  // namespace dw::app
