// The Qt backend with real widgets (offscreen): the frame built from its
// window resource, a window with controls driven as a user would, and the
// GUI-thread dispatcher's rules.  The test's thread is the GUI thread; the
// procedures run on runtime threads.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QThread>
#include <QToolBar>
#include <QTreeView>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "app/frame/main_frame.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/runtime.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

TEST_F(QtBackendTest, FrameOpensFromItsResourceAndFileExitEndsTheProgram) {
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    app::ProgramCode();
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return backend->applicationWindow() != 0 && idle(); }));
  auto* frame = qobject_cast<QMainWindow*>(backend->widgetOf(backend->applicationWindow()));
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->windowTitle(), QString("Dornwatch '96"));
  EXPECT_NE(qobject_cast<QMdiArea*>(frame->centralWidget()), nullptr);
  QStringList menus;
  for (QAction* a : frame->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&Schedule", "&Reports", "&Window", "&Help"}));
  const auto toolBars = frame->findChildren<QToolBar*>();
  ASSERT_EQ(toolBars.size(), 1);
  EXPECT_GE(toolBars[0]->actions().size(), 4);
  EXPECT_EQ(frame->statusBar()->findChildren<QLabel*>().size(), 4);
  if (const char* dir = std::getenv("DW_SHOT_DIR")) frame->grab().save(QString(dir) + "/frame.png");

  // A tool bar button posts its menu item; the frame stays open.
  EXPECT_TRUE(backend->triggerAction(backend->applicationWindow(), app::frame::kToolToDo));
  ASSERT_TRUE(pumpUntil(idle));
  EXPECT_FALSE(done);
  EXPECT_TRUE(backend->triggerAction(backend->applicationWindow(), app::frame::kExit));
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
  EXPECT_EQ(backend->applicationWindow(), 0u);
}

TEST_F(QtBackendTest, ControlsTakeWhatTheUserDoesIntoTheirVariables) {
  std::int32_t amount = 0, checked = 0;
  char row[10];
  std::atomic<int> accepted{0};
  std::atomic<int> rejected{0};
  std::atomic<bool> done{false};
  std::atomic<std::uint32_t> windowId{0};
  runtime().runProgram([&] {
    Runtime& rt = runtime();
    auto make = [](ControlType type, int field, std::string text, std::string picture, Rect r) {
      ControlState s;
      s.type = type;
      s.field = field;
      s.text = std::move(text);
      s.picture = std::move(picture);
      s.rect = r;
      return createControl(std::move(s));
    };
    std::vector<std::unique_ptr<Control>> controls;
    controls.push_back(make(ControlType::Entry, 1, "", "n7", {10, 10, 60, 12}));
    controls.push_back(make(ControlType::Check, 2, "&Active", "", {10, 30, 60, 12}));
    controls.push_back(make(ControlType::List, 3, "", "", {10, 50, 80, 40}));
    controls.push_back(make(ControlType::Button, 4, "&Close", "", {10, 100, 50, 14}));
    WindowDesc d;
    d.label = "FORM$WINDOW";
    d.title = "Form";
    d.width = 200;
    d.height = 130;
    Window& w = rt.open(d, std::move(controls));
    windowId = w.id();
    rt.use(1, VarRef::of(amount));
    rt.use(2, VarRef::of(checked));
    rt.use(3, VarRef::fixedString(row));
    rt.setRows(3, {"Daily", "Weekly", "Monthly"});
    while (rt.accept()) {
      if (rt.event() == ev::kAccepted) ++accepted;
      if (rt.event() == ev::kRejected) ++rejected;
      if (rt.event() == ev::kAccepted && rt.field() == 4) break;
    }
    rt.close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return windowId != 0 && idle(); }));
  auto* edit = qobject_cast<QLineEdit*>(backend->controlWidget(windowId, 1));
  auto* check = qobject_cast<QCheckBox*>(backend->controlWidget(windowId, 2));
  auto* list = qobject_cast<QTreeView*>(backend->controlWidget(windowId, 3));
  auto* button = qobject_cast<QPushButton*>(backend->controlWidget(windowId, 4));
  ASSERT_TRUE(edit && check && list && button);
  EXPECT_EQ(list->model()->rowCount(), 3);

  edit->setText("1,500");
  edit->setModified(true);
  Q_EMIT edit->editingFinished();
  check->click();
  list->setCurrentIndex(list->model()->index(1, 0));
  ASSERT_TRUE(pumpUntil(idle));
  EXPECT_EQ(amount, 1500);
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(std::string(row, 6), "Weekly");
  EXPECT_EQ(edit->text(), QString("1,500"));

  edit->setText("abc");
  edit->setModified(true);
  Q_EMIT edit->editingFinished();
  ASSERT_TRUE(pumpUntil([&] { return rejected == 1 && idle(); }));
  EXPECT_EQ(amount, 1500);
  EXPECT_EQ(edit->text(), QString("abc"));  // kept for correction

  button->click();
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
  EXPECT_EQ(accepted, 3);
}

