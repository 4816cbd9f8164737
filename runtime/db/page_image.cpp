// Building and parsing page images (layout: page_image.h).
#include "runtime/db/page_image.h"

#include <algorithm>
#include <cstring>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/rle.h"

namespace dw::db {
namespace {

// Bytes two entries share at their start, at most 63 (what the flag holds).
std::size_t sharedPrefix(const std::string& a, const std::string& b) {
  return firstDifference(a.data(), b.data(), std::min<std::size_t>({63, a.size(), b.size()}));
}

// Asks for an entry's bytes (the first 512 of a long one) to be brought
// into the cache.  The empty asm hides where the bytes lie from the
// optimiser, which otherwise drops these prefetches (seen with GCC 12 -O2).
inline void prefetchBytes(const Entry& e) {
  const char* p = e.bytes.data();
  asm volatile("" : "+r"(p));
  const std::size_t n = e.bytes.size();
  __builtin_prefetch(p);
  if (n <= 64) return;
  __builtin_prefetch(p + 64);
  if (n <= 128) return;
  __builtin_prefetch(p + 128);
  __builtin_prefetch(p + 192);
  if (n <= 256) return;
  __builtin_prefetch(p + 256);
  __builtin_prefetch(p + 320);
  __builtin_prefetch(p + 384);
  __builtin_prefetch(p + 448);
}

struct ParseFault {
  int check;
  std::string text;
};

// Parses the entry stream; returns false with `fault` set on damage.
bool parseBody(std::string_view body, std::size_t count, PageContent& page, ParseFault& fault) {
  std::size_t pos = 0;
  std::size_t prevL = 0, prevK = 0;
  const std::string* prev = nullptr;
  page.entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (pos >= body.size()) {
      fault = {check::kParseEnd, "entry stream ends early"};
      return false;
    }
    const auto flag = static_cast<std::uint8_t>(body[pos++]);
    std::size_t L = prevL, K = prevK;
    const std::size_t S = flag & 0x3F;
    const bool hasL = (flag & 0x80) != 0, hasK = (flag & 0x40) != 0;
    if ((hasL ? 2u : 0u) + (hasK ? 2u : 0u) > body.size() - pos) {
      fault = {check::kParseEnd, "entry lengths run past the body"};
      return false;
    }
    if (hasL) L = getU16(reinterpret_cast<const std::uint8_t*>(body.data() + pos)), pos += 2;
    if (hasK) K = getU16(reinterpret_cast<const std::uint8_t*>(body.data() + pos)), pos += 2;
    if (i == 0 && (!hasL || !hasK || S != 0)) {
      fault = {check::kParseEnd, "first entry does not carry its lengths"};
      return false;
    }
    if (K > L || S > L || S > prevL || L - S > body.size() - pos) {
      fault = {check::kParseEnd, "entry lengths inconsistent"};
      return false;
    }
    // Reading takes every entry the format allows (below 15094 bytes, any
    // key length up to the entry's); the tighter limits that keep a page
    // able to hold what it must apply only to making new entries.
    if (L >= kEntryLimit) {
      fault = {check::kEntryTooLong, "entry too long"};
      return false;
    }
    std::string bytes;
    bytes.reserve(L);
    if (S > 0) bytes.append(*prev, 0, S);
    bytes.append(body.substr(pos, L - S));
    pos += L - S;
    PageEntry pe{Entry(std::move(bytes), K), 0};
    if (prev != nullptr && compareKeys(page.entries.back().entry.key(), pe.entry.key()) >= 0) {
      fault = {check::kEqualKeys, "keys not in ascending order"};
      return false;
    }
    page.entries.push_back(std::move(pe));
    prev = &page.entries.back().entry.bytes;
    prevL = L;
    prevK = K;
  }
  if (pos != body.size()) {
    fault = {check::kParseEnd, "entries do not end at the plain size"};
    return false;
  }
  return true;
}

bool parseAll(std::string_view image, int cls, PageContent& page, std::uint32_t& estimate,
              ParseFault& fault) {
  const auto* u = reinterpret_cast<const std::uint8_t*>(image.data());
  if (image.size() < kPageHeaderSize || image.size() != std::size_t(cls) * kUnit) {
    fault = {check::kShortRead, "page shorter than its class"};
    return false;
  }
  const std::uint32_t stored = getU16(u + 4), plain = getU16(u + 6);
  if (roundUpUnits(stored) != std::uint32_t(cls) * kUnit || stored < kPageHeaderSize) {
    fault = {check::kPageSizeClass, "stored size does not match the size class"};
    return false;
  }
  estimate = getU16(u + 8);
  const std::size_t count = getU16(u + 10);
  page.level = u[12];
  const std::size_t pointers = page.level > 0 ? 4 * count : 0;
  // The plain size may exceed the page when the body is compressed (one
  // long entry); its 16 bits bound the buffer it expands into.
  if (plain < stored || kPageHeaderSize + pointers > stored || page.level > 48 ||
      (count == 0 && plain != kPageHeaderSize)) {
    fault = {check::kParseEnd, "page header fields inconsistent"};
    return false;
  }
  const std::size_t bodyStart = kPageHeaderSize + pointers;
  std::string expanded;
  std::string_view body = image.substr(bodyStart, stored - bodyStart);
  if (stored < plain) {
    auto out = rleExpand(body, plain - bodyStart);
    if (!out) {
      fault = {check::kParseEnd, "compressed body damaged"};
      return false;
    }
    expanded = std::move(*out);
    body = expanded;
  }
  if (!parseBody(body, count, page, fault)) return false;
  if (page.level > 0) {
    for (std::size_t i = 0; i < count; ++i) {
      page.entries[i].child = std::int32_t(getU32(u + kPageHeaderSize + 4 * i));
    }
  }
  return true;
}

}  // namespace

