// iCalendar events as tasks (see ical_mapping.h): libical parses the text
// that the line scanner (ical_scanner.h) has accepted, and each VEVENT is
// mapped to the task options that describe it.
#include <libical/ical.h>

#include <memory>

#include "app/data/records.h"
#include "app/data/table_codes.h"
#include "app/exchange/ical_mapping.h"
#include "app/exchange/ical_scanner.h"
#include "app/scheduler/next_occurrence.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

const char* const kDayNames[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

// The unescaped text of a TEXT property.
const char* textOf(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  icalvalue* v = p ? icalproperty_get_value(p) : nullptr;
  return v && icalvalue_isa(v) == ICAL_TEXT_VALUE ? icalvalue_get_text(v) : nullptr;
}

std::string xValue(icalcomponent* c, std::string_view name) {
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
    const char* n = icalproperty_get_x_name(p);
    const char* v = icalproperty_get_x(p);
    if (n && v && upperAscii(n) == name) return v;
  }
  return "";
}

// The record's day and time of a DTSTART: floating and local times as they
// stand, UTC and zoned times converted to the local clock.
std::optional<Occurrence> localOccurrence(icaltimetype t) {
  if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) return std::nullopt;
  if (!t.is_date && t.zone && t.zone != icaltimezone_get_utc_timezone() &&
      icaltime_is_utc(t) == 0) {
    const std::time_t when = icaltime_as_timet_with_zone(t, t.zone);
    std::tm tm{};
    localtime_r(&when, &tm);
    t.year = tm.tm_year + 1900, t.month = tm.tm_mon + 1, t.day = tm.tm_mday;
    t.hour = tm.tm_hour, t.minute = tm.tm_min, t.second = tm.tm_sec;
  } else if (!t.is_date && icaltime_is_utc(t)) {
    const std::time_t when = icaltime_as_timet(t);
    std::tm tm{};
    localtime_r(&when, &tm);
    t.year = tm.tm_year + 1900, t.month = tm.tm_mon + 1, t.day = tm.tm_mday;
    t.hour = tm.tm_hour, t.minute = tm.tm_min, t.second = tm.tm_sec;
  }
  const int date = lang::dayNumberOf({t.year, t.day, t.month});
  if (date < lang::kFirstDay || date > lang::kLastDay || t.year < 1801) return std::nullopt;
  // Midnight is a time like any other: 1, the first hundredth of the day
  // (the runtime's picture reading takes 00:00 for "no time").
  if (t.is_date) return Occurrence{date, 1};
  if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
    return std::nullopt;
  const int time = (t.hour * 60 + t.minute) * 6000 + t.second * 100 + 1;
  return Occurrence{date, time};
}

std::vector<short> listOf(const short* values, int size) {
  std::vector<short> out;
  for (int i = 0; i < size && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) out.push_back(values[i]);
  return out;
}

std::string dayList(unsigned mask) {
  std::string s;
  for (int d = 0; d < 7; ++d)
    if (mask & (1u << d)) s += std::string(s.empty() ? "" : ",") + kDayNames[d];
  return s;
}

