// The Setup window (see setup_window.h).
#include "app/frame/setup_window.h"

#include <cstdint>

#include "app/frame/autostart.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "app/scheduler/notifications.h"
#include "app/scheduler/tray_state.h"
#include "runtime/ui/events.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;

namespace {

// The controls' variables: the settings as the check boxes show them (not
// the inverted stored values).
struct SetupFields {
  std::int32_t historyExpires = 0;
  std::uint8_t schedule = 0, toDo = 0, minimized = 0, active = 0, full = 0, hideToolbar = 0;

  void take(const Settings& s) {
    historyExpires = s.historyExpires;
    schedule = s.startUpSchedule;
    toDo = s.startUpToDo;
    minimized = s.startUpMinimized;
    active = s.startUpActive;
    full = s.fullSchedule;
    hideToolbar = s.hideToolbar;
  }
  void give(Settings& s) const {
    s.historyExpires = historyExpires;
    s.startUpSchedule = schedule != 0;
    s.startUpToDo = toDo != 0;
    s.startUpMinimized = minimized != 0;
    s.startUpActive = active != 0;
    s.fullSchedule = full != 0;
    s.hideToolbar = hideToolbar != 0;
  }
};

}  // namespace

void Setup() {
  ui::Runtime& rt = runtime();
  SetupFields f;
  f.take(settings());
  ui::Window& window = ui::openWindow(kSetupModule, kSetupLabel, ui::WindowKind::Plain);
  restorePosition(kSetupSection, false, kIniFile);
  rt.use(setup::kHistoryExpires, ui::VarRef::of(f.historyExpires));
  rt.use(setup::kShowSchedule, ui::VarRef::of(f.schedule));
  rt.use(setup::kShowToDo, ui::VarRef::of(f.toDo));
  rt.use(setup::kMinimize, ui::VarRef::of(f.minimized));
  rt.use(setup::kActive, ui::VarRef::of(f.active));
  rt.use(setup::kFullSchedule, ui::VarRef::of(f.full));
  rt.use(setup::kHideToolbar, ui::VarRef::of(f.hideToolbar));
  // Start at login is not a setting of DORN.INI: the box shows whether the
  // autostart entry exists, and OK writes or removes the entry.
  std::uint8_t atLogin = autostartEnabled() ? 1 : 0;
  rt.use(setup::kStartAtLogin, ui::VarRef::of(atLogin));
  // Due messages as desktop notifications: DORN.INI, section "Desktop".
  std::uint8_t notify = notificationsChosen() ? 1 : 0;
  rt.use(setup::kNotifications, ui::VarRef::of(notify));
  // Closing the frame hides it in the tray: DORN.INI, section "Desktop".
  std::uint8_t keepInTray = keepInTrayChosen() ? 1 : 0;
  rt.use(setup::kKeepInTray, ui::VarRef::of(keepInTray));

  while (rt.accept()) {
    noteWindowState(rt.event());
    if (rt.event() == ev::kRejected) {
      // Text the entry's picture refuses: say so and show the value again.
      rt.backend().beep();
      rt.display(rt.field());
      continue;
    }
    if (rt.event() != ev::kAccepted) continue;
    switch (rt.field()) {
      case setup::kOK:
        (void)saveSettings();  // a failed write is not reported
        if ((notify != 0) != notificationsChosen()) (void)chooseNotifications(notify != 0);
        if ((keepInTray != 0) != keepInTrayChosen()) (void)chooseKeepInTray(keepInTray != 0);
        if (std::string error;
            (atLogin != 0) != autostartEnabled() && !setAutostart(atLogin != 0, &error))
          rt.message("Dornwatch cannot change its start at login.\r\n" + error, "Dornwatch Setup",
                     ui::stockIconString(ui::stock::kExclamation), ui::button::kOk);
        rt.post(ev::kCloseWindow);
        break;
      case setup::kCancel:
        loadSettings();
        f.take(settings());
        rt.post(ev::kCloseWindow);
        break;
      default:
        // An edited control: the setting changes now.
        f.give(settings());
        break;
    }
  }
  savePosition(kSetupSection, kIniFile);
  rt.close(window);
}

}  // namespace dw::app
