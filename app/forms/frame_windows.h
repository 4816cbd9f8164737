// The windows of the application's forms that the main frame starts from
// its menu and tool bar, registered with the frame (app/core/frame_menu.h)
// when the program starts.
//
// Threads: call once at start, before the program code runs.
#pragma once

namespace dw::app {

void installFrameWindows();

}  // namespace dw::app
