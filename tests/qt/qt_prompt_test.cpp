// A prompt's "&" letter reaches the control it introduces from the
// keyboard: the next control that can take the focus (text, lines and
// group frames between them are passed over), and a prompt that is not
// shown leaves its letter to the shown ones.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <atomic>

#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/window.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtPromptTest = QtBackendTest;

std::unique_ptr<Control> control(ControlType type, int field, std::string text, Rect r) {
  ControlState s;
  s.type = type;
  s.field = field;
  s.text = std::move(text);
  s.rect = r;
  return createControl(std::move(s));
}

TEST_F(QtPromptTest, APromptsLetterFocusesTheControlItIntroduces) {
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    std::vector<std::unique_ptr<Control>> controls;
    controls.push_back(control(ControlType::Prompt, 1, "&Name:", {4, 4, 40, 10}));
    controls.push_back(control(ControlType::String, 2, "Who it is", {4, 16, 40, 10}));
    controls.push_back(control(ControlType::Line, 3, "", {4, 28, 100, 0}));
    controls.push_back(control(ControlType::Entry, 4, "", {4, 32, 80, 12}));
    controls.push_back(control(ControlType::Prompt, 5, "&Place:", {4, 48, 40, 10}));
    controls.push_back(control(ControlType::Entry, 6, "", {4, 60, 80, 12}));
    controls.push_back(control(ControlType::Prompt, 7, "&Notes:", {4, 76, 40, 10}));
    controls.push_back(control(ControlType::Entry, 8, "", {4, 88, 80, 12}));
    controls.push_back(control(ControlType::Prompt, 9, "No letter:", {4, 104, 40, 10}));
    controls.push_back(control(ControlType::Entry, 10, "", {4, 116, 80, 12}));
    WindowDesc d;
    d.label = "PROMPTS$WINDOW";
    d.title = "Prompts";
    d.width = 200;
    d.height = 140;
    Window& w = runtime().open(d, std::move(controls));
    runtime().hide(7);
    runtime().hide(8);
    id = w.id();
    while (runtime().accept()) {
      if (runtime().event() == ev::kNotify) break;
    }
    runtime().close(w);
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return id != 0 && idle(); }));
  auto* name = qobject_cast<QLabel*>(backend->controlWidget(id, 1));
  auto* nameEntry = backend->controlWidget(id, 4);
  auto* placeEntry = backend->controlWidget(id, 6);
  auto* noLetter = qobject_cast<QLabel*>(backend->controlWidget(id, 9));
  ASSERT_TRUE(name && nameEntry && placeEntry && noLetter);
  EXPECT_EQ(name->buddy(), nameEntry);
  EXPECT_EQ(noLetter->buddy(), nullptr);

  QWidget* top = nameEntry->window();
  top->activateWindow();
  QApplication::setActiveWindow(top);
  ASSERT_TRUE(pumpUntil([&] { return QApplication::activeWindow() == top; }));
  placeEntry->setFocus();
  // "&Notes:" is hidden, so Alt+N is "&Name:"'s alone and is not ambiguous.
  QTest::keyClick(top, Qt::Key_N, Qt::AltModifier);
  ASSERT_TRUE(pumpUntil([&] { return nameEntry->hasFocus(); }));
  QTest::keyClick(top, Qt::Key_P, Qt::AltModifier);
  ASSERT_TRUE(pumpUntil([&] { return placeEntry->hasFocus(); }));

  runtime().postFromOutside(ev::kNotify, 0, 1);
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

}  // namespace
}  // namespace dw::ui::qt
