// The screenless backend's mouse, drag and keyboard input: the driver's
// mouse actions, the window-less thread timers, and keystrokes the runtime
// types for PRESS (see headless_backend.h).
//
// Thread-safety: as the rest of HeadlessBackend; typeKeys and
// setThreadTimer come from a runtime thread holding the Runtime lock, the
// mouse actions from the test's thread.
#include "runtime/ui/events.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/runtime.h"

namespace dw::ui {

void HeadlessBackend::mouseUp(std::uint32_t window, int field) {
  post(window, ev::kMouseUp, field, {});
}

void HeadlessBackend::mouseIn(std::uint32_t window, int field) {
  post(window, ev::kMouseIn, field, {});
}

void HeadlessBackend::mouseOut(std::uint32_t window, int field) {
  post(window, ev::kMouseOut, field, {});
}

void HeadlessBackend::mouseMove(std::uint32_t window, int field) {
  m_runtime.hub().mouseMoved(window, field);
}

void HeadlessBackend::dragAndDrop(std::uint32_t window, int from, int to) {
  post(window, ev::kDragging, to, {});
  post(window, ev::kDrag, from, {});
  post(window, ev::kDrop, to, {});
}

void HeadlessBackend::setThreadTimer(int slot, int period) {
  std::lock_guard lock(m_mutex);
  if (period <= 0)
    m_threadTimers.erase(slot);
  else
    m_threadTimers[slot] = Timer{period, m_now + period};
}

int HeadlessBackend::threadTimerPeriod(int slot) const {
  std::lock_guard lock(m_mutex);
  auto it = m_threadTimers.find(slot);
  return it == m_threadTimers.end() ? 0 : it->second.period;
}

void HeadlessBackend::typeKeys(Window& w, std::string_view keys) {
  const std::uint32_t id = w.id();
  const int field = w.focusField();
  ControlType type = ControlType::Prompt;
  if (const Control* c = w.control(field)) type = c->type();
  const bool typesText =
      type == ControlType::Entry || type == ControlType::Text || type == ControlType::Spin;
  std::vector<UserValue> accepts;  // what the keys accept, in order
  {
    std::lock_guard lock(m_mutex);
    m_typed.push_back({id, field, std::string(keys)});
    for (char k : keys) {
      const bool enter = k == '\r' || k == '\n';
      if (typesText) {
        if (enter || k == '\t') {
          auto it = m_pending.find({id, field});
          std::string text = it == m_pending.end() ? std::string() : it->second;
          if (it != m_pending.end()) m_pending.erase(it);
          accepts.emplace_back(std::move(text));
        } else {
          m_pending[{id, field}].push_back(k);
        }
      } else if (type == ControlType::Button && (enter || k == ' ')) {
        accepts.emplace_back();
      }
    }
  }
  for (UserValue& value : accepts) post(id, ev::kAccepted, field, std::move(value));
}

std::vector<HeadlessBackend::KeysShot> HeadlessBackend::typedKeys() const {
  std::lock_guard lock(m_mutex);
  return m_typed;
}

}  // namespace dw::ui
