// The due-task check on a real SM.BRK with the settable clock: when a task
// is due, the questions and what their answers do, the completed copy, the
// skip flag, "Once" tasks, the message window and its fallback, failed
// starts and start directories, and a record held elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/frame/setup_window.h"
#include "app/scheduler/check_due_task.h"
#include "app/scheduler/message_window.h"
#include "app/scheduler/run_command.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/message_box.h"
#include "tests/app/timer_fixture.h"

namespace dw::app {
namespace {

using testing::clockAt;

class DueTaskTest : public testing::TimerFixture {
 protected:
  std::vector<ui::HeadlessBackend::WindowShot> messageWindows() const {
    std::vector<ui::HeadlessBackend::WindowShot> found;
    for (const auto& w : backend.windows())
      if (w.label == kMessageLabel) found.push_back(w);
    return found;
  }
};

TEST_F(DueTaskTest, ATaskIsDueOnlyAfterItsMoment) {
  startProgram();
  add(task(1, "Backup", clockAt(10, 0)));
  setClock(kDay, 10, 0, 0, 0);
  tick();
  EXPECT_TRUE(started().empty());
  setClock(kDay, 10, 0, 0, 1);
  tick();
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Backup"});

  const auto all = records();
  ASSERT_EQ(all.size(), 2u);
  // The task moved on to tomorrow with its last run, and a completed,
  // disabled copy of it as it was holds the occurrence.
  EXPECT_EQ(all[0].Date, today() + 1);
  EXPECT_EQ(all[0].Time, clockAt(10, 0));
  EXPECT_EQ(all[0].LastRunDate, today());
  EXPECT_EQ(all[0].LastRunTime, clockAt(10, 0, 0, 1));
  EXPECT_EQ(all[0].Completed, 0);
  EXPECT_EQ(all[1].ID, 2);
  EXPECT_EQ(all[1].Date, today());
  EXPECT_EQ(all[1].LastRunDate, 0);
  EXPECT_EQ(all[1].Completed, 1);
  EXPECT_EQ(all[1].Disabled, 1);
  tick();  // not due again
  EXPECT_EQ(started().size(), 1u);
}

TEST_F(DueTaskTest, ThreeDueTasksTakeThreeTicksInKeyOrder) {
  startProgram();
  add(task(1, "third", clockAt(8, 45)));
  add(task(2, "first", clockAt(8, 15)));
  add(task(3, "second", clockAt(8, 30)));
  ScheduleRecord disabled = task(4, "disabled", clockAt(7, 0));
  disabled.Disabled = 1;
  add(disabled);
  for (std::size_t n = 1; n <= 3; ++n) {
    tick();
    EXPECT_EQ(started().size(), n);
  }
  tick();
  EXPECT_EQ(started(), (std::vector<std::string>{"prog-first", "prog-second", "prog-third"}));
  EXPECT_EQ(records().size(), 7u);  // four tasks and three completed copies
}

TEST_F(DueTaskTest, TasksDueAtOneMomentAreHandledOneATick) {
  startProgram();
  for (std::int32_t id : {3, 1, 2}) add(task(id, "same" + std::to_string(id), clockAt(8, 0)));
  for (std::size_t n = 1; n <= 3; ++n) {
    tick();
    ASSERT_EQ(started().size(), n);
  }
  std::vector<std::string> all = started();
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<std::string>{"prog-same1", "prog-same2", "prog-same3"}));
}

TEST_F(DueTaskTest, WhichQuestionATaskAsks) {
  struct Case {
    bool missed;
    std::uint8_t warn, userSkip;
    const char* type;
    const char* caption;
  };
  const Case cases[] = {
      {false, 0, 0, task_type::kRunProgram, ""},
      {true, 0, 0, task_type::kRunProgram, ""},
      {true, 1, 0, task_type::kRunProgram, kMissedTaskCaption},
      {true, 1, 0, task_type::kNone, kMissedTaskCaption},
      {true, 1, 0, task_type::kBoth, kMissedTaskCaption},
      {true, 1, 0, task_type::kDisplayMessage, ""},  // a missed message is just shown
      {true, 1, 1, task_type::kDisplayMessage, kConfirmTaskCaption},
      {false, 1, 0, task_type::kRunProgram, ""},  // due today: not missed
      {false, 0, 1, task_type::kRunProgram, kConfirmTaskCaption},
      {true, 1, 1, task_type::kRunProgram, kMissedTaskCaption},  // only one question
      {false, 1, 1, task_type::kRunProgram, kConfirmTaskCaption},
  };
  for (const Case& c : cases) {
    ScheduleRecord r{};
    r.Description = "Backup   ";
    r.TaskType = c.type;
    r.Date = 1000;
    r.Warn = c.warn;
    r.UserSkip = c.userSkip;
    const DueQuestion q = dueQuestion(r, c.missed ? 1001 : 1000);
    EXPECT_STREQ(q.caption, c.caption) << c.missed << int(c.warn) << int(c.userSkip) << c.type;
    if (std::string_view(c.caption) == kMissedTaskCaption) {
      EXPECT_EQ(q.text, "Backup was not run.  Run it now?");
    }
    if (std::string_view(c.caption) == kConfirmTaskCaption) {
      EXPECT_EQ(q.text, "Backup is due to run.  Run it now?");
    }
  }
}

