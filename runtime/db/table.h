// An open table of a Brisk file: its description, file object, table
// number, record buffer and memo buffers, the current record, and the
// per-table flags (HOLD, WATCH, NOMEMO, the record lock held).  Records are
// data entries keyed by table number and record number; memos are segments
// of 256 bytes (docs/brisk-tables.md).  Keys and statistics are kept through
// table_keys.h.
//
// Every operation is one access period of the file (table_file.h): reads
// refresh the header, changes enter write mode and commit at their end
// unless a batch is open.  Results are the runtime's error numbers (0 for
// success); a file damaged beyond what the operation can report halts with
// a consistency check, as the tree does.
//
// A Table is used by one thread at a time (the runtime lock serialises
// threads); tables sharing a file share its TableFile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/key_cursor.h"
#include "runtime/db/record_locks.h"
#include "runtime/db/table_desc.h"
#include "runtime/db/table_file.h"
#include "runtime/db/table_keys.h"
#include "runtime/db/table_name.h"

namespace dw::db {

enum class OpenDisposition : std::uint8_t {
  OpenExisting,     // 2 when the file or the table is missing
  CreateIfMissing,  // make the file and the table when they are missing
  CreateAfresh,     // replace the table (every entry of an old one goes)
};

struct TableOpenOptions {
  OpenDisposition disposition = OpenDisposition::OpenExisting;
  bool readOnly = false;
  Locking locking = Locking::None;
  std::string password;
  // Accept a stored definition that differs structurally (removing a table
  // ignores 47); the stored description is then the one used.
  bool ignoreMismatch = false;
  // Whether the opener writes and what it denies others (table_file.h).
  ShareClaim claim;
};

// Records longer than this cannot be one data entry of the tree.
std::size_t maxStoredRecordLength();

class Table {
 public:
  // Opens (or creates) the table "FILE\!TABLE" declared as `declared`:
  // 0, 2 (file or table missing), 5, 36, 47 or an operating-system error.
  static int openTable(std::string_view name, const TableDesc& declared,
                       const TableOpenOptions& options, std::unique_ptr<Table>& out);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Commits and cuts the file at its end of data; the table is then closed
  // and every other operation gives 37.
  int closeTable();
  bool isOpen() const { return m_open; }

  const TableDesc& desc() const { return m_desc; }
  const TableName& name() const { return m_name; }
  std::uint32_t number() const { return m_number; }
  TableFile& tableFile() { return *m_file; }
  DynamicIndexes& dynamicIndexes() { return *m_dynamic; }
  BriskFile& file() { return m_file->file(); }
  TableRef ref();

  // The record buffer (record length bytes) and the memo buffers: a memo's
  // text blank-padded to its declared size, a BLOB's bytes.
  std::string& record() { return m_record; }
  std::string& memo(std::size_t m) { return m_memos[m]; }
  std::size_t memoCount() const { return m_memos.size(); }
  // Blanks in text fields, zeros elsewhere; memos blank, BLOBs empty.
  void clearRecord();
  std::uint32_t currentRecord() const { return m_current; }

  // ADD: 0, 40 (nothing written), 5 (statistics missing or read-only), 47
  // (a record too long to store), or a commit error.
  int addRecord(bool noKeyMaintenance = false);
  // PUT of the current record: 0, 5, 33, 40, 89 or a commit error.
  int putRecord();
  // DELETE of the current record: 0 or 33, or a commit error.
  int deleteRecord();
  // GET by record number: 0, 35 or 43 (HOLD and another holder).
  int readRecord(std::uint32_t recordNumber);
  // The record of a data entry found by a search (the cursor's read): it
  // becomes the current record.  0 or 43.
  int takeRecord(std::uint32_t recordNumber, std::string_view image);

  // GET by key k: the record whose key value equals the one built from the
  // record buffer (the first of equal ones for a key that allows
  // duplicates) becomes the current record: 0, 35 or 43.  The position is
  // not changed.
  int getByKey(std::size_t k);

