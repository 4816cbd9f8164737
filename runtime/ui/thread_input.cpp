// What a runtime thread receives without a window of its own in between:
// its window-less timer (the handler runs when the timer message arrives
// while the thread waits in ACCEPT) and its keyboard buffer (PRESS).
//
// The keyboard buffer holds keystrokes the program PRESSed and the
// platform has not yet been given; it is emptied into the thread's current
// window each time the thread waits for messages, so the keys reach the
// focused control in order, ahead of anything typed later.  A buffer of
// kKeyboardBuffer keystrokes lets a procedure fill a whole entry and more;
// a PRESS that would go beyond it is refused whole with error 534.
//
// Thread-safety: every member runs on a runtime thread holding the lock
// and touches only that thread's slot.
#include "runtime/lang/errors.h"
#include "runtime/ui/runtime.h"

namespace dw::ui {

namespace {
constexpr const char* kModule = "WSLWIN";

// Keystrokes in UTF-8 text: one per character.
std::size_t keystrokes(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}
}  // namespace

void Runtime::setThreadTimer(int periodHundredths, std::function<void()> handler) {
  const int slot = currentSlot();
  if (slot < 0) return;
  Slot& s = m_slots[slot];
  if (periodHundredths <= 0 || !handler) {
    s.timerHandler = nullptr;
    m_backend->setThreadTimer(slot, 0);
    m_hub.clearThreadTimerPending(slot);
    return;
  }
  s.timerHandler = std::move(handler);
  m_backend->setThreadTimer(slot, periodHundredths);
}

void Runtime::press(std::string_view keys) {
  const int slot = currentSlot();
  if (slot < 0) return;
  Slot& s = m_slots[slot];
  if (keystrokes(s.keyboard) + keystrokes(keys) > kKeyboardBuffer)
    lang::runtimeError(werr::kTooManyKeys, kModule);
  s.keyboard.append(keys);
}

std::size_t Runtime::pressedPending() const {
  const int slot = currentSlot();
  return slot < 0 ? 0 : keystrokes(m_slots[slot].keyboard);
}

void Runtime::flushKeyboard(int slot) {
  Slot& s = m_slots[slot];
  if (s.keyboard.empty()) return;
  std::string keys = std::move(s.keyboard);
  s.keyboard.clear();
  if (s.current) m_backend->typeKeys(*s.current, keys);
}

}  // namespace dw::ui
