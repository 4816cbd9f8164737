// Per-thread message queues and the idle account (see message_hub.h).
#include "runtime/ui/message_hub.h"

namespace dw::ui {

void MessageHub::addWindow(std::uint32_t id, int ownerSlot) {
  std::lock_guard lock(m_mutex);
  m_windows[id] = WindowEntry{ownerSlot, false};
}

void MessageHub::removeWindow(std::uint32_t id) {
  std::lock_guard lock(m_mutex);
  m_windows.erase(id);
}

int MessageHub::ownerOf(std::uint32_t id) const {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(id);
  return it == m_windows.end() ? -1 : it->second.owner;
}

bool MessageHub::postToWindow(const Message& msg) {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(msg.window);
  if (it == m_windows.end()) return false;
  const int slot = it->second.owner;
  m_queues[slot].push_back(msg);
  m_threadCv[slot].notify_one();
  return true;
}

void MessageHub::postToSlot(int slot, const Message& msg) {
  if (slot < 0 || slot >= kThreadSlots) return;
  std::lock_guard lock(m_mutex);
  m_queues[slot].push_back(msg);
  m_threadCv[slot].notify_one();
}

void MessageHub::timerFired(std::uint32_t id) {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(id);
  if (it == m_windows.end() || it->second.timerPending) return;
  it->second.timerPending = true;
  const int slot = it->second.owner;
  Message msg;
  msg.kind = MessageKind::Timer;
  msg.window = id;
  m_queues[slot].push_back(msg);
  m_threadCv[slot].notify_one();
}

void MessageHub::clearTimerPending(std::uint32_t id) {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(id);
  if (it != m_windows.end()) it->second.timerPending = false;
}

void MessageHub::mouseMoved(std::uint32_t id, int field) {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(id);
  if (it == m_windows.end() || it->second.movePending) return;
  it->second.movePending = true;
  const int slot = it->second.owner;
  m_queues[slot].push_back(Message::forWindow(id, 13, field));  // EVENT:MouseMove
  m_threadCv[slot].notify_one();
}

void MessageHub::clearMouseMovePending(std::uint32_t id) {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(id);
  if (it != m_windows.end()) it->second.movePending = false;
}

void MessageHub::threadTimerFired(int slot) {
  if (slot < 0 || slot >= kThreadSlots) return;
  std::lock_guard lock(m_mutex);
  if (!m_live[slot] || m_threadTimerPending[slot]) return;
  m_threadTimerPending[slot] = true;
  Message msg;
  msg.kind = MessageKind::ThreadTimer;
  m_queues[slot].push_back(msg);
  m_threadCv[slot].notify_one();
}

void MessageHub::clearThreadTimerPending(int slot) {
  if (slot < 0 || slot >= kThreadSlots) return;
  std::lock_guard lock(m_mutex);
  m_threadTimerPending[slot] = false;
}

void MessageHub::threadStarted(int slot) {
  std::lock_guard lock(m_mutex);
  m_live[slot] = true;
  m_waiting[slot] = false;
}

void MessageHub::threadEnded(int slot) {
  std::lock_guard lock(m_mutex);
  m_live[slot] = false;
  m_waiting[slot] = false;
  m_yielding[slot] = false;
  m_threadTimerPending[slot] = false;
  m_queues[slot].clear();
  m_idleCv.notify_all();
}

std::deque<Message> MessageHub::wait(int slot) {
  std::unique_lock lock(m_mutex);
  if (m_queues[slot].empty()) {
    m_waiting[slot] = true;
    m_idleCv.notify_all();
    m_threadCv[slot].wait(lock, [&] { return !m_queues[slot].empty(); });
    m_waiting[slot] = false;
  }
  std::deque<Message> out;
  out.swap(m_queues[slot]);
  return out;
}

std::deque<Message> MessageHub::take(int slot) {
  std::lock_guard lock(m_mutex);
  std::deque<Message> out;
  out.swap(m_queues[slot]);
  return out;
}

bool MessageHub::idleLocked(int except) const {
  // A thread inside waitIdleExcept counts as waiting only for other such
  // threads; an outside observer sees it as running (it will go on).
  const bool forYielder = except >= 0;
  for (int i = 0; i < kThreadSlots; ++i) {
    if (i == except || !m_live[i]) continue;
    if (m_yielding[i]) {
      if (!forYielder) return false;
      continue;
    }
    if (!m_queues[i].empty() || !m_waiting[i]) return false;
  }
  return true;
}

bool MessageHub::waitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  return m_idleCv.wait_for(lock, timeout, [&] { return idleLocked(); });
}

bool MessageHub::waitIdleExcept(int slot, std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  m_yielding[slot] = true;
  m_idleCv.notify_all();
  const bool idle = m_idleCv.wait_for(lock, timeout, [&] { return idleLocked(slot); });
  m_yielding[slot] = false;
  return idle;
}

int MessageHub::liveThreads() const {
  std::lock_guard lock(m_mutex);
  int n = 0;
  for (bool live : m_live) n += live;
  return n;
}

}  // namespace dw::ui