TEST_F(DueTaskTest, NoStillMovesTheTaskOnAndRecordsIt) {
  startProgram();
  ScheduleRecord r = task(1, "Defrag", clockAt(8, 0));
  r.Date = today() - 2;  // missed two days ago
  r.Warn = 1;
  r.UserSkip = 1;
  r.LastRunDate = today() - 3;
  add(r);
  setClock(kDay, 9, 30);
  backend.answerBoxes({ui::button::kNo});
  tick();
  ASSERT_EQ(backend.boxes().size(), 1u);
  const auto box = backend.boxes()[0].box;
  EXPECT_EQ(box.caption, "Missed Task");
  EXPECT_EQ(box.text, "Defrag was not run.  Run it now?");
  EXPECT_EQ(box.icon.kind, ui::IconRef::Kind::Stock);
  EXPECT_EQ(box.icon.number, ui::stock::kQuestion);
  ASSERT_EQ(box.buttons.size(), 2u);
  EXPECT_EQ(box.buttons[box.defaultIndex].bit, ui::button::kNo);
  EXPECT_TRUE(started().empty());

  const auto all = records();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].Date, today() + 1);  // the first day after today
  EXPECT_EQ(all[0].LastRunDate, today());
  EXPECT_EQ(all[0].LastRunTime, clockAt(9, 30));
  EXPECT_EQ(all[1].Date, today() - 2);
  EXPECT_EQ(all[1].LastRunDate, today() - 3);  // the run before
  EXPECT_EQ(all[1].Completed, 1);

  // Due today the same task asks "Confirm Task"; Yes runs it.
  setClock(kDay + 1, 8, 1);
  backend.answerBoxes({ui::button::kYes});
  tick();
  EXPECT_EQ(captions(), (std::vector<std::string>{"Missed Task", "Confirm Task"}));
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Defrag"});
}

TEST_F(DueTaskTest, ASkippedOccurrenceIsOnlyRecorded) {
  startProgram();
  ScheduleRecord r = task(1, "Scan", clockAt(8, 0), task_type::kBoth);
  r.SkipNextTime = 1;
  r.UserSkip = 1;
  r.Alarm = 1;
  r.AlarmFile = "/tmp/ring.wav";
  r.LastRunDate = today() - 1;
  add(r, "hello");
  tick();
  EXPECT_TRUE(started().empty());
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_TRUE(m_platform.playedSounds().empty());
  EXPECT_TRUE(messageWindows().empty());
  const auto all = records();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].SkipNextTime, 0);
  EXPECT_EQ(all[0].LastRunDate, today() - 1);
  EXPECT_EQ(all[0].Date, today() + 1);
  EXPECT_EQ(all[1].SkipNextTime, 1);
  EXPECT_EQ(all[1].Completed, 1);
}

TEST_F(DueTaskTest, AnAlarmPlaysAndABothTaskShowsItsMessageThenRuns) {
  startProgram();
  ScheduleRecord r = task(1, "Lunch", clockAt(8, 0), task_type::kBoth);
  r.Alarm = 1;
  r.AlarmFile = "/tmp/ring.wav";
  add(r, "Time for lunch");
  tick();
  EXPECT_EQ(m_platform.playedSounds(), std::vector<std::string>{"/tmp/ring.wav"});
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Lunch"});
  const auto windows = messageWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0].controls.at(message_window::kMessageText).display, "Time for lunch");
}

TEST_F(DueTaskTest, AOnceTaskIsReplacedByItsCompletedCopy) {
  startProgram();
  ScheduleRecord r = task(7, "Renew passport", clockAt(8, 0), task_type::kNone);
  r.ScheduleType = schedule_type::kOnce;
  add(r);
  tick();
  const auto all = records();
  ASSERT_EQ(all.size(), 1u);
  // Never the deleted task's own identifier, though it was the highest.
  EXPECT_EQ(all[0].ID, 8);
  EXPECT_EQ(all[0].Completed, 1);
  EXPECT_EQ(all[0].Disabled, 1);
  EXPECT_EQ(all[0].Date, today());
  tick();
  EXPECT_EQ(records().size(), 1u);
}

