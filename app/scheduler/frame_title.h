// The texts the scheduler shows to the user outside the database: the main
// frame's title and the advance warning of a task.
//
// Title: with the scheduler inactive, the application title (trailing
// blanks removed) and " (Inactive)".  Active, the bare title, unless the
// frame is minimised and an enabled task is next: then "title - description
// date time" (date "@d3", time "@t3"), so that the task bar shows what
// comes next.
//
// Thread-safety: pure functions, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw::app {

// The first enabled task of the schedule, as the title shows it.
struct NextTask {
  std::string description;
  std::int32_t date = 0;  // day number
  std::int32_t time = 0;  // hundredths of a second since midnight, plus one
};

std::string frameTitle(std::string_view applicationTitle, bool active, bool minimized,
                       const std::optional<NextTask>& next);

// The advance warning's text: the task's date ("@d3"), a blank, its time
// ("@t3") and a carriage return, then by task type: the memo for "Display
// Message"; "Command:  " and the command for "Run Program"; for "Both" (and
// any other type with a command) the memo without trailing blanks, a
// carriage return, "Command: " and the command, all without leading blanks;
// for any other type without a command the memo without blanks at either
// end.  Task types compare without trailing blanks.
std::string advanceWarningText(std::int32_t date, std::int32_t time, std::string_view taskType,
                               std::string_view memo, std::string_view command);

}  // namespace dw::app
