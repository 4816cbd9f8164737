// The month calendar acting as the user: the grid of a month, days the
// task's schedule rules out, month and year navigation at the ends of the
// calendar, the entries' range messages and what Close returns.
#include "app/forms/common/calendar.h"

#include "app/data/table_codes.h"
#include "app/scheduler/week_of_month.h"
#include "fields/dorn027.h"
#include "runtime/ui/message_box.h"
#include "tests/forms/form_fixture.h"

namespace dw::app {
namespace {

namespace cal = dorn027;

class CalendarTest : public testing::FormFixture {
 protected:
  // Opens the calendar on `date` (SCH's buffer as the test left it).
  std::uint32_t open(std::int32_t date, std::string title = {}, std::string mode = {}) {
    run([this, date, title, mode] { m_result = Calendar(date, title, mode); });
    return windowId("CALENDAR$WINDOW");
  }
  // The day numbers of the visible day buttons, in grid order, with the
  // first one's position in the grid.
  std::vector<int> visibleDays(int* firstIndex = nullptr) {
    const auto shot = backend.find("CALENDAR$WINDOW");
    std::vector<int> days;
    for (int f = cal::kFirstDay; f <= cal::kLastDay; ++f) {
      if (!shot->visible.at(f)) continue;
      if (days.empty() && firstIndex) *firstIndex = f - cal::kFirstDay;
      days.push_back(std::stoi(shot->controls.at(f).text));
    }
    return days;
  }
  int buttonOfDay(int day) {
    const auto shot = backend.find("CALENDAR$WINDOW");
    for (int f = cal::kFirstDay; f <= cal::kLastDay; ++f)
      if (shot->visible.at(f) && shot->controls.at(f).text == std::to_string(day)) return f;
    return 0;
  }
  std::int32_t m_result = -1;
};

TEST_F(CalendarTest, ShowsTheMonthOfTheDatePassedWithTheEmptyButtonsHidden) {
  struct Case {
    int month, day, year;
    int days, firstIndex;  // weekday of the 1st
  } cases[] = {
      {1, 31, 2026, 31, 4},  // January 2026 starts on a Thursday
      {2, 10, 2026, 28, 0},  // February 2026: four whole weeks from a Sunday
      {2, 29, 2000, 29, 2},  // a leap February
      {5, 1, 2027, 31, 6},   // starts on a Saturday: six rows used
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.month) + "/" + std::to_string(c.year));
    const std::uint32_t w = open(lang::date(c.month, c.day, c.year));
    int first = -1;
    const std::vector<int> days = visibleDays(&first);
    ASSERT_EQ(static_cast<int>(days.size()), c.days);
    for (int i = 0; i < c.days; ++i) EXPECT_EQ(days[i], i + 1);
    EXPECT_EQ(first, c.firstIndex);
    EXPECT_EQ(backend.find("CALENDAR$WINDOW")->title, "Select Date");
    EXPECT_EQ(backend.find("CALENDAR$WINDOW")->focus, buttonOfDay(c.day));
    EXPECT_EQ(shown(w, cal::kMonth), std::to_string(c.month));
    EXPECT_EQ(shown(w, cal::kYear), std::to_string(c.year));
    backend.press(w, cal::kClose);
    finish();
  }
}

TEST_F(CalendarTest, CloseReturnsTheDatePassedEvenNone) {
  for (const std::int32_t passed : {0, today() + 3}) {
    const std::uint32_t w = open(passed, "Pick one");
    EXPECT_EQ(backend.find("CALENDAR$WINDOW")->title, "Pick one");
    backend.press(w, cal::kNextMonth);
    idle();
    backend.press(w, cal::kClose);
    finish();
    EXPECT_EQ(m_result, passed);
  }
  // Opened on no date, it showed today's month.
  EXPECT_EQ(ini("Calendar", "Maximize"), "No");
}

TEST_F(CalendarTest, ADayPressedIsReturnedAndAnEarlierOneIsAskedAbout) {
  const std::uint32_t w = open(today());
  backend.press(w, buttonOfDay(20));
  finish();
  EXPECT_EQ(m_result, lang::date(12, 20, 2026));
  EXPECT_TRUE(backend.messages().empty());

  // Earlier than today: No keeps the calendar open, Yes takes the day.
  const std::uint32_t again = open(today());
  backend.answerBoxes({ui::button::kNo});
  backend.press(again, buttonOfDay(6));
  idle();
  ASSERT_TRUE(backend.find("CALENDAR$WINDOW"));
  ASSERT_EQ(backend.boxes().size(), 1u);
  const ui::MessageBox box = backend.boxes()[0].box;
  EXPECT_EQ(box.caption, "Confirm");
  EXPECT_EQ(box.text,
            "You have selected a date earlier than today.  Do you wish to use this date?");
  EXPECT_EQ(box.defaultId(), 7);  // No
  backend.answerBoxes({ui::button::kYes});
  backend.press(again, buttonOfDay(6));
  finish();
  EXPECT_EQ(m_result, lang::date(12, 6, 2026));
}

