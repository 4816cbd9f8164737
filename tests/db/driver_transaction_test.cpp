// LOGOUT, COMMIT and ROLLBACK through the driver: the state errors, the
// file left uncommitted while enlisted, the control file untouched by a
// commit of one file, and WATCH and HOLD between two tables of a process.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver_test_util.h"

namespace dw::db::testing {
namespace {

class DriverTransaction : public ::testing::Test {
 protected:
  void SetUp() override {
    tcf = dir.file("brisk.tcf");
    int rc = 0;
    callFor(op::kSend, a, rc, 0, 0, "TCF=" + tcf);
    declare(a, dir.file("a.brk"));
    declare(b, dir.file("b.brk"));
    ASSERT_EQ(call(op::kOpen, a, kCreateShared), 0);
    ASSERT_EQ(call(op::kOpen, b, kCreateShared), 0);
  }
  void TearDown() override { Transaction::process().setControlFileName({}); }
  TempDir dir;
  std::string tcf;
  FileControlBlock a, b;
};

TEST_F(DriverTransaction, StateErrors) {
  EXPECT_EQ(call(op::kCommit, a), kErrPrecondition);
  EXPECT_EQ(call(op::kRollback, a), kErrPrecondition);
  ASSERT_EQ(call(op::kLogout, a), 0);
  EXPECT_EQ(call(op::kLogout, a), 56);
  EXPECT_EQ(call(op::kClose, a), 56);
  EXPECT_EQ(call(op::kBuildAll, a), 63);  // share mode first
  ASSERT_EQ(call(op::kCommit, a), 0);
  EXPECT_EQ(a.state & kStateTransaction, 0u);
  ASSERT_EQ(call(op::kClose, a), 0);
}

TEST_F(DriverTransaction, RollbackDropsWhatTheOperationsWrote) {
  addRows(a, {1});
  ASSERT_EQ(call(op::kLogout, a), 0);
  addRows(a, {2, 3});
  setRow(a, 1, "");
  ASSERT_EQ(call(op::kGetByKey, a, 0, 0), 0);
  ASSERT_EQ(call(op::kDelete, a), 0);
  EXPECT_EQ(valueOf(op::kRecords, a), 2);
  ASSERT_EQ(call(op::kRollback, a), 0);
  EXPECT_EQ(valueOf(op::kRecords, a), 1);
  setRow(a, 1, "");
  EXPECT_EQ(call(op::kGetByKey, a, 0, 0), 0);
  setRow(a, 2, "");
  EXPECT_EQ(call(op::kGetByKey, a, 0, 0), 35);
}

TEST_F(DriverTransaction, CommitOfOneFileLeavesTheControlFileAlone) {
  ASSERT_EQ(call(op::kLogout, a), 0);
  ASSERT_EQ(call(op::kLogout, b), 0);
  addRows(a, {1, 2});
  ASSERT_EQ(call(op::kCommit, a), 0);
  EXPECT_FALSE(std::filesystem::exists(tcf));
  // COMMIT ends the transaction of every enlisted table.
  EXPECT_EQ(b.state & kStateTransaction, 0u);
  EXPECT_EQ(call(op::kCommit, b), kErrPrecondition);
  ASSERT_EQ(call(op::kClose, a), 0);
  ASSERT_EQ(call(op::kOpen, a, kShared), 0);
  EXPECT_EQ(valueOf(op::kRecords, a), 2);
}

TEST_F(DriverTransaction, CommitOfTwoFilesGoesThroughTheControlFile) {
  ASSERT_EQ(call(op::kLogout, a), 0);
  ASSERT_EQ(call(op::kLogout, b), 0);
  addRows(a, {1});
  addRows(b, {2});
  std::vector<CommitStep> steps;
  Transaction::process().setStepHook([&](CommitStep s, std::size_t) { steps.push_back(s); });
  ASSERT_EQ(call(op::kCommit, b), 0);
  Transaction::process().setStepHook({});
  EXPECT_TRUE(std::filesystem::exists(tcf));
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), CommitStep::NumberListed);
  EXPECT_EQ(a.state & kStateTransaction, 0u);
  ASSERT_EQ(call(op::kClose, a), 0);
  ASSERT_EQ(call(op::kClose, b), 0);
  ASSERT_EQ(call(op::kOpen, a, kShared), 0);
  ASSERT_EQ(call(op::kOpen, b, kShared), 0);
  EXPECT_EQ(valueOf(op::kRecords, a), 1);
  EXPECT_EQ(valueOf(op::kRecords, b), 1);
}

