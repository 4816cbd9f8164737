// Window rules of the Qt backend that a user meets: a modal window is modal
// on screen, closing the frame first leaves no child pointing into its
// deleted widgets, line controls run from corner to corner, the frame keeps
// its status zones apart at its smallest size, F10 opens the menu bar, and
// a hidden tab takes its button off the sheet.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>

#include <atomic>

#include "app/frame/main_frame.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/window.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtWindowRulesTest = QtBackendTest;

std::unique_ptr<Control> line(int field, Rect r) {
  ControlState s;
  s.type = ControlType::Line;
  s.field = field;
  s.rect = r;
  return createControl(std::move(s));
}

TEST_F(QtWindowRulesTest, AModalWindowIsModalOnScreen) {
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    WindowDesc d;
    d.label = "ASK$WINDOW";
    d.title = "Question";
    d.modal = true;
    d.width = 120;
    d.height = 60;
    Window& w = runtime().open(d, {});
    id = w.id();
    while (runtime().accept())
      if (runtime().event() == ev::kNotify) break;
    runtime().close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return id != 0 && idle(); }));
  QWidget* top = backend->widgetOf(id);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), top);
  runtime().postFromOutside(ev::kNotify, 0, 1);
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

TEST_F(QtWindowRulesTest, ClosingTheFrameBeforeItsChildLeavesTheChildNothingToTouch) {
  std::atomic<int> childThread{0};
  std::atomic<bool> childOpen{false}, frameClosed{false}, childDone{false};
  runtime().runProgram([&] {
    WindowDesc frame;
    frame.kind = WindowKind::Application;
    frame.label = "FRAME";
    frame.title = "Frame";
    Window& w = runtime().open(frame, {});
    childThread = runtime().start(
        [&] {
          WindowDesc child;
          child.kind = WindowKind::MdiChild;
          child.label = "CHILD";
          child.title = "Child";
          child.timerPeriod = 50;
          std::vector<std::unique_ptr<Control>> controls;
          controls.push_back(line(1, {4, 4, 40, 0}));
          Window& c = runtime().open(child, std::move(controls));
          childOpen = true;
          while (runtime().accept())
            if (runtime().event() == ev::kNotify) break;
          // The frame is gone: a new title, a redisplay and the close
          // (which stops the timer) must find nothing left to touch.
          runtime().setProperty(0, prop::kText, "Still here");
          runtime().display();
          runtime().close(c);
          childDone = true;
        },
        25000);
    while (!childOpen) runtime().yieldUntilIdle();
    runtime().close(w);
    frameClosed = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return frameClosed.load() && idle(); }));
  EXPECT_EQ(backend->applicationWindow(), 0u);
  runtime().postFromOutside(ev::kNotify, 0, childThread);
  ASSERT_TRUE(pumpUntil([&] { return childDone.load(); }));
  runtime().joinProgram();
}

TEST_F(QtWindowRulesTest, LinesRunFromTheirFirstCornerToTheOppositeOne) {
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    std::vector<std::unique_ptr<Control>> controls;
    controls.push_back(line(1, {4, 20, 100, 0}));    // horizontal
    controls.push_back(line(2, {4, 4, 50, 50}));     // diagonal, down to the right
    controls.push_back(line(3, {120, 4, 0, 60}));    // vertical
    controls.push_back(line(4, {60, 70, 40, -30}));  // diagonal, up to the right
    WindowDesc d;
    d.label = "LINES$WINDOW";
    d.title = "Lines";
    d.width = 200;
    d.height = 120;
    Window& w = runtime().open(d, std::move(controls));
    id = w.id();
    while (runtime().accept())
      if (runtime().event() == ev::kNotify) break;
    runtime().close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return id != 0 && idle(); }));
  Window* w = runtime().window(id);
  ASSERT_NE(w, nullptr);
  for (int field : {1, 2, 3, 4}) {
    auto* widget = dynamic_cast<LineWidget*>(backend->controlWidget(id, field));
    ASSERT_NE(widget, nullptr) << field;
    const Rect px = w->control(field)->state().pixels;
    // The widget covers the line's bounding box, and the line joins the
    // declared corners.
    EXPECT_EQ(widget->width(), std::abs(px.width) + 1) << field;
    EXPECT_EQ(widget->height(), std::abs(px.height) + 1) << field;
    const QPoint start = widget->pos() + widget->from();
    const QPoint end = widget->pos() + widget->to();
    EXPECT_EQ(start, QPoint(px.x, px.y)) << field;
    EXPECT_EQ(end, QPoint(px.x + px.width, px.y + px.height)) << field;
  }
  // What is drawn: the diagonal's middle is inked, the corner off the line
  // is not.
  auto* diagonal = backend->controlWidget(id, 2);
  const QImage image = diagonal->grab().toImage();
  const QColor ink = diagonal->palette().color(QPalette::WindowText);
  const int right = image.width() - 1, bottom = image.height() - 1;
  auto inkedNear = [&](int x, int y) {
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        if (image.valid(x + dx, y + dy) && image.pixelColor(x + dx, y + dy) == ink) return true;
    return false;
  };
  EXPECT_TRUE(inkedNear(right / 2, bottom / 2));
  EXPECT_FALSE(inkedNear(1, bottom - 1));
  EXPECT_FALSE(inkedNear(right - 1, 1));
  runtime().postFromOutside(ev::kNotify, 0, 1);
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

