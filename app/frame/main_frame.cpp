// The main frame (see main_frame.h).  The scheduler's timer work and the
// next tasks of the title and the tray come from the schedule file through
// driver_seams.h; the windows started from the menu are registered with
// frame_menu.h, and an item whose window is missing says so in the status
// bar.
#include "app/frame/main_frame.h"

#include <algorithm>
#include <optional>
#include <string>

#include "app/data/requests.h"
#include "app/frame/frame_menu.h"
#include "app/frame/frame_popup.h"
#include "app/frame/setup_window.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "app/scheduler/driver_seams.h"
#include "app/scheduler/frame_title.h"
#include "app/scheduler/main_frame_work.h"
#include "app/scheduler/message_window.h"
#include "app/scheduler/tray_state.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;

int menuItemForToolButton(int field) {
  switch (field) {
    case frame::kToolAddProgram:
      return frame::kAddProgram;
    case frame::kToolAddMessage:
      return frame::kAddMessage;
    case frame::kToolSchedule:
      return frame::kViewSchedule;
    case frame::kToolToDo:
      return frame::kToDoList;
    default:
      return 0;
  }
}

namespace {

// The menu items that start a window of their own.
bool startsAWindow(int field) {
  switch (field) {
    case frame::kViewSchedule:
    case frame::kAddMessage:
    case frame::kAddProgram:
    case frame::kGenericAdd:
    case frame::kToDoList:
    case frame::kCategories:
    case frame::kReportByDate:
    case frame::kReportByCategory:
    case frame::kReportBrief:
    case frame::kReportCategories:
    case frame::kReportToDo:
      return true;
    default:
      return false;
  }
}

// The tray's texts, worked out here on the frame's thread (the tray itself
// lives on the GUI thread and never reads the schedule).
void refreshTray(bool active) {
  if (!trayWanted()) return;
  publishTrayState(trayState(kApplicationTitle, active, nextTasks(kTrayTasks), keepInTrayChosen()));
}

// Each timer tick of the frame: the switch the tray asked for, the
// scheduler's work while it is active, then the title that tells the user
// what state it is in, and the tray's texts.
void frameTick() {
  if (const std::optional<bool> wanted = takeActiveRequest();
      wanted && *wanted != settings().startUpActive) {
    settings().startUpActive = *wanted;
    (void)saveSettings();  // as Setup's OK; a failed write is not reported
  }
  const bool active = settings().startUpActive;
  if (active) runTimerWork();
  const std::optional<NextTask> next = active ? nextTask() : std::nullopt;
  runtime().setProperty(0, ui::prop::kText,
                        frameTitle(kApplicationTitle, active, currentPlacement().minimized, next));
  refreshTray(active);
}

}  // namespace

void About() {
  ui::Runtime& rt = runtime();
  char title[33] = {};
  char version[6] = {};
  std::copy_n(kApplicationTitle, std::char_traits<char>::length(kApplicationTitle), title);
  std::copy_n(kVersion, std::char_traits<char>::length(kVersion), version);
  ui::Window& window = ui::openWindow(kFrameModule, kAboutLabel, ui::WindowKind::Plain);
  restorePosition(kAboutSection, false, kIniFile);
  rt.use(frame::kAboutTitle, ui::VarRef::cString(title));
  rt.use(frame::kAboutVersion, ui::VarRef::cString(version));
  while (rt.accept()) {
    noteWindowState(rt.event());
    if (rt.event() == ev::kAccepted && rt.field() == frame::kAboutClose) rt.post(ev::kCloseWindow);
  }
  savePosition(kAboutSection, kIniFile);
  rt.close(window);
}

namespace {
bool g_minimizedStart = false;  // set before the program's threads start
}  // namespace

void requestMinimizedStart() {
  g_minimizedStart = true;
}

void Main() {
  ui::Runtime& rt = runtime();
  globalRequest() = 0;
  globalResponse() = 0;
  openFrameFiles();
  ui::Window& window = ui::openWindow(kFrameModule, kFrameLabel, ui::WindowKind::Application);
  rt.setProperty(0, ui::prop::kText, kApplicationTitle);
  loadSettings();
  startStartUpWindows(settings().startUpSchedule, settings().startUpToDo);
  // Messages the user had not closed when the program last ended.
  restorePendingMessages();
  if (settings().startUpMinimized || g_minimizedStart) rt.setProperty(0, kIconizeProperty, "1");
  // The platform may end the session: allow it, and close the frame.
  const int thread = rt.threadNumber();
  rt.setEndSessionHandler([thread] { runtime().postFromOutside(ev::kCloseDown, 0, thread); });
  bool initialised = false;
  while (rt.accept()) {
    noteWindowState(rt.event());
    switch (rt.event()) {
      case ev::kOpenWindow:
        if (!initialised) {
          rt.display();
          initialised = true;
        }
        break;
      case ev::kGainFocus:
      case ev::kSized:
        rt.display();
        break;
      case ev::kAlertKey:
        if (rt.field() == 0) FramePopup();
        break;
      case ev::kRejected:
        rt.backend().beep();
        rt.display(rt.field());
        break;
      case ev::kTimer:
        frameTick();
        break;
      case ev::kAccepted:
        if (rt.field() == frame::kSetup) {
          Setup();
          refreshTray(settings().startUpActive);
          rt.display();
        } else if (rt.field() == frame::kAbout) {
          About();
          rt.display();
        } else if (const int item = menuItemForToolButton(rt.field())) {
          rt.post(ev::kAccepted, item);
        } else if (startsAWindow(rt.field())) {
          startMenuProcedure(rt.field());
          rt.display();
        }
        break;
      default:
        break;
    }
  }
  rt.setEndSessionHandler(nullptr);
  closeFrameFiles();
  rt.close(window);
  globalResponse() = response::kCancelled;
}

void ProgramCode() {
  runtime().help(kHelpFile);
  Main();
}

}  // namespace dw::app
