// The tray icon (see tray.h).
#include "app/tray.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "app/frame/main_frame.h"
#include "app/instance_requests.h"
#include "app/scheduler/tray_state.h"
#include "runtime/ui/qt/qt_backend.h"

namespace dw::app {

namespace {

// How often the tray looks for the frame and for a tray to sit in.
constexpr int kPollMilliseconds = 500;

}  // namespace

Tray::Tray(dw::ui::qt::QtBackend& backend, InstanceRequests& requests, QObject* parent)
    : QObject(parent), m_backend(backend), m_requests(requests) {
  m_menu = new QMenu();
  connect(m_menu->addAction(QStringLiteral("Show Dornwatch")), &QAction::triggered, this,
          [this] { m_requests.handle("show"); });
  connect(m_menu->addAction(QStringLiteral("View Schedule")), &QAction::triggered, this,
          [this] { m_requests.handle("show-schedule"); });
  m_menu->addSeparator();
  m_tasksEnd = m_menu->addSeparator();
  m_active = m_menu->addAction(QStringLiteral("Scheduler Active"));
  m_active->setCheckable(true);
  m_active->setEnabled(false);  // until the frame tells its state
  connect(m_active, &QAction::triggered, this, [](bool on) { requestSchedulerActive(on); });
  m_menu->addSeparator();
  connect(m_menu->addAction(QStringLiteral("Exit")), &QAction::triggered, this, [this] {
    if (const std::uint32_t frameId = m_backend.applicationWindow())
      m_backend.triggerAction(frameId, frame::kExit);
  });

  m_icon = new QSystemTrayIcon(this);
  m_icon->setContextMenu(m_menu);
  m_icon->setToolTip(QString::fromUtf8(kApplicationTitle));
  connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
      m_requests.handle("show");
  });

  // The frame's thread publishes; the state is shown on this thread.
  QPointer<Tray> self(this);
  setTrayListener([self] {
    QMetaObject::invokeMethod(
        self.data(),
        [self] {
          if (self) self->refresh();
        },
        Qt::QueuedConnection);
  });
  m_poll = new QTimer(this);
  connect(m_poll, &QTimer::timeout, this, &Tray::poll);
  m_poll->start(kPollMilliseconds);
  refresh();
}

Tray::~Tray() {
  setTrayListener(nullptr);
  if (m_frame) m_frame->removeEventFilter(this);
  delete m_menu;
}

void Tray::refresh() {
  const std::optional<TrayState> state = publishedTrayState();
  if (!state) return;
  m_icon->setToolTip(QString::fromStdString(state->tooltip));
  for (QAction* a : m_tasks) {
    m_menu->removeAction(a);
    delete a;
  }
  m_tasks.clear();
  for (const std::string& text : state->tasks) {
    auto* a = new QAction(QString::fromStdString(text), m_menu);
    a->setEnabled(false);
    m_menu->insertAction(m_tasksEnd, a);
    m_tasks.push_back(a);
  }
  m_active->setEnabled(true);
  m_active->setChecked(state->active);
  m_keepInTray = state->keepInTray;
}

void Tray::poll() {
  if (!m_frame) {
    const std::uint32_t frameId = m_backend.applicationWindow();
    m_frame = frameId ? m_backend.widgetOf(frameId) : nullptr;
    if (!m_frame) return;
    // Installed after the backend's own filter, so it sees the close box
    // first.
    m_frame->installEventFilter(this);
    m_icon->setIcon(m_frame->windowIcon());
  }
  if (!m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable()) m_icon->show();
}

bool Tray::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_frame && event->type() == QEvent::Close && m_keepInTray && m_icon->isVisible() &&
      QSystemTrayIcon::isSystemTrayAvailable()) {
    event->ignore();
    m_frame->hide();
    return true;
  }
  return false;
}

}  // namespace dw::app
