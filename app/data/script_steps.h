// A task's script steps: the Scripting records whose SCR:ID is the task's
// SCH:ID, in SCR:KeyID order (identifier, then sequence).  The Schedule's
// delete and update routines and dornctl's schedule store carry them with
// their task through these.
//
// Threads: under the Runtime lock; SCR must be open.  SCR's buffer and
// position are used.
#pragma once

#include <cstdint>

namespace dw::app {

// Reads the first step of task `id` (the lowest sequence, negative ones
// included) into SCR's buffer: 0 with `found`, or the error of the read.
int firstScriptStep(std::int64_t id, bool& found);
// Deletes every step of task `id`: 0 or the first error.
int deleteScriptSteps(std::int64_t id);
// Gives every step of task `from` the identifier `to`: 0 or the first error.
int moveScriptSteps(std::int64_t from, std::int64_t to);

}  // namespace dw::app
