// Starting programs the way a scheduled task asks for them: a command line
// run detached in the current directory, never waited for.
//
// The line is split into words as a shell would (blanks separate words,
// single and double quotes group them, a backslash escapes the next
// character).  A line with shell syntax (| > < ; & $ or a backquote) runs
// under /bin/sh -c.  "START " followed by a file opens that file with the
// desktop's default application (xdg-open).  The result follows the old
// program-start convention: above 31 on success, 31 or less on failure.
//
// Thread-safety: any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dw::platform {

// What a successful start returns (any value above 31 means success).
inline constexpr std::uint32_t kStartedOk = 33;

// The words of a command line, or nullopt when its quotes are unbalanced or
// it ends in a lone backslash.
std::optional<std::vector<std::string>> splitCommandLine(const std::string& line);

// True when the line needs a shell to run.
bool needsShell(const std::string& line);

// Starts the command line; > 31 on success, else kFileNotFound (program not
// found), kPathNotFound, kAccessDenied (not executable), kBadFormat (empty
// line or unbalanced quotes) or another code <= 31.
std::uint32_t startDetached(const std::string& commandLine);

}  // namespace dw::platform
