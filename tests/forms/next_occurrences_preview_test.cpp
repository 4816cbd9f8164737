// The next-occurrences preview: its rows for tasks of each kind, worked out
// by the timer's own recurrence, and the preview following the user's
// changes on the task form and in a wizard.
#include "app/forms/schedule/next_occurrences_preview.h"

#include "app/data/records.h"
#include "app/data/table_codes.h"
#include "app/scheduler/upcoming.h"
#include "app/forms/schedule/add_task_wizard.h"
#include "app/forms/schedule/update_schedule.h"
#include "app/forms/schedule/update_schedule_fields.h"
#include "fields/dorn005.h"
#include "fields/dorn021.h"
#include "runtime/lang/picture.h"
#include "tests/forms/form_fixture.h"

namespace dw::app {
namespace {

namespace us = dorn005;
using Rows = std::vector<std::string>;

class PreviewTest : public testing::FormFixture {
 protected:
  static ScheduleRecord task(const char* scheduleType, int date, int time) {
    ScheduleRecord t = blankTask();
    t.TaskType = task_type::kBoth;
    t.ScheduleType = scheduleType;
    t.Date = date;
    t.Time = time;
    return t;
  }
  Rows preview(std::uint32_t w, int field) { return rows(w, field); }
  void typeInto(std::uint32_t w, int field, const std::string& text) {
    backend.type(w, field, text);
    backend.acceptTyped(w, field);
    idle();
  }
};

TEST_F(PreviewTest, RowsNameTheWeekdayDateAndTimeOfTheNextFiveOccurrences) {
  const Occurrence now{today(), at(10, 0)};
  ScheduleRecord every2h = task("Custom", today(), at(10, 0));
  every2h.Every = 2;
  every2h.EveryType = every_type::kHours;
  EXPECT_EQ(nextOccurrenceRows(every2h, now),
            (Rows{"Mon  DEC  7, 2026  12:00PM", "Mon  DEC  7, 2026   2:00PM",
                  "Mon  DEC  7, 2026   4:00PM", "Mon  DEC  7, 2026   6:00PM",
                  "Mon  DEC  7, 2026   8:00PM"}));

  ScheduleRecord yearly = task("Yearly", lang::date(2, 29, 2028), 0);
  const Rows leap = nextOccurrenceRows(yearly, now, 2);
  ASSERT_EQ(leap.size(), 2u);
  EXPECT_EQ(leap[0], "Tue  FEB 29, 2028");  // no time: no time shown

  // The same occurrences as the timer's own list, for a rule of each kind.
  ScheduleRecord monthly = task("Day of Month", today(), at(8, 30));
  monthly.Friday = 1;
  monthly.EveryLast = 1;
  const auto timer = upcomingOccurrences(monthly, now, kPreviewCount);
  const Rows shown = nextOccurrenceRows(monthly, now);
  ASSERT_EQ(shown.size(), timer.size());
  for (std::size_t i = 0; i < timer.size(); ++i)
    EXPECT_NE(shown[i].find(lang::format(static_cast<double>(timer[i].date), "@d3")),
              std::string::npos);
}

TEST_F(PreviewTest, ATaskThatWillNotFallDueSaysWhy) {
  const Occurrence now{today(), at(10, 0)};
  EXPECT_EQ(nextOccurrenceRows(task("Once", today() - 1, at(9, 0)), now), Rows{kPreviewNone});
  ScheduleRecord off = task("Once", today() + 1, at(9, 0));
  off.Disabled = 1;
  EXPECT_EQ(nextOccurrenceRows(off, now), Rows{kPreviewDisabled});
  EXPECT_EQ(nextOccurrenceRows(task("Once", today() + 1, 0), now), Rows{"Tue  DEC  8, 2026"});
  // To be skipped: the first occurrence is passed over, the rest stand.
  ScheduleRecord skipped = task("Monthly", today() + 1, at(9, 0));
  skipped.SkipNextTime = 1;
  EXPECT_EQ(nextOccurrenceRows(skipped, now, 2),
            (Rows{"Tue  DEC  8, 2026   9:00AM  (skipped)", "Fri  JAN  8, 2027   9:00AM"}));
}

TEST_F(PreviewTest, TheFormsPreviewFollowsTheFieldsAsTheyChange) {
  run([] {
    globalRequest() = request::kInsert;
    UpdateSchedule();
  });
  const std::uint32_t w = windowId("UPDATE$WINDOW");
  // The defaults: every day at the current time, so tomorrow first.
  Rows rows = preview(w, us::kPreview);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "Tue  DEC  8, 2026  10:00AM");
  EXPECT_EQ(rows[4], "Sat  DEC 12, 2026  10:00AM");
  // Only Wednesdays.
  backend.choose(w, us::kSheet, 4);  // the When tab
  for (int d = us::kSunday; d <= us::kSaturday; ++d) backend.setCheck(w, d, d == us::kSunday + 3);
  idle();
  rows = preview(w, us::kPreview);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "Wed  DEC  9, 2026  10:00AM");
  EXPECT_EQ(rows[1], "Wed  DEC 16, 2026  10:00AM");
  // Once, today at the current time: already due, nothing more after it.
  backend.choose(w, us::kScheduleType, 1);
  idle();
  EXPECT_EQ(preview(w, us::kPreview), Rows{kPreviewNone});
  typeInto(w, us::kDate, "DEC 20, 2026");
  EXPECT_EQ(preview(w, us::kPreview), Rows{"Sun  DEC 20, 2026  10:00AM"});
  typeInto(w, us::kTime, "7:15PM");
  EXPECT_EQ(preview(w, us::kPreview), Rows{"Sun  DEC 20, 2026   7:15PM"});
  // Custom: every 3 day(s).
  backend.choose(w, us::kScheduleType, 6);
  backend.choose(w, us::kEveryType, 3);
  idle();
  typeInto(w, us::kEvery, "3");
  rows = preview(w, us::kPreview);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1], "Wed  DEC 23, 2026   7:15PM");
  // Disabled.
  backend.choose(w, us::kSheet, 5);
  backend.setCheck(w, us::kDisabled, true);
  idle();
  EXPECT_EQ(preview(w, us::kPreview), Rows{kPreviewDisabled});
  backend.press(w, us::kCancel);
}

TEST_F(PreviewTest, AWizardsPreviewFollowsItsPages) {
  run([] { AddTaskWizard(); });
  const std::uint32_t w = windowId("WIZARD$WINDOW");
  EXPECT_EQ(preview(w, dorn021::kPreview).size(), 5u);
  backend.choose(w, dorn021::kSheet, 5);         // When
  backend.choose(w, dorn021::kScheduleType, 5);  // Yearly
  idle();
  const Rows rows = preview(w, dorn021::kPreview);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "Tue  DEC  7, 2027  10:00AM");
  EXPECT_EQ(rows[4], "Sun  DEC  7, 2031  10:00AM");
  backend.press(w, dorn021::kCancel);
}

}  // namespace
}  // namespace dw::app
