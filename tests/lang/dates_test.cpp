// Day numbers, DATE, AGE, time values and packed forms, checked against an
// independent calendar (std::chrono) over the whole range.
#include <gtest/gtest.h>

#include <chrono>

#include "runtime/lang/dates.h"

namespace dw::lang {
namespace {

using namespace std::chrono;

TEST(Dates, EveryDayOfTheRangeMatchesTheGregorianCalendar) {
  const sys_days first = year{1801} / January / 1;
  for (int n = kFirstDay; n <= kLastDay; ++n) {
    const year_month_day ymd{first + days{n - kFirstDay}};
    const DateRecord expected{static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.day())),
                              static_cast<int>(unsigned(ymd.month()))};
    ASSERT_EQ(calendarOf(n), expected) << "day " << n;
    ASSERT_EQ(dayNumberOf(expected), n);
    ASSERT_EQ(date(expected.month, expected.day, expected.year), n);
    ASSERT_EQ(packedDateToDay(dayToPackedDate(n)), n);
  }
}

TEST(Dates, RangeEnds) {
  struct Case {
    int day;
    DateRecord record;
  };
  const Case cases[] = {
      {4, {1801, 1, 1}}, {36528, {1901, 1, 1}}, {109211, {2099, 31, 12}},
      {3, {}},           {109212, {}},          {0, {}},
      {-5, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(calendarOf(c.day), c.record) << c.day;
    EXPECT_EQ(dayOf(c.day), c.record.day);
    EXPECT_EQ(monthOf(c.day), c.record.month);
    EXPECT_EQ(yearOf(c.day), c.record.year);
  }
}

TEST(Dates, InvalidRecords) {
  EXPECT_EQ(dayNumberOf({1900, 29, 2}), -1);
  EXPECT_NE(dayNumberOf({2000, 29, 2}), -1);
  EXPECT_EQ(dayNumberOf({1800, 31, 12}), -1);
  EXPECT_EQ(dayNumberOf({2100, 1, 1}), -1);
  EXPECT_EQ(dayNumberOf({1999, 1, 13}), -1);
  EXPECT_EQ(dayNumberOf({1999, 32, 1}), -1);
  EXPECT_EQ(dayNumberOf({99, 1, 1}), dayNumberOf({1999, 1, 1}));
}

TEST(Dates, DateCarriesDaysAndMonths) {
  const int jan2000 = dayNumberOf({2000, 1, 1});
  EXPECT_EQ(date(13, 1, 99), jan2000);
  EXPECT_EQ(date(2, 30, 1999), dayNumberOf({1999, 2, 3}));
  EXPECT_EQ(date(14, 30, 1999), dayNumberOf({2000, 1, 3}));
  EXPECT_EQ(date(1, 0, 1996), -1);
  EXPECT_EQ(date(0, 1, 1996), dayNumberOf({1996, 1, 1}));
  EXPECT_EQ(date(0, 0, 1996), -1);
  EXPECT_EQ(date(1, 366, 1996), dayNumberOf({1996, 31, 12}));
  EXPECT_EQ(date(1, 367, 1996), dayNumberOf({1997, 1, 1}));
  EXPECT_EQ(date(12, 32, 2099), -1);
  EXPECT_EQ(date(25, 1, 2098), -1);
}

TEST(Dates, NegativeOrHugeFieldsSettleAtOnce) {
  EXPECT_EQ(date(-1, 5, 2000), -1);
  EXPECT_EQ(date(5, -1, 2000), -1);
  EXPECT_EQ(date(-12, -1, -1), -1);
  EXPECT_EQ(date(1, 2147483647LL, 1801), -1);
  EXPECT_EQ(date(2147483647LL, 1, 1801), -1);
  EXPECT_EQ(date(1, 1, -3000), -1);
}

TEST(Dates, Age) {
  const int base = dayNumberOf({2000, 15, 6});
  EXPECT_EQ(age(base - 40, base), "40 DAYS");
  EXPECT_EQ(age(base, base), "0 DAYS");
  EXPECT_EQ(age(base - 60, base), "60 DAYS");
  EXPECT_EQ(age(dayNumberOf({1998, 15, 6}), base), "24 MOS");
  EXPECT_EQ(age(dayNumberOf({1998, 15, 5}), base), "2 YRS");
  EXPECT_EQ(age(dayNumberOf({1998, 16, 5}), base), "24 MOS");
  EXPECT_EQ(age(dayNumberOf({1950, 16, 6}), base), "49 YRS");
  // A birth date after the base counts a century earlier.
  EXPECT_EQ(age(dayNumberOf({2050, 15, 6}), base), "50 YRS");
  EXPECT_EQ(age(base + 1, base), "99 YRS");
  const int base1850 = dayNumberOf({1850, 15, 6});
  EXPECT_EQ(age(dayNumberOf({1950, 16, 6}), base1850), std::string(255, '*'));
  EXPECT_EQ(age(dayNumberOf({1890, 1, 1}), base1850), std::string(255, '*'));
  EXPECT_EQ(age(0, base), std::string(255, '*'));
}

TEST(Times, RecordsAndValues) {
  EXPECT_EQ(timeValueOf({0, 0, 0, 0}), 0);
  EXPECT_EQ(timeValueOf({0, 0, 0, 1}), 2);
  EXPECT_EQ(timeValueOf({23, 59, 59, 99}), kLastTime);
  EXPECT_EQ(timeValueOf({24, 0, 0, 0}), -1);
  EXPECT_EQ(timeValueOf({0, 60, 0, 0}), -1);
  EXPECT_EQ(timeValueOf({0, 0, 60, 0}), -1);
  EXPECT_EQ(timeValueOf({0, 0, 0, 100}), -1);
  EXPECT_EQ(timeRecordOf(1), (TimeRecord{0, 0, 0, 0}));
  EXPECT_EQ(timeRecordOf(kLastTime), (TimeRecord{23, 59, 59, 99}));
  EXPECT_FALSE(isValidTime(kLastTime + 1));
  EXPECT_FALSE(isValidTime(0));
  for (int t = 1; t <= kLastTime; t += 997) {
    ASSERT_EQ(timeValueOf(timeRecordOf(t)), t == 1 ? 0 : t);
    ASSERT_EQ(packedTimeToTime(timeToPackedTime(t)), t == 1 ? 0 : t);
  }
}

TEST(Packed, Layouts) {
  const int d = dayNumberOf({1996, 5, 1});
  EXPECT_EQ(dayToPackedDate(d), 1996u * 65536 + 1 * 256 + 5);
  EXPECT_EQ(packedDateToDay(2100u * 65536 + 1 * 256 + 1), kLastDay);
  EXPECT_EQ(packedDateToDay(1996u * 65536 + 2 * 256 + 30), 0);
  EXPECT_EQ(packedDateToDay(0), 0);
  EXPECT_EQ(timeToPackedTime(timeValueOf({13, 45, 30, 12})),
            13u * 16777216 + 45u * 65536 + 30u * 256 + 12);
}

}  // namespace
}  // namespace dw::lang
