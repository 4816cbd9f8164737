// The iCalendar mapping: exported events read back by libical expand to
// the times the timer gives; export then import gives back the task; foreign
// events map what they can and name the line of what they cannot; damaged
// files are refused as a whole.
#include "app/exchange/ical_mapping.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "app/data/table_codes.h"
#include "app/scheduler/next_occurrence.h"
#include "app/scheduler/upcoming.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

int day(int y, int m, int d) {
  return lang::dayNumberOf({y, d, m});
}
int at(int h, int m) {
  return lang::timeValueOf({h, m, 0, 0});
}

Occurrence fromIcal(icaltimetype t) {
  return {day(t.year, t.month, t.day), lang::timeValueOf({t.hour, t.minute, t.second, 0})};
}

// A random valid task of each schedule type, from the command-line options.
TaskDraft randomTask(std::mt19937& rng, int kind) {
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  static const char* const kinds[] = {"once",     "yearly",      "monthly",
                                      "weekdays", "month-weeks", "custom"};
  static const char* const units[] = {"minutes", "hours", "days", "weeks", "months", "years"};
  static const char* const days[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
  static const char* const weeks[] = {"1st", "2nd", "3rd", "4th", "last"};
  TaskOptionList o{{"--schedule", kinds[kind]}};
  std::string list;
  if (kind == 3 || kind == 4) {
    for (int d = 0; d < 7; ++d)
      if (pick(0, 2) == 0) list += std::string(list.empty() ? "" : ",") + days[d];
    if (!list.empty()) o.emplace_back("--days", list);
  }
  if (kind == 4) {
    list.clear();
    for (int w = 0; w < 5; ++w)
      if (pick(0, 2) == 0) list += std::string(list.empty() ? "" : ",") + weeks[w];
    if (!list.empty()) o.emplace_back("--weeks", list);
  }
  if (kind == 5) {
    const int u = pick(0, 5);
    const int limits[] = {300, 60, 40, 8, 15, 3};
    o.emplace_back("--unit", units[u]);
    o.emplace_back("--every", std::to_string(pick(1, limits[u])));
  }
  char time[16];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", pick(0, 23), pick(0, 59), pick(0, 59));
  o.emplace_back("--time", time);
  if (pick(0, 2) == 0)
    o.emplace_back("--advance",
                   std::to_string(pick(0, 3)) + ":0" + std::to_string(pick(0, 9)) + ":15");
  if (pick(0, 1)) o.emplace_back("--description", "Task " + std::to_string(pick(0, 999)));
  if (pick(0, 1)) o.emplace_back("--command", "echo 'a;b,c' \\ done");
  if (pick(0, 1)) o.emplace_back("--message", "line one\nline two, with; marks");
  if (pick(0, 1)) o.emplace_back("--category", "Work");
  if (pick(0, 3) == 0) o.emplace_back("--warn", "");
  if (pick(0, 3) == 0) o.emplace_back("--ask", "");
  if (pick(0, 3) == 0) o.emplace_back("--disabled", "");
  if (pick(0, 3) == 0) o.emplace_back("--alarm", "/usr/share/sounds/bell.wav");
  if (pick(0, 3) == 0) o.emplace_back("--path", "/tmp");
  TaskDraft draft;
  // Dates near the ends of months often, where month steps carry.
  const int today = day(2026, pick(1, 12), pick(0, 1) ? pick(25, 28) : pick(1, 28)) + pick(0, 3);
  primeNewTask(draft.record, today, at(12, 0));
  const auto e = applyTaskOptions(o, true, today, draft);
  EXPECT_FALSE(e) << e->option << ": " << e->text;
  return draft;
}

struct Calendar {
  icalcomponent* root = nullptr;
  explicit Calendar(const std::string& text) : root(icalparser_parse_string(text.c_str())) {}
  ~Calendar() { icalcomponent_free(root); }
  icalcomponent* event() const {
    return icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT);
  }
};

