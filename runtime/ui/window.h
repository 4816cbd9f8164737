// One open window: its declaration, its controls, its queue of events and
// the state of its accept loop.
//
// Windows of one thread form a stack (each remembers the thread's previous
// current window).  The APPLICATION frame additionally runs the closing
// protocol over its MDI children (see accept_loop.cpp).
//
// Thread-safety: only the owning thread uses a Window, under the Runtime
// lock; other threads reach it by id through the MessageHub.  A backend
// reads it inside calls made by the owning thread.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/ui/control.h"
#include "runtime/ui/message_hub.h"
#include "runtime/ui/window_desc.h"

namespace dw::ui {

struct EventRecord {
  int event = 0;
  int field = 0;
  UserValue value;  // what the user gave, written into the variable at delivery
};

class Window {
 public:
  Window(std::uint32_t id, int ownerSlot, WindowDesc desc);
  ~Window();

  std::uint32_t id() const { return m_id; }
  int ownerSlot() const { return m_ownerSlot; }
  WindowKind kind() const { return m_desc.kind; }
  const WindowDesc& desc() const { return m_desc; }
  WindowDesc& desc() { return m_desc; }
  // "VelWinClass" and the window's running number.
  std::string className() const;

  // Controls in declaration order.
  void addControl(std::unique_ptr<Control> control);
  const std::vector<std::unique_ptr<Control>>& controls() const { return m_controls; }
  Control* control(int field) const;
  int indexOf(const Control* control) const;
  // Visible on screen: not hidden, its containers visible, and (inside a
  // sheet) on the chosen tab.
  bool effectivelyVisible(const Control& control) const;
  bool effectivelyEnabled(const Control& control) const;
  // Window pixel rectangle: converted from the declared geometry at open
  // and whenever the procedure sets it, taken from the screen when the
  // platform reports that the window moved or changed size.
  Rect pixels;
  // Shown minimised / maximised (set by the procedure or reported by the
  // platform); the geometry above is the window's normal one.
  bool minimized = false;
  bool maximized = false;

  // Event queue.
  void queue(EventRecord record) { m_queue.push_back(std::move(record)); }
  bool hasQueued() const { return !m_queue.empty(); }
  EventRecord takeQueued();
  const EventRecord& current() const { return m_current; }
  void setCurrent(EventRecord record) { m_current = std::move(record); }

  int focusField() const { return m_focusField; }
  void setFocusField(int field) { m_focusField = field; }

  // Backend's handle for the platform window.
  void* platformHandle = nullptr;

  // Loop and closing state (used by the accept loop).
  Window* previous = nullptr;  // the thread's previous current window
  std::uint64_t openOrder = 0;
  bool modal = false;              // counts towards the modal system state
  bool loopEnded = false;          // ACCEPT returns false from now on
  bool cycled = false;             // the procedure declined the current event's default
  bool closing = false;            // frame: closing protocol running; child: asked to close
  bool askedByFrame = false;       // child: the frame sent this EVENT:CloseDown
  std::size_t completionNext = 0;  // completion: index of the next control
  bool completing = false;
  std::string statusMessage;  // the status bar's message zone
  // Properties the runtime keeps without acting on them, by (field, number).
  std::map<std::pair<int, int>, std::string> otherProperties;

 private:
  std::uint32_t m_id;
  int m_ownerSlot;
  WindowDesc m_desc;
  std::vector<std::unique_ptr<Control>> m_controls;
  std::deque<EventRecord> m_queue;
  EventRecord m_current;
  int m_focusField = 0;
};

}  // namespace dw::ui