TEST_F(QtBackendTest, MdiChildOnItsOwnThreadClosesWithTheFrame) {
  std::atomic<int> childState{0};  // 1 open, 2 got CloseDown, 3 closed
  std::atomic<std::uint32_t> childId{0};
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    Runtime& rt = runtime();
    WindowDesc frame;
    frame.kind = WindowKind::Application;
    frame.label = "FRAME";
    frame.title = "Frame";
    MenuEntry file{MenuEntry::Kind::Menu, 0, "&File", "", 0, 0, false, {}};
    file.items.push_back(
        {MenuEntry::Kind::Item, -1, "E&xit", "Leave", 0, action::kClose, false, {}});
    frame.menuBar.push_back(file);
    Window& w = rt.open(frame, {});
    rt.start(
        [&] {
          std::vector<std::unique_ptr<Control>> controls;
          ControlState sheet;
          sheet.type = ControlType::Sheet;
          sheet.field = 1;
          sheet.rect = {4, 4, 120, 60};
          controls.push_back(createControl(sheet));
          for (const char* tab : {"One", "Two"}) {
            ControlState t;
            t.type = ControlType::Tab;
            t.text = tab;
            t.parent = 0;
            controls.push_back(createControl(t));
          }
          ControlState option;
          option.type = ControlType::Option;
          option.field = 2;
          option.text = "Kind";
          option.parent = 1;
          option.rect = {8, 20, 80, 30};
          controls.push_back(createControl(option));
          ControlState radio;
          radio.type = ControlType::Radio;
          radio.field = 3;
          radio.text = "&Yes";
          radio.parent = 3;
          radio.rect = {10, 30, 40, 10};
          controls.push_back(createControl(radio));
          WindowDesc child;
          child.kind = WindowKind::MdiChild;
          child.label = "CHILD";
          child.title = "Child";
          Window& c = runtime().open(child, std::move(controls));
          // The code renames a tab.
          runtime().setRows(1, {"Monday", "Two"});
          childId = c.id();
          childState = 1;
          while (runtime().accept())
            if (runtime().event() == ev::kCloseDown) childState = 2;
          runtime().close(c);
          childState = 3;
        },
        25000);
    while (rt.accept()) {
    }
    rt.close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return childState == 1 && idle(); }));
  auto* frame = qobject_cast<QMainWindow*>(backend->widgetOf(backend->applicationWindow()));
  ASSERT_NE(frame, nullptr);
  auto* area = qobject_cast<QMdiArea*>(frame->centralWidget());
  ASSERT_EQ(area->subWindowList().size(), 1);
  EXPECT_EQ(area->subWindowList()[0]->windowTitle(), QString("Child"));
  auto* tabs = qobject_cast<QTabBar*>(backend->controlWidget(childId, 1));
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->tabText(0), QString("Monday"));
  EXPECT_EQ(tabs->tabText(1), QString("Two"));
  EXPECT_TRUE(backend->triggerAction(backend->applicationWindow(), -1));
  ASSERT_TRUE(pumpUntil([&] { return done.load() && childState == 3; }));
  runtime().joinProgram();
}

TEST(GuiDispatcherTest, RunsCallsOnTheGuiThreadAndReleasesCallersAtShutdown) {
  app();
  GuiDispatcher dispatcher;
  QThread* gui = QThread::currentThread();
  std::atomic<bool> ranOnGui{false};
  std::atomic<int> results{0};
  std::thread worker([&] {
    if (dispatcher.call([&] { ranOnGui = QThread::currentThread() == gui; })) ++results;
  });
  ASSERT_TRUE(pumpUntil([&] { return results == 1; }));
  worker.join();
  EXPECT_TRUE(ranOnGui);
  // On the GUI thread itself a call runs at once.
  bool direct = false;
  EXPECT_TRUE(dispatcher.call([&] { direct = true; }));
  EXPECT_TRUE(direct);
  // A call still pending when the event loop has ended runs at shutdown.
  std::atomic<bool> drained{false};
  std::atomic<bool> answered{false};
  std::thread pending([&] { answered = dispatcher.call([&] { drained = true; }); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // not pumping meanwhile
  dispatcher.shutdown();
  pending.join();
  EXPECT_TRUE(drained);
  EXPECT_TRUE(answered);
  std::thread late([&] { EXPECT_FALSE(dispatcher.call([] {})); });
  late.join();
}

}  // namespace
}  // namespace dw::ui::qt
