// The runtime's file layer: a declared file as the program's procedures
// use it (docs/file-layer.md).  A declaration binds a prefix ("SCH"), the
// name of its table ("SM\!Schedule"), the table's description, the
// program's record buffer of the exact layout, memo buffers, and a count of
// the process's users; its operations go to the driver (driver.h) through
// the declaration's file control block.
//
// Every operation clears the posted error when it starts and posts the
// driver's error number when it fails, so ERRORCODE()/ERROR() describe the
// last operation (runtime/lang/errors.h); it also returns the number.
//
// Buffers: the program's record buffer and the memo buffers belong to the
// declaration and are the ones the program reads and writes; the table
// object below has buffers of its own.  An operation that uses the buffer
// (ADD, PUT, GET by key, SET by value, DUPLICATE) copies the program's
// buffers down first; one that reads a record (GET, NEXT, PREVIOUS, SKIP,
// REGET) copies the record and its memos up when it succeeds and leaves
// the program's buffers alone when it fails.
//
// Invariants: the record buffer is desc().recordLength bytes for the life
// of the declaration; memo m's buffer is desc().memos[m].size bytes,
// blank-padded text (BLOB memos: their bytes, any length).
//
// Threads: a declaration is process-wide, shared by every runtime thread;
// it is used only under the Runtime lock, which also guards openCount().
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/db/driver.h"

namespace dw::db {

class DeclaredFile {
 public:
  // `buffer` is the program's record buffer of desc.recordLength bytes; it
  // must outlive the declaration.  Field and memo names in desc carry the
  // prefix ("SCH:Date", "SCH:Message").  attributes: kAttrCreate, kAttrOem.
  DeclaredFile(std::string prefix, std::string name, TableDesc desc, void* buffer,
               std::uint8_t attributes = kAttrCreate);
  ~DeclaredFile();
  DeclaredFile(const DeclaredFile&) = delete;
  DeclaredFile& operator=(const DeclaredFile&) = delete;

  const std::string& prefix() const { return m_prefix; }
  // The table's name as it stands (blanks at the end do not count); it may
  // be changed while the file is closed.
  const std::string& name() const { return m_fcb.name; }
  void setName(std::string_view name);
  const TableDesc& desc() const { return m_fcb.declaration; }
  void* buffer() { return m_buffer; }
  std::size_t recordLength() const { return m_fcb.declaration.recordLength; }
  // Memo m's buffer; text(): without trailing blanks.
  std::string& memo(std::size_t m) { return m_memos[m]; }
  std::string memoText(std::size_t m) const;
  void setMemoText(std::size_t m, std::string_view text);
  bool isOpen() const { return (m_fcb.state & kStateOpen) != 0; }
  std::uint32_t state() const { return m_fcb.state; }
  FileControlBlock& controlBlock() { return m_fcb; }
  // The open table (null while closed), for views over the declaration.
  Table* table() { return m_fcb.table.get(); }

  // The number of the process's users that have the declaration open
  // (the standard open routine raises and lowers it).
  int& openCount() { return m_openCount; }

  // Binds every field of the record buffer under its declared name and
  // every memo under its name ("SCH:Message") for expressions and filters.
  void bindFields();

  // Whole files.  open: access mode as the driver takes it (0x22 read and
  // write, others may read; 0x42 read and write, others may do anything;
  // 0x100 added: create when missing).
  int open(std::uint32_t mode = 0x22);
  int create();
  int close();
  int empty();
  int build();  // every key
  int buildKey(std::size_t key);
  int remove();  // the file closed
  int copyTo(std::string_view target);
  int renameTo(std::string_view target);
  int lock(std::int64_t seconds = -1);  // -1: wait without limit
  int unlock();
  int stream();
  int flush();
  // SEND: the driver's reply ("" on failure).
  std::string send(std::string_view option);

