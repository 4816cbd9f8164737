// The texts the reports compute from a record for their layouts: a task's
// rule (weekday names, weeks of the month, the Every count and unit), its
// message on one line, and a check mark.
//
// Thread-safety: pure functions.
#pragma once

#include <string>

#include "app/data/records.h"

namespace dw::app {

// "Mon Wed Fri" for weekdays; "1st Last  Mon" for weeks of the month;
// "Every 2 week(s)" for a custom rule; "" for once, monthly and yearly.
std::string scheduleRuleText(const ScheduleRecord& task);
// The message memo as one line: line breaks become blanks, at most 80
// characters.
std::string messageLine(std::string_view memo);
// "X" when set, "" otherwise.
inline const char* checkMark(bool set) {
  return set ? "X" : "";
}

}  // namespace dw::app