// The rule options of an RRULE, or a reason why it has none.
std::optional<std::string> mapRule(const icalrecurrencetype& r, TaskOptionList& options) {
  const auto days = listOf(r.by_day, ICAL_BY_DAY_SIZE);
  const auto monthDays = listOf(r.by_month_day, ICAL_BY_MONTHDAY_SIZE);
  if (!listOf(r.by_second, ICAL_BY_SECOND_SIZE).empty() ||
      !listOf(r.by_minute, ICAL_BY_MINUTE_SIZE).empty() ||
      !listOf(r.by_hour, ICAL_BY_HOUR_SIZE).empty() ||
      !listOf(r.by_year_day, ICAL_BY_YEARDAY_SIZE).empty() ||
      !listOf(r.by_week_no, ICAL_BY_WEEKNO_SIZE).empty() ||
      !listOf(r.by_month, ICAL_BY_MONTH_SIZE).empty() ||
      !listOf(r.by_set_pos, ICAL_BY_SETPOS_SIZE).empty())
    return std::string("its BY parts have no equivalent");
  const int interval = r.interval < 1 ? 1 : r.interval;
  unsigned plainDays = 0;
  std::map<int, unsigned> positioned;  // position -> weekday mask
  for (short d : days) {
    const int wd = static_cast<int>(icalrecurrencetype_day_day_of_week(d)) - 1;  // 0 Sunday
    const int pos = icalrecurrencetype_day_position(d);
    if (wd < 0 || wd > 6) return std::string("a weekday it names is unknown");
    if (pos == 0)
      plainDays |= 1u << wd;
    else
      positioned[pos] |= 1u << wd;
  }
  const auto custom = [&](const char* unit) {
    options.emplace_back("--schedule", "custom");
    options.emplace_back("--every", std::to_string(interval));
    options.emplace_back("--unit", unit);
  };
  const bool noBy = days.empty() && monthDays.empty();
  switch (r.freq) {
    case ICAL_MINUTELY_RECURRENCE:
      if (!noBy) break;
      custom("minutes");
      return std::nullopt;
    case ICAL_HOURLY_RECURRENCE:
      if (!noBy) break;
      custom("hours");
      return std::nullopt;
    case ICAL_DAILY_RECURRENCE:
      if (noBy) {
        custom("days");
        return std::nullopt;
      }
      if (interval == 1 && monthDays.empty() && positioned.empty()) {
        options.emplace_back("--schedule", "weekdays");
        options.emplace_back("--days", dayList(plainDays));
        return std::nullopt;
      }
      break;
    case ICAL_WEEKLY_RECURRENCE:
      if (noBy) {
        custom("weeks");
        return std::nullopt;
      }
      if (interval == 1 && monthDays.empty() && positioned.empty()) {
        options.emplace_back("--schedule", "weekdays");
        options.emplace_back("--days", dayList(plainDays));
        return std::nullopt;
      }
      break;
    case ICAL_MONTHLY_RECURRENCE: {
      if (noBy) {
        if (interval == 1)
          options.emplace_back("--schedule", "monthly");
        else
          custom("months");
        return std::nullopt;
      }
      if (interval != 1) break;
      // Weekdays in weeks of the month: positions 1..4 and -1, every named
      // weekday in every named week.
      if (monthDays.empty() && plainDays == 0) {
        unsigned weekMask = 0, dayMask = 0;
        for (const auto& [pos, mask] : positioned) {
          if (pos < -1 || pos > 4)
            return std::string("it names a 5th or earlier-than-last weekday");
          weekMask |= 1u << (pos == -1 ? 4 : pos - 1);
          dayMask |= mask;
        }
        for (const auto& [pos, mask] : positioned)
          if (mask != dayMask) return std::string("its weeks name different weekdays");
        static const char* const weekNames[5] = {"1st", "2nd", "3rd", "4th", "last"};
        std::string weeks;
        for (int w = 0; w < 5; ++w)
          if (weekMask & (1u << w)) weeks += std::string(weeks.empty() ? "" : ",") + weekNames[w];
        options.emplace_back("--schedule", "month-weeks");
        options.emplace_back("--days", dayList(dayMask));
        options.emplace_back("--weeks", weeks);
        return std::nullopt;
      }
      // Whole weeks of days of the month (1-7, 8-14, ..., the last seven),
      // optionally limited to weekdays.
      if (!positioned.empty()) break;
      std::map<int, int> blocks;
      for (short d : monthDays) {
        if (d >= 1 && d <= 28)
          ++blocks[(d - 1) / 7];
        else if (d <= -1 && d >= -7)
          ++blocks[4];
        else
          return std::string("its days of the month are not whole weeks of the month");
      }
      std::string weeks;
      static const char* const weekNames[5] = {"1st", "2nd", "3rd", "4th", "last"};
      for (const auto& [w, n] : blocks) {
        if (n != 7) return std::string("its days of the month are not whole weeks of the month");
        weeks += std::string(weeks.empty() ? "" : ",") + weekNames[w];
      }
      options.emplace_back("--schedule", "month-weeks");
      options.emplace_back("--days", dayList(plainDays ? plainDays : 0x7F));
      options.emplace_back("--weeks", weeks);
      return std::nullopt;
    }
    case ICAL_YEARLY_RECURRENCE:
      if (!noBy) break;
      if (interval == 1)
        options.emplace_back("--schedule", "yearly");
      else
        custom("years");
      return std::nullopt;
    default:
      break;
  }
  return std::string("it has no equivalent schedule type");
}

// Adds a text option, cut to the field's width with a note.
void addText(TaskOptionList& options, std::vector<std::string>& notes, int line, const char* option,
             const char* property, std::string value, std::size_t width) {
  // One-line fields take no control characters; the message keeps its lines.
  const bool lines = std::string_view(option) == "--message";
  for (char& c : value)
    if ((static_cast<unsigned char>(c) < 0x20 && !(lines && (c == '\n' || c == '\t'))) || c == 0x7F)
      c = ' ';
  // Blanks around a calendar file's text values do not survive it: none kept.
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  while (!value.empty() && blank(value.back())) value.pop_back();
  std::size_t lead = 0;
  while (lead < value.size() && blank(value[lead])) ++lead;
  value.erase(0, lead);
  if (value.size() > width) {
    notes.push_back(
        lineNote(line, std::string(property) + " cut to " + std::to_string(width) + " characters"));
    value.resize(width);
    while (!value.empty() && (static_cast<unsigned char>(value.back()) & 0xC0) == 0x80)
      value.pop_back();  // no half character at the end
    if (!value.empty() && static_cast<unsigned char>(value.back()) >= 0xC0) value.pop_back();
  }
  if (!value.empty()) options.emplace_back(option, value);
}

