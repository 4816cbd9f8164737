// The Brisk driver's entry point: every file operation of the runtime's
// generic file layer on a Brisk table comes through driverCall() with an
// operation number, the declared file's control block and the operation's
// arguments, and returns 0 or an error number (docs/brisk-driver.md).
//
// Before an operation the driver checks the control block's state word
// against the operation's entry in its table: required bits that are
// missing and forbidden bits that are present give the entry's errors
// without touching the file.  After a successful operation it sets and
// clears the entry's bits; NEXT, PREVIOUS and SKIP clear "current record"
// also when they fail.  Operation 74 returns 0 at once; a number without an
// entry gives 80.
//
// Write order: the table layer brackets every operation by an access period
// of the file and commits at its end, so each operation's changes (record,
// keys, statistics, memos) become visible together; the commit waits while
// the file is enlisted in the process's transaction (until COMMIT or
// ROLLBACK) and while it streams (until FLUSH, or until 40 pages are dirty).
//
// Threads: a control block belongs to one thread at a time; file objects
// and the transaction are per process and used under the Runtime lock.  The
// driver takes no lock of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/db/record_locks.h"
#include "runtime/db/table.h"

namespace dw::db {

// State word bits.
inline constexpr std::uint32_t kStateOpen = 0x01;
inline constexpr std::uint32_t kStateCurrent = 0x02;
inline constexpr std::uint32_t kStateTransaction = 0x04;
inline constexpr std::uint32_t kStateStreaming = 0x08;
inline constexpr std::uint32_t kStateLocked = 0x10;
inline constexpr std::uint32_t kStateSequence = 0x20;
inline constexpr std::uint32_t kStateWrite = 0x40;
inline constexpr std::uint32_t kStateDenying = 0x80;

// Attribute bits of a declared file.
inline constexpr std::uint8_t kAttrCreate = 0x04;
inline constexpr std::uint8_t kAttrOem = 0x20;

// Access mode bits of OPEN: the low two bits are 0 read, 1 write, 2 both;
// 0x10 denies all others, 0x20 denies writers, 0x30 readers, 0x40 nothing;
// 0x100 creates the file and the table when missing.
inline constexpr std::uint32_t kModeDenyAll = 0x10;
inline constexpr std::uint32_t kModeDenyWrite = 0x20;
inline constexpr std::uint32_t kModeDenyRead = 0x30;
inline constexpr std::uint32_t kModeShareMask = 0x70;
inline constexpr std::uint32_t kModeReadWrite = 0x02;
inline constexpr std::uint32_t kModeShared = 0x42;  // read and write, denying nothing
inline constexpr std::uint32_t kModeCreate = 0x100;

// The second flags word of the runtime: bit set by SEND "REGISTER" on a
// file that is not open.
inline constexpr std::uint32_t kFlagsRegistered = 0x02;

// Error numbers the driver returns besides those of the table layer.
inline constexpr int kErrNotOpen = 37;
inline constexpr int kErrAlreadyOpen = 52;
inline constexpr int kErrInvalidFilename = 45;
inline constexpr int kErrNoCreateAttribute = 54;
inline constexpr int kErrExclusiveRequired = 63;
inline constexpr int kErrUnsupported = 80;
inline constexpr int kErrChangedByOther = 89;
inline constexpr int kErrPrecondition = -1;

// Operation numbers.
namespace op {
inline constexpr int kAdd = 1;
inline constexpr int kBof = 2;
inline constexpr int kBuildAll = 3;
inline constexpr int kAppend = 4;
inline constexpr int kBuildDynamic = 5;
inline constexpr int kBuildKey = 6;
inline constexpr int kClose = 7;
inline constexpr int kCommit = 8;
inline constexpr int kCopy = 9;
inline constexpr int kCreate = 10;
inline constexpr int kDelete = 11;
inline constexpr int kDuplicateAny = 12;
inline constexpr int kEmpty = 13;
inline constexpr int kEof = 14;
inline constexpr int kGetByKey = 15;
inline constexpr int kGetByRecord = 16;
inline constexpr int kGetByRecord2 = 17;
inline constexpr int kHold = 18;
inline constexpr int kHoldSeconds = 19;
inline constexpr int kLock = 20;
inline constexpr int kLockSeconds = 21;
inline constexpr int kLogout = 22;
inline constexpr int kNext = 24;
inline constexpr int kOpen = 25;
inline constexpr int kPack = 26;
inline constexpr int kPointer = 27;
inline constexpr int kPointer2 = 28;
inline constexpr int kFlush = 29;
inline constexpr int kPut = 30;
inline constexpr int kPrevious = 31;
inline constexpr int kRecords = 32;
inline constexpr int kKeyRecords = 33;
inline constexpr int kBuildDynamic2 = 34;
inline constexpr int kRelease = 36;
inline constexpr int kRemove = 37;
inline constexpr int kRename = 38;
inline constexpr int kRollback = 40;
inline constexpr int kSetRecordEnd = 41;
inline constexpr int kSetValueThenRecord = 42;
inline constexpr int kSetRecordAt = 43;
inline constexpr int kSetKeyEnd = 44;
inline constexpr int kSetKeyValue = 45;
inline constexpr int kSetKeyAtRecord = 46;
inline constexpr int kSetKeyValueRecord = 47;
inline constexpr int kOpen2 = 48;
inline constexpr int kSkip = 49;
inline constexpr int kUnlock = 50;
inline constexpr int kPublishedOnly = 52;
inline constexpr int kPutAt = 54;
inline constexpr int kStream = 56;
inline constexpr int kDuplicateKey = 57;
inline constexpr int kWatch = 58;
inline constexpr int kSend = 60;
inline constexpr int kPosition = 61;
inline constexpr int kKeyPosition = 62;
inline constexpr int kReset = 63;
inline constexpr int kKeyReset = 64;
inline constexpr int kNoMemo = 65;
inline constexpr int kReget = 66;
inline constexpr int kKeyReget = 67;
inline constexpr int kOrderingKey = 73;
inline constexpr int kNothing = 74;
inline constexpr int kBlobRead = 75;
inline constexpr int kBlobWrite = 76;
inline constexpr int kBlobSize = 77;
inline constexpr int kBlobSet = 78;
inline constexpr int kBlobGet = 79;
}  // namespace op

// The further arguments of an operation and its results.  Which fields an
// operation reads is listed in docs/brisk-driver.md.
struct DriverArgs {
  std::size_t key = 0;      // key number (0-based) or memo number of a BLOB
  std::int64_t number = 0;  // record number, seconds, count, start or property
  std::int64_t length = 0;  // BLOB range length
  std::string text;         // option, position string, target name, component string, bytes
  // Results.
  std::string reply;       // SEND, POSITION, BLOB reads
  std::int64_t value = 0;  // POINTER, RECORDS, BOF/EOF, DUPLICATE, BLOB size, ordering key
};

// The runtime's record of one declared file.  The record and memo buffers
// are those of the table object (record()), which exists while the file is
// open.
struct FileControlBlock {
  FileControlBlock() = default;
  FileControlBlock(const FileControlBlock&) = delete;
  FileControlBlock& operator=(const FileControlBlock&) = delete;
  // Closing what is still open; a file still enlisted leaves the
  // transaction with its uncommitted changes dropped.
  ~FileControlBlock();

