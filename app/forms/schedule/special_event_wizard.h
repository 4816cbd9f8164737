// The reschedule wizard (SpecialEventWizard, module "DORN.vls$dorn003"):
// copies the task in SCH's record buffer (the one the schedule list has
// selected) into a new "Once" task with its own identifier, which the user
// may change page by page before finishing.  With "Skip next regular
// occurance of task being copied" set, finishing also makes the copied
// task skip its next occurrence, so the special event replaces it once.
//
// Called with the shared request 1 (requests.h); leaves the shared
// response 1 when the copy was stored and 2 when cancelled (the copy is
// then deleted again).
//
// Thread-safety: the caller's thread, under the Runtime lock; SCH's buffer
// is shared with the caller.
#pragma once

namespace dw::app {

inline constexpr const char* kSpecialEventModule = "DORN.vls$dorn003";
inline constexpr const char* kSpecialEventLabel = "RESCHEDULE$WINDOW";
inline constexpr const char* kSpecialEventSection = "SpecialEventWizard";

void SpecialEventWizard();

}  // namespace dw::app
