// New identifiers of Schedule records: the highest SCH:ID in the table
// plus 1, or 1 for an empty table.  The update form, the wizards, the
// due-task check (for completed copies) and dornctl all issue them here.
//
// Threads: under the Runtime lock, on the thread using the declaration.
#pragma once

#include <cstdint>

#include "app/data/app_files.h"

namespace dw::app {

// Reads the last entry of SCH:KeyID through `file` (SCH or SCH1, open).
// The declaration's record and memo buffers are kept as they were; its
// sequential position is left at the end of KeyID.  0 and the identifier
// in `id`, or the file's error (posted); 40 when the highest identifier
// is already the largest number a LONG holds.
int nextScheduleId(ScheduleFile& file, std::int32_t& id);

// Whether a record with this identifier exists (the buffers are kept).
bool scheduleIdExists(ScheduleFile& file, std::int32_t id);

}  // namespace dw::app
