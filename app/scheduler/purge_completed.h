// The purge of completed records: the last part of the main frame's timer
// work, after the due-task and advance-warning checks.
//
// With "HistoryExpires" (settings.h) at 0 it does nothing.  Otherwise it
// walks SCH1:KeyDateEnabled from the first disabled record (disabled 1,
// date 0, time 0) in date order and deletes every completed record whose
// date plus HistoryExpires lies before today; disabled tasks that are not
// completed are passed over, however old; the walk ends at the first
// record recent enough, or at the end of the table.  Any number of records
// may go in one tick; failed deletes (a record held elsewhere) are not
// reported and are tried again next tick.  Enabled tasks are never visited.
//
// Thread-safety: the main frame's thread only, under the Runtime lock.
// SCH1 must be open.
#pragma once

namespace dw::app {

void PurgeCompleted();

}  // namespace dw::app
