// Controls that show but do not edit: strings (fixed or showing a variable
// through a picture), prompts, images, regions, boxes, lines, group boxes,
// tabs and progress bars.
#include "runtime/ui/control_registry.h"
#include "runtime/ui/display_format.h"

namespace dw::ui {

namespace {

class StringControl : public Control {
 public:
  using Control::Control;
  void refresh() override {
    if (type() == ControlType::StringVar)
      m_state.display = formatForDisplay(m_use, m_state.picture);
    else
      m_state.display = m_state.text;
  }
};

// A progress bar shows its variable between its bounds.
class ProgressControl : public Control {
 public:
  using Control::Control;
  void refresh() override {
    if (m_use.bound()) m_state.progress = m_use.integer();
    if (m_state.progress < m_state.rangeLow) m_state.progress = m_state.rangeLow;
    if (m_state.progress > m_state.rangeHigh) m_state.progress = m_state.rangeHigh;
  }
};

template <typename T>
std::unique_ptr<Control> make(ControlState declared) {
  return std::make_unique<T>(std::move(declared));
}

}  // namespace

void registerStaticControls() {
  registerCreator(ControlType::StringVar, &make<StringControl>);
  registerCreator(ControlType::String, &make<StringControl>);
  registerCreator(ControlType::Prompt, &make<StringControl>);
  for (ControlType t : {ControlType::Image, ControlType::Region, ControlType::Box,
                        ControlType::Line, ControlType::Group, ControlType::Tab})
    registerCreator(t, &make<Control>);
  registerCreator(ControlType::Progress, &make<ProgressControl>);
}

}  // namespace dw::ui
