// Calls handed to the GUI thread (see gui_dispatcher.h).
#include "runtime/ui/qt/gui_dispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace dw::ui::qt {

GuiDispatcher::GuiDispatcher() : m_anchor(std::make_unique<QObject>()) {}

GuiDispatcher::~GuiDispatcher() {
  shutdown();
}

bool GuiDispatcher::onGuiThread() const {
  return QThread::currentThread() == m_anchor->thread();
}

bool GuiDispatcher::call(const std::function<void()>& fn) {
  if (onGuiThread()) {
    fn();
    return true;
  }
  auto pending = std::make_shared<Pending>();
  pending->fn = fn;
  {
    std::lock_guard lock(m_mutex);
    if (m_closed) return false;
    m_pending.push_back(pending);
  }
  QMetaObject::invokeMethod(
      m_anchor.get(), [this] { drain(); }, Qt::QueuedConnection);
  std::unique_lock lock(m_mutex);
  m_doneCv.wait(lock, [&] { return pending->done; });
  return pending->fn != nullptr;
}

void GuiDispatcher::post(std::function<void()> fn) {
  {
    std::lock_guard lock(m_mutex);
    if (m_closed) return;
  }
  QMetaObject::invokeMethod(m_anchor.get(), std::move(fn), Qt::QueuedConnection);
}

void GuiDispatcher::drain() {
  for (;;) {
    std::shared_ptr<Pending> next;
    {
      std::lock_guard lock(m_mutex);
      if (m_pending.empty()) return;
      next = m_pending.front();
      m_pending.pop_front();
    }
    if (next->fn) next->fn();
    {
      std::lock_guard lock(m_mutex);
      next->done = true;
    }
    m_doneCv.notify_all();
  }
}

void GuiDispatcher::shutdown() {
  drain();
  std::lock_guard lock(m_mutex);
  m_closed = true;
  // Anything that slipped in after the drain is released without running.
  for (auto& p : m_pending) {
    p->fn = nullptr;
    p->done = true;
  }
  m_pending.clear();
  m_doneCv.notify_all();
}

}  // namespace dw::ui::qt
