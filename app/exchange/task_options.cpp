// Task options of the command line (see task_options.h).
#include "app/exchange/task_options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "app/data/table_codes.h"
#include "app/scheduler/next_occurrence.h"
#include "app/scheduler/task_validation.h"
#include "app/scheduler/week_of_month.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/picture.h"

namespace dw::app {
namespace {

constexpr long long kHundredthsPerDay = 8640000;
constexpr int kMaxEvery = 999999;  // the form's "n6" spin

struct OptionSpec {
  const char* name;
  bool flag;
};
constexpr OptionSpec kOptions[] = {
    {"--description", false}, {"--type", false},    {"--category", false}, {"--schedule", false},
    {"--days", false},        {"--weeks", false},   {"--every", false},    {"--unit", false},
    {"--date", false},        {"--time", false},    {"--command", false},  {"--path", false},
    {"--message", false},     {"--alarm", false},   {"--warn", true},      {"--ask", true},
    {"--advance", false},     {"--disabled", true},
};

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Digits only, at most 9 of them (no sign, no blanks).
std::optional<long long> digits(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::vector<std::string_view> splitList(std::string_view s) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = s.find(',', start);
    parts.push_back(s.substr(start, comma == std::string_view::npos ? s.npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

bool hasControl(std::string_view s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

template <std::size_t N>
std::optional<OptionError> setText(Text<N>& field, std::string_view option,
                                   std::string_view value) {
  if (value.size() > N)
    return OptionError{std::string(option), "longer than " + std::to_string(N) + " characters"};
  if (hasControl(value)) return OptionError{std::string(option), "holds a control character"};
  field.set(value);
  return std::nullopt;
}

std::optional<WeekdayMask> parseDays(std::string_view text) {
  static const char* const names[7] = {"sunday",   "monday", "tuesday", "wednesday",
                                       "thursday", "friday", "saturday"};
  WeekdayMask mask = 0;
  for (std::string_view part : splitList(text)) {
    const std::string p = lower(part);
    int found = -1;
    for (int d = 0; d < 7; ++d)
      if (p == names[d] || (p.size() == 3 && std::string_view(names[d]).substr(0, 3) == p))
        found = d;
    if (found < 0) return std::nullopt;
    mask |= static_cast<WeekdayMask>(1u << found);
  }
  return mask;
}

std::optional<OrdinalMask> parseWeeks(std::string_view text) {
  static const char* const names[5] = {"1st", "2nd", "3rd", "4th", "last"};
  OrdinalMask mask = 0;
  for (std::string_view part : splitList(text)) {
    const std::string p = lower(part);
    int found = -1;
    for (int w = 0; w < 5; ++w)
      if (p == names[w]) found = w;
    if (found < 0) return std::nullopt;
    mask |= static_cast<OrdinalMask>(1u << found);
  }
  return mask;
}

void setWeekdays(ScheduleRecord& t, WeekdayMask m) {
  Byte* flags[7] = {&t.Sunday,   &t.Monday, &t.Tuesday, &t.Wednesday,
                    &t.Thursday, &t.Friday, &t.Saturday};
  for (int d = 0; d < 7; ++d) *flags[d] = (m >> d) & 1;
}

void setOrdinals(ScheduleRecord& t, OrdinalMask m) {
  t.Every1st = m & kWeek1st ? 1 : 0;
  t.Every2nd = m & kWeek2nd ? 1 : 0;
  t.Every3rd = m & kWeek3rd ? 1 : 0;
  t.Every4th = m & kWeek4th ? 1 : 0;
  t.EveryLast = m & kWeekLast ? 1 : 0;
}

// A date and time as hundredths of a second from day 0 (a time of 0 is
// the day's first moment).
long long instantOf(std::int32_t date, std::int32_t time) {
  return static_cast<long long>(date) * kHundredthsPerDay + std::max<std::int32_t>(time, 1) - 1;
}

}  // namespace

bool isTaskOption(std::string_view name) {
  for (const OptionSpec& o : kOptions)
    if (name == o.name) return true;
  return false;
}

bool isTaskFlag(std::string_view name) {
  for (const OptionSpec& o : kOptions)
    if (name == o.name) return o.flag;
  return false;
}

std::optional<int> parseDateText(std::string_view text) {
  if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
    const auto y = digits(text.substr(0, 4)), m = digits(text.substr(5, 2)),
               d = digits(text.substr(8, 2));
    if (!y || !m || !d || *y < lang::kFirstYear) return std::nullopt;
    const int day =
        lang::dayNumberOf({static_cast<int>(*y), static_cast<int>(*d), static_cast<int>(*m)});
    if (day < lang::kFirstDay || day > lang::kLastDay) return std::nullopt;
    return day;
  }
  // The user's pictures: a date that formats back to the same text (blanks
  // ignored) in one of them, so that text the picture merely tolerates is
  // not taken for a date.
  const auto squeeze = [](std::string_view s) {
    std::string out;
    for (char c : s)
      if (c != ' ') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
  };
  for (const char* picture : {"@d17", "@d3"}) {
    const lang::PictureValue v = lang::deformat(text, picture);
    if (v.isText || v.number < lang::kFirstDay || v.number > lang::kLastDay) continue;
    const int day = static_cast<int>(v.number);
    if (squeeze(lang::format(day, picture)) == squeeze(text)) return day;
  }
  return std::nullopt;
}

std::optional<int> parseClockText(std::string_view text) {
  if (text.size() != 5 && text.size() != 8) return std::nullopt;
  if (text[2] != ':' || (text.size() == 8 && text[5] != ':')) return std::nullopt;
  const auto h = digits(text.substr(0, 2)), m = digits(text.substr(3, 2));
  const auto s = text.size() == 8 ? digits(text.substr(6, 2)) : std::optional<long long>(0);
  if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
  return static_cast<int>(*h * 360000 + *m * 6000 + *s * 100 + 1);
}

std::optional<long long> parseAdvanceText(std::string_view text) {
  const std::size_t colon = text.find(':');
  const auto days = digits(text.substr(0, colon));
  if (!days || *days > 99999) return std::nullopt;
  long long total = *days * kHundredthsPerDay;
  if (colon != std::string_view::npos) {
    const std::string_view hm = text.substr(colon + 1);
    if (hm.size() != 5 || hm[2] != ':') return std::nullopt;
    const auto h = digits(hm.substr(0, 2)), m = digits(hm.substr(3, 2));
    if (!h || !m || *h > 23 || *m > 59) return std::nullopt;
    total += *h * 360000 + *m * 6000;
  }
  return total;
}

std::string isoDateText(int dayNumber) {
  const lang::DateRecord c = lang::calendarOf(dayNumber);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buf;
}

std::string clockText(int timeValue) {
  const lang::TimeRecord t = lang::timeRecordOf(timeValue);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

void primeNewTask(ScheduleRecord& task, int today, int now) {
  task = ScheduleRecord{};
  task.TaskType.set(task_type::kBoth);
  task.Category.clear();
  task.Description.clear();
  task.Command.clear();
  task.Path.clear();
  task.ScheduleType.set(schedule_type::kDayOfWeek);
  setWeekdays(task, kAllWeekdays);
  task.Every = 1;
  task.EveryLast = 1;
  task.EveryType.set(every_type::kHours);
  task.Date = today;
  task.Time = now;
  task.AlarmFile.clear();
}

std::optional<OptionError> applyTaskOptions(const TaskOptionList& options, bool isNew, int today,
                                            TaskDraft& draft) {
  std::map<std::string, std::string> given;
  for (const auto& [name, value] : options) {
    if (!isTaskOption(name)) return OptionError{name, "unknown option"};
    if (!given.emplace(name, value).second) return OptionError{name, "given more than once"};
    if (!isTaskFlag(name) && value.empty()) return OptionError{name, "needs a value"};
  }
  const auto has = [&](const char* n) { return given.count(n) != 0; };
  ScheduleRecord& t = draft.record;

  if (has("--description"))
    if (auto e = setText(t.Description, "--description", given["--description"])) return e;
  if (has("--category"))
    if (auto e = setText(t.Category, "--category", given["--category"])) return e;
  if (has("--command"))
    if (auto e = setText(t.Command, "--command", given["--command"])) return e;
  if (has("--path"))
    if (auto e = setText(t.Path, "--path", given["--path"])) return e;
  if (has("--message")) {
    const std::string& m = given["--message"];
    if (m.size() > kMessageMemoSize)
      return OptionError{"--message",
                         "longer than " + std::to_string(kMessageMemoSize) + " characters"};
    // The message keeps its lines and tabs; no other control character.
    for (unsigned char c : m)
      if ((c < 0x20 && c != '\n' && c != '\r' && c != '\t') || c == 0x7F)
        return OptionError{"--message", "holds a control character"};
    draft.message = m;
  }
  if (has("--alarm")) {
    const std::string& f = given["--alarm"];
    if (f.size() > t.AlarmFile.size() - 1)
      return OptionError{"--alarm",
                         "longer than " + std::to_string(t.AlarmFile.size() - 1) + " characters"};
    if (hasControl(f)) return OptionError{"--alarm", "holds a control character"};
    t.Alarm = 1;
    t.AlarmFile.set(f);
  }
  if (has("--warn")) t.Warn = 1;
  if (has("--ask")) t.UserSkip = 1;
  if (has("--disabled")) t.Disabled = 1;

  if (has("--type")) {
    static const std::pair<const char*, const char*> types[] = {
        {"program", task_type::kRunProgram},
        {"message", task_type::kDisplayMessage},
        {"both", task_type::kBoth},
        {"none", task_type::kNone}};
    const std::string v = lower(given["--type"]);
    const char* code = nullptr;
    for (const auto& [n, c] : types)
      if (v == n) code = c;
    if (!code) return OptionError{"--type", "expected program, message, both or none"};
    t.TaskType.set(code);
  } else if (isNew && has("--command") != has("--message")) {
    t.TaskType.set(has("--command") ? task_type::kRunProgram : task_type::kDisplayMessage);
  }

  if (has("--schedule")) {
    static const std::pair<const char*, const char*> kinds[] = {
        {"once", schedule_type::kOnce},
        {"yearly", schedule_type::kYearly},
        {"monthly", schedule_type::kMonthly},
        {"weekdays", schedule_type::kDayOfWeek},
        {"month-weeks", schedule_type::kDayOfMonth},
        {"custom", schedule_type::kCustom}};
    const std::string v = lower(given["--schedule"]);
    const char* code = nullptr;
    for (const auto& [n, c] : kinds)
      if (v == n) code = c;
    if (!code)
      return OptionError{"--schedule",
                         "expected once, yearly, monthly, weekdays, month-weeks or custom"};
    t.ScheduleType.set(code);
  }
  const ScheduleKind kind = scheduleKindOf(t.ScheduleType.trimmed());

  if (has("--days")) {
    if (kind != ScheduleKind::DayOfWeek && kind != ScheduleKind::DayOfMonth)
      return OptionError{"--days", "only for --schedule weekdays or month-weeks"};
    const auto mask = parseDays(given["--days"]);
    if (!mask) return OptionError{"--days", "expected weekdays such as mon,tue,wed"};
    setWeekdays(t, *mask);
  }
  if (has("--weeks")) {
    if (kind != ScheduleKind::DayOfMonth)
      return OptionError{"--weeks", "only for --schedule month-weeks"};
    const auto mask = parseWeeks(given["--weeks"]);
    if (!mask) return OptionError{"--weeks", "expected weeks such as 1st,3rd,last"};
    setOrdinals(t, *mask);
  }
  for (const char* n : {"--every", "--unit"})
    if (has(n) && kind != ScheduleKind::Custom) return OptionError{n, "only for --schedule custom"};
  if (has("--every")) {
    const auto n = digits(given["--every"]);
    if (!n || *n < 1 || *n > kMaxEvery)
      return OptionError{"--every",
                         "expected a whole number from 1 to " + std::to_string(kMaxEvery)};
    t.Every = static_cast<std::int32_t>(*n);
  }
  if (has("--unit")) {
    static const std::pair<const char*, const char*> units[] = {
        {"minutes", every_type::kMinutes}, {"hours", every_type::kHours},
        {"days", every_type::kDays},       {"weeks", every_type::kWeeks},
        {"months", every_type::kMonths},   {"years", every_type::kYears}};
    const std::string v = lower(given["--unit"]);
    const char* code = nullptr;
    for (const auto& [n, c] : units)
      if (v == n) code = c;
    if (!code)
      return OptionError{"--unit", "expected minutes, hours, days, weeks, months or years"};
    t.EveryType.set(code);
  }
  // A new custom rule names its unit; a stored one keeps its own when it
  // has one.
  if (kind == ScheduleKind::Custom && !has("--unit") &&
      (isNew || everyUnitOf(t.EveryType.trimmed()) == EveryUnit::Unknown))
    return OptionError{"--unit", "required with --schedule custom"};

  // A stored task's warning keeps its lead when the task moves.
  const long long movedFrom = instantOf(t.Date, t.Time);
  if (has("--time")) {
    const auto time = parseClockText(given["--time"]);
    if (!time) return OptionError{"--time", "expected HH:MM or HH:MM:SS"};
    t.Time = *time;
  }
  if (has("--date")) {
    const auto date = parseDateText(given["--date"]);
    if (!date)
      return OptionError{"--date", "expected YYYY-MM-DD (or the date picture " +
                                       lang::format(lang::kFirstDay1901, "@d17") +
                                       ") from 1801 to 2099"};
    t.Date = *date;
    if (!dateSuitsSchedule(t)) return OptionError{"--date", kDateMismatchText};
  } else if (isNew) {
    // The first day from today on that the rule accepts (every weekday
    // occurs in every week of a month, so five weeks always find one).
    int date = today;
    for (t.Date = date; !dateSuitsSchedule(t) && date < today + 62; t.Date = ++date) {
    }
  } else if (!dateSuitsSchedule(t)) {
    return OptionError{"--date", kDateMismatchText};
  }

  if (!isNew && !has("--advance") && t.AdvanceWarnDate != 0) {
    const long long at =
        instantOf(t.AdvanceWarnDate, t.AdvanceWarnTime) + (instantOf(t.Date, t.Time) - movedFrom);
    if (at < static_cast<long long>(lang::kFirstDay) * kHundredthsPerDay)
      return OptionError{"--date", "the advance warning would fall before 1801"};
    t.AdvanceWarnDate = static_cast<std::int32_t>(at / kHundredthsPerDay);
    t.AdvanceWarnTime = static_cast<std::int32_t>(at % kHundredthsPerDay + 1);
  }
  if (has("--advance")) {
    const auto before = parseAdvanceText(given["--advance"]);
    if (!before) return OptionError{"--advance", "expected DAYS or DAYS:HH:MM"};
    // The moment of the task in hundredths, less the warning's lead.
    const long long at = instantOf(t.Date, t.Time) - *before;
    const long long warnDate = at / kHundredthsPerDay;
    if (at < 0 || warnDate < lang::kFirstDay)
      return OptionError{"--advance", "the warning would fall before 1801"};
    t.AdvanceWarnDate = static_cast<std::int32_t>(warnDate);
    t.AdvanceWarnTime = static_cast<std::int32_t>(at % kHundredthsPerDay + 1);
    t.AdvanceWarned = 0;
  }
  if (warningAfterTask(t)) return OptionError{"--advance", kWarningAfterTaskText};
  return std::nullopt;
}

}  // namespace dw::app
