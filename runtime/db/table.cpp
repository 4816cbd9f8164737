// Opening, creating and closing tables, and records: ADD, PUT, DELETE and
// reads.  See table.h; memos are memo.cpp, BLOB access blob.cpp.
#include "runtime/db/table.h"

#include <cstring>

#include "runtime/db/brkbt.h"
#include "runtime/db/oem_text.h"
#include "runtime/db/page_image.h"
#include "runtime/db/table_definition.h"
#include "runtime/db/table_entries.h"
#include "runtime/lang/errors.h"

namespace dw::db {

namespace err = dw::lang::err;

std::size_t maxStoredRecordLength() {
  return kMaxEntryLength - kDataKeyLength;
}

namespace {

// Deletes every entry of table t, walking back from its last one.
void deleteTableEntries(BriskFile& file, std::uint32_t t) {
  const std::string prefix = tableEntryPrefix(t);
  while (auto e = lastOfPrefix(file, prefix)) deleteEntry(file, e->key());
}

}  // namespace

TableRef Table::ref() {
  TableRef r{file(), m_number, m_desc, m_dynamic.get(), {}};
  if (m_desc.oem) {
    const TableDesc* d = &m_desc;
    r.storedToMemory = [d](std::string_view stored) {
      std::string image(stored);
      convertRecordText(*d, image, OemDirection::FromOem);
      return image;
    };
  }
  return r;
}

int Table::openTable(std::string_view name, const TableDesc& declared,
                     const TableOpenOptions& options, std::unique_ptr<Table>& out) {
  if (int rc = validateKeys(declared)) return rc;
  std::unique_ptr<Table> t(new Table());
  t->m_dynamic = std::make_unique<DynamicIndexes>();
  t->m_name = splitTableName(name);
  t->m_desc = declared;
  TableFileOptions fo;
  fo.locking = options.locking;
  fo.password = options.password;
  fo.readOnly = options.readOnly;
  fo.create = options.disposition != OpenDisposition::OpenExisting;
  fo.claim = options.claim;
  int osError = 0;
  t->m_file = TableFile::acquire(t->m_name.file, fo, osError);
  if (!t->m_file) return osError ? osError : err::kFileNotFound;
  t->m_claim = TableFile::claimOf(fo);
  int rc = 0;
  if (options.disposition == OpenDisposition::CreateAfresh) {
    rc = t->create(options);
  } else {
    rc = t->attach(declared, options);
    if (rc == err::kFileNotFound && options.disposition == OpenDisposition::CreateIfMissing) {
      rc = t->create(options);
    }
  }
  if (rc != 0) return rc;
  t->m_open = true;
  t->m_cursor = std::make_unique<KeyCursor>(t->ref());
  t->m_record.assign(t->m_desc.recordLength, '\0');
  t->m_memos.resize(t->m_desc.memos.size());
  t->clearRecord();
  out = std::move(t);
  return 0;
}

int Table::create(const TableOpenOptions&) {
  TableFile& tf = *m_file;
  if (int rc = tf.beginWrite()) {
    tf.abandonOperation();
    return rc;
  }
  BriskFile& f = tf.file();
  const std::string dir = directoryKey(m_name.table);
  if (auto old = findEqual(f, dir)) {
    if (old->data().size() >= 4) deleteTableEntries(f, readBig32(old->data(), 0));
    deleteEntry(f, dir);
  }
  m_number = numberValue(f.nextNumber());
  std::string entry = dir;
  appendBig32(entry, m_number);
  insertEntry(f, Entry(entry, dir.size()));
  writeDefinition(f, m_number, m_desc);
  createStatistics(ref());
  return tf.endOperation();
}

int Table::attach(const TableDesc& declared, const TableOpenOptions& options) {
  TableFile& tf = *m_file;
  if (int rc = tf.beginRead()) {
    tf.abandonOperation();
    return rc;
  }
  BriskFile& f = tf.file();
  auto dir = findEqual(f, directoryKey(m_name.table));
  if (!dir) {
    tf.endOperation();
    return err::kFileNotFound;
  }
  if (dir->data().size() < 4) {
    tf.endOperation();
    return err::kInvalidDataFile;
  }
  m_number = readBig32(dir->data(), 0);
  TableDesc stored = decodeDefinition(readDefinitionStream(f, m_number));
  tf.endOperation();
  if (compareDefinition(stored, declared) != 0) {
    if (!options.ignoreMismatch) return err::kInvalidRecordDeclaration;
    stored.storedVersion = -1;
    stored.oem = declared.oem;
    m_desc = std::move(stored);
  }
  return 0;
}

Table::~Table() {
  if (m_open)
    closeTable();
  else if (m_file)
    m_file->leave(m_claim);  // an open that failed after taking the file
}

int Table::closeTable() {
  if (!m_open) return err::kFileNotOpen;
  releaseRecordLock();
  m_open = false;
  int rc = 0;
  // The last table of the file (this one holds one reference, the registry
  // none) commits and cuts it.
  if (m_file.use_count() == 1)
    rc = m_file->flushAndCut();
  else
    rc = m_file->endOperation();
  m_file->leave(m_claim);
  m_file.reset();
  return rc;
}

void Table::clearRecord() {
  clearRecordImage(m_record.data(), m_record.size(), m_desc);
  for (std::size_t m = 0; m < m_memos.size(); ++m) {
    if (m_desc.memos[m].isBlob())
      m_memos[m].clear();
    else
      m_memos[m].assign(m_desc.memos[m].size, ' ');
  }
}

void Table::storedImageInto(std::string_view stored, std::string& out) const {
  out.assign(stored);
  out.resize(m_desc.recordLength, '\0');
  if (m_desc.oem) convertRecordText(m_desc, out, OemDirection::FromOem);
}

std::string Table::imageToStore() const {
  std::string image = m_record;
  if (m_desc.oem) convertRecordText(m_desc, image, OemDirection::ToOem);
  return image;
}

int Table::lockForChange(std::uint32_t recordNumber, int refusal) {
  if (m_file->locking() == Locking::None) return 0;
  return m_hold.lockForChange(file(), numberBytes(recordNumber), refusal);
}

void Table::releaseRecordLock() {
  m_hold.release(file());
}

int Table::end(int rc) {
  // A failed operation has changed nothing; its end still commits what a
  // batch holds only when the batch ends.
  const int erc = m_file->endOperation();
  return rc != 0 ? rc : erc;
}

std::uint32_t Table::recordCount() {
  if (!m_open || m_file->beginRead() != 0) return 0;
  auto s = readStatistics(ref(), kStatsRecords);
  m_file->endOperation();
  return s ? s->count : 0;
}

int Table::addRecord(bool noKeyMaintenance) {
  if (!m_open) return err::kFileNotOpen;
  if (m_record.size() > maxStoredRecordLength()) return err::kInvalidRecordDeclaration;
  if (int rc = m_file->beginWrite()) return end(rc);
  BriskFile& f = file();
  const TableRef r = ref();
  // The number the counter will issue: keys are checked with it before the
  // counter moves, so that a duplicate leaves the file as it was.
  const std::uint32_t recordNumber = numberValue(f.header().numberCounter) + 1;
  if (int rc = planKeys(r, recordNumber, nullptr, &m_record, noKeyMaintenance, m_plan)) {
    // A table without its records' statistics refuses before its keys.
    return end(readStatistics(r, kStatsRecords) ? rc : err::kAccessDenied);
  }
  // The record count, which must exist, then the keys' counts from the
  // same leaf: the statistics of the record cost one search of the tree.
  if (!addCount(r, kStatsRecords, 1)) return end(err::kAccessDenied);
  m_stats.clear();
  statisticsOfAdd(m_plan, recordNumber, m_stats);
  applyStatistics(r, m_stats);
  f.nextNumber();
  releaseRecordLock();
  m_watched = m_record;
  m_watchTaken = true;
  applyKeys(r, recordNumber, m_plan, m_stats);
  m_stats.clear();  // made above
  const std::string key = dataEntryKey(m_number, recordNumber);
  insertEntry(f, Entry(key + imageToStore(), key.size()));
  writeMemos(recordNumber, true);
  m_current = recordNumber;
  m_memosNotRead = false;
  return m_file->endOperation();
}

int Table::putRecord() {
  if (!m_open) return err::kFileNotOpen;
  const bool watch = m_watchArmed && m_watchTaken;
  m_watchArmed = false;
  if (m_current == 0) return err::kRecordNotAvailable;
  if (m_record.size() > maxStoredRecordLength()) return err::kInvalidRecordDeclaration;
  if (int rc = m_file->beginWrite()) return end(rc);
  const std::uint32_t rn = m_current;
  if (int rc = lockForChange(rn, err::kAccessDenied)) return end(rc);
  auto finish = [&](int rc) {
    releaseRecordLock();
    if (rc != 0) {
      m_file->endOperation();
      return rc;
    }
    return m_file->endOperation();
  };
  BriskFile& f = file();
  const std::string key = dataEntryKey(m_number, rn);
  {
    auto stored = findEqual(f, key);
    if (!stored) return finish(err::kRecordNotAvailable);
    storedImageInto(stored->data(), m_old);
  }
  if (watch && m_old != m_watched) return finish(89);  // Record Changed By Another Station
  if (m_old != m_record) {
    const TableRef r = ref();
    if (int rc = planKeys(r, rn, &m_old, &m_record, false, m_plan)) return finish(rc);
    // Unless the plan searched the tree (a unique key changed), the leaf
    // the read found still holds the record: it is replaced there.
    Entry changed(key + imageToStore(), key.size());
    if (!replaceEntry(f, changed)) {
      // the stored image changed its length
      deleteEntry(f, key);
      insertEntry(f, std::move(changed));
    }
    m_stats.clear();
    applyKeys(r, rn, m_plan, m_stats);
    applyStatistics(r, m_stats);
  }
  if (!m_memosNotRead) writeMemos(rn, false);
  m_watched = m_record;
  return finish(0);
}

int Table::deleteRecord() {
  if (!m_open) return err::kFileNotOpen;
  if (m_current == 0) return err::kRecordNotAvailable;
  if (int rc = m_file->beginWrite()) return end(rc);
  const std::uint32_t rn = m_current;
  if (int rc = lockForChange(rn, err::kRecordNotAvailable)) return end(rc);
  BriskFile& f = file();
  const std::string key = dataEntryKey(m_number, rn);
  {
    auto stored = findEqual(f, key);
    if (!stored) {
      releaseRecordLock();
      return end(err::kRecordNotAvailable);
    }
    storedImageInto(stored->data(), m_old);
  }
  deleteEntry(f, key);
  const TableRef r = ref();
  // Planning a delete checks nothing: it cannot fail.
  planKeys(r, rn, &m_old, nullptr, false, m_plan);
  m_stats.clear();
  m_stats.addCount(kStatsRecords, -1);
  applyKeys(r, rn, m_plan, m_stats);
  deleteMemos(rn);
  applyStatistics(r, m_stats);
  releaseRecordLock();
  m_current = 0;
  m_watchTaken = false;
  return m_file->endOperation();
}

int Table::takeRecord(std::uint32_t recordNumber, std::string_view image) {
  if (m_file->locking() == Locking::None) {
    m_hold = RecordHold();  // no locks between openers: HOLD is disarmed and holds nothing
  } else if (int rc = m_hold.onRead(file(), numberBytes(recordNumber))) {
    return rc;
  }
  storedImageInto(image, m_record);
  m_current = recordNumber;
  if (m_watchArmed) {
    m_watched = m_record;
    m_watchTaken = true;
  }
  if (m_noMemoArmed) {
    m_noMemoArmed = false;
    m_memosNotRead = true;
  } else {
    readMemos(recordNumber);
    m_memosNotRead = false;
  }
  return 0;
}

// Reads run in a period that may begin on trust, without the lock
// (TableFile::beginTrustingRead): nearly always the cached pages serve them
// and another opener's commit cannot fall in the middle of one unnoticed.
// When it does, the page read that notices throws; what the read changed
// (position, record and memo buffers) is put back and it runs again under
// the lock.  Reads that take or give up a HOLD, or take a WATCH copy, always
// run under the lock.
template <class Read>
int Table::readTrusting(Read read) {
  const bool mayTrust = !m_hold.armed() && !m_hold.held() && !m_watchArmed;
  if (int rc = mayTrust ? m_file->beginTrustingRead() : m_file->beginRead()) return end(rc);
  if (!m_file->file().trusting()) return end(read());
  const KeyCursor::Saved position = m_cursor->save();
  m_undoRecord.assign(m_record);
  m_undoMemos.resize(m_memos.size());
  for (std::size_t i = 0; i < m_memos.size(); ++i) m_undoMemos[i].assign(m_memos[i]);
  const std::uint32_t current = m_current;
  const bool noMemoArmed = m_noMemoArmed, memosNotRead = m_memosNotRead;
  int rc = 0;
  try {
    rc = read();
  } catch (const CacheWentStale&) {
    m_cursor->restore(position);
    m_record.swap(m_undoRecord);
    m_memos.swap(m_undoMemos);
    m_current = current;
    m_noMemoArmed = noMemoArmed;
    m_memosNotRead = memosNotRead;
    rc = m_file->restartRead();
    if (rc == 0) rc = read();
  }
  return end(rc);
}

int Table::step(StepDirection direction) {
  if (!m_open) return err::kFileNotOpen;
  return readTrusting([&] {
    return m_cursor->step(direction, [this](std::uint32_t rn, std::string_view image) {
      return takeRecord(rn, image);
    });
  });
}

int readStoredDescription(std::string_view name, const TableOpenOptions& options, TableDesc& out) {
  const TableName n = splitTableName(name);
  TableFileOptions fo;
  fo.locking = options.locking;
  fo.password = options.password;
  fo.readOnly = options.readOnly;
  int osError = 0;
  auto tf = TableFile::acquire(n.file, fo, osError);
  if (!tf) return osError ? osError : err::kFileNotFound;
  const LeaveAtEnd leave{*tf, TableFile::claimOf(fo)};
  if (int rc = tf->beginRead()) {
    tf->endOperation();
    return rc;
  }
  auto dir = findEqual(tf->file(), directoryKey(n.table));
  int rc = 0;
  if (!dir) {
    rc = err::kFileNotFound;
  } else if (dir->data().size() < 4) {
    rc = err::kInvalidDataFile;
  } else {
    out = decodeDefinition(readDefinitionStream(tf->file(), readBig32(dir->data(), 0)));
    out.storedVersion = -1;
  }
  tf->endOperation();
  return rc;
}

int Table::getByKey(std::size_t k) {
  if (!m_open) return err::kFileNotOpen;
  if (k >= m_desc.keys.size()) return err::kRecordNotFound;
  return readTrusting([&] {
    const TableRef r = ref();
    BriskFile* kf = keyFile(r, k);
    if (!kf) return int(err::kRecordNotFound);
    const std::string probe = keyProbe(r, k, m_record);
    std::optional<Entry> found;
    if (m_desc.keys[k].allowsDuplicates()) {
      // The first entry after the value alone is its lowest record number.
      found = findNext(*kf, probe);
      if (found && (found->key().size() != probe.size() + 4 ||
                    found->key().substr(0, probe.size()) != probe)) {
        found.reset();
      }
    } else {
      found = findEqual(*kf, probe);
    }
    if (!found) return int(err::kRecordNotFound);
    const std::uint32_t rn = recordNumberOf(*found);
    auto data = findEqual(file(), dataEntryKey(m_number, rn));
    if (!data) return int(err::kRecordNotFound);
    return takeRecord(rn, data->data());
  });
}

int Table::readRecord(std::uint32_t recordNumber) {
  if (!m_open) return err::kFileNotOpen;
  return readTrusting([&] {
    auto e = findEqual(file(), dataEntryKey(m_number, recordNumber));
    if (!e) return int(err::kRecordNotFound);
    return takeRecord(recordNumber, e->data());
  });
}

}  // namespace dw::db
