// The keyboard in an option group: Tab enters the group on its chosen
// radio (not on the first one), an arrow key then moves the choice, and the
// program's SELECT of the group puts the focus on its chosen radio (not on
// the group's frame, where the arrows do nothing).
#include <gtest/gtest.h>

#include <QApplication>
#include <QRadioButton>
#include <QTest>

#include <atomic>

#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtRadioFocusTest = QtBackendTest;

std::unique_ptr<Control> control(ControlType type, int field, std::string text, Rect r,
                                 int parent = -1) {
  ControlState s;
  s.type = type;
  s.field = field;
  s.text = std::move(text);
  s.rect = r;
  s.parent = parent;
  return createControl(std::move(s));
}

TEST_F(QtRadioFocusTest, TabAndSelectEnterAnOptionGroupOnItsChosenRadio) {
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> done{false};
  std::atomic<int> step{0};
  std::int32_t kind = 3;
  runtime().runProgram([&] {
    std::vector<std::unique_ptr<Control>> controls;
    controls.push_back(control(ControlType::Entry, 1, "", {4, 4, 80, 12}));
    controls.push_back(control(ControlType::Option, 2, "Kind", {4, 20, 100, 60}));
    controls.push_back(control(ControlType::Radio, 3, "One", {8, 30, 60, 10}, 1));
    controls.push_back(control(ControlType::Radio, 4, "Two", {8, 42, 60, 10}, 1));
    controls.push_back(control(ControlType::Radio, 5, "Three", {8, 54, 60, 10}, 1));
    controls.push_back(control(ControlType::Entry, 6, "", {4, 84, 80, 12}));
    WindowDesc d;
    d.label = "RADIOS$WINDOW";
    d.title = "Radios";
    d.width = 200;
    d.height = 110;
    Window& w = runtime().open(d, std::move(controls));
    runtime().use(2, VarRef::of(kind));
    runtime().display();
    id = w.id();
    while (runtime().accept()) {
      if (runtime().event() != ev::kNotify) continue;
      if (step == 1)
        runtime().select(2);
      else
        break;
    }
    runtime().close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return id != 0 && idle(); }));
  QWidget* first = backend->controlWidget(id, 1);
  auto* three = qobject_cast<QRadioButton*>(backend->controlWidget(id, 5));
  auto* two = qobject_cast<QRadioButton*>(backend->controlWidget(id, 4));
  ASSERT_TRUE(first && three && two);
  ASSERT_TRUE(pumpUntil([&] { return three->isChecked(); }));
  QWidget* top = first->window();
  top->activateWindow();
  QApplication::setActiveWindow(top);
  ASSERT_TRUE(pumpUntil([&] { return QApplication::activeWindow() == top; }));
  first->setFocus();
  ASSERT_TRUE(pumpUntil([&] { return first->hasFocus(); }));
  QTest::keyClick(first, Qt::Key_Tab);
  ASSERT_TRUE(pumpUntil([&] { return QApplication::focusWidget() != first; }));
  EXPECT_EQ(QApplication::focusWidget(), three);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_TRUE(pumpUntil([&] { return two->isChecked() && two->hasFocus() && idle(); }));
  // Tab leaves the group for the control after it.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(pumpUntil([&] { return backend->controlWidget(id, 6)->hasFocus(); }));

  step = 1;
  runtime().postFromOutside(ev::kNotify, 0, 1);
  EXPECT_TRUE(pumpUntil([&] { return two->hasFocus() && idle(); }));
  EXPECT_TRUE(two->isChecked());

  step = 2;
  runtime().postFromOutside(ev::kNotify, 0, 1);
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

}  // namespace
}  // namespace dw::ui::qt