std::string clockOption(int time) {
  return clockText(time);
}

// One event as task options, or nullopt (with a note) when it cannot be one.
std::optional<TaskOptionList> mapEvent(icalcomponent* event, const EventLines& lines,
                                       std::vector<std::string>& notes) {
  const auto lineOf = [&](const char* name) {
    const auto it = lines.properties.find(name);
    return it == lines.properties.end() ? lines.begin : it->second;
  };
  for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_XLICERROR_PROPERTY); p;
       p = icalcomponent_get_next_property(event, ICAL_XLICERROR_PROPERTY)) {
    const char* text = icalproperty_get_xlicerror(p);
    notes.push_back(
        lineNote(lines.begin, std::string("event not read in full: ") + (text ? text : "")));
  }
  TaskOptionList options;
  const auto start = localOccurrence(icalcomponent_get_dtstart(event));
  if (!start) {
    notes.push_back(lineNote(
        lineOf("DTSTART"), "event left out: no DTSTART from 1801 to 2099 (a task needs its date)"));
    return std::nullopt;
  }
  options.emplace_back("--date", isoDateText(start->date));
  options.emplace_back("--time", clockOption(start->time));

  if (const char* s = textOf(event, ICAL_SUMMARY_PROPERTY))
    addText(options, notes, lineOf("SUMMARY"), "--description", "SUMMARY", s, 40);
  if (const char* s = textOf(event, ICAL_DESCRIPTION_PROPERTY))
    addText(options, notes, lineOf("DESCRIPTION"), "--message", "DESCRIPTION", s, kMessageMemoSize);
  if (const char* s = textOf(event, ICAL_CATEGORIES_PROPERTY)) {
    std::string first = s;
    // libical gives each of a list of categories a property of its own.
    if (icalcomponent_get_first_property(event, ICAL_CATEGORIES_PROPERTY) &&
        icalcomponent_get_next_property(event, ICAL_CATEGORIES_PROPERTY))
      notes.push_back(lineNote(lineOf("CATEGORIES"), "only the first category is kept"));
    else if (const std::size_t comma = first.find(','); comma != std::string::npos) {
      notes.push_back(lineNote(lineOf("CATEGORIES"), "only the first category is kept"));
      first.resize(comma);
    }
    addText(options, notes, lineOf("CATEGORIES"), "--category", "CATEGORIES", first, 20);
  }
  const std::string command = xValue(event, "X-DORNWATCH-COMMAND");
  addText(options, notes, lineOf("X-DORNWATCH-COMMAND"), "--command", "X-DORNWATCH-COMMAND",
          command, 80);
  addText(options, notes, lineOf("X-DORNWATCH-PATH"), "--path", "X-DORNWATCH-PATH",
          xValue(event, "X-DORNWATCH-PATH"), 80);
  addText(options, notes, lineOf("X-DORNWATCH-ALARM"), "--alarm", "X-DORNWATCH-ALARM",
          xValue(event, "X-DORNWATCH-ALARM"), 80);
  const std::string type = xValue(event, "X-DORNWATCH-TYPE");
  if (type == "program" || type == "message" || type == "both" || type == "none")
    options.emplace_back("--type", type);
  else if (command.empty())
    options.emplace_back("--type", "message");  // a plain calendar event: a reminder
  for (const char* flag : {"warn", "ask", "disabled"})
    if (("," + xValue(event, "X-DORNWATCH-FLAGS") + ",").find(std::string(",") + flag + ",") !=
        std::string::npos)
      options.emplace_back(std::string("--") + flag, "");
  if (icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED &&
      xValue(event, "X-DORNWATCH-FLAGS").find("disabled") == std::string::npos)
    options.emplace_back("--disabled", "");

  // The rule: our own, when the RRULE (if any) is the one it exports to;
  // else the RRULE's equivalent; else a one-off task.
  TaskOptionList own;
  for (const char* name : {"SCHEDULE", "DAYS", "WEEKS", "EVERY", "UNIT"}) {
    const std::string v = xValue(event, std::string("X-DORNWATCH-") + name);
    std::string option = std::string("--") + name;
    for (char& c : option) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!v.empty()) own.emplace_back(option, v);
  }
  icalproperty* rrule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
  TaskOptionList rule;
  bool ruleSet = false;
  if (!own.empty()) {
    TaskDraft probe;
    primeNewTask(probe.record, start->date, start->time);
    TaskOptionList withDate = own;
    withDate.emplace_back("--date", isoDateText(start->date));
    withDate.emplace_back("--time", clockOption(start->time));
    if (!applyTaskOptions(withDate, true, start->date, probe)) {
      // Compared in libical's own spelling of a rule.
      std::string exported = exactRecurrenceRule(probe.record);
      if (!exported.empty()) {
        icalrecurrencetype r = icalrecurrencetype_from_string(exported.c_str());
        char* spelled = icalrecurrencetype_as_string_r(&r);
        exported = spelled ? spelled : "";
        free(spelled);
      }
      const char* found = rrule ? icalproperty_get_value_as_string(rrule) : nullptr;
      if (exported == (found ? found : "")) rule = own, ruleSet = true;
    }
  }
  if (!ruleSet && rrule) {
    const icalrecurrencetype r = icalproperty_get_rrule(rrule);
    const int line = lineOf("RRULE");
    if (r.count > 0)
      notes.push_back(lineNote(line, "RRULE COUNT not kept: the task repeats until removed"));
    if (!icaltime_is_null_time(r.until) && r.until.year < lang::kLastYear)
      notes.push_back(lineNote(line, "RRULE UNTIL not kept: the task repeats until removed"));
    if (auto why = mapRule(r, rule)) {
      notes.push_back(
          lineNote(line, "RRULE not mapped (" + *why + "): imported as a one-off task"));
      rule = {{"--schedule", "once"}};
    }
    ruleSet = true;
  }
  if (!ruleSet) {
    if (icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY))
      notes.push_back(lineNote(lineOf("RDATE"), "RDATE not mapped: imported as a one-off task"));
    rule = {{"--schedule", "once"}};
  }
  if (icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY))
    notes.push_back(lineNote(lineOf("EXDATE"), "EXDATE not kept: no occurrence is left out"));
  if (icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) &&
      icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY))
    notes.push_back(lineNote(lineOf("RRULE"), "only the first RRULE is kept"));
  options.insert(options.end(), rule.begin(), rule.end());

  // The advance warning: the first alarm before the start.
  int alarms = 0;
  for (icalcomponent* a = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT); a;
       a = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
    if (++alarms > 1) {
      notes.push_back(lineNote(lines.begin, "only the first VALARM is kept"));
      break;
    }
    icalproperty* p = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
    if (!p) continue;
    const icaltriggertype tr = icalproperty_get_trigger(p);
    icalparameter* related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
    const long long seconds = icaldurationtype_as_int(tr.duration);
    if (!icaltime_is_null_time(tr.time) ||
        (related && icalparameter_get_related(related) == ICAL_RELATED_END) || seconds > 0) {
      notes.push_back(lineNote(lines.begin, "VALARM not kept: only a warning before the start is"));
      continue;
    }
    const long long lead = -seconds;
    if (lead % 60 != 0) notes.push_back(lineNote(lines.begin, "VALARM rounded to whole minutes"));
    const long long days = lead / 86400, hours = lead % 86400 / 3600, minutes = lead % 3600 / 60;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", days, hours, minutes);
    options.emplace_back("--advance", buf);
  }
  return options;
}

}  // namespace

IcalImport importCalendar(std::string_view text, int today) {
  IcalImport result;
  std::vector<EventLines> events;
  if (auto e = scanCalendar(text, events)) {
    result.error = *e;
    return result;
  }
  icalerror_set_errors_are_fatal(0);
  const std::string copy(text);
  Component root(icalparser_parse_string(copy.c_str()));
  icalerror_clear_errno();
  if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
    result.error = "not an iCalendar file";
    return result;
  }
  std::size_t index = 0;
  for (icalcomponent* e = icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT); e;
       e = icalcomponent_get_next_component(root.get(), ICAL_VEVENT_COMPONENT), ++index) {
    const EventLines lines = index < events.size() ? events[index] : EventLines{};
    auto options = mapEvent(e, lines, result.notes);
    if (!options) continue;
    ImportedTask task;
    task.line = lines.begin;
    task.options = *options;
    primeNewTask(task.draft.record, today, 1);
    if (auto err = applyTaskOptions(task.options, true, today, task.draft)) {
      result.notes.push_back(
          lineNote(lines.begin, "event left out: " + err->option + ": " + err->text));
      continue;
    }
    result.tasks.push_back(std::move(task));
  }
  return result;
}

}  // namespace dw::app
