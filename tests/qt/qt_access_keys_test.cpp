// Alt with a letter that several controls of a wizard-like window share
// acts on one of them instead of moving the focus round them: "&Next ->"
// is pressed over the page's "&Next Date:", "<- &Back" over the page's
// "&Before ..." check box, and the "&Command" and "&Category" tabs are
// selected in turn over the "&Command:" prompt.  A letter only a prompt
// carries still focuses its entry.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/window.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtAccessKeysTest = QtBackendTest;

std::unique_ptr<Control> control(ControlType type, int field, const char* text, int parent,
                                 Rect r) {
  ControlState s;
  s.type = type;
  s.field = field;
  s.text = text;
  s.parent = parent;
  s.rect = r;
  return createControl(std::move(s));
}

TEST_F(QtAccessKeysTest, ASharedLetterPressesTheButtonAndSelectsTheTab) {
  using T = ControlType;
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> done{false};
  std::mutex m;
  std::vector<std::pair<int, int>> accepted;  // (event, field)
  runtime().runProgram([&] {
    std::vector<std::unique_ptr<Control>> c;
    c.push_back(control(T::Sheet, 1, "", -1, {4, 4, 200, 90}));  // 0
    c.push_back(control(T::Tab, 0, "&Command", 0, {}));          // 1
    c.push_back(control(T::Prompt, 2, "&Command:", 1, {8, 20, 60, 10}));
    c.push_back(control(T::Entry, 3, "", 1, {8, 32, 120, 12}));
    c.push_back(control(T::Prompt, 4, "Start &in:", 1, {8, 48, 60, 10}));
    c.push_back(control(T::Entry, 5, "", 1, {8, 60, 120, 12}));
    c.push_back(control(T::Tab, 0, "&When", 0, {}));  // 6
    c.push_back(control(T::Prompt, 7, "&Next Date:", 6, {8, 20, 60, 10}));
    c.push_back(control(T::Entry, 8, "", 6, {8, 32, 60, 12}));
    c.push_back(control(T::Check, 9, "&Before running, ask", 6, {8, 48, 100, 10}));
    c.push_back(control(T::Tab, 0, "&Category", 0, {}));  // 10
    c.push_back(control(T::Prompt, 11, "&Category:", 10, {8, 20, 60, 10}));
    c.push_back(control(T::Entry, 12, "", 10, {8, 32, 60, 12}));
    c.push_back(control(T::Button, 13, "<- &Back", -1, {60, 100, 50, 14}));
    c.push_back(control(T::Button, 14, "&Next ->", -1, {120, 100, 50, 14}));
    WindowDesc d;
    d.label = "WIZARD$WINDOW";
    d.title = "Wizard";
    d.width = 220;
    d.height = 130;
    Window& w = runtime().open(d, std::move(c));
    id = w.id();
    while (runtime().accept()) {
      if (runtime().event() == ev::kNotify) break;
      if (runtime().event() == ev::kAccepted) {
        std::lock_guard lock(m);
        accepted.emplace_back(runtime().event(), runtime().field());
      }
    }
    runtime().close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return id != 0 && idle(); }));
  auto* tabs = qobject_cast<QTabBar*>(backend->controlWidget(id, 1));
  QWidget* command = backend->controlWidget(id, 3);
  QWidget* start = backend->controlWidget(id, 5);
  QWidget* date = backend->controlWidget(id, 8);
  auto* before = qobject_cast<QCheckBox*>(backend->controlWidget(id, 9));
  ASSERT_TRUE(tabs && command && start && date && before);
  QWidget* top = tabs->window();
  top->activateWindow();
  QApplication::setActiveWindow(top);
  ASSERT_TRUE(pumpUntil([&] { return QApplication::activeWindow() == top; }));
  auto pressed = [&](int field) {
    return pumpUntil([&] {
      std::lock_guard lock(m);
      return !accepted.empty() && accepted.back().second == field;
    });
  };

  // A prompt that shares its letter with no one still focuses its entry.
  QTest::keyClick(top, Qt::Key_I, Qt::AltModifier);
  ASSERT_TRUE(pumpUntil([&] { return start->hasFocus(); }));
  // The tabs take C in turn; the page's "&Command:" yields to them.
  QTest::keyClick(top, Qt::Key_C, Qt::AltModifier);
  ASSERT_TRUE(pumpUntil([&] { return tabs->currentIndex() == 2 && idle(); }));
  QTest::keyClick(top, Qt::Key_C, Qt::AltModifier);
  ASSERT_TRUE(pumpUntil([&] { return tabs->currentIndex() == 0 && idle(); }));
  EXPECT_FALSE(command->hasFocus());
  QTest::keyClick(top, Qt::Key_W, Qt::AltModifier);
  ASSERT_TRUE(pumpUntil([&] { return date->isVisible() && idle(); }));
  date->setFocus();
  // N presses "&Next ->", not the focus to "&Next Date:"'s entry.
  QTest::keyClick(top, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(pressed(14));
  QTest::keyClick(top, Qt::Key_B, Qt::AltModifier);
  EXPECT_TRUE(pressed(13));
  EXPECT_FALSE(before->isChecked());
  // The key press Qt sends after a taken letter types nothing.
  EXPECT_TRUE(qobject_cast<QLineEdit*>(date)->text().isEmpty());

  runtime().postFromOutside(ev::kNotify, 0, 1);
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

}  // namespace
}  // namespace dw::ui::qt
