// The page image builder against a plain, byte-at-a-time encoder of the
// same layout: stored pages depend on every byte, so the builder must write
// exactly what the plain encoding gives, for leaves and inner pages,
// compressed or not, and refuse the same pages.
#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "db_test_util.h"
#include "runtime/db/brisk_checks.h"
#include "runtime/db/page_image.h"
#include "runtime/db/rle.h"

namespace dw::db {
namespace {

[[maybe_unused]] auto* const kHalts = ::testing::AddGlobalTestEnvironment(new testing::HaltsThrow);

// The layout written out one byte at a time: header, pointers, each entry's
// flag, lengths and unshared bytes, the body compressed only when that
// saves a unit, 0xB0 up to the unit.  Nothing when the plain image exceeds
// the estimate or the page would exceed 59 units (the builder halts).
std::optional<std::string> plainImage(const PageContent& page, std::uint32_t estimate) {
  std::string out(kPageHeaderSize, '\0');
  auto put16 = [&](std::size_t at, std::uint32_t v) {
    out[at] = char(v & 0xFF);
    out[at + 1] = char((v >> 8) & 0xFF);
  };
  auto append16 = [&](std::uint32_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
  };
  put16(8, estimate);
  put16(10, std::uint32_t(page.entries.size()));
  out[12] = char(page.level);
  if (page.level > 0) {
    for (const auto& pe : page.entries) {
      for (int b = 0; b < 4; ++b) out.push_back(char(std::uint32_t(pe.child) >> (8 * b)));
    }
  }
  const std::size_t head = out.size();
  const Entry* prev = nullptr;
  for (const auto& pe : page.entries) {
    const Entry& e = pe.entry;
    std::size_t s = 0;
    if (prev) {
      while (s < 63 && s < e.length() && s < prev->length() && e.bytes[s] == prev->bytes[s]) ++s;
    }
    const bool newL = !prev || prev->length() != e.length();
    const bool newK = !prev || prev->keyLength != e.keyLength;
    out.push_back(char((newL ? 0x80 : 0) | (newK ? 0x40 : 0) | int(s)));
    if (newL) append16(std::uint32_t(e.length()));
    if (newK) append16(e.keyLength);
    out.append(e.bytes, s);
    prev = &e;
  }
  const std::size_t plain = out.size();
  if (plain > estimate) return std::nullopt;
  if (auto packed = rleCompress(std::string_view(out).substr(head))) {
    if (roundUpUnits(std::uint32_t(head + packed->size())) < roundUpUnits(std::uint32_t(plain))) {
      out.resize(head);
      out += *packed;
    }
  }
  if (roundUpUnits(std::uint32_t(out.size())) > kMaxPageBytes) return std::nullopt;
  put16(4, std::uint32_t(out.size()));
  put16(6, std::uint32_t(plain));
  out.resize(roundUpUnits(std::uint32_t(out.size())), char(kSlackByte));
  return out;
}

// Random pages shaped like the tree's: ascending keys over a few shared
// prefixes (table, key number, blank-padded text), data of any length,
// runs that make bodies compressible, long entries that share 63 bytes and
// more, and inner pages with pointers.
PageContent randomPage(std::mt19937& rng) {
  PageContent page;
  page.level = std::uint8_t(rng() % 4 == 0 ? 1 + rng() % 3 : 0);
  const std::size_t count = 1 + rng() % (rng() % 3 == 0 ? 120 : 25);
  const std::string prefix("\x00\x00\x00\x07", 4);
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < count; ++i) {
    std::string k = prefix;
    k.push_back(char(rng() % 3));
    const std::size_t len = rng() % (rng() % 5 == 0 ? 150 : 24);
    for (std::size_t j = 0; j < len; ++j) {
      k.push_back(rng() % 3 == 0 ? ' ' : char('A' + rng() % (rng() % 2 ? 3 : 200)));
    }
    keys.push_back(std::move(k));
  }
  std::sort(keys.begin(), keys.end(),
            [](const std::string& a, const std::string& b) { return compareKeys(a, b) < 0; });
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  const std::size_t dataKind = rng() % 3;  // same length for all, random, long with runs
  for (const std::string& k : keys) {
    std::string bytes = k;
    if (page.level == 0) {
      const std::size_t data = dataKind == 0 ? 4 : (dataKind == 1 ? rng() % 40 : 200 + rng() % 300);
      for (std::size_t j = 0; j < data; ++j) {
        bytes.push_back(dataKind == 2 && j % 50 < 30 ? ' ' : char(rng()));
      }
    }
    page.entries.push_back(PageEntry{Entry(std::move(bytes), k.size()), std::int32_t(rng())});
  }
  return page;
}

TEST(PageImage, BuilderWritesExactlyThePlainEncodingAndParsesBack) {
  std::mt19937 rng(20261207);
  int compressed = 0, inner = 0, refused = 0;
  std::string reused;  // one buffer through every case, as placement reuses a page's
  for (int t = 0; t < 3000; ++t) {
    const PageContent page = randomPage(rng);
    const std::uint32_t full = estimateOf(page);
    // Mostly the true estimate; now and then one a little short, which
    // must be refused exactly when the plain body outgrows it.
    std::uint32_t estimate = full;
    if (t % 10 == 0) estimate = full - std::min<std::uint32_t>(full, rng() % 64);
    const std::optional<std::string> want = plainImage(page, estimate);
    if (!want) {
      ++refused;
      EXPECT_THROW((void)buildImage(page, estimate), dw::lang::HaltRequested) << "case " << t;
      continue;
    }
    const std::string got = buildImage(page, estimate);
    ASSERT_EQ(got, *want) << "case " << t;
    buildImageInto(page, estimate, reused);
    ASSERT_EQ(reused, *want) << "case " << t << " into a reused buffer";
    const auto* u = reinterpret_cast<const std::uint8_t*>(got.data());
    if (getU16(u + 4) < getU16(u + 6)) ++compressed;
    if (page.level > 0) ++inner;
    const PageContent back = parseImage(got, int(imageClass(got)));
    ASSERT_EQ(back.entries.size(), page.entries.size());
    ASSERT_EQ(back.level, page.level);
    for (std::size_t i = 0; i < page.entries.size(); ++i) {
      ASSERT_EQ(back.entries[i].entry, page.entries[i].entry) << "case " << t << " entry " << i;
      if (page.level > 0) {
        ASSERT_EQ(back.entries[i].child, page.entries[i].child);
      }
    }
  }
  // The cases reached every shape.
  EXPECT_GT(compressed, 100);
  EXPECT_GT(inner, 300);
  EXPECT_GT(refused, 20);
}

// An estimate below the header alone, a page too large for 59 units and an
// empty page: refused or built as the plain encoding says.
TEST(PageImage, EdgePagesMatchThePlainEncoding) {
  PageContent empty;
  EXPECT_EQ(buildImage(empty, kPageHeaderSize), *plainImage(empty, kPageHeaderSize));
  EXPECT_THROW((void)buildImage(empty, 5), dw::lang::HaltRequested);

  // Incompressible entries over 15104 bytes in all.
  PageContent big;
  std::mt19937 rng(3);
  for (int i = 0; i < 40; ++i) {
    std::string bytes(1, char(i));
    for (int j = 0; j < 400; ++j) bytes.push_back(char('a' + rng() % 26));
    big.entries.push_back(PageEntry{Entry(std::move(bytes), 1), 0});
  }
  EXPECT_FALSE(plainImage(big, estimateOf(big)));
  try {
    (void)buildImage(big, estimateOf(big));
    ADD_FAILURE() << "a page beyond 59 units was built";
  } catch (const dw::lang::HaltRequested& h) {
    EXPECT_NE(h.text.find("brkbt line 1683"), std::string::npos) << h.text;
  }
}

}  // namespace
}  // namespace dw::db
