// A windowing backend without a screen: windows and controls are plain
// records, so tests can drive the runtime deterministically, acting as the
// user would (press a button or menu item, type into an entry, choose a
// row, radio or tab, move focus, close a window, let time pass).
//
// The runtime's calls (from the thread holding the Runtime lock) copy the
// window and control state into snapshots; the driver's calls (from the
// test's thread) read those snapshots and send what the user did to the
// runtime as messages, exactly as the Qt backend does from the GUI thread.
// Dialogs are recorded and answered from queues the test fills: a message
// box takes the next queued answer, else (unless boxes are held open for
// the test to answer) its default button; a file dialog the next queued
// path ("" cancels), else it is cancelled; a printer dialog the next queued
// answer, else it is confirmed unchanged.  Keystrokes the runtime types
// (PRESS) go into the focused entry as typed text; Enter or Tab accepts
// it, Enter or a space presses a focused button.
//
// Thread-safety: every member may be called from any thread; one mutex
// guards the snapshots.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
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
    Rect pixels;  // where the window stands on the screen
    bool minimized = false;
    bool maximized = false;
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
  // Makes each new window the active one as it is shown, as a desktop does.
  void activateOnCreate(bool on);

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
  // The user moves and sizes a window to a pixel rectangle (EVENT:Moved,
  // EVENT:Sized), or minimises, maximises or restores it (EVENT:Iconized,
  // EVENT:Maximized, EVENT:Restored); the runtime learns where it stands.
  void placeAt(std::uint32_t window, Rect pixels);
  void minimize(std::uint32_t window);
  void maximize(std::uint32_t window);
  void restore(std::uint32_t window);
  // F1 in a window: help on its focused control.
  void helpKey(std::uint32_t window);
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
  // The mouse (headless_input.cpp): a button released over a control
  // (EVENT:MouseUp), the pointer entering or leaving it (MouseIn,
  // MouseOut), moving over it (MouseMove, coalesced by the hub: a move
  // while one is still pending is dropped).
  void mouseUp(std::uint32_t window, int field);
  void mouseIn(std::uint32_t window, int field);
  void mouseOut(std::uint32_t window, int field);
  void mouseMove(std::uint32_t window, int field);
  // Drags control `from` over control `to` and drops it there: the target
  // gets EVENT:Dragging while the pointer is over it, then the source
  // EVENT:Drag and the target EVENT:Drop.  Both in one window.
  void dragAndDrop(std::uint32_t window, int from, int to);
  // An alerted key (keycodes.h) pressed on a control, or field 0 for the
  // window: EVENT:AlertKey carrying the key code.
  void alertKey(std::uint32_t window, int field, int keyCode);

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
  // Keystrokes the runtime typed (PRESS), as (window, focused field, keys).
  struct KeysShot {
    std::uint32_t window = 0;
    int field = 0;
    std::string keys;
    bool operator==(const KeysShot&) const = default;
  };
  std::vector<KeysShot> typedKeys() const;
  // The period of a thread's window-less timer (0: none).
  int threadTimerPeriod(int slot) const;
  std::optional<int> quitCode() const;

  // --- Dialogs (headless_dialogs.cpp) ---------------------------------------
  struct BoxShot {
    MessageBox box;
    MessageLayout layout;  // in the headless font (6 x 13 pixels a character)
  };
  // Message boxes shown so far, in order.
  std::vector<BoxShot> boxes() const;
  // Answers for the next boxes, by button bit (0: closed without a button).
  void answerBoxes(std::vector<int> bits);
  // While held, a box without a queued answer stays up until answerBox.
  void holdBoxes(bool on);
  // Waits (bounded) until a held box is up; it, if any.
  std::optional<MessageBox> waitForOpenBox();
  void answerBox(int bit);
  // File dialogs: requests seen; answers ("" = cancel) for the next ones.
  std::vector<FileDialogRequest> fileRequests() const;
  void answerFileDialogs(std::vector<std::string> paths);
  // Printer dialogs: (title, setup) seen; answers for the next ones.
  struct PrinterAnswer {
    bool confirm = true;
    bool printToFile = false;
    std::string printer;
  };
  std::vector<std::pair<std::string, bool>> printerRequests() const;
  void answerPrinterDialogs(std::vector<PrinterAnswer> answers);
  std::vector<HelpCommand> helpCommands() const;
  // Clipboard edits as (action, active window, focused field).
  struct EditShot {
    int action = 0;
    std::uint32_t window = 0;
    int field = 0;
    bool operator==(const EditShot&) const = default;
  };
  std::vector<EditShot> edits() const;

  // Backend
  FontMetrics metrics(const Window& window) override;
  bool createWindow(Window& window) override;
  int showPopup(const PopupMenu& menu, std::optional<int> x, std::optional<int> y) override;
  void destroyWindow(Window& window) override;
  void updateWindow(Window& window, unsigned parts) override;
  void addControl(Window& window, const Control& control) override;
  void updateControl(Window& window, const Control& control) override;
  std::optional<std::string> pendingText(Window& window, const Control& control) override;
  void focusControl(Window& window, int field) override;
  void setTimer(Window& window, int periodHundredths) override;
  void setThreadTimer(int slot, int periodHundredths) override;
  void typeKeys(Window& window, std::string_view keys) override;
  void standardAction(Window& window, int action) override;
  void editAction(int action) override;
  void beep() override;
  int messageBox(const MessageBox& box) override;
  std::string fileDialog(const FileDialogRequest& request) override;
  bool printerDialog(PrinterSettings& settings, std::string_view title, bool setup,
                     std::uint32_t ownerWindow) override;
  void help(const HelpCommand& command) override;
  void quit(int exitCode) override;

 private:
  struct Timer {
    int period = 0;
    long long due = 0;
  };
  void post(std::uint32_t window, int event, int field, UserValue value);
  // Copies the window's state; its place and size and its minimised or
  // maximised state only with those parts (the screen keeps what the user
  // gave it otherwise).
  void snapshot(Window& window, unsigned parts);
  // Tells the runtime where a window stands now (a Placed message).
  void reportPlace(const WindowShot& shot);
  void changeShowState(std::uint32_t window, bool minimized, bool maximized, int event);

  Runtime& m_runtime;
  mutable std::mutex m_mutex;
  std::map<std::uint32_t, WindowShot> m_windows;
  std::map<std::pair<std::uint32_t, int>, std::string> m_pending;
  std::map<std::uint32_t, Timer> m_timers;
  std::map<int, Timer> m_threadTimers;  // by slot
  std::vector<KeysShot> m_typed;
  long long m_now = 0;
  std::vector<int> m_popupAnswers;  // popup menus: the next answers, then 0
  std::vector<PopupShot> m_popups;
  int m_mouseX = 0;
  int m_mouseY = 0;
  int m_created = 0;
  bool m_failNext = false;
  bool m_activateOnCreate = false;
  int m_beeps = 0;
  std::vector<std::string> m_messages;
  std::vector<int> m_actions;
  std::optional<int> m_quit;
  std::uint32_t m_active = 0;  // the window last activated by the driver
  // Dialogs.
  std::condition_variable m_boxCv;
  std::vector<BoxShot> m_boxes;
  std::deque<int> m_boxAnswers;
  bool m_holdBoxes = false;
  std::optional<MessageBox> m_openBox;
  std::vector<FileDialogRequest> m_fileRequests;
  std::deque<std::string> m_fileAnswers;
  std::vector<std::pair<std::string, bool>> m_printerRequests;
  std::deque<PrinterAnswer> m_printerAnswers;
  std::vector<HelpCommand> m_help;
  std::vector<EditShot> m_edits;
};

}  // namespace dw::ui
