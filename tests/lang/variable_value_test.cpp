// Variables read as numbers by their type codes.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/lang/dates.h"
#include "runtime/lang/variable_value.h"

namespace dw::lang {
namespace {

std::optional<double> read(int type, std::vector<std::uint8_t> bytes) {
  return numberOfVariable(type, bytes.data(), bytes.size());
}

TEST(VariableValue, EveryTypeCode) {
  EXPECT_EQ(read(1, {0xFF}), 255);
  EXPECT_EQ(read(2, {0xFE, 0xFF}), -2);
  EXPECT_EQ(read(3, {0xFE, 0xFF}), 65534);
  EXPECT_EQ(read(6, {0xFE, 0xFF, 0xFF, 0xFF}), -2);
  // 5 January 1996 packed: day 5, month 1, year 1996.
  EXPECT_EQ(read(4, {5, 1, 0xCC, 0x07}), dayNumberOf({1996, 5, 1}));
  EXPECT_EQ(read(4, {31, 2, 0xCC, 0x07}), 0);  // no such day
  EXPECT_EQ(read(5, {12, 30, 45, 13}), timeValueOf({13, 45, 30, 12}));
  const char text[] = " -12.5   ";
  EXPECT_EQ(numberOfVariable(18, reinterpret_cast<const std::uint8_t*>(text), 9), -12.5);
  EXPECT_EQ(read(18, {'a', 'b'}), 0);
  EXPECT_EQ(read(18, {}), 0);
}

TEST(VariableValue, ShortOrUnknownGiveNothing) {
  EXPECT_FALSE(read(6, {1, 2, 3}).has_value());
  EXPECT_FALSE(read(1, {}).has_value());
  EXPECT_FALSE(read(7, {1, 2, 3, 4}).has_value());
  EXPECT_FALSE(read(0, {1}).has_value());
}

}  // namespace
}  // namespace dw::lang