TEST(IcalExport, LibicalExpansionMatchesTheTimer) {
  std::mt19937 rng(5545);
  int withRule = 0, withDates = 0;
  for (int round = 0; round < 25; ++round) {
    for (int kind = 1; kind < 6; ++kind) {
      const TaskDraft task = randomTask(rng, kind);
      const ScheduleRecord& t = task.record;
      const std::string text = exportCalendar({task}, 0);
      Calendar cal(text);
      ASSERT_NE(cal.event(), nullptr) << text;
      ASSERT_EQ(icalcomponent_count_errors(cal.root), 0) << text;
      const icaltimetype start = icalcomponent_get_dtstart(cal.event());
      // A year of occurrences (at most 300), as the timer would move it.
      const Occurrence first{t.Date, t.Time};
      const long long limit = (t.Date + 365LL) * 8640000;
      std::vector<Occurrence> expected{first};
      for (const Occurrence& o : upcomingOccurrences(t, first, 299))
        if (o.date * 8640000LL + o.time <= limit) expected.push_back(o);
      std::vector<Occurrence> got;
      if (icalproperty* p = icalcomponent_get_first_property(cal.event(), ICAL_RRULE_PROPERTY)) {
        ++withRule;
        icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(p), start);
        ASSERT_NE(it, nullptr) << text;
        for (icaltimetype n = icalrecur_iterator_next(it);
             !icaltime_is_null_time(n) && got.size() < expected.size();
             n = icalrecur_iterator_next(it))
          got.push_back(fromIcal(n));
        icalrecur_iterator_free(it);
      } else {
        ++withDates;
        got.push_back(fromIcal(start));
        for (icalproperty* p = icalcomponent_get_first_property(cal.event(), ICAL_RDATE_PROPERTY);
             p; p = icalcomponent_get_next_property(cal.event(), ICAL_RDATE_PROPERTY))
          got.push_back(fromIcal(icalproperty_get_rdate(p).time));
        if (got.size() > expected.size()) got.resize(expected.size());
      }
      ASSERT_EQ(got, expected) << text;
    }
  }
  EXPECT_GT(withRule, 80);
  EXPECT_GT(withDates, 3);  // monthly and yearly steps that carry
}

TEST(IcalExport, RulesWithAndWithoutAnExactEquivalent) {
  TaskDraft d;
  primeNewTask(d.record, day(2026, 12, 7), at(9, 0));
  ASSERT_FALSE(applyTaskOptions({{"--schedule", "month-weeks"},
                                 {"--days", "mon"},
                                 {"--weeks", "2nd,last"},
                                 {"--date", "2026-12-14"}},
                                true, day(2026, 12, 7), d));
  EXPECT_EQ(exactRecurrenceRule(d.record), "FREQ=MONTHLY;BYDAY=2MO,-1MO;UNTIL=20991231T235959");
  d.record.Date = day(2026, 1, 31);
  d.record.ScheduleType = schedule_type::kMonthly;
  EXPECT_EQ(exactRecurrenceRule(d.record), "");  // 31 January moves to 3 March
  d.record.Date = day(2028, 2, 29);
  d.record.ScheduleType = schedule_type::kYearly;
  EXPECT_EQ(exactRecurrenceRule(d.record), "");  // then 1 March every year
  d.record.ScheduleType = schedule_type::kOnce;
  EXPECT_EQ(exactRecurrenceRule(d.record), "");
  d.record.ScheduleType = schedule_type::kCustom;
  d.record.EveryType = "fortnights";
  EXPECT_EQ(exactRecurrenceRule(d.record), "");
}

TEST(IcalImport, ExportedTasksComeBackUnchanged) {
  std::mt19937 rng(1);
  std::vector<TaskDraft> tasks;
  for (int i = 0; i < 60; ++i) {
    tasks.push_back(randomTask(rng, i % 6));
    // Warnings travel in whole minutes, as --advance gives them.
    tasks.back().record.ID = 0;
  }
  const IcalImport back = importCalendar(exportCalendar(tasks, 0), day(2026, 12, 7));
  ASSERT_FALSE(back.error) << *back.error;
  EXPECT_TRUE(back.notes.empty()) << back.notes.front();
  ASSERT_EQ(back.tasks.size(), tasks.size());
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    ScheduleRecord original = tasks[i].record;
    const ScheduleRecord& read = back.tasks[i].draft.record;
    // The task type of a task without message or command follows them on
    // import only when the file does not name it; this one always does.
    EXPECT_EQ(std::memcmp(&original, &read, sizeof original), 0)
        << "task " << i << " read back as: dornctl add " << [&] {
             std::string s;
             for (const auto& [n, v] : back.tasks[i].options) s += n + " " + v + " ";
             return s;
           }();
    EXPECT_EQ(back.tasks[i].draft.message, tasks[i].message);
  }
}

