// The schedule window on real widgets (offscreen): its list shows the
// day's tasks with their icons read through accessibility, the first tab
// names the day, a key typed on the list reaches the procedure (Insert
// asks the task form to add), and Close closes it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QKeyEvent>
#include <QTabBar>
#include <QTreeView>

#include <atomic>
#include <cstring>

#include "app/frame/main_frame.h"
#include "app/data/records.h"
#include "app/data/requests.h"
#include "app/data/table_descs.h"
#include "app/forms/schedule/browse_schedule.h"
#include "app/forms/schedule/schedule_calls.h"
#include "runtime/db/table.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/language_state.h"
#include "runtime/lang/picture.h"
#include "runtime/platform/test_platform.h"
#include "runtime/ui/events.h"
#include "runtime/ui/window_builder.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtBrowseScheduleTest = QtBackendTest;

// Two tasks today and one tomorrow, in SM.BRK of the current directory.
void storeTasks() {
  lang::LanguageStatePtr state = lang::newLanguageState();
  lang::LanguageState* previous = lang::makeLanguageStateCurrent(state.get());
  db::TableOpenOptions o;
  o.disposition = db::OpenDisposition::CreateIfMissing;
  std::unique_ptr<db::Table> table;
  ASSERT_EQ(db::Table::openTable("SM.BRK\\!Schedule", app::scheduleTableDesc(), o, table), 0);
  const int today = lang::today();
  const struct {
    int id;
    const char* description;
    int date;
    std::uint8_t disabled;
  } tasks[] = {{1, "Water the plants", today, 0},
               {2, "Old backup", today, 1},
               {3, "Tomorrow's task", today + 1, 0}};
  for (const auto& t : tasks) {
    table->clearRecord();
    app::ScheduleRecord r;
    std::memcpy(&r, table->record().data(), sizeof r);
    r.ID = t.id;
    r.Description = t.description;
    r.Date = t.date;
    r.Time = t.id * 100;
    r.TaskType = "None";
    r.Disabled = t.disabled;
    std::memcpy(table->record().data(), &r, sizeof r);
    ASSERT_EQ(table->addRecord(), 0);
  }
  ASSERT_EQ(table->closeTable(), 0);
  lang::makeLanguageStateCurrent(previous);
}

TEST_F(QtBrowseScheduleTest, TheDaysTasksKeysAndClose) {
  // A fixed day, and the window's place kept in the test's own folder.
  platform::TestPlatform platform;
  platform::ScopedPlatform scope(platform);
  platform.setProfileDirectory(m_dataDir.path());
  platform.setNow({2026, 3, 2, 9, 30, 0, 0, 1});
  storeTasks();
  std::atomic<int> formRequests{0};
  app::resetScheduleCalls();
  app::scheduleCalls().updateSchedule = [&] { formRequests = app::globalRequest(); };
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    Runtime& rt = runtime();
    Window& frame = openWindow(app::kFrameModule, app::kFrameLabel, WindowKind::Application);
    rt.start(&app::BrowseSchedule, app::kBrowseScheduleStack);
    while (rt.accept()) {
    }
    rt.close(frame);
    done = true;
  });
  QWidget* list = nullptr;
  std::uint32_t browseId = 0;
  ASSERT_TRUE(pumpUntil([&] {
    for (std::uint32_t id = 1; id < 16 && !list; ++id) {
      QWidget* w = backend->controlWidget(id, app::browse_window::kList);
      if (qobject_cast<QTreeView*>(w)) list = w, browseId = id;
    }
    return list != nullptr && idle();
  }));
  auto* view = qobject_cast<QTreeView*>(list);
  ASSERT_TRUE(pumpUntil([&] { return view->model()->rowCount() == 2 && idle(); }));
  const QModelIndex icon = view->model()->index(1, 0);
  EXPECT_EQ(icon.data(Qt::AccessibleTextRole).toString(), QString("disabled"));
  EXPECT_EQ(view->model()->index(0, 4).data(Qt::DisplayRole).toString(),
            QString("Water the plants"));
  auto* tabs = qobject_cast<QTabBar*>(backend->controlWidget(browseId, app::browse_window::kSheet));
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->tabText(0).toStdString(), lang::format(lang::today(), "@d3"));
  EXPECT_EQ(tabs->tabText(1), QString("All by Date"));

  QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
  QApplication::sendEvent(view, &insert);
  ASSERT_TRUE(pumpUntil([&] { return formRequests == app::request::kInsert && idle(); }));

  auto* close =
      qobject_cast<QAbstractButton*>(backend->controlWidget(browseId, app::browse_window::kClose));
  ASSERT_NE(close, nullptr);
  close->click();
  ASSERT_TRUE(pumpUntil([&] {
    return backend->controlWidget(browseId, app::browse_window::kList) == nullptr && idle();
  }));
  ASSERT_TRUE(backend->triggerAction(backend->applicationWindow(), app::frame::kExit));
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
  app::resetScheduleCalls();
}

}  // namespace
}  // namespace dw::ui::qt
