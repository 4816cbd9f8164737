// Starting programs the way a scheduled task asks for them: a command line
// run detached in the current directory, never waited for.
//
// The line is split into words as a shell would (blanks separate words,
// single and double quotes group them, a backslash escapes the next
// character).  A line with shell syntax of any kind runs under /bin/sh -c:
// operators (| & ; < >), subshells ( ), expansions ($ and the backquote,
// also inside double quotes), patterns (* ? [), a tilde or a comment "#" at
// the start of a word, a line break, an assignment prefix (VAR=value
// prog), or a first word that is a shell reserved word or built-in (if, cd,
// export, ...).  A line without any is started directly, so nothing in a file
// name ever reaches a shell.  An executable text file without a "#!" line
// runs under /bin/sh, as a shell would run it.
//
// "START " followed by a file opens that file with the desktop's default
// application (xdg-open); the rest of the line is the file name, taken whole.
// The opener's exit status is awaited for a moment, so that a file no
// application can open gives a failed start.
//
// The started program inherits no descriptor above 2 (standard input is
// /dev/null; output and errors are ours).
//
// The result follows the old program-start convention: above 31 on success,
// 31 or less on failure.
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

// Starts the command line; > 31 on success, else kFileNotFound (program or
// file not found), kPathNotFound, kAccessDenied (not executable), kBadFormat
// (unbalanced quotes, a binary the system cannot run), 31 (no application
// can open the file of a START) or another code <= 31.
std::uint32_t startDetached(const std::string& commandLine);

}  // namespace dw::platform
