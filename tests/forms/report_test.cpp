// The five reports over a known schedule: what each prints and in which
// order (read back from the page files by our player and by wmf2svg), the
// print preview's modes, and the report procedures acting as the user:
// progress, preview, Cancel, and no page file left behind.
#include <dirent.h>
#include <stdlib.h>

#include <algorithm>

#include "app/forms/reports/preview_state.h"
#include "app/forms/reports/report_procedures.h"
#include "app/forms/reports/report_run.h"
#include "fields/dorn012.h"
#include "fields/dorn_sf.h"
#include "runtime/ui/report/headless_report_device.h"
#include "tests/forms/form_fixture.h"
#include "tests/report/report_fixture.h"

namespace dw::app {
namespace {

using report::testing::fileTexts;

class ReportTest : public testing::FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    const char* old = std::getenv("TMPDIR");
    m_oldTmp = old ? old : "";
    ::setenv("TMPDIR", m_tmp.path().c_str(), 1);
    for (db::DeclaredFile* f :
         {static_cast<db::DeclaredFile*>(&CAT()), static_cast<db::DeclaredFile*>(&TDO()),
          static_cast<db::DeclaredFile*>(&SCH())}) {
      if (f->open(0x42) != 0) {
        ASSERT_EQ(f->create(), 0);
        ASSERT_EQ(f->open(0x42), 0);
      }
    }
  }
  void TearDown() override {
    FormFixture::TearDown();
    if (TDO().isOpen()) TDO().close();
    TDO().openCount() = 0;
    ::setenv("TMPDIR", m_oldTmp.c_str(), 1);
  }

  // A schedule whose date order, category order and identifier order differ.
  void knownSchedule() {
    addTask(1, [](ScheduleRecord& t) {
      t.Description = "Water the plants";
      t.Category = "Home";
      t.Date = today() + 3;
      t.ScheduleType = "Day of Week";
      t.Monday = t.Wednesday = t.Friday = 1;
    });
    addTask(2, [](ScheduleRecord& t) {
      t.Description = "Backup server";
      t.Category = "Work";
      t.Date = today() + 1;
      t.ScheduleType = "Custom";
      t.Every = 2;
      t.EveryType = "week(s)";
      t.Alarm = 1;
      t.AlarmFile = "bell.wav";
    });
    addTask(3, [](ScheduleRecord& t) {
      t.Description = "Call mother";
      t.Category = "Home";
      t.Date = today() + 2;
      t.Disabled = 1;
    });
    addTask(
        4,
        [](ScheduleRecord& t) {
          t.Description = "Pay rent";
          t.Category = "Bills";
          t.Date = today() + 1;
          t.Time = at(10, 0);
          t.LastRunDate = today() - 30;
        },
        "Transfer to the landlord");
    for (const char* name : {"Work", "Bills", "Home"}) {
      CAT()->Category = name;
      ASSERT_EQ(CAT().add(), 0);
    }
    const struct {
      std::uint8_t done, priority;
      const char* text;
    } items[] = {{1, 1, "Renew passport"}, {0, 7, "Paint the fence"}, {0, 2, "Buy stamps"}};
    for (const auto& i : items) {
      TDO()->Done = i.done;
      TDO()->Priority = i.priority;
      TDO()->ToDo = i.text;
      ASSERT_EQ(TDO().add(), 0);
    }
  }

  // Runs a report to its end on the headless device; the texts of each
  // page, read by our player and checked against wmf2svg.
  std::vector<std::vector<std::string>> texts(ReportKind kind) {
    report::HeadlessReportDevice device;
    ReportRun run(kind);
    EXPECT_TRUE(run.start(&device));
    ReportTick tick;
    for (int guard = 0; !tick.done && guard < 10000; ++guard) tick = run.step(3);
    EXPECT_EQ(run.error(), 0);
    run.finish();
    return fileTexts(run.pages());
  }

  std::vector<std::string> pageFilesLeft() const {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(m_tmp.path().c_str())) {
      while (dirent* e = ::readdir(d))
        if (std::string(e->d_name).rfind("VEL", 0) == 0) out.push_back(e->d_name);
      ::closedir(d);
    }
    return out;
  }

  platform::testing::TempDir m_tmp;
  std::string m_oldTmp;
};

// The position of each text in the report's texts, in the order given.
std::vector<std::ptrdiff_t> positions(const std::vector<std::string>& all,
                                      const std::vector<std::string>& wanted) {
  std::vector<std::ptrdiff_t> out;
  for (const auto& w : wanted) out.push_back(std::find(all.begin(), all.end(), w) - all.begin());
  return out;
}

