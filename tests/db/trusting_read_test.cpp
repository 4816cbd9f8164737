// Read periods begun on trust: no lock while the cached pages serve a read,
// the lock and a second look at the header at the first page read from the
// disk, and a read that another opener's commit overtook done again under
// the lock.  Two file objects on one file are two openers (their byte-range
// locks conflict as between processes).
#include "runtime/platform/platform.h"
#include "table_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
namespace pf = dw::platform;

std::string keyOf(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "K%07d", i);
  return buf;
}
Entry entryOf(int i, char fill) {
  return Entry(keyOf(i) + std::string(300, fill), 8);
}

bool onTrustworthyFileSystem(const std::string& path) {
  auto f = pf::platform().open(path, {pf::Access::Read, pf::Share::DenyNone},
                               pf::Disposition::OpenExisting);
  return f && (*f)->readsSeeOtherWrites();
}

// Whether another opener could take the exclusive lock now (nobody holds a slot).
bool writerMayLock(BriskFile& writer) {
  if (!writer.lockExclusive(pf::LockWait::TryOnce)) return false;
  writer.unlockHeld();
  return true;
}

class TrustingReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BriskOptions shared = writerOptions();
    shared.locking = Locking::Shared;
    writer = openBrisk(m_dir.file("t.brk"), shared);
    shared.readMode = true;
    reader = openBrisk(m_dir.file("t.brk"), shared);
    ASSERT_TRUE(reader && writer);
    ASSERT_EQ(writer->refreshHeader(), 0);
    for (int i = 0; i < 1000; ++i) insertEntry(*writer, entryOf(i, 'a'));
    ASSERT_EQ(writer->commit(), 0u);
    writer->release();
    if (!onTrustworthyFileSystem(m_dir.file("t.brk"))) {
      GTEST_SKIP() << "the temporary folder may serve stale copies: no period runs on trust";
    }
    // The reader has read the header and the pages around key 0 once.
    ASSERT_EQ(reader->refreshHeader(), 0);
    ASSERT_TRUE(findEqual(*reader, keyOf(0)));
    reader->release();
  }
  void rewrite(int i, char fill) {
    ASSERT_EQ(writer->refreshHeader(), 0);
    ASSERT_TRUE(replaceEntry(*writer, entryOf(i, fill)));
    ASSERT_EQ(writer->commit(), 0u);
    writer->release();
  }
  TempDir m_dir;
  std::unique_ptr<BriskFile> writer, reader;
};

TEST_F(TrustingReadTest, APeriodOnTrustHoldsNoLockUntilItMustReadTheDisk) {
  ASSERT_EQ(reader->refreshHeaderTrusting(), 0);
  EXPECT_TRUE(reader->trusting());
  ASSERT_TRUE(findEqual(*reader, keyOf(1)));  // cached: no lock yet
  EXPECT_TRUE(writerMayLock(*writer));
  // A page the reader never read: it takes its slot, finds the header as
  // it was, and goes on under the lock.
  const auto far = findEqual(*reader, keyOf(990));
  ASSERT_TRUE(far);
  EXPECT_EQ(far->bytes, entryOf(990, 'a').bytes);
  EXPECT_FALSE(reader->trusting());
  EXPECT_FALSE(writerMayLock(*writer));
  reader->release();
  EXPECT_TRUE(writerMayLock(*writer));
}

TEST_F(TrustingReadTest, ACommitBeforeTheFirstDiskReadThrowsAndTheNextPeriodSeesIt) {
  int checks = 0;
  reader->setTrustCheckHook([&] {
    ++checks;
    rewrite(990, 'b');
  });
  ASSERT_EQ(reader->refreshHeaderTrusting(), 0);
  ASSERT_TRUE(reader->trusting());
  EXPECT_THROW(findEqual(*reader, keyOf(990)), CacheWentStale);
  EXPECT_EQ(checks, 1);
  EXPECT_FALSE(reader->trusting());
  EXPECT_TRUE(writerMayLock(*writer));  // the stale period let go of its slot
  reader->setTrustCheckHook(nullptr);

  ASSERT_EQ(reader->refreshHeader(), 0);
  const auto fresh = findEqual(*reader, keyOf(990));
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->bytes, entryOf(990, 'b').bytes);
  reader->release();
}

TEST_F(TrustingReadTest, AHeaderChangedBeforeThePeriodMakesItAnOrdinaryOne) {
  rewrite(1, 'c');
  ASSERT_EQ(reader->refreshHeaderTrusting(), 0);
  EXPECT_FALSE(reader->trusting());
  EXPECT_FALSE(writerMayLock(*writer));
  const auto changed = findEqual(*reader, keyOf(1));  // was cached: the cache went
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->bytes, entryOf(1, 'c').bytes);
  reader->release();
  // Its own commit changes the header a writer reads next: no trust then either.
  ASSERT_EQ(reader->refreshHeaderTrusting(), 0);
  EXPECT_TRUE(reader->trusting());
  reader->release();
}

// --- Tables -------------------------------------------------------------------

constexpr std::size_t kId = 0, kName = 4;

std::string nameOf(Table& t) {
  return t.record().substr(kName, 20);
}
std::string padded(std::string s) {
  s.resize(20, ' ');
  return s;
}

class TrustingTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TableOpenOptions o = createOptions();
    o.locking = Locking::Shared;
    // Two spellings of one path: two file objects, two openers.
    ASSERT_EQ(Table::openTable(m_dir.file("t.brk") + "\\!Things", smallTable(), o, mine), 0);
    ASSERT_EQ(Table::openTable(m_dir.path() + "/./t.brk\\!Things", smallTable(), o, theirs), 0);
    ASSERT_NE(&mine->tableFile(), &theirs->tableFile());
    for (int id = 1; id <= 400; ++id) {
      theirs->clearRecord();
      setLong(*theirs, kId, id);
      theirs->record().replace(kName, 20, padded("first " + std::to_string(id)));
      theirs->memo(0).assign(std::string(300, char('a' + id % 26)));
      ASSERT_EQ(theirs->addRecord(), 0);
    }
    if (!onTrustworthyFileSystem(m_dir.file("t.brk"))) GTEST_SKIP() << "no periods on trust here";
    // Mine has read the first record, so its cache holds the pages around it.
    mine->cursor().setKeyOrder(0);
    ASSERT_EQ(mine->step(StepDirection::Next), 0);
    ASSERT_EQ(getLong(*mine, kId), 1);
  }
  // Theirs renames record `id` (one commit).
  void rename(int id, const std::string& name) {
    setLong(*theirs, kId, id);
    ASSERT_EQ(theirs->getByKey(0), 0);
    theirs->record().replace(kName, 20, padded(name));
    ASSERT_EQ(theirs->putRecord(), 0);
  }
  // Theirs deletes record `id` (one commit).
  void erase(int id) {
    setLong(*theirs, kId, id);
    ASSERT_EQ(theirs->getByKey(0), 0);
    ASSERT_EQ(theirs->deleteRecord(), 0);
  }
  TempDir m_dir;
  std::unique_ptr<Table> mine, theirs;
};

TEST_F(TrustingTableTest, AGetOvertakenByACommitIsDoneAgainAndShowsIt) {
  int checks = 0;
  mine->file().setTrustCheckHook([&] {
    if (checks++ == 0) rename(390, "renamed");
  });
  setLong(*mine, kId, 390);
  ASSERT_EQ(mine->getByKey(0), 0);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(getLong(*mine, kId), 390);
  EXPECT_EQ(nameOf(*mine), padded("renamed"));
  EXPECT_EQ(mine->memo(0).substr(0, 300), std::string(300, char('a' + 390 % 26)));
  mine->file().setTrustCheckHook(nullptr);
  // A GET leaves the sequence where it was (after record 1), and nothing
  // stays locked.
  ASSERT_EQ(mine->step(StepDirection::Next), 0);
  EXPECT_EQ(getLong(*mine, kId), 2);
  EXPECT_EQ(theirs->recordCount(), 400u);
}

TEST_F(TrustingTableTest, AStepOvertakenByADeleteFindsTheNextRecord) {
  int checks = 0;
  mine->file().setTrustCheckHook([&] {
    if (checks++ == 0) erase(299);
  });
  setLong(*mine, kId, 299);
  mine->cursor().setKeyValue(0, mine->record(), false);
  ASSERT_EQ(mine->step(StepDirection::Next), 0);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(getLong(*mine, kId), 300);
  EXPECT_EQ(nameOf(*mine), padded("first 300"));
}

TEST_F(TrustingTableTest, AReadUndoneInItsMemosThatThenFailsLeavesTheBuffersAsTheyWere) {
  // Record 350 without its memo: the key and record pages are cached, the
  // memo's are not.
  setLong(*mine, kId, 350);
  mine->armNoMemo();
  ASSERT_EQ(mine->getByKey(0), 0);
  ASSERT_EQ(nameOf(*mine), padded("first 350"));
  mine->record().replace(kName, 20, padded("scribbled"));
  const std::string memoBefore = mine->memo(0);
  int checks = 0;
  mine->file().setTrustCheckHook([&] {
    if (checks++ == 0) erase(350);
  });
  // The first try copies the record, then meets the memo's page and the
  // other commit; done again, the record is gone.
  EXPECT_EQ(mine->getByKey(0), dw::lang::err::kRecordNotFound);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(nameOf(*mine), padded("scribbled"));
  EXPECT_EQ(mine->memo(0), memoBefore);
  EXPECT_EQ(theirs->recordCount(), 399u);
}

// A read batch: the reads of a scan's step share one period under the lock,
// so another opener cannot commit in the middle of the step; a write of the
// batch's own file commits at once; the end of the batch lets go, and the
// next read sees what the other opener committed since.
TEST_F(TrustingTableTest, AReadBatchHoldsOnePeriodForItsReadsAndLetsGoAtItsEnd) {
  BriskFile& other = theirs->file();
  ASSERT_EQ(mine->tableFile().beginReadBatch(), 0);
  for (int id = 2; id <= 150; ++id) {
    ASSERT_EQ(mine->step(StepDirection::Next), 0);
    ASSERT_EQ(getLong(*mine, kId), id);
    EXPECT_FALSE(mine->file().trusting());
    ASSERT_FALSE(writerMayLock(other)) << "the period ended after record " << id;
  }
  // A change within the batch is committed when its operation ends.
  mine->record().replace(kName, 20, padded("changed in the batch"));
  ASSERT_EQ(mine->putRecord(), 0);
  EXPECT_TRUE(writerMayLock(other));
  ASSERT_EQ(mine->step(StepDirection::Next), 0);
  EXPECT_EQ(getLong(*mine, kId), 151);
  EXPECT_FALSE(writerMayLock(other));
  mine->tableFile().endReadBatch();
  EXPECT_TRUE(writerMayLock(other));

  rename(152, "after the batch");
  ASSERT_EQ(mine->step(StepDirection::Next), 0);
  EXPECT_EQ(nameOf(*mine), padded("after the batch"));
  setLong(*theirs, kId, 150);
  ASSERT_EQ(theirs->getByKey(0), 0);
  EXPECT_EQ(nameOf(*theirs), padded("changed in the batch"));
}

}  // namespace
}  // namespace dw::db
