// Requests of a second start carried out on the running frame
// (instance_requests.h).
#include "app/instance_requests.h"

#include <QTimer>
#include <QWidget>

#include "app/frame/main_frame.h"
#include "runtime/ui/qt/qt_backend.h"

namespace dw::app {

namespace {

struct Request {
  const char* name;
  int menuItem;  // 0: only show the frame
};

const Request kRequests[] = {
    {"show", 0},
    {"show-schedule", frame::kViewSchedule},
    {"show-todo", frame::kToDoList},
    {"add", frame::kGenericAdd},
};

const Request* findRequest(const std::string& name) {
  for (const Request& r : kRequests)
    if (name == r.name) return &r;
  return nullptr;
}

}  // namespace

std::string instanceRequestOfOption(const std::string& option) {
  if (option.rfind("--", 0) != 0) return {};
  const std::string name = option.substr(2);
  return name != "show" && findRequest(name) ? name : std::string();
}

InstanceRequests::InstanceRequests(dw::ui::qt::QtBackend& backend, QObject* parent)
    : QObject(parent), m_backend(backend) {}

bool InstanceRequests::handle(const std::string& request) {
  if (!findRequest(request)) return false;
  if (m_backend.applicationWindow() != 0 && m_waiting.empty()) {
    carryOut(request);
    return true;
  }
  m_waiting.push_back(request);
  if (!m_poll) {
    m_poll = new QTimer(this);
    connect(m_poll, &QTimer::timeout, this, &InstanceRequests::runWaiting);
    m_poll->start(50);
  }
  return true;
}

void InstanceRequests::runWaiting() {
  if (m_backend.applicationWindow() == 0) return;
  m_poll->stop();
  m_poll->deleteLater();
  m_poll = nullptr;
  const std::vector<std::string> waiting = std::move(m_waiting);
  m_waiting.clear();
  for (const std::string& r : waiting) carryOut(r);
}

void InstanceRequests::carryOut(const std::string& request) {
  const std::uint32_t frameId = m_backend.applicationWindow();
  if (QWidget* frameWidget = m_backend.widgetOf(frameId)) {
    // As the user bringing the window back from the task bar: restored if
    // minimised, kept maximised if it was, and in front.
    frameWidget->setWindowState((frameWidget->windowState() & ~Qt::WindowMinimized) |
                                Qt::WindowActive);
    frameWidget->show();
    frameWidget->raise();
    frameWidget->activateWindow();
  }
  if (const Request* r = findRequest(request); r && r->menuItem != 0)
    m_backend.triggerAction(frameId, r->menuItem);
}

}  // namespace dw::app
