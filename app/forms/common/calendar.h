// The month calendar (Calendar, window CALENDAR$WINDOW of module
// "DORN.vls$dorn027"): a grid of 42 day buttons from which the user picks
// a date.
//
// Takes the initial date (0: today), a title ("" gives "Select Date") and
// a mode.  Unless the mode is "None", days that do not suit the schedule
// type of the task in SCH's record buffer (task_validation.h) are shown
// disabled; a caller that wants every day enabled clears the buffer first.
// Returns the chosen date, or the initial date as passed in (even 0) when
// the user closes the window.
//
// Months shown run from January 1801 to December 2099 by the year
// buttons and entry; the month buttons carry on past the ends of that
// range (December 2099 -> January 2100).
//
// Thread-safety: the caller's thread, under the Runtime lock.
#pragma once

#include <cstdint>
#include <string_view>

namespace dw::app {

inline constexpr const char* kCalendarModule = "DORN.vls$dorn027";
inline constexpr const char* kCalendarLabel = "CALENDAR$WINDOW";
inline constexpr const char* kCalendarSection = "Calendar";
inline constexpr const char* kCalendarNoneMode = "None";

std::int32_t Calendar(std::int32_t initialDate, std::string_view title = {},
                      std::string_view mode = {});

}  // namespace dw::app
