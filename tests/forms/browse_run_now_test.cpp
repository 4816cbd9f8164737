// Run Now from the schedule window: what each task type performs, the
// limit of 55 message windows, a failed program start, the History record
// and the task written back with its last run, never moved on.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/scheduler/message_window.h"
#include "app/forms/schedule/run_now.h"
#include "runtime/ui/keycodes.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app {
namespace {

namespace bw = browse_window;

class BrowseRunNowTest : public testing::BrowseFixture {
 protected:
  // Opens the schedule, chooses the first task of the day and runs it.
  ui::HeadlessBackend::WindowShot runFirst() {
    const auto w = startSchedule();
    backend.choose(w.id, bw::kList, 1);
    backend.press(w.id, bw::kRunNow);
    idle();
    return w;
  }
  std::size_t messageWindows() const {
    std::size_t n = 0;
    for (const auto& w : backend.windows()) n += w.label == kMessageLabel;
    return n;
  }
  // Now, as the test platform's clock says: date and time.
  static std::int32_t nowTime() {
    return ((kNow.hour * 60 + kNow.minute) * 60 + kNow.second) * 100 + 1;
  }
};

TEST_F(BrowseRunNowTest, ANoneTaskOnlyRecordsItsRunAndStaysWhereItIs) {
  store({testing::task(5, "Nothing to do", today(), 100).withMessage("unused")});
  startProgram();
  runFirst();
  EXPECT_TRUE(m_platform.startedPrograms().empty());
  EXPECT_EQ(messageWindows(), 0u);
  EXPECT_TRUE(backend.boxes().empty());
  const auto tasks = schedule();
  ASSERT_EQ(tasks.size(), 1u);
  const ScheduleRecord& t = tasks[0].first;
  EXPECT_EQ(t.LastRunDate, today());
  EXPECT_EQ(t.LastRunTime, nowTime());
  EXPECT_EQ(t.Date, today());  // not moved on
  EXPECT_EQ(t.Time, 100);
  const auto his = history();
  ASSERT_EQ(his.size(), 1u);
  EXPECT_EQ(his[0].first.ID, 1);  // the first History record
  EXPECT_EQ(his[0].first.Completed, 1);
  EXPECT_EQ(his[0].first.Description, "Nothing to do");
  EXPECT_EQ(his[0].first.LastRunDate, today());
  EXPECT_EQ(his[0].second, "unused");
}

TEST_F(BrowseRunNowTest, EachRunAddsTheNextHistoryRecord) {
  store({testing::task(1, "Twice", today(), 100)});
  startProgram();
  const auto w = runFirst();
  backend.press(w.id, bw::kRunNow);
  idle();
  // The window's popup: item 5 is Run Now.
  backend.answerPopup(5);
  backend.alertKey(w.id, 0, ui::key::kMouseRight);
  idle();
  const auto his = history();
  ASSERT_EQ(his.size(), 3u);
  EXPECT_EQ(his[0].first.ID, 1);
  EXPECT_EQ(his[1].first.ID, 2);
  EXPECT_EQ(his[2].first.ID, 3);
  EXPECT_EQ(schedule().size(), 1u);
}

TEST_F(BrowseRunNowTest, AMessageTaskOpensAWindowUntilFiftyFiveAreOpen) {
  store({testing::task(1, "Note", today(), 100)
             .ofType("Display Message")
             .withMessage("Stretch your legs")});
  startProgram();
  const auto w = runFirst();
  ASSERT_EQ(messageWindows(), 1u);
  for (const auto& m : backend.windows()) {
    if (m.label == kMessageLabel) {
      EXPECT_EQ(m.controls.at(message_window::kMessageText).display, "Stretch your legs");
    }
  }
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_TRUE(m_platform.startedPrograms().empty());

  onFrame([] { openMessageWindows() = kRunNowMessageLimit; });
  backend.press(w.id, bw::kRunNow);
  idle();
  EXPECT_EQ(messageWindows(), 1u);
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_EQ(backend.messages()[0], "|Stretch your legs");
  EXPECT_EQ(history().size(), 2u);
  onFrame([] { openMessageWindows() = 1; });
}

TEST_F(BrowseRunNowTest, AProgramStartsInItsFolderAndTheCurrentFolderIsKept) {
  std::filesystem::create_directory(m_dir.file("work"));
  store({testing::task(1, "Both", today(), 100)
             .ofType("Both")
             .withMessage("Backing up")
             .withCommand("backup --all   ", m_dir.file("work"))});
  startProgram();
  std::string startedIn;
  scheduleCalls().runCommand = [&](std::string_view command) -> std::uint32_t {
    startedIn = platform::platform().currentDirectory();
    return platform::platform().startProgram(std::string(command));
  };
  runFirst();
  EXPECT_EQ(m_platform.startedPrograms(), std::vector<std::string>{"backup --all"});
  EXPECT_EQ(startedIn, m_dir.file("work"));
  EXPECT_EQ(platform::platform().currentDirectory(), m_dir.path());
  EXPECT_EQ(messageWindows(), 1u);
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(BrowseRunNowTest, AFailedStartIsReportedAndTheRunStillRecorded) {
  m_platform.recordProgramStarts(false);
  store({testing::task(1, "Broken", today(), 100)
             .ofType("Run Program")
             .withCommand("dornwatch-no-such-program-4711", "/no/such/folder")});
  startProgram();
  runFirst();
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_EQ(backend.messages()[0], "Error Starting dornwatch-no-such-program-4711|Run code 2");
  EXPECT_EQ(platform::platform().currentDirectory(), m_dir.path());
  EXPECT_EQ(history().size(), 1u);
  EXPECT_EQ(schedule()[0].first.LastRunDate, today());
}

// The program start and its failure box give the Runtime lock up, and
// another window may read a different task into the shared buffer
// meanwhile (here: while the program starts); the run is still written
// to the task that ran.
TEST_F(BrowseRunNowTest, TheRunIsWrittenToItsTaskWhateverOtherWindowsReadMeanwhile) {
  store({testing::task(1, "Broken", today(), 100).ofType("Run Program").withCommand("broken"),
         testing::task(2, "Other", today(), 200)});
  startProgram();
  scheduleCalls().runCommand = [](std::string_view) -> std::uint32_t {
    ScheduleFile& sch = SCH();
    sch->ID = 2;
    EXPECT_EQ(sch.get(sch_key::kKeyID), 0);
    return 2;
  };
  const auto w = startSchedule();
  backend.choose(w.id, browse_window::kList, 1);
  backend.press(w.id, browse_window::kRunNow);
  idle();
  EXPECT_EQ(backend.messages(), std::vector<std::string>{"Error Starting broken|Run code 2"});
  const auto tasks = schedule();
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0].first.Description, "Broken");
  EXPECT_EQ(tasks[0].first.LastRunDate, today());
  EXPECT_EQ(tasks[1].first.Description, "Other");
  EXPECT_EQ(tasks[1].first.LastRunDate, 0);
  const auto his = history();
  ASSERT_EQ(his.size(), 1u);
  EXPECT_EQ(his[0].first.Description, "Broken");
}

TEST_F(BrowseRunNowTest, TheAlarmIsPlayedWhenTheTaskHasOne) {
  store({testing::task(1, "Loud", today(), 100)});
  startProgram();
  onFrame([] {
    ScheduleFile& sch = SCH();
    ASSERT_EQ(sch.open(0x142), 0);
    sch->ID = 1;
    ASSERT_EQ(sch.get(sch_key::kKeyID), 0);
    sch->Alarm = 1;
    sch->AlarmFile = "/usr/share/sounds/bell.wav";
    ASSERT_EQ(sch.put(), 0);
    sch.close();
  });
  runFirst();
  EXPECT_EQ(m_platform.playedSounds(), std::vector<std::string>{"/usr/share/sounds/bell.wav"});
}

}  // namespace
}  // namespace dw::app
