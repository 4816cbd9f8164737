// The tray's menu on the real frame (offscreen, where no tray is offered):
// the texts the frame publishes, Scheduler Active as the frame's switch,
// Show Dornwatch and View Schedule as a second start's requests, Exit as
// File > Exit, and a close box that still ends the program when no tray
// could take it.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include <atomic>
#include <cstdlib>
#include <fstream>

#include "app/frame/frame_menu.h"
#include "app/frame/main_frame.h"
#include "app/instance_requests.h"
#include "app/scheduler/driver_seams.h"
#include "app/scheduler/tray_state.h"
#include "app/tray.h"
#include "runtime/lang/dates.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

class QtTrayTest : public QtBackendTest {
 protected:
  void SetUp() override {
    QtBackendTest::SetUp();
    const char* saved = std::getenv("DORNWATCH_CONFIG");
    m_savedConfig = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("DORNWATCH_CONFIG", m_dataDir.path().c_str(), 1);
    app::resetTrayState();
  }
  void TearDown() override {
    m_tray.reset();
    m_requests.reset();
    QtBackendTest::TearDown();
    app::resetTrayState();
    app::setNextTasksSource(nullptr);
    app::clearMenuProcedures();
    if (m_savedConfig)
      setenv("DORNWATCH_CONFIG", m_savedConfig->c_str(), 1);
    else
      unsetenv("DORNWATCH_CONFIG");
  }
  // Starts the program with its tray; returns the frame's widget once the
  // frame has published its first state (its first tick).
  QWidget* start() {
    m_requests = std::make_unique<app::InstanceRequests>(*backend, nullptr);
    m_tray = std::make_unique<app::Tray>(*backend, *m_requests, nullptr);
    runtime().runProgram([this] {
      app::ProgramCode();
      m_done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return action("Scheduler Active")->isEnabled(); }));
    return backend->widgetOf(backend->applicationWindow());
  }
  QAction* action(const QString& text) const {
    for (QAction* a : m_tray->menu()->actions())
      if (a->text() == text) return a;
    ADD_FAILURE() << text.toStdString();
    static QAction none;
    return &none;
  }
  QStringList texts() const {
    QStringList all;
    for (QAction* a : m_tray->menu()->actions())
      all << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : "*"));
    return all;
  }

  std::optional<std::string> m_savedConfig;
  std::unique_ptr<app::InstanceRequests> m_requests;
  std::unique_ptr<app::Tray> m_tray;
  std::atomic<bool> m_done{false};
};

TEST_F(QtTrayTest, TheMenuShowsTheFrameAndItsScheduleSwitchesItAndExits) {
  const std::int32_t day = lang::date(1, 12, 2027);
  app::setNextTasksSource([day](int count) {
    std::vector<app::NextTask> tasks = {{"Backup", day, 9 * 360000 + 1},
                                        {"Mail", day, 10 * 360000 + 1}};
    tasks.resize(std::min<std::size_t>(tasks.size(), count));
    return tasks;
  });
  std::atomic<int> viewed{0};
  app::setMenuProcedure(
      app::frame::kViewSchedule, [&] { ++viewed; }, app::kLargeStack);
  QWidget* frame = start();
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  EXPECT_FALSE(m_tray->icon()->isVisible());  // no tray here: no icon
  EXPECT_EQ(texts(),
            QStringList({"Show Dornwatch", "View Schedule", "-", "Backup JAN 12, 2027  9:00AM*",
                         "Mail JAN 12, 2027 10:00AM*", "-", "Scheduler Active", "-", "Exit"}));
  EXPECT_EQ(m_tray->icon()->toolTip(), "Dornwatch '96 - Backup JAN 12, 2027  9:00AM");
  EXPECT_TRUE(action("Scheduler Active")->isChecked());

  action("Scheduler Active")->trigger();
  ASSERT_TRUE(pumpUntil([&] { return frame->windowTitle() == "Dornwatch '96 (Inactive)"; }));
  ASSERT_TRUE(pumpUntil([&] { return m_tray->icon()->toolTip() == "Dornwatch '96 (Inactive)"; }));
  EXPECT_FALSE(action("Scheduler Active")->isChecked());

  frame->hide();
  action("Show Dornwatch")->trigger();
  ASSERT_TRUE(pumpUntil([&] { return frame->isVisible(); }));
  const int before = viewed;  // the start-up schedule counts too
  action("View Schedule")->trigger();
  ASSERT_TRUE(pumpUntil([&] { return viewed == before + 1 && idle(); }));

  action("Exit")->trigger();
  ASSERT_TRUE(pumpUntil([&] { return m_done.load(); }));
  runtime().joinProgram();
}

TEST_F(QtTrayTest, WithoutATrayTheCloseBoxStillEndsTheProgram) {
  std::ofstream(m_dataDir.path() + "/DORN.INI") << "[Desktop]\nKeepInTray=1\n";
  QWidget* frame = start();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(app::publishedTrayState()->keepInTray);
  frame->close();
  ASSERT_TRUE(pumpUntil([&] { return m_done.load(); }));
  runtime().joinProgram();
}

}  // namespace
}  // namespace dw::ui::qt
