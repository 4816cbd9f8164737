// Crash simulation: a run of commits is stopped at every flush of every
// commit, the unflushed writes are dropped or torn, and the file reopened
// must hold exactly the state before or after that commit.
#include "db_test_util.h"
#include "runtime/platform/test_platform.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::CrashMode;
using dw::platform::ScopedPlatform;
using dw::platform::TestPlatform;

// The changes of commit number `round`: inserts of random sizes (some large
// enough to move pages between classes) and deletes, deterministic per round.
void applyRound(BriskFile& f, Model& model, int round) {
  std::mt19937 rng(1000 + round);
  for (int i = 0; i < 25; ++i) {
    std::string key = "key" + std::to_string(rng() % 120);
    if (model.count(key) && rng() % 3 != 0) {
      ASSERT_TRUE(deleteEntry(f, key));
      model.erase(key);
      continue;
    }
    if (model.count(key)) continue;
    const std::size_t len = rng() % 8 == 0 ? 2000 + rng() % 5000 : rng() % 300;
    Entry e(key + std::string(len, char('a' + round % 26)), key.size());
    insertEntry(f, e);
    model[key] = e;
  }
}

bool sameAs(BriskFile& f, const Model& m) {
  return bool(matchesModel(f, m));
}

int g_before = 0, g_after = 0;

// Runs commits 0..k-1 normally and crashes commit k at its flush number
// `flush`; checks the reopened file.  False when commit k has fewer flushes.
bool crashAt(int k, std::uint64_t flush, CrashMode mode, std::uint32_t seed,
             const std::string& password = {}) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  const std::string path = dir.file("c.brk");
  Model model;
  auto f = openBrisk(path, writerOptions(password));
  EXPECT_EQ(f->refreshHeader(), 0);
  for (int j = 0; j < k; ++j) {
    applyRound(*f, model, j);
    EXPECT_EQ(f->commit(), 0u);
  }
  const Model before = model;
  applyRound(*f, model, k);
  const Model after = model;
  const std::uint64_t base = tp.flushCount();
  bool hit = false;
  tp.crashModeAtFlush(mode, seed);
  tp.onFlush([&](std::uint64_t index) {
    if (index == base + flush) {
      hit = true;
      return true;
    }
    return false;
  });
  (void)f->commit();
  f.reset();
  tp.onFlush([](std::uint64_t) { return false; });
  if (!hit) return false;
  tp.reboot();

  // A reader sees one of the two states without writing anything ...
  auto reader = openBrisk(path, readerOptions(password));
  EXPECT_EQ(reader->refreshHeader(), 0);
  const bool readerAfter = sameAs(*reader, after);
  EXPECT_TRUE(readerAfter || sameAs(*reader, before))
      << "commit " << k << " flush " << flush << " mode " << int(mode);
  EXPECT_TRUE(sound(*reader));
  ++(readerAfter ? g_after : g_before);
  reader.reset();
  // ... and a writer finishes or discards the commit the same way.
  auto writer = openBrisk(path, writerOptions(password));
  EXPECT_EQ(writer->refreshHeader(), 0);
  EXPECT_TRUE(sameAs(*writer, readerAfter ? after : before))
      << "commit " << k << " flush " << flush;
  EXPECT_TRUE(sound(*writer));
  EXPECT_TRUE(compacted(writer->header()));
  EXPECT_EQ(writer->header().pendingStart, writer->header().pendingEnd);
  // The recovered file takes further commits.
  Model next = readerAfter ? after : before;
  applyRound(*writer, next, 50 + k);
  EXPECT_EQ(writer->commit(), 0u);
  EXPECT_TRUE(sound(*writer));
  EXPECT_TRUE(sameAs(*writer, next));
  return true;
}

TEST(CrashTest, EveryFlushOfEveryCommitLeavesBeforeOrAfter) {
  const int commits = 12 * longFactor();
  const std::vector<std::pair<CrashMode, std::uint32_t>> modes = {
      {CrashMode::DropUnflushed, 0},
      {CrashMode::TearUnflushed, 1},
      {CrashMode::TearUnflushed, 2},
  };
  int points = 0;
  for (int k = 0; k < commits; ++k) {
    for (const auto& [mode, seed] : modes) {
      for (std::uint64_t flush = 0;; ++flush) {
        if (!crashAt(k, flush, mode, seed)) break;
        ++points;
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
  std::printf("crash points exercised: %d (%d before, %d after the commit)\n", points, g_before,
              g_after);
  EXPECT_GE(points, commits * 3 * 4);
  EXPECT_GT(g_before, 0);
  EXPECT_GT(g_after, 0);
}

TEST(CrashTest, EncipheredFileRecoversTheSameWay) {
  int points = 0;
  for (int k = 0; k < 3; ++k) {
    for (std::uint64_t flush = 0;; ++flush) {
      if (!crashAt(k, flush, CrashMode::TearUnflushed, 3, "owner")) break;
      ++points;
      if (::testing::Test::HasFailure()) return;
    }
  }
  EXPECT_GE(points, 12);
}

TEST(CrashTest, FailedPhaseOneDropsTheChangesAndReturnsTheError) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  auto f = openBrisk(dir.file("f.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  Model model;
  applyRound(*f, model, 0);
  ASSERT_EQ(f->commit(), 0u);
  const Model before = model;
  applyRound(*f, model, 1);
  tp.failWritesAfter(1, dw::platform::kDiskFull);  // the second write of the commit fails
  EXPECT_EQ(f->commit(), dw::platform::kDiskFull);
  tp.clearFaults();
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_TRUE(sameAs(*f, before));
  EXPECT_TRUE(sound(*f));
}

}  // namespace
}  // namespace dw::db
