// Task options of the command line: the text forms of dates, times and
// advance warnings, the form's date check, and every refusal naming its
// option.
#include "app/exchange/task_options.h"

#include <gtest/gtest.h>

#include <string>

#include "app/data/table_codes.h"
#include "app/scheduler/task_validation.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/intl.h"

namespace dw::app {
namespace {

int day(int y, int m, int d) {
  return lang::dayNumberOf({y, d, m});
}
int at(int h, int m, int s = 0) {
  return lang::timeValueOf({h, m, s, 0});
}

TEST(TaskOptionTexts, Dates) {
  lang::resetLanguageTables();
  struct Case {
    const char* text;
    int expected;  // 0: refused
  } cases[] = {
      {"2026-12-24", day(2026, 12, 24)},
      {"1801-01-01", lang::kFirstDay},
      {"2099-12-31", lang::kLastDay},
      {"2028-02-29", day(2028, 2, 29)},
      {"2026-02-29", 0},  // no such day
      {"1800-12-31", 0},  // before the calendar
      {"2100-01-01", 0},  // after it
      {"2026-1-05", 0},
      {"2026-13-01", 0},
      {"DEC 24, 2026", day(2026, 12, 24)},  // the form's picture
      {"12/24/26", day(1926, 12, 24)},      // the locale's short date (yy is 19yy)
      {"12/24/2026", 0},                    // as the program shows it, or not at all
      {"christmas", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    const auto got = parseDateText(c.text);
    EXPECT_EQ(got.value_or(0), c.expected) << c.text;
  }
}

TEST(TaskOptionTexts, TimesAndAdvance) {
  EXPECT_EQ(parseClockText("00:00"), 1);
  EXPECT_EQ(parseClockText("23:59:59"), at(23, 59, 59));
  EXPECT_EQ(parseClockText("09:30"), at(9, 30));
  for (const char* bad : {"24:00", "9:30", "12:60", "12:00:60", "12-00", "", "12:00:0"})
    EXPECT_FALSE(parseClockText(bad)) << bad;

  EXPECT_EQ(parseAdvanceText("0"), 0);
  EXPECT_EQ(parseAdvanceText("2"), 2LL * 8640000);
  EXPECT_EQ(parseAdvanceText("1:02:30"), 8640000LL + 2 * 360000 + 30 * 6000);
  for (const char* bad : {"-1", "1:2:00", "1:24:00", "x", "", "1:", "1:02"})
    EXPECT_FALSE(parseAdvanceText(bad)) << bad;

  EXPECT_EQ(isoDateText(day(2026, 3, 5)), "2026-03-05");
  EXPECT_EQ(clockText(at(7, 5, 9) + 99), "07:05:09");
  EXPECT_EQ(clockText(0), "00:00:00");
}

TEST(TaskValidation, DateAgainstScheduleType) {
  ScheduleRecord t{};
  primeNewTask(t, day(2026, 12, 7), at(9, 0));
  t.ScheduleType = schedule_type::kDayOfMonth;
  t.Sunday = t.Tuesday = t.Wednesday = t.Thursday = t.Friday = t.Saturday = 0;  // Mondays
  t.EveryLast = 0;
  t.Every1st = 1;
  t.Date = day(2026, 12, 7);  // the first Monday of December 2026
  EXPECT_TRUE(dateSuitsSchedule(t));
  t.Date = day(2026, 12, 14);  // the second
  EXPECT_FALSE(dateSuitsSchedule(t));
  t.Date = 0;  // no date is not tested
  EXPECT_TRUE(dateSuitsSchedule(t));
  // No week flagged: any week, as the recurrence reads it.
  t.Every1st = 0;
  t.Date = day(2026, 12, 14);
  EXPECT_TRUE(dateSuitsSchedule(t));
  t.ScheduleType = schedule_type::kDayOfWeek;
  t.Date = day(2026, 12, 8);  // a Tuesday
  EXPECT_FALSE(dateSuitsSchedule(t));
  t.ScheduleType = schedule_type::kMonthly;
  EXPECT_TRUE(dateSuitsSchedule(t));

  t.Date = day(2026, 12, 8);
  t.Time = at(10, 0);
  t.AdvanceWarnDate = t.Date;
  t.AdvanceWarnTime = at(10, 1);
  EXPECT_TRUE(warningAfterTask(t));
  t.AdvanceWarnTime = at(10, 0);
  EXPECT_FALSE(warningAfterTask(t));
  t.AdvanceWarnDate = 0;
  EXPECT_FALSE(warningAfterTask(t));
}

class TaskOptionsTest : public ::testing::Test {
 protected:
  const int today = day(2026, 12, 7);  // a Monday
  TaskDraft draft;
  void SetUp() override { primeNewTask(draft.record, today, at(12, 0)); }
  std::optional<OptionError> apply(const TaskOptionList& options, bool isNew = true) {
    return applyTaskOptions(options, isNew, today, draft);
  }
};

TEST_F(TaskOptionsTest, EveryFieldFromItsOption) {
  const auto e = apply({{"--description", "Back up"},
                        {"--type", "Program"},
                        {"--category", "Chores"},
                        {"--schedule", "month-weeks"},
                        {"--days", "fri,Sunday"},
                        {"--weeks", "2nd,last"},
                        {"--date", "2026-12-11"},
                        {"--time", "01:00"},
                        {"--command", "backup --all"},
                        {"--path", "/srv"},
                        {"--message", "Tape in?"},
                        {"--alarm", "/usr/share/bell.wav"},
                        {"--warn", ""},
                        {"--ask", ""},
                        {"--disabled", ""},
                        {"--advance", "1:02:00"}});
  ASSERT_FALSE(e) << e->option << ": " << e->text;
  const ScheduleRecord& r = draft.record;
  EXPECT_EQ(r.Description.str(), "Back up");
  EXPECT_EQ(r.TaskType.str(), task_type::kRunProgram);
  EXPECT_EQ(r.Category.str(), "Chores");
  EXPECT_EQ(r.ScheduleType.str(), schedule_type::kDayOfMonth);
  EXPECT_EQ(int(r.Sunday) + r.Monday + r.Tuesday + r.Wednesday + r.Thursday + r.Saturday, 1);
  EXPECT_EQ(r.Friday, 1);
  EXPECT_EQ(int(r.Every1st) + r.Every2nd + r.Every3rd + r.Every4th + r.EveryLast, 2);
  EXPECT_EQ(r.Every2nd, 1);
  EXPECT_EQ(r.Date, day(2026, 12, 11));
  EXPECT_EQ(r.Time, at(1, 0));
  EXPECT_EQ(r.Command.str(), "backup --all");
  EXPECT_EQ(r.Path.str(), "/srv");
  EXPECT_EQ(draft.message, "Tape in?");
  EXPECT_EQ(r.Alarm, 1);
  EXPECT_EQ(r.AlarmFile.str(), "/usr/share/bell.wav");
  EXPECT_EQ(r.Warn + r.UserSkip + r.Disabled, 3);
  // One day and two hours before 11 December 01:00 is 9 December 23:00.
  EXPECT_EQ(r.AdvanceWarnDate, day(2026, 12, 9));
  EXPECT_EQ(r.AdvanceWarnTime, at(23, 0));
}

TEST_F(TaskOptionsTest, RefusalsNameTheirOption) {
  const std::string long41(41, 'x');
  struct Case {
    TaskOptionList options;
    const char* option;
  } cases[] = {
      {{{"--schedule", "weekdays"}, {"--days", "mon"}, {"--date", "2026-12-08"}}, "--date"},
      {{{"--schedule", "month-weeks"},
        {"--days", "mon"},
        {"--weeks", "1st"},
        {"--date", "2026-12-14"}},
       "--date"},
      {{{"--date", "2026-02-30"}}, "--date"},
      {{{"--schedule", "once"}, {"--days", "mon"}}, "--days"},
      {{{"--schedule", "weekdays"}, {"--days", "mon,funday"}}, "--days"},
      {{{"--schedule", "weekdays"}, {"--days", "mon,"}}, "--days"},
      {{{"--schedule", "weekdays"}, {"--weeks", "1st"}}, "--weeks"},
      {{{"--schedule", "month-weeks"}, {"--weeks", "5th"}}, "--weeks"},
      {{{"--schedule", "monthly"}, {"--every", "2"}}, "--every"},
      {{{"--schedule", "custom"}, {"--every", "2"}}, "--unit"},
      {{{"--schedule", "custom"}, {"--unit", "fortnights"}}, "--unit"},
      {{{"--schedule", "custom"}, {"--unit", "days"}, {"--every", "0"}}, "--every"},
      {{{"--schedule", "custom"}, {"--unit", "days"}, {"--every", "1000000"}}, "--every"},
      {{{"--schedule", "custom"}, {"--unit", "days"}, {"--every", "-3"}}, "--every"},
      {{{"--schedule", "daily"}}, "--schedule"},
      {{{"--type", "script"}}, "--type"},
      {{{"--description", long41}}, "--description"},
      {{{"--description", "two\nlines"}}, "--description"},
      {{{"--category", std::string(21, 'c')}}, "--category"},
      {{{"--alarm", std::string(81, 'a')}}, "--alarm"},
      {{{"--message", std::string(1001, 'm')}}, "--message"},
      {{{"--message", "bell\a"}}, "--message"},
      {{{"--message", "esc\x1b[2J"}}, "--message"},
      {{{"--message", std::string("nul\0x", 5)}}, "--message"},
      {{{"--time", "25:00"}}, "--time"},
      {{{"--advance", "1:99:00"}}, "--advance"},
      {{{"--date", "1801-01-01"}, {"--schedule", "once"}, {"--advance", "1"}}, "--advance"},
      {{{"--time", "10:00"}, {"--time", "11:00"}}, "--time"},
      {{{"--date", ""}}, "--date"},
      {{{"--colour", "red"}}, "--colour"},
  };
  for (const Case& c : cases) {
    SetUp();
    const auto e = apply(c.options);
    ASSERT_TRUE(e) << c.option;
    EXPECT_EQ(e->option, c.option) << e->text;
    EXPECT_FALSE(e->text.empty());
  }
  SetUp();
  const auto e = apply({{"--schedule", "weekdays"}, {"--days", "mon"}, {"--date", "2026-12-08"}});
  EXPECT_EQ(e->text, kDateMismatchText);
}

TEST_F(TaskOptionsTest, DefaultsOfANewTask) {
  // Without --date the task falls on the first day from today that suits
  // its rule; the time stays the current one.
  ASSERT_FALSE(apply({{"--schedule", "weekdays"}, {"--days", "fri"}}));
  EXPECT_EQ(draft.record.Date, day(2026, 12, 11));
  EXPECT_EQ(draft.record.Time, at(12, 0));
  SetUp();
  ASSERT_FALSE(apply({{"--schedule", "month-weeks"}, {"--days", "mon"}, {"--weeks", "1st"}}));
  EXPECT_EQ(draft.record.Date, today);  // 7 December is the first Monday
  // The form's defaults: every weekday, week "Last", warn off; the type
  // follows the command or message given alone.
  SetUp();
  ASSERT_FALSE(apply({{"--message", "hello\r\n\tthere"}}));
  EXPECT_EQ(draft.record.ScheduleType.str(), schedule_type::kDayOfWeek);
  EXPECT_EQ(draft.record.TaskType.str(), task_type::kDisplayMessage);
  EXPECT_EQ(draft.record.Warn, 0);
  EXPECT_EQ(draft.record.EveryLast, 1);
  EXPECT_EQ(draft.record.Date, today);
  SetUp();
  ASSERT_FALSE(apply({{"--command", "ls"}, {"--message", "hello"}}));
  EXPECT_EQ(draft.record.TaskType.str(), task_type::kBoth);
}

TEST_F(TaskOptionsTest, ChangingAStoredTask) {
  // A stored custom task keeps its unit when only the count changes, and a
  // change of schedule type is checked against the stored date.
  ASSERT_FALSE(apply({{"--schedule", "custom"}, {"--unit", "days"}, {"--date", "2026-12-08"}}));
  ASSERT_FALSE(apply({{"--every", "3"}}, false));
  EXPECT_EQ(draft.record.Every, 3);
  EXPECT_EQ(draft.record.EveryType.str(), every_type::kDays);
  const auto e = apply({{"--schedule", "weekdays"}, {"--days", "mon"}}, false);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->option, "--date");
  EXPECT_EQ(e->text, kDateMismatchText);
}

TEST_F(TaskOptionsTest, AStoredTasksWarningMovesWithIt) {
  // One day and two hours ahead of Tuesday 8 December 09:00.
  ASSERT_FALSE(apply({{"--schedule", "once"},
                      {"--date", "2026-12-08"},
                      {"--time", "09:00"},
                      {"--advance", "1:02:00"}}));
  EXPECT_EQ(draft.record.AdvanceWarnDate, day(2026, 12, 7));
  EXPECT_EQ(draft.record.AdvanceWarnTime, at(7, 0));
  // Moved by two days and an hour, the warning keeps its lead...
  ASSERT_FALSE(apply({{"--date", "2026-12-10"}, {"--time", "10:00"}}, false));
  EXPECT_EQ(draft.record.AdvanceWarnDate, day(2026, 12, 9));
  EXPECT_EQ(draft.record.AdvanceWarnTime, at(8, 0));
  // ...unless a new one is given, and a change of other fields leaves it.
  ASSERT_FALSE(apply({{"--time", "00:30"}, {"--advance", "0:01:00"}}, false));
  EXPECT_EQ(draft.record.AdvanceWarnDate, day(2026, 12, 9));
  EXPECT_EQ(draft.record.AdvanceWarnTime, at(23, 30));
  ASSERT_FALSE(apply({{"--description", "moved"}}, false));
  EXPECT_EQ(draft.record.AdvanceWarnTime, at(23, 30));
}

}  // namespace
}  // namespace dw::app
