// The second and third parts of the timer work on a real SM.BRK: the
// advance warning (when it is due, its text, once per occurrence, skipped
// occurrences) and the purge of completed records (its boundaries, what it
// never deletes, the switch that turns it off).
#include <gtest/gtest.h>

#include "app/scheduler/check_advance_warning.h"
#include "app/routines/settings.h"
#include "tests/app/timer_fixture.h"

namespace dw::app {
namespace {

using testing::clockAt;

class AdvanceWarningTest : public testing::TimerFixture {};

TEST_F(AdvanceWarningTest, AWarningIsShownOnceAfterItsMoment) {
  startProgram();
  ScheduleRecord r = task(1, "Dentist", clockAt(15, 0), task_type::kRunProgram);
  r.Date = today() + 1;
  r.Command = "notify dentist";
  r.AdvanceWarnDate = today();
  r.AdvanceWarnTime = clockAt(9, 30);
  add(r);
  setClock(kDay, 9, 30);
  tick();
  EXPECT_TRUE(backend.boxes().empty());
  setClock(kDay, 9, 30, 0, 1);
  tick();
  tick();
  ASSERT_EQ(backend.boxes().size(), 1u);
  const auto box = backend.boxes()[0].box;
  EXPECT_EQ(box.caption, kAdvancedWarningCaption);
  EXPECT_EQ(box.icon.kind, ui::IconRef::Kind::None);
  EXPECT_EQ(box.text, "JAN 13, 2027  3:00PM\rCommand:  notify dentist");
  EXPECT_EQ(record(1).AdvanceWarned, 1);
  EXPECT_TRUE(started().empty());
}

TEST_F(AdvanceWarningTest, ASkippedOccurrenceIsMarkedWarnedWithoutABox) {
  startProgram();
  ScheduleRecord r = task(1, "Gym", clockAt(18, 0), task_type::kDisplayMessage);
  r.Date = today() + 1;
  r.SkipNextTime = 1;
  r.AdvanceWarnDate = today();
  add(r, "Bring the towel");
  tick();
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(record(1).AdvanceWarned, 1);
}

TEST_F(AdvanceWarningTest, AWarningWithoutAScheduleTypeStopsTheCheck) {
  startProgram();
  ScheduleRecord blank = task(1, "No type", clockAt(18, 0), task_type::kNone);
  blank.Date = today() + 1;
  blank.ScheduleType = "";
  blank.AdvanceWarnDate = today() - 5;
  add(blank);
  for (int id = 2; id <= 3; ++id) {
    ScheduleRecord r =
        task(id, id == 2 ? "Second" : "First", clockAt(18, 0), task_type::kDisplayMessage);
    r.Date = today() + 1;
    r.AdvanceWarnDate = today();
    r.AdvanceWarnTime = id == 2 ? clockAt(8, 0) : clockAt(7, 0);
    add(r, id == 2 ? "two" : "one");
  }
  tick();
  tick();
  tick();
  ASSERT_EQ(backend.boxes().size(), 0u);  // the blank type comes first and stops the check
  EXPECT_EQ(record(1).AdvanceWarned, 0);
  EXPECT_EQ(record(2).AdvanceWarned, 0);
}

TEST_F(AdvanceWarningTest, DueWarningsComeOneATickInTheirOrder) {
  startProgram();
  for (int id = 1; id <= 2; ++id) {
    ScheduleRecord r = task(id, "t", clockAt(18, 0), task_type::kDisplayMessage);
    r.Date = today() + 1;
    r.AdvanceWarnDate = today();
    r.AdvanceWarnTime = id == 1 ? clockAt(8, 0) : clockAt(7, 0);
    add(r, id == 1 ? "later warning" : "earlier warning");
  }
  tick();
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].box.text, "JAN 13, 2027  6:00PM\rearlier warning");
  tick();
  ASSERT_EQ(backend.boxes().size(), 2u);
  EXPECT_EQ(backend.boxes()[1].box.text, "JAN 13, 2027  6:00PM\rlater warning");
  tick();
  EXPECT_EQ(backend.boxes().size(), 2u);
}

class PurgeTest : public testing::TimerFixture {
 protected:
  // A completed copy dated `daysAgo` before today.
  void addCompleted(std::int32_t id, int daysAgo, std::uint8_t completed = 1) {
    ScheduleRecord r = task(id, "old", clockAt(7, 0), task_type::kNone);
    r.Date = today() - daysAgo;
    r.Disabled = 1;
    r.Completed = completed;
    add(r);
  }
  std::vector<std::int32_t> ids() {
    std::vector<std::int32_t> all;
    for (const ScheduleRecord& r : records()) all.push_back(r.ID);
    return all;
  }
};

TEST_F(PurgeTest, CompletedRecordsOlderThanTheSettingGo) {
  writeIni("[Settings]\nHistoryExpires=30\n");
  startProgram();
  addCompleted(1, 31);
  addCompleted(2, 30);
  addCompleted(3, 400, 0);  // a task the user disabled: never purged
  addCompleted(4, 45);
  addCompleted(5, 0);
  ScheduleRecord enabledOld = task(6, "enabled", clockAt(7, 0), task_type::kNone);
  enabledOld.Date = today() + 10;
  add(enabledOld);
  tick();
  EXPECT_EQ(ids(), (std::vector<std::int32_t>{2, 3, 5, 6}));
}

TEST_F(PurgeTest, ZeroKeepsEverythingAndANegativeSettingReachesTheFuture) {
  startProgram();  // no DORN.INI: 0
  addCompleted(1, 5000);
  tick();
  EXPECT_EQ(ids(), std::vector<std::int32_t>{1});

  onFrame([] { settings().historyExpires = -2; });
  addCompleted(2, -1);  // tomorrow: -1 + -2 ... dated after today
  addCompleted(3, -3);
  tick();
  // Date + (-2) < today: tomorrow goes, three days ahead stays.
  EXPECT_EQ(ids(), std::vector<std::int32_t>{3});
}

TEST_F(PurgeTest, AnInactiveSchedulerNeitherRunsNorPurges) {
  writeIni("[Settings]\nHistoryExpires=1\n");
  startProgram();
  addCompleted(1, 10);
  add(task(2, "Due", clockAt(8, 0)));
  onFrame([] { settings().startUpActive = false; });  // as Setup would
  tick();
  tick();
  EXPECT_TRUE(started().empty());
  EXPECT_EQ(frameTitle(), "Dornwatch '96 (Inactive)");
  settings().startUpActive = true;  // the frame waits idle: only to read the file
  EXPECT_EQ(ids(), (std::vector<std::int32_t>{1, 2}));
}

}  // namespace
}  // namespace dw::app
