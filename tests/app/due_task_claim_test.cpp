// How the due-task check writes a handled occurrence: the task moved on
// (or a "Once" task deleted with its script steps) and its completed copy
// reach the file together before the command starts, so a process killed
// while the command runs restarts with nothing left to run; and a schedule
// that cannot be written runs the occurrence once, tells the user once (in
// the system's words) and writes it when it can; a termination request
// while the question is up runs nothing and ends the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/data/script_steps.h"
#include "app/routines/file_routines.h"
#include "runtime/platform/os_error.h"
#include "tests/app/timer_fixture.h"

namespace dw::app {
namespace {

using testing::clockAt;

class DueTaskClaimTest : public testing::TimerFixture {
 protected:
  // The Schedule records of a copy of SM.BRK, read as after a restart.
  std::vector<ScheduleRecord> recordsOf(const std::string& file) {
    std::vector<ScheduleRecord> all;
    onFrame([&] {
      ScheduleRecord buffer{};
      db::DeclaredFile copy(SCH().prefix(), file + "\\!Schedule", SCH().desc(), &buffer, 0);
      ASSERT_EQ(copy.open(0x40), 0);
      copy.noMemo();
      ASSERT_EQ(copy.setRecordOrder(), 0);
      while (copy.next() == 0) all.push_back(buffer);
      copy.close();
    });
    return all;
  }
  int scriptSteps(std::int32_t id) {
    int count = 0;
    onFrame([&] {
      FileUser steps(SCR());
      bool found = true;
      ASSERT_EQ(firstScriptStep(id, found), 0);
      if (!found) return;
      do ++count;
      while (SCR().next() == 0 && SCR()->ID.get() == id);
    });
    return count;
  }
  void addSteps(std::int32_t id, int n) {
    onFrame([&] {
      FileUser steps(SCR());
      for (int i = 1; i <= n; ++i) {
        SCR().clear();
        SCR()->ID.set(id);
        SCR()->Sequence.set(i);
        SCR()->Action = "Keystrokes";
        ASSERT_EQ(SCR().add(), 0);
      }
    });
  }
};

// What a SIGKILL at the start of the command would leave on disk: the task
// already moved on beside its completed copy, so nothing runs again.
TEST_F(DueTaskClaimTest, TheOccurrenceIsOnDiskBeforeTheCommandStarts) {
  startProgram();
  add(task(1, "Backup", clockAt(8, 0)));
  m_platform.onProgramStart([](const std::string&) {
    std::filesystem::copy_file("SM.BRK", "KILLED.BRK",
                               std::filesystem::copy_options::overwrite_existing);
  });
  tick();
  m_platform.onProgramStart(nullptr);
  ASSERT_EQ(started().size(), 1u);
  const auto atKill = recordsOf("KILLED");
  ASSERT_EQ(atKill.size(), 2u);
  EXPECT_EQ(atKill[0].Date, today() + 1);
  EXPECT_EQ(atKill[1].Completed, 1);
  EXPECT_EQ(atKill[1].Date, today());
}

TEST_F(DueTaskClaimTest, AOnceTaskTakesItsScriptStepsWithIt) {
  startProgram();
  ScheduleRecord once = task(7, "Renew passport", clockAt(8, 0), task_type::kNone);
  once.ScheduleType = schedule_type::kOnce;
  add(once);
  add(task(9, "Later", clockAt(23, 0), task_type::kNone));
  addSteps(7, 3);
  addSteps(9, 2);
  tick();
  ASSERT_EQ(records().size(), 2u);  // the other task and the completed copy
  EXPECT_EQ(scriptSteps(7), 0);
  EXPECT_EQ(scriptSteps(9), 2);
}

TEST_F(DueTaskClaimTest, AScheduleThatCannotBeWrittenRunsTheTaskOnceAndSaysSoOnce) {
  startProgram();
  add(task(1, "Backup", clockAt(8, 0)));
  m_platform.failWritesAfter(0, platform::kDiskFull);
  for (int i = 0; i < 4; ++i) tick();
  EXPECT_EQ(started().size(), 1u);
  ASSERT_EQ(captions(), std::vector<std::string>{"Process PUT Error"});
  // What happened and where, in the system's words.
  EXPECT_NE(backend.boxes()[0].box.text.find("No space left on device: SM.BRK (112)"),
            std::string::npos)
      << backend.boxes()[0].box.text;
  m_platform.clearFaults();
  tick();
  tick();
  EXPECT_EQ(started().size(), 1u);
  const auto all = records();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].Date, today() + 1);
  EXPECT_EQ(all[1].Completed, 1);
  // Another failure later is news again.
  setClock(kDay + 1, 8, 1);
  m_platform.failWritesAfter(0, platform::kDiskFull);
  tick();
  EXPECT_EQ(started().size(), 2u);
  EXPECT_EQ(captions().size(), 2u);
}

// SIGTERM while a question is up: the box ends as by its close box, which
// runs nothing, and the program ends.
TEST_F(DueTaskClaimTest, TerminationUnderAQuestionRunsNothingAndEnds) {
  startProgram();
  ScheduleRecord r = task(1, "Backup", clockAt(8, 0));
  r.UserSkip = 1;
  add(r);
  backend.holdBoxes(true);
  backend.advance(250);
  ASSERT_TRUE(backend.waitForOpenBox());
  ui::runtime().terminateRequested();
  ui::runtime().joinProgram();
  EXPECT_TRUE(started().empty());
  EXPECT_EQ(captions(), std::vector<std::string>{"Confirm Task"});
  EXPECT_EQ(backend.quitCode(), 0);
}

}  // namespace
}  // namespace dw::app
