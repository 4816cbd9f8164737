// Dates and times of the runtime.
//
// A date is a day number: day 4 is 1 January 1801, each calendar day adds
// one, and the last valid day is 109211, 31 December 2099; 0 means "no
// date".  The calendar is Gregorian within that range (1900 is not a leap
// year, 2000 is).  A time is hundredths of a second since midnight plus one:
// 1 is 00:00:00.00 and 8640000 is 23:59:59.99; 0 means "no time".
//
// Records and variables also hold dates and times packed into 32 bits:
// a packed date is year * 65536 + month * 256 + day, a packed time is
// hour * 16777216 + minute * 65536 + second * 256 + hundredths.
//
// Everything here is a pure function of its arguments except today() and
// clockTime(), which read the platform's clock; any thread may call them.
#pragma once

#include <cstdint>
#include <string>

namespace dw::lang {

inline constexpr int kFirstDay = 4;  // 1 January 1801
inline constexpr int kFirstDay1901 = 36528;
inline constexpr int kLastDay = 109211;  // 31 December 2099
inline constexpr int kFirstYear = 1801;
inline constexpr int kLastYear = 2099;
inline constexpr int kLastTime = 8640000;  // 23:59:59.99

// The unpacked form of a date.
struct DateRecord {
  int year = 0;   // four digits
  int day = 0;    // 1..31
  int month = 0;  // 1..12
  bool operator==(const DateRecord&) const = default;
};

// The unpacked form of a time.
struct TimeRecord {
  int hour = 0;        // 0..23
  int minute = 0;      // 0..59
  int second = 0;      // 0..59
  int hundredths = 0;  // 0..99
  bool operator==(const TimeRecord&) const = default;
};

// Leap years of the range: divisible by 4, except 1900.  A year below 100
// counts as 19yy.
bool isLeapYear(int year);
// Days of a month (1..12) of a year; 0 for month 0 or a month out of range.
int daysInMonth(int month, int year);

// Calendar record -> day number; -1 when invalid (a year below 100 is 19yy).
int dayNumberOf(const DateRecord& record);
// Day number -> calendar record; an all-zero record for a number outside
// kFirstDay..kLastDay.
DateRecord calendarOf(int dayNumber);

// DATE(month, day, year): carries days past a month's end into the following
// months and months past December into the following years; -1 when the
// result is invalid, and for a negative month or day.
int date(long long month, long long day, long long year);
int dayOf(int dayNumber);    // DAY(): 0 outside the range
int monthOf(int dayNumber);  // MONTH(): 0 outside the range
int yearOf(int dayNumber);   // YEAR(): 0 outside the range

// AGE(birth, base): "n DAYS", "n MOS" or "n YRS"; 255 "*" when the birth
// date cannot come before the base date.
std::string age(int birth, int base);

// Time record -> time value: 0 for an all-zero record, -1 for a field out of
// range.
int timeValueOf(const TimeRecord& record);
// Time value -> time record; an all-zero record for a value outside
// 1..kLastTime (check with isValidTime).
TimeRecord timeRecordOf(int timeValue);
bool isValidTime(int timeValue);

// Packed forms.  packedDateToDay clamps a packed value at or beyond year 2100
// to 31 December 2099 and gives 0 for an invalid date.
std::uint32_t dayToPackedDate(int dayNumber);
int packedDateToDay(std::uint32_t packed);
std::uint32_t timeToPackedTime(int timeValue);
int packedTimeToTime(std::uint32_t packed);

// TODAY() and CLOCK() from the platform's local clock.
int today();
int clockTime();

}  // namespace dw::lang
