// Window objects (see window.h).
#include "runtime/ui/window.h"

namespace dw::ui {

Window::Window(std::uint32_t id, int ownerSlot, WindowDesc desc)
    : m_id(id), m_ownerSlot(ownerSlot), m_desc(std::move(desc)) {}

Window::~Window() = default;

std::string Window::className() const {
  return "VelWinClass" + std::to_string(m_id);
}

void Window::addControl(std::unique_ptr<Control> control) {
  m_controls.push_back(std::move(control));
}

Control* Window::control(int field) const {
  if (field == 0) return nullptr;
  for (const auto& c : m_controls)
    if (c->field() == field) return c.get();
  return nullptr;
}

int Window::indexOf(const Control* control) const {
  for (std::size_t i = 0; i < m_controls.size(); ++i)
    if (m_controls[i].get() == control) return static_cast<int>(i);
  return -1;
}

bool Window::effectivelyVisible(const Control& control) const {
  const Control* c = &control;
  for (int guard = 0; c && guard < 64; ++guard) {
    const ControlState& s = c->state();
    if (s.hidden) return false;
    if (s.parent < 0 || s.parent >= static_cast<int>(m_controls.size())) return true;
    const Control* parent = m_controls[s.parent].get();
    if (parent->type() == ControlType::Tab) {
      // A tab's contents show only while it is the sheet's chosen tab.
      const int sheet = parent->state().parent;
      if (sheet >= 0 && sheet < static_cast<int>(m_controls.size())) {
        std::int64_t n = 0;
        for (int i = 0; i <= s.parent; ++i)
          if (m_controls[i]->state().parent == sheet && m_controls[i]->type() == ControlType::Tab)
            ++n;
        const std::int64_t chosen = m_controls[sheet]->state().selected;
        if (n != (chosen > 0 ? chosen : 1)) return false;
      }
    }
    c = parent;
  }
  return true;
}

bool Window::effectivelyEnabled(const Control& control) const {
  const Control* c = &control;
  for (int guard = 0; c && guard < 64; ++guard) {
    const ControlState& s = c->state();
    if (s.disabled) return false;
    if (s.parent < 0 || s.parent >= static_cast<int>(m_controls.size())) return true;
    c = m_controls[s.parent].get();
  }
  return true;
}

EventRecord Window::takeQueued() {
  EventRecord r = std::move(m_queue.front());
  m_queue.pop_front();
  return r;
}

const MenuEntry* findMenuEntry(const std::vector<MenuEntry>& bar, int field) {
  if (field == 0) return nullptr;
  for (const MenuEntry& e : bar) {
    if (e.field == field) return &e;
    if (const MenuEntry* inner = findMenuEntry(e.items, field)) return inner;
  }
  return nullptr;
}

}  // namespace dw::ui
