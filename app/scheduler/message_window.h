// The message window (ShowMessage, window MESSAGE$WINDOW of module
// "DORN.vls$dorn026"): shows the message of a task on a thread of its own,
// so that several messages can be on the screen at once.
//
// Hand-over.  A starter copies the message into the process-wide message
// text (1,024 characters) right before it starts the window's thread, and
// ShowMessage copies it first thing, so a later message cannot change a
// window already shown.  showTaskMessage goes further and hands the new
// thread its own copy taken at the start: two messages started before
// either window ran (by one starter, or by two threads one after the
// other) each show their own text rather than both the later one.  Each window raises the
// process-wide count of open message windows (a byte, 0 to 255) when it opens and lowers it when it
// closes; starters fall back to a modal box once the count reaches their limit (60 for the due-task
// dispatch, 55 for Run Now).
//
// Thread-safety: the message text and the count are guarded by the Runtime
// lock: only a runtime thread holding it reads or writes them, and the lock
// is held from the starter's copy to the new window's copy (the new thread
// cannot run before the starter gives the lock up).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fields/dorn026.h"

namespace dw::app {

inline constexpr const char* kMessageModule = "DORN.vls$dorn026";
inline constexpr const char* kMessageLabel = "MESSAGE$WINDOW";
inline constexpr const char* kMessageSection = "ShowMessage";
inline constexpr std::size_t kMessageTextSize = 1024;
inline constexpr long kMessageStack = 10000;
inline constexpr int kDispatchMessageLimit = 60;
inline constexpr int kRunNowMessageLimit = 55;

namespace message_window = dorn026;

// The process-wide message text handed to the next message window.  Guarded
// by the Runtime lock.
std::string& messageText();
// The count of open message windows.  Guarded by the Runtime lock.
std::uint8_t& openMessageWindows();

// The message window procedure, showing the process-wide message text.
void ShowMessage();

// A message window's entry in the file of messages not yet closed
// (pending_messages.h): closing the window removes it.  `restored` for a
// message shown again at start: the window names when it first appeared.
struct PendingRef {
  std::uint32_t id = 0;  // 0: the message is not kept
  bool restored = false;
  std::int32_t shownDate = 0, shownTime = 0;
};

// The same window showing `message`.  The user's closing it (Close, the
// close box) removes its pending entry; the program's ending does not.
void showMessageWindow(std::string message, PendingRef pending = {});

// The first line of a message shown again: "First shown " and the day and
// time it first appeared ("@d3", "@t3").
std::string firstShownLine(std::int32_t date, std::int32_t time);

// Shows `message` the way a starter does: when fewer than `limit` message
// windows are open, copies it into the message text (cut to 1,024
// characters) and starts the message window with that copy on a thread of
// its own (stack 10,000 bytes); otherwise
// shows it (trailing blanks removed) in a box with no caption and OK.
// Returns the new thread's number, or 0 (the box was shown, or no thread
// could be started: then nothing is shown, as with any failed START).
// The message is kept as pending until the user closes it: under
// `pendingId` when the caller wrote its entry (the due-task check, before
// it claims the occurrence), else under a new entry written here.
// When the user chose desktop notifications and the desktop has the
// service, the message goes out as a notification instead
// (notifications.h).
int showTaskMessage(std::string_view message, int limit, std::uint32_t pendingId = 0);
// The window (or, past `limit`, the box) of showTaskMessage, never a
// notification: for a notification's "Open".
int showMessageWindowNow(std::string_view message, int limit, std::uint32_t pendingId);

// At start, with SCH1 open: shows again every message of the file of
// pending messages.  An unconfirmed one whose task still stands at its
// occurrence was never claimed and is dropped (the occurrence runs again).
// The number of windows started.
int restorePendingMessages();

}  // namespace dw::app
