// RunCommand: the scheduler's own program starter.
//
// It trims trailing blanks from the command line, keeps the command (80
// characters) and the start's result in a process-wide pair, and starts
// the program through the platform without waiting for it.  A result of
// 31 or less is a failed start; the due-task check reports it with
// startFailureText / startFailureCaption.  The program starts in the
// current directory: the caller makes the task's "Start in" directory
// current first (enterStartDirectory) and puts the old one back after.
//
// Thread-safety: the pair is guarded by the Runtime lock; call on a runtime
// thread that holds it (the main frame's).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw::app {

inline constexpr std::size_t kRunCommandWidth = 80;

// The last command started and its result (0 before the first start).
struct LastStart {
  std::string command;
  std::uint16_t result = 0;
};
LastStart& lastStart();

// Starts `command`; the start's result (above 31: started).
std::uint16_t RunCommand(std::string_view command);

inline bool startSucceeded(std::uint16_t result) {
  return result > 31;
}

// "Run code N" and "Error Starting COMMAND": the box of a failed start.
std::string startFailureText(std::uint16_t result);
std::string startFailureCaption(std::string_view command);

// Makes `path` (trailing blanks removed) the current directory unless it
// is blank, and returns the directory that was current before.  A
// directory that cannot be entered posts 303 "Path Not Found" and leaves
// the current directory as it was.
std::string enterStartDirectory(std::string_view path);
// Makes `previous` current again (errors are not posted).
void leaveStartDirectory(const std::string& previous);

}  // namespace dw::app
