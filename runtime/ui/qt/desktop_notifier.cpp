// Desktop notifications over the session bus (see desktop_notifier.h).
#include "runtime/ui/qt/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

#include "runtime/ui/qt/gui_dispatcher.h"

namespace dw::ui::qt {

namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";
// A call to a service that hangs must not hold the program up for long.
constexpr int kCallTimeoutMs = 2000;
// NotificationClosed's reason when the user dismissed it.
constexpr uint kDismissedByUser = 2;

}  // namespace

DesktopNotifier::DesktopNotifier(GuiDispatcher& gui, Handler handler, QObject* parent)
    : QObject(parent), m_gui(gui), m_handler(std::move(handler)) {}

bool DesktopNotifier::send(std::uint32_t key, const std::string& summary, const std::string& body,
                           const Actions& actions) {
  bool sent = false;
  m_gui.call([&] { sent = sendOnGui(key, summary, body, actions); });
  return sent;
}

bool DesktopNotifier::sendOnGui(std::uint32_t key, const std::string& summary,
                                const std::string& body, const Actions& actions) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  if (!m_connected) {
    bus.connect(kService, kPath, kInterface, "ActionInvoked", this, SLOT(onAction(uint, QString)));
    bus.connect(kService, kPath, kInterface, "NotificationClosed", this,
                SLOT(onClosed(uint, uint)));
    m_connected = true;
  }
  QDBusInterface service(kService, kPath, kInterface, bus);
  if (!service.isValid()) return false;
  service.setTimeout(kCallTimeoutMs);
  QStringList list;
  for (const auto& [action, label] : actions)
    list << QString::fromStdString(action) << QString::fromStdString(label);
  QVariantMap hints;
  hints.insert("desktop-entry", QStringLiteral("org.dornwatch.Dornwatch"));
  const QDBusReply<uint> reply = service.call(
      "Notify", QStringLiteral("Dornwatch"), uint(0), QStringLiteral("dornwatch"),
      QString::fromStdString(summary), QString::fromStdString(body), list, hints, int(0));
  if (!reply.isValid()) return false;
  m_keys[reply.value()] = key;
  return true;
}

void DesktopNotifier::onAction(uint id, const QString& action) {
  auto it = m_keys.find(id);
  if (it == m_keys.end()) return;
  const std::uint32_t key = it->second;
  m_keys.erase(it);  // answered: its closing that follows says nothing more
  m_handler(key, action.toStdString());
}

void DesktopNotifier::onClosed(uint id, uint reason) {
  auto it = m_keys.find(id);
  if (it == m_keys.end()) return;
  const std::uint32_t key = it->second;
  m_keys.erase(it);
  if (reason == kDismissedByUser) m_handler(key, std::string());
}

}  // namespace dw::ui::qt
