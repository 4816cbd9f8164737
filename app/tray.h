// The tray icon of the running program, where the desktop offers a tray:
// the program's clock with the next task in its tooltip, and a menu with
// "Show Dornwatch", "View Schedule", the next tasks (text only), "Scheduler
// Active" and "Exit".  The texts come from the frame's thread
// (app/scheduler/tray_state.h), which publishes them at each tick; the tray
// only shows them.  Show and View Schedule are the requests of a second
// start (instance_requests.h); Exit is the frame's File > Exit; Scheduler
// Active leaves the wanted state for the frame's next tick.
//
// With "Keep running in the tray when the frame is closed" on and the icon
// in a tray, the frame's close box hides the frame; File > Exit and the
// end of the session still end the program.
//
// The icon appears once the frame is open and a tray is there (a tray that
// starts after the program is found when it comes).
//
// Thread-safety: GUI thread only (part of the program's entry point); the
// frame's thread reaches it only through a queued call.
#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;

namespace dw::ui::qt {
class QtBackend;
}

namespace dw::app {

class InstanceRequests;

class Tray : public QObject {
 public:
  Tray(dw::ui::qt::QtBackend& backend, InstanceRequests& requests, QObject* parent);
  ~Tray() override;

  QMenu* menu() const { return m_menu; }
  QSystemTrayIcon* icon() const { return m_icon; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the state the frame published last.
  void refresh();
  // Waits for the frame and a tray: then the icon, the close-box filter.
  void poll();

  dw::ui::qt::QtBackend& m_backend;
  InstanceRequests& m_requests;
  QMenu* m_menu = nullptr;
  QSystemTrayIcon* m_icon = nullptr;
  QAction* m_tasksEnd = nullptr;  // the separator after the tasks
  QAction* m_active = nullptr;
  std::vector<QAction*> m_tasks;
  QTimer* m_poll = nullptr;
  QPointer<QWidget> m_frame;  // the frame whose close box we watch
  bool m_keepInTray = false;
};

}  // namespace dw::app
