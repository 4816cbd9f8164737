// The page image: how a page's entries are laid out on disk.
//
//   0  4  own offset (512 + 256 * page number)
//   4  2  stored size (after run-length compression of the body)
//   6  2  plain size
//   8  2  size estimate
//  10  2  entry count
//  12  1  level (0 = leaf)
//  13     child pointers (inner pages: 4 bytes per entry), never compressed
//         then the body: the prefix-compressed entry stream
//
// Each entry of the stream: a flag byte (0x80: a 2-byte length follows,
// 0x40: a 2-byte key length follows, low 6 bits: bytes shared with the
// previous entry), the lengths, then the unshared bytes.  The page is padded
// with 0xB0 to a whole number of 256-byte units.  The body is stored
// compressed only when that saves at least one unit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/brisk_format.h"

namespace dw::db {

// Limits on making new entries (insertEntry halts with 814 beyond them).
// Reading is not limited by them: a stored entry may be anything below
// 15094 bytes with a key of any length up to the entry's.
//
// The longest entry a page can hold uncompressed, as a leaf entry or as the
// key of an inner page's separator: 15104 - 13 header - 4 pointer - 5
// entry overhead.
inline constexpr std::uint32_t kMaxEntryLength = kMaxPageBytes - kPageHeaderSize - 4 - 5;  // 15082
// The longest key: two separators of this length (9 bytes of overhead each
// on an inner page) stay below the 15094-byte split threshold, so that an
// inner page of two entries never has to split again.
inline constexpr std::uint32_t kMaxKeyLength = (15094 - kPageHeaderSize) / 2 - 9;  // 7531

// The split rule: a page of more than one entry splits when its size
// estimate exceeds kSplitAlways, or exceeds kSplitCrowded while it holds
// more than kCrowdedEntries entries.
inline constexpr std::uint32_t kSplitAlways = kEntryLimit;  // 15094
inline constexpr std::uint32_t kSplitCrowded = 4096;
inline constexpr std::size_t kCrowdedEntries = 20;

struct PageEntry {
  Entry entry;
  std::int32_t child = 0;  // inner pages only
};

struct PageContent {
  std::uint8_t level = 0;
  std::vector<PageEntry> entries;  // ascending key order
};

// The split estimate: 13 + sum(L + 5), plus 4 per entry on inner pages.
std::uint32_t entryCost(const Entry& e, std::uint8_t level);
std::uint32_t estimateOf(const PageContent& page);

// Builds the image (own offset left 0, padded to whole units).  Halts with
// 1664 when the plain size exceeds `estimate` and 1683 above 15104 bytes.
std::string buildImage(const PageContent& page, std::uint32_t estimate);
// The same into `image`, whose buffer is reused.
void buildImageInto(const PageContent& page, std::uint32_t estimate, std::string& image);
inline void setImageOwnOffset(std::string& image, std::uint32_t offset) {
  putU32(reinterpret_cast<std::uint8_t*>(image.data()), offset);
}
inline std::uint32_t imageClass(const std::string& image) {
  return std::uint32_t(image.size() / kUnit);
}

// Stored size of an image's first bytes (0 when fewer than 13 are given).
std::uint32_t storedSizeOf(std::string_view head);

// Parses the image of a page of class `cls`.  A malformed image halts: 1482
// (size against class), 1607 (entries not ending at the plain size, or any
// other damage), 696 (keys not strictly ascending), 814 (an entry of 15094
// bytes or more, which the format never stores).
PageContent parseImage(std::string_view image, int cls);

// The same checks without halting; an empty string when sound, else the
// fault.  Used by the checker.
std::string parseImageChecked(std::string_view image, int cls, PageContent& out,
                              std::uint32_t& storedEstimate);

}  // namespace dw::db
