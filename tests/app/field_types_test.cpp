// Record field types: the stored bytes of blank-padded and zero-terminated
// strings, packed decimals and little-endian numbers at any offset.
#include "app/data/field_types.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "app/data/records.h"

namespace dw::app {
namespace {

template <std::size_t N>
std::string bytesOf(const unsigned char (&b)[N]) {
  return std::string(reinterpret_cast<const char*>(b), N);
}

TEST(FieldTypes, TextIsBlankPaddedCutAndComparedWithoutTrailingBlanks) {
  Text<8> t;
  t = "abc";
  EXPECT_EQ(t.raw(), "abc     ");
  EXPECT_EQ(t.str(), "abc");
  EXPECT_TRUE(t == "abc");
  EXPECT_TRUE(t == "abc   ");  // trailing blanks do not count
  EXPECT_FALSE(t == " abc");   // leading ones do
  EXPECT_FALSE(t == "abcd");
  t = "a longer text";
  EXPECT_EQ(t.raw(), "a longer");
  t.clear();
  EXPECT_TRUE(t.isBlank());
  EXPECT_EQ(t.raw(), std::string(8, ' '));
  EXPECT_EQ(trimRight("   "), "");
  EXPECT_EQ(trimRight(std::string_view(" x \0 ", 5)),
            std::string_view(" x \0", 4));  // only blanks are trimmed
}

TEST(FieldTypes, CTextKeepsRoomForItsTerminator) {
  CText<5> c;
  std::memset(c.bytes, 'z', sizeof c.bytes);
  c = "ab";
  EXPECT_EQ(std::string(c.bytes, 5), std::string("ab\0\0\0", 5));
  c = "abcdefg";
  EXPECT_EQ(std::string(c.bytes, 5), std::string("abcd\0", 5));
  EXPECT_EQ(c.str(), "abcd");
  EXPECT_TRUE(c == "abcd");
  // A damaged field without a zero byte reads as its whole width.
  std::memset(c.bytes, 'q', sizeof c.bytes);
  EXPECT_EQ(c.view(), "qqqqq");
}

struct DecimalCase {
  std::int64_t value;
  const char* hex;  // the stored bytes of a DECIMAL(6)
};

TEST(FieldTypes, PackedDecimalsStoreTheSignNibbleThenTheDigits) {
  const DecimalCase cases[] = {
      {0, "000000000000"},           {12345, "000000012345"},        {-7, "F00000000007"},
      {99999999999, "099999999999"}, {-99999999999, "F99999999999"}, {10203040506, "010203040506"},
  };
  for (const DecimalCase& c : cases) {
    Decimal<6> d;
    ASSERT_TRUE(d.set(c.value)) << c.value;
    std::string hex;
    for (unsigned char b : d.bytes) {
      static const char digits[] = "0123456789ABCDEF";
      hex += digits[b >> 4];
      hex += digits[b & 15];
    }
    EXPECT_EQ(hex, c.hex) << c.value;
    EXPECT_EQ(d.value(), c.value);
  }
}

TEST(FieldTypes, PackedDecimalsRefuseWhatDoesNotFit) {
  Decimal<3> d;
  ASSERT_TRUE(d.set(42));
  EXPECT_EQ(Decimal<3>::limit(), 99999);
  EXPECT_FALSE(d.set(100000));
  EXPECT_FALSE(d.set(-100000));
  EXPECT_FALSE(d.set(std::numeric_limits<std::int64_t>::min()));
  EXPECT_EQ(d.get(), 42);  // unchanged by a refused value
  Decimal<10> wide;
  EXPECT_TRUE(wide.set(std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ(wide.get(), std::numeric_limits<std::int64_t>::max());
  std::memset(wide.bytes, 0x99, sizeof wide.bytes);  // -(19 nines): beyond 64 bits
  EXPECT_EQ(wide.value(), std::nullopt);
  // Nibbles above 9 are not digits.
  d.bytes[2] = 0x4A;
  EXPECT_EQ(d.value(), std::nullopt);
  EXPECT_EQ(d.get(), 0);
}

TEST(FieldTypes, NumbersAreLittleEndianAtAnyOffset) {
  ScheduleRecord r;
  std::memset(&r, 0, sizeof r);
  r.Every = 0x01020304;  // offset 271: not aligned
  r.Date = -2;
  r.Date += 5;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&r);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 271), 4), "\x04\x03\x02\x01");
  EXPECT_EQ(r.Date, 3);
  EXPECT_EQ(bytesOf(r.Date.bytes), std::string("\x03\0\0\0", 4));
  TagRecord tag;
  tag.TBL = -1;
  EXPECT_EQ(tag.TBL.get(), -1);
  EXPECT_EQ(bytesOf(tag.TBL.bytes), "\xFF\xFF");
}

}  // namespace
}  // namespace dw::app
