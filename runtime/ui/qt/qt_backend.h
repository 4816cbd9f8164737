// The real windowing backend: Qt widgets on the GUI thread.
//
// The APPLICATION is a QMainWindow with a QMdiArea, its menu bar, tool bar
// and status bar (zones: -1 takes the rest, others their width in pixels);
// an MDI child is a QMdiSubWindow of that area; a plain window is a
// top-level QWidget.  Controls are child widgets placed at their converted
// pixel rectangles.  Every Backend call is handed to the GUI thread and
// waited for (GuiDispatcher); what the user does is sent back as messages
// through the runtime's MessageHub: clicks and menu choices as
// EVENT:Accepted, typed text with the event that accepts it, focus moves,
// activation, moves, the close box, timer ticks, the mouse over controls
// and drags between them (qt_input.cpp), F1 as a request for help on the
// focused control.
//
// Thread-safety: the Backend members are called by runtime threads (under
// the Runtime lock) or the GUI thread; all widget work happens on the GUI
// thread.  Widgets never touch runtime objects outside such calls.
#pragma once

#include <QPointer>

#include <map>
#include <memory>

#include "runtime/ui/backend.h"
#include "runtime/ui/message_hub.h"
#include "runtime/ui/qt/gui_dispatcher.h"

class QTimer;
class QWidget;

namespace dw::ui {
class Runtime;
}

namespace dw::ui::qt {

struct QtWindow;
class HelpWindow;

class QtBackend : public Backend {
 public:
  // Made on the GUI thread, after the QApplication.
  explicit QtBackend(Runtime& runtime);
  ~QtBackend() override;

  GuiDispatcher& dispatcher() { return m_dispatcher; }
  // The top-level widget of an open window (GUI thread; tests).
  QWidget* widgetOf(std::uint32_t windowId) const;
  // The widget of a control (GUI thread, while no runtime thread runs:
  // it reads the runtime's window; for tests).
  QWidget* controlWidget(std::uint32_t windowId, int field) const;
  // The APPLICATION's window id, 0 when none is open (GUI thread).
  std::uint32_t applicationWindow() const;
  // Triggers a menu item or tool bar button as the user would (GUI thread);
  // false when the window has no such enabled entry.
  bool triggerAction(std::uint32_t windowId, int field);
  // Ends the GUI side: pending calls drained, later ones refused.
  void shutdown();
  // Shows dialogs even on a platform without a screen (tests driving real
  // dialogs offscreen).
  void setDialogsWithoutScreen(bool on) { m_dialogsWithoutScreen = on; }
  // The help window, nullptr when none is open (GUI thread).
  HelpWindow* helpWindow() const;

  FontMetrics metrics(const Window& window) override;
  bool createWindow(Window& window) override;
  // qt_popup.cpp
  int showPopup(const PopupMenu& menu, std::optional<int> x, std::optional<int> y) override;
  void destroyWindow(Window& window) override;
  void updateWindow(Window& window, unsigned parts) override;
  void addControl(Window& window, const Control& control) override;
  void updateControl(Window& window, const Control& control) override;
  std::optional<std::string> pendingText(Window& window, const Control& control) override;
  void focusControl(Window& window, int field) override;
  void setTimer(Window& window, int periodHundredths) override;
  // qt_input.cpp
  void setThreadTimer(int slot, int periodHundredths) override;
  void typeKeys(Window& window, std::string_view keys) override;
  void standardAction(Window& window, int action) override;
  void editAction(int action) override;
  void beep() override;
  int messageBox(const MessageBox& box) override;
  void closeMessageBoxes() override;
  std::string fileDialog(const FileDialogRequest& request) override;
  bool printerDialog(PrinterSettings& settings, std::string_view title, bool setup,
                     std::uint32_t ownerWindow) override;
  void help(const HelpCommand& command) override;
  void quit(int exitCode) override;

  // Sends what the user did to the runtime (GUI thread).
  void postEvent(std::uint32_t window, int event, int field, UserValue value = {});
  void postFocus(std::uint32_t window, int field);
  Runtime& runtime() { return m_runtime; }
  // Tells the runtime where a window stands and in which state (GUI thread).
  void reportPlace(const QtWindow& qw);
  // The id of the open window whose widgets hold `widget`, 0 for none.
  std::uint32_t windowHolding(const QWidget* widget) const;
  // qt_access_keys.cpp: acts on the control of the window holding `from`
  // that Alt+letter reaches; false when none does (GUI thread).
  bool pressAccessKey(const QWidget* from, char letter);
  // The application-wide filter that hands Alt+letter to pressAccessKey.
  static std::unique_ptr<QObject> makeAccessKeyFilter(QtBackend& backend);

 private:
  void buildFrame(QtWindow& qw, Window& w);
  void buildChrome(QtWindow& qw, Window& w);
  // Deletes one window's widgets and forgets its record.
  void destroyRecord(std::uint32_t id);
  // Shows the parts (window_part bits) of the window's state.
  void applyWindow(QtWindow& qw, Window& w, unsigned parts);
  // Grows the frame, within the screen, so that a new MDI child fits in
  // its area.
  void fitFrameAround(QtWindow& app, QWidget& child);
  // qt_dialogs.cpp
  bool hasScreen() const;
  QWidget* ownerWidget(std::uint32_t windowId) const;

  Runtime& m_runtime;
  GuiDispatcher m_dispatcher;
  std::map<std::uint32_t, std::unique_ptr<QtWindow>> m_windows;
  bool m_dialogsWithoutScreen = false;
  QPointer<QWidget> m_helpWindow;                         // a HelpWindow
  std::map<int, std::unique_ptr<QTimer>> m_threadTimers;  // window-less timers by slot
  std::unique_ptr<QObject> m_helpKeys;                    // F1 anywhere: help
  std::unique_ptr<QObject> m_accessKeys;                  // Alt+letter in a window
};

}  // namespace dw::ui::qt
