// Opening and releasing the data files of the schedule lists with the
// process's user counts: a window opens a declaration only when no other
// window of the process holds it, raises its count, and the last one to
// let go closes it.
//
// A file that cannot be opened (or created when missing) is reported with
// "File Access Error" and the window does not open.
//
// Thread-safety: the window's thread under the Runtime lock (the counts and
// declarations are process-wide).
#pragma once

#include <string_view>

#include "runtime/db/declared_file.h"

namespace dw::app {

inline constexpr std::uint32_t kSharedCreateMode =
    0x142;  // read-write, shared, created when missing

// Opens `file` unless this process holds it and counts the user; binds its
// fields and memos on the calling thread.  False after the failure was
// reported (nothing counted).
bool acquireFile(db::DeclaredFile& file, std::string_view label);
// Lowers the count and closes the file when it reaches 0.
void releaseFile(db::DeclaredFile& file);

}  // namespace dw::app
