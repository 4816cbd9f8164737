// The icon and date colours of a schedule entry, from the state flags of
// its task, and where the row puts each field for the list's format.
#include <gtest/gtest.h>

#include <cstring>

#include "app/forms/schedule/browse_schedule_rows.h"
#include "app/forms/schedule/run_now.h"

namespace dw::app {
namespace {

ScheduleRecord task(std::uint8_t completed, std::uint8_t skip, std::uint8_t disabled) {
  ScheduleRecord r;
  std::memset(&r, 0, sizeof r);
  r.Completed = completed;
  r.SkipNextTime = skip;
  r.Disabled = disabled;
  return r;
}

TEST(BrowseRows, IconAndDateColoursFollowTheFlagsInTheirOrder) {
  struct Case {
    std::uint8_t completed, skip, disabled;
    int icon;
    std::int32_t dateText;
  };
  const Case cases[] = {
      {0, 0, 0, schedule_icon::kNotDone, kDefaultColour},
      {1, 1, 1, schedule_icon::kDone, kGreyText},  // a handled occurrence, skip kept
      {1, 1, 0, schedule_icon::kDone, kBlueText},  // done wins over skip
      {0, 1, 1, schedule_icon::kSkip, kGreyText},  // skip icon, grey date
      {0, 1, 0, schedule_icon::kSkip, kBlueText},
      {0, 0, 1, schedule_icon::kDisabled, kGreyText},
      {0, 0, 2, schedule_icon::kDisabled, kDefaultColour},  // not 1: no grey
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.completed) << int(c.skip) << int(c.disabled));
    const ScheduleRecord r = task(c.completed, c.skip, c.disabled);
    EXPECT_EQ(entryIcon(r), c.icon);
    const EntryColours colours = dateColours(r);
    EXPECT_EQ(colours.text, c.dateText);
    EXPECT_EQ(colours.selectedText, c.dateText);  // also when selected
    EXPECT_EQ(colours.background, kDefaultColour);
    EXPECT_EQ(colours.selectedBackground, kDefaultColour);
  }
}

TEST(BrowseRows, RowsHoldTheFieldsInTheFormatsOrder) {
  ScheduleRecord r = task(0, 1, 1);
  r.Date = 82000;
  r.Time = 360001;
  r.Category = "Backups";
  r.Description = "Copy the photos";
  r.TaskType = "Run Program";
  r.ScheduleType = "Day of Week";
  const ui::ListRow row = scheduleRow(r);
  const ui::ListRow expected = {"4",
                                "-1",
                                "-1",
                                "-1",
                                "-1",
                                "82000",
                                "8421504",
                                "-1",
                                "8421504",
                                "-1",
                                "360001",
                                "-1",
                                "-1",
                                "-1",
                                "-1",
                                "Backups",
                                "Copy the photos",
                                "Run Program",
                                "Day of Week"};
  EXPECT_EQ(row, expected);
  EXPECT_EQ(categoryScheduleRow(r),
            (ui::ListRow{"Copy the photos", "82000", "360001", "Run Program", "Day of Week"}));
}

TEST(BrowseRows, TaskTypesThatShowAMessageOrRunAProgram) {
  struct Case {
    const char* type;
    bool shows, runs;
  };
  const Case cases[] = {
      {"Display Message", true, false},     {"Run Program", false, true}, {"Both", true, true},
      {"Both (message first)", true, true}, {"None", false, false},       {"", false, false},
      {"display message", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(showsMessage(c.type), c.shows);
    EXPECT_EQ(runsProgram(c.type), c.runs);
  }
}

}  // namespace
}  // namespace dw::app
