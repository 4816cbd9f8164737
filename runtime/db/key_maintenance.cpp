// Key maintenance for one record's add, change or delete.
//
// The work is done in two passes over the keys in key-number order:
//  1. plan (planKeys): for every kept key, the old entry (from the old
//     image) and the new entry (from the new image), each left out when the
//     key is optional and the image's components are all empty.  A key
//     whose components hold the same bytes in both images, or whose two
//     entries have equal keys, needs nothing and costs no tree operation.
//     A new entry of a key that allows no duplicates is looked up now: an
//     existing equal key ends the call with 40 before anything was written.
//  2. apply (applyKeys): insert each new entry (count + 1), delete each old
//     entry that still names this record (count - 1), and lower the marker
//     of each index (or of every key when no maintenance was asked) to this
//     record.  Count and marker changes are gathered in a
//     StatisticsChanges, which the writer makes once for the whole record.
// Checking every key before writing any is what makes a refused write
// leave the file byte for byte as it was: inserting entries and taking
// them out again would leave split pages behind, since pages never merge.
//
// An old entry of a key that allows duplicates ends in the record number,
// so deleting it by its key deletes exactly this record's entry; an old
// entry of a unique key is first read to see which record it names.
//
// Same thread rules as the file object.
#include <cstring>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_keys.h"

namespace dw::db {

namespace {

bool entryFor(const TableRef& ref, std::size_t k, const std::string* image,
              std::uint32_t recordNumber, Entry& out) {
  if (!image) return false;
  if (ref.desc.keys[k].isOptional() && keyIsEmpty(ref, k, *image)) return false;
  out = makeKeyEntry(ref, k, *image, recordNumber);
  return true;
}

}  // namespace

bool keyFieldsEqual(const TableRef& ref, std::size_t k, std::string_view a, std::string_view b) {
  for (const KeyComponent& c : keyComponents(ref, k)) {
    if (c.field >= ref.desc.fields.size()) continue;
    const FieldDesc& f = ref.desc.fields[c.field];
    const std::size_t end = std::size_t(f.offset) + f.totalLength;
    if (end > a.size() || end > b.size()) return false;
    if (std::memcmp(a.data() + f.offset, b.data() + f.offset, f.totalLength) != 0) return false;
  }
  return true;
}

int planKeys(const TableRef& ref, std::uint32_t recordNumber, const std::string* oldImage,
             const std::string* newImage, bool noMaintenance, KeyPlan& plan) {
  plan.changes.clear();
  for (std::size_t k = 0; k < ref.desc.keys.size(); ++k) {
    const KeyDesc& key = ref.desc.keys[k];
    if (key.isDynamic()) continue;
    if (key.isIndex() || noMaintenance) {
      KeyPlan::Change& c = plan.changes.emplace_back();
      c.k = k;
      c.markerOnly = true;
      continue;
    }
    if (oldImage && newImage && keyFieldsEqual(ref, k, *oldImage, *newImage)) continue;
    KeyPlan::Change c;
    c.k = k;
    c.hasOld = entryFor(ref, k, oldImage, recordNumber, c.oldEntry);
    c.hasNew = entryFor(ref, k, newImage, recordNumber, c.newEntry);
    if (c.hasOld && c.hasNew && c.oldEntry.key() == c.newEntry.key()) continue;
    if (!c.hasOld && !c.hasNew) continue;
    if (c.hasNew && !key.allowsDuplicates() && findEqual(ref.file, c.newEntry.key())) {
      plan.changes.clear();
      return kErrDuplicateKey;
    }
    plan.changes.push_back(std::move(c));
  }
  return 0;
}

void applyKeys(const TableRef& ref, std::uint32_t recordNumber, KeyPlan& plan,
               StatisticsChanges& stats) {
  for (KeyPlan::Change& c : plan.changes) {
    const auto kind = std::uint8_t(c.k);
    if (c.markerOnly) {
      stats.lowerMarker(kind, recordNumber);
      continue;
    }
    if (c.hasNew) {
      insertEntry(ref.file, std::move(c.newEntry));
      stats.addCount(kind, 1);
    }
    if (c.hasOld) {
      bool deleted = false;
      if (ref.desc.keys[c.k].allowsDuplicates()) {
        deleted = deleteEntry(ref.file, c.oldEntry.key());
      } else {
        auto found = findEqual(ref.file, c.oldEntry.key());
        deleted = found && recordNumberOf(*found) == recordNumber &&
                  deleteEntry(ref.file, c.oldEntry.key());
      }
      if (deleted) stats.addCount(kind, -1);
    }
  }
  plan.changes.clear();
}

void statisticsOfAdd(const KeyPlan& plan, std::uint32_t recordNumber, StatisticsChanges& stats) {
  for (const KeyPlan::Change& c : plan.changes) {
    if (c.markerOnly) {
      stats.lowerMarker(std::uint8_t(c.k), recordNumber);
    } else if (c.hasNew) {
      stats.addCount(std::uint8_t(c.k), 1);
    }
  }
}

int updateKeys(const TableRef& ref, std::uint32_t recordNumber, const std::string* oldImage,
               const std::string* newImage, bool noMaintenance) {
  KeyPlan plan;
  if (int rc = planKeys(ref, recordNumber, oldImage, newImage, noMaintenance, plan)) return rc;
  StatisticsChanges stats;
  applyKeys(ref, recordNumber, plan, stats);
  applyStatistics(ref, stats);
  return 0;
}

}  // namespace dw::db
