// The message queues of the runtime threads, and the one place where the
// GUI side (the backend's thread, a test acting as the user, the timers)
// hands things to the runtime.
//
// Every runtime thread (slot 0..63) has a queue of Messages, as a platform
// thread has its message queue.  A message names a target window by id;
// the owning thread moves it into that window's event queue when it next
// waits in ACCEPT.  The hub also keeps, per open window, what the GUI side
// may know about it without the Runtime lock: its owner slot and whether an
// EVENT:Timer or EVENT:MouseMove is pending (at most one of each is, as
// with a platform timer); and per slot whether a tick of the thread's own
// timer is pending.
//
// Idle accounting: a runtime thread counts as running unless it is blocked
// in wait() on an empty queue.  waitIdle() returns when no runtime thread
// runs and no queue holds a message, so tests step the program
// deterministically.
//
// Thread-safety: every member may be called from any thread; one mutex
// guards the hub.  The hub never takes the Runtime lock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <variant>

namespace dw::ui {

inline constexpr int kThreadSlots = 64;

// A value that travels with a user event: the text typed into an entry, the
// row or tab chosen, the state of a check box.
using UserValue = std::variant<std::monostate, std::string, std::int64_t>;

enum class MessageKind : std::uint8_t {
  Event,         // queue `event` for `field` of the window (POST, user actions)
  Focus,         // the user moved focus to `field`: EVENT:Selected follows
  Timer,         // the window's timer fired
  ChildClosed,   // to a frame: one of its MDI children closed
  ChildRefused,  // to a frame: a child did not close on EVENT:CloseDown
  Wake,          // nothing to queue; the thread re-examines its state
  ThreadTimer,   // the thread's own timer fired (no window): its timer handler runs
  Placed,        // the platform moved, sized, minimised, maximised or restored the window
  Help,          // the user asked for help (F1): help on the window's focused control
};

// Where a window stands on screen, as the platform reports it (Placed): its
// rectangle in pixels (the frame's own, an MDI child's inside the MDI area)
// while it is neither minimised nor maximised, and its state.
struct WindowPlace {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool minimized = false;
  bool maximized = false;
};

struct Message {
  MessageKind kind = MessageKind::Wake;
  std::uint32_t window = 0;
  int event = 0;
  int field = 0;
  UserValue value;
  WindowPlace place;  // Placed only

  // An event for a window, with the value the user gave, if any.
  static Message forWindow(std::uint32_t window, int event, int field = 0, UserValue value = {}) {
    Message msg;
    msg.kind = MessageKind::Event;
    msg.window = window;
    msg.event = event;
    msg.field = field;
    msg.value = std::move(value);
    return msg;
  }
};

class MessageHub {
 public:
  // Window registry (called by the owning thread at open and close).
  void addWindow(std::uint32_t id, int ownerSlot);
  void removeWindow(std::uint32_t id);
  // The owner slot of an open window, or -1.
  int ownerOf(std::uint32_t id) const;

  // Appends a message for the thread owning msg.window (nothing when that
  // window is not open).  False when it was dropped.
  bool postToWindow(const Message& msg);
  // Appends a message to a slot's queue regardless of windows.
  void postToSlot(int slot, const Message& msg);
  // A timer tick: queued unless one is already pending for the window.
  void timerFired(std::uint32_t id);
  // The pending timer event has been delivered (or dropped).
  void clearTimerPending(std::uint32_t id);
  // The mouse moved over a control: an EVENT:MouseMove for it is queued
  // unless one is still pending for the window (moves are coalesced, so a
  // busy procedure sees the latest field, never a backlog).
  void mouseMoved(std::uint32_t id, int field);
  void clearMouseMovePending(std::uint32_t id);
  // A slot's window-less timer: a ThreadTimer message, coalesced as above.
  void threadTimerFired(int slot);
  void clearThreadTimerPending(int slot);

  // Thread lifetime in the idle account.
  void threadStarted(int slot);
  void threadEnded(int slot);
  // Takes every queued message of the slot; blocks while there is none.
  std::deque<Message> wait(int slot);
  // Takes every queued message without blocking.
  std::deque<Message> take(int slot);

  // Blocks until no runtime thread runs and no message is queued, or the
  // timeout passes (false then).
  bool waitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // The same for a runtime thread that stays out of the account meanwhile
  // (its own queue may fill; it handles that after).
  bool waitIdleExcept(int slot, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  int liveThreads() const;

 private:
  struct WindowEntry {
    int owner = -1;
    bool timerPending = false;
    bool movePending = false;
  };
  bool idleLocked(int except = -1) const;

  mutable std::mutex m_mutex;
  std::condition_variable m_threadCv[kThreadSlots];
  std::condition_variable m_idleCv;
  std::deque<Message> m_queues[kThreadSlots];
  bool m_live[kThreadSlots] = {};
  bool m_waiting[kThreadSlots] = {};
  bool m_yielding[kThreadSlots] = {};
  bool m_threadTimerPending[kThreadSlots] = {};
  std::map<std::uint32_t, WindowEntry> m_windows;
};

}  // namespace dw::ui
