// Probes from filter bounds: a record whose value lies within a bound never
// encodes outside the bound's probe, whatever the bound's type and however
// the field rounds it.
#include <cmath>
#include <random>

#include "key_test_util.h"
#include "runtime/lang/chartab.h"
#include "runtime/lang/expr_value.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::lang::Value;

// LONG, DECIMAL(3,2), SREAL, STRING(4) descending, USHORT; one key each.
TableDesc probeDesc() {
  return DescBuilder()
      .field("P:Long", FieldType::Long)
      .field("P:Dec", FieldType::Decimal, 3, 2)
      .field("P:Real4", FieldType::SReal)
      .field("P:Text", FieldType::String, 4)
      .field("P:Small", FieldType::UShort)
      .key("k0", 0, {1})
      .key("k1", 0, {2})
      .key("k2", 0, {3})
      .key("k3", 0, {-4})
      .key("k4", 0, {5})
      .build();
}

Value randomNumber(std::mt19937& rng) {
  switch (rng() % 3) {
    case 0:
      return Value::ofInteger(std::int64_t(rng() % 400) - 200);
    case 1:
      return Value::ofReal((double(rng() % 80000) - 40000) / 1000.0);
    default:
      return Value::ofReal(rng() % 2 ? 1e12 : -1e12);  // beyond every field
  }
}

// The value a field holds, for the model's comparison.
double heldNumber(const FieldDesc& f, const std::string& image) {
  switch (f.type) {
    case FieldType::Long: {
      std::int32_t v;
      std::memcpy(&v, image.data(), 4);
      return v;
    }
    case FieldType::UShort: {
      std::uint16_t v;
      std::memcpy(&v, image.data(), 2);
      return v;
    }
    case FieldType::SReal: {
      float v;
      std::memcpy(&v, image.data(), 4);
      return v;
    }
    default: {  // DECIMAL(3,2): sign nibble, five digits
      double v = 0;
      for (std::size_t i = 0; i < 3; ++i) {
        const int hi = static_cast<unsigned char>(image[i]) >> 4;
        const int lo = image[i] & 0x0F;
        if (i > 0) v = v * 10 + hi;
        v = v * 10 + lo;
      }
      v /= 100;
      return (static_cast<unsigned char>(image[0]) >> 4) ? -v : v;
    }
  }
}

TEST(KeyProbe, NumericBoundsNeverExcludeAValueInsideThem) {
  KeyTable t(probeDesc());
  std::mt19937 rng(31);
  for (std::size_t k : {0, 1, 2, 4}) {
    const FieldDesc& f = t.desc().fields[t.desc().keys[k].components[0].field];
    for (int i = 0; i < 400; ++i) {
      const Value bound = randomNumber(rng);
      const Value held = randomNumber(rng);
      // A value the field really holds: the held number written as a lower
      // bound is just some representable value.
      const std::string image = *fieldImageOf(f, held, BoundSide::Lower);
      const double y = heldNumber(f, image);
      const std::string ey = encodeComponent(f, false, false, false, image);
      const double x = bound.asReal();
      const std::string lo = *encodeBound(t.ref(), k, 0, bound, BoundSide::Lower);
      const std::string hi = *encodeBound(t.ref(), k, 0, bound, BoundSide::Upper);
      if (y >= x) {
        ASSERT_GE(compareKeys(ey, lo), 0) << f.name << " " << y << " >= " << x;
      }
      if (y <= x) {
        ASSERT_LE(compareKeys(ey, hi), 0) << f.name << " " << y << " <= " << x;
      }
    }
  }
}

TEST(KeyProbe, ExactBoundsEncodeAsTheValueItself) {
  KeyTable t(probeDesc());
  std::string r = t.blankRecord();
  put<std::int32_t>(r, t.desc().fields[0], -17);
  r.replace(t.desc().fields[1].offset, 3, std::string("\xF0\x12\x50", 3));  // -12.50
  put<float>(r, t.desc().fields[2], 0.5f);
  putText(r, t.desc().fields[3], "ab");
  for (BoundSide side : {BoundSide::Lower, BoundSide::Upper}) {
    EXPECT_EQ(*encodeBound(t.ref(), 0, 0, Value::ofInteger(-17), side),
              encodeKeyValue(t.ref(), 0, r));
    EXPECT_EQ(*encodeBound(t.ref(), 1, 0, Value::ofReal(-12.5), side),
              encodeKeyValue(t.ref(), 1, r));
    EXPECT_EQ(*encodeBound(t.ref(), 2, 0, Value::ofReal(0.5), side), encodeKeyValue(t.ref(), 2, r));
    EXPECT_EQ(*encodeBound(t.ref(), 3, 0, Value::ofString("ab"), side),
              encodeKeyValue(t.ref(), 3, r));
  }
  EXPECT_FALSE(encodeBound(t.ref(), 0, 0, Value::ofString("x"), BoundSide::Lower));
  EXPECT_FALSE(encodeBound(t.ref(), 3, 0, Value::ofInteger(1), BoundSide::Lower));
  EXPECT_FALSE(encodeBound(t.ref(), 0, 1, Value::ofInteger(1), BoundSide::Lower));  // no such
}

TEST(KeyProbe, CutTextBoundsStayOutside) {
  dw::lang::resetCharTables();
  KeyTable t(probeDesc());
  const FieldDesc& f = t.desc().fields[3];
  // Descending: the key order is reversed, so a Lower value bound is the
  // high end of the key range.
  const std::string lo = *encodeBound(t.ref(), 3, 0, Value::ofString("abcdef"), BoundSide::Lower);
  const std::string hi = *encodeBound(t.ref(), 3, 0, Value::ofString("abcdef"), BoundSide::Upper);
  for (const char* v : {"abd", "abc", "abcz", "b", "ab", "aaaa"}) {
    const std::string e = encodeComponent(f, true, false, false,
                                          *fieldImageOf(f, Value::ofString(v), BoundSide::Lower));
    const bool above = dw::lang::compareStrings(v, "abcdef") >= 0;
    const bool below = dw::lang::compareStrings(v, "abcdef") <= 0;
    if (above) {
      EXPECT_LE(compareKeys(e, lo), 0) << v;
    }
    if (below) {
      EXPECT_GE(compareKeys(e, hi), 0) << v;
    }
  }
}

}  // namespace
}  // namespace dw::db