TEST_F(CalendarTest, MonthAndYearStepsWrapAtTheEndsOfTheCalendar) {
  struct Case {
    int month, year;
    int button;
    int wantMonth, wantYear;
  } cases[] = {
      {12, 2026, cal::kNextMonth, 1, 2027}, {1, 2026, cal::kPreviousMonth, 12, 2025},
      {12, 2099, cal::kNextMonth, 1, 1801}, {1, 1801, cal::kPreviousMonth, 12, 2099},
      {6, 2099, cal::kNextYear, 6, 1801},   {6, 1801, cal::kPreviousYear, 6, 2099},
      {2, 2000, cal::kNextYear, 2, 2001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.month) + "/" + std::to_string(c.year) + " button " +
                 std::to_string(c.button));
    const std::uint32_t w = open(lang::date(c.month, 1, c.year));
    backend.press(w, c.button);
    idle();
    EXPECT_EQ(shown(w, cal::kMonth), std::to_string(c.wantMonth));
    EXPECT_EQ(shown(w, cal::kYear), std::to_string(c.wantYear));
    EXPECT_EQ(static_cast<int>(visibleDays().size()), lang::daysInMonth(c.wantMonth, c.wantYear));
    // A day of the month shown is a real date.
    backend.answerBoxes({ui::button::kYes});
    backend.press(w, buttonOfDay(1));
    finish();
    EXPECT_EQ(m_result, lang::date(c.wantMonth, 1, c.wantYear));
  }
}

TEST_F(CalendarTest, AMonthOrYearOutOfRangeIsRefusedAndTheGridStays) {
  struct Case {
    int field;
    const char* typed;
    const char* message;
  } cases[] = {
      {cal::kMonth, "13", "Error Message|Month should be between 1 to 12"},
      {cal::kMonth, "0", "Error Message|Month should be between 1 to 12"},
      {cal::kYear, "2100", "Error Message|Year should be between 1801 to 2099"},
      {cal::kYear, "1800", "Error Message|Year should be between 1801 to 2099"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::uint32_t w = open(lang::date(1, 31, 2026));
    backend.type(w, c.field, c.typed);
    backend.acceptTyped(w, c.field);
    idle();
    ASSERT_FALSE(backend.messages().empty());
    EXPECT_EQ(backend.messages().back(), c.message);
    EXPECT_EQ(backend.find("CALENDAR$WINDOW")->focus, c.field);
    EXPECT_EQ(shown(w, cal::kMonth), "1");
    EXPECT_EQ(shown(w, cal::kYear), "2026");
    EXPECT_EQ(visibleDays().size(), 31u);
    backend.press(w, cal::kClose);
    finish();
  }
  // In range: the grid follows.
  const std::uint32_t w = open(lang::date(1, 31, 2026));
  backend.type(w, cal::kMonth, "2");
  backend.acceptTyped(w, cal::kMonth);
  idle();
  EXPECT_EQ(visibleDays().size(), 28u);
  backend.press(w, cal::kClose);
}

TEST_F(CalendarTest, DaysTheTaskCannotFallOnAreDisabledUnlessTheModeIsNone) {
  // A "Day of Week" task on Mondays only in SCH's buffer.
  SCH().clear();
  SCH()->ScheduleType = schedule_type::kDayOfWeek;
  SCH()->Monday = 1;
  for (const char* mode : {"", "None"}) {
    SCOPED_TRACE(mode);
    const std::uint32_t w = open(today(), "", mode);
    int enabled = 0;
    for (int day = 1; day <= 31; ++day) {
      const bool on = !backend.control(w, buttonOfDay(day))->disabled;
      enabled += on;
      if (std::string(mode).empty()) {
        EXPECT_EQ(on, weekdayOf(lang::date(12, day, 2026)) == 1) << day;
      }
    }
    EXPECT_EQ(enabled, std::string(mode).empty() ? 4 : 31);
    backend.press(w, cal::kClose);
    finish();
  }
  SCH().clear();
}

}  // namespace
}  // namespace dw::app
