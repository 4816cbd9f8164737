// The frame's windows (frame_windows.h): each menu item with the procedure
// it starts and that procedure's stack.
#include "app/forms/frame_windows.h"

#include "app/core/frame_menu.h"
#include "app/core/main_frame.h"
#include "app/forms/add_message_wizard.h"
#include "app/forms/add_program_wizard.h"
#include "app/forms/add_task_wizard.h"

namespace dw::app {

void installFrameWindows() {
  setMenuProcedure(frame::kAddMessage, &AddMessageWizard, kSmallStack);
  setMenuProcedure(frame::kAddProgram, &AddProgramWizard, kSmallStack);
  setMenuProcedure(frame::kGenericAdd, &AddTaskWizard, kSmallStack);
}

}  // namespace dw::app
