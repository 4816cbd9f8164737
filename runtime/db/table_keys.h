// Keys of a table: the byte-comparable encoding of key values, key
// entries, statistics entries with their rebuild markers, and the key
// maintenance that adds, changes and deletes of records run
// (docs/brisk-keys.md).  The cursor is key_cursor.h; BUILD and dynamic
// indexes are declared at the end of this header.
//
// Entries of a table that this code owns (the table number T is 4 bytes,
// big-endian, as the file's number counter issued it):
//   key entry k        T, k, encoded components [, record number]  -> [record number]
//   statistics entry   T, F6, kind                                  -> count, marker
// where kind is F3 for the table's records and k for key k.  Key entries
// of a key that allows duplicates carry the record number (big-endian) as
// the last 4 bytes of their key and have no data; those of a unique key
// carry it as their 4 data bytes.  So every key entry ends in its record
// number.  Count and marker are 32-bit little-endian.
//
// Invariants kept by updateKeys and buildKey for a key whose marker is 0:
//  - every record not left out by the optional rule has exactly one entry
//    and every entry names an existing record;
//  - the key's count equals its number of entries;
//  - a unique key never holds two entries with equal encoded values.
// A non-zero marker names the lowest record whose entry may be missing or
// stale; only BUILD clears it.
//
// Functions work on the file objects of a TableRef; the caller has
// refreshed their headers and, for changes, put them out of read mode, and
// commits.  Same thread rules as the file object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/brisk_file.h"
#include "runtime/db/table_desc.h"

namespace dw::lang {
struct Value;
}

namespace dw::db {

// Fifth key byte of a table's entries.
inline constexpr std::uint8_t kEntryData = 0xF3;
inline constexpr std::uint8_t kEntryStatistics = 0xF6;
inline constexpr std::uint8_t kEntryDefinition = 0xFA;
inline constexpr std::uint8_t kEntryMemo = 0xFC;
// Statistics kind of the table's records (key k uses k).
inline constexpr std::uint8_t kStatsRecords = 0xF3;

// Error numbers the key code returns.
inline constexpr int kErrNotAvailable = 33;    // 'Record Not Available'
inline constexpr int kErrNotFound = 35;        // 'Record Not Found'
inline constexpr int kErrDuplicateKey = 40;    // 'Creates Duplicate Key'
inline constexpr int kErrHeld = 43;            // 'Record Is Already Held'
inline constexpr int kErrBadDeclaration = 47;  // 'Invalid Record Declaration'
inline constexpr int kErrBadFieldType = 75;    // 'Invalid Field Type Descriptor'
inline constexpr int kErrBadIndexString = 76;  // 'Invalid Index String'

class DynamicIndexes;

// One open table as the key code sees it.  The table object owns
// everything referenced here.
struct TableRef {
  TableRef(BriskFile& f, std::uint32_t n, const TableDesc& d, DynamicIndexes* dyn = nullptr,
           std::function<std::string(std::string_view)> conversion = {})
      : file(f), number(n), desc(d), dynamic(dyn), storedToMemory(std::move(conversion)) {}

