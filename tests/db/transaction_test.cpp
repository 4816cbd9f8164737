// Transactions over several files: the errors of LOGOUT, COMMIT and
// ROLLBACK, the control file and its numbers, and a failed write at every
// write of a two-file commit leaving both files before or both after.
#include <chrono>

#include "runtime/platform/test_platform.h"
#include "transaction_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::ScopedPlatform;
using dw::platform::TestPlatform;

// 7 December 2026, 12:00:00.
const dw::platform::LocalTime kNoon{2026, 12, 7, 12, 0, 0, 0, 1};

std::uint32_t noonSeconds() {
  using namespace std::chrono;
  const sys_days day = year{2026} / December / 7;
  return std::uint32_t(day.time_since_epoch().count() * 86400 + 12 * 3600);
}

TEST(TransactionTest, OperationsOfOneTableRefuseWhatItsStateForbids) {
  TempDir dir;
  auto f = openWithRecovery(dir.file("t.brk"), true);
  Transaction t;
  t.setControlFileName(dir.file("brisk.tcf"));
  bool in = false;
  EXPECT_EQ(commitTable(t, in), kNoTransaction);
  EXPECT_EQ(rollbackTable(t, in), kNoTransaction);
  EXPECT_EQ(logoutTable(t, *f, in), 0);
  EXPECT_TRUE(in);
  EXPECT_FALSE(f->readMode());
  EXPECT_EQ(logoutTable(t, *f, in), kLogoutAlreadyActive);
  // A second table of the same file enlists nothing new.
  bool other = false;
  EXPECT_EQ(logoutTable(t, *f, other), 0);
  EXPECT_EQ(commitTable(t, in), 0);
  EXPECT_FALSE(in);
  EXPECT_TRUE(t.empty());
  EXPECT_TRUE(f->readMode());
  // The other table's COMMIT finds the list empty and has nothing to write.
  EXPECT_EQ(commitTable(t, other), 0);
  EXPECT_EQ(commitTable(t, other), kNoTransaction);
  EXPECT_EQ(logoutTable(t, *f, in), 0);
  EXPECT_EQ(rollbackTable(t, in), 0);
  EXPECT_EQ(rollbackTable(t, in), kNoTransaction);
  EXPECT_FALSE(dw::platform::platform().exists(dir.file("brisk.tcf")));
}

TEST(TransactionTest, OneChangedFileCommitsAloneAndLeavesTheControlFileAlone) {
  TempDir dir;
  Pair p(dir);
  for (bool controlExists : {false, true}) {
    std::string controlBytes;
    if (controlExists) {
      auto c = openBrisk(p.control, writerOptions());
      ASSERT_EQ(c->refreshHeader(), 0);
      insertEntry(*c, Entry(std::string("\x01\x02\x03\x04", 4), 4));
      ASSERT_EQ(c->commit(), 0u);
      c.reset();
      controlBytes = readFileBytes(p.control);
    }
    Transaction t;
    t.setControlFileName(p.control);
    p.change(t, /*onlyA=*/true);
    ASSERT_EQ(t.commit(), 0);
    p.close();
    EXPECT_TRUE(p.bothAfter());
    EXPECT_EQ(dw::platform::platform().exists(p.control), controlExists);
    if (controlExists) {
      EXPECT_EQ(readFileBytes(p.control), controlBytes);
    }
    auto fa = openWithRecovery(p.a, true);
    ASSERT_EQ(fa->refreshHeader(), 0);
    EXPECT_FALSE(readTransactionMark(*fa)) << "a lone commit writes no transaction entry";
  }
}

TEST(TransactionTest, TwoFilesCommitTogetherAndTheControlFileEndsEmpty) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  tp.setNow(kNoon);
  TempDir dir;
  Pair p(dir);
  Transaction t;
  t.setControlFileName(p.control);
  p.change(t);
  ASSERT_EQ(t.commit(), 0);
  EXPECT_TRUE(t.empty());
  EXPECT_TRUE(p.fa->readMode());
  EXPECT_EQ(t.lastNumber(), noonSeconds());
  p.close();
  EXPECT_TRUE(p.bothAfter());
  EXPECT_TRUE(listedNumbers(p.control).empty());
  for (const std::string& path : {p.a, p.b}) {
    auto f = openWithRecovery(path, true);
    ASSERT_EQ(f->refreshHeader(), 0);
    auto mark = readTransactionMark(*f);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->number, noonSeconds());
    EXPECT_EQ(mark->controlFile, p.control);
  }
}

