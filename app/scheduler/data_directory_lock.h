// One scheduler per data directory.  Two schedulers on one schedule file
// would both find the same due task and run it twice, so the program takes
// an exclusive lock on a file in its data directory for as long as it runs;
// a second start on the same directory finds the lock taken and ends.
//
// The lock is a byte-range lock of the open lock file (not a marker whose
// presence counts), so the system drops it when the process ends in any
// way: after a crash the next start takes it over.  Other programs that
// only read or edit the data (the table tools, the command-line tool) do not
// take it and share the data files as the driver allows.
//
// Thread-safety: called once, at start-up, before any runtime thread.
#pragma once

#include <memory>
#include <string>

#include "runtime/platform/platform.h"

namespace dw::app {

// The lock file, in the current (data) directory.
inline constexpr const char* kSchedulerLockFile = "dornwatch.lock";

// Takes the lock of the data directory that is current; the open file that
// holds it (keep it for the life of the process), or null when another
// running scheduler holds it.  A lock file that cannot be opened at all (a
// read-only directory) does not stop the program: it runs unguarded and
// `error` says why.
std::unique_ptr<dw::platform::File> lockDataDirectory(bool* heldElsewhere, std::string* error);

// What the user is told when the directory is taken.
std::string alreadyRunningText(const std::string& dataDirectory);

}  // namespace dw::app