  BriskFile& file;
  std::uint32_t number;  // the table number
  const TableDesc& desc;
  // Run-time state of the table's dynamic indexes (none when null: such
  // keys then have no entries and cannot be built).
  DynamicIndexes* dynamic = nullptr;
  // Turns a stored record image into the image in memory (the OEM to ANSI
  // conversion of an OEM table); null: stored images are used as they are.
  std::function<std::string(std::string_view)> storedToMemory;
};

// --- Key bytes ---------------------------------------------------------------

void appendBigEndian(std::string& out, std::uint32_t value);
std::uint32_t readBigEndian(std::string_view fourBytes);
std::string tablePrefix(std::uint32_t table);                          // T
std::string keyPrefix(std::uint32_t table, std::uint8_t k);            // T, k
std::string dataKey(std::uint32_t table, std::uint32_t recordNumber);  // T, F3, r
std::string statisticsKey(std::uint32_t table, std::uint8_t kind);     // T, F6, kind
// The record number that ends a key or data entry (0 when too short).
std::uint32_t recordNumberOf(const Entry& entry);

// --- Declarations ----------------------------------------------------------

// 0, or 47 for more than kMaxKeys keys or a key whose entries could not be
// stored, 75 for a component that names a missing field or an array.
int validateKeys(const TableDesc& desc);
// The components key k uses now (a dynamic index's are set at run time).
const std::vector<KeyComponent>& keyComponents(const TableRef& ref, std::size_t k);
// Sum of the component lengths of key k.
std::size_t keyValueLength(const TableRef& ref, std::size_t k);
// The file object that holds key k's entries (null: a dynamic index that
// has no file yet).
BriskFile* keyFile(const TableRef& ref, std::size_t k);

// --- Encoding ----------------------------------------------------------------

// The encoded components of key k from a record image in memory; each
// component takes exactly its field's length.  Bytes beyond the image read
// as zeros.
std::string encodeKeyValue(const TableRef& ref, std::size_t k, std::string_view record);
// The same, appended to out.
void appendKeyValue(std::string& out, const TableRef& ref, std::size_t k, std::string_view record);
// T, k and the encoded components: the probe that finds a record's entry
// of key k by value.
std::string keyProbe(const TableRef& ref, std::size_t k, std::string_view record);
// Whether two record images hold the same bytes in every component of key
// k, so that their entries of key k have equal values without encoding
// them (false when an image is too short to tell).
bool keyFieldsEqual(const TableRef& ref, std::size_t k, std::string_view a, std::string_view b);
// One component, as encodeKeyValue does it (exposed for probes and tests).
std::string encodeComponent(const FieldDesc& field, bool descending, bool noCase, bool oem,
                            std::string_view fieldBytes);
// The key entry of key k for a record.  withComponents false gives only
// the key's 5-byte prefix with the record number (what a probe that stands
// before or after every value needs).
Entry makeKeyEntry(const TableRef& ref, std::size_t k, std::string_view record,
                   std::uint32_t recordNumber, bool withComponents = true);
// The first and the last entry of key k (from the key's own file), or
// nothing when the key has none.
std::optional<Entry> firstOfKey(const TableRef& ref, std::size_t k);
std::optional<Entry> lastOfKey(const TableRef& ref, std::size_t k);
// Whether every component of key k is empty in the record.
bool keyIsEmpty(const TableRef& ref, std::size_t k, std::string_view record);

// --- Probes from values (key_probe.cpp) ------------------------------------

// Which end of a range a bound closes: a bound the field cannot hold exactly
// moves outward (Lower down, Upper up), so a range only ever widens.
enum class BoundSide : std::uint8_t { Lower, Upper };
// The stored bytes of field f holding v (numbers for number fields, text for
// string fields; nothing otherwise), rounded and clamped outward.
std::optional<std::string> fieldImageOf(const FieldDesc& f, const dw::lang::Value& v,
                                        BoundSide side);
// Component `component` of key k encoded from a bound on its value; side is
// in value order (a descending component puts a Lower bound at the high end
// of the key order).  Nothing when the value does not suit the field.
std::optional<std::string> encodeBound(const TableRef& ref, std::size_t k, std::size_t component,
                                       const dw::lang::Value& v, BoundSide side);

// --- Statistics ----------------------------------------------------------

struct Statistics {
  std::uint32_t count = 0;
  std::uint32_t marker = 0;  // 0: complete; else the lowest stale record
};

// Writes a zero count and marker for the records and for each key.
void createStatistics(const TableRef& ref);
// The statistics of kind (kStatsRecords or a key number); nothing when the
// entry is missing (a damaged file) or short.
std::optional<Statistics> readStatistics(const TableRef& ref, std::uint8_t kind);
// Replaces (or creates) the statistics entry of kind.
void writeStatistics(const TableRef& ref, std::uint8_t kind, const Statistics& s);
// Adds delta to the count (never below 0); false when the entry is missing.
bool addCount(const TableRef& ref, std::uint8_t kind, std::int64_t delta);
// Sets the rebuild marker; false when the entry is missing.
bool setMarker(const TableRef& ref, std::uint8_t kind, std::uint32_t recordNumber);

// Changes to statistics entries gathered while one record is written and
// made together at its end.  A table's statistics entries are adjacent in
// the tree (T, F6, kind), so they mostly share one leaf: the first change
// searches the tree, the others find their entry in that leaf.
class StatisticsChanges {
 public:
  // Adds delta to the count of kind.
  void addCount(std::uint8_t kind, std::int64_t delta);
  // Lowers the marker of kind to recordNumber when it is 0 or higher.
  void lowerMarker(std::uint8_t kind, std::uint32_t recordNumber);
  bool empty() const { return m_changes.empty(); }
  void clear() { m_changes.clear(); }

