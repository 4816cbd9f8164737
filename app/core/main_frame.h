// The main frame procedure and the program code that calls it.
//
// Main opens the frame window MAIN$APPFRAME of module "DORN.vls$dorn008"
// as the APPLICATION on the program's first thread and runs its accept
// loop until the frame closes (File > Exit, the close box, or the end of
// the session reaching it as EVENT:CloseDown).
//
// Thread-safety: runs on runtime thread 1 under the Runtime lock.
#pragma once

namespace dw::app {

inline constexpr const char* kFrameModule = "DORN.vls$dorn008";
inline constexpr const char* kFrameLabel = "MAIN$APPFRAME";
inline constexpr const char* kApplicationTitle = "Dornwatch '96";
inline constexpr const char* kHelpFile = "DORN.HLP";

// Field numbers of the frame's menu bar and tool bar.
namespace frame {
inline constexpr int kSetup = -1;
inline constexpr int kPrintSetup = -2;
inline constexpr int kExit = -3;
inline constexpr int kViewSchedule = -5;
inline constexpr int kAddMessage = -7;
inline constexpr int kAddProgram = -8;
inline constexpr int kGenericAdd = -9;
inline constexpr int kToDoList = -10;
inline constexpr int kCategories = -11;
inline constexpr int kAbout = -25;
inline constexpr int kToolAddProgram = -26;
inline constexpr int kToolAddMessage = -27;
inline constexpr int kToolSchedule = -28;
inline constexpr int kToolToDo = -29;
}  // namespace frame

// The main frame procedure.
void Main();

// The program code: what the runtime calls on thread 1.
void ProgramCode();

// The menu item a tool bar button stands for (0 for none).
int menuItemForToolButton(int field);

}  // namespace dw::app
