// Desktop notifications through the session bus (the freedesktop
// Notifications service, org.freedesktop.Notifications): a notification
// with the program's name and icon, a text, and actions; what the user does
// with it comes back as the action's key or as "dismissed".
//
// Calls are made on the GUI thread (a runtime thread hands them over and
// waits, as for every other GUI call); answers arrive there too, from the
// bus, and go to the handler as they come.  A missing or silent service
// answers a send with false within the call's timeout (2 s), so the caller
// can fall back to a window.
//
// Thread-safety: send from any thread (it is run on the GUI thread); the
// handler is called on the GUI thread.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace dw::ui::qt {

class GuiDispatcher;

class DesktopNotifier : public QObject {
  Q_OBJECT

 public:
  // key: the caller's; action: an action's key, or "" when dismissed.
  using Handler = std::function<void(std::uint32_t key, const std::string& action)>;
  // (action key, label) pairs, in the order the desktop shows them.
  using Actions = std::vector<std::pair<std::string, std::string>>;

  DesktopNotifier(GuiDispatcher& gui, Handler handler, QObject* parent = nullptr);

  // Shows `body` under `summary`; false when there is no service.
  bool send(std::uint32_t key, const std::string& summary, const std::string& body,
            const Actions& actions);

 private:
  bool sendOnGui(std::uint32_t key, const std::string& summary, const std::string& body,
                 const Actions& actions);

 private slots:
  // The bus's signals ActionInvoked and NotificationClosed.
  void onAction(uint id, const QString& action);
  void onClosed(uint id, uint reason);

 private:
  GuiDispatcher& m_gui;
  Handler m_handler;
  bool m_connected = false;
  std::map<uint, std::uint32_t> m_keys;  // the service's id -> the caller's key
};

}  // namespace dw::ui::qt