TEST_F(DueTaskTest, TheAdvanceWarningKeepsItsDistanceAcrossOccurrences) {
  startProgram();
  ScheduleRecord a = task(1, "Report", clockAt(8, 0), task_type::kNone);
  a.AdvanceWarnDate = today() - 1;  // one day and two hours before
  a.AdvanceWarnTime = clockAt(6, 0);
  a.AdvanceWarned = 1;
  add(a);
  ScheduleRecord b = task(2, "Review", clockAt(8, 30), task_type::kNone);
  b.AdvanceWarnDate = today() - 2;  // a date alone
  b.AdvanceWarned = 1;
  add(b);
  tick();
  tick();
  EXPECT_EQ(record(1).Date, today() + 1);
  EXPECT_EQ(record(1).AdvanceWarnDate, today());
  EXPECT_EQ(record(1).AdvanceWarnTime, clockAt(6, 0));
  // Moved on, each task's warning was due again and shown on the same tick.
  EXPECT_EQ(captions(), (std::vector<std::string>{"Advanced Warning", "Advanced Warning"}));
  EXPECT_EQ(record(1).AdvanceWarned, 1);
  EXPECT_EQ(record(2).AdvanceWarnDate, today() - 1);
  EXPECT_EQ(record(2).AdvanceWarnTime, clockAt(8, 30));  // the task's new time
  // The next occurrence, two days on, keeps the same distances.
  setClock(kDay + 2, 9, 0);
  for (int i = 0; i < 4; ++i) tick();
  EXPECT_EQ(captions().size(), 4u);
  EXPECT_EQ(record(1).Date, today() + 3);
  EXPECT_EQ(record(1).AdvanceWarnDate, today() + 2);
  EXPECT_EQ(record(1).AdvanceWarnTime, clockAt(6, 0));
}

TEST_F(DueTaskTest, ADamagedWarningOrTheLastIdentifierDoNotBreakTheCheck) {
  startProgram();
  ScheduleRecord r = task(INT32_MAX - 1, "Edge", clockAt(8, 0), task_type::kNone);
  r.AdvanceWarnDate = INT32_MIN;
  r.AdvanceWarnTime = INT32_MAX;
  r.AdvanceWarned = 1;
  add(r);
  tick();
  const auto all = records();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].Date, today() + 1);
  EXPECT_EQ(all[1].ID, INT32_MAX);
  EXPECT_EQ(all[1].Completed, 1);
}

TEST_F(DueTaskTest, SixtyOpenMessageWindowsSendTheMessageToABox) {
  startProgram();
  onFrame([] { openMessageWindows() = kDispatchMessageLimit; });
  add(task(1, "Note", clockAt(8, 0), task_type::kDisplayMessage), "Call home   ");
  tick();
  EXPECT_TRUE(messageWindows().empty());
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].box.caption, "");
  EXPECT_EQ(backend.boxes()[0].box.text, "Call home");
  EXPECT_EQ(backend.boxes()[0].box.icon.kind, ui::IconRef::Kind::None);
  EXPECT_EQ(records().size(), 2u);
  onFrame([] { openMessageWindows() = 0; });
}

TEST_F(DueTaskTest, AFailedStartIsReportedAndTheTaskStillMovesOn) {
  m_platform.recordProgramStarts(false);
  startProgram();
  ScheduleRecord r = task(1, "Broken", clockAt(8, 0));
  r.Command = "/nonexistent/dornwatch-test-program   ";
  add(r);
  tick();
  ASSERT_EQ(backend.boxes().size(), 1u);
  const auto box = backend.boxes()[0].box;
  EXPECT_EQ(box.caption, "Error Starting /nonexistent/dornwatch-test-program");
  EXPECT_LE(lastStart().result, 31);
  EXPECT_EQ(box.text, "Run code " + std::to_string(lastStart().result));
  EXPECT_EQ(box.icon.kind, ui::IconRef::Kind::None);
  EXPECT_EQ(lastStart().command, "/nonexistent/dornwatch-test-program");
  EXPECT_EQ(records().size(), 2u);
  EXPECT_EQ(record(1).Date, today() + 1);
}

// Waits (bounded) for a file a started program leaves.
bool appears(const std::filesystem::path& file) {
  for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i) usleep(10000);
  return std::filesystem::exists(file);
}

