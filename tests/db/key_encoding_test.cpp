// Key encodings: known byte strings, and for random values of every type
// the byte order of the encodings against the order of the values.
#include <cmath>
#include <limits>
#include <random>

#include "key_test_util.h"
#include "runtime/lang/chartab.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

FieldDesc fieldOf(FieldType t, std::size_t size = 0) {
  return DescBuilder().field("F", t, size).build().fields[0];
}

template <typename T>
std::string bytesOf(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

std::string enc(FieldType t, std::string_view bytes, bool desc = false, bool noCase = false) {
  return encodeComponent(fieldOf(t, bytes.size()), desc, noCase, false, bytes);
}

int sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}
int byteOrder(const std::string& a, const std::string& b) {
  return sign(compareKeys(a, b));
}
template <typename T>
int valueOrder(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

TEST(KeyEncoding, KnownEncodings) {
  struct Case {
    const char* what;
    FieldType type;
    std::string field;
    std::string expected;
  };
  const Case cases[] = {
      {"LONG -1", FieldType::Long, bytesOf<std::int32_t>(-1), "7F FF FF FF"},
      {"LONG 0", FieldType::Long, bytesOf<std::int32_t>(0), "80 00 00 00"},
      {"LONG 258", FieldType::Long, bytesOf<std::int32_t>(258), "80 00 01 02"},
      {"SHORT -2", FieldType::Short, bytesOf<std::int16_t>(-2), "7F FE"},
      {"USHORT 0x1234", FieldType::UShort, bytesOf<std::uint16_t>(0x1234), "12 34"},
      {"ULONG max", FieldType::ULong, bytesOf<std::uint32_t>(0xFFFFFFFF), "FF FF FF FF"},
      {"REAL 1.0", FieldType::Real, bytesOf(1.0), "BF F0 00 00 00 00 00 00"},
      {"REAL -1.0", FieldType::Real, bytesOf(-1.0), "40 0F FF FF FF FF FF FF"},
      {"REAL -0.0", FieldType::Real, bytesOf(-0.0), "80 00 00 00 00 00 00 00"},
      {"SREAL 2.0", FieldType::SReal, bytesOf(2.0f), "C0 00 00 00"},
      {"DECIMAL +12.5", FieldType::Decimal, std::string("\x00\x12\x50", 3), "80 12 50"},
      {"DECIMAL -12.5", FieldType::Decimal, std::string("\xF0\x12\x50", 3), "7F ED AF"},
      {"DECIMAL -0", FieldType::Decimal, std::string("\xD0\x00\x00", 3), "80 00 00"},
      {"CSTRING ab", FieldType::CString, std::string("ab\0xy", 5), "61 62 00 00 00"},
      {"PSTRING 2", FieldType::PString, std::string("\x02zqrs", 5), "7A 71 00 00 00"},
      {"PSTRING overlong", FieldType::PString, std::string("\x09zq", 3), "7A 71 00"},
      {"STRING", FieldType::String, "Ab ", "41 62 20"},
      {"BYTE", FieldType::Byte, "\x90", "90"},
      {"DATE overlay (raw)", FieldType::Date, bytesOf<std::int32_t>(0x01020304), "04 03 02 01"},
  };
  dw::lang::resetCharTables();
  for (const Case& c : cases) {
    EXPECT_EQ(hex(enc(c.type, c.field)), c.expected) << c.what;
  }
}

TEST(KeyEncoding, DescendingComplementsAndCancelsNegativeComplement) {
  EXPECT_EQ(hex(enc(FieldType::Long, bytesOf<std::int32_t>(-1), true)), "80 00 00 00");
  EXPECT_EQ(hex(enc(FieldType::Real, bytesOf(-1.0), true)), "BF F0 00 00 00 00 00 00");
  EXPECT_EQ(hex(enc(FieldType::String, "a", true)), "9E");
}

// Random values of one numeric type: the encodings order as the values do,
// ascending and descending.
template <typename T, typename Gen>
void checkNumericOrder(FieldType type, Gen gen, std::mt19937& rng, const char* what) {
  std::vector<T> values;
  for (int i = 0; i < 300; ++i) values.push_back(gen(rng));
  for (std::size_t i = 0; i + 1 < values.size(); ++i) {
    for (std::size_t j : {i + 1, std::size_t(rng() % values.size())}) {
      const T a = values[i], b = values[j];
      const std::string ea = enc(type, bytesOf(a)), eb = enc(type, bytesOf(b));
      ASSERT_EQ(byteOrder(ea, eb), valueOrder(a, b)) << what << " " << +a << " vs " << +b;
      ASSERT_EQ(byteOrder(enc(type, bytesOf(a), true), enc(type, bytesOf(b), true)),
                -valueOrder(a, b))
          << what << " descending " << +a << " vs " << +b;
    }
  }
}

TEST(KeyEncoding, IntegersAndRealsOrderAsTheirValues) {
  std::mt19937 rng(17);
  checkNumericOrder<std::int16_t>(
      FieldType::Short, [](std::mt19937& r) { return std::int16_t(r()); }, rng, "SHORT");
  checkNumericOrder<std::uint16_t>(
      FieldType::UShort, [](std::mt19937& r) { return std::uint16_t(r()); }, rng, "USHORT");
  checkNumericOrder<std::int32_t>(
      FieldType::Long, [](std::mt19937& r) { return std::int32_t(r()); }, rng, "LONG");
  checkNumericOrder<std::uint32_t>(
      FieldType::ULong, [](std::mt19937& r) { return std::uint32_t(r()); }, rng, "ULONG");
  auto real = [](std::mt19937& r) {
    static const double special[] = {0.0,
                                     -0.0,
                                     -1.0,
                                     1.0,
                                     -2.0,
                                     std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::denorm_min(),
                                     -std::numeric_limits<double>::denorm_min(),
                                     std::numeric_limits<double>::max(),
                                     std::numeric_limits<double>::lowest()};
    if (r() % 4 == 0) return special[r() % std::size(special)];
    return std::ldexp(double(std::int32_t(r())), int(r() % 200) - 100);
  };
  checkNumericOrder<double>(FieldType::Real, real, rng, "REAL");
  checkNumericOrder<float>(
      FieldType::SReal, [&](std::mt19937& r) { return float(real(r)); }, rng, "SREAL");
}

TEST(KeyEncoding, NegativeZeroIsZeroAndEveryNanOrdersLast) {
  const double nans[] = {
      std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::signaling_NaN(), std::bit_cast<double>(0xFFF0000000000123ull)};
  const std::string inf = enc(FieldType::Real, bytesOf(std::numeric_limits<double>::infinity()));
  const std::string first = enc(FieldType::Real, bytesOf(nans[0]));
  for (double n : nans) {
    EXPECT_EQ(enc(FieldType::Real, bytesOf(n)), first);
    EXPECT_GT(enc(FieldType::Real, bytesOf(n)), inf);
    EXPECT_GT(enc(FieldType::SReal, bytesOf(float(n))),
              enc(FieldType::SReal, bytesOf(std::numeric_limits<float>::infinity())));
  }
  EXPECT_EQ(enc(FieldType::Real, bytesOf(-0.0)), enc(FieldType::Real, bytesOf(0.0)));
  EXPECT_EQ(enc(FieldType::SReal, bytesOf(-0.0f)), enc(FieldType::SReal, bytesOf(0.0f)));
}

// A packed DECIMAL of `size` bytes holding v (its digits, scale applied by
// the caller); a negative value gets a random non-zero sign nibble.
std::string packDecimal(std::int64_t v, std::size_t size, std::mt19937& rng) {
  std::string out(size, '\0');
  std::uint64_t m = v < 0 ? std::uint64_t(-v) : std::uint64_t(v);
  for (std::size_t d = 0; d < 2 * size - 1; ++d) {
    const std::size_t nib = 2 * size - 1 - d;  // nibble index from the left (0 = sign)
    const auto digit = char(m % 10);
    m /= 10;
    auto& b = out[nib / 2];
    b = char(nib % 2 ? (b & 0xF0) | digit : (b & 0x0F) | (digit << 4));
  }
  if (v < 0) out[0] = char((out[0] & 0x0F) | ((1 + rng() % 15) << 4));
  return out;
}

TEST(KeyEncoding, DecimalsOrderByValueForEverySizeAndSign) {
  std::mt19937 rng(5);
  for (std::size_t size : {1, 2, 3, 5, 8}) {
    std::int64_t limit = 1;
    for (std::size_t i = 0; i < 2 * size - 1; ++i) limit *= 10;
    std::vector<std::int64_t> values = {0, 1, -1, limit - 1, -(limit - 1)};
    for (int i = 0; i < 200; ++i) {
      values.push_back(std::int64_t(rng() % std::uint64_t(limit)) * (rng() % 2 ? 1 : -1));
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
      const std::int64_t a = values[i], b = values[rng() % values.size()];
      const std::string pa = packDecimal(a, size, rng), pb = packDecimal(b, size, rng);
      ASSERT_EQ(byteOrder(enc(FieldType::Decimal, pa), enc(FieldType::Decimal, pb)),
                valueOrder(a, b))
          << "size " << size << ": " << a << " vs " << b;
      ASSERT_EQ(byteOrder(enc(FieldType::Decimal, pa, true), enc(FieldType::Decimal, pb, true)),
                -valueOrder(a, b));
    }
  }
}

std::string randomText(std::mt19937& rng, std::size_t len, std::string_view alphabet) {
  std::string s;
  const std::size_t n = rng() % (len + 1);
  for (std::size_t i = 0; i < n; ++i) s.push_back(alphabet[rng() % alphabet.size()]);
  s.resize(len, ' ');
  return s;
}

TEST(KeyEncoding, StringsOrderAsTheRuntimeComparesThemUnderEveryCollation) {
  std::mt19937 rng(9);
  const std::string alphabet = "aAbBzZ09 -\xe9\xc9\xe4";
  for (int collation = 0; collation < 2; ++collation) {
    dw::lang::resetCharTables();
    if (collation) {
      dw::lang::usePlatformCasePairs();
      dw::lang::usePlatformCollation();
    }
    for (int i = 0; i < 400; ++i) {
      const std::string a = randomText(rng, 6, alphabet), b = randomText(rng, 6, alphabet);
      ASSERT_EQ(byteOrder(enc(FieldType::String, a), enc(FieldType::String, b)),
                sign(dw::lang::compareStrings(a, b)))
          << "collation " << collation << ": '" << a << "' vs '" << b << "'";
      ASSERT_EQ(byteOrder(enc(FieldType::String, a, true), enc(FieldType::String, b, true)),
                -sign(dw::lang::compareStrings(a, b)));
    }
  }
  dw::lang::resetCharTables();
}

TEST(KeyEncoding, CaseInsensitiveKeysEqualExactlyWhenTheLowerCasesDo) {
  std::mt19937 rng(11);
  const std::string alphabet = "aAbBcC1 ";
  dw::lang::resetCharTables();
  for (int i = 0; i < 400; ++i) {
    const std::string a = randomText(rng, 3, alphabet), b = randomText(rng, 3, alphabet);
    const std::string ea = enc(FieldType::String, a, false, true);
    const std::string eb = enc(FieldType::String, b, false, true);
    EXPECT_EQ(ea == eb, dw::lang::lower(a) == dw::lang::lower(b)) << a << " / " << b;
    EXPECT_EQ(byteOrder(ea, eb), sign(dw::lang::compareStringsNoCase(a, b))) << a << " / " << b;
  }
  EXPECT_EQ(enc(FieldType::CString, std::string("Smith\0", 6), false, true),
            enc(FieldType::CString, std::string("SMITH\0", 6), false, true));
}

// Every byte of a text component maps on its own (case partner in a
// case-insensitive key, then collation weight, then the complement of a
// descending component), the padding at the end as much as the text.
TEST(KeyEncoding, TextAndItsPaddingMapByteByByte) {
  auto reference = [](std::string_view bytes, bool desc, bool noCase) {
    std::string out;
    for (char ch : bytes) {
      auto b = static_cast<unsigned char>(ch);
      if (noCase && dw::lang::isUpper(b) && dw::lang::casePartner(b)) {
        b = dw::lang::casePartner(b);
      }
      b = dw::lang::collationWeight(b);
      out.push_back(char(desc ? ~b : b));
    }
    return out;
  };
  const std::string texts[] = {
      "Backups     ",  // blank padding
      "            ",  // nothing but padding
      "Daily audit",   // no padding
      "xAAAA",         // a run of capitals at the end
      "Z",             // one byte
      "\xc9t\xe9   ",  // accented letters, then blanks
  };
  dw::lang::resetCharTables();
  dw::lang::usePlatformCasePairs();
  dw::lang::usePlatformCollation();
  for (const std::string& text : texts) {
    for (int flags = 0; flags < 4; ++flags) {
      const bool desc = flags & 1, noCase = flags & 2;
      EXPECT_EQ(hex(enc(FieldType::String, text, desc, noCase)), hex(reference(text, desc, noCase)))
          << "'" << text << "' desc " << desc << " nocase " << noCase;
    }
  }
  // A CSTRING's zeros after the text are padding too.
  const std::string c("Mail\0\0\0\0", 8);
  EXPECT_EQ(hex(enc(FieldType::CString, std::string("MAIL\0XY\0", 8), false, true)),
            hex(reference(c, false, true)));
  dw::lang::resetCharTables();
}

// Digraphs expand text when strings are compared, but a key component keeps
// its field's length: keys collate byte by byte and ignore digraphs.
TEST(KeyEncoding, DigraphsLeaveKeysAtTheirFieldLength) {
  dw::lang::resetCharTables();
  dw::lang::usePlatformCollation();
  const std::string before = enc(FieldType::String,
                                 "Stra\xdf"
                                 "e  ");
  dw::lang::addDigraph("\xdfss");
  const std::string after = enc(FieldType::String,
                                "Stra\xdf"
                                "e  ");
  EXPECT_EQ(after, before);
  EXPECT_EQ(after.size(), 8u);
  dw::lang::resetCharTables();
}

TEST(KeyEncoding, OemTablesCollateTheOemBytes) {
  dw::lang::resetCharTables();
  const FieldDesc f = fieldOf(FieldType::String, 1);
  // e acute is E9 in the Windows set and 82 in the OEM set.
  EXPECT_EQ(hex(encodeComponent(f, false, false, true, "\xe9")), "82");
  EXPECT_EQ(hex(encodeComponent(f, false, false, false, "\xe9")), "E9");
}

TEST(KeyEncoding, EmptyValuesByType) {
  TableDesc desc = DescBuilder()
                       .field("S", FieldType::String, 3)
                       .field("C", FieldType::CString, 3)
                       .field("P", FieldType::PString, 3)
                       .field("L", FieldType::Long)
                       .field("G", FieldType::Group, 2)
                       .key("k", kKeyOptional, {1, 2, 3, 4, 5})
                       .build();
  KeyTable t(desc);
  std::string r = t.blankRecord();
  putText(r, desc.fields[0], "");
  putText(r, desc.fields[4], "");
  r[desc.fields[1].offset + 1] = 'x';  // after the terminator: still empty
  r[desc.fields[2].offset + 1] = 'x';  // length byte 0: still empty
  EXPECT_TRUE(keyIsEmpty(t.ref(), 0, r));
  struct Change {
    std::size_t field;
    std::size_t at;
    char byte;
  };
  for (Change c : {Change{0, 2, 'a'}, Change{1, 0, 'a'}, Change{2, 0, '\x01'}, Change{3, 3, '\x01'},
                   Change{4, 1, '\0'}}) {
    std::string changed = r;
    changed[desc.fields[c.field].offset + c.at] = c.byte;
    EXPECT_FALSE(keyIsEmpty(t.ref(), 0, changed)) << "field " << c.field;
  }
}

TEST(KeyEncoding, EntryLayoutOfUniqueAndDuplicateKeys) {
  TableDesc desc = DescBuilder()
                       .field("N", FieldType::Long)
                       .key("u", 0, {1})
                       .key("d", kKeyDuplicates, {-1})
                       .build();
  KeyTable t(desc);
  std::string r = t.blankRecord();
  put<std::int32_t>(r, desc.fields[0], 5);
  const Entry u = makeKeyEntry(t.ref(), 0, r, 0x01020304);
  EXPECT_EQ(hex(u.key()), "00 00 00 01 00 80 00 00 05");
  EXPECT_EQ(hex(u.data()), "01 02 03 04");
  const Entry d = makeKeyEntry(t.ref(), 1, r, 0x01020304);
  EXPECT_EQ(hex(d.key()), "00 00 00 01 01 7F FF FF FA 01 02 03 04");
  EXPECT_TRUE(d.data().empty());
  EXPECT_EQ(recordNumberOf(u), 0x01020304u);
  EXPECT_EQ(recordNumberOf(d), 0x01020304u);
}

TEST(KeyEncoding, DeclarationsAreValidated) {
  DescBuilder b;
  b.field("A", FieldType::Long).field("Arr", FieldType::Long, 0, 0, 3);
  b.field("Big", FieldType::String, 7600);
  EXPECT_EQ(validateKeys(DescBuilder(b).key("k", 0, {1}).build()), 0);
  EXPECT_EQ(validateKeys(DescBuilder(b).key("k", 0, {2}).build()), kErrBadFieldType);
  EXPECT_EQ(validateKeys(DescBuilder(b).key("k", 0, {9}).build()), kErrBadFieldType);
  EXPECT_EQ(validateKeys(DescBuilder(b).key("k", 0, {3}).build()), kErrBadDeclaration);
  DescBuilder many(b);
  for (int i = 0; i < 240; ++i) many.key("k", 0, {1});
  EXPECT_EQ(validateKeys(many.build()), 0);
  many.key("one too many", 0, {1});
  EXPECT_EQ(validateKeys(many.build()), kErrBadDeclaration);
}

}  // namespace
}  // namespace dw::db
