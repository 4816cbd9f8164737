// INI ("profile") files, read and written the way the Win32 private-profile
// functions do it.
//
// A file is a list of lines.  "[name]" starts a section (blanks inside the
// brackets ignored; a header missing its "]" runs to the end of the line);
// "key=value" inside a section is an entry (blanks around the key, the "="
// and the value ignored); every other line (comments starting with ";",
// blank lines, lines without "=") is kept as it is and never matches.
// Sections and keys match without regard to case; of duplicate sections or
// keys the first one counts, for reading and for writing.  Lines may end in
// LF or CR LF, and the last one may have no end at all.
//
// Writing changes only the line it must (or adds the entry at the end of
// its section, or the section at the end of the file) and leaves every other
// byte as it was, a leading UTF-8 byte-order mark included.  Keys are matched
// trimmed on writes and deletes as on reads.  The new file is written beside
// the old one with its permissions and owner, flushed and renamed over it,
// so a crash leaves either the old file or the new one; temporary files that
// a crash left are removed by the next write.  A symbolic link is written
// through (its target changes, the link stays).  A writable file in a
// directory where no temporary file can be made is rewritten in place.
// A file name without a directory is taken from the profile directory.
//
// A value between a matching pair of double or single quotes reads without
// them (so blanks at its ends survive); a write stores the value as given.
//
// All file work goes through platform(), so tests can inject faults.
// Thread-safety: any thread.  Writes are serialised, between processes too
// (through a lock file "<file>.lock" left beside the file); reads take no
// lock, since the file they see is always a whole one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "runtime/platform/os_error.h"

namespace dw::platform {

// The longest value a read returns; longer ones are cut.
inline constexpr std::size_t kProfileValueMax = 1023;
// Files above this size are not read (reads give the default, writes fail).
inline constexpr std::size_t kProfileFileMax = 16u << 20;

// The value of key in section, or `defaultValue` (trailing blanks removed)
// when the file, the section or the key is missing.
std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file);

// Stores value under key in section, creating the file, the section or the
// entry as needed.  Without a value the key is deleted; without a key the
// whole section is.  Fails (kInvalidParameter) for names that the format
// cannot hold: an empty section or key, a section with "]", a key with "=",
// a key starting with ";" or "[", any of them with a
// line break or NUL; or with the platform's file error.
OsStatus writeProfileString(const std::string& section, const std::optional<std::string>& key,
                            const std::optional<std::string>& value, const std::string& file);

// The full path that `file` names: itself when it holds a "/", else the file
// of that name in the profile directory (an existing file whose name differs
// only in case is taken when there is one).
std::string resolveProfilePath(const std::string& file);

}  // namespace dw::platform
