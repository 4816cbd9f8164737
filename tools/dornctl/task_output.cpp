// Tasks as text and as JSON (task_output.h).
#include "tools/dornctl/task_output.h"

#include <cstdio>
#include <vector>

#include "app/exchange/ical_mapping.h"
#include "app/scheduler/next_occurrence.h"
#include "runtime/lang/picture.h"

namespace dornctl {
namespace {

using dw::app::ScheduleRecord;

constexpr const char* kDayNames[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr const char* kWeekNames[5] = {"1st", "2nd", "3rd", "4th", "last"};

std::string trimmedRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

bool isUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i++]);
    const int more = c < 0x80             ? 0
                     : (c & 0xE0) == 0xC0 ? 1
                     : (c & 0xF0) == 0xE0 ? 2
                     : (c & 0xF8) == 0xF0 ? 3
                                          : -1;
    if (more < 0 || s.size() - i < static_cast<std::size_t>(more)) return false;
    for (int k = 0; k < more; ++k)
      if ((static_cast<unsigned char>(s[i++]) & 0xC0) != 0x80) return false;
  }
  return true;
}

std::string flag(bool on) {
  return on ? "true" : "false";
}

std::string jsonDate(int date) {
  return date ? "\"" + dw::app::isoDateText(date) + "\"" : "null";
}

std::string jsonTime(int time) {
  return time ? "\"" + dw::app::clockText(time) + "\"" : "null";
}

const char* unitOption(const ScheduleRecord& t) {
  static const char* const units[] = {"minutes", "hours", "days", "weeks", "months", "years"};
  const dw::app::EveryUnit u = dw::app::everyUnitOf(t.EveryType.trimmed());
  return u == dw::app::EveryUnit::Unknown ? nullptr : units[static_cast<int>(u)];
}

std::string scheduleOption(const ScheduleRecord& t) {
  for (const auto& [name, value] : dw::app::ruleOptions(t))
    if (name == "--schedule") return value;
  return "custom";
}

std::string yesNo(bool on) {
  return on ? "yes" : "no";
}

}  // namespace

std::string dateText(int date) {
  return date ? trimmedRight(dw::lang::format(date, "@d17")) : "";
}

std::string timeText(int time) {
  return time ? trimmedRight(dw::lang::format(time, "@t7")) : "";
}

