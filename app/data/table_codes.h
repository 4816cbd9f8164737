// Coded values of the application's tables.
//
// Codes are stored as these exact texts, blank-padded to the field's width,
// and compared with trailing blanks ignored (Text<N>::operator==).  Other
// texts may be found in a record (edited by hand or written by an older
// program); how each is read is stated with its set.
//
// Thread-safety: constants only.
#pragma once

#include <cstdint>

namespace dw::app {

// SCH:TaskType: what a task does when it falls due.
namespace task_type {
inline constexpr const char* kRunProgram = "Run Program";          // run SCH:Command
inline constexpr const char* kDisplayMessage = "Display Message";  // show SCH:Message
inline constexpr const char* kBoth = "Both";                       // show, then run
inline constexpr const char* kNone = "None";  // neither: moves on and is recorded
}  // namespace task_type

// SCH:ScheduleType: the recurrence rule.  Any text other than the first
// five is a custom rule (SCH:Every units of SCH:EveryType).
namespace schedule_type {
inline constexpr const char* kOnce = "Once";
inline constexpr const char* kDayOfWeek = "Day of Week";
inline constexpr const char* kDayOfMonth = "Day of Month";
inline constexpr const char* kMonthly = "Monthly";
inline constexpr const char* kYearly = "Yearly";
inline constexpr const char* kCustom = "Custom";
}  // namespace schedule_type

// SCH:EveryType: the unit of a custom rule.  Only the first three letters,
// lower-cased, are significant ("min", "hou", "day", "wee", "mon", "yea").
namespace every_type {
inline constexpr const char* kMinutes = "minute(s)";
inline constexpr const char* kHours = "hour(s)";
inline constexpr const char* kDays = "day(s)";
inline constexpr const char* kWeeks = "week(s)";
inline constexpr const char* kMonths = "month(s)";
inline constexpr const char* kYears = "year(s)";
}  // namespace every_type

// The category that the wizards preset.
inline constexpr const char* kGeneralCategory = "General";

// TDO:Priority: 1 (first) to 10; new items get 5.
inline constexpr std::uint8_t kFirstPriority = 1;
inline constexpr std::uint8_t kLastPriority = 10;
inline constexpr std::uint8_t kNewItemPriority = 5;

}  // namespace dw::app