  struct Change {
    std::uint8_t kind = 0;
    std::int64_t delta = 0;
    std::uint32_t lowerTo = 0;  // 0: the marker stays
  };
  // In kind order, at most one per kind.
  const std::vector<Change>& changes() const { return m_changes; }

 private:
  Change& of(std::uint8_t kind);
  std::vector<Change> m_changes;
};

// Makes the gathered changes (the entries that are missing are left
// alone, as addCount and setMarker do) and clears them.
void applyStatistics(const TableRef& ref, StatisticsChanges& changes);

// --- Maintenance -----------------------------------------------------------

// Brings every key up to date for one record: an add gives only newImage,
// a delete only oldImage, a change both.  Keys that allow no duplicates are
// all checked before anything is written: on a duplicate the result is 40
// and the file is left exactly as it was.  Indexes, and every key when
// noMaintenance is set, only have their markers lowered to this record.
// Dynamic indexes are skipped.  Returns 0 or 40.
int updateKeys(const TableRef& ref, std::uint32_t recordNumber, const std::string* oldImage,
               const std::string* newImage, bool noMaintenance);

// updateKeys in two steps, for writers that put more in between or gather
// the statistics of the whole record: planKeys makes the entries and
// checks the unique keys, writing nothing (0 or 40); applyKeys writes the
// planned entries and adds their count and marker changes to stats.
struct KeyPlan {
  struct Change {
    std::size_t k = 0;
    bool markerOnly = false;
    bool hasOld = false;
    bool hasNew = false;
    Entry oldEntry;
    Entry newEntry;
  };
  std::vector<Change> changes;
};
int planKeys(const TableRef& ref, std::uint32_t recordNumber, const std::string* oldImage,
             const std::string* newImage, bool noMaintenance, KeyPlan& plan);
void applyKeys(const TableRef& ref, std::uint32_t recordNumber, KeyPlan& plan,
               StatisticsChanges& stats);
// The statistics changes applyKeys will gather for a planned add (no old
// image: every planned entry is inserted), to be made before the entries.
void statisticsOfAdd(const KeyPlan& plan, std::uint32_t recordNumber, StatisticsChanges& stats);

// --- BUILD and dynamic indexes ------------------------------------------------

// Builds key k from its rebuild marker (a dynamic index from scratch into a
// fresh private file).  0, or 40 when a unique key refused a record: the key
// then holds every other entry and its marker names the lowest refused
// record.  The caller commits the table's file.
int buildKey(const TableRef& ref, std::size_t k);
// Builds every key that is not an index; the first 40 is returned after
// every key was built.
int buildKeys(const TableRef& ref);
// Records read per batch of BUILD for key k.
std::size_t buildBatchSize(const TableRef& ref, std::size_t k);

// The run-time state of a table's dynamic indexes: their components and
// the private in-memory file objects that hold their entries.
class DynamicIndexes {
 public:
  DynamicIndexes();
  ~DynamicIndexes();
  DynamicIndexes(const DynamicIndexes&) = delete;
  DynamicIndexes& operator=(const DynamicIndexes&) = delete;

  // Sets key k's components from a component string ("+Name, -Date"):
  // 0, 76 for an unknown name or a malformed string, 75 for an array field,
  // 47 when k is not a dynamic index.  Drops the entries built so far.
  int setComponents(const TableDesc& desc, std::size_t k, std::string_view text);
  // Components of key k (empty when never set).
  const std::vector<KeyComponent>& components(std::size_t k) const;
  // The private file of key k; null until the key is built.
  BriskFile* file(std::size_t k) const;
  // Discards key k's file and makes a fresh empty one.
  BriskFile& freshFile(std::size_t k);

 private:
  struct Index {
    std::vector<KeyComponent> components;
    std::unique_ptr<BriskFile> file;
  };
  std::vector<Index> m_indexes;
};

// Parses a component string against a table's fields (no key needed).
int parseComponentString(const TableDesc& desc, std::string_view text,
                         std::vector<KeyComponent>& out);

}  // namespace dw::db
