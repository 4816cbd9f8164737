// The task form (UpdateSchedule, window UPDATE$WINDOW of module
// "DORN.vls$dorn005"): adds, changes or deletes the task in SCH's record
// buffer, as the shared request asks (requests.h): 1 insert, 2 change,
// 3 delete.  Leaves the shared response 1 when the task was stored or
// deleted and 2 when the user cancelled.
//
// Insert primes a new record at once (the next SCH:ID, added with up to
// three retries) so that the identifier is taken while the user types; a
// form that closes without completing deletes it again.  Delete asks
// "Confirm Delete" and never opens the window.
//
// Thread-safety: runs on the caller's thread (usually one started for the
// schedule list), under the Runtime lock; SCH's buffer is shared with the
// caller.
#pragma once

#include <cstdint>

namespace dw::app {

inline constexpr const char* kUpdateScheduleModule = "DORN.vls$dorn005";
inline constexpr const char* kUpdateScheduleLabel = "UPDATE$WINDOW";
inline constexpr const char* kUpdateScheduleSection = "UpdateSchedule";

void UpdateSchedule();

// The day the schedule list has picked (Pick Day), 0 for none: a task added
// through the form starts on it instead of today.  Guarded by the Runtime
// lock; the schedule list keeps it.
std::int32_t& selectedDay();

}  // namespace dw::app
