// The frame's context menu: the Window menu's commands (Tile, Cascade,
// Arrange Icons) as a POPUP at the mouse, shown when the user asks for a
// context menu on the frame (EVENT:AlertKey for field 0: a right click on
// the client area, the Menu key or Shift+F10).
//
// Thread-safety: the frame's thread under the Runtime lock (POPUP gives
// the lock up while the menu is on screen).
#pragma once

namespace dw::app {

inline constexpr const char* kFramePopupMenu = "T&ile|&Cascade|&Arrange Icons";

// The Window menu item (a frame field number) a popup choice stands for;
// 0 for a dismissed menu.
int frameMenuItemForPopup(int choice);

// Shows the popup and performs the command chosen, as its menu item would.
void FramePopup();

}  // namespace dw::app