TEST_F(DriverTransaction, ClosingAControlBlockInATransactionDropsItsChanges) {
  addRows(a, {1});
  {
    FileControlBlock c;
    declare(c, dir.file("c.brk"));
    ASSERT_EQ(call(op::kOpen, c, kCreateShared), 0);
    ASSERT_EQ(call(op::kLogout, c), 0);
    addRows(c, {5});
  }  // gone without COMMIT: the transaction forgets the file
  ASSERT_EQ(call(op::kLogout, a), 0);
  addRows(a, {2});
  ASSERT_EQ(call(op::kCommit, a), 0);
  FileControlBlock c;
  declare(c, dir.file("c.brk"));
  ASSERT_EQ(call(op::kOpen, c, kShared), 0);
  EXPECT_EQ(valueOf(op::kRecords, c), 0);
  EXPECT_EQ(valueOf(op::kRecords, a), 2);
}

TEST_F(DriverTransaction, WatchReportsAChangeByAnotherTable) {
  addRows(a, {1});
  FileControlBlock other;
  declare(other, a.name);
  ASSERT_EQ(call(op::kOpen, other, kShared), 0);
  setRow(a, 1, "");
  ASSERT_EQ(call(op::kWatch, a), 0);
  ASSERT_EQ(call(op::kGetByKey, a, 0, 0), 0);
  setRow(other, 1, "");
  ASSERT_EQ(call(op::kGetByKey, other, 0, 0), 0);
  setRow(other, 1, "theirs");
  ASSERT_EQ(call(op::kPut, other), 0);
  setRow(a, 1, "mine");
  EXPECT_EQ(call(op::kPut, a), kErrChangedByOther);
  // PUT disarmed WATCH: the change goes through after a fresh read.
  ASSERT_EQ(call(op::kGetByKey, a, 0, 0), 0);
  EXPECT_EQ(rowName(a), "theirs");
  setRow(a, 1, "mine");
  ASSERT_EQ(call(op::kPut, a), 0);
}

TEST_F(DriverTransaction, HoldBetweenTwoTablesOfOneFile) {
  addRows(a, {1});
  const std::int64_t rn = valueOf(op::kPointer, a);
  FileControlBlock other;
  declare(other, a.name);
  ASSERT_EQ(call(op::kOpen, other, kShared), 0);
  ASSERT_EQ(call(op::kHoldSeconds, a, 0), 0);
  ASSERT_EQ(call(op::kGetByRecord, a, rn), 0);
  ASSERT_EQ(call(op::kHoldSeconds, other, 1), 0);
  EXPECT_EQ(call(op::kGetByRecord, other, rn), 43);  // tried for a second
  ASSERT_EQ(call(op::kGetByRecord, other, rn), 0);   // without HOLD it reads
  EXPECT_EQ(call(op::kPut, other), 5);               // but cannot change it
  ASSERT_EQ(call(op::kRelease, a), 0);
  ASSERT_EQ(call(op::kHold, other, 0), 0);
  ASSERT_EQ(call(op::kGetByRecord, other, rn), 0);
  EXPECT_EQ(call(op::kDelete, a), 33);  // now the other holds it
  ASSERT_EQ(call(op::kPut, other), 0);  // PUT releases it
  ASSERT_EQ(call(op::kDelete, a), 0);
}

}  // namespace
}  // namespace dw::db::testing
