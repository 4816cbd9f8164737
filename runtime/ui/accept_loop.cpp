// ACCEPT and what surrounds it: moving messages from the thread's queue
// into its windows' event queues, delivering one event per pass, the
// default actions of the events delivered (closing on EVENT:CloseWindow),
// completion, and the APPLICATION's closing protocol.
//
// One pass of the loop, in order:
//   1. Activation moving between threads arrives as LoseFocus/GainFocus
//      messages (windowActivated) and is queued like any other event.
//   2. A queued event is delivered; an EVENT:Selected for a field that no
//      longer has focus is dropped.  Values the user gave are written into
//      the control's variable now, by this thread, under the lock.
//   3. Otherwise a pending completion accepts the next control; a control
//      that refuses its value ends it and gets focus; at the end
//      EVENT:Completed is queued.
//   4. Otherwise keystrokes PRESSed since the last wait are typed into the
//      current window, the lock is released while the thread waits for
//      messages, taken again (making this thread's language state current),
//      and the messages are dispatched to their windows; a tick of the
//      thread's window-less timer runs its timer handler instead.
// While the system is modal, windows of other threads than the modal one
// keep their events queued until the modal window closes.
//
// Closing the APPLICATION: when EVENT:CloseWindow (or EVENT:CloseDown) of
// the frame is let stand, the frame enters its closing state and sends
// EVENT:CloseDown to its first MDI child (in opening order) not already
// closing; each child that closes brings it back here, a child that cycles
// the event takes the frame out of closing, and when every child is
// already closing the frame beeps and gives up.  With no child left the
// frame's loop ends.
#include "runtime/lang/errors.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"

#include <algorithm>