const char* kForeign =
    "BEGIN:VCALENDAR\r\n"                                          // 1
    "VERSION:2.0\r\n"                                              // 2
    "PRODID:-//Elsewhere//EN\r\n"                                  // 3
    "BEGIN:VEVENT\r\n"                                             // 4
    "UID:a\r\n"                                                    // 5
    "DTSTART:20270104T083000\r\n"                                  // 6
    "RRULE:FREQ=WEEKLY;BYDAY=MO,WE;COUNT=10\r\n"                   // 7
    "SUMMARY:Standup with a title far too long for the field\r\n"  // 8
    "CATEGORIES:Work,Team\r\n"                                     // 9
    "END:VEVENT\r\n"                                               // 10
    "BEGIN:VEVENT\r\n"                                             // 11
    "UID:b\r\n"                                                    // 12
    "DTSTART:20270105T100000Z\r\n"                                 // 13
    "RRULE:FREQ=MONTHLY;BYDAY=MO,TU;BYSETPOS=-1\r\n"               // 14
    "EXDATE:20270205T100000Z\r\n"                                  // 15
    "BEGIN:VALARM\r\n"                                             // 16
    "ACTION:DISPLAY\r\n"                                           // 17
    "TRIGGER;RELATED=END:PT5M\r\n"                                 // 18
    "END:VALARM\r\n"                                               // 19
    "END:VEVENT\r\n"                                               // 20
    "BEGIN:VEVENT\r\n"                                             // 21
    "UID:c\r\n"                                                    // 22
    "SUMMARY:No start\r\n"                                         // 23
    "END:VEVENT\r\n"                                               // 24
    "END:VCALENDAR\r\n";

TEST(IcalImport, ForeignEventsMapWhatTheyCanLineByLine) {
  // UTC times are read on the local clock: make it UTC for this test.
  const char* oldZone = std::getenv("TZ");
  const std::string saved = oldZone ? oldZone : "";
  setenv("TZ", "UTC", 1);
  tzset();
  const IcalImport r = importCalendar(kForeign, day(2026, 12, 7));
  if (oldZone)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  ASSERT_FALSE(r.error) << *r.error;
  ASSERT_EQ(r.tasks.size(), 2u);
  const ScheduleRecord& standup = r.tasks[0].draft.record;
  EXPECT_EQ(standup.ScheduleType.str(), schedule_type::kDayOfWeek);
  EXPECT_EQ(int(standup.Monday) + standup.Wednesday, 2);
  EXPECT_EQ(
      int(standup.Sunday) + standup.Tuesday + standup.Thursday + standup.Friday + standup.Saturday,
      0);
  EXPECT_EQ(standup.Date, day(2027, 1, 4));
  EXPECT_EQ(standup.Time, at(8, 30));
  EXPECT_EQ(standup.Description.str().size(), 40u);
  EXPECT_EQ(standup.Category.str(), "Work");
  EXPECT_EQ(standup.TaskType.str(), task_type::kDisplayMessage);
  const ScheduleRecord& second = r.tasks[1].draft.record;
  EXPECT_EQ(second.ScheduleType.str(), schedule_type::kOnce);
  EXPECT_EQ(second.Time, at(10, 0));  // UTC read in the local zone (UTC here)
  EXPECT_EQ(second.AdvanceWarnDate, 0);
  const std::vector<std::string> expected = {
      "line 8: SUMMARY cut to 40 characters",
      "line 9: only the first category is kept",
      "line 7: RRULE COUNT not kept: the task repeats until removed",
      "line 14: RRULE not mapped (its BY parts have no equivalent): imported as a one-off task",
      "line 15: EXDATE not kept: no occurrence is left out",
      "line 11: VALARM not kept: only a warning before the start is",
      "line 21: event left out: no DTSTART from 1801 to 2099 (a task needs its date)",
  };
  EXPECT_EQ(r.notes, expected);
}