  // The table's sequential position (positioning only sets it) and one
  // step from it that reads the record found: 0, 33, 35 or 43.
  KeyCursor& cursor() { return *m_cursor; }
  int step(StepDirection direction);

  // The number of records, from the table's statistics entry.
  std::uint32_t recordCount();

  void armWatch() { m_watchArmed = true; }
  void armNoMemo() { m_noMemoArmed = true; }
  // HOLD for the next read: its record lock is tried once; a caller that
  // waits for it tries the read again (record_locks.h).
  void armHold() { m_hold.arm(0); }
  // RELEASE: gives up the record lock taken by a read with HOLD.
  void releaseRecordLock();
  bool memosRead() const { return !m_memosNotRead; }

  // Memos of a record, within the caller's access period (write mode for
  // writing).  fresh: the record has no stored segments yet.
  void writeMemos(std::uint32_t recordNumber, bool fresh);
  void readMemos(std::uint32_t recordNumber);
  void deleteMemos(std::uint32_t recordNumber);

  // BLOB access (on the memo buffer; stored by the next ADD or PUT).
  std::uint32_t blobSize(std::size_t m) const;
  std::string blobRead(std::size_t m, std::uint32_t start, std::uint32_t length) const;
  // False when the BLOB would grow beyond what its segments can number.
  bool blobWrite(std::size_t m, std::uint32_t start, std::string_view bytes);

  // Several changes in one commit (a load, a transaction of one file).
  int beginBatch() { return m_file->beginBatch(); }
  int endBatch() { return m_file->endBatch(); }
  // The file object, for a read batch that must outlive a close.
  std::shared_ptr<TableFile> sharedFile() const { return m_file; }

 private:
  Table() = default;
  int create(const TableOpenOptions& options);
  int attach(const TableDesc& declared, const TableOpenOptions& options);
  int end(int rc);
  // A step or a get in a period that may begin on trust (see table.cpp).
  template <class Read>
  int readTrusting(Read read);
  // The stored image as it is in memory, into out (its buffer is reused).
  void storedImageInto(std::string_view stored, std::string& out) const;
  std::string imageToStore() const;
  // PUT and DELETE: the record's lock, held here or taken now; 0 or refusal.
  int lockForChange(std::uint32_t recordNumber, int refusal);

  TableName m_name;
  TableDesc m_desc;
  std::shared_ptr<TableFile> m_file;
  std::uint32_t m_number = 0;
  bool m_open = false;
  ShareClaim m_claim;  // this opener's part in its file's share
  std::string m_record;
  std::vector<std::string> m_memos;
  std::uint32_t m_current = 0;
  std::string m_watched;  // the copy taken at the last read with WATCH armed
  bool m_watchArmed = false;
  bool m_watchTaken = false;
  bool m_noMemoArmed = false;
  bool m_memosNotRead = false;
  RecordHold m_hold;  // HOLD armed, and the record whose lock this table holds
  std::unique_ptr<DynamicIndexes> m_dynamic;
  std::unique_ptr<KeyCursor> m_cursor;
  // Scratch of the writes, kept to reuse their buffers.
  KeyPlan m_plan;
  StatisticsChanges m_stats;
  std::string m_old;  // the stored record a PUT or DELETE replaces
  // What a read on trust puts back when it must be done again.
  std::string m_undoRecord;
  std::vector<std::string> m_undoMemos;
};

// The description stored in the file for table `name`, for tools that open
// a table as it was created: 0, 2, 36 or an open error.
int readStoredDescription(std::string_view name, const TableOpenOptions& options, TableDesc& out);

// The maximum length a BLOB can reach (its segments are numbered in 2 bytes).
inline constexpr std::uint32_t kMaxBlobLength = 0xFFFFu * 256u;

}  // namespace dw::db
