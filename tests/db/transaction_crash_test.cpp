// A two-file commit stopped by a simulated power loss at every flush: the
// files reopened hold both the state before or both the state after, and
// after the commit point always after.  Then the outcomes when the control
// file is missing, damaged or moved when recovery consults it.
#include <filesystem>

#include "runtime/platform/test_platform.h"
#include "transaction_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::CrashMode;
using dw::platform::ScopedPlatform;
using dw::platform::TestPlatform;

int g_before = 0, g_after = 0;
std::unique_ptr<dw::platform::File> g_holder;  // a control file held by another opener

void commitIgnoringTheCrash(Transaction& t) {
  try {
    (void)t.commit();
  } catch (const dw::lang::HaltRequested&) {
    // A read of a dead file after the crash halts; the process is gone.
  }
}

// Crashes the commit at its flush number `flush`; false when it has fewer.
bool crashAtFlush(std::uint64_t flush, CrashMode mode, std::uint32_t seed) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  Pair p(dir);
  Transaction t;
  t.setControlFileName(p.control);
  p.change(t);
  bool pastCommitPoint = false;
  t.setStepHook([&](CommitStep s, std::size_t) {
    if (s == CommitStep::CommitPoint) pastCommitPoint = true;
  });
  const std::uint64_t base = tp.flushCount();
  bool hit = false;
  tp.crashModeAtFlush(mode, seed);
  tp.onFlush([&](std::uint64_t index) {
    if (index != base + flush) return false;
    hit = true;
    return true;
  });
  commitIgnoringTheCrash(t);
  p.close();
  tp.onFlush([](std::uint64_t) { return false; });
  if (!hit) return false;
  tp.reboot();
  const std::string where = "flush " + std::to_string(flush) + " mode " +
                            std::to_string(int(mode)) + " seed " + std::to_string(seed);

  // Readers decide without writing; both files agree.
  auto ra = openWithRecovery(p.a, true);
  auto rb = openWithRecovery(p.b, true);
  EXPECT_EQ(ra->refreshHeader(), 0) << where;
  EXPECT_EQ(rb->refreshHeader(), 0) << where;
  const bool after = contentOf(*ra) == p.afterA;
  EXPECT_TRUE(after || contentOf(*ra) == p.beforeA) << where;
  EXPECT_EQ(contentOf(*rb), after ? p.afterB : p.beforeB) << where;
  ra.reset();
  rb.reset();
  if (pastCommitPoint) {
    EXPECT_TRUE(after) << where;
  }
  // Writers finish or discard the same way, and the files stay sound.
  EXPECT_TRUE(after ? p.bothAfter() : p.bothBefore()) << where;
  // The control file still lists an unfinished transaction only.
  const auto listed = listedNumbers(p.control);
  if (after) {
    EXPECT_TRUE(listed.empty()) << where;
  } else if (!listed.empty()) {
    EXPECT_EQ(listed, std::vector<std::uint32_t>{t.lastNumber()}) << where;
  }
  ++(after ? g_after : g_before);
  return true;
}

TEST(TransactionCrashTest, EveryFlushLeavesBothFilesBeforeOrBothAfter) {
  const std::vector<std::pair<CrashMode, std::uint32_t>> modes = {
      {CrashMode::DropUnflushed, 0},
      {CrashMode::KeepUnflushed, 0},
      {CrashMode::TearUnflushed, 4},
      {CrashMode::TearUnflushed, 5},
  };
  int points = 0;
  for (const auto& [mode, seed] : modes) {
    for (std::uint64_t flush = 0;; ++flush) {
      if (!crashAtFlush(flush, mode, seed)) break;
      ++points;
      if (::testing::Test::HasFailure()) return;
    }
  }
  std::printf("transaction crash points: %d (%d before, %d after)\n", points, g_before, g_after);
  // Two flushes per phase 1 and two per phase 2, for four commits.
  EXPECT_GE(points, 4 * 16);
  EXPECT_GT(g_before, 0);
  EXPECT_GT(g_after, 0);
}

// What recovery does when the control file has changed since the crash,
// which came after both files' phase 1 and before the commit point.
struct ControlCase {
  const char* name;
  std::function<void(const std::string& control, const std::string& dir)> change;
  bool expectAfter;
};

TEST(TransactionCrashTest, ControlFileMissingDamagedOrMovedHasAClearOutcome) {
  const std::vector<ControlCase> cases = {
      {"kept", [](const std::string&, const std::string&) {}, false},
      {"removed", [](const std::string& c, const std::string&) { std::filesystem::remove(c); },
       true},
      {"not a Brisk file",
       [](const std::string& c, const std::string&) { writeFileBytes(c, std::string(700, 'x')); },
       true},
      {"pages damaged",
       [](const std::string& c, const std::string&) {
         std::string bytes = readFileBytes(c);
         for (std::size_t i = 512; i < bytes.size(); ++i) bytes[i] = char(0x5A);
         writeFileBytes(c, bytes);
       },
       true},
      {"held by an opener that denies writing",
       [](const std::string& c, const std::string&) {
         auto f = dw::platform::platform().open(
             c, {dw::platform::Access::Read, dw::platform::Share::DenyWrite},
             dw::platform::Disposition::OpenExisting);
         ASSERT_TRUE(f);
         g_holder = std::move(*f);  // kept open while the files recover
       },
       false},
      {"moved beside the data files",
       [](const std::string& c, const std::string& dir) {
         std::filesystem::rename(c, dir + "/brisk.tcf");
       },
       false},
  };
  for (const ControlCase& c : cases) {
    TestPlatform tp;
    ScopedPlatform installed(tp);
    TempDir dir;
    std::filesystem::create_directory(dir.file("ctl"));
    Pair p(dir, "ctl/brisk.tcf");
    Transaction t;
    t.setControlFileName(p.control);
    p.change(t);
    t.setStepHook([&](CommitStep s, std::size_t i) {
      if (s == CommitStep::FilePrepared && i == 1) tp.crash(CrashMode::DropUnflushed);
    });
    commitIgnoringTheCrash(t);
    p.close();
    tp.reboot();
    ASSERT_EQ(listedNumbers(p.control), std::vector<std::uint32_t>{t.lastNumber()}) << c.name;
    c.change(p.control, dir.path());
    EXPECT_TRUE(c.expectAfter ? p.bothAfter() : p.bothBefore()) << c.name;
    g_holder.reset();
  }
}

TEST(TransactionCrashTest, CommitOfOneFileIgnoresAStaleTransactionEntry) {
  // A file that took part in a finished transaction keeps its 0xFF entry;
  // a later commit of that file alone, cut off after its pending copies
  // were recorded, is completed like any commit.
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  Pair p(dir);
  {
    Transaction t;
    t.setControlFileName(p.control);
    p.change(t);
    ASSERT_EQ(t.commit(), 0);
    p.close();
  }
  auto f = openWithRecovery(p.a, false);
  ASSERT_EQ(f->refreshHeader(), 0);
  ASSERT_TRUE(readTransactionMark(*f));
  Model model = contentOf(*f);
  changeRound(f.get(), model, 20);
  const std::uint64_t base = tp.flushCount();
  tp.onFlush([&](std::uint64_t index) { return index == base + 2; });  // in phase 2
  (void)f->commit();
  f.reset();
  tp.onFlush([](std::uint64_t) { return false; });
  tp.reboot();
  EXPECT_EQ(committedContent(p.a), model);
}

}  // namespace
}  // namespace dw::db
