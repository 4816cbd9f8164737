// Tasks as iCalendar events (see ical_mapping.h).
#include <libical/ical.h>

#include <memory>

#include "app/exchange/ical_mapping.h"
#include "app/scheduler/next_occurrence.h"
#include "app/data/table_codes.h"
#include "app/scheduler/task_validation.h"
#include "app/scheduler/upcoming.h"
#include "app/scheduler/week_of_month.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

constexpr long long kDay = 8640000;
constexpr int kMaxRdates = 1000;
const char* const kDayCodes[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
const char* const kDayNames[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
const char* const kWeekNames[5] = {"1st", "2nd", "3rd", "4th", "last"};
const int kWeekPositions[5] = {1, 2, 3, 4, -1};

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

icaltimetype localTime(Occurrence at) {
  icaltimetype t = icaltime_null_time();
  const lang::DateRecord d = lang::calendarOf(at.date);
  const lang::TimeRecord c = lang::timeRecordOf(at.time);
  t.year = d.year;
  t.month = d.month;
  t.day = d.day;
  t.hour = c.hour;
  t.minute = c.minute;
  t.second = c.second;
  t.is_date = 0;
  return t;
}

void addX(icalcomponent* event, const char* name, std::string_view value) {
  if (value.empty()) return;
  icalproperty* p = icalproperty_new_x(std::string(value).c_str());
  icalproperty_set_x_name(p, name);
  icalcomponent_add_property(event, p);
}

// A moment as hundredths since day 0.
long long instant(int date, int time) {
  return date * kDay + (time < 1 ? 0 : time - 1);
}

std::string joined(const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : ",") + p;
  return s;
}

icalcomponent* eventOf(const TaskDraft& draft, std::time_t stamp, int index) {
  const ScheduleRecord& t = draft.record;
  icalcomponent* event = icalcomponent_new_vevent();
  const std::string uid = "task-" + std::to_string(t.ID != 0 ? int(t.ID) : index) + "@dornwatch";
  icalcomponent_add_property(event, icalproperty_new_uid(uid.c_str()));
  icalcomponent_add_property(event, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(
                                        stamp, 0, icaltimezone_get_utc_timezone())));
  const Occurrence start{t.Date, t.Time};
  icalcomponent_add_property(event, icalproperty_new_dtstart(localTime(start)));
  if (!t.Description.isBlank())
    icalcomponent_add_property(event, icalproperty_new_summary(t.Description.str().c_str()));
  if (!draft.message.empty())
    icalcomponent_add_property(event, icalproperty_new_description(draft.message.c_str()));
  if (!t.Category.isBlank())
    icalcomponent_add_property(event, icalproperty_new_categories(t.Category.str().c_str()));

  const std::string rule = exactRecurrenceRule(t);
  if (!rule.empty()) {
    icalcomponent_add_property(
        event, icalproperty_new_rrule(icalrecurrencetype_from_string(rule.c_str())));
  } else if (scheduleKindOf(t.ScheduleType.trimmed()) != ScheduleKind::Once) {
    // The occurrences of the year after the start, as the timer moves it.
    const long long end = instant(t.Date + 365, t.Time);
    for (const Occurrence& o : upcomingOccurrences(t, start, kMaxRdates)) {
      if (instant(o.date, o.time) > end) break;
      icaldatetimeperiodtype rdate{};
      rdate.time = localTime(o);
      rdate.period = icalperiodtype_null_period();
      icalcomponent_add_property(event, icalproperty_new_rdate(rdate));
    }
  }

  if (t.AdvanceWarnDate != 0) {
    const long long lead = instant(t.Date, t.Time) - instant(t.AdvanceWarnDate, t.AdvanceWarnTime);
    if (lead >= 0) {
      icalcomponent* alarm = icalcomponent_new_valarm();
      icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
      icaltriggertype trigger{};
      trigger.time = icaltime_null_time();
      trigger.duration = icaldurationtype_null_duration();
      trigger.duration.is_neg = lead > 0;
      trigger.duration.days = static_cast<unsigned>(lead / kDay);
      trigger.duration.hours = static_cast<unsigned>(lead % kDay / 360000);
      trigger.duration.minutes = static_cast<unsigned>(lead % 360000 / 6000);
      trigger.duration.seconds = static_cast<unsigned>(lead % 6000 / 100);
      icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
      const std::string text =
          t.Description.isBlank() ? std::string("Advanced Warning") : t.Description.str();
      icalcomponent_add_property(alarm, icalproperty_new_description(text.c_str()));
      icalcomponent_add_component(event, alarm);
    }
  }

  static const std::pair<const char*, const char*> types[] = {
      {task_type::kRunProgram, "program"},
      {task_type::kDisplayMessage, "message"},
      {task_type::kBoth, "both"},
      {task_type::kNone, "none"}};
  for (const auto& [code, name] : types)
    if (t.TaskType == code) addX(event, "X-DORNWATCH-TYPE", name);
  addX(event, "X-DORNWATCH-COMMAND", t.Command.trimmed());
  addX(event, "X-DORNWATCH-PATH", t.Path.trimmed());
  if (t.Alarm) addX(event, "X-DORNWATCH-ALARM", t.AlarmFile.view());
  std::vector<std::string> flags;
  if (t.Warn) flags.push_back("warn");
  if (t.UserSkip) flags.push_back("ask");
  if (t.Disabled) flags.push_back("disabled");
  addX(event, "X-DORNWATCH-FLAGS", joined(flags));
  for (const auto& [name, value] : ruleOptions(t)) {
    std::string x = "X-DORNWATCH-";
    for (char c : name.substr(2))
      x += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    addX(event, x.c_str(), value);
  }
  return event;
}

}  // namespace