TEST(TransactionTest, NumbersSkipListedOnesAndThoseTheFilesAlreadyName) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  tp.setNow(kNoon);
  TempDir dir;
  Pair p(dir);
  const std::uint32_t base = noonSeconds();
  {
    auto c = openBrisk(p.control, writerOptions());
    ASSERT_EQ(c->refreshHeader(), 0);
    for (std::uint32_t n : {base, base + 1}) {
      std::string key(4, '\0');
      for (int i = 0; i < 4; ++i) key[i] = char((n >> (8 * i)) & 0xFF);
      insertEntry(*c, Entry(key, 4));
    }
    ASSERT_EQ(c->commit(), 0u);
  }
  // Two transactions in the same second, each in a fresh transaction
  // object (as two processes would be): the second must not reuse the
  // number the files already carry.
  std::vector<std::uint32_t> used;
  for (int round = 0; round < 2; ++round) {
    Transaction t;
    t.setControlFileName(p.control);
    p.change(t);
    ASSERT_EQ(t.commit(), 0);
    used.push_back(t.lastNumber());
    p.close();
    p.beforeA = p.afterA;
    p.beforeB = p.afterB;
  }
  EXPECT_EQ(used, (std::vector<std::uint32_t>{base + 2, base + 3}));
  EXPECT_EQ(listedNumbers(p.control), (std::vector<std::uint32_t>{base, base + 1}));
}

TEST(TransactionTest, RollbackDropsTheChangesOfEveryFile) {
  TempDir dir;
  Pair p(dir);
  Transaction t;
  t.setControlFileName(p.control);
  p.change(t);
  t.rollback();
  EXPECT_TRUE(t.empty());
  EXPECT_TRUE(p.fa->readMode());
  EXPECT_FALSE(p.fa->hasChanges());
  // The same objects read the committed state again.
  ASSERT_EQ(p.fa->refreshHeader(), 0);
  EXPECT_EQ(contentOf(*p.fa), p.beforeA);
  p.fa->release();
  p.close();
  p.afterA = p.beforeA;
  p.afterB = p.beforeB;
  EXPECT_TRUE(p.bothBefore());
  EXPECT_FALSE(dw::platform::platform().exists(p.control));
}

TEST(TransactionTest, WithdrawnFileLeavesTheOthersInTheTransaction) {
  TempDir dir;
  Pair p(dir);
  Transaction t;
  t.setControlFileName(p.control);
  p.change(t);
  t.withdraw(*p.fb);
  EXPECT_FALSE(t.isEnlisted(*p.fb));
  ASSERT_EQ(t.commit(), 0);
  p.close();
  EXPECT_EQ(committedContent(p.a), p.afterA);
  EXPECT_EQ(committedContent(p.b), p.beforeB);
}

TEST(TransactionTest, RelativeControlFileNameIsTakenFromTheCurrentDirectory) {
  TempDir dir;
  Pair p(dir);
  const std::string was = dw::platform::platform().currentDirectory();
  ASSERT_TRUE(dw::platform::platform().setCurrentDirectory(dir.path()));
  Transaction t;
  EXPECT_EQ(t.controlFileName(), "brisk.tcf");
  p.change(t);
  const int rc = t.commit();
  ASSERT_TRUE(dw::platform::platform().setCurrentDirectory(was));
  ASSERT_EQ(rc, 0);
  p.close();
  EXPECT_TRUE(dw::platform::platform().exists(p.control));
  auto fa = openWithRecovery(p.a, true);
  ASSERT_EQ(fa->refreshHeader(), 0);
  EXPECT_EQ(readTransactionMark(*fa)->controlFile, p.control);  // stored absolute
}

TEST(TransactionTest, ControlFileThatIsNoBriskFileAbandonsTheCommit) {
  TempDir dir;
  Pair p(dir);
  writeFileBytes(p.control, std::string(600, 'x'));
  Transaction t;
  t.setControlFileName(p.control);
  p.change(t);
  EXPECT_EQ(t.commit(), dw::lang::err::kInvalidDataFile);
  EXPECT_TRUE(t.empty());
  p.close();
  EXPECT_TRUE(p.bothBefore());
}