std::uint32_t entryCost(const Entry& e, std::uint8_t level) {
  return std::uint32_t(e.length()) + 5 + (level > 0 ? 4 : 0);
}

std::uint32_t estimateOf(const PageContent& page) {
  std::uint32_t total = kPageHeaderSize;
  for (const auto& pe : page.entries) total += entryCost(pe.entry, page.level);
  return total;
}

std::string buildImage(const PageContent& page, std::uint32_t estimate) {
  std::string image;
  buildImageInto(page, estimate, image);
  return image;
}

void buildImageInto(const PageContent& page, std::uint32_t estimate, std::string& image) {
  // The header and pointers, then the plain body written straight after
  // them into a buffer of the estimate's size; a compressed body replaces
  // it when that saves a unit.  A page's entries lie wherever the heap put them, so the
  // bytes of the entries a few places ahead are fetched early: building
  // then waits for memory once every few entries instead of once per entry.
  const auto& entries = page.entries;
  const std::size_t count = entries.size();
  const std::size_t headSize = kPageHeaderSize + (page.level > 0 ? 4 * count : 0);
  const std::size_t capacity = std::max<std::size_t>(estimate, headSize);
  image.resize(roundUpUnits(std::uint32_t(capacity)));
  char* const base = image.data();
  std::memset(base, 0, kPageHeaderSize);
  auto* h = reinterpret_cast<std::uint8_t*>(base);
  putU16(h + 8, estimate);
  putU16(h + 10, std::uint32_t(count));
  h[12] = page.level;
  if (page.level > 0) {
    for (std::size_t i = 0; i < count; ++i) {
      putU32(h + kPageHeaderSize + 4 * i, std::uint32_t(entries[i].child));
    }
  }
  // Entries are fetched kAhead places ahead and their bytes kBytesAhead
  // places ahead (where the bytes lie is read from the entry).
  constexpr std::size_t kAhead = 24, kBytesAhead = 10;
  for (std::size_t i = 0; i < kAhead && i < count; ++i) __builtin_prefetch(&entries[i]);
  for (std::size_t i = 0; i < kBytesAhead && i < count; ++i) prefetchBytes(entries[i].entry);
  char* at = base + headSize;
  const char* const limit = base + capacity;
  const std::string* prev = nullptr;
  std::uint16_t prevK = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count) __builtin_prefetch(&entries[i + kAhead]);
    if (i + kBytesAhead < count) prefetchBytes(entries[i + kBytesAhead].entry);
    const Entry& e = entries[i].entry;
    const std::size_t length = e.length();
    const bool newL = prev == nullptr || length != prev->size();
    const bool newK = prev == nullptr || e.keyLength != prevK;
    const std::size_t s = prev == nullptr ? 0 : sharedPrefix(*prev, e.bytes);
    // Flag, lengths and the unshared bytes.  A body that outgrows the
    // estimate is refused (it would be at the end as well).
    const std::size_t need = 1 + (newL ? 2 : 0) + (newK ? 2 : 0) + length - s;
    if (std::size_t(limit - at) < need) brkbtFail(check::kImageOverEstimate);
    *at++ = char((newL ? 0x80 : 0) | (newK ? 0x40 : 0) | s);
    if (newL) putU16(reinterpret_cast<std::uint8_t*>(at), std::uint32_t(length)), at += 2;
    if (newK) putU16(reinterpret_cast<std::uint8_t*>(at), e.keyLength), at += 2;
    std::memcpy(at, e.bytes.data() + s, length - s);
    at += length - s;
    prev = &e.bytes;
    prevK = e.keyLength;
  }
  const std::size_t plain = std::size_t(at - base);
  if (plain > estimate) brkbtFail(check::kImageOverEstimate);
  std::size_t stored = plain;
  // A body of one unit or less cannot shrink by a unit.  The compressed
  // form goes to a buffer of the thread's that only ever grows.
  if (plain > kUnit) {
    thread_local std::string packed;
    const std::size_t room = rleCompressRoom(plain - headSize);
    if (packed.size() < room) packed.resize(room);
    const std::size_t n =
        rleCompressInto(std::string_view(base + headSize, plain - headSize), packed.data());
    if (n > 0 && roundUpUnits(std::uint32_t(headSize + n)) < roundUpUnits(std::uint32_t(plain))) {
      std::memcpy(base + headSize, packed.data(), n);
      stored = headSize + n;
    }
  }
  if (roundUpUnits(std::uint32_t(stored)) > kMaxPageBytes) brkbtFail(check::kPageTooLarge);
  putU16(h + 4, std::uint32_t(stored));
  putU16(h + 6, std::uint32_t(plain));
  const std::size_t total = roundUpUnits(std::uint32_t(stored));
  std::memset(base + stored, char(kSlackByte), total - stored);
  image.resize(total);
}

std::uint32_t storedSizeOf(std::string_view head) {
  if (head.size() < kPageHeaderSize) return 0;
  return getU16(reinterpret_cast<const std::uint8_t*>(head.data()) + 4);
}

PageContent parseImage(std::string_view image, int cls) {
  PageContent page;
  std::uint32_t estimate = 0;
  ParseFault fault{};
  if (!parseAll(image, cls, page, estimate, fault)) brkbtFail(fault.check);
  return page;
}

std::string parseImageChecked(std::string_view image, int cls, PageContent& out,
                              std::uint32_t& storedEstimate) {
  ParseFault fault{};
  out = PageContent{};
  if (!parseAll(image, cls, out, storedEstimate, fault)) return fault.text;
  return {};
}

}  // namespace dw::db