namespace dw::ui {

namespace {
constexpr const char* kModule = "WSLWIN";
}

Window& Runtime::require() const {
  Window* w = currentWindow();
  if (!w) lang::runtimeError(werr::kNotOpen, kModule);
  return *w;
}

bool Runtime::accept() {
  Window* w = currentWindow();
  if (!w) lang::runtimeError(werr::kAcceptNoWindow, kModule);
  const int slot = w->ownerSlot();
  finishCurrent(*w);
  for (;;) {
    if (w->loopEnded) {
      w->setCurrent({});
      return false;
    }
    const bool held = systemModal() && m_modalSlot != slot;
    if (!held) {
      if (w->hasQueued()) {
        EventRecord record = w->takeQueued();
        if (deliver(*w, record)) return true;
        continue;
      }
      if (w->completing) {
        stepCompletion(*w);
        continue;
      }
    }
    releaseAndWait(slot);
  }
}

void Runtime::releaseAndWait(int slot) {
  flushKeyboard(slot);
  m_lock.release();
  std::deque<Message> messages = m_hub.wait(slot);
  m_lock.acquire(slot, m_slots[slot].language);
  for (const Message& msg : messages) {
    if (msg.kind == MessageKind::ThreadTimer) {
      // A timer message without a window: the thread's timer handler.
      m_hub.clearThreadTimerPending(slot);
      if (auto handler = m_slots[slot].timerHandler) handler();
      continue;
    }
    Window* target = window(msg.window);
    if (target && target->ownerSlot() == slot) dispatch(*target, msg);
  }
}

void Runtime::dispatch(Window& w, const Message& msg) {
  switch (msg.kind) {
    case MessageKind::Wake:
    case MessageKind::ThreadTimer:  // handled before a window is looked up
      return;
    case MessageKind::Timer:
      w.queue({ev::kTimer, 0, {}});
      return;
    case MessageKind::Focus:
      w.setFocusField(msg.field);
      if (Control* c = w.control(msg.field)) w.statusMessage = c->state().statusText;
      w.queue({ev::kSelected, msg.field, {}});
      return;
    case MessageKind::ChildClosed:
      if (w.closing) advanceFrameClose(w);
      return;
    case MessageKind::ChildRefused:
      w.closing = false;
      return;
    case MessageKind::Placed:
      takePlace(w, msg.place);
      return;
    case MessageKind::Help:
      helpOnFocus(&w, true);
      return;
    case MessageKind::Event:
      break;
  }
  // A change of state the platform reports is already on screen: the
  // window's properties follow it without showing anything again.
  if (msg.field == 0 && msg.event == ev::kIconized) w.minimized = true, w.maximized = false;
  if (msg.field == 0 && msg.event == ev::kMaximized) w.minimized = false, w.maximized = true;
  if (msg.field == 0 && msg.event == ev::kRestored) w.minimized = w.maximized = false;
  if (msg.event == ev::kMoved && !w.desc().reportsMoves) return;
  if (msg.event == ev::kAccepted && msg.field != 0) {
    // Menu items and buttons with a standard action are the runtime's own
    // business.
    int act = 0;
    if (msg.field < 0) {
      if (const MenuEntry* item = findMenuEntry(w.desc().menuBar, msg.field))
        act = item->standardAction;
    } else if (const Control* c = w.control(msg.field); c && c->type() == ControlType::Button) {
      act = c->state().standardAction;
    }
    if (action::isStandard(act)) {
      standardAction(w, act);
      return;
    }
  }
  w.queue({msg.event, msg.field, msg.value});
}

bool Runtime::deliver(Window& w, EventRecord& record) {
  if (record.event == ev::kSelected && record.field != w.focusField()) return false;
  if (record.event == ev::kTimer) m_hub.clearTimerPending(w.id());
  if (record.event == ev::kMouseMove) m_hub.clearMouseMovePending(w.id());
  if (record.event == ev::kOpenFailed) {
    endLoop(w);
    return false;
  }
  if (record.field != 0 && !std::holds_alternative<std::monostate>(record.value)) {
    Control* c = w.control(record.field);
    if (!c) return false;
    const int result = c->takeValue(record.event, record.value);
    m_backend->updateControl(w, *c);
    if (result == 0) return false;
    // An alert key keeps its key code for KEYCODE(); other values have been
    // written into the control's variable.
    if (result != ev::kAlertKey) record.value = {};
    record.event = result;
  }
  w.cycled = false;
  w.setCurrent(record);
  return true;
}

void Runtime::finishCurrent(Window& w) {
  const int event = w.current().event;
  const bool cycled = w.cycled;
  w.cycled = false;
  w.setCurrent({});
  if (event != ev::kCloseWindow && event != ev::kCloseDown) return;
  if (cycled) {
    if (event == ev::kCloseDown && w.askedByFrame) {
      w.askedByFrame = false;
      w.closing = false;
      if (Window* frame = application()) {
        Message msg;
        msg.kind = MessageKind::ChildRefused;
        msg.window = frame->id();
        m_hub.postToWindow(msg);
      }
    }
    return;
  }
  if (w.kind() == WindowKind::Application) {
    w.closing = true;
    advanceFrameClose(w);
  } else {
    endLoop(w);
  }
}

void Runtime::advanceFrameClose(Window& frame) {
  std::vector<Window*> children;
  for (const auto& [id, other] : m_windows)
    if (other->kind() == WindowKind::MdiChild && !other->loopEnded) children.push_back(other.get());
  if (children.empty()) {
    frame.closing = false;
    endLoop(frame);
    return;
  }
  std::sort(children.begin(), children.end(),
            [](const Window* a, const Window* b) { return a->openOrder < b->openOrder; });
  for (Window* child : children) {
    if (child->closing) continue;
    child->closing = true;
    child->askedByFrame = true;
    m_hub.postToWindow(Message::forWindow(child->id(), ev::kCloseDown));
    return;
  }
  m_backend->beep();
  frame.closing = false;
}

void Runtime::endLoop(Window& w) {
  if (w.loopEnded) return;
  w.loopEnded = true;
  w.completing = false;
  if (w.kind() == WindowKind::MdiChild && w.askedByFrame) {
    w.askedByFrame = false;
    if (Window* frame = application()) {
      Message msg;
      msg.kind = MessageKind::ChildClosed;
      msg.window = frame->id();
      m_hub.postToWindow(msg);
    }
  }
}

void Runtime::stepCompletion(Window& w) {
  const auto& controls = w.controls();
  while (w.completionNext < controls.size()) {
    Control& c = *controls[w.completionNext++];
    if (!c.takesPartInCompletion() || !w.effectivelyVisible(c) || !w.effectivelyEnabled(c))
      continue;
    const std::optional<std::string> pending = m_backend->pendingText(w, c);
    const bool fits = c.acceptPending(pending ? &*pending : nullptr);
    m_backend->updateControl(w, c);
    if (!fits) {
      w.completing = false;
      w.setFocusField(c.field());
      m_backend->focusControl(w, c.field());
      return;
    }
    w.queue({ev::kAccepted, c.field(), {}});
    return;
  }
  w.completing = false;
  w.queue({ev::kCompleted, 0, {}});
}

int Runtime::event() const {
  const Window* w = currentWindow();
  return w ? w->current().event : 0;
}

int Runtime::field() const {
  const Window* w = currentWindow();
  return w ? w->current().field : 0;
}

int Runtime::keyCode() const {
  const Window* w = currentWindow();
  if (!w || w->current().event != ev::kAlertKey) return 0;
  const auto* code = std::get_if<std::int64_t>(&w->current().value);
  return code ? static_cast<int>(*code) : 0;
}

void Runtime::cycle() {
  if (Window* w = currentWindow()) w->cycled = true;
}

void Runtime::select(int field) {
  Window& w = require();
  if (field != 0 && !w.control(field)) return;
  w.setFocusField(field);
  m_backend->focusControl(w, field);
  if (field != 0) w.queue({ev::kSelected, field, {}});
}

void Runtime::selectAll() {
  Window& w = require();
  w.completing = true;
  w.completionNext = 0;
}

void Runtime::post(int event, int field, int threadNumber) {
  if (!m_started) return;
  const int slot = threadNumber == 0 ? currentSlot() : threadNumber - 1;
  if (slot < 0 || slot >= kThreadSlots || !m_slots[slot].used) return;
  const Window* target = m_slots[slot].current;
  if (!target) return;
  m_hub.postToWindow(Message::forWindow(target->id(), event, field));
}

}  // namespace dw::ui
