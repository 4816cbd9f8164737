// How the open routine opens a file, replaceable by tests: the file driver
// of this system keeps keys in the data file and never answers an open with
// 46 (keys must be rebuilt), which drivers with separate key files do; a
// test stands in for such a driver to walk the rebuild path over a real
// file whose keys are really stale.
//
// Threads: set before the code under test runs.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/db/declared_file.h"

namespace dw::app {

// Opens `file` in `mode` and returns the posted error code.  An empty
// function restores the ordinary open.
using FileOpener = std::function<int(db::DeclaredFile& file, std::uint32_t mode)>;
void setFileOpenerForTesting(FileOpener open);

}  // namespace dw::app
