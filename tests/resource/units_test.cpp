// Unit conversion of positions and sizes, and icon/cursor/image references.
#include <gtest/gtest.h>

#include "runtime/ui/resfmt/window_record.h"

namespace rf = dw::resfmt;

namespace {

TEST(Units, DialogUnitsUseTwiceTheAverageWidthAndTheHeightOverEight) {
  const rf::UnitScale s = rf::dialogUnitScale(6, 13);     // 6-pixel average width, 13-pixel height
  EXPECT_EQ(597, rf::sizeToPixels(398, s, rf::Axis::X));  // 398 * 12 / 8
  EXPECT_EQ(406, rf::sizeToPixels(250, s, rf::Axis::Y));  // 250 * 13 / 8
  EXPECT_EQ(-3, rf::sizeToPixels(-2, s, rf::Axis::X));
  EXPECT_EQ(0, rf::sizeToPixels(rf::kSystemPlaced, s, rf::Axis::X));
  EXPECT_EQ(std::nullopt, rf::positionToPixels(rf::kSystemPlaced, s, rf::Axis::Y));
  EXPECT_EQ(std::optional<std::int32_t>(15), rf::positionToPixels(10, s, rf::Axis::X));
}

TEST(Units, DeviceUnits) {
  struct Case {
    rf::Unit unit;
    std::int32_t value, expectX, expectY;
  };
  const Case cases[] = {
      {rf::Unit::Inch25, 25, 96, 120},  // one inch
      {rf::Unit::Mil, 1000, 96, 120},
      {rf::Unit::Points, 72, 96, 120},
      {rf::Unit::Mil, 6000, 576, 720},
  };
  for (const Case& c : cases) {
    const rf::UnitScale s = rf::deviceUnitScale(c.unit, 96, 120);
    EXPECT_EQ(c.expectX, rf::sizeToPixels(c.value, s, rf::Axis::X));
    EXPECT_EQ(c.expectY, rf::sizeToPixels(c.value, s, rf::Axis::Y));
  }
  // No overflow on the largest values.
  const rf::UnitScale big = rf::deviceUnitScale(rf::Unit::Inch25, 2400, 2400);
  EXPECT_EQ(2147483647, rf::sizeToPixels(2147483647, big, rf::Axis::X));
}

TEST(Units, UnitBitsOfTheWindowAttributes) {
  rf::WindowRecord w;
  for (auto [attr, unit] : {std::pair{0x810u, rf::Unit::DialogUnits},
                            {0x100u, rf::Unit::Inch25},
                            {0x200u, rf::Unit::Mil},
                            {0x300u, rf::Unit::Points}}) {
    w.attributes = attr;
    EXPECT_EQ(unit, w.unit());
  }
  w.extendedAttributes = 0x3008;
  EXPECT_TRUE(w.isModal());
  w.extendedAttributes = 0x1822;
  EXPECT_FALSE(w.isModal());
}

TEST(References, Decoding) {
  using K = rf::Reference::Kind;
  struct Case {
    std::string text;
    rf::Reference expect;
  };
  const Case cases[] = {
      {"", {K::None, "", 0}},
      {"~WIZARD.ICO", {K::Resource, "WIZARD_ICO", 0}},
      {"~pdwmain.gif", {K::Resource, "PDWMAIN_GIF", 0}},
      {"C:\\ICONS\\CLOCK.ICO", {K::File, "C:\\ICONS\\CLOCK.ICO", 0}},
      {std::string("\xFF\x01\x00\x7F", 4), {K::Stock, "", 0x7F00}},
      {std::string("\xFF\x02\x05\x00", 4), {K::ResourceNumber, "", 4}},
      {std::string("\xFF\x02", 2), {K::ResourceNumber, "", 0xFFFF}},
      {std::string("\xFF\x03x"), {K::File, "\xFF\x03x", 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expect, rf::decodeReference(c.text)) << c.text;
  EXPECT_EQ(rf::decodeReference(rf::stockReference(32512)).number, 32512);
  EXPECT_EQ(rf::decodeReference(rf::numberedReference(9)).number, 9);
  // Every 16-bit number survives the trip through its stored form (the
  // number + 1 wraps to 0 for 65535).
  for (std::uint16_t n : {0, 255, 256, 65534, 65535}) {
    EXPECT_EQ(rf::decodeReference(rf::numberedReference(n)).number, n) << n;
    EXPECT_EQ(rf::decodeReference(rf::stockReference(n)).number, n) << n;
  }
}

}  // namespace
