// The Setup window (Setup, window SETUP$WINDOW of module "DORN.vls$dorn016"):
// edits the process-wide settings (settings.h) in place, so that a change
// takes effect at once for everything that consults the settings later (the
// scheduler's active switch at the next timer tick, the purge's days at the
// next purge, the full schedule at the next opening of the schedule list).
// "&OK" writes the seven keys to DORN.INI; "Cancel" reads them back from
// DORN.INI, undoing the edits.  The window keeps its position in the section
// "Setup".  "Start Dornwatch when I log in" shows whether the autostart
// entry exists (autostart.h); "&OK" writes or removes it.  "Show messages
// as desktop notifications" and "Keep running in the tray when the frame is
// closed" live in the section "Desktop" (notifications.h, tray_state.h) and
// are written by "&OK".
//
// Thread-safety: runs on the main frame's thread (thread 1), under the
// Runtime lock; the frame's loop and its timer work wait meanwhile.
#pragma once

#include "fields/dorn016.h"

namespace dw::app {

inline constexpr const char* kSetupModule = "DORN.vls$dorn016";
inline constexpr const char* kSetupLabel = "SETUP$WINDOW";
inline constexpr const char* kSetupSection = "Setup";

namespace setup = dorn016;

void Setup();

}  // namespace dw::app