TEST_F(QtWindowRulesTest, AHiddenTabTakesItsButtonOffTheSheet) {
  std::atomic<std::uint32_t> id{0};
  std::atomic<int> step{0};
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    std::vector<std::unique_ptr<Control>> controls;
    ControlState sheet;
    sheet.type = ControlType::Sheet;
    sheet.field = 1;
    sheet.rect = {4, 4, 160, 80};
    controls.push_back(createControl(sheet));
    int field = 2;
    for (const char* text : {"One", "Two", "Three"}) {
      ControlState t;
      t.type = ControlType::Tab;
      t.field = field++;
      t.text = text;
      t.parent = 0;
      controls.push_back(createControl(t));
    }
    WindowDesc d;
    d.label = "TABS$WINDOW";
    d.title = "Tabs";
    d.width = 200;
    d.height = 120;
    Window& w = runtime().open(d, std::move(controls));
    id = w.id();
    while (runtime().accept()) {
      if (runtime().event() != ev::kNotify) continue;
      if (step == 1) runtime().hide(3);
      if (step == 2) runtime().unhide(3);
      if (step == 3) break;
    }
    runtime().close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return id != 0 && idle(); }));
  auto* tabs = qobject_cast<QTabBar*>(backend->controlWidget(id, 1));
  ASSERT_NE(tabs, nullptr);
  EXPECT_TRUE(tabs->isTabVisible(1));
  const auto notify = [&](int s) {
    step = s;
    runtime().postFromOutside(ev::kNotify, 0, 1);
  };
  notify(1);
  ASSERT_TRUE(pumpUntil([&] { return !tabs->isTabVisible(1) && idle(); }));
  EXPECT_TRUE(tabs->isTabVisible(0));
  EXPECT_TRUE(tabs->isTabVisible(2));
  EXPECT_EQ(tabs->currentIndex(), 0);
  notify(2);
  ASSERT_TRUE(pumpUntil([&] { return tabs->isTabVisible(1) && idle(); }));
  notify(3);
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

// The frame of the application, opened from its resource.
class FrameRulesTest : public QtBackendTest {
 protected:
  QMainWindow* openFrame() {
    runtime().runProgram([this] {
      app::ProgramCode();
      m_done = true;
    });
    if (!pumpUntil([&] { return backend->applicationWindow() != 0 && idle(); })) return nullptr;
    return qobject_cast<QMainWindow*>(backend->widgetOf(backend->applicationWindow()));
  }
  void closeFrame() {
    EXPECT_TRUE(backend->triggerAction(backend->applicationWindow(), app::frame::kExit));
    EXPECT_TRUE(pumpUntil([&] { return m_done.load(); }));
    runtime().joinProgram();
  }
  std::atomic<bool> m_done{false};
};

TEST_F(FrameRulesTest, AtItsSmallestSizeTheStatusZonesDoNotOverlap) {
  QMainWindow* frame = openFrame();
  ASSERT_NE(frame, nullptr);
  frame->resize(200, 120);
  ASSERT_TRUE(pumpUntil([&] { return frame->width() >= frame->minimumWidth(); }));
  QApplication::processEvents();
  const auto zones = frame->statusBar()->findChildren<QLabel*>();
  ASSERT_EQ(zones.size(), 4);
  for (int i = 0; i < zones.size(); ++i) {
    EXPECT_GT(zones[i]->width(), 0) << i;
    for (int j = i + 1; j < zones.size(); ++j)
      EXPECT_FALSE(zones[i]->geometry().intersects(zones[j]->geometry())) << i << " " << j;
  }
  closeFrame();
}

TEST_F(FrameRulesTest, F10OpensTheMenuBar) {
  QMainWindow* frame = openFrame();
  ASSERT_NE(frame, nullptr);
  frame->activateWindow();
  QApplication::setActiveWindow(frame);
  QTest::keyClick(frame, Qt::Key_F10);
  ASSERT_TRUE(pumpUntil([&] { return frame->menuBar()->activeAction() != nullptr; }));
  EXPECT_EQ(frame->menuBar()->activeAction()->text(), QString("&File"));
  QTest::keyClick(frame->menuBar(), Qt::Key_Escape);
  QTest::keyClick(frame->menuBar(), Qt::Key_Escape);
  closeFrame();
}

}  // namespace
}  // namespace dw::ui::qt
