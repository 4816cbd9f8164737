// Driver operations over real files: opening and creating, reads by key,
// by record number and in sequence, positions, changes, DUPLICATE, BUILD,
// EMPTY, COPY/RENAME/REMOVE, BLOBs, SEND, LOCK and STREAM.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver_test_util.h"

namespace dw::db::testing {
namespace {

class DriverOps : public ::testing::Test {
 protected:
  void SetUp() override {
    declare(fcb, dir.file("ops.brk"));
    ASSERT_EQ(call(op::kOpen, fcb, kCreateShared), 0);
  }
  TempDir dir;
  FileControlBlock fcb;
};

TEST(DriverOpen, NamesCreateBitAndCreateAttribute) {
  TempDir dir;
  FileControlBlock fcb;
  declare(fcb, "   ");
  EXPECT_EQ(call(op::kOpen, fcb, kShared), kErrInvalidFilename);
  declare(fcb, dir.file("missing.brk"));
  EXPECT_EQ(call(op::kOpen, fcb, kShared), 2);
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing.brk")));
  EXPECT_EQ(fcb.state, 0u);
  fcb.attributes = 0;
  EXPECT_EQ(call(op::kCreate, fcb), kErrNoCreateAttribute);
  fcb.attributes = kAttrCreate;
  ASSERT_EQ(call(op::kCreate, fcb), 0);
  EXPECT_EQ(fcb.state, 0u);  // CREATE leaves the file closed
  ASSERT_EQ(call(op::kOpen, fcb, kShared), 0);
  EXPECT_EQ(call(op::kOpen, fcb, kShared), kErrAlreadyOpen);
  EXPECT_EQ(valueOf(op::kRecords, fcb), 0);
  ASSERT_EQ(call(op::kClose, fcb), 0);
  // A declaration that differs from the stored one.
  fcb.declaration = smallTable(false);
  EXPECT_EQ(call(op::kOpen, fcb, kShared), 47);
  EXPECT_EQ(fcb.state & kStateOpen, 0u);  // closed; the last open's access stays
}

TEST_F(DriverOps, GetByKeyAndByRecordNumberPointerAndReget) {
  addRows(fcb, {30, 10, 20});
  setRow(fcb, 10, "");
  ASSERT_EQ(call(op::kGetByKey, fcb, 0, 0), 0);
  EXPECT_EQ(rowName(fcb), "r10");
  const std::int64_t rn = valueOf(op::kPointer, fcb);
  int rc = 0;
  const std::string position = callFor(op::kPosition, fcb, rc).reply;
  ASSERT_EQ(rc, 0);
  ASSERT_EQ(position.size(), 4u);
  EXPECT_EQ(readBig32(position, 0), std::uint32_t(rn));
  setRow(fcb, 99, "");
  EXPECT_EQ(call(op::kGetByKey, fcb, 0, 0), 35);
  EXPECT_EQ(call(op::kGetByRecord, fcb, 12345), 35);
  EXPECT_EQ(call(op::kGetByRecord, fcb, -1), 35);
  ASSERT_EQ(call(op::kGetByRecord, fcb, rn), 0);
  EXPECT_EQ(rowId(fcb), 10);
  setRow(fcb, 0, "");
  ASSERT_EQ(call(op::kReget, fcb, 0, 0, position), 0);
  EXPECT_EQ(rowId(fcb), 10);
  // GET does not move the sequential position.
  ASSERT_EQ(call(op::kSetKeyEnd, fcb, 0, 0), 0);
  ASSERT_EQ(call(op::kGetByRecord, fcb, rn), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 10);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 20);
}

TEST_F(DriverOps, SetModesBofEofAndSkip) {
  addRows(fcb, {30, 10, 20, 40});
  // Record order follows the adds.
  ASSERT_EQ(call(op::kSetRecordEnd, fcb), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 30);
  EXPECT_EQ(valueOf(op::kBof, fcb), 1);
  EXPECT_EQ(valueOf(op::kEof, fcb), 0);
  // Key order from a value.
  setRow(fcb, 20, "");
  ASSERT_EQ(call(op::kSetKeyValue, fcb, 0, 0), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 20);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 30);
  // Skipping past the end leaves 33 and no current record.
  EXPECT_EQ(call(op::kSkip, fcb, 5), 33);
  // Key order from the end, backwards.
  ASSERT_EQ(call(op::kSetKeyEnd, fcb, 0, 0), 0);
  ASSERT_EQ(call(op::kPrevious, fcb), 0);
  EXPECT_EQ(rowId(fcb), 40);
  EXPECT_EQ(valueOf(op::kEof, fcb), 1);
  EXPECT_EQ(valueOf(op::kOrderingKey, fcb), 1);
  ASSERT_EQ(call(op::kSetRecordEnd, fcb), 0);
  EXPECT_EQ(valueOf(op::kOrderingKey, fcb), 0);
  // A value, then record order: the record with the value, then its successors by number.
  setRow(fcb, 10, "");
  ASSERT_EQ(call(op::kSetValueThenRecord, fcb, 0, 0), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 10);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 20);
  // Record order and key order from a record number.
  const std::int64_t rn20 = valueOf(op::kPointer, fcb);
  ASSERT_EQ(call(op::kSetRecordAt, fcb, rn20), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 20);
  ASSERT_EQ(call(op::kSetKeyAtRecord, fcb, rn20, 0), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 30);
}

