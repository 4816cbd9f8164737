// What the main frame does with the data files: it opens History and the
// timer's Schedule declaration SCH1 when it starts (created when missing,
// shared with other processes), binds their memos for expressions
// ("HIS:Message", "SCH1:Message"), and closes them in order when it ends,
// each through the process's user counts.  installFrameWork fills the
// scheduler's seams (driver_seams.h): the timer work (CheckDueTask,
// CheckAdvanceWarning, PurgeCompleted, in that order), the next task of
// the minimised frame's title, the next tasks of the tray and the message window's to-do adder.
//
// Thread-safety: the main frame's thread (runtime thread 1), under the
// Runtime lock; installFrameWork before the program code runs.
#pragma once

namespace dw::app {

// Opens History, then SCH1; a file that cannot be opened or created ends
// the program in order.
void openFrameFiles();
// Lowers History's and then SCH1's count, closing each at 0.
void closeFrameFiles();

// One tick of an active scheduler.
void frameTimerWork();

void installFrameWork();

}  // namespace dw::app
