// The windowing runtime: the thread table, the Runtime lock, the open
// windows, the modal system state, and the operations procedures call
// (OPEN, CLOSE, ACCEPT, EVENT, FIELD, SELECT, POST, START, and the
// operations on controls by field number).
//
// Threads.  Slot 0 is the program's first thread (thread 1), slots 1..63
// belong to threads made by START (threads 2..64).  A runtime thread holds
// the Runtime lock whenever it runs; it gives the lock up only while it
// waits for messages.  The GUI thread (or a test acting as the user) never
// takes the lock: it talks to the runtime through hub() only.
//
// Errors.  Faults of window operations are runtime errors (526..542),
// raised through dw::lang::runtimeError and never returning.
//
// Thread-safety: everything below except hub(), backend() and the
// program-level calls (begin/end/runProgram/adopt/waitIdle) must be called
// by a runtime thread holding the Runtime lock.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/ui/backend.h"
#include "runtime/ui/message_hub.h"
#include "runtime/ui/runtime_lock.h"
#include "runtime/ui/window.h"

namespace dw::lang {
class LanguageState;
}

namespace dw::ui {

// A fresh language state for a new thread, and its release.
lang::LanguageState* newThreadLanguage();
void freeThreadLanguage(lang::LanguageState* state);

using Procedure = std::function<void()>;

// Keystrokes a thread's keyboard buffer holds between two waits for
// messages (PRESS beyond it is error 534).
inline constexpr std::size_t kKeyboardBuffer = 256;
inline constexpr long kMinimumStack = 20000;       // the smallest stack a thread is given
inline constexpr std::size_t kOsStack = 4u << 20;  // what the POSIX thread really gets

// Window-operation errors.
namespace werr {
inline constexpr int kAppAlreadyActive = 526;
inline constexpr int kAppModal = 527;
inline constexpr int kAppFailed = 528;
inline constexpr int kWindowFailed = 529;
inline constexpr int kMdiNoApp = 530;
inline constexpr int kMdiModal = 531;
inline constexpr int kMdiOnAppThread = 532;
inline constexpr int kMdiFailed = 533;
inline constexpr int kTooManyKeys = 534;
inline constexpr int kAlreadyOpen = 535;
inline constexpr int kNotOpen = 536;
inline constexpr int kAcceptNoWindow = 537;
inline constexpr int kAcceptModal = 540;
inline constexpr int kCreateModal = 541;
inline constexpr int kOperationModal = 542;
}  // namespace werr

// Property numbers understood by property()/setProperty().
namespace prop {
inline constexpr int kText = 0x7C00;
inline constexpr int kXPos = 0x7C02;
inline constexpr int kYPos = 0x7C03;
inline constexpr int kWidth = 0x7C04;
inline constexpr int kHeight = 0x7C05;
inline constexpr int kFontName = 0x7C10;
inline constexpr int kHide = 0x7C1A;
inline constexpr int kDisable = 0x7C6F;
inline constexpr int kStatusText = 0x7C73;
inline constexpr int kHelpTopic = 0x7C65;
// The window's state, "1" or "": minimised, maximised.
inline constexpr int kIconize = 0x7C2B;
inline constexpr int kMaximize = 0x7C2C;
inline constexpr int kSelected = 0x7C8B;
inline constexpr int kProgress = 0x7C96;
}  // namespace prop

class Runtime {
 public:
  Runtime();
  ~Runtime();

  // --- Program level (any thread, outside the lock) ---------------------
  // Starts a session over a backend; end() waits for every runtime thread.
  void begin(Backend& backend);
  void end();
  bool active() const { return m_backend != nullptr; }
  // Runs `program` on thread 1 (a new POSIX thread).  When it returns,
  // the backend is told to quit with the exit code.
  void runProgram(Procedure program);
  // Waits for thread 1 to finish (after runProgram).
  void joinProgram();
  // Makes the calling thread thread 1 and gives it the lock (tests that run
  // a procedure on the test's own thread); leaveAdopted() undoes it.
  void adoptCurrentThread();
  void leaveAdopted();
  // Blocks until every runtime thread waits for messages with none queued.
  bool waitIdle();
  // Runs fn without the Runtime lock (a modal box waiting for the user):
  // other threads run meanwhile; the lock and this thread's language state
  // are taken back before returning.  fn must not touch runtime objects.
  void withoutLock(const std::function<void()>& fn);
  // For a runtime thread (tests): gives up the lock until every other
  // runtime thread waits, then takes it again and handles its messages.
  void yieldUntilIdle();

