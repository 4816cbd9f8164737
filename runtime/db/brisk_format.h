// The fixed layout of a Brisk file: the 512-byte header, page numbers and
// size classes, entries and their ordering.  docs/brisk-file-format.md
// describes the bytes; this header is the one place that knows the offsets.
//
// Invariants kept by everything above this layer:
//  - a page number p addresses byte 512 + 256 * p; negative numbers are
//    temporary (in-memory only) pages;
//  - a page of class c occupies exactly c units of 256 bytes (1 <= c <= 59);
//  - region c (1..59) holds pages of class c back to back, regions ascend;
//  - every multi-byte number is little-endian except the number counter.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace dw::db {

inline constexpr std::uint32_t kHeaderSize = 512;
inline constexpr std::uint32_t kUnit = 256;
inline constexpr int kClassCount = 59;
inline constexpr std::uint32_t kMaxPageBytes = kClassCount * kUnit;  // 15104
inline constexpr std::uint32_t kEntryLimit = 0x3AF6;                 // 15094: entries stay below
inline constexpr std::uint32_t kPageHeaderSize = 13;
inline constexpr std::uint8_t kSlackByte = 0xB0;
inline constexpr std::int32_t kNoRoot = -1;
inline constexpr std::uint64_t kLockBase = 0x80000000ull;  // file data stays below this
inline constexpr char kMagic[4] = {'b', 'R', 's', 'K'};

inline std::uint16_t getU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t getU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
inline void putU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
inline std::uint32_t roundUpUnits(std::uint32_t bytes) {
  return (bytes + kUnit - 1) / kUnit * kUnit;
}
inline std::uint64_t pageOffset(std::int32_t page) {
  return kHeaderSize + std::uint64_t(kUnit) * std::uint32_t(page);
}

// The file header as held in memory.  Region arrays keep entry 0 at 0 as the
// lower boundary of region 1.
struct Header {
  std::uint32_t ownOffset = 0;
  std::uint16_t headerSize = kHeaderSize;
  std::uint32_t pendingStart = 0;
  std::uint32_t pendingEnd = 0;
  std::array<std::uint8_t, 4> numberCounter{};  // big-endian
  std::uint32_t changeCounter = 0;
  std::int32_t rootPage = 0;
  std::array<std::int32_t, 60> regionStart{};
  std::array<std::int32_t, 60> regionEnd{};
  bool magicOk = true;

  void encode(std::uint8_t* out) const;  // 512 bytes
  static Header decode(const std::uint8_t* in);

  // The class whose region holds page p, or 0 when none does.
  int classOf(std::int32_t page) const;
  // The page number just past the highest non-empty region (0 when empty).
  std::int32_t endPage() const;
  std::uint32_t endOfData() const { return kHeaderSize + kUnit * std::uint32_t(endPage()); }
  // Region bounds ascend, hold whole pages and stay below the lock bytes.
  bool regionsValid() const;
  bool operator==(const Header&) const = default;
};

