// Crashes on a tree of depth 3 whose commits split inner pages, free
// leaves and inner pages and move pages between classes (so compaction
// moves pages too), and crashes while recovery itself runs.  After every
// crash the reopened file must hold exactly the state before or after the
// commit, be sound, and be as closed up as a commit leaves it.
#include "db_test_util.h"
#include "runtime/platform/test_platform.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::CrashMode;
using dw::platform::ScopedPlatform;
using dw::platform::TestPlatform;

std::string keyOf(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "K%07d", n);
  // Keys of 60 to 100 bytes: few entries per page, so the tree is deep with
  // a few thousand entries and inner pages split often.
  return std::string(buf) + std::string(52 + std::size_t(n * 7919 % 41), char('a' + n % 26));
}

Entry entryOf(int n, std::size_t dataLength) {
  const std::string key = keyOf(n);
  return Entry(key + std::string(dataLength, char('0' + n % 10)), key.size());
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

// The committed base: 3,000 entries in a tree of depth 3.
struct Base {
  std::string bytes;
  Model model;
};

const Base& base() {
  static const Base b = [] {
    Base out;
    TempDir dir;
    auto f = openBrisk(dir.file("base.brk"), writerOptions());
    EXPECT_EQ(f->refreshHeader(), 0);
    for (int n = 0; n < 6000; n += 2) {
      Entry e = entryOf(n, 10);
      insertEntry(*f, e);
      out.model[std::string(e.key())] = e;
    }
    EXPECT_EQ(f->commit(), 0u);
    EXPECT_EQ(f->cutAtEndOfData(), 0u);
    f.reset();
    out.bytes = fileBytes(dir.file("base.brk"));
    return out;
  }();
  return b;
}

// Commit number `round`: entries into a gap of the key order (leaf and inner
// splits), a stretch of the key order deleted (leaves and, in later rounds,
// inner pages freed), and a few entries large enough to change their page's
// class.
void applyRound(BriskFile& f, Model& model, int round) {
  std::mt19937 rng(500 + round);
  for (int i = 0; i < 160; ++i) {
    const int n = 1 + 2 * (round * 160 + i);  // odd numbers: never in the base
    Entry e = entryOf(n, rng() % 20 == 0 ? 1500 + rng() % 4000 : rng() % 30);
    insertEntry(f, e);
    model[std::string(e.key())] = e;
  }
  const int from = 2000 + round * 700;
  for (int n = from; n < from + 700; n += 2) {
    const std::string key = keyOf(n);
    if (model.erase(key) == 1) {
      EXPECT_TRUE(deleteEntry(f, key));
    }
  }
}

struct Shape {
  std::size_t inner = 0, leaves = 0;
};

Shape shapeOf(BriskFile& f, std::int32_t page) {
  Shape s;
  CachedPage* p = f.readPage(page);
  if (p->isLeaf()) {
    s.leaves = 1;
    return s;
  }
  std::vector<std::int32_t> children;
  for (const auto& pe : p->entries()) children.push_back(pe.child);
  s.inner = 1;
  for (const auto c : children) {
    const Shape sub = shapeOf(f, c);
    s.inner += sub.inner;
    s.leaves += sub.leaves;
  }
  return s;
}

constexpr int kRounds = 6;

// The shape of every committed state of the run without crashes: the test
// is only worth something if its commits split inner pages and free pages.
TEST(CrashDeepTest, TheRoundsSplitInnerPagesAndFreePages) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  writeFile(dir.file("s.brk"), base().bytes);
  auto f = openBrisk(dir.file("s.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  const CheckReport r = checkFile(*f);
  ASSERT_TRUE(r.sound) << r.fault;
  EXPECT_GE(r.depth, 3u);
  Model model = base().model;
  Shape last = shapeOf(*f, f->header().rootPage);
  bool innerGrew = false, leavesFreed = false, innerFreed = false;
  for (int k = 0; k < kRounds; ++k) {
    applyRound(*f, model, k);
    ASSERT_EQ(f->commit(), 0u);
    ASSERT_TRUE(sound(*f));
    ASSERT_TRUE(compacted(f->header()));
    const Shape now = shapeOf(*f, f->header().rootPage);
    innerGrew = innerGrew || now.inner > last.inner;
    leavesFreed = leavesFreed || now.leaves < last.leaves + 3;  // 160 inserts alone add more
    innerFreed = innerFreed || now.inner < last.inner;
    std::printf("round %d: %zu inner pages, %zu leaves\n", k, now.inner, now.leaves);
    last = now;
  }
  EXPECT_TRUE(innerGrew);
  EXPECT_TRUE(leavesFreed);
  EXPECT_TRUE(innerFreed);
  EXPECT_TRUE(matchesModel(*f, model));
}

int g_points = 0;

// Runs rounds 0..k-1, crashes round k at its flush `flush`; false when the
// commit has fewer flushes.
bool crashAt(int k, std::uint64_t flush, CrashMode mode, std::uint32_t seed) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  const std::string path = dir.file("c.brk");
  writeFile(path, base().bytes);
  Model model = base().model;
  auto f = openBrisk(path, writerOptions());
  EXPECT_EQ(f->refreshHeader(), 0);
  for (int j = 0; j < k; ++j) {
    applyRound(*f, model, j);
    EXPECT_EQ(f->commit(), 0u);
  }
  const Model before = model;
  applyRound(*f, model, k);
  const Model after = model;
  const std::uint64_t at = tp.flushCount() + flush;
  bool hit = false;
  tp.crashModeAtFlush(mode, seed);
  tp.onFlush([&](std::uint64_t index) {
    if (index != at) return false;
    hit = true;
    return true;
  });
  (void)f->commit();
  f.reset();
  tp.onFlush([](std::uint64_t) { return false; });
  if (!hit) return false;
  tp.reboot();
  ++g_points;

  auto reader = openBrisk(path, readerOptions());
  EXPECT_EQ(reader->refreshHeader(), 0);
  const bool isAfter = matchesModel(*reader, after);
  EXPECT_TRUE(isAfter || matchesModel(*reader, before))
      << "round " << k << " flush " << flush << " mode " << int(mode);
  EXPECT_TRUE(sound(*reader));
  reader.reset();
  auto writer = openBrisk(path, writerOptions());
  EXPECT_EQ(writer->refreshHeader(), 0);
  EXPECT_TRUE(matchesModel(*writer, isAfter ? after : before));
  EXPECT_TRUE(sound(*writer));
  EXPECT_TRUE(compacted(writer->header()));
  Model next = isAfter ? after : before;
  applyRound(*writer, next, 40 + k);
  EXPECT_EQ(writer->commit(), 0u);
  EXPECT_TRUE(sound(*writer));
  EXPECT_TRUE(matchesModel(*writer, next));
  return true;
}

TEST(CrashDeepTest, EveryFlushOfEveryCommitLeavesBeforeOrAfter) {
  const std::vector<std::pair<CrashMode, std::uint32_t>> modes = {
      {CrashMode::DropUnflushed, 0}, {CrashMode::TearUnflushed, 4}, {CrashMode::TearUnflushed, 9}};
  g_points = 0;
  for (int k = 0; k < kRounds; ++k) {
    for (const auto& [mode, seed] : modes) {
      for (std::uint64_t flush = 0; crashAt(k, flush, mode, seed); ++flush) {
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
  std::printf("deep-tree crash points exercised: %d\n", g_points);
  EXPECT_GE(g_points, kRounds * 3 * 4);
}

// A commit stopped after its pending range was recorded, then recovery
// stopped at each of its own flushes (twice in a row), in every crash mode:
// each later opener still finishes the commit.
TEST(CrashDeepTest, CrashesDuringRecoveryStillFinishTheCommit) {
  const std::vector<std::pair<CrashMode, std::uint32_t>> modes = {{CrashMode::DropUnflushed, 0},
                                                                  {CrashMode::TearUnflushed, 2},
                                                                  {CrashMode::TearUnflushed, 7},
                                                                  {CrashMode::KeepUnflushed, 0}};
  int points = 0;
  for (const auto& [mode, seed] : modes) {
    for (std::uint64_t first = 0;; ++first) {
      bool more = false;
      for (std::uint64_t second = 0; second < 3; ++second) {
        TestPlatform tp;
        ScopedPlatform installed(tp);
        TempDir dir;
        const std::string path = dir.file("r.brk");
        writeFile(path, base().bytes);
        Model model = base().model;
        {
          auto f = openBrisk(path, writerOptions());
          ASSERT_EQ(f->refreshHeader(), 0);
          applyRound(*f, model, 0);
          // Flushes of a commit: the copies, the header recording them, then
          // phase 2.  Stopping at the third leaves the commit decided.
          const std::uint64_t at = tp.flushCount() + 2;
          tp.onFlush([&](std::uint64_t i) { return i == at; });
          (void)f->commit();
        }
        tp.onFlush([](std::uint64_t) { return false; });
        tp.reboot();
        // Recovery by a writer, stopped at its flush `first`, then (when
        // `second` < 2) the next recovery stopped at its flush `second`.
        bool hitFirst = false;
        for (int attempt = 0; attempt < 2; ++attempt) {
          const std::uint64_t stopAt = attempt == 0 ? first : second;
          if (attempt == 1 && second == 2) break;
          const std::uint64_t at = tp.flushCount() + stopAt;
          bool hit = false;
          tp.crashModeAtFlush(mode, seed + std::uint32_t(attempt));
          tp.onFlush([&](std::uint64_t i) {
            if (i != at) return false;
            hit = true;
            return true;
          });
          {
            auto f = openBrisk(path, writerOptions());
            (void)f->refreshHeader();
          }
          tp.onFlush([](std::uint64_t) { return false; });
          if (attempt == 0) hitFirst = hit;
          if (!hit) break;
          tp.reboot();
        }
        if (!hitFirst) break;
        more = true;
        ++points;
        auto reader = openBrisk(path, readerOptions());
        ASSERT_EQ(reader->refreshHeader(), 0);
        EXPECT_TRUE(matchesModel(*reader, model)) << "flushes " << first << "/" << second;
        EXPECT_TRUE(sound(*reader));
        reader.reset();
        auto writer = openBrisk(path, writerOptions());
        ASSERT_EQ(writer->refreshHeader(), 0);
        EXPECT_EQ(writer->header().pendingStart, writer->header().pendingEnd);
        EXPECT_TRUE(matchesModel(*writer, model));
        EXPECT_TRUE(sound(*writer));
        if (::testing::Test::HasFailure()) return;
      }
      if (!more) break;
    }
  }
  std::printf("recovery crash points exercised: %d\n", points);
  EXPECT_GE(points, 4 * 2 * 2);
}

}  // namespace
}  // namespace dw::db
