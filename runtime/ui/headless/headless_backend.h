// A windowing backend without a screen: windows and controls are plain
// records, so tests can drive the runtime deterministically, acting as the
// user would (press a button or menu item, type into an entry, choose a
// row, radio or tab, move focus, close a window, let time pass).
//
// The runtime's calls (from the thread holding the Runtime lock) copy the
// window and control state into snapshots; the driver's calls (from the
// test's thread) read those snapshots and send what the user did to the
// runtime as messages, exactly as the Qt backend does from the GUI thread.
// Message boxes are recorded and answered at once.
//
// Thread-safety: every member may be called from any thread; one mutex
// guards the snapshots.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/ui/backend.h"
#include "runtime/ui/control.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/window_desc.h"

namespace dw::ui {

class Runtime;

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(Runtime& runtime);
  ~HeadlessBackend() override;

  // --- What the screen shows -------------------------------------------
  struct WindowShot {
    std::uint32_t id = 0;
    int ownerSlot = -1;
    WindowKind kind = WindowKind::Plain;
    std::string label;
    std::string title;
    std::string status;
    Rect pixels;
    int focus = 0;
    std::vector<MenuEntry> menuBar;
    std::vector<ToolEntry> toolBar;
    std::vector<int> statusZones;
    std::map<int, ControlState> controls;  // by field number
    std::map<int, bool> visible;           // effective visibility by field
  };
  // Open windows, in opening order.
  std::vector<WindowShot> windows() const;
  // The open window with this label or title, if any.
  std::optional<WindowShot> find(std::string_view labelOrTitle) const;
  std::optional<ControlState> control(std::uint32_t window, int field) const;
  int createdCount() const;
  // Makes the next createWindow fail as the platform would.
  void failNextCreate();

  // --- Acting as the user -------------------------------------------------
  void press(std::uint32_t window, int field);  // a button, menu item or tool bar button
  void focus(std::uint32_t window, int field);
  // Types text into an entry (kept until accepted) and moves focus there.
  void type(std::uint32_t window, int field, std::string text);
  // Accepts what was typed (Tab or Enter).
  void acceptTyped(std::uint32_t window, int field);
  void setCheck(std::uint32_t window, int field, bool on);
  // Chooses radio `n` of an option group, row `n` of a list, tab `n` of a
  // sheet (from 1).
  void choose(std::uint32_t window, int field, std::int64_t n);
  void spin(std::uint32_t window, int field, std::int64_t steps);
  void closeBox(std::uint32_t window);  // the window's close button
  void activate(std::uint32_t window);
  void moved(std::uint32_t window);
  // Lets time pass: each window's timer fires for every period elapsed.
  void advance(int hundredths);
  // Scrolls a list so that row `top` (0-based) is the first shown, with a
  // scroll event (EVENT:ScrollDrag unless told); `rows` is how many rows
  // the view shows (0: what the list's height holds).
  void scroll(std::uint32_t window, int field, std::int64_t top, int rows = 0, int event = 20);
  // Popup menus: the next one is answered with `number` (answers queue up;
  // without one a menu is dismissed, 0).  The mouse stands at (0, 0) until
  // moved.
  void answerPopup(int number);
  void setMousePosition(int x, int y);

  // --- What the program did -------------------------------------------------
  int beeps() const;
  struct PopupShot {
    PopupMenu menu;
    int x = 0;
    int y = 0;
  };
  std::vector<PopupShot> popups() const;      // menus shown, in order
  std::vector<std::string> messages() const;  // "caption|text" of boxes shown
  std::vector<int> standardActions() const;
  std::optional<int> quitCode() const;

  // Backend
  FontMetrics metrics(const Window& window) override;
  bool createWindow(Window& window) override;
  int showPopup(const PopupMenu& menu, std::optional<int> x, std::optional<int> y) override;
  void destroyWindow(Window& window) override;
  void updateWindow(Window& window) override;
  void addControl(Window& window, const Control& control) override;
  void updateControl(Window& window, const Control& control) override;
  std::optional<std::string> pendingText(Window& window, const Control& control) override;
  void focusControl(Window& window, int field) override;
  void setTimer(Window& window, int periodHundredths) override;
  void standardAction(Window& window, int action) override;
  void beep() override;
  void showMessage(std::string_view caption, std::string_view text) override;
  void quit(int exitCode) override;

 private:
  struct Timer {
    int period = 0;
    long long due = 0;
  };
  void post(std::uint32_t window, int event, int field, UserValue value);
  void snapshot(Window& window);

  Runtime& m_runtime;
  mutable std::mutex m_mutex;
  std::map<std::uint32_t, WindowShot> m_windows;
  std::map<std::pair<std::uint32_t, int>, std::string> m_pending;
  std::map<std::uint32_t, Timer> m_timers;
  long long m_now = 0;
  std::vector<int> m_popupAnswers;  // popup menus: the next answers, then 0
  std::vector<PopupShot> m_popups;
  int m_mouseX = 0;
  int m_mouseY = 0;
  int m_created = 0;
  bool m_failNext = false;
  int m_beeps = 0;
  std::vector<std::string> m_messages;
  std::vector<int> m_actions;
  std::optional<int> m_quit;
};

}  // namespace dw::ui