// The index of the first of n bytes where a and b differ (n when none
// does).  Keys of one key share long prefixes (table, key number, leading
// components): eight bytes are compared at a time, then the last few one by
// one.
inline std::size_t firstDifference(const char* a, const char* b, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        return i + std::size_t(std::countr_zero(x ^ y) / 8);
      } else {
        return i + std::size_t(std::countl_zero(x ^ y) / 8);
      }
    }
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Unsigned byte order, a proper prefix first.
inline int compareKeys(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  const std::size_t i = firstDifference(a.data(), b.data(), n);
  if (i < n) {
    return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// The first 16 bytes of a key as two big-endian words, padded with zero
// bytes.  Where the heads of two keys differ they order the keys exactly as
// compareKeys does (a zero pad sorts like the end of a shorter key); only
// equal heads need the key bytes themselves.  A search compares the heads
// kept beside each entry of a page first, so that it seldom has to reach
// the entries' own bytes, which lie elsewhere in memory.
struct KeyHead {
  std::uint64_t high = 0, low = 0;

  static KeyHead of(std::string_view key) {
    unsigned char b[16] = {};
    std::memcpy(b, key.data(), key.size() < 16 ? key.size() : 16);
    KeyHead h;
    std::memcpy(&h.high, b, 8);
    std::memcpy(&h.low, b + 8, 8);
    if constexpr (std::endian::native == std::endian::little) {
      h.high = __builtin_bswap64(h.high);
      h.low = __builtin_bswap64(h.low);
    }
    return h;
  }
  bool operator==(const KeyHead&) const = default;
};

// A key to search for, with its head worked out once.
struct KeyProbe {
  std::string_view key;
  KeyHead head;
  explicit KeyProbe(std::string_view k) : key(k), head(KeyHead::of(k)) {}
};

// One item of the tree: the first keyLength bytes of bytes are its key.
// The bytes are never changed in place: the key's head is worked out when
// the entry is made (build a new entry to change one).
struct Entry {
  std::string bytes;
  std::uint16_t keyLength = 0;
  KeyHead head;

  Entry() = default;
  Entry(std::string b, std::size_t k)
      : bytes(std::move(b)), keyLength(std::uint16_t(k)), head(KeyHead::of(key())) {}
  static Entry keyOnly(std::string_view key) { return Entry(std::string(key), key.size()); }
  std::string_view key() const { return std::string_view(bytes).substr(0, keyLength); }
  std::string_view data() const { return std::string_view(bytes).substr(keyLength); }
  std::size_t length() const { return bytes.size(); }
  bool operator==(const Entry& o) const { return keyLength == o.keyLength && bytes == o.bytes; }
};

// compareKeys(key, p.key) where head is key's head: decided on the heads
// where they differ, else on the bytes past them.
inline int compareKeyWithHead(const KeyHead& head, std::string_view key, const KeyProbe& p) {
  if (head.high != p.head.high) return head.high < p.head.high ? -1 : 1;
  if (head.low != p.head.low) return head.low < p.head.low ? -1 : 1;
  if (key.size() >= 16 && p.key.size() >= 16) return compareKeys(key.substr(16), p.key.substr(16));
  return compareKeys(key, p.key);
}
inline int compareEntryKey(const Entry& e, const KeyProbe& p) {
  return compareKeyWithHead(e.head, e.key(), p);
}
// Whether an entry's key is the probe's.  Heads and lengths decide a key
// that fits in its head (16 bytes); a longer one compares the bytes past
// the head.  Most keys of a table (records, memos, numeric keys) are that
// short, so the entry's own bytes, which lie elsewhere in memory, are not
// read.
inline bool entryHasKey(const Entry& e, const KeyProbe& p) {
  if (e.keyLength != p.key.size() || !(e.head == p.head)) return false;
  return p.key.size() <= 16 || e.key().substr(16) == p.key.substr(16);
}

// The first of n items in ascending key order whose key is above the
// probe's (or at it, with equalIsAbove); headOf(item) is an item's key head,
// keyOf(item) its key.  Items searched for one record seldom lie in the
// processor's caches, so each step fetches the heads both of its possible
// next steps compare while it compares this one: the search waits on memory
// about half as often as it probes.
template <class T, class HeadOf, class KeyOf>
std::size_t boundByHeads(const T* items, std::size_t n, const KeyProbe& probe, bool equalIsAbove,
                         HeadOf headOf, KeyOf keyOf) {
  std::size_t lo = 0, hi = n;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    __builtin_prefetch(&headOf(items[(lo + mid) / 2]));
    __builtin_prefetch(&headOf(items[std::min(n - 1, (mid + 1 + hi) / 2)]));
    const int c = compareKeyWithHead(headOf(items[mid]), keyOf(items[mid]), probe);
    if (c < 0 || (c == 0 && !equalIsAbove)) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

}  // namespace dw::db