  // Positions.  set(key): key order from an end (the first NEXT starts at
  // the first record, the first PREVIOUS at the last); setByValue: key order
  // from the buffer's value of the key; setRecordOrder: record order from
  // an end; setAtRecord: record order from record n; setKeyAtRecord: key
  // order from record n; setByValueAndRecord: from the value, then record n.
  int set(std::size_t key);
  int setByValue(std::size_t key);
  int setRecordOrder();
  int setAtRecord(std::uint32_t recordNumber);
  int setKeyAtRecord(std::size_t key, std::uint32_t recordNumber);
  int setByValueAndRecord(std::size_t key, std::uint32_t recordNumber);
  int next();
  int previous();
  int skip(std::int64_t count);
  // Whether nothing lies before / after the position (false after an error).
  bool bof();
  bool eof();
  // Position strings: of the current record in record order or in key k's
  // order ("" on failure); reset goes there, reget reads the record there
  // without moving the sequential position.
  std::string position();
  std::string keyPosition(std::size_t key);
  int reset(std::string_view position);
  int resetKey(std::size_t key, std::string_view position);
  int reget(std::string_view position);

  // Records.
  int get(std::size_t key);  // by the buffer's key value
  int getRecord(std::uint32_t recordNumber);
  int add();
  int append();  // without key maintenance (BUILD afterwards)
  int put();
  int putAt(std::uint32_t recordNumber);
  int erase();  // DELETE of the current record
  // Whether the buffer's record would duplicate an entry of key k / of any
  // unique key (false also on an error, which is posted).
  bool duplicate(std::size_t key);
  bool duplicateAny();
  // Blanks in STRING fields, zeros elsewhere; memos blank.
  void clear();
  std::int64_t records();                    // of the table (-1 on an error)
  std::int64_t keyRecords(std::size_t key);  // entries of key k (-1 on an error)
  std::uint32_t pointer();                   // the current record's number (0: none)
  // The file's change counter as its header reads now (one short access
  // period): it moves with every commit, of this process or another, so a
  // window that lists the file refills when it differs from the last one
  // seen.  0 when the file is not open or cannot be read.
  std::uint32_t changeCounter();

  // Per-read flags: HOLD the next record read (seconds to retry, -1
  // without limit, then 43), RELEASE the held record, WATCH the next read
  // (a PUT then gives 89 when another writer changed the record), NOMEMO
  // (the next read leaves the memos).
  int hold(std::int64_t seconds = 0);
  int release();
  int watch();
  int noMemo();

 private:
  int call(int operation, DriverArgs& args);
  int call(int operation) {
    DriverArgs args;
    return call(operation, args);
  }
  int callWithBuffer(int operation, DriverArgs& args);  // buffers down first
  void copyDown();
  void copyUp();

  std::string m_prefix;
  FileControlBlock m_fcb;
  void* m_buffer;
  std::vector<std::string> m_memos;
  int m_openCount = 0;
};

// The reads of a short series over one file (a scan's step of a hundred
// records) in one access period: the header is read once, under the lock,
// for the whole series (TableFile::beginReadBatch).  Another process's
// commit waits until the batch ends, so keep a batch to one step and never
// across a wait for the user.  Nothing on a closed file; the file object is
// kept until the batch ends, even if the file is closed within it.
class ReadBatch {
 public:
  explicit ReadBatch(DeclaredFile& file);
  ~ReadBatch();
  ReadBatch(const ReadBatch&) = delete;
  ReadBatch& operator=(const ReadBatch&) = delete;

 private:
  std::shared_ptr<TableFile> m_file;
};

// Transactions over declared files: LOGOUT enlists each file and takes its
// exclusive lock at once, in the order given (seconds: how long to wait for
// each file's lock, -1 without limit; 32 when it stays taken); COMMIT and
// ROLLBACK end it.  Each posts its error.  A failed logout leaves no file
// enlisted.
int logout(std::int64_t seconds, std::initializer_list<DeclaredFile*> files);
int commit();
int rollback();

}  // namespace dw::db
