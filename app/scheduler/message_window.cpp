// The message window and its hand-over (see message_window.h).
#include "app/scheduler/message_window.h"

#include <algorithm>

#include "app/scheduler/driver_seams.h"
#include "app/data/field_types.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
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

void showMessageWindow(std::string message) {
  ui::Runtime& rt = runtime();
  message.resize(std::min(message.size(), kMessageTextSize));
  // What the text box shows; put back whenever the user edits it, since
  // the box only shows the message.
  char shown[kMessageTextSize + 1] = {};
  const auto reshow = [&] {
    std::fill(std::begin(shown), std::end(shown), '\0');
    std::copy(message.begin(), message.end(), shown);
  };
  reshow();

  ui::Window& window = ui::openWindow(kMessageModule, kMessageLabel, ui::WindowKind::MdiChild);
  restorePosition(kMessageSection, true, kIniFile);
  // A byte that stays at its top rather than wrap to 0.
  if (g_openMessageWindows < 255) ++g_openMessageWindows;
  rt.use(mw::kMessageText, ui::VarRef::cString(shown));

  while (rt.accept()) {
    noteWindowState(rt.event());
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
  savePosition(kMessageSection, kIniFile);
  rt.close(window);
}

int showTaskMessage(std::string_view message, int limit) {
  if (g_openMessageWindows < limit) {
    g_messageText.assign(message.substr(0, std::min(message.size(), kMessageTextSize)));
    return runtime().start([copy = g_messageText] { showMessageWindow(copy); }, kMessageStack);
  }
  runtime().message(trimRight(message), "", "", 0);
  return 0;
}

}  // namespace dw::app
