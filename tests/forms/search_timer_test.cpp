// The search's scan gives the Runtime lock up between its ticks: the main
// frame's timer performs a task that falls due while a search is under way.
#include "app/forms/schedule/schedule_calls.h"
#include "app/forms/search/qbe_match.h"
#include "app/forms/search/search_scan.h"
#include "app/forms/search/search_schedule.h"
#include "app/scheduler/driver_seams.h"
#include "app/scheduler/main_frame_work.h"
#include "fields/dorn006.h"
#include "fields/s_qbe.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app::testing {
namespace {

class SearchTimerTest : public BrowseFixture {};

TEST_F(SearchTimerTest, ADueTaskRunsWhileASearchIsUnderWay) {
  // More tasks than the scan can read in one timer period of the frame,
  // however the ticks fall: 250 ticks of 100 records.
  std::vector<StoredTask> tasks;
  for (int id = 1; id <= 30000; ++id) tasks.push_back(task(id, "backup", today() + 30, 1));
  tasks.push_back(task(30001, "due", today(), 9 * 360000 + 31 * 6000 + 1)
                      .ofType("Run Program")
                      .withCommand("due-command"));
  store(tasks);
  startProgram();
  scheduleCalls().searchSchedule = &SearchSchedule;
  const auto browse = startSchedule();
  backend.choose(browse.id, browse_window::kSheet, 4);
  idle();
  backend.press(browse.id, browse_window::kSearch);
  idle();
  const auto search = backend.find(kSearchScheduleLabel);
  ASSERT_TRUE(search);
  backend.focus(search->id, dorn006::kDescription);
  backend.type(search->id, dorn006::kDescription, "backup");
  backend.acceptTyped(search->id, dorn006::kDescription);
  idle();
  backend.press(search->id, dorn006::kSearchType);
  idle();
  const auto types = backend.find("MATCHTYPE$WINDOW");
  ASSERT_TRUE(types);
  backend.choose(types->id, s_qbe::kMatchType, match::kEquals + 1);
  backend.press(types->id, s_qbe::kOK);
  idle();
  backend.press(search->id, dorn006::kBeginSearch);
  idle();
  backend.press(backend.find("QBETASK$WINDOW")->id, s_qbe::kSelect);
  idle();
  ASSERT_TRUE(backend.find(kSearchingTitle));

  // The frame's real work from now on: the due-task check first.
  setTimerWork(&frameTimerWork);
  m_platform.setNow({2026, 3, 2, 9, 32, 0, 0, 1});
  tick();
  EXPECT_TRUE(backend.find(kSearchingTitle));  // still scanning
  EXPECT_EQ(m_platform.startedPrograms(), (std::vector<std::string>{"due-command"}));

  const auto progress = backend.find(kSearchingTitle);
  backend.press(progress->id, s_qbe::kProgressCancel);
  idle();
  backend.press(search->id, dorn006::kCancel);
  idle();
}

}  // namespace
}  // namespace dw::app::testing
