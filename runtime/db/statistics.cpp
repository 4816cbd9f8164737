// Statistics entries: one for a table's records (kind F3) and one per key
// (kind k), each holding a count and a rebuild marker, 32-bit little-endian
// (docs/brisk-keys.md).  A key's statistics live in the file that holds the
// key's entries, so a dynamic index keeps its own in its private file.
//
// A changed statistics entry is written over the old one in its leaf (same
// key, same length), which leaves the tree's shape alone; when the leaf is
// not at hand it is deleted and inserted again.  A change first looks for
// its entry in the leaf where the tree last found or changed one, so the
// changes a record's write gathers (StatisticsChanges), made one after the
// other, search the tree once: the table's statistics entries are adjacent.
// Same thread rules as the file object.
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
    if (replaceEntry(*file, e)) return;
    deleteEntry(*file, e.key());
  }
  insertEntry(*file, std::move(e));
}

namespace {

// Where the last change of a run of changes found its entry: the entry of
// the next kind changed usually follows it in the same leaf.  Valid only
// while no tree operation runs between the changes (they only replace
// entries in place, or reset it).
struct LeafPlace {
  BriskFile* file = nullptr;
  CachedPage* leaf = nullptr;
  std::size_t index = 0;
};

// The entry with this key among the few after the place's, in its leaf.
CachedPage* followingInLeaf(const LeafPlace& place, std::string_view key, std::size_t& i) {
  auto& entries = place.leaf->entries();
  for (std::size_t j = place.index + 1; j < entries.size() && j <= place.index + 8; ++j) {
    const int c = compareKeys(entries[j].entry.key(), key);
    if (c > 0) break;
    if (c == 0) {
      i = j;
      return place.leaf;
    }
  }
  return nullptr;
}

// Reads the statistics of `kind`, lets change() alter them and writes them
// back when they changed, over the entry where the read found it: one
// search of the tree at most instead of one to read and one to write, none
// when the entry follows the place of the last change.
template <class Change>
bool changeStatistics(const TableRef& ref, std::uint8_t kind, Change&& change,
                      LeafPlace* place = nullptr) {
  BriskFile* file = statsFile(ref, kind);
  if (!file) return false;
  const std::string key = statisticsKey(ref.number, kind);
  std::size_t i = 0;
  CachedPage* leaf = nullptr;
  if (place && place->leaf && place->file == file) leaf = followingInLeaf(*place, key, i);
  if (place) place->leaf = nullptr;
  if (leaf == nullptr) leaf = leafHolding(*file, key, i);
  if (leaf == nullptr) return false;
  const Entry& old = leaf->entries()[i].entry;
  if (old.data().size() < 8) return false;
  const auto* d = reinterpret_cast<const std::uint8_t*>(old.data().data());
  Statistics s{getU32(d), getU32(d + 4)};
  change(s);
  Entry e = statsEntry(ref.number, kind, s);
  if (old == e) {  // unchanged: leave the page alone
    if (place) *place = LeafPlace{file, leaf, i};
    return true;
  }
  if (!file->readMode() && old.length() == e.length()) {
    leaf->entries()[i].entry = std::move(e);
    file->markDirty(leaf);
    if (place) *place = LeafPlace{file, leaf, i};
    return true;
  }
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

StatisticsChanges::Change& StatisticsChanges::of(std::uint8_t kind) {
  auto at = std::lower_bound(m_changes.begin(), m_changes.end(), kind,
                             [](const Change& c, std::uint8_t k) { return c.kind < k; });
  if (at == m_changes.end() || at->kind != kind) {
    Change c;
    c.kind = kind;
    at = m_changes.insert(at, c);
  }
  return *at;
}

void StatisticsChanges::addCount(std::uint8_t kind, std::int64_t delta) {
  of(kind).delta += delta;
}

void StatisticsChanges::lowerMarker(std::uint8_t kind, std::uint32_t recordNumber) {
  Change& c = of(kind);
  if (c.lowerTo == 0 || recordNumber < c.lowerTo) c.lowerTo = recordNumber;
}

void applyStatistics(const TableRef& ref, StatisticsChanges& changes) {
  LeafPlace place;
  for (const StatisticsChanges::Change& c : changes.changes()) {
    if (c.delta == 0 && c.lowerTo == 0) continue;
    changeStatistics(
        ref, c.kind,
        [&](Statistics& s) {
          const std::int64_t n =
              std::clamp<std::int64_t>(std::int64_t(s.count) + c.delta, 0, 0xFFFFFFFFll);
          s.count = std::uint32_t(n);
          if (c.lowerTo != 0 && (s.marker == 0 || c.lowerTo < s.marker)) s.marker = c.lowerTo;
        },
        &place);
  }
  changes.clear();
}

}  // namespace dw::db