TEST(TransactionTest, EnlistedFileHoldsItsExclusiveLockUntilCommit) {
  TempDir dir;
  Pair p(dir);
  auto other = openBrisk(p.a, txnOptions(true, Locking::Shared));
  for (bool commit : {true, false}) {
    const Model keptA = p.afterA, keptB = p.afterB;
    Transaction t;
    t.setControlFileName(p.control);
    p.change(t, false, Locking::Shared);
    // Operations between LOGOUT and COMMIT keep the period (and its lock).
    EXPECT_FALSE(other->lockShared(dw::platform::LockWait::TryOnce));
    if (commit) {
      ASSERT_EQ(t.commit(), 0);
    } else {
      t.rollback();
      p.afterA = keptA;
      p.afterB = keptB;
    }
    EXPECT_TRUE(other->lockShared(dw::platform::LockWait::TryOnce)) << commit;
    other->unlockHeld();
    p.close();
  }
  other.reset();
  EXPECT_TRUE(p.bothAfter());
}

TEST(TransactionTest, ControlFileNamingAChangedFileIsRefused) {
  TempDir dir;
  Pair p(dir);
  Transaction t;
  t.setControlFileName(p.b);
  p.change(t);
  EXPECT_EQ(t.commit(), dw::lang::err::kAccessDenied);
  p.close();
  EXPECT_TRUE(p.bothBefore());
  // An empty name restores the default.
  t.setControlFileName("");
  EXPECT_EQ(t.controlFileName(), kDefaultControlFile);
}

TEST(TransactionTest, TransactionEntryIsReadOnlyWhenWellFormed) {
  struct Case {
    std::string data;
    bool wellFormed;
    std::uint32_t number;
    std::string name;
  };
  const std::vector<Case> cases = {
      {std::string("\x01\x00\x00\x80/d/brisk.tcf\0", 17), true, 0x80000001u, "/d/brisk.tcf"},
      {std::string("\x00\x00\x00\x00\0", 5), true, 0, ""},
      {"", false, 0, ""},                                      // the entry without data
      {std::string("\x01\x02\x03", 3), false, 0, ""},          // short number
      {std::string("\x01\x02\x03\x04name", 8), false, 0, ""},  // no terminating zero
  };
  TempDir dir;
  auto f = openBrisk(dir.file("m.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_FALSE(readTransactionMark(*f));
  for (const Case& c : cases) {
    (void)deleteEntry(*f, "\xFF");
    insertEntry(*f, Entry("\xFF" + c.data, 1));
    const auto mark = readTransactionMark(*f);
    ASSERT_EQ(mark.has_value(), c.wellFormed) << c.data.size();
    if (mark) {
      EXPECT_EQ(mark->number, c.number);
      EXPECT_EQ(mark->controlFile, c.name);
    }
  }
}

// A write failing at each write of a two-file commit in turn: an error
// leaves both files as before, success both as after.
TEST(TransactionTest, FailedWriteAnywhereLeavesBothFilesBeforeOrBothAfter) {
  int failed = 0, succeeded = 0;
  for (std::uint64_t n = 0;; ++n) {
    TestPlatform tp;
    ScopedPlatform installed(tp);
    TempDir dir;
    Pair p(dir);
    Transaction t;
    t.setControlFileName(p.control);
    p.change(t);
    const std::uint64_t start = tp.writeCount();
    tp.failWritesAfter(n, dw::platform::kDiskFull);
    const int rc = t.commit();
    const std::uint64_t writes = tp.writeCount() - start;
    tp.clearFaults();
    p.close();
    if (rc != 0) {
      EXPECT_EQ(rc, int(dw::platform::kDiskFull)) << "write " << n;
      EXPECT_TRUE(p.bothBefore()) << "write " << n;
      ++failed;
    } else {
      EXPECT_TRUE(p.bothAfter()) << "write " << n;
      ++succeeded;
    }
    if (::testing::Test::HasFailure() || writes <= n) break;
  }
  EXPECT_GT(failed, 5);
  EXPECT_GT(succeeded, 1);  // failures in phase 2 are finished from the copies
}

}  // namespace
}  // namespace dw::db
