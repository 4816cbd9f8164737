// Mouse and drag events from real widgets, the window-less thread timer on
// a QTimer, and PRESS typing into a real line edit (offscreen).
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/window.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtInputTest = QtBackendTest;

class Log {
 public:
  void add(std::string s) {
    std::lock_guard lock(m_mutex);
    m_seen.push_back(std::move(s));
  }
  std::vector<std::string> seen() const {
    std::lock_guard lock(m_mutex);
    return m_seen;
  }
  bool has(const std::string& s) const {
    std::lock_guard lock(m_mutex);
    for (const auto& e : m_seen)
      if (e == s) return true;
    return false;
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<std::string> m_seen;
};

std::string describe() {
  std::string name = ev::eventName(runtime().event()).substr(6);
  return runtime().field() ? name + " " + std::to_string(runtime().field()) : name;
}

std::vector<std::unique_ptr<Control>> entryAndButton() {
  std::vector<std::unique_ptr<Control>> out;
  ControlState e;
  e.type = ControlType::Entry;
  e.field = 1;
  e.picture = "n5";
  e.rect = {4, 4, 40, 12};
  out.push_back(createControl(std::move(e)));
  ControlState b;
  b.type = ControlType::Button;
  b.field = 2;
  b.text = "&Go";
  b.rect = {60, 4, 40, 14};
  out.push_back(createControl(std::move(b)));
  return out;
}

// A window with an entry and a button; runs `setup` after opening, logs
// every event until EVENT:CloseWindow.
struct Form {
  Log log;
  std::atomic<std::uint32_t> id{0};
  std::atomic<std::int32_t> number{0};
  std::atomic<bool> done{false};
  // While set, the procedure stops (holding the Runtime lock) after it
  // took an EVENT:MouseIn, so what the user does meanwhile queues up.
  std::atomic<bool> hold{false};
  std::atomic<int> alertedKey{-1};  // the key code of the last EVENT:AlertKey

  void run(const std::function<void()>& setup) {
    runtime().runProgram([this, setup] {
      WindowDesc d;
      d.label = "FORM";
      d.title = "Form";
      d.width = 120;
      d.height = 40;
      std::int32_t n = 0;
      Window& w = runtime().open(d, entryAndButton());
      runtime().use(1, VarRef::of(n));
      id = w.id();
      setup();
      while (runtime().accept()) {
        log.add(describe());
        number = n;
        if (runtime().event() == ev::kAlertKey) alertedKey = runtime().keyCode();
        while (hold && runtime().event() == ev::kMouseIn)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      done = true;
    });
  }
};

QPoint centre(QWidget* w) {
  return w->rect().center();
}

TEST_F(QtInputTest, MouseEventsOfAControlAndCoalescedMoves) {
  Form form;
  form.run([] {});
  ASSERT_TRUE(pumpUntil([&] { return form.id != 0 && idle(); }));
  QWidget* button = backend->controlWidget(form.id, 2);
  ASSERT_NE(button, nullptr);
  const QPoint at = centre(button);
  const QPoint global = button->mapToGlobal(at);
  form.hold = true;
  QEnterEvent enter(at, at, global);
  QCoreApplication::sendEvent(button, &enter);
  ASSERT_TRUE(pumpUntil([&] { return form.log.has("MouseIn 2"); }));
  for (int i = 0; i < 5; ++i) {
    // Qt reports moves over a widget without mouse tracking only while a
    // button is held.
    QMouseEvent move(QEvent::MouseMove, at, global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &move);
  }
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(button, &release);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(button, &leave);
  form.hold = false;
  ASSERT_TRUE(pumpUntil([&] { return form.log.has("MouseOut 2") && idle(); }));
  // (The pointer of the offscreen screen may stand over the entry too.)
  std::vector<std::string> mouse;
  for (const auto& e : form.log.seen())
    if (e.rfind("Mouse", 0) == 0 && e.back() == '2') mouse.push_back(e);
  EXPECT_EQ(mouse,
            (std::vector<std::string>{"MouseIn 2", "MouseMove 2", "MouseUp 2", "MouseOut 2"}));
  backend->widgetOf(form.id)->close();
  ASSERT_TRUE(pumpUntil([&] { return form.done.load(); }));
  runtime().joinProgram();
}

// A right click on a window, or on a control without a menu of its own,
// is the window's alert of the right button.
TEST_F(QtInputTest, RightClickOnAWindowAlertsItsProcedure) {
  Form form;
  form.run([] {});
  ASSERT_TRUE(pumpUntil([&] { return form.id != 0 && idle(); }));
  QWidget* button = backend->controlWidget(form.id, 2);
  ASSERT_NE(button, nullptr);
  QContextMenuEvent onButton(QContextMenuEvent::Mouse, centre(button),
                             button->mapToGlobal(centre(button)));
  QCoreApplication::sendEvent(button, &onButton);
  ASSERT_TRUE(pumpUntil([&] { return form.log.has("AlertKey") && idle(); }));
  EXPECT_EQ(form.alertedKey, key::kMouseRight);
  backend->widgetOf(form.id)->close();
  ASSERT_TRUE(pumpUntil([&] { return form.done.load(); }));
  runtime().joinProgram();
}

TEST_F(QtInputTest, ThreadTimerAndPressedKeysReachTheThread) {
  Form form;
  std::atomic<int> ticks{0};
  form.run([&] {
    runtime().setThreadTimer(1, [&] {
      if (++ticks == 2) runtime().setThreadTimer(0, {});
    });
    runtime().select(1);
    runtime().press("42\r");
  });
  ASSERT_TRUE(pumpUntil([&] { return form.number == 42 && ticks == 2 && idle(); }));
  EXPECT_TRUE(form.log.has("Accepted 1"));
  // Stopped from its own handler: no further ticks.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  pumpUntil([&] { return std::chrono::steady_clock::now() > until; });
  EXPECT_EQ(ticks.load(), 2);
  backend->widgetOf(form.id)->close();
  ASSERT_TRUE(pumpUntil([&] { return form.done.load(); }));
  runtime().joinProgram();
}

}  // namespace
}  // namespace dw::ui::qt
