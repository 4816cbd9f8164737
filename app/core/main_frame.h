// The main frame procedure and the program code that calls it.
//
// Main opens the frame window MAIN$APPFRAME of module "DORN.vls$dorn008"
// as the APPLICATION on the program's first thread and runs its accept
// loop until the frame closes (File > Exit, the close box, or the end of
// the session reaching it as EVENT:CloseDown).
//
// Thread-safety: runs on runtime thread 1 under the Runtime lock.
#pragma once

#include "fields/dorn008.h"

namespace dw::app {

inline constexpr const char* kFrameModule = "DORN.vls$dorn008";
inline constexpr const char* kFrameLabel = "MAIN$APPFRAME";
inline constexpr const char* kApplicationTitle = "Dornwatch '96";
inline constexpr const char* kHelpFile = "DORN.HLP";

// Field numbers of the frame's menu bar and tool bar (and of the About
// window), written by rescomp from the names in resources/windows/dorn008.dws.
namespace frame = dorn008;

// The main frame procedure.
void Main();

// The program code: what the runtime calls on thread 1.
void ProgramCode();

// The menu item a tool bar button stands for (0 for none).
int menuItemForToolButton(int field);

}  // namespace dw::app
