// Key maintenance for one record's add, change or delete.
//
// The work is done in two passes over the keys in key-number order:
//  1. plan: for every kept key, the old entry (from the old image) and the
//     new entry (from the new image), each left out when the key is
//     optional and the image's components are all empty; a key whose two
//     entries have equal keys needs nothing.  A new entry of a key that
//     allows no duplicates is looked up now: an existing equal key ends the
//     call with 40 before anything was written.
//  2. apply: insert each new entry (count + 1), delete each old entry that
//     still names this record (count - 1), and lower the marker of each
//     index (or of every key when no maintenance was asked) to this record.
// Checking every key before writing any is what makes a refused write
// leave the file byte for byte as it was: inserting entries and taking
// them out again would leave split pages behind, since pages never merge.
//
// Same thread rules as the file object.
#include <optional>
#include <vector>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_keys.h"

namespace dw::db {

namespace {

struct KeyChange {
  std::size_t k = 0;
  bool markerOnly = false;
  std::optional<Entry> oldEntry;
  std::optional<Entry> newEntry;
};

std::optional<Entry> entryFor(const TableRef& ref, std::size_t k, const std::string* image,
                              std::uint32_t recordNumber) {
  if (!image) return std::nullopt;
  if (ref.desc.keys[k].isOptional() && keyIsEmpty(ref, k, *image)) return std::nullopt;
  return makeKeyEntry(ref, k, *image, recordNumber);
}

void lowerMarker(const TableRef& ref, std::uint8_t kind, std::uint32_t recordNumber) {
  auto s = readStatistics(ref, kind);
  if (!s) return;
  if (s->marker == 0 || recordNumber < s->marker) setMarker(ref, kind, recordNumber);
}

}  // namespace

int updateKeys(const TableRef& ref, std::uint32_t recordNumber, const std::string* oldImage,
               const std::string* newImage, bool noMaintenance) {
  std::vector<KeyChange> plan;
  for (std::size_t k = 0; k < ref.desc.keys.size(); ++k) {
    const KeyDesc& key = ref.desc.keys[k];
    if (key.isDynamic()) continue;
    if (key.isIndex() || noMaintenance) {
      plan.push_back(KeyChange{k, true, std::nullopt, std::nullopt});
      continue;
    }
    KeyChange c{k, false, entryFor(ref, k, oldImage, recordNumber),
                entryFor(ref, k, newImage, recordNumber)};
    if (c.oldEntry && c.newEntry && c.oldEntry->key() == c.newEntry->key()) continue;
    if (!c.oldEntry && !c.newEntry) continue;
    if (c.newEntry && !key.allowsDuplicates() && findEqual(ref.file, c.newEntry->key())) {
      return kErrDuplicateKey;
    }
    plan.push_back(std::move(c));
  }

  for (KeyChange& c : plan) {
    const auto kind = std::uint8_t(c.k);
    if (c.markerOnly) {
      lowerMarker(ref, kind, recordNumber);
      continue;
    }
    std::int64_t delta = 0;
    if (c.newEntry) {
      insertEntry(ref.file, std::move(*c.newEntry));
      ++delta;
    }
    if (c.oldEntry) {
      auto found = findEqual(ref.file, c.oldEntry->key());
      if (found && recordNumberOf(*found) == recordNumber) {
        deleteEntry(ref.file, c.oldEntry->key());
        --delta;
      }
    }
    if (delta != 0) addCount(ref, kind, delta);
  }
  return 0;
}

}  // namespace dw::db
