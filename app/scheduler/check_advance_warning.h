// The advance-warning check: the second part of the main frame's timer
// work, after the due-task check.
//
// Each tick it reads the first record of SCH1:KeyAdvanced (unwarned
// warnings first, by warning date and time).  When that warning's moment
// has passed (strictly, as for due tasks) it shows the box "Advanced
// Warning" with the task's date, time and what it will do
// (advanceWarningText, frame_title.h), unless the task's next occurrence is
// to be skipped, and marks the task warned.  At most one warning per tick.
// Tasks without a schedule type are passed over.  The record is claimed
// with HOLD and WATCH as the due-task check claims its task, so two
// processes never both warn of one occurrence.
//
// Thread-safety: the main frame's thread only, under the Runtime lock.
// SCH1 must be open.
#pragma once

namespace dw::app {

inline constexpr const char* kAdvancedWarningCaption = "Advanced Warning";

void CheckAdvanceWarning();

}  // namespace dw::app
