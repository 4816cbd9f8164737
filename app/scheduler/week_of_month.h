// Weekdays and weeks of the month of a date: the one test that both the
// recurrence of "Day of Week" and "Day of Month" tasks and the update
// form's check of an entered date use, so that every date the recurrence
// produces passes the form's check.
//
// The weeks of a month are counted from its first day: "1st" is days 1-7,
// "2nd" 8-14, "3rd" 15-21, "4th" 22-28, and "Last" the last seven days of
// the month (L-6 .. L, L being its last day).  So every day of a month lies
// in at least one week, each weekday occurs exactly once in each of them,
// and a "Last" week overlaps the "4th" (or, in February of a common year,
// is the same days).
//
// Thread-safety: pure functions; any thread.
#pragma once

#include <cstdint>

namespace dw::app {

struct ScheduleRecord;

// Weekday flags, bit n for weekday n (0 Sunday .. 6 Saturday).
using WeekdayMask = std::uint8_t;
inline constexpr WeekdayMask kAllWeekdays = 0x7F;

// Week-of-month flags.
using OrdinalMask = std::uint8_t;
inline constexpr OrdinalMask kWeek1st = 0x01;
inline constexpr OrdinalMask kWeek2nd = 0x02;
inline constexpr OrdinalMask kWeek3rd = 0x04;
inline constexpr OrdinalMask kWeek4th = 0x08;
inline constexpr OrdinalMask kWeekLast = 0x10;
inline constexpr OrdinalMask kAllWeeks = 0x1F;

// The weekday of a day number: the day number modulo 7, 0 Sunday ..
// 6 Saturday (also for numbers below 0).
int weekdayOf(long long dayNumber);

// The weeks of its month that a date lies in; 0 for a number outside the
// calendar (runtime/lang/dates.h).
OrdinalMask weeksOfMonth(int dayNumber);

// The flags of a Schedule record as masks.
WeekdayMask weekdayFlags(const ScheduleRecord& task);
OrdinalMask ordinalFlags(const ScheduleRecord& task);

// Whether a date suits a "Day of Week" task: its weekday is flagged.
bool suitsDayOfWeek(int dayNumber, WeekdayMask weekdays);
// Whether a date suits a "Day of Month" task: its weekday is flagged and it
// lies in a flagged week of its month.
bool suitsDayOfMonth(int dayNumber, WeekdayMask weekdays, OrdinalMask ordinals);

}  // namespace dw::app
