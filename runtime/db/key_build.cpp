// BUILD: brings a key up to date from its rebuild marker.
//
//  1. A dynamic index starts from scratch in a fresh private file with
//     fresh statistics, from record 1.  Any other key starts at its marker
//     (0: complete, nothing to do); an index first loses its entries whose
//     record number is at or above the marker, since writes did not keep
//     them current.
//  2. The table's data entries are read in record order from there, in
//     batches of at most 1000000 / (key length + 38) records.  A batch's
//     key entries are made in memory, sorted (equal keys in record order)
//     and inserted in key order, so that consecutive inserts land on the
//     same leaf.  An entry already present for the same record is dropped;
//     in a key without duplicates, an entry whose value another record
//     already holds is refused and the lowest refused record noted.
//  3. The count becomes the number of the key's entries and the marker the
//     lowest refused record (0 when none); then 40 if there was one.
//
// The caller commits the table's file; a dynamic index's private file is
// committed here.  Same thread rules as the file object.
#include <algorithm>
#include <limits>
#include <vector>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_keys.h"

namespace dw::db {

namespace {

struct Pending {
  Entry entry;
  std::uint32_t record;
};

std::uint32_t countEntries(BriskFile& file, std::string_view prefix) {
  std::uint32_t n = 0;
  std::string probe(prefix);
  while (auto e = findNext(file, probe)) {
    if (e->key().size() <= prefix.size() || e->key().substr(0, prefix.size()) != prefix) break;
    probe = std::string(e->key());
    ++n;
  }
  return n;
}

// Deletes the key's entries of records at or above `from`.
void dropEntriesFrom(BriskFile& file, std::string_view prefix, std::uint32_t from) {
  std::vector<std::string> doomed;
  std::string probe(prefix);
  while (auto e = findNext(file, probe)) {
    if (e->key().size() <= prefix.size() || e->key().substr(0, prefix.size()) != prefix) break;
    probe = std::string(e->key());
    if (recordNumberOf(*e) >= from) doomed.push_back(probe);
  }
  for (const std::string& k : doomed) deleteEntry(file, k);
}

}  // namespace

std::size_t buildBatchSize(const TableRef& ref, std::size_t k) {
  return std::max<std::size_t>(1, 1000000 / (keyValueLength(ref, k) + 38));
}

int buildKey(const TableRef& ref, std::size_t k) {
  if (k >= ref.desc.keys.size()) return kErrBadDeclaration;
  const KeyDesc& key = ref.desc.keys[k];
  const auto kind = std::uint8_t(k);
  const std::string prefix = keyPrefix(ref.number, kind);
  BriskFile* file = &ref.file;
  std::uint32_t start = 1;
  if (key.isDynamic()) {
    if (!ref.dynamic || ref.dynamic->components(k).empty()) return kErrBadIndexString;
    file = &ref.dynamic->freshFile(k);
    writeStatistics(ref, kind, Statistics{});
  } else {
    auto stats = readStatistics(ref, kind);
    if (stats && stats->marker == 0) return 0;
    start = stats ? stats->marker : 1;  // no statistics: rebuild it all
    if (key.isIndex() || !stats) dropEntriesFrom(*file, prefix, start);
  }

  const std::size_t batchSize = buildBatchSize(ref, k);
  const std::string dataPrefix = keyPrefix(ref.number, kEntryData);
  std::uint32_t refused = 0;
  std::string probe = dataKey(ref.number, start);
  std::optional<Entry> next = findEqual(ref.file, probe);
  if (!next) next = findNext(ref.file, probe);
  std::vector<Pending> batch;
  batch.reserve(std::min<std::size_t>(batchSize, 4096));
  while (next && next->key().size() == 9 && next->key().substr(0, 5) == dataPrefix) {
    batch.clear();
    // Gather one batch of entries in memory.
    while (next && next->key().size() == 9 && next->key().substr(0, 5) == dataPrefix &&
           batch.size() < batchSize) {
      const std::uint32_t record = readBigEndian(next->key().substr(5));
      const std::string stored(next->data());
      const std::string image = ref.storedToMemory ? ref.storedToMemory(stored) : stored;
      if (!(key.isOptional() && keyIsEmpty(ref, k, image))) {
        batch.push_back(Pending{makeKeyEntry(ref, k, image, record), record});
      }
      probe = std::string(next->key());
      next = findNext(ref.file, probe);
    }
    std::stable_sort(batch.begin(), batch.end(), [](const Pending& a, const Pending& b) {
      return compareKeys(a.entry.key(), b.entry.key()) < 0;
    });
    // Insert it in key order.
    for (Pending& p : batch) {
      if (auto existing = findEqual(*file, p.entry.key())) {
        if (!key.allowsDuplicates() && recordNumberOf(*existing) != p.record) {
          if (refused == 0 || p.record < refused) refused = p.record;
        }
        continue;
      }
      insertEntry(*file, std::move(p.entry));
    }
  }

  writeStatistics(ref, kind, Statistics{countEntries(*file, prefix), refused});
  if (key.isDynamic()) (void)file->commit();
  return refused ? kErrDuplicateKey : 0;
}

int buildKeys(const TableRef& ref) {
  int result = 0;
  for (std::size_t k = 0; k < ref.desc.keys.size(); ++k) {
    const KeyDesc& key = ref.desc.keys[k];
    if (key.isIndex() || key.isDynamic()) continue;
    const int r = buildKey(ref, k);
    if (r != 0 && result == 0) result = r;
  }
  return result;
}

}  // namespace dw::db
