// The cursor (key_cursor.h): the first search of each mode, the step, and
// what the probe becomes after it.
//
//   mode                   first search (Next / Previous)
//   RecordEnd              first / last data entry of the table
//   OnRecord, OnEntry      the neighbour of the probe within the table's
//                          data entries or within key k
//   RecordAt n             data entry n, else its neighbour
//   KeyEnd                 first / last entry of key k
//   KeyFromValue,          unique key: the entry equal to the value, else its
//   RecordFromValue        neighbour; duplicates: the neighbour of the value
//                          followed by record number 0 / FFFFFFFF, so that the
//                          probe lies before / after every duplicate
//   KeyFromValueAndRecord  that entry, else its neighbour
//   KeyFromRecord n        data entry n exactly (35 when missing)
// After a step in key order the probe is the entry's key (mode OnEntry);
// in record order, and after RecordFromValue, the data key of the record
// (mode OnRecord); after KeyFromRecord, key k's entry made from the record.
#include "runtime/db/key_cursor.h"

#include "runtime/db/brkbt.h"

namespace dw::db {

namespace {

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() > prefix.size() && s.substr(0, prefix.size()) == prefix;
}

std::optional<Entry> neighbour(BriskFile& file, std::string_view probe, StepDirection d,
                               std::string_view prefix) {
  auto e = d == StepDirection::Next ? findNext(file, probe) : findPrevious(file, probe);
  if (e && startsWith(e->key(), prefix)) return e;
  return std::nullopt;
}

std::optional<Entry> endOf(BriskFile& file, StepDirection d, std::string_view prefix) {
  return d == StepDirection::Next ? firstOfPrefix(file, prefix) : lastOfPrefix(file, prefix);
}

bool isKeyMode(CursorMode m) {
  return m == CursorMode::KeyEnd || m == CursorMode::OnEntry || m == CursorMode::KeyFromValue ||
         m == CursorMode::KeyFromValueAndRecord || m == CursorMode::RecordFromValue ||
         m == CursorMode::RecordFromEntry;
}

}  // namespace

// --- Positioning ---------------------------------------------------------

void KeyCursor::setRecordOrder() {
  m_mode = CursorMode::RecordEnd;
  m_probe.clear();
}

void KeyCursor::setRecordOrderAt(std::int64_t n) {
  if (n <= 0) return setRecordOrder();
  m_mode = CursorMode::RecordAt;
  m_start = n;
  m_probe = dataKey(m_ref.number, std::uint32_t(n));
}

void KeyCursor::setKeyOrder(std::size_t k) {
  m_mode = CursorMode::KeyEnd;
  m_key = k;
  m_probe = keyPrefix(m_ref.number, std::uint8_t(k));
}

void KeyCursor::setKeyValue(std::size_t k, std::string_view record, bool thenRecordOrder) {
  m_mode = thenRecordOrder ? CursorMode::RecordFromValue : CursorMode::KeyFromValue;
  m_key = k;
  m_probe = keyPrefix(m_ref.number, std::uint8_t(k)) + encodeKeyValue(m_ref, k, record);
}

void KeyCursor::setKeyValueAndRecord(std::size_t k, std::string_view record,
                                     std::uint32_t recordNumber) {
  m_mode = CursorMode::KeyFromValueAndRecord;
  m_key = k;
  m_probe = keyPrefix(m_ref.number, std::uint8_t(k)) + encodeKeyValue(m_ref, k, record);
  if (k < m_ref.desc.keys.size() && m_ref.desc.keys[k].allowsDuplicates()) {
    appendBigEndian(m_probe, recordNumber);
  }
}

void KeyCursor::setKeyAtRecord(std::size_t k, std::int64_t n) {
  if (n <= 0) return setKeyOrder(k);
  m_mode = CursorMode::KeyFromRecord;
  m_key = k;
  m_start = n;
  m_probe = dataKey(m_ref.number, std::uint32_t(n));
}

void KeyCursor::setKeyProbe(std::size_t k, std::string probe) {
  m_mode = CursorMode::OnEntry;
  m_key = k;
  m_probe = std::move(probe);
}

// --- Searching -------------------------------------------------------------

BriskFile* KeyCursor::entryFile() const {
  return isKeyMode(m_mode) ? keyFile(m_ref, m_key) : &m_ref.file;
}

std::string KeyCursor::prefix() const {
  return isKeyMode(m_mode) ? keyPrefix(m_ref.number, std::uint8_t(m_key))
                           : keyPrefix(m_ref.number, kEntryData);
}

