// Run Now: performs the task in SCH's record buffer at once, whatever its
// date, without moving it to its next occurrence.
//
//  1. the alarm file is played (without waiting) when the task has one;
//  2. the last-run date and time become now;
//  3. a message task ("Display Message", or a type beginning with "Both")
//     opens a message window, or a modal box once 55 are open;
//  4. a program task ("Run Program", or "Both...") starts its command in
//     its "Start in" folder (when it has one; the current folder is put
//     back afterwards); a failed start says "Run code " and the error
//     under the caption "Error Starting " and the command;
//  5. a History record is added: the task's fields and message, the next
//     HIS:ID (1 for an empty file, moved on past any identifier taken
//     meanwhile), marked completed;
//  6. the task is written back with its new last-run fields.
// A failed start does not stop 5 and 6.  A "None" task only gets 2, 5, 6.
// The History file is normally held open by the main frame; Run Now opens
// it for the moment when nobody does.
//
// Thread-safety: the calling window's thread under the Runtime lock (SCH
// and HIS are process-wide; the message window starts on a thread of its
// own).
#pragma once

#include <string_view>

namespace dw::app {

inline constexpr int kRunNowStartFailedLimit = 31;  // a start's result at or below: failed

// Whether a task type shows a message / runs a program.
bool showsMessage(std::string_view taskType);
bool runsProgram(std::string_view taskType);

// Runs the task in SCH's buffer (the record was just read) as above.
// Returns 0, or the error of the History add or the write back (reported
// to the user already).
int RunNow();

}  // namespace dw::app
