// The main frame procedure and the program code that calls it.
//
// Main opens History and SCH1 (main_frame_work.h), then the frame window
// MAIN$APPFRAME of module "DORN.vls$dorn008" as the APPLICATION on the
// program's first thread, and runs its accept loop until the frame closes
// (File > Exit, the close box, or the end of the session reaching it as
// EVENT:CloseDown); then it closes the two tables again.
//
// Thread-safety: runs on runtime thread 1 under the Runtime lock.
#pragma once

#include "fields/dorn008.h"

namespace dw::app {

inline constexpr const char* kFrameModule = "DORN.vls$dorn008";
inline constexpr const char* kFrameLabel = "MAIN$APPFRAME";
inline constexpr const char* kApplicationTitle = "Dornwatch '96";
inline constexpr const char* kVersion = "1.1b";
inline constexpr const char* kHelpFile = "DORN.HLP";
inline constexpr const char* kAboutLabel = "ABOUT$WINDOW";
inline constexpr const char* kAboutSection = "About";

// Field numbers of the frame's menu bar and tool bar (and of the About
// window), written by rescomp from the names in resources/windows/dorn008.dws.
namespace frame = dorn008;

// The main frame procedure.  It reads the settings of DORN.INI when it
// starts (minimising the frame when asked), runs the scheduler's timer work
// on each tick while the scheduler is active and keeps the title telling
// whether it is (frame_title.h), and calls Setup and About on its own
// thread from the File and Help menus.
void Main();

// The About window (ABOUT$WINDOW): the application title and version; it
// keeps its position in the section "About".
void About();

// The program code: what the runtime calls on thread 1.
void ProgramCode();

// The frame starts minimised whatever "Minimize at start up" says (the
// command line's --minimized, as the autostart entry starts the program).
// Call before the program code runs.
void requestMinimizedStart();

// The menu item a tool bar button stands for (0 for none).
int menuItemForToolButton(int field);

}  // namespace dw::app
