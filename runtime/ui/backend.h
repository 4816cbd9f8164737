// The one interface between the platform-neutral windowing runtime and the
// thing that draws windows: real Qt widgets (runtime/ui/qt) or plain
// objects for tests (runtime/ui/headless).
//
// Calls from the runtime come from the window's thread holding the Runtime
// lock, and block until done; during a call the backend may read the window
// and its controls (nobody else can change them).  The backend never takes
// the Runtime lock and never waits for a runtime thread.  What the user does
// travels the other way as messages through the MessageHub (user events
// with their values, timer ticks, activation changes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/ui/dialogs.h"
#include "runtime/ui/message_box.h"

namespace dw::ui {

class Window;
class Control;
struct PopupMenu;

// What changed in an open window (updateWindow): the backend shows only
// these parts, so that setting a title never moves or resizes the window the
// user has placed.
namespace window_part {
inline constexpr unsigned kTitle = 1;
inline constexpr unsigned kGeometry = 2;  // Window::pixels
inline constexpr unsigned kState = 4;     // minimised, maximised or normal
inline constexpr unsigned kStatus = 8;    // the status bar's message zone
inline constexpr unsigned kMenus = 16;    // enabled state of menu and tool bar entries
inline constexpr unsigned kFont = 32;
inline constexpr unsigned kAll = ~0u;
}  // namespace window_part

struct FontMetrics {
  int averageCharWidth = 6;
  int charHeight = 13;
  int dpiX = 96;
  int dpiY = 96;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Measures the window's font (for unit conversion).
  virtual FontMetrics metrics(const Window& window) = 0;
  // Builds the platform window with its menu bar, tool bar, status bar and
  // controls; false when the platform refuses.
  virtual bool createWindow(Window& window) = 0;
  virtual void destroyWindow(Window& window) = 0;
  // Shows the parts (window_part bits) of the window that changed.
  virtual void updateWindow(Window& window, unsigned parts) = 0;
  // A control was added to an open window (CREATE).
  virtual void addControl(Window& window, const Control& control) = 0;
  // A control's state changed (shown text, hidden, disabled, rows, choice).
  virtual void updateControl(Window& window, const Control& control) = 0;
  // Text the user typed into an entry and has not yet accepted, if any.
  virtual std::optional<std::string> pendingText(Window& window, const Control& control) = 0;
  virtual void focusControl(Window& window, int field) = 0;
  // Starts (period > 0, hundredths of a second) or stops the window's timer.
  virtual void setTimer(Window& window, int periodHundredths) = 0;
  // Tile (2, 17, 18), cascade (3), arrange icons (4) of the frame.
  virtual void standardAction(Window& window, int action) = 0;
  // Cut (10), copy (11), paste (12), clear (13), undo (14) on the control
  // that has the focus in the active window, whichever thread owns it.
  virtual void editAction(int action) = 0;
  virtual void beep() = 0;
  // The dialogs below are modal and called without the Runtime lock; they
  // return when the user has answered.
  // A MESSAGE box, laid out by layoutMessageBox; the identifier of the
  // button pressed (kButtonTable), or box.closeCode() when closed otherwise.
  virtual int messageBox(const MessageBox& box) = 0;
  // An open or save dialog; the full path chosen, "" when cancelled.
  virtual std::string fileDialog(const FileDialogRequest& request) = 0;
  // The print (or printer setup) dialog over the kept settings, which it
  // updates when the user confirms; false when cancelled.
  virtual bool printerDialog(PrinterSettings& settings, std::string_view title, bool setup,
                             std::uint32_t ownerWindow) = 0;
  // A command for the help viewer (returns at once; the viewer stays up).
  virtual void help(const HelpCommand& command) = 0;
  // The whole program ends: leave the event loop.
  virtual void quit(int exitCode) = 0;
  // Starts (period > 0, hundredths of a second) or stops the window-less
  // timer of a runtime thread (slot); each tick goes to
  // MessageHub::threadTimerFired.
  virtual void setThreadTimer(int slot, int periodHundredths) = 0;
  // Types keystrokes (UTF-8; "\t" moves on, "\r" or "\n" is Enter) into the
  // focused control of the window, as the keyboard would.
  virtual void typeKeys(Window& window, std::string_view keys) = 0;
  // Shows a popup menu with its top-left corner at the screen position (a
  // missing coordinate: the mouse cursor's) and returns the chosen item's
  // number, 0 when dismissed.  Called without the Runtime lock.
  virtual int showPopup(const PopupMenu& /*menu*/, std::optional<int> /*x*/,
                        std::optional<int> /*y*/) {
    return 0;
  }
};

}  // namespace dw::ui
