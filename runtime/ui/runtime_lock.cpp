// The Runtime lock (see runtime_lock.h).
#include "runtime/ui/runtime_lock.h"

#include "runtime/lang/language_state.h"

namespace dw::ui {

void RuntimeLock::acquire(int slot, lang::LanguageState* state) {
  std::unique_lock lock(m_mutex);
  m_cv.wait(lock, [&] { return !m_taken; });
  m_taken = true;
  m_holder.store(slot);
  if (m_loadedSlot != slot) {
    lang::makeLanguageStateCurrent(state);
    m_loadedSlot = slot;
    m_switches.fetch_add(1);
  }
}

void RuntimeLock::release() {
  // Notified under the mutex: once another thread has the mutex, this
  // thread is done with the lock object.
  std::lock_guard lock(m_mutex);
  m_taken = false;
  m_holder.store(-1);
  m_cv.notify_one();
}

void RuntimeLock::unload(int slot) {
  std::lock_guard lock(m_mutex);
  if (m_loadedSlot != slot) return;
  lang::makeLanguageStateCurrent(nullptr);
  m_loadedSlot = -1;
}

}  // namespace dw::ui
