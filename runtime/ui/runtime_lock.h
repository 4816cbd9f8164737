// The Runtime lock: one binary semaphore that serialises every runtime
// thread, so that runtime and application code never run in two threads at
// once.  A thread holds it while it runs and gives it up only while it
// waits for messages (in ACCEPT or inside a modal box).
//
// On taking the lock, a thread whose language state is not the loaded one
// makes its own current (the expression value stack and BIND scopes live in
// that state), so code always sees its own thread's state.
//
// Thread-safety: acquire/release from runtime threads only; the GUI thread
// never takes the lock.  holder() may be read by anyone (for assertions).
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace dw::lang {
class LanguageState;
}

namespace dw::ui {

class RuntimeLock {
 public:
  // Blocks until the lock is free, takes it for `slot` and makes `state`
  // the current language state when another thread's state is loaded.
  void acquire(int slot, lang::LanguageState* state);
  void release();
  // Called by a thread that ends while holding the lock: its state is about
  // to be freed, so the process's initial state becomes current.
  void unload(int slot);
  // The slot holding the lock, or -1.
  int holder() const { return m_holder.load(); }
  // How many times the lock passed between different threads (diagnostics).
  long switches() const { return m_switches.load(); }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_taken = false;
  std::atomic<int> m_holder{-1};
  int m_loadedSlot = -1;
  std::atomic<long> m_switches{0};
};

}  // namespace dw::ui