  std::string name;      // "FILE\!TABLE"; may change while the file is closed
  std::string password;  // empty: not enciphered
  TableDesc declaration;
  std::uint8_t attributes = 0;
  std::uint32_t accessMode = 0;  // of the last OPEN
  std::uint32_t state = 0;
  std::uint32_t flags2 = 0;
  std::unique_ptr<Table> table;

  // The driver's own per-file state.
  std::int32_t holdSeconds = 0;  // of the armed HOLD
  bool holdArmed = false;
  TableLock tableLock;

  // The record buffer (null while the file is not open).
  std::string* record() { return table ? &table->record() : nullptr; }
};

// The registration record the driver publishes.
struct DriverRegistration {
  std::vector<int> operations;  // the 65 operation numbers served
  std::vector<int> fieldTypes;  // the 15 field type codes declared
  const char* name;
  const char* description;
  int (*entry)(int, FileControlBlock&, DriverArgs&);
  // Limits.
  std::uint32_t maxRecordLength;
  std::uint32_t maxKeys;
  std::uint32_t maxMemoSize;
  std::uint32_t maxBlobLength;
};

const DriverRegistration& driverRegistration();

// The entry point: 0 or an error number.
int driverCall(int operation, FileControlBlock& fcb, DriverArgs& args);

// One operation's entry of the state table (nullptr: not served).
struct StateRule {
  int operation;
  std::uint8_t required;
  std::uint8_t forbidden;
  std::uint8_t set;
  std::uint8_t cleared;
};
const StateRule* stateRuleOf(int operation);
// The error for a state word before an operation: 0 when it may run.
int checkState(const StateRule& rule, std::uint32_t state);

}  // namespace dw::db