bool exportable(const ScheduleRecord& task) {
  return task.Date >= lang::kFirstDay && task.Date <= lang::kLastDay;
}

TaskOptionList ruleOptions(const ScheduleRecord& t) {
  TaskOptionList out;
  const WeekdayMask days = weekdayFlags(t);
  const OrdinalMask weeks = ordinalFlags(t);
  std::vector<std::string> dayList, weekList;
  for (int d = 0; d < 7; ++d)
    if (days & (1u << d)) dayList.push_back(kDayNames[d]);
  for (int w = 0; w < 5; ++w)
    if (weeks & (1u << w)) weekList.push_back(kWeekNames[w]);
  switch (scheduleKindOf(t.ScheduleType.trimmed())) {
    case ScheduleKind::Once:
      out.emplace_back("--schedule", "once");
      break;
    case ScheduleKind::Yearly:
      out.emplace_back("--schedule", "yearly");
      break;
    case ScheduleKind::Monthly:
      out.emplace_back("--schedule", "monthly");
      break;
    case ScheduleKind::DayOfWeek:
      out.emplace_back("--schedule", "weekdays");
      if (!dayList.empty()) out.emplace_back("--days", joined(dayList));
      break;
    case ScheduleKind::DayOfMonth:
      out.emplace_back("--schedule", "month-weeks");
      if (!dayList.empty()) out.emplace_back("--days", joined(dayList));
      if (!weekList.empty()) out.emplace_back("--weeks", joined(weekList));
      break;
    case ScheduleKind::Custom: {
      static const char* const units[] = {"minutes", "hours", "days", "weeks", "months", "years"};
      out.emplace_back("--schedule", "custom");
      out.emplace_back("--every", std::to_string(std::max<int>(1, t.Every)));
      const EveryUnit u = everyUnitOf(t.EveryType.trimmed());
      if (u != EveryUnit::Unknown) out.emplace_back("--unit", units[static_cast<int>(u)]);
      break;
    }
  }
  return out;
}

