// The frame's context menu (see frame_popup.h).
#include "app/frame/frame_popup.h"

#include "app/frame/main_frame.h"
#include "runtime/ui/events.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

int frameMenuItemForPopup(int choice) {
  switch (choice) {
    case 1:
      return frame::kTile;
    case 2:
      return frame::kCascade;
    case 3:
      return frame::kArrangeIcons;
    default:
      return 0;
  }
}

void FramePopup() {
  // The menu item's own standard action runs when its EVENT:Accepted is
  // dispatched, exactly as when it is chosen from the menu bar.
  if (const int item = frameMenuItemForPopup(ui::popup(kFramePopupMenu)))
    ui::runtime().post(ui::ev::kAccepted, item);
}

}  // namespace dw::app
