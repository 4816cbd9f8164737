// The month calendar (see calendar.h).
//
// The grid: button FirstDay + i (i = 0..41) is row i / 7, weekday i % 7.
// Day 1 of the shown month stands on the button of its weekday in the
// first row, the following days on the buttons after it.  Buttons before
// day 1 and after the last day have no text and are hidden.
//
// The shown month always lies within the calendar's range (January 1801
// to December 2099): stepping a month past either end wraps to the other,
// as stepping a year does, since no date exists outside it to pick.
#include "app/forms/common/calendar.h"

#include <string>

#include "app/data/app_files.h"
#include "app/routines/settings.h"
#include "app/scheduler/task_validation.h"
#include "app/scheduler/week_of_month.h"
#include "app/routines/window_position.h"
#include "fields/dorn027.h"
#include "runtime/lang/dates.h"
#include "runtime/ui/events.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace cal = dorn027;

namespace {

constexpr const char* kDefaultTitle = "Select Date";
constexpr const char* kEarlierText =
    "You have selected a date earlier than today.  Do you wish to use this date?";
constexpr const char* kMonthText = "Month should be between 1 to 12";
constexpr const char* kYearText = "Year should be between 1801 to 2099";
constexpr const char* kErrorCaption = "Error Message";
constexpr int kDayButtons = cal::kLastDay - cal::kFirstDay + 1;

class CalendarWindow {
 public:
  CalendarWindow(int initial, bool testDays) : m_testDays(testDays) {
    m_month = lang::monthOf(initial);
    m_year = lang::yearOf(initial);
    m_task = SCH().rec();
  }

  void bind() {
    ui::Runtime& rt = runtime();
    rt.use(cal::kMonth, ui::VarRef::of(m_month));
    rt.use(cal::kYear, ui::VarRef::of(m_year));
  }

  // Writes the shown month into the grid.
  void fill() {
    ui::Runtime& rt = runtime();
    m_shownMonth = m_month;
    m_shownYear = m_year;
    const int first = lang::date(m_month, 1, m_year);
    const int days = lang::daysInMonth(m_month, m_year);
    m_firstButton = cal::kFirstDay + weekdayOf(first);
    for (int i = 0; i < kDayButtons; ++i) {
      const int field = cal::kFirstDay + i;
      const int day = field - m_firstButton + 1;
      const bool inMonth = day >= 1 && day <= days;
      rt.setProperty(field, ui::prop::kText, inMonth ? std::to_string(day) : std::string());
      if (inMonth && !suits(first + day - 1))
        rt.disable(field);
      else
        rt.enable(field);
    }
    // Rows wholly outside the month would show blank buttons: hide every
    // button without a day, from each end of the grid.
    rt.unhide(cal::kFirstDay, cal::kLastDay);
    for (int field = cal::kFirstDay; field < m_firstButton; ++field) rt.hide(field);
    for (int field = m_firstButton + days; field <= cal::kLastDay; ++field) rt.hide(field);
    rt.display(cal::kMonth);
    rt.display(cal::kYear);
  }

  int buttonOf(int dayNumber) const { return m_firstButton + lang::dayOf(dayNumber) - 1; }
  // The date of a day button of the shown month (0 for a button without a day).
  int dateOf(int field) const {
    const int day = field - m_firstButton + 1;
    if (day < 1 || day > lang::daysInMonth(m_shownMonth, m_shownYear)) return 0;
    return lang::date(m_shownMonth, day, m_shownYear);
  }