TEST_F(DueTaskTest, AProgramStartsInItsStartDirectoryOrWhereTheProgramIs) {
  m_platform.recordProgramStarts(false);
  const std::filesystem::path data = std::filesystem::current_path();
  std::filesystem::create_directory(data / "work");
  startProgram();
  ScheduleRecord r = task(1, "Here", clockAt(8, 0));
  r.Command = "touch ran-here";
  r.Path = (data / "work").string();
  add(r);
  ScheduleRecord gone = task(2, "Gone", clockAt(8, 1));
  gone.Command = "touch ran-anyway";
  gone.Path = (data / "missing").string();
  add(gone);
  tick();
  EXPECT_TRUE(appears(data / "work" / "ran-here"));
  EXPECT_EQ(std::filesystem::current_path(), data);
  tick();
  // The directory cannot be entered: the program starts where we are.
  EXPECT_TRUE(appears(data / "ran-anyway"));
  EXPECT_EQ(std::filesystem::current_path(), data);
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(records().size(), 4u);
}

TEST_F(DueTaskTest, AStartDirectoryThatCannotBeEnteredPosts303) {
  const std::string here = std::filesystem::current_path().string();
  lang::clearError();
  EXPECT_EQ(enterStartDirectory(here + "/no/such/dir   "), here);
  EXPECT_EQ(lang::errorCode(), 303);
  EXPECT_EQ(std::filesystem::current_path().string(), here);
  lang::clearError();
  EXPECT_EQ(enterStartDirectory("    "), here);
  EXPECT_EQ(lang::errorCode(), 0);
}

TEST_F(DueTaskTest, ATaskHeldElsewhereWaitsUntilItIsReleased) {
  startProgram();
  add(task(1, "Held", clockAt(8, 0)));
  // The windows' declaration holds the record, as an edit in progress would.
  onFrame([] {
    SCH()->ID = 1;
    SCH().hold(0);
    ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
  });
  tick();
  tick();
  EXPECT_TRUE(started().empty());
  onFrame([] { SCH().release(); });
  tick();
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Held"});
  EXPECT_EQ(records().size(), 2u);
}

TEST_F(DueTaskTest, AnUnknownUnitIsReportedAndTheTaskMovesToTomorrow) {
  startProgram();
  ScheduleRecord r = task(1, "Odd", clockAt(8, 0), task_type::kNone);
  r.EveryType = "fortnight(s)";
  add(r);
  tick();
  EXPECT_EQ(captions(), std::vector<std::string>{"Invalid Units"});
  EXPECT_EQ(backend.boxes()[0].box.text,
            "Custom repetition is not set up properly.  Select units.");
  EXPECT_EQ(record(1).Date, today() + 1);
}

TEST_F(DueTaskTest, TheMinimisedTitleNamesTheFirstEnabledTask) {
  writeIni("[Settings]\nStartUpMinimized=1\n");
  startProgram();
  ScheduleRecord later = task(1, "Later", clockAt(11, 0));
  later.Date = today() + 1;
  add(later);
  ScheduleRecord off = task(2, "Off", clockAt(10, 0));
  off.Date = today() + 1;
  off.Disabled = 1;
  add(off);
  tick();
  EXPECT_EQ(frameTitle(), "Dornwatch '96 - Later JAN 13, 2027 11:00AM");
  EXPECT_TRUE(backend.find("MAIN$APPFRAME")->minimized);
  // A task falling due restores the frame.
  setClock(kDay + 1, 11, 1);
  tick();
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Later"});
  EXPECT_EQ(frameTitle(), "Dornwatch '96");
  EXPECT_FALSE(backend.find("MAIN$APPFRAME")->minimized);
}

TEST_F(DueTaskTest, ATaskWithNoDateTimeOrFlagNeverFallsDueButATimeAloneIsDueAtOnce) {
  startProgram();
  ScheduleRecord blank = task(1, "Blank", 0, task_type::kRunProgram);
  blank.Date = 0;
  add(blank);
  tick();
  EXPECT_TRUE(started().empty());
  ScheduleRecord timeOnly = task(2, "Time only", clockAt(23, 0));
  timeOnly.Date = 0;
  add(timeOnly);
  tick();
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Time only"});
}

TEST_F(DueTaskTest, WhileSetupIsOpenNothingRunsAndAfterwardsTheTaskIsMissed) {
  startProgram();
  ScheduleRecord r = task(1, "Backup", clockAt(23, 0));
  r.Warn = 1;
  add(r);
  backend.press(frameId, frame::kSetup);
  idle();
  const auto setup = backend.find("SETUP$WINDOW");
  ASSERT_TRUE(setup);
  setClock(kDay + 1, 0, 5);  // past midnight while Setup stays open
  tick();
  tick();
  EXPECT_TRUE(backend.boxes().empty());
  backend.answerBoxes({ui::button::kYes});
  backend.press(setup->id, setup::kCancel);
  idle();
  tick();
  EXPECT_EQ(captions(), std::vector<std::string>{"Missed Task"});
  EXPECT_EQ(started(), std::vector<std::string>{"prog-Backup"});
}

}  // namespace
}  // namespace dw::app