  MessageHub& hub() { return m_hub; }
  Backend& backend() { return *m_backend; }
  RuntimeLock& lock() { return m_lock; }
  // The calling thread's slot, or -1 for a thread that is not a runtime thread.
  static int currentSlot();

  // --- Threads -------------------------------------------------------------
  // START: a new thread running `procedure`; its number (2..64), or 0.
  int start(Procedure procedure, long stackSize);
  // The stack size recorded for a thread (0 when its slot is free).
  long accountedStack(int threadNumber) const;
  int threadNumber() const { return currentSlot() + 1; }
  bool started() const { return m_started.load(); }
  // The text of the last halt that ended a thread of the program (tests).
  std::optional<std::string> lastHalt() const { return m_lastHalt; }

  // --- Windows -------------------------------------------------------------
  // Opens a window for the calling thread: builds it on the backend,
  // refreshes its controls, queues EVENT:OpenWindow and makes it current.
  Window& open(WindowDesc desc, std::vector<std::unique_ptr<Control>> controls);
  // CLOSE: destroys the window and makes the thread's previous one current.
  void close(Window& window);
  Window* currentWindow() const;
  Window* window(std::uint32_t id) const;
  Window* application() const;
  bool isOpen(const Window* window) const;
  bool systemModal() const { return m_modalCount > 0; }

  // --- The accept loop (accept_loop.cpp) -----------------------------------
  bool accept();
  int event() const;
  int field() const;
  // KEYCODE: the key code (keycodes.h) of the current EVENT:AlertKey, 0 for
  // any other event or an alert that carried none.
  int keyCode() const;
  // The procedure declines the default action of the current event (e.g.
  // keeps the window open on EVENT:CloseWindow).
  void cycle();
  void select(int field);
  // Accepts every control of the current window in turn (completion).
  void selectAll();
  // POST: threadNumber 0 means the caller's own thread.
  void post(int event, int field = 0, int threadNumber = 0);

  // --- Thread input (thread_input.cpp) -------------------------------------
  // The calling thread's timer without a window: `handler` runs on this
  // thread, holding the lock, each time the timer fires while the thread
  // waits in ACCEPT (ticks are coalesced: at most one is pending).  A
  // period of 0 (hundredths of a second) or an empty handler stops it; the
  // timer also stops when the thread ends.
  void setThreadTimer(int periodHundredths, std::function<void()> handler);
  // PRESS: appends keystrokes to the calling thread's keyboard buffer; they
  // are typed into the focused control of its current window, as if the
  // user had typed them, when the thread next waits for messages.  More
  // than kKeyboardBuffer keystrokes pending is error 534 (nothing of the
  // string is kept then).
  void press(std::string_view keys);
  // Keystrokes pending in the calling thread's buffer.
  std::size_t pressedPending() const;

  // --- Operations on controls (window_ops.cpp) ----------------------------
  void hide(int first, int last = 0);
  void unhide(int first, int last = 0);
  void disable(int first, int last = 0);
  void enable(int first, int last = 0);
  void display(int first = 0, int last = 0);
  // CREATE: adds a control to the current window (error 541 while another
  // thread's window makes the system modal); its field number.
  int create(ControlState declared);
  // Binds a control of the current window to a variable and shows it.
  void use(int field, VarRef var);
  // Changes a control's value (writes its variable) and redisplays it.
  void change(int field, std::string_view value);
  // Property of the current window (field 0) or of one of its controls.
  std::string property(int field, int number) const;
  void setProperty(int field, int number, std::string_view value);
  // Rows of a list control.
  void setRows(int field, std::vector<std::string> rows);
  // The chosen row, radio or tab of a control (from 1; 0 none).
  std::int64_t choice(int field) const;

  // --- Dialogs and help (dialog_ops.cpp) -----------------------------------
  // MESSAGE: a modal box; the bit of the button pressed, 0 when it ended
  // otherwise.  The Runtime lock is released while the box is up, and the
  // focus goes back to the control that had it.
  int message(std::string_view text, std::string_view caption = {}, std::string_view icon = {},
              int buttons = 0, int defaultButtons = 0, bool systemModal = false);
  // The box of a runtime error or HALT (the language core's box hook while
  // a session runs): a MESSAGE box with OK, the stop icon for runtime
  // errors.  Unlike MESSAGE it keeps the Runtime lock (the program ends
  // next).  Any thread, with or without the lock.
  void haltBox(std::string_view caption, std::string_view text);
  // File dialog: 1 with the full path written into `file`, 0 when cancelled
  // (the variable unchanged).  flags: fileflag::kSave, kChangeDirectory;
  // without the latter the current directory is kept.
  int fileDialog(std::string_view title, const VarRef& file, std::string_view filter, int flags);
  // Printer dialog (setup dialog when `setup`): 1 when confirmed, 0 when
  // cancelled or when printing to a file and the file name was cancelled.
  int printerDialog(std::string_view title, bool setup);
  // Help(file, topic): see dialogs.h for topic texts.  A file becomes the
  // thread's help file; with neither, help on the focused control.  0 when
  // nothing could be shown (no help file).
  int help(std::string_view file = {}, std::string_view topic = {});
  std::string helpFile() const;
  // Performs a standard action (action::*) for a window of this thread.
  void standardAction(Window& w, int action);

