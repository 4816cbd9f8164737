// Day numbers, calendar records, DATE, AGE, time values and packed forms
// (see dates.h).
//
// The day-number arithmetic counts four-year blocks of 1461 days from 1801;
// because 1900 is not a leap year, days up to the end of February 1900 sit
// one further along the count than the blocks alone give, which is why the
// conversions shift by one before 1 January 1901.
#include "runtime/lang/dates.h"

#include <array>

namespace dw::lang {
namespace {

constexpr std::array<int, 13> kMonthDays = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::array<int, 13> kDaysBefore = {0,   0,   31,  59,  90,  120, 151,
                                             181, 212, 243, 273, 304, 334};

int fullYear(long long year) {
  return static_cast<int>(year < 100 ? year + 1900 : year);
}

}  // namespace

bool isLeapYear(int year) {
  if (year < 100) year += 1900;
  return year % 4 == 0 && year != 1900;
}

int daysInMonth(int month, int year) {
  if (month < 1 || month > 12) return 0;
  if (month == 2 && isLeapYear(year)) return 29;
  return kMonthDays[month];
}

int dayNumberOf(const DateRecord& record) {
  int year = fullYear(record.year);
  if (year < kFirstYear || year > kLastYear) return -1;
  if (record.month < 1 || record.month > 12) return -1;
  if (record.day < 1 || record.day > daysInMonth(record.month, year)) return -1;
  int result = (year - kFirstYear) * 1461 / 4 + kDaysBefore[record.month] + record.day + 2;
  if (year <= 1900) ++result;
  if (record.month > 2 && isLeapYear(year)) ++result;
  return result;
}

DateRecord calendarOf(int dayNumber) {
  if (dayNumber < kFirstDay || dayNumber > kLastDay) return {};
  int d = dayNumber < kFirstDay1901 ? dayNumber - 4 : dayNumber - 3;
  int r = d % 1461;
  int dayOfYear = 0;
  int year = 0;
  if (r == 1460) {
    dayOfYear = 365;
    year = d / 1461 * 4 + 1804;
  } else {
    dayOfYear = r % 365;
    year = d / 1461 * 4 + r / 365 + kFirstYear;
  }
  int month = 1;
  while (month < 12 && dayOfYear >= daysInMonth(month, year)) {
    dayOfYear -= daysInMonth(month, year);
    ++month;
  }
  return {year, dayOfYear + 1, month};
}

int date(long long month, long long day, long long year) {
  // Negative fields would never settle into a date; the range checks below
  // also keep the carrying loops short.
  if (month < 0 || day < 0 || year < -1900 || year > kLastYear) return -1;
  long long y = fullYear(year);
  if (month > 12) {
    y += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
  }
  while (y <= kLastYear && day > daysInMonth(static_cast<int>(month), static_cast<int>(y))) {
    day -= daysInMonth(static_cast<int>(month), static_cast<int>(y));
    if (++month > 12) {
      month = 1;
      ++y;
    }
  }
  if (y > kLastYear) return -1;
  return dayNumberOf({static_cast<int>(y), static_cast<int>(day), static_cast<int>(month)});
}

int dayOf(int dayNumber) {
  return calendarOf(dayNumber).day;
}
int monthOf(int dayNumber) {
  return calendarOf(dayNumber).month;
}
int yearOf(int dayNumber) {
  return calendarOf(dayNumber).year;
}

std::string age(int birth, int base) {
  const std::string invalid(255, '*');
  DateRecord b = calendarOf(birth);
  DateRecord now = calendarOf(base);
  if (now.year == 0) return invalid;
  if (birth > base) {
    b.year -= 100;
    birth = dayNumberOf(b);
    if (birth < 0 || birth > base) return invalid;
  }
  if (b.year == 0) return invalid;
  int days = base - birth;
  if (days < 61) return std::to_string(days) + " DAYS";
  int months = (now.year - b.year) * 12 + (now.month - b.month);
  if (now.day < b.day) --months;
  if (months <= 24) return std::to_string(months) + " MOS";
  int years = now.year - b.year;
  if (now.month < b.month || (now.month == b.month && now.day < b.day)) --years;
  return std::to_string(years) + " YRS";
}

int timeValueOf(const TimeRecord& r) {
  if (r.hour == 0 && r.minute == 0 && r.second == 0 && r.hundredths == 0) return 0;
  if (r.hour < 0 || r.hour > 23 || r.minute < 0 || r.minute > 59 || r.second < 0 || r.second > 59 ||
      r.hundredths < 0 || r.hundredths > 99) {
    return -1;
  }
  return r.hour * 360000 + r.minute * 6000 + r.second * 100 + r.hundredths + 1;
}

bool isValidTime(int timeValue) {
  return timeValue >= 1 && timeValue <= kLastTime;
}

TimeRecord timeRecordOf(int timeValue) {
  if (!isValidTime(timeValue)) return {};
  int v = timeValue - 1;
  TimeRecord r;
  r.hour = v / 360000;
  v %= 360000;
  r.minute = v / 6000;
  v %= 6000;
  r.second = v / 100;
  r.hundredths = v % 100;
  return r;
}

std::uint32_t dayToPackedDate(int dayNumber) {
  DateRecord r = calendarOf(dayNumber);
  return static_cast<std::uint32_t>(r.year) * 65536u + static_cast<std::uint32_t>(r.month) * 256u +
         static_cast<std::uint32_t>(r.day);
}

int packedDateToDay(std::uint32_t packed) {
  DateRecord r{static_cast<int>(packed >> 16), static_cast<int>(packed & 0xFF),
               static_cast<int>((packed >> 8) & 0xFF)};
  if (r.year >= 2100) r = {kLastYear, 31, 12};
  int day = dayNumberOf(r);
  return day < 0 ? 0 : day;
}

std::uint32_t timeToPackedTime(int timeValue) {
  TimeRecord r = timeRecordOf(timeValue);
  return static_cast<std::uint32_t>(r.hour) << 24 | static_cast<std::uint32_t>(r.minute) << 16 |
         static_cast<std::uint32_t>(r.second) << 8 | static_cast<std::uint32_t>(r.hundredths);
}

int packedTimeToTime(std::uint32_t packed) {
  TimeRecord r{static_cast<int>(packed >> 24), static_cast<int>((packed >> 16) & 0xFF),
               static_cast<int>((packed >> 8) & 0xFF), static_cast<int>(packed & 0xFF)};
  return timeValueOf(r);
}

}  // namespace dw::lang