std::optional<Entry> KeyCursor::candidate(StepDirection d, int& error) {
  error = kErrNotAvailable;
  if (m_key >= m_ref.desc.keys.size() && m_mode != CursorMode::RecordEnd &&
      m_mode != CursorMode::OnRecord && m_mode != CursorMode::RecordAt) {
    return std::nullopt;  // no such key
  }
  BriskFile* file = entryFile();
  if (!file) return std::nullopt;
  const std::string pre = prefix();
  switch (m_mode) {
    case CursorMode::RecordEnd:
    case CursorMode::KeyEnd:
      return endOf(*file, d, pre);
    case CursorMode::OnRecord:
    case CursorMode::OnEntry:
    case CursorMode::RecordFromEntry:
      return neighbour(*file, m_probe, d, pre);
    case CursorMode::RecordAt:
    case CursorMode::KeyFromValueAndRecord:
      if (auto e = findEqual(*file, m_probe)) return e;
      return neighbour(*file, m_probe, d, pre);
    case CursorMode::KeyFromValue:
    case CursorMode::RecordFromValue:
      if (!m_ref.desc.keys[m_key].allowsDuplicates()) {
        if (auto e = findEqual(*file, m_probe)) return e;
        return neighbour(*file, m_probe, d, pre);
      } else {
        std::string p = m_probe;
        appendBigEndian(p, d == StepDirection::Next ? 0u : 0xFFFFFFFFu);
        return neighbour(*file, p, d, pre);
      }
    case CursorMode::KeyFromRecord:
      if (auto e = findEqual(m_ref.file, m_probe)) return e;
      error = kErrNotFound;
      return std::nullopt;
  }
  return std::nullopt;
}

int KeyCursor::advance(StepDirection d, Found& found) {
  while (true) {
    int error = 0;
    std::optional<Entry> e = candidate(d, error);
    if (!e) return error;
    if (!isKeyMode(m_mode)) {
      // A data entry: record order, or key order from a record number.
      found.record = readBigEndian(e->key().substr(5));
      found.data = std::move(*e);
      if (m_mode == CursorMode::KeyFromRecord) {
        const std::string memory = m_ref.storedToMemory ? m_ref.storedToMemory(found.data.data())
                                                        : std::string(found.data.data());
        m_probe = std::string(makeKeyEntry(m_ref, m_key, memory, found.record).key());
        m_mode = CursorMode::OnEntry;
      } else {
        m_probe.assign(found.data.key());
        m_mode = CursorMode::OnRecord;
      }
      m_record = found.record;
      return 0;
    }
    // A key entry: its record, unless that has vanished.
    found.record = recordNumberOf(*e);
    auto data = findEqual(m_ref.file, dataKey(m_ref.number, found.record));
    const bool toRecordOrder =
        m_mode == CursorMode::RecordFromValue || m_mode == CursorMode::RecordFromEntry;
    if (!data) {
      m_probe.assign(e->key());
      m_mode = toRecordOrder ? CursorMode::RecordFromEntry : CursorMode::OnEntry;
      continue;
    }
    found.data = std::move(*data);
    if (toRecordOrder) {
      m_probe.assign(found.data.key());
      m_mode = CursorMode::OnRecord;
    } else {
      m_probe.assign(e->key());
      m_mode = CursorMode::OnEntry;
    }
    m_record = found.record;
    return 0;
  }
}

int KeyCursor::step(StepDirection d, const RecordReader& read) {
  // Forward in record order from a record, the step of every scan: the
  // data entry is read where it lies in its page, without a copy.  Readers
  // copy the image before they read another page, so the page is still in
  // the cache while they do.
  if (d == StepDirection::Next && m_mode == CursorMode::OnRecord) {
    const Entry* e = findNextInPlace(m_ref.file, m_probe);
    if (!e || !startsWith(e->key(), keyPrefix(m_ref.number, kEntryData))) return kErrNotAvailable;
    m_record = readBigEndian(e->key().substr(5));
    m_probe.assign(e->key());
    return read ? read(m_record, e->data()) : 0;
  }
  const CursorMode mode = m_mode;
  m_stepProbe.assign(m_probe);
  Found found;
  if (int r = advance(d, found)) {
    m_mode = mode;  // nothing found: the position stays
    m_probe.swap(m_stepProbe);
    return r;
  }
  return read ? read(found.record, found.data.data()) : 0;
}

bool KeyCursor::exists(StepDirection d) {
  const CursorMode mode = m_mode;
  const std::string probe = m_probe;
  const std::uint32_t record = m_record;
  Found found;
  const bool ok = advance(d, found) == 0;
  m_mode = mode;
  m_probe = probe;
  m_record = record;
  return ok;
}

int KeyCursor::skip(StepDirection d, std::uint32_t n) {
  for (std::uint32_t i = 0; i < n; ++i) {
    Found found;
    if (int r = advance(d, found)) return r;
  }
  return 0;
}

// --- Positions of the driver ---------------------------------------------

void KeyCursor::setKeyPosition(std::size_t k, std::string_view encoded,
                               std::uint32_t recordNumber) {
  m_mode = CursorMode::KeyFromValueAndRecord;
  m_key = k;
  m_probe = keyPrefix(m_ref.number, std::uint8_t(k));
  m_probe.append(encoded);
  if (k < m_ref.desc.keys.size() && m_ref.desc.keys[k].allowsDuplicates()) {
    appendBigEndian(m_probe, recordNumber);
  }
}

bool KeyCursor::inKeyOrder() const {
  return m_mode == CursorMode::KeyEnd || m_mode == CursorMode::OnEntry ||
         m_mode == CursorMode::KeyFromValue || m_mode == CursorMode::KeyFromValueAndRecord ||
         m_mode == CursorMode::KeyFromRecord;
}

}  // namespace dw::db