  // --- Platform notices (any thread) ---------------------------------------
  // The user or the platform asks the session to end (log-off, SIGTERM).
  void endSessionRequested();
  // A request to terminate the program (SIGTERM): handed to the program's
  // end-of-session handler when it has one; otherwise remembered (never
  // refused with a box) and handed to the next handler installed, so that a
  // request that arrives while the program starts up is not lost, and one
  // that arrives while it closes down lets it close.
  void terminateRequested();
  // Replaces the default answer (the refusal box).  The handler runs on the
  // thread that reported the notice, without the lock: it may only post.
  // A termination request that is still pending is handed to it at once.
  void setEndSessionHandler(std::function<void()> handler);
  // POST from outside the runtime threads (no lock needed): queues the
  // event for the current window of a thread, if it has one.
  void postFromOutside(int event, int field, int threadNumber);
  // A window became the active one (GUI thread).
  void windowActivated(std::uint32_t id);

  // Exit code the program ends with (0 unless set).
  int exitCode() const { return m_exitCode; }
  // The halt a started thread ended with in test mode, if any.
  std::optional<std::string> lastThreadHalt() const;

 private:
  // One entry of the thread table.
  struct Slot {
    bool used = false;
    bool detached = true;
    pthread_t handle{};
    Procedure procedure;
    long stack = 0;  // the stack size accounted for the thread
    Window* current = nullptr;
    std::atomic<std::uint32_t> currentId{0};  // readable without the lock
    lang::LanguageState* language = nullptr;  // owned: freed by freeThreadLanguage
    std::string helpFile;                     // the thread's help file, "" none
    std::function<void()> timerHandler;       // the window-less timer's handler
    std::string keyboard;                     // PRESSed keystrokes not yet typed (UTF-8)
  };

  static void* threadEntry(void* arg);
  void runSlot(int slot);
  void endThread(int slot);
  void releaseAndWait(int slot);
  // Hands the thread's PRESSed keystrokes to its current window.
  void flushKeyboard(int slot);
  void dispatch(Window& w, const Message& msg);
  bool deliver(Window& w, EventRecord& record);
  void finishCurrent(Window& w);
  void advanceFrameClose(Window& frame);
  void endLoop(Window& w);
  void stepCompletion(Window& w);
  Window& require() const;
  void forRange(int first, int last, const std::function<void(Window&, Control&)>& op);
  void checkModalOp(const Window& w) const;
  void convertGeometry(Window& w);
  // Takes what the platform reports of a window's place and state into the
  // window (its position and size in its own units, its state).
  void takePlace(Window& w, const WindowPlace& place);
  int showHelp(const HelpCommand& command);
  // Help on the focused control of a window (its topic, else the window's)
  // in the thread's help file; F1 (programsFile) falls back to the file of
  // the program's first thread when the thread has none of its own.
  int helpOnFocus(Window* w, bool programsFile = false);

  Backend* m_backend = nullptr;
  MessageHub m_hub;
  RuntimeLock m_lock;
  std::unique_ptr<Slot[]> m_slots;
  mutable std::mutex m_slotMutex;  // guards slot allocation against end()
  std::map<std::uint32_t, std::unique_ptr<Window>> m_windows;
  std::uint32_t m_nextWindowId = 1;
  std::uint64_t m_nextOpenOrder = 1;
  int m_modalCount = 0;
  int m_modalSlot = -1;
  std::atomic<bool> m_started{false};
  bool m_applicationEnded = false;  // an application frame was open and closed (under the lock)
  std::atomic<int> m_activeWindow{0};
  std::mutex m_noticeMutex;
  std::function<void()> m_endSessionHandler;
  bool m_terminatePending = false;  // guarded by m_noticeMutex
  int m_exitCode = 0;
  std::optional<std::string> m_lastHalt;
};

// The process's runtime.
Runtime& runtime();

}  // namespace dw::ui