TEST_F(ReportTest, EachReportPrintsEveryRecordInItsKeyOrderWithPageNumbers) {
  knownSchedule();
  const struct {
    ReportKind kind;
    std::vector<std::string> inOrder;
  } cases[] = {
      {ReportKind::ScheduleByDate,
       {"Schedule", "Backup server", "Pay rent", "Call mother", "Water the plants"}},
      {ReportKind::ScheduleByCategory,
       {"Schedule", "Bills", "Pay rent", "Home", "Call mother", "Water the plants", "Work",
        "Backup server"}},
      {ReportKind::Brief,
       {"Schedule in Brief", "Backup server", "Pay rent", "Call mother", "Water the plants"}},
      {ReportKind::Categories, {"Category List", "Bills", "Home", "Work"}},
      // Not done before done, then by priority.
      {ReportKind::ToDo, {"To Do...", "Buy stamps", "Paint the fence", "Renew passport"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(reportInfo(c.kind).command);
    const auto pages = texts(c.kind);
    ASSERT_EQ(pages.size(), 1u);
    const auto& all = pages[0];
    const auto at = positions(all, c.inOrder);
    for (std::size_t i = 0; i < at.size(); ++i) {
      ASSERT_LT(at[i], static_cast<std::ptrdiff_t>(all.size())) << c.inOrder[i];
      if (i > 0) {
        EXPECT_LT(at[i - 1], at[i]) << c.inOrder[i - 1] << " before " << c.inOrder[i];
      }
    }
    EXPECT_NE(std::find(all.begin(), all.end(), "Page 1"), all.end());
  }
}

TEST_F(ReportTest, TheScheduleReportShowsRulesLastRunMarksAndMessage) {
  knownSchedule();
  const auto all = texts(ReportKind::ScheduleByDate).at(0);
  for (const char* text :
       {"Task Type", "Advance Warning", "Mon Wed Fri", "Every 2 week(s)", "bell.wav",
        "Last Run:", "Transfer to the landlord", "X", "Skip Next Time",
        "Warn if not run on specified date", "Give option to skip before performing", "Disabled"})
    EXPECT_NE(std::find(all.begin(), all.end(), text), all.end()) << text;
}

TEST_F(ReportTest, ALongScheduleNumbersEveryPage) {
  for (int id = 1; id <= 40; ++id)
    addTask(id, [id](ScheduleRecord& t) {
      t.Description = "Task " + std::to_string(100 + id);
      t.Date = today() + id;
    });
  const auto pages = texts(ReportKind::ScheduleByDate);
  ASSERT_GT(pages.size(), 2u);
  std::vector<std::string> descriptions;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    EXPECT_NE(std::find(pages[p].begin(), pages[p].end(), "Page " + std::to_string(p + 1)),
              pages[p].end());
    for (const auto& t : pages[p])
      if (t.rfind("Task 1", 0) == 0) descriptions.push_back(t);
  }
  ASSERT_EQ(descriptions.size(), 40u);
  EXPECT_TRUE(std::is_sorted(descriptions.begin(), descriptions.end()));
}

TEST(PreviewStateTest, ModesTitlesAndEdges) {
  // Facing on the last page of an odd count names one page.
  PreviewState odd(5);
  odd.toggleFacing();
  EXPECT_EQ(odd.title(), "Pages 1 and 2 of 5");
  odd.next();
  odd.next();
  EXPECT_EQ(odd.title(), "Page 5 of 5");
  odd.next();
  EXPECT_EQ(odd.page(), 5);
  EXPECT_EQ(odd.facingCaption(), "&Single Pages!");
  // Zooming from facing and out returns to facing.
  odd.zoom();
  EXPECT_EQ(odd.modeLabel(), "ZOOM");
  EXPECT_EQ(odd.zoomCaption(), "&Zoom Out!");
  EXPECT_EQ(odd.zoomTip(), "Zoom out to facing page mode");
  EXPECT_FALSE(odd.facingEnabled());
  odd.zoom();
  EXPECT_EQ(odd.mode(), PreviewMode::Facing);
  EXPECT_EQ(odd.zoomCaption(), "&Zoom In!");
  // Facing from an even page starts the pair after it; back to single.
  PreviewState even(4);
  even.jump(2);
  even.toggleFacing();
  EXPECT_EQ(even.title(), "Pages 3 and 4 of 4");
  even.previous();
  EXPECT_EQ(even.title(), "Pages 1 and 2 of 4");
  even.toggleFacing();
  EXPECT_EQ(even.title(), "Page 1 of 4");
  even.zoom();
  EXPECT_EQ(even.zoomTip(), "Zoom out to full page mode");
  even.zoom();
  EXPECT_EQ(even.mode(), PreviewMode::Single);
  // Jumps stay within 1 to t.
  even.jump(99);
  EXPECT_EQ(even.page(), 4);
  even.jump(-3);
  EXPECT_EQ(even.page(), 1);
  // One page cannot face another.
  PreviewState one(1);
  EXPECT_FALSE(one.facingEnabled());
  one.toggleFacing();
  EXPECT_EQ(one.mode(), PreviewMode::Single);
  EXPECT_EQ(one.title(), "Page 1 of 1");
}

TEST_F(ReportTest, TheProcedurePreviewsPagesAndLeavesNoPageFile) {
  for (int id = 1; id <= 50; ++id)
    addTask(id, [id](ScheduleRecord& t) { t.Description = "Task " + std::to_string(id); });
  SCH().close();
  SCH().openCount() = 0;
  run(&PrintSCH_KeyDate);
  const std::uint32_t progress = windowId("Generating Report");
  EXPECT_EQ(shown(progress, dorn012::kPercent), "0% Completed");
  while (backend.find("Generating Report")) {
    backend.advance(1);
    idle();
  }
  const auto preview = backend.find("PREVIEW$WINDOW");
  ASSERT_TRUE(preview);
  EXPECT_EQ(preview->title.rfind("Page 1 of ", 0), 0u) << preview->title;
  EXPECT_FALSE(pageFilesLeft().empty());
  // The by-date report's pages are landscape, and shown so.
  const ui::Rect left = backend.control(preview->id, dorn_sf::kLeftPage)->rect;
  EXPECT_GT(left.width, left.height);
  backend.press(preview->id, dorn_sf::kNext);
  idle();
  EXPECT_EQ(backend.find("PREVIEW$WINDOW")->title.rfind("Page 2 of ", 0), 0u);
  backend.press(preview->id, dorn_sf::kFacing);
  idle();
  EXPECT_EQ(backend.find("PREVIEW$WINDOW")->title.rfind("Pages 3 and 4 of ", 0), 0u);
  EXPECT_EQ(shown(preview->id, dorn_sf::kModeLabel), "Facing Pages");
  EXPECT_EQ(backend.control(preview->id, dorn_sf::kFacing)->text, "&Single Pages!");
  backend.press(preview->id, dorn_sf::kCancel);
  idle();
  finish();
  EXPECT_FALSE(backend.find("PREVIEW$WINDOW"));
  EXPECT_TRUE(pageFilesLeft().empty());
}

TEST_F(ReportTest, CancelInTheProgressWindowShowsNoPreviewAndLeavesNoPageFile) {
  for (int id = 1; id <= 200; ++id)
    addTask(id, [id](ScheduleRecord& t) { t.Description = "Task " + std::to_string(id); });
  SCH().close();
  SCH().openCount() = 0;
  run(&PrintSCH_KeyDate);
  backend.advance(1);
  idle();
  backend.press(windowId("Generating Report"), dorn012::kCancel);
  idle();
  finish();
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_TRUE(pageFilesLeft().empty());
  EXPECT_EQ(backend.createdCount(), 1);  // the progress window only
}

// A read that fails in the middle of the scan is message 35 for the
// report's file; an ordered read that cannot start (the file counted open
// for another window but not open) is message 36.  Either ends the report:
// no preview, and no page file left, even the pages already made.
TEST_F(ReportTest, FileErrorsEndTheReportWithTheirMessage) {
  for (int id = 1; id <= 200; ++id)
    addTask(id, [id](ScheduleRecord& t) { t.Description = "Task " + std::to_string(id); });
  const struct {
    bool midScan;
    const char* caption;
    const char* text;
  } cases[] = {
      {false, "View Open Error", "attempting to open the current VIEW."},
      {true, "Record Retrieval Error", "attempting to access a record from the Schedule file."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    const std::size_t shownBefore = backend.boxes().size();
    backend.holdBoxes(c.midScan);
    run([&c] {
      if (!c.midScan) SCH().openCount() = 1;
      PrintSCH_KeyDate();
    });
    if (c.midScan) {
      backend.advance(1);
      idle();
      EXPECT_FALSE(pageFilesLeft().empty());
      m_platform.crash(platform::CrashMode::KeepUnflushed);  // the disk is gone
      backend.advance(1);
      EXPECT_TRUE(backend.waitForOpenBox());
      m_platform.reboot();
      backend.holdBoxes(false);  // the box closes with its OK
    }
    finish();
    const auto boxes = backend.boxes();
    ASSERT_EQ(boxes.size(), shownBefore + 1);
    EXPECT_EQ(boxes.back().box.caption, c.caption);
    EXPECT_NE(boxes.back().box.text.find(c.text), std::string::npos) << boxes.back().box.text;
    EXPECT_FALSE(backend.find("PREVIEW$WINDOW"));
    EXPECT_TRUE(pageFilesLeft().empty());
  }
}

// The driver does not know QUICKSCAN and says so; the report asks for it
// anyway and must not depend on it: the answer posts no error and leaves
// the scan where it was.
TEST_F(ReportTest, QuickScanIsAnsweredAsUnknownAndChangesNothing) {
  knownSchedule();
  ScheduleFile& f = probe();
  ASSERT_EQ(f.set(sch_key::kKeyDate), 0);
  ASSERT_EQ(f.next(), 0);
  const std::string first = f->Description.str();
  for (const char* option : {"QUICKSCAN=on", "QUICKSCAN=off"}) {
    EXPECT_EQ(f.send(option), "SEND arg not recognised");
    EXPECT_EQ(lang::errorCode(), 0) << option;
  }
  ASSERT_EQ(f.next(), 0);
  EXPECT_NE(f->Description.str(), first);
  EXPECT_EQ(f->Description.str(), "Pay rent");  // the second by date
}

}  // namespace
}  // namespace dw::app
