// The windows of the application's forms that the main frame starts from
// its menu and tool bar, registered with the frame (app/frame/frame_menu.h)
// when the program starts, and the task form, the reschedule wizard and the
// calendar connected to the schedule windows (schedule_calls.h).
//
// Threads: call once at start, before the program code runs.
#pragma once

namespace dw::app {

void installFrameWindows();

}  // namespace dw::app
