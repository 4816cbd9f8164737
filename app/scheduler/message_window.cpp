// The message window and its hand-over (see message_window.h).
#include "app/scheduler/message_window.h"

#include <algorithm>

#include "app/data/app_files.h"
#include "app/data/field_types.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "app/scheduler/driver_seams.h"
#include "app/scheduler/notifications.h"
#include "app/scheduler/pending_messages.h"
#include "runtime/lang/picture.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace mw = message_window;

namespace {

// Guarded by the Runtime lock.
std::string g_messageText;
std::uint8_t g_openMessageWindows = 0;

}  // namespace

std::string& messageText() {
  return g_messageText;
}
std::uint8_t& openMessageWindows() {
  return g_openMessageWindows;
}

void ShowMessage() {
  // The window's own copy, taken before anything can give the lock up.
  showMessageWindow(g_messageText);
}

std::string firstShownLine(std::int32_t date, std::int32_t time) {
  return "First shown " + lang::format(static_cast<double>(date), "@d3") + " " +
         lang::format(static_cast<double>(time), "@t3");
}

void showMessageWindow(std::string message, PendingRef pending) {
  ui::Runtime& rt = runtime();
  message.resize(std::min(message.size(), kMessageTextSize));
  // What the text box shows; put back whenever the user edits it, since
  // the box only shows the message.  A message shown again says first when
  // it appeared.
  std::string text = message;
  if (pending.restored)
    text = firstShownLine(pending.shownDate, pending.shownTime) + "\r\n" + message;
  text.resize(std::min(text.size(), kMessageTextSize));
  char shown[kMessageTextSize + 1] = {};
  const auto reshow = [&] {
    std::fill(std::begin(shown), std::end(shown), '\0');
    std::copy(text.begin(), text.end(), shown);
  };
  reshow();

  ui::Window& window = ui::openWindow(kMessageModule, kMessageLabel, ui::WindowKind::MdiChild);
  restorePosition(kMessageSection, true, kIniFile);
  // A byte that stays at its top rather than wrap to 0.
  if (g_openMessageWindows < 255) ++g_openMessageWindows;
  rt.use(mw::kMessageText, ui::VarRef::cString(shown));

  bool closedByUser = false;
  while (rt.accept()) {
    noteWindowState(rt.event());
    // The close box and Close end the window with CloseWindow; the end of
    // the program closes it with CloseDown, which leaves it pending.
    if (rt.event() == ev::kCloseWindow) closedByUser = true;
    if (rt.event() != ev::kAccepted) continue;
    switch (rt.field()) {
      case mw::kAddToDo:
        addMessageToToDo(message);
        break;
      case mw::kMessageText:
        reshow();
        rt.display(mw::kMessageText);
        break;
      case mw::kClose:
        rt.post(ev::kCloseWindow);
        break;
      default:
        break;
    }
  }
  if (g_openMessageWindows > 0) --g_openMessageWindows;
  if (closedByUser && pending.id != 0) (void)removePendingMessage(pending.id);
  savePosition(kMessageSection, kIniFile);
  rt.close(window);
}

int showTaskMessage(std::string_view message, int limit, std::uint32_t pendingId) {
  if (pendingId == 0) {
    PendingMessage entry;
    entry.text = std::string(message.substr(0, std::min(message.size(), kMessageTextSize)));
    pendingId = addPendingMessage(std::move(entry)).value_or(0);
  }
  if (notifyMessage(message, pendingId)) return 0;
  return showMessageWindowNow(message, limit, pendingId);
}

int showMessageWindowNow(std::string_view message, int limit, std::uint32_t pendingId) {
  if (g_openMessageWindows < limit) {
    g_messageText.assign(message.substr(0, std::min(message.size(), kMessageTextSize)));
    const int thread = runtime().start(
        [copy = g_messageText, pendingId] { showMessageWindow(copy, {pendingId}); }, kMessageStack);
    if (thread != 0) return thread;
  } else {
    runtime().message(trimRight(message), "", "", 0);
  }
  if (pendingId != 0) (void)removePendingMessage(pendingId);
  return 0;
}

int restorePendingMessages() {
  std::string error;
  std::vector<PendingMessage> messages = readPendingMessages(&error);
  int started = 0;
  for (const PendingMessage& m : messages) {
    if (!m.confirmed) {
      ScheduleFile& f = SCH1();
      f->ID = m.taskId;
      const bool unclaimed = f.get(sch_key::kKeyID) == 0 && f->Completed == 0 &&
                             f->Date == m.date && f->Time == m.time;
      if (unclaimed) {
        (void)removePendingMessage(m.id);
        continue;
      }
      (void)confirmPendingMessage(m.id);
    }
    const PendingRef ref{m.id, true, m.shownDate, m.shownTime};
    if (runtime().start([text = m.text, ref] { showMessageWindow(text, ref); }, kMessageStack))
      ++started;
  }
  return started;
}

}  // namespace dw::app
