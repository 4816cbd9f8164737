// How dornctl shows a task: as text for people (dates and times in the
// locale's short pictures, the program's own) and as JSON for scripts
// (ISO dates "YYYY-MM-DD", times "HH:MM:SS", null for none).
//
// Thread-safety: single-threaded tool.
#pragma once

#include <string>
#include <string_view>

#include "app/exchange/task_options.h"

namespace dornctl {

// A date in the locale's short date (@d17), a time in its short time
// (@t7); "" for 0.
std::string dateText(int date);
std::string timeText(int time);

// A JSON string literal; text that is not UTF-8 is read as Latin-1.
std::string jsonString(std::string_view text);

// The task as one JSON object, every field and the message; `extra` (a
// member list such as "\"runByHand\":true,") goes first.
std::string taskJson(const dw::app::TaskDraft& task, std::string_view extra = {});

// The task as "Caption: value" lines, the message last, indented.
std::string taskText(const dw::app::TaskDraft& task);

// The weekday flags as "mon,tue" and the week flags as "1st,last".
std::string dayList(const dw::app::ScheduleRecord& task);
std::string weekList(const dw::app::ScheduleRecord& task);

}  // namespace dornctl
