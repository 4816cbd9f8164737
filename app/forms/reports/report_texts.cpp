// The reports' computed texts (see report_texts.h).
#include "app/forms/reports/report_texts.h"

#include "app/scheduler/next_occurrence.h"

namespace dw::app {

namespace {

void append(std::string& out, std::string_view word) {
  if (!out.empty()) out += ' ';
  out += word;
}

std::string weekdayNames(const ScheduleRecord& t) {
  const struct {
    std::uint8_t set;
    const char* name;
  } days[] = {{t.Sunday, "Sun"},   {t.Monday, "Mon"}, {t.Tuesday, "Tue"}, {t.Wednesday, "Wed"},
              {t.Thursday, "Thu"}, {t.Friday, "Fri"}, {t.Saturday, "Sat"}};
  std::string out;
  for (const auto& d : days)
    if (d.set) append(out, d.name);
  return out;
}

}  // namespace

std::string scheduleRuleText(const ScheduleRecord& task) {
  switch (scheduleKindOf(task.ScheduleType.trimmed())) {
    case ScheduleKind::DayOfWeek:
      return weekdayNames(task);
    case ScheduleKind::DayOfMonth: {
      const struct {
        std::uint8_t set;
        const char* name;
      } weeks[] = {{task.Every1st, "1st"},
                   {task.Every2nd, "2nd"},
                   {task.Every3rd, "3rd"},
                   {task.Every4th, "4th"},
                   {task.EveryLast, "Last"}};
      std::string out;
      for (const auto& w : weeks)
        if (w.set) append(out, w.name);
      const std::string days = weekdayNames(task);
      if (!days.empty()) out += out.empty() ? days : "  " + days;
      return out;
    }
    case ScheduleKind::Custom:
      return "Every " + std::to_string(task.Every) + " " + task.EveryType.str();
    default:
      return {};
  }
}

std::string messageLine(std::string_view memo) {
  std::string out;
  for (char c : memo) {
    if (out.size() == 80) break;
    out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return out;
}

}  // namespace dw::app
