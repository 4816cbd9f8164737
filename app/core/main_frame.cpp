// The main frame (see main_frame.h).  The scheduler's timer work, the
// tables, the INI settings and the windows started from the menu arrive
// with their own procedures; until then their menu items do nothing.
#include "app/core/main_frame.h"

#include "app/core/about_window.h"
#include "app/core/frame_popup.h"

#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
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

void Main() {
  ui::Runtime& rt = runtime();
  ui::Window& window = ui::openWindow(kFrameModule, kFrameLabel, ui::WindowKind::Application);
  rt.setProperty(0, ui::prop::kText, kApplicationTitle);
  // The platform may end the session: allow it, and close the frame.
  const int thread = rt.threadNumber();
  rt.setEndSessionHandler([thread] { runtime().postFromOutside(ev::kCloseDown, 0, thread); });
  bool initialised = false;
  while (rt.accept()) {
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
      case ev::kAccepted:
        if (const int item = menuItemForToolButton(rt.field())) rt.post(ev::kAccepted, item);
        if (rt.field() == frame::kAbout) AboutWindow();
        break;
      default:
        break;
    }
  }
  rt.setEndSessionHandler(nullptr);
  rt.close(window);
}

void ProgramCode() {
  runtime().help(kHelpFile);
  Main();
}

}  // namespace dw::app
