// Statistics entries: one for a table's records (kind F3) and one per key
// (kind k), each holding a count and a rebuild marker, 32-bit little-endian
// (docs/brisk-keys.md).  A key's statistics live in the file that holds the
// key's entries, so a dynamic index keeps its own in its private file.
//
// A changed statistics entry is written over the old one in its leaf (same
// key, same length), which leaves the tree's shape alone; when the leaf is
// not at hand it is deleted and inserted again.  Same thread rules as the
// file object.
#include <algorithm>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_keys.h"

namespace dw::db {

namespace {

BriskFile* statsFile(const TableRef& ref, std::uint8_t kind) {
  if (kind == kStatsRecords) return &ref.file;
  if (kind >= ref.desc.keys.size()) return nullptr;
  return keyFile(ref, kind);
}

Entry statsEntry(std::uint32_t table, std::uint8_t kind, const Statistics& s) {
  std::string bytes = statisticsKey(table, kind);
  const std::size_t keyLength = bytes.size();
  std::uint8_t data[8];
  putU32(data, s.count);
  putU32(data + 4, s.marker);
  bytes.append(reinterpret_cast<const char*>(data), 8);
  return Entry(std::move(bytes), keyLength);
}

// Puts e over the entry of the same key and length in the leaf where the
// tree just found it: the page keeps its size, its separators and its
// place, so nothing but its contents changes.  False when that leaf is not
// at hand (the caller then deletes and inserts).
bool overwriteInLeaf(BriskFile& file, Entry& e) {
  if (file.readMode() || !file.hasHint()) return false;
  CachedPage* leaf = file.readPage(file.hintLeaf());
  if (!leaf || !leaf->isLeaf()) return false;
  auto& entries = leaf->entries();
  const std::size_t i = brkbt_detail::lastAtOrBelow(entries, e.key());
  if (i >= entries.size()) return false;
  Entry& old = entries[i].entry;
  if (old.key() != e.key() || old.length() != e.length()) return false;
  old = std::move(e);
  file.markDirty(leaf);
  return true;
}

}  // namespace

void createStatistics(const TableRef& ref) {
  writeStatistics(ref, kStatsRecords, Statistics{});
  for (std::size_t k = 0; k < ref.desc.keys.size(); ++k) {
    if (statsFile(ref, std::uint8_t(k))) writeStatistics(ref, std::uint8_t(k), Statistics{});
  }
}

std::optional<Statistics> readStatistics(const TableRef& ref, std::uint8_t kind) {
  BriskFile* file = statsFile(ref, kind);
  if (!file) return std::nullopt;
  auto e = findEqual(*file, statisticsKey(ref.number, kind));
  if (!e || e->data().size() < 8) return std::nullopt;
  const auto* d = reinterpret_cast<const std::uint8_t*>(e->data().data());
  return Statistics{getU32(d), getU32(d + 4)};
}

void writeStatistics(const TableRef& ref, std::uint8_t kind, const Statistics& s) {
  BriskFile* file = statsFile(ref, kind);
  if (!file) return;
  Entry e = statsEntry(ref.number, kind, s);
  if (auto old = findEqual(*file, e.key())) {
    if (*old == e) return;  // unchanged: leave the page alone
    if (overwriteInLeaf(*file, e)) return;
    deleteEntry(*file, e.key());
  }
  insertEntry(*file, std::move(e));
}

namespace {

// Reads the statistics of `kind`, lets change() alter them and writes them
// back when they changed, over the entry the read has just found: one
// descent of the tree instead of one to read and one to write.
template <class Change>
bool changeStatistics(const TableRef& ref, std::uint8_t kind, Change&& change) {
  BriskFile* file = statsFile(ref, kind);
  if (!file) return false;
  const std::string key = statisticsKey(ref.number, kind);
  auto old = findEqual(*file, key);
  if (!old || old->data().size() < 8) return false;
  const auto* d = reinterpret_cast<const std::uint8_t*>(old->data().data());
  Statistics s{getU32(d), getU32(d + 4)};
  change(s);
  Entry e = statsEntry(ref.number, kind, s);
  if (*old == e) return true;  // unchanged: leave the page alone
  if (overwriteInLeaf(*file, e)) return true;
  deleteEntry(*file, key);
  insertEntry(*file, std::move(e));
  return true;
}

}  // namespace

bool addCount(const TableRef& ref, std::uint8_t kind, std::int64_t delta) {
  return changeStatistics(ref, kind, [&](Statistics& s) {
    const std::int64_t n = std::clamp<std::int64_t>(std::int64_t(s.count) + delta, 0, 0xFFFFFFFFll);
    s.count = std::uint32_t(n);
  });
}

bool setMarker(const TableRef& ref, std::uint8_t kind, std::uint32_t recordNumber) {
  return changeStatistics(ref, kind, [&](Statistics& s) { s.marker = recordNumber; });
}

}  // namespace dw::db