std::string exactRecurrenceRule(const ScheduleRecord& t) {
  const int date = t.Date;
  if (date < lang::kFirstDay || date > lang::kLastDay || !dateSuitsSchedule(t)) return "";
  const int day = lang::dayOf(date), month = lang::monthOf(date);
  const bool leapDay = month == 2 && day == 29;
  WeekdayMask days = weekdayFlags(t);
  OrdinalMask weeks = ordinalFlags(t);
  const auto byDay = [&](WeekdayMask mask) {
    std::vector<std::string> codes;
    for (int d = 0; d < 7; ++d)
      if (mask & (1u << d)) codes.push_back(kDayCodes[d]);
    return joined(codes);
  };
  std::string rule;
  const int every = std::max<int>(1, t.Every);
  switch (scheduleKindOf(t.ScheduleType.trimmed())) {
    case ScheduleKind::Once:
      return "";
    case ScheduleKind::Yearly:
      if (leapDay) return "";
      rule = "FREQ=YEARLY";
      break;
    case ScheduleKind::Monthly:
      if (day > 28) return "";
      rule = "FREQ=MONTHLY";
      break;
    case ScheduleKind::DayOfWeek:
      rule = days == 0 || days == kAllWeekdays ? "FREQ=DAILY" : "FREQ=WEEKLY;BYDAY=" + byDay(days);
      break;
    case ScheduleKind::DayOfMonth:
      if (days == 0) days = kAllWeekdays;
      if (weeks == 0 || weeks == kAllWeeks) {
        rule = days == kAllWeekdays ? "FREQ=DAILY" : "FREQ=WEEKLY;BYDAY=" + byDay(days);
      } else if (days == kAllWeekdays) {
        std::vector<std::string> monthDays;
        for (int w = 0; w < 4; ++w)
          if (weeks & (1u << w))
            for (int d = 1; d <= 7; ++d) monthDays.push_back(std::to_string(w * 7 + d));
        if (weeks & kWeekLast)
          for (int d = 1; d <= 7; ++d) monthDays.push_back(std::to_string(-d));
        rule = "FREQ=MONTHLY;BYMONTHDAY=" + joined(monthDays);
      } else {
        std::vector<std::string> positions;
        for (int w = 0; w < 5; ++w)
          if (weeks & (1u << w))
            for (int d = 0; d < 7; ++d)
              if (days & (1u << d))
                positions.push_back(std::to_string(kWeekPositions[w]) + kDayCodes[d]);
        rule = "FREQ=MONTHLY;BYDAY=" + joined(positions);
      }
      break;
    case ScheduleKind::Custom: {
      if (every > 32767) return "";  // beyond what an INTERVAL holds in libical
      const std::string interval = every > 1 ? ";INTERVAL=" + std::to_string(every) : "";
      switch (everyUnitOf(t.EveryType.trimmed())) {
        case EveryUnit::Minutes:
          if (t.Time == 0) return "";  // a grid from 23:59:59.99 the day before
          rule = "FREQ=MINUTELY" + interval;
          break;
        case EveryUnit::Hours:
          if (t.Time == 0) return "";
          rule = "FREQ=HOURLY" + interval;
          break;
        case EveryUnit::Days:
          rule = "FREQ=DAILY" + interval;
          break;
        case EveryUnit::Weeks:
          rule = "FREQ=WEEKLY" + interval;
          break;
        case EveryUnit::Months:
          if (day > 28) return "";
          rule = "FREQ=MONTHLY" + interval;
          break;
        case EveryUnit::Years:
          if (leapDay) return "";
          rule = "FREQ=YEARLY" + interval;
          break;
        case EveryUnit::Unknown:
          return "";
      }
      break;
    }
  }
  // The timer never moves a task beyond the calendar's last day.
  return rule + ";UNTIL=20991231T235959";
}

std::string exportCalendar(const std::vector<TaskDraft>& tasks, std::time_t stamp) {
  Component calendar(icalcomponent_new_vcalendar());
  icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
  icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Dornwatch//dornctl//EN"));
  int index = 0;
  for (const TaskDraft& t : tasks)
    if (exportable(t.record))
      icalcomponent_add_component(calendar.get(), eventOf(t, stamp, ++index));
  char* text = icalcomponent_as_ical_string_r(calendar.get());
  std::string out = text ? text : "";
  free(text);
  return out;
}

}  // namespace dw::app
