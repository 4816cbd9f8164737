// Driver operations on records: GET, the steps and their tests (NEXT,
// PREVIOUS, SKIP, BOF, EOF), the SET modes, positions, RESET and REGET,
// HOLD, RELEASE, WATCH, NOMEMO, ADD, APPEND, PUT, DELETE, DUPLICATE,
// RECORDS, POINTER and the BLOB operations.  See driver.h.
//
// A HOLD that must wait for another station is not waited for inside the
// read: the read tries the record's lock once, and on 43 the whole read is
// tried again after a pause (the position put back first), so no access
// period - and no shared slot that the holder's commit would wait for - is
// kept while waiting.  The seconds count from the start of the read.
#include <functional>

#include "runtime/db/brkbt.h"
#include "runtime/db/driver_ops.h"
#include "runtime/db/table_entries.h"
#include "runtime/lang/errors.h"

namespace dw::db::driver_detail {

namespace err = dw::lang::err;

namespace {

// A read of the table with HOLD applied as armed.
int readHeld(FileControlBlock& fcb, const std::function<int()>& read) {
  Table& t = *fcb.table;
  if (!fcb.holdArmed) return read();
  fcb.holdArmed = false;
  LockRetry& retry = defaultLockRetry();
  const std::uint32_t start = retry.now();
  const std::int64_t limit = fcb.holdSeconds < 0 ? -1 : std::int64_t(fcb.holdSeconds) * 100;
  const KeyCursor::Saved position = t.cursor().save();
  while (true) {
    t.armHold();
    const int rc = read();
    if (rc != err::kRecordHeld) return rc;
    if (limit >= 0 && std::int64_t(std::uint32_t(retry.now() - start)) >= limit) return rc;
    t.cursor().restore(position);
    retry.pause();
  }
}

// Runs f inside a read period of the table's file.
template <typename F>
int inReadPeriod(Table& t, F f) {
  TableFile& tf = t.tableFile();
  if (int rc = tf.beginRead()) {
    tf.abandonOperation();
    return rc;
  }
  const int rc = f();
  const int erc = tf.endOperation();
  return rc != 0 ? rc : erc;
}

std::string storedNumber(std::uint32_t n) {
  std::string s;
  appendBig32(s, n);
  return s;
}

// The record number of a position string (0 when too short).
std::uint32_t positionRecord(std::string_view position) {
  return position.size() >= 4 ? readBig32(position, 0) : 0;
}

int getByNumber(Table& t, std::int64_t n) {
  if (n <= 0 || n > 0xFFFFFFFFll) return err::kRecordNotFound;
  return t.readRecord(std::uint32_t(n));
}

// Whether the record buffer's value of unique key k is taken by another
// record than the current one.
bool duplicatesKey(Table& t, std::size_t k) {
  const KeyDesc& key = t.desc().keys[k];
  if (key.allowsDuplicates() || key.isDynamic() || key.isIndex()) return false;
  const TableRef r = t.ref();
  if (key.isOptional() && keyIsEmpty(r, k, t.record())) return false;
  BriskFile* kf = keyFile(r, k);
  if (!kf) return false;
  auto e =
      findEqual(*kf, keyPrefix(t.number(), std::uint8_t(k)) + encodeKeyValue(r, k, t.record()));
  return e && recordNumberOf(*e) != t.currentRecord();
}

int duplicate(Table& t, int operation, DriverArgs& args) {
  args.value = 0;
  if (operation == op::kDuplicateKey && args.key >= t.desc().keys.size()) return kErrPrecondition;
  return inReadPeriod(t, [&] {
    for (std::size_t k = 0; k < t.desc().keys.size(); ++k) {
      if (operation == op::kDuplicateKey && k != args.key) continue;
      if (duplicatesKey(t, k)) args.value = 1;
    }
    return 0;
  });
}

int keyPosition(Table& t, const DriverArgs& args, std::string& out) {
  if (args.key >= t.desc().keys.size()) return kErrPrecondition;
  return inReadPeriod(t, [&] {
    // The components come from the record as stored, not from a buffer the
    // program may have changed since the read.
    auto e = findEqual(t.file(), dataEntryKey(t.number(), t.currentRecord()));
    if (!e) return err::kRecordNotFound;
    const TableRef r = t.ref();
    const std::string image =
        r.storedToMemory ? r.storedToMemory(e->data()) : std::string(e->data());
    std::string memory = image;
    memory.resize(t.desc().recordLength, '\0');
    out = storedNumber(t.currentRecord()) + encodeKeyValue(r, args.key, memory);
    return 0;
  });
}

int putAt(Table& t, std::int64_t n) {
  // The buffers survive the read that makes record n current.
  const std::string record = t.record();
  std::vector<std::string> memos;
  for (std::size_t m = 0; m < t.memoCount(); ++m) memos.push_back(t.memo(m));
  if (int rc = getByNumber(t, n)) return rc;
  t.record() = record;
  for (std::size_t m = 0; m < memos.size(); ++m) t.memo(m) = memos[m];
  return t.putRecord();
}

bool isBlob(Table& t, std::size_t m) {
  return m < t.desc().memos.size() && t.desc().memos[m].isBlob();
}

int blobOperation(int operation, Table& t, DriverArgs& args) {
  const std::size_t m = args.key;
  if (!isBlob(t, m) || args.number < 0 || args.length < 0) return kErrPrecondition;
  const auto start = std::uint32_t(std::min<std::int64_t>(args.number, kMaxBlobLength));
  switch (operation) {
    case op::kBlobRead:
      args.reply =
          t.blobRead(m, start, std::uint32_t(std::min<std::int64_t>(args.length, kMaxBlobLength)));
      return 0;
    case op::kBlobWrite:
      return t.blobWrite(m, start, args.text) ? 0 : kErrPrecondition;
    case op::kBlobSize:
      args.value = t.blobSize(m);
      return 0;
    case op::kBlobSet:
      if (args.text.size() > kMaxBlobLength) return kErrPrecondition;
      t.memo(m) = args.text;
      return 0;
    default:  // kBlobGet
      args.reply = t.memo(m);
      return 0;
  }
}

// After a change on a streaming file: commit once its dirty pages are many.
int afterChange(FileControlBlock& fcb, int rc) {
  if (rc != 0 || !(fcb.state & kStateStreaming)) return rc;
  TableFile& tf = fcb.table->tableFile();
  if (tf.file().cache().dirtyPages().size() >= kStreamDirtyPages) return tf.commitEarly();
  return 0;
}

}  // namespace

int recordOperation(int operation, FileControlBlock& fcb, DriverArgs& args) {
  if (!fcb.table) return kErrUnsupported;
  Table& t = *fcb.table;
  KeyCursor& c = t.cursor();
  const std::string_view text = args.text;
  switch (operation) {
    case op::kGetByKey:
      return readHeld(fcb, [&] { return t.getByKey(args.key); });
    case op::kGetByRecord:
    case op::kGetByRecord2:
      return readHeld(fcb, [&] { return getByNumber(t, args.number); });
    case op::kNext:
      return readHeld(fcb, [&] { return t.step(StepDirection::Next); });
    case op::kPrevious:
      return readHeld(fcb, [&] { return t.step(StepDirection::Previous); });
    case op::kReget:
    case op::kKeyReget:
      return readHeld(fcb, [&] { return getByNumber(t, positionRecord(text)); });
    case op::kBof:
    case op::kEof: {
      const auto d = operation == op::kBof ? StepDirection::Previous : StepDirection::Next;
      return inReadPeriod(t, [&] {
        args.value = c.exists(d) ? 0 : 1;
        return 0;
      });
    }
    case op::kSkip: {
      const auto d = args.number < 0 ? StepDirection::Previous : StepDirection::Next;
      const std::int64_t n = args.number < 0 ? -args.number : args.number;
      return inReadPeriod(
          t, [&] { return c.skip(d, std::uint32_t(std::min<std::int64_t>(n, 0xFFFFFFFF))); });
    }
    case op::kSetRecordEnd:
      c.setRecordOrder();
      return 0;
    case op::kSetValueThenRecord:
      c.setKeyValue(args.key, t.record(), true);
      return 0;
    case op::kSetRecordAt:
      c.setRecordOrderAt(args.number);
      return 0;
    case op::kSetKeyEnd:
      c.setKeyOrder(args.key);
      return 0;
    case op::kSetKeyValue:
      c.setKeyValue(args.key, t.record(), false);
      return 0;
    case op::kSetKeyAtRecord:
      c.setKeyAtRecord(args.key, args.number);
      return 0;
    case op::kSetKeyValueRecord:
      c.setKeyValueAndRecord(args.key, t.record(),
                             std::uint32_t(std::clamp<std::int64_t>(args.number, 0, 0xFFFFFFFF)));
      return 0;
    case op::kPosition:
      args.reply = storedNumber(t.currentRecord());
      return 0;
    case op::kKeyPosition:
      return keyPosition(t, args, args.reply);
    case op::kReset:
      if (text.size() != 4) return kErrPrecondition;
      c.setRecordOrderAt(positionRecord(text));
      return 0;
    case op::kKeyReset:
      if (text.size() < 4 || args.key >= t.desc().keys.size()) return kErrPrecondition;
      c.setKeyPosition(args.key, text.substr(4), positionRecord(text));
      return 0;
    case op::kHold:
    case op::kHoldSeconds:
      fcb.holdArmed = true;
      fcb.holdSeconds = args.number < 0
                            ? kHoldForever
                            : std::int32_t(std::min<std::int64_t>(args.number, 0x7FFFFFFF));
      return 0;
    case op::kRelease:
      t.releaseRecordLock();
      return 0;
    case op::kWatch:
      t.armWatch();
      return 0;
    case op::kNoMemo:
      t.armNoMemo();
      return 0;
    case op::kOrderingKey:
      args.value = c.inKeyOrder() ? std::int64_t(c.key()) + 1 : 0;
      return 0;
    case op::kAdd:
      return afterChange(fcb, t.addRecord(false));
    case op::kAppend:
      return afterChange(fcb, t.addRecord(true));
    case op::kPut:
      return afterChange(fcb, t.putRecord());
    case op::kPutAt:
      return afterChange(fcb, putAt(t, args.number));
    case op::kDelete:
      return afterChange(fcb, t.deleteRecord());
    case op::kDuplicateAny:
    case op::kDuplicateKey:
      return duplicate(t, operation, args);
    case op::kRecords:
      args.value = t.recordCount();
      return 0;
    case op::kKeyRecords:
      if (args.key >= t.desc().keys.size()) return kErrPrecondition;
      return inReadPeriod(t, [&] {
        auto s = readStatistics(t.ref(), std::uint8_t(args.key));
        args.value = s ? s->count : 0;
        return 0;
      });
    case op::kPointer:
    case op::kPointer2:
      args.value = t.currentRecord();
      return 0;
    case op::kBlobRead:
    case op::kBlobWrite:
    case op::kBlobSize:
    case op::kBlobSet:
    case op::kBlobGet:
      return blobOperation(operation, t, args);
    default:
      return kErrUnsupported;
  }
}

}  // namespace dw::db::driver_detail
