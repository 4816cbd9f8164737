// Hands calls from runtime threads to the GUI thread (the process's main
// thread, running the Qt event loop) and waits for them.
//
// Rules that keep this free of deadlocks: the GUI thread never waits for a
// runtime thread; a call made on the GUI thread itself runs at once; after
// shutdown() no call runs any more and callers return at once, so a runtime
// thread can never be left waiting on a GUI that is gone.  shutdown() runs
// (drains) the calls still pending when the event loop ended.
//
// Thread-safety: call() from any thread; shutdown() on the GUI thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>

namespace dw::ui::qt {

class GuiDispatcher {
 public:
  // Must be made on the GUI thread.
  GuiDispatcher();
  ~GuiDispatcher();

  // Runs fn on the GUI thread and returns when it has run; false when the
  // GUI has shut down (fn did not run).
  bool call(const std::function<void()>& fn);
  // Runs fn on the GUI thread later, without waiting.
  void post(std::function<void()> fn);
  bool onGuiThread() const;
  void shutdown();

 private:
  struct Pending {
    std::function<void()> fn;
    bool done = false;
  };
  void drain();

  std::unique_ptr<QObject> m_anchor;  // lives on the GUI thread
  std::mutex m_mutex;
  std::condition_variable m_doneCv;
  std::deque<std::shared_ptr<Pending>> m_pending;
  bool m_closed = false;
};

}  // namespace dw::ui::qt