TEST_F(DriverOps, KeyPositionComesFromTheStoredRecordAndResetsTheOrder) {
  addRows(fcb, {30, 10, 20});
  ASSERT_EQ(call(op::kSetKeyEnd, fcb, 0, 0), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  ASSERT_EQ(rowId(fcb), 20);
  setRow(fcb, 77, "changed but not stored");
  int rc = 0;
  const std::string position = callFor(op::kKeyPosition, fcb, rc, 0, 0).reply;
  ASSERT_EQ(rc, 0);
  ASSERT_EQ(position.size(), 8u);
  ASSERT_EQ(call(op::kSetRecordEnd, fcb), 0);
  ASSERT_EQ(call(op::kKeyReset, fcb, 0, 0, position), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 20);  // not 77: the position was taken from the stored record
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(rowId(fcb), 30);
  ASSERT_EQ(call(op::kKeyReget, fcb, 0, 0, position), 0);
  EXPECT_EQ(rowId(fcb), 20);
  EXPECT_EQ(call(op::kReset, fcb, 0, 0, "abc"), kErrPrecondition);
}

TEST_F(DriverOps, PutDeleteDuplicateAndPutAtRecordNumber) {
  addRows(fcb, {1, 2, 3});
  const std::int64_t rn3 = valueOf(op::kPointer, fcb);
  setRow(fcb, 2, "x");
  EXPECT_EQ(valueOf(op::kDuplicateAny, fcb), 1);
  EXPECT_EQ(valueOf(op::kDuplicateKey, fcb, 0), 1);
  EXPECT_EQ(call(op::kPut, fcb), 40);  // record 3 may not take id 2
  setRow(fcb, 3, "three");
  EXPECT_EQ(valueOf(op::kDuplicateAny, fcb), 0);  // its own value is no duplicate
  ASSERT_EQ(call(op::kPut, fcb), 0);
  // PUT to a record number writes the buffer over that record.
  ASSERT_EQ(call(op::kGetByRecord, fcb, rn3), 0);
  setRow(fcb, 5, "five");
  const std::int64_t rn1 = rn3 - 2;
  ASSERT_EQ(call(op::kPutAt, fcb, rn1), 0);
  ASSERT_EQ(call(op::kGetByRecord, fcb, rn1), 0);
  EXPECT_EQ(rowName(fcb), "five");
  EXPECT_EQ(call(op::kPutAt, fcb, 9999), 35);
  ASSERT_EQ(call(op::kDelete, fcb), 0);
  EXPECT_EQ(fcb.state & kStateCurrent, 0u);
  EXPECT_EQ(call(op::kDelete, fcb), 33);
  EXPECT_EQ(valueOf(op::kRecords, fcb), 2);
  EXPECT_EQ(valueOf(op::kKeyRecords, fcb, 0), 2);
}

TEST_F(DriverOps, BuildAndEmptyNeedADenyingShareMode) {
  addRows(fcb, {1, 2});
  EXPECT_EQ(call(op::kBuildAll, fcb), kErrExclusiveRequired);
  EXPECT_EQ(call(op::kEmpty, fcb), kErrExclusiveRequired);
  ASSERT_EQ(call(op::kClose, fcb), 0);
  ASSERT_EQ(call(op::kOpen, fcb, kExclusive), 0);
  ASSERT_EQ(call(op::kBuildAll, fcb), 0);
  ASSERT_EQ(call(op::kBuildKey, fcb, 0, 0), 0);
  EXPECT_EQ(call(op::kBuildKey, fcb, 0, 9), kErrPrecondition);
  EXPECT_EQ(call(op::kBuildDynamic, fcb, 0, 0, "T:Name"), 47);  // key 0 is not dynamic
  ASSERT_EQ(call(op::kPack, fcb), 0);
  EXPECT_EQ(fcb.state & (kStateCurrent | kStateSequence), 0u);
  EXPECT_EQ(valueOf(op::kRecords, fcb), 2);
  ASSERT_EQ(call(op::kEmpty, fcb), 0);
  EXPECT_EQ(valueOf(op::kRecords, fcb), 0);
  addRows(fcb, {7});
  EXPECT_EQ(valueOf(op::kRecords, fcb), 1);
}

TEST_F(DriverOps, LockSetsDenyingUntilUnlock) {
  ASSERT_EQ(call(op::kLock, fcb), 0);
  EXPECT_EQ(fcb.state & (kStateLocked | kStateDenying), kStateLocked | kStateDenying);
  FileControlBlock other;
  declare(other, fcb.name);
  ASSERT_EQ(call(op::kOpen, other, kShared), 0);
  EXPECT_EQ(call(op::kLockSeconds, other, 0), 32);
  ASSERT_EQ(call(op::kBuildAll, fcb), 0);  // the lock counts as exclusive use
  ASSERT_EQ(call(op::kUnlock, fcb), 0);
  // The share mode of the open denied nothing: BUILD needs the lock again.
  EXPECT_EQ(fcb.state & (kStateLocked | kStateDenying), 0u);
  EXPECT_EQ(call(op::kBuildAll, fcb), kErrExclusiveRequired);
  ASSERT_EQ(call(op::kLockSeconds, other, 1), 0);
  ASSERT_EQ(call(op::kClose, other), 0);  // CLOSE gives the lock up
  ASSERT_EQ(call(op::kLockSeconds, fcb, 0), 0);
}

TEST_F(DriverOps, StreamCommitsAtFlush) {
  ASSERT_EQ(call(op::kStream, fcb), 0);
  std::size_t before = 0;
  bool committedEarly = false;
  for (int i = 1; i <= 1000; ++i) {
    setRow(fcb, i, std::string(18, 'a' + i % 26));
    fcb.table->memo(0).assign(300, char('a' + i % 26));
    ASSERT_EQ(call(op::kAdd, fcb), 0);
    // The stream commits on its own before its dirty pages pile up.
    const std::size_t dirty = fcb.table->tableFile().file().cache().dirtyPages().size();
    ASSERT_LT(dirty, 40u) << i;
    committedEarly = committedEarly || dirty < before;
    before = dirty;
  }
  EXPECT_TRUE(committedEarly);
  EXPECT_GT(fcb.table->tableFile().file().cache().dirtyPages().size(), 0u);  // the rest waits
  ASSERT_EQ(call(op::kFlush, fcb), 0);
  EXPECT_EQ(fcb.state & kStateStreaming, 0u);
  ASSERT_EQ(call(op::kClose, fcb), 0);
  ASSERT_EQ(call(op::kOpen, fcb, kShared), 0);
  EXPECT_EQ(valueOf(op::kRecords, fcb), 1000);
}

// CLOSE commits a streaming table also while another table of its file
// (whose file object holds the stream's batch) stays open.
TEST(DriverStream, CloseOfAStreamingTableCommitsBesideAnOpenOne) {
  TempDir dir;
  FileControlBlock streamed, beside;
  declare(streamed, dir.file("two.brk") + "\\!A");
  declare(beside, dir.file("two.brk") + "\\!B");
  ASSERT_EQ(call(op::kOpen, streamed, kCreateShared), 0);
  ASSERT_EQ(call(op::kOpen, beside, kCreateShared), 0);
  ASSERT_EQ(call(op::kStream, streamed), 0);
  addRows(streamed, {1, 2, 3});
  ASSERT_EQ(call(op::kClose, streamed), 0);
  TableFile& file = beside.table->tableFile();
  EXPECT_FALSE(file.inBatch());
  EXPECT_EQ(file.file().cache().dirtyPages().size(), 0u);
  ASSERT_EQ(call(op::kClose, beside), 0);
}

TEST_F(DriverOps, BlobOperations) {
  const std::size_t blob = 1;
  DriverArgs a;
  a.key = blob;
  a.text = "hello";
  ASSERT_EQ(driverCall(op::kBlobSet, fcb, a), 0);
  a.number = 3;
  a.text = "p me";
  ASSERT_EQ(driverCall(op::kBlobWrite, fcb, a), 0);
  ASSERT_EQ(driverCall(op::kBlobSize, fcb, a), 0);
  EXPECT_EQ(a.value, 7);
  setRow(fcb, 1, "b");
  ASSERT_EQ(call(op::kAdd, fcb), 0);
  ASSERT_EQ(call(op::kGetByRecord, fcb, valueOf(op::kPointer, fcb)), 0);
  a.number = 1;
  a.length = 4;
  ASSERT_EQ(driverCall(op::kBlobRead, fcb, a), 0);
  EXPECT_EQ(a.reply, "elp ");
  ASSERT_EQ(driverCall(op::kBlobGet, fcb, a), 0);
  EXPECT_EQ(a.reply, "help me");
  a.key = 0;  // a memo that is no BLOB
  EXPECT_EQ(driverCall(op::kBlobGet, fcb, a), kErrPrecondition);
}

TEST_F(DriverOps, SendOptions) {
  int rc = 0;
  EXPECT_EQ(callFor(op::kSend, fcb, rc, 0, 0, "XYZ").reply, "SEND arg not recognised");
  const std::string reg = callFor(op::kSend, fcb, rc, 0, 0, "REGISTER").reply;
  EXPECT_EQ(reg, std::to_string(reinterpret_cast<std::uintptr_t>(&driverRegistration())));
  EXPECT_EQ(fcb.flags2 & kFlagsRegistered, 0u);
  // The tables of a file, one after another.
  FileControlBlock history, categories;
  declare(history, dir.file("multi.brk") + "\\!History");
  declare(categories, dir.file("multi.brk") + "\\!Categories");
  ASSERT_EQ(call(op::kOpen, history, kCreateShared), 0);
  ASSERT_EQ(call(op::kOpen, categories, kCreateShared), 0);
  EXPECT_EQ(callFor(op::kSend, history, rc, 0, 0, "PNM=").reply, "CATEGORIES");
  EXPECT_EQ(callFor(op::kSend, history, rc, 0, 0, "PNM=CATEGORIES").reply, "HISTORY");
  EXPECT_EQ(callFor(op::kSend, history, rc, 0, 0, "PNM=HISTORY").reply, "");
  ASSERT_EQ(call(op::kClose, history), 0);
  // Closed: PNM= is not served, REGISTER marks the flags word.
  EXPECT_EQ(callFor(op::kSend, history, rc, 0, 0, "PNM=").reply, "SEND arg not recognised");
  callFor(op::kSend, history, rc, 0, 0, "REGISTER");
  EXPECT_EQ(history.flags2 & kFlagsRegistered, kFlagsRegistered);
  // TCF= names the control file of later commits.
  callFor(op::kSend, fcb, rc, 0, 0, "TCF=" + dir.file("x.tcf"));
  EXPECT_EQ(Transaction::process().controlFileName(), dir.file("x.tcf"));
  Transaction::process().setControlFileName({});
}

TEST(DriverTables, CopyRenameAndRemoveAClosedTable) {
  TempDir dir;
  FileControlBlock fcb;
  declare(fcb, dir.file("a.brk") + "\\!T");
  ASSERT_EQ(call(op::kOpen, fcb, kCreateShared), 0);
  addRows(fcb, {1, 2, 3});
  EXPECT_EQ(call(op::kCopy, fcb, 0, 0, dir.file("b.brk") + "\\!T"), kErrAlreadyOpen);
  ASSERT_EQ(call(op::kClose, fcb), 0);
  ASSERT_EQ(call(op::kCopy, fcb, 0, 0, dir.file("b.brk") + "\\!T"), 0);
  ASSERT_EQ(call(op::kRename, fcb, 0, 0, dir.file("a.brk") + "\\!U"), 0);
  EXPECT_EQ(call(op::kOpen, fcb, kShared), 2);  // T is gone from a.brk
  FileControlBlock renamed, copied;
  declare(renamed, dir.file("a.brk") + "\\!U");
  declare(copied, dir.file("b.brk") + "\\!T");
  ASSERT_EQ(call(op::kOpen, renamed, kShared), 0);
  ASSERT_EQ(call(op::kOpen, copied, kShared), 0);
  EXPECT_EQ(valueOf(op::kRecords, renamed), 3);
  EXPECT_EQ(valueOf(op::kRecords, copied), 3);
  ASSERT_EQ(call(op::kClose, copied), 0);
  ASSERT_EQ(call(op::kRemove, copied), 0);
  EXPECT_EQ(call(op::kOpen, copied, kShared), 2);
}

// A file of one unnamed table renamed as a whole leaves no old file behind.
TEST(DriverTables, RenameOfAClosedOneTableFileMovesTheFile) {
  TempDir dir;
  FileControlBlock fcb;
  declare(fcb, dir.file("one.brk"));
  ASSERT_EQ(call(op::kOpen, fcb, kCreateShared), 0);
  addRows(fcb, {1, 2});
  ASSERT_EQ(call(op::kClose, fcb), 0);
  ASSERT_EQ(call(op::kRename, fcb, 0, 0, dir.file("two.brk")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("one.brk")));
  FileControlBlock renamed;
  declare(renamed, dir.file("two.brk"));
  ASSERT_EQ(call(op::kOpen, renamed, kShared), 0);
  EXPECT_EQ(valueOf(op::kRecords, renamed), 2);
  ASSERT_EQ(call(op::kClose, renamed), 0);
}

}  // namespace
}  // namespace dw::db::testing