TEST(IcalImport, ControlCharactersBecomeBlanksAndOuterBlanksGo) {
  // What import keeps must export and import again unchanged: libical drops
  // the blanks around text values, so import keeps none.
  const std::string text =
      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20270104T083000\r\n"
      "SUMMARY:a\x01"
      "b\r\nDESCRIPTION:\x1c"
      "Room 4\x03\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  const IcalImport r = importCalendar(text, day(2026, 12, 7));
  ASSERT_EQ(r.tasks.size(), 1u);
  EXPECT_EQ(r.tasks[0].draft.record.Description.str(), "a b");
  EXPECT_EQ(r.tasks[0].draft.message, "Room 4");
  const IcalImport again = importCalendar(exportCalendar({r.tasks[0].draft}, 0), day(2026, 12, 7));
  ASSERT_EQ(again.tasks.size(), 1u);
  EXPECT_EQ(again.tasks[0].draft.message, "Room 4");
}

TEST(IcalImport, MidnightIsATimeLikeAnyOther) {
  struct Case {
    const char* dtstart;
    int time;
  };
  // Times count hundredths from midnight plus one: midnight is 1.
  const Case cases[] = {{"DTSTART:20270619T000000", 1},
                        {"DTSTART:20270619T000001", 101},
                        {"DTSTART;VALUE=DATE:20270619", 1}};
  for (const Case& c : cases) {
    const std::string text = std::string("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n") + c.dtstart +
                             "\r\nSUMMARY:Night\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const IcalImport r = importCalendar(text, day(2026, 12, 7));
    ASSERT_EQ(r.tasks.size(), 1u) << c.dtstart;
    EXPECT_EQ(r.tasks[0].draft.record.Date, day(2027, 6, 19)) << c.dtstart;
    EXPECT_EQ(r.tasks[0].draft.record.Time, c.time) << c.dtstart;
  }
}

TEST(IcalImport, DamagedFilesAreRefusedAsAWhole) {
  TaskDraft d;
  primeNewTask(d.record, day(2026, 12, 7), at(9, 0));
  const std::string good = exportCalendar({d}, 0);
  std::string latin1 = good;
  latin1.insert(latin1.find("DTSTART"), "SUMMARY:Caf\xE9\r\n");
  std::string nul = good;
  nul.insert(nul.find("DTSTART"), std::string("SUMMARY:a\0b\r\n", 13));
  std::string huge = good;
  huge.insert(huge.find("DTSTART"), "SUMMARY:" + std::string(kMaxIcalLine, 'x') + "\r\n");
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {good.substr(0, good.size() / 2), "truncated: BEGIN:"},
      {good.substr(0, good.rfind("END:VCALENDAR")), "truncated: BEGIN:VCALENDAR of line 1"},
      {latin1, "not UTF-8 text"},
      {nul, "NUL byte"},
      {huge, "longer than 8192 characters"},
      {"", "the file is empty"},
      {"hello\r\n", "line 1: expected BEGIN:VCALENDAR"},
      {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nEND:VCALENDAR\r\n",
       "line 3: END:VCALENDAR does not close"},
      {good + good, "only one VCALENDAR"},
  };
  for (const Case& c : cases) {
    const IcalImport r = importCalendar(c.text, day(2026, 12, 7));
    ASSERT_TRUE(r.error) << c.error;
    EXPECT_NE(r.error->find(c.error), std::string::npos) << *r.error;
    EXPECT_TRUE(r.tasks.empty());
  }
  // A task moved beyond the calendar has no DTSTART to give: left out.
  TaskDraft beyond = d;
  beyond.record.Date = kBeyondCalendar;
  EXPECT_EQ(importCalendar(exportCalendar({beyond, d}, 0), day(2026, 12, 7)).tasks.size(), 1u);
  const IcalImport ok = importCalendar(good, day(2026, 12, 7));
  EXPECT_FALSE(ok.error);
  EXPECT_EQ(ok.tasks.size(), 1u);
}

}  // namespace
}  // namespace dw::app
