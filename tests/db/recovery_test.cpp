// Recovery paths beyond plain crashes, the cache bound and the locking
// modes: a reader that saw an unfinished commit and then writes, copies of
// a transaction still open, and the exclusive-writes mode.
#include "db_test_util.h"
#include "runtime/platform/test_platform.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::CrashMode;
using dw::platform::ScopedPlatform;
using dw::platform::TestPlatform;

}  // namespace

Model fill(BriskFile& f, int from, int count, std::size_t len) {
  Model m;
  for (int i = from; i < from + count; ++i) {
    std::string key = "e" + std::to_string(100000 + i);
    Entry e(key + std::string(len, char('a' + i % 26)), key.size());
    insertEntry(f, e);
    m[key] = e;
  }
  return m;
}

namespace {

// Leaves a file whose last commit stopped after its pending range was
// recorded (crash at the third flush of the commit).
void interruptedCommit(TestPlatform& tp, const std::string& path, Model& before, Model& after) {
  auto f = openBrisk(path, writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  before = fill(*f, 0, 150, 90);
  ASSERT_EQ(f->commit(), 0u);
  after = before;
  for (auto& [k, e] : fill(*f, 150, 100, 90)) after[k] = e;
  for (int i = 0; i < 150; i += 3) {
    const std::string key = "e" + std::to_string(100000 + i);
    ASSERT_TRUE(deleteEntry(*f, key));
    after.erase(key);
  }
  const std::uint64_t base = tp.flushCount();
  tp.onFlush([&](std::uint64_t i) { return i == base + 2; });
  (void)f->commit();
  f.reset();
  tp.onFlush([](std::uint64_t) { return false; });
  tp.reboot();
}

TEST(RecoveryTest, ReaderThatTurnsWriterFinishesTheCommitFirst) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  const std::string path = dir.file("r.brk");
  Model before, after;
  interruptedCommit(tp, path, before, after);
  auto f = openBrisk(path, readerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_NE(f->header().pendingStart, f->header().pendingEnd);
  ASSERT_TRUE(matchesModel(*f, after));
  f->release();
  f->setReadMode(false);
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_EQ(f->header().pendingStart, f->header().pendingEnd);
  for (auto& [k, e] : fill(*f, 400, 60, 700)) after[k] = e;
  ASSERT_EQ(f->commit(), 0u);
  EXPECT_TRUE(sound(*f));
  f.reset();
  auto g = openBrisk(path, readerOptions());
  ASSERT_EQ(g->refreshHeader(), 0);
  EXPECT_TRUE(matchesModel(*g, after));
}

// The driver's OPEN takes a shared file object out of read mode without a
// new access period: the unfinished commit the reader saw must still be put
// in place before the first write lands on top of it.
TEST(RecoveryTest, ReaderThatTurnsWriterWithoutReleaseFinishesTheCommitFirst) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  const std::string path = dir.file("r.brk");
  Model before, after;
  interruptedCommit(tp, path, before, after);
  auto f = openBrisk(path, readerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  ASSERT_TRUE(matchesModel(*f, after));
  f->setReadMode(false);
  EXPECT_EQ(f->header().pendingStart, f->header().pendingEnd);
  for (auto& [k, e] : fill(*f, 400, 60, 700)) after[k] = e;
  ASSERT_TRUE(deleteEntry(*f, "e100001"));
  after.erase("e100001");
  ASSERT_EQ(f->commit(), 0u);
  EXPECT_TRUE(sound(*f));
  f.reset();
  auto g = openBrisk(path, readerOptions());
  ASSERT_EQ(g->refreshHeader(), 0);
  EXPECT_EQ(g->header().pendingStart, g->header().pendingEnd);
  EXPECT_TRUE(sound(*g));
  EXPECT_TRUE(matchesModel(*g, after));
}

// The same when the reader discarded the copies as an open transaction's:
// the pending range at offset 0 is reset before the writer commits.
TEST(RecoveryTest, ReaderThatDiscardedAnOpenTransactionAndTurnsWriterResetsTheRange) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  const std::string path = dir.file("t.brk");
  Model before, after;
  interruptedCommit(tp, path, before, after);
  auto f = openBrisk(path, readerOptions());
  f->setOpenTransactionTest([](BriskFile&) { return true; });
  ASSERT_EQ(f->refreshHeader(), 0);
  ASSERT_TRUE(matchesModel(*f, before));
  f->setReadMode(false);
  Model next = before;
  for (auto& [k, e] : fill(*f, 500, 40, 50)) next[k] = e;
  ASSERT_EQ(f->commit(), 0u);
  f.reset();
  auto g = openBrisk(path, readerOptions());
  int asked = 0;
  g->setOpenTransactionTest([&](BriskFile&) { return ++asked, false; });
  ASSERT_EQ(g->refreshHeader(), 0);
  EXPECT_EQ(asked, 0) << "no pending range is left to ask about";
  EXPECT_TRUE(sound(*g));
  EXPECT_TRUE(matchesModel(*g, next));
}

TEST(RecoveryTest, CopiesOfAnOpenTransactionAreDiscarded) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  const std::string path = dir.file("t.brk");
  Model before, after;
  interruptedCommit(tp, path, before, after);
  for (bool readMode : {true, false}) {
    auto f = openBrisk(path, readMode ? readerOptions() : writerOptions());
    int asked = 0;
    f->setOpenTransactionTest([&](BriskFile&) {
      ++asked;
      return true;
    });
    ASSERT_EQ(f->refreshHeader(), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(matchesModel(*f, before)) << readMode;
    EXPECT_TRUE(sound(*f));
  }
  // The writer reset the pending range: nobody asks again.
  auto f = openBrisk(path, readerOptions());
  int asked = 0;
  f->setOpenTransactionTest([&](BriskFile&) { return ++asked, true; });
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(matchesModel(*f, before));
}

TEST(RecoveryTest, ReadingALargeTreeKeepsTheCacheBounded) {
  TempDir dir;
  auto f = openBrisk(dir.file("big.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  const Model m = fill(*f, 0, 3000, 200);
  ASSERT_EQ(f->commit(), 0u);
  const CheckReport r = checkFile(*f);
  ASSERT_TRUE(r.sound) << r.fault;
  ASSERT_GT(r.pages, 150u);
  f.reset();
  auto g = openBrisk(dir.file("big.brk"), readerOptions());
  ASSERT_EQ(g->refreshHeader(), 0);
  EXPECT_TRUE(matchesModel(*g, m));
  EXPECT_LE(g->cache().size(), PageCache::kMaxUnpinned + 1);
  EXPECT_GE(g->cache().size(), PageCache::kKeepUnpinned - 1);
}

TEST(RecoveryTest, ExclusiveWritesTakeTheLockOnlyToApply) {
  TempDir dir;
  const std::string path = dir.file("x.brk");
  BriskOptions w = writerOptions();
  w.locking = Locking::ExclusiveWrites;
  auto writer = openBrisk(path, w);
  ASSERT_EQ(writer->refreshHeader(), 0);
  // No lock at refresh: another opener can still take the range.
  auto other = openBrisk(path, writerOptions());
  EXPECT_TRUE(other->lockExclusive(dw::platform::LockWait::TryOnce));
  other->unlockHeld();
  fill(*writer, 0, 10, 10);
  ASSERT_EQ(writer->commit(), 0u);
  EXPECT_TRUE(other->lockExclusive(dw::platform::LockWait::TryOnce)) << "released after phase 2";
  other->unlockHeld();
  EXPECT_TRUE(sound(*writer));
}

}  // namespace
}  // namespace dw::db

namespace dw::db {
namespace {

using namespace dw::db::testing;

TEST(RecoveryTest, PreparedCommitsOfTwoFilesApplyOrCancelTogether) {
  TempDir dir;
  auto a = openBrisk(dir.file("a.brk"), writerOptions());
  auto b = openBrisk(dir.file("b.brk"), writerOptions());
  ASSERT_EQ(a->refreshHeader(), 0);
  ASSERT_EQ(b->refreshHeader(), 0);
  const Model a0 = fill(*a, 0, 50, 40), b0 = fill(*b, 0, 50, 40);
  ASSERT_EQ(a->commit(), 0u);
  ASSERT_EQ(b->commit(), 0u);
  // Cancelled after both prepared: neither changes, even after re-opening.
  fill(*a, 100, 30, 40);
  ASSERT_TRUE(deleteEntry(*b, "e100001"));
  ASSERT_EQ(a->prepareCommit(), 0u);
  ASSERT_EQ(b->prepareCommit(), 0u);
  a->cancelPrepared();
  b->cancelPrepared();
  for (auto* f : {a.get(), b.get()}) ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_TRUE(matchesModel(*a, a0));
  EXPECT_TRUE(matchesModel(*b, b0));
  // Applied: both change.
  Model a1 = a0, b1 = b0;
  for (auto& [k, e] : fill(*a, 100, 30, 40)) a1[k] = e;
  ASSERT_TRUE(deleteEntry(*b, "e100001"));
  b1.erase("e100001");
  ASSERT_EQ(a->prepareCommit(), 0u);
  ASSERT_EQ(b->prepareCommit(), 0u);
  a->applyCommit();
  b->applyCommit();
  a.reset();
  b.reset();
  auto ra = openBrisk(dir.file("a.brk"), readerOptions());
  auto rb = openBrisk(dir.file("b.brk"), readerOptions());
  ASSERT_EQ(ra->refreshHeader(), 0);
  ASSERT_EQ(rb->refreshHeader(), 0);
  EXPECT_TRUE(matchesModel(*ra, a1));
  EXPECT_TRUE(matchesModel(*rb, b1));
  EXPECT_EQ(ra->header().pendingStart, ra->header().pendingEnd);
}

}  // namespace
}  // namespace dw::db
