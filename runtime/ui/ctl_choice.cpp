// Controls the user chooses with: buttons, check boxes, option groups with
// their radio buttons, and sheets with their tabs (lists: ctl_list.cpp).
//
// Values travelling with their events: a check box's new state (0/1), the
// chosen radio or tab counted from 1.  Option groups keep their radio
// values in `rows` (a radio's value, or its text without the "&"), sheets
// their tab texts.  A string variable receives the chosen value's text, a
// number the choice's position.
#include <algorithm>

#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"

namespace dw::ui {

namespace {

std::string withoutAccess(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&') continue;
    out += text[i];
  }
  return out;
}

class ButtonControl : public Control {
 public:
  using Control::Control;
};

// Check box: 1 when checked, 0 when not.
class CheckControl : public Control {
 public:
  using Control::Control;
  void refresh() override {
    if (m_use.bound())
      m_state.selected = m_use.isString() ? !m_use.text().empty() : m_use.integer() != 0;
  }
  int takeValue(int event, const UserValue& value) override {
    if (const auto* on = std::get_if<std::int64_t>(&value)) {
      m_state.selected = *on != 0;
      if (m_use.isString())
        m_use.setText(m_state.selected ? "1" : "");
      else
        m_use.setInteger(m_state.selected);
    }
    return event;
  }
  bool takesPartInCompletion() const override { return m_use.bound(); }
};

// Chooses one of `rows`: option groups (radio values), sheets.
class ChoiceControl : public Control {
 public:
  using Control::Control;
  void refresh() override {
    if (!m_use.bound()) return;
    if (m_use.isString() && type() != ControlType::Sheet) {
      const std::string v = m_use.text();
      auto it = std::find(m_state.rows.begin(), m_state.rows.end(), v);
      m_state.selected = it == m_state.rows.end() ? 0 : (it - m_state.rows.begin()) + 1;
    } else {
      m_state.selected = m_use.integer();
    }
    clampSelection();
  }
  int takeValue(int event, const UserValue& value) override {
    const auto* chosen = std::get_if<std::int64_t>(&value);
    if (!chosen) return event;
    m_state.selected = *chosen;
    clampSelection();
    if (m_use.bound()) {
      const auto i = static_cast<std::size_t>(m_state.selected);
      if (m_use.isString() && type() != ControlType::Sheet)
        m_use.setText(i >= 1 && i <= m_state.rows.size() ? m_state.rows[i - 1] : std::string());
      else
        m_use.setInteger(m_state.selected);
    }
    return event;
  }
  bool takesPartInCompletion() const override {
    return m_use.bound() && type() != ControlType::Sheet;
  }

 private:
  void clampSelection() {
    const auto n = static_cast<std::int64_t>(m_state.rows.size());
    if (m_state.selected < 0 || (n > 0 && m_state.selected > n)) m_state.selected = 0;
  }
};

template <typename T>
std::unique_ptr<Control> make(ControlState declared) {
  return std::make_unique<T>(std::move(declared));
}

std::unique_ptr<Control> makeRadio(ControlState declared) {
  if (declared.value.empty()) declared.value = withoutAccess(declared.text);
  return std::make_unique<ButtonControl>(std::move(declared));
}

}  // namespace

void registerChoiceControls() {
  registerCreator(ControlType::Button, &make<ButtonControl>);
  registerCreator(ControlType::Check, &make<CheckControl>);
  registerCreator(ControlType::Option, &make<ChoiceControl>);
  registerCreator(ControlType::Sheet, &make<ChoiceControl>);
  registerCreator(ControlType::Radio, &makeRadio);
}

}  // namespace dw::ui