  void stepMonth(int by) {
    m_month = m_shownMonth + by;
    m_year = m_shownYear;
    if (m_month < 1) {
      m_month = 12;
      m_year = m_year <= lang::kFirstYear ? lang::kLastYear : m_year - 1;
    } else if (m_month > 12) {
      m_month = 1;
      m_year = m_year >= lang::kLastYear ? lang::kFirstYear : m_year + 1;
    }
    fill();
  }
  void stepYear(int by) {
    m_month = m_shownMonth;
    if (by < 0)
      m_year = m_shownYear <= lang::kFirstYear ? lang::kLastYear : m_shownYear - 1;
    else
      m_year = m_shownYear >= lang::kLastYear ? lang::kFirstYear : m_shownYear + 1;
    fill();
  }
  // The month or year entry accepted: a value in range refills; another
  // is refused with its message and the grid stays as it was.
  void monthEntered() {
    if (m_month >= 1 && m_month <= 12) return fill();
    refuse(kMonthText, cal::kMonth);
  }
  void yearEntered() {
    if (m_year >= lang::kFirstYear && m_year <= lang::kLastYear) return fill();
    refuse(kYearText, cal::kYear);
  }

 private:
  bool suits(int dayNumber) {
    if (!m_testDays) return true;
    m_task.Date = dayNumber;
    return dateSuitsSchedule(m_task);
  }
  void refuse(const char* text, int field) {
    ui::Runtime& rt = runtime();
    rt.message(text, kErrorCaption, ui::stockIconString(ui::stock::kExclamation));
    m_month = m_shownMonth;
    m_year = m_shownYear;
    rt.display(field);
    rt.select(field);
  }

  bool m_testDays;
  ScheduleRecord m_task{};
  std::int32_t m_month = 1;
  std::int32_t m_year = lang::kFirstYear;
  int m_shownMonth = 1;
  int m_shownYear = lang::kFirstYear;
  int m_firstButton = cal::kFirstDay;
};

}  // namespace

std::int32_t Calendar(std::int32_t initialDate, std::string_view title, std::string_view mode) {
  ui::Runtime& rt = runtime();
  // A date outside the calendar (a damaged record) opens on today too.
  const int today = lang::today();
  const int start =
      initialDate >= lang::kFirstDay && initialDate <= lang::kLastDay ? initialDate : today;
  CalendarWindow grid(start, mode != kCalendarNoneMode);
  std::int32_t result = initialDate;

  ui::Window& window = ui::openWindow(kCalendarModule, kCalendarLabel, ui::WindowKind::Plain);
  restorePosition(kCalendarSection, false, kIniFile);
  rt.setProperty(0, ui::prop::kText, title.empty() ? std::string_view(kDefaultTitle) : title);
  grid.bind();
  grid.fill();
  rt.select(grid.buttonOf(start));

  while (rt.accept()) {
    noteWindowState(rt.event());
    const int field = rt.field();
    if (rt.event() == ev::kRejected) {
      rt.backend().beep();
      rt.display(field);
      continue;
    }
    if (rt.event() != ev::kAccepted) continue;
    if (field >= cal::kFirstDay && field <= cal::kLastDay) {
      const int chosen = grid.dateOf(field);
      if (chosen == 0) continue;
      if (chosen < today) {
        const int answer =
            rt.message(kEarlierText, "Confirm", ui::stockIconString(ui::stock::kQuestion),
                       ui::button::kYes | ui::button::kNo, ui::button::kNo);
        if (answer != ui::button::kYes) continue;
      }
      result = chosen;
      rt.post(ev::kCloseWindow);
      continue;
    }
    switch (field) {
      case cal::kPreviousMonth:
        grid.stepMonth(-1);
        break;
      case cal::kNextMonth:
        grid.stepMonth(1);
        break;
      case cal::kPreviousYear:
        grid.stepYear(-1);
        break;
      case cal::kNextYear:
        grid.stepYear(1);
        break;
      case cal::kMonth:
        grid.monthEntered();
        break;
      case cal::kYear:
        grid.yearEntered();
        break;
      case cal::kClose:
        result = initialDate;
        rt.post(ev::kCloseWindow);
        break;
      default:
        break;
    }
  }
  savePosition(kCalendarSection, kIniFile);
  rt.close(window);
  return result;
}

}  // namespace dw::app
