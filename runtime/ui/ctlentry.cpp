// Edit controls: entries and spin boxes, which edit their variable through
// a display picture, and multi-line text.
//
// What the user types stays in the control (and on screen) until it is
// accepted: then it is read against the picture into the variable, and a
// text that does not fit turns EVENT:Accepted into EVENT:Rejected with the
// typed text kept for correction.  A spin box also steps its variable by
// its arrows within its bounds.
#include <algorithm>

#include "runtime/lang/errors.h"
#include "runtime/lang/picture.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/display_format.h"
#include "runtime/ui/events.h"

namespace dw::ui {

namespace {

class EntryControl : public Control {
 public:
  explicit EntryControl(ControlState declared) : Control(std::move(declared)) {
    // A picture that cannot be compiled is an internal inconsistency of the
    // window's declaration: noted in the diagnostic log, the entry then
    // edits plain text.
    if (!m_state.picture.empty() && !compileStoredPicture(m_state.picture).valid)
      lang::logDiagnostic("Error @(File,Line) (%s, %d)\n", "ctlentry", __LINE__);
  }

  void refresh() override { m_state.display = formatForDisplay(m_use, m_state.picture); }

  int takeValue(int event, const UserValue& value) override {
    if (const auto* steps = std::get_if<std::int64_t>(&value)) {
      // Spin arrows: step the variable within the bounds.
      std::int64_t v = m_use.integer() + *steps;
      if (m_state.rangeHigh > m_state.rangeLow)
        v = std::clamp(v, m_state.rangeLow, m_state.rangeHigh);
      m_use.setInteger(v);
      refresh();
      return event;
    }
    const auto* text = std::get_if<std::string>(&value);
    if (!text) return event;
    if (!readFromDisplay(*text, m_state.picture, m_use)) {
      m_state.display = *text;
      return ev::kRejected;
    }
    refresh();
    return event;
  }

  bool takesPartInCompletion() const override { return m_use.bound(); }

  bool acceptPending(const std::string* pending) override {
    const std::string text = pending ? *pending : m_state.display;
    if (!readFromDisplay(text, m_state.picture, m_use)) {
      m_state.display = text;
      return false;
    }
    refresh();
    return true;
  }
};

// Multi-line text: the variable takes the text as typed.
class TextControl : public Control {
 public:
  using Control::Control;
  void refresh() override { m_state.display = m_use.text(); }
  int takeValue(int event, const UserValue& value) override {
    if (const auto* text = std::get_if<std::string>(&value)) {
      m_use.setText(*text);
      refresh();
    }
    return event;
  }
  bool takesPartInCompletion() const override { return m_use.bound(); }
  bool acceptPending(const std::string* pending) override {
    if (pending) m_use.setText(*pending);
    refresh();
    return true;
  }
};

template <typename T>
std::unique_ptr<Control> make(ControlState declared) {
  return std::make_unique<T>(std::move(declared));
}

}  // namespace

void registerEditControls() {
  registerCreator(ControlType::Entry, &make<EntryControl>);
  registerCreator(ControlType::Spin, &make<EntryControl>);
  registerCreator(ControlType::Text, &make<TextControl>);
}

}  // namespace dw::ui
