// The sequential position of a table: a probe (the key bytes of the last
// entry found, or of a value to start from) and a mode that says how the
// next step searches from it (docs/brisk-keys.md, "Cursor").
//
// Positioning only sets the probe and the mode; the first step searches.
// A step searches from the probe, never from a page position, so it
// survives the deletion of the current entry by another writer: the next
// step simply finds the neighbour of the vanished key.  A key entry whose
// record has vanished is stepped over.  The record found is handed to the
// caller's reader (which converts it, reads memos, takes a HOLD lock); the
// position has moved before the reader runs, so a reader's error (43) does
// not keep the cursor back.
//
// Results: 0; 33 'Record Not Available' when nothing lies in the direction
// (probe and mode unchanged); 35 'Record Not Found' for a positioning on a
// record number that does not exist; or the reader's own error.
//
// Owned by the table object; same thread rules as the file object.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/db/table_keys.h"

namespace dw::db {

enum class StepDirection : std::uint8_t { Next = 0, Previous = 1 };

enum class CursorMode : std::uint8_t {
  RecordEnd,              // record order, at an end
  OnRecord,               // record order, on a record (probe: its data key)
  RecordAt,               // record order, from record n
  KeyEnd,                 // key order, at an end of key k
  OnEntry,                // key order, on an entry (probe: its key)
  RecordFromValue,        // a key value, then record order
  KeyFromValue,           // key order from a key value
  KeyFromValueAndRecord,  // key order from a key value and a record number
  KeyFromRecord,          // key order from record n
  RecordFromEntry,        // internal: a value then record order, past a vanished record
};

// Reads the record found: its number and its stored image.  Returns 0 or
// an error that the step passes on (43 when another station holds it).
// The image may lie in a cached page: copy it before reading any other
// page of the file.
using RecordReader = std::function<int(std::uint32_t recordNumber, std::string_view storedImage)>;

class KeyCursor {
 public:
  explicit KeyCursor(const TableRef& ref) : m_ref(ref) {}

  // Record order from an end.
  void setRecordOrder();
  // Record order from record n (n <= 0: from an end).
  void setRecordOrderAt(std::int64_t n);
  // Key order over key k from an end.
  void setKeyOrder(std::size_t k);
  // From the value of key k in a record image in memory: key order, or
  // the first record with that value and then record order.
  void setKeyValue(std::size_t k, std::string_view record, bool thenRecordOrder);
  // Key order from a key value and a record number (duplicate keys).
  void setKeyValueAndRecord(std::size_t k, std::string_view record, std::uint32_t recordNumber);
  // Key order over key k from record n (n <= 0: from an end).
  void setKeyAtRecord(std::size_t k, std::int64_t n);
  // Key order over key k from an arbitrary probe (its T, k prefix
  // included): a step finds the neighbour strictly beyond it, as after a
  // step that found an entry equal to the probe.
  void setKeyProbe(std::size_t k, std::string probe);

  // One step: 0, 33, 35 or the reader's error.
  int step(StepDirection d, const RecordReader& read);
  // Whether a step in direction d would find an entry; the position stays.
  bool exists(StepDirection d);
  // Moves over n entries without reading records: 0, or 33 (or 35) when
  // fewer lie in the direction; the position is then at the last one met.
  int skip(StepDirection d, std::uint32_t n);

  CursorMode mode() const { return m_mode; }
  const std::string& probe() const { return m_probe; }
  std::size_t key() const { return m_key; }
  // The record of the last successful step or skip (0 before any).
  std::uint32_t recordNumber() const { return m_record; }

  // Key order from an entry given by its encoded components and record
  // number (a key position string): that entry, else its neighbour.
  void setKeyPosition(std::size_t k, std::string_view encoded, std::uint32_t recordNumber);

  // The whole position, to put back after a step whose read must be tried
  // again (a HOLD that waits for another station).
  struct Saved {
    CursorMode mode;
    std::size_t key;
    std::string probe;
    std::int64_t start;
    std::uint32_t record;
  };
  Saved save() const { return {m_mode, m_key, m_probe, m_start, m_record}; }
  void restore(const Saved& s) {
    m_mode = s.mode;
    m_key = s.key;
    m_probe = s.probe;
    m_start = s.start;
    m_record = s.record;
  }
  // Whether the position is in key order (false: record order).
  bool inKeyOrder() const;

 private:
  struct Found {
    std::uint32_t record = 0;
    Entry data;  // the record's data entry: its data is the stored record
  };
  std::optional<Entry> candidate(StepDirection d, int& error);
  int advance(StepDirection d, Found& found);
  BriskFile* entryFile() const;
  std::string prefix() const;

  TableRef m_ref;
  CursorMode m_mode = CursorMode::RecordEnd;
  std::size_t m_key = 0;
  std::string m_probe;
  std::int64_t m_start = 0;  // RecordAt and KeyFromRecord: the record number
  std::uint32_t m_record = 0;
  std::string m_stepProbe;  // the probe before a step, to put back when it finds nothing
};

}  // namespace dw::db
