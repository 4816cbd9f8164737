// The frame's timer goes on while a report is made: the by-date report of
// 10,000 tasks runs on its own thread under its progress window, which
// advances step by step, and the frame's timer work runs between the steps.
#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "app/data/app_files.h"
#include "app/forms/reports/report_procedures.h"
#include "app/frame/frame_menu.h"
#include "app/frame/main_frame.h"
#include "fields/dorn012.h"
#include "fields/dorn_sf.h"
#include "tests/app/frame_fixture.h"

namespace dw::app {
namespace {

class ReportTimerTest : public testing::FrameFixture {
 protected:
  void TearDown() override {
    FrameFixture::TearDown();
    clearMenuProcedures();
  }
};

TEST_F(ReportTimerTest, TheTimerTicksWhileTheByDateReportOfTenThousandTasksIsMade) {
  ScheduleFile& sch = SCH();
  ASSERT_EQ(sch.create(), 0);
  ASSERT_EQ(sch.open(0x42), 0);
  for (int id = 1; id <= 10000; ++id) {
    sch.clear();
    sch->ID = id;
    sch->TaskType = "None";
    sch->ScheduleType = "Once";
    sch->Description = "Task " + std::to_string(id);
    sch->Date = 90000 + id % 700;
    ASSERT_EQ(sch.add(), 0);
  }
  sch.close();
  sch.openCount() = 0;
  std::atomic<int> work{0};
  setTimerWork([&] { ++work; });
  setMenuProcedure(frame::kReportByDate, &PrintSCH_KeyDate, kLargeStack);
  startProgram();
  backend.press(frameId, frame::kReportByDate);
  idle();
  std::set<std::string> percents;
  int ticksDuringReport = 0;
  for (int guard = 0; guard < 5000; ++guard) {
    const auto progress = backend.find("Generating Report");
    if (!progress) break;
    percents.insert(backend.control(progress->id, dorn012::kPercent)->display);
    const int before = work;
    backend.advance(1);
    idle();
    if (work > before && backend.find("Generating Report")) ++ticksDuringReport;
  }
  EXPECT_GT(ticksDuringReport, 0);
  EXPECT_GT(percents.size(), 10u);
  EXPECT_TRUE(percents.count("50% Completed"));
  const auto preview = backend.find("PREVIEW$WINDOW");
  ASSERT_TRUE(preview);
  backend.press(preview->id, dorn_sf::kCancel);
  idle();
}

}  // namespace
}  // namespace dw::app