std::string jsonString(std::string_view text) {
  std::string utf8;
  if (isUtf8(text)) {
    utf8 = text;
  } else {
    for (unsigned char c : text) {
      if (c < 0x80) {
        utf8 += static_cast<char>(c);
      } else {
        utf8 += static_cast<char>(0xC0 | (c >> 6));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
  }
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string dayList(const ScheduleRecord& t) {
  const dw::app::Byte* flags[7] = {&t.Sunday,   &t.Monday, &t.Tuesday, &t.Wednesday,
                                   &t.Thursday, &t.Friday, &t.Saturday};
  std::string out;
  for (int d = 0; d < 7; ++d)
    if (*flags[d]) out += (out.empty() ? "" : ",") + std::string(kDayNames[d]);
  return out;
}

std::string weekList(const ScheduleRecord& t) {
  const dw::app::Byte* flags[5] = {&t.Every1st, &t.Every2nd, &t.Every3rd, &t.Every4th,
                                   &t.EveryLast};
  std::string out;
  for (int w = 0; w < 5; ++w)
    if (*flags[w]) out += (out.empty() ? "" : ",") + std::string(kWeekNames[w]);
  return out;
}

std::string taskJson(const dw::app::TaskDraft& task, std::string_view extra) {
  const ScheduleRecord& t = task.record;
  const auto list = [](const std::string& csv) {
    std::string out = "[";
    std::size_t start = 0;
    while (start < csv.size()) {
      std::size_t comma = csv.find(',', start);
      if (comma == std::string::npos) comma = csv.size();
      out += (out.size() > 1 ? "," : "") + jsonString(csv.substr(start, comma - start));
      start = comma + 1;
    }
    return out + "]";
  };
  const char* unit = unitOption(t);
  std::string j = "{";
  j += extra;
  j += "\"id\":" + std::to_string(static_cast<int>(t.ID));
  j += ",\"type\":" + jsonString(t.TaskType.trimmed());
  j += ",\"category\":" + jsonString(t.Category.trimmed());
  j += ",\"description\":" + jsonString(t.Description.trimmed());
  j += ",\"command\":" + jsonString(t.Command.trimmed());
  j += ",\"path\":" + jsonString(t.Path.trimmed());
  j += ",\"schedule\":" + jsonString(scheduleOption(t));
  j += ",\"scheduleType\":" + jsonString(t.ScheduleType.trimmed());
  j += ",\"days\":" + list(dayList(t));
  j += ",\"weeks\":" + list(weekList(t));
  j += ",\"every\":" + std::to_string(static_cast<int>(t.Every));
  j += ",\"unit\":" + (unit ? jsonString(unit) : std::string("null"));
  j += ",\"date\":" + jsonDate(t.Date) + ",\"time\":" + jsonTime(t.Time);
  j +=
      ",\"lastRunDate\":" + jsonDate(t.LastRunDate) + ",\"lastRunTime\":" + jsonTime(t.LastRunTime);
  j += ",\"skipNextTime\":" + flag(t.SkipNextTime);
  j += ",\"alarm\":" + flag(t.Alarm) + ",\"alarmFile\":" + jsonString(t.AlarmFile.view());
  j += ",\"advanceWarnDate\":" + jsonDate(t.AdvanceWarnDate) +
       ",\"advanceWarnTime\":" + jsonTime(t.AdvanceWarnTime);
  j += ",\"advanceWarned\":" + flag(t.AdvanceWarned);
  j += ",\"warn\":" + flag(t.Warn) + ",\"ask\":" + flag(t.UserSkip);
  j += ",\"disabled\":" + flag(t.Disabled) + ",\"completed\":" + flag(t.Completed);
  j += ",\"message\":" + jsonString(task.message);
  return j + "}";
}

std::string taskText(const dw::app::TaskDraft& task) {
  const ScheduleRecord& t = task.record;
  std::vector<std::pair<std::string, std::string>> rows = {
      {"ID", std::to_string(static_cast<int>(t.ID))},
      {"Task Type", std::string(t.TaskType.trimmed())},
      {"Category", std::string(t.Category.trimmed())},
      {"Description", std::string(t.Description.trimmed())},
      {"Command", std::string(t.Command.trimmed())},
      {"Start in", std::string(t.Path.trimmed())},
      {"Schedule Type", std::string(t.ScheduleType.trimmed())},
      {"Days", dayList(t)},
      {"Weeks", weekList(t)},
      {"Every",
       std::to_string(static_cast<int>(t.Every)) + " " + std::string(t.EveryType.trimmed())},
      {"Date", dateText(t.Date)},
      {"Time", timeText(t.Time)},
      {"Last Run", trimmedRight(dateText(t.LastRunDate) + " " + timeText(t.LastRunTime))},
      {"Skip Next Time", yesNo(t.SkipNextTime)},
      {"Alarm", yesNo(t.Alarm)},
      {"Alarm File", std::string(t.AlarmFile.view())},
      {"Advance Warning",
       t.AdvanceWarnDate || t.AdvanceWarnTime
           ? trimmedRight(dateText(t.AdvanceWarnDate) + " " + timeText(t.AdvanceWarnTime))
           : "none"},
      {"Advance Warning Shown", yesNo(t.AdvanceWarned)},
      {"Warn if not run on specified date", yesNo(t.Warn)},
      {"Before performing task, give option to skip", yesNo(t.UserSkip)},
      {"Disabled", yesNo(t.Disabled)},
      {"Completed", yesNo(t.Completed)},
  };
  std::string out;
  for (const auto& [caption, value] : rows) out += trimmedRight(caption + ": " + value) + "\n";
  out += "Message:\n";
  std::size_t start = 0;
  const std::string& m = task.message;
  while (start < m.size()) {
    std::size_t nl = m.find('\n', start);
    if (nl == std::string::npos) nl = m.size();
    std::string line = m.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out += "  " + line + "\n";
    start = nl + 1;
  }
  return out;
}

}  // namespace dornctl
