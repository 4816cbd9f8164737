// Where windows stand on real widgets (offscreen): a window keeps the place
// and size the user gives it when its procedure changes something else, and
// the runtime learns them; the minimised and maximised properties act on
// the screen; the frame holds the schedule window it opens at start-up; and
// cascading keeps each document window at its size.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <atomic>

#include "app/forms/schedule/browse_schedule.h"
#include "app/frame/main_frame.h"
#include "runtime/platform/test_platform.h"
#include "runtime/ui/events.h"
#include "runtime/ui/window.h"
#include "runtime/ui/window_builder.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtWindowPlaceTest = QtBackendTest;

// A plain window whose procedure runs `step(n)` on the n-th EVENT:Notify and
// ends after the last.
struct StepWindow {
  std::atomic<std::uint32_t> id{0};
  std::atomic<int> step{0};
  std::atomic<bool> done{false};
  void run(int last, std::function<void(int)> act) {
    runtime().runProgram([this, last, act] {
      WindowDesc d;
      d.label = "PLACE$WINDOW";
      d.title = "Place";
      d.width = 120;
      d.height = 60;
      Window& w = runtime().open(d, {});
      id = w.id();
      while (runtime().accept()) {
        if (runtime().event() != ev::kNotify) continue;
        if (step == last) break;
        act(step);
      }
      runtime().close(w);
      done = true;
    });
  }
  void notify(int s) {
    step = s;
    runtime().postFromOutside(ev::kNotify, 0, 1);
  }
};

TEST_F(QtWindowPlaceTest, AWindowKeepsThePlaceTheUserGaveItAndTheRuntimeLearnsIt) {
  StepWindow sw;
  sw.run(2, [](int) { runtime().setProperty(0, prop::kText, "Renamed"); });
  ASSERT_TRUE(pumpUntil([&] { return sw.id != 0 && idle(); }));
  QWidget* top = backend->widgetOf(sw.id);
  top->move(70, 50);
  top->resize(500, 400);
  ASSERT_TRUE(pumpUntil([&] { return idle() && runtime().window(sw.id)->pixels.width == 500; }));
  EXPECT_EQ(runtime().window(sw.id)->pixels, (Rect{70, 50, 500, 400}));
  sw.notify(1);
  ASSERT_TRUE(pumpUntil([&] { return top->windowTitle() == "Renamed" && idle(); }));
  EXPECT_EQ(top->size(), QSize(500, 400));
  EXPECT_EQ(top->pos(), QPoint(70, 50));
  sw.notify(2);
  ASSERT_TRUE(pumpUntil([&] { return sw.done.load(); }));
  runtime().joinProgram();
}

TEST_F(QtWindowPlaceTest, TheMinimisedAndMaximisedPropertiesActOnTheScreen) {
  struct Step {
    int property;
    const char* value;
    Qt::WindowStates shown;
  };
  const Step steps[] = {
      {prop::kIconize, "1", Qt::WindowMinimized},
      {prop::kIconize, "", Qt::WindowNoState},
      {prop::kMaximize, "1", Qt::WindowMaximized},
      {prop::kMaximize, "", Qt::WindowNoState},
  };
  StepWindow sw;
  sw.run(static_cast<int>(std::size(steps)),
         [&](int n) { runtime().setProperty(0, steps[n].property, steps[n].value); });
  ASSERT_TRUE(pumpUntil([&] { return sw.id != 0 && idle(); }));
  QWidget* top = backend->widgetOf(sw.id);
  for (int n = 0; n < static_cast<int>(std::size(steps)); ++n) {
    sw.notify(n);
    const Qt::WindowStates mask = Qt::WindowMinimized | Qt::WindowMaximized;
    EXPECT_TRUE(pumpUntil([&] { return (top->windowState() & mask) == steps[n].shown && idle(); }))
        << n;
  }
  sw.notify(static_cast<int>(std::size(steps)));
  ASSERT_TRUE(pumpUntil([&] { return sw.done.load(); }));
  runtime().joinProgram();
}

// The frame opened from its resource with the schedule window in it.
class QtFrameHoldsItsWindowsTest : public QtBackendTest {
 protected:
  void SetUp() override {
    QtBackendTest::SetUp();
    m_platform.setProfileDirectory(m_dataDir.path());
  }
  QMdiSubWindow* openFrameWithSchedule() {
    runtime().runProgram([this] {
      Runtime& rt = runtime();
      Window& frame = openWindow(app::kFrameModule, app::kFrameLabel, WindowKind::Application);
      rt.start(&app::BrowseSchedule, app::kBrowseScheduleStack);
      while (rt.accept()) {
      }
      rt.close(frame);
      m_done = true;
    });
    QMdiSubWindow* sub = nullptr;
    pumpUntil([&] {
      const std::uint32_t app = backend->applicationWindow();
      auto* frame = qobject_cast<QMainWindow*>(backend->widgetOf(app));
      m_area = frame ? qobject_cast<QMdiArea*>(frame->centralWidget()) : nullptr;
      if (m_area && !m_area->subWindowList().isEmpty()) sub = m_area->subWindowList().front();
      return sub && sub->isVisible() && idle();
    });
    return sub;
  }
  void closeFrame() {
    EXPECT_TRUE(backend->triggerAction(backend->applicationWindow(), app::frame::kExit));
    EXPECT_TRUE(pumpUntil([&] { return m_done.load(); }));
    runtime().joinProgram();
  }
  platform::TestPlatform m_platform;
  platform::ScopedPlatform m_scope{m_platform};
  QMdiArea* m_area = nullptr;
  std::atomic<bool> m_done{false};
};

TEST_F(QtFrameHoldsItsWindowsTest, TheScheduleWindowFitsInTheFrameAtStartUp) {
  QMdiSubWindow* sub = openFrameWithSchedule();
  ASSERT_NE(sub, nullptr);
  ASSERT_TRUE(pumpUntil(idle));
  EXPECT_TRUE(m_area->viewport()->rect().contains(sub->geometry()))
      << sub->geometry().width() << "x" << sub->geometry().height() << " in "
      << m_area->viewport()->width() << "x" << m_area->viewport()->height();
  closeFrame();
}

TEST_F(QtFrameHoldsItsWindowsTest, CascadeKeepsEachWindowAtItsSize) {
  QMdiSubWindow* sub = openFrameWithSchedule();
  ASSERT_NE(sub, nullptr);
  const QSize before = sub->size();
  sub->move(40, 30);
  ASSERT_TRUE(backend->triggerAction(backend->applicationWindow(), app::frame::kCascade));
  ASSERT_TRUE(pumpUntil([&] { return sub->pos() == QPoint(0, 0) && idle(); }));
  EXPECT_EQ(sub->size(), before);
  closeFrame();
}

}  // namespace
}  // namespace dw::ui::qt
