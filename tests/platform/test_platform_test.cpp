// TestPlatform: injected write faults, simulated crashes, the settable clock.
#include "runtime/platform/test_platform.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::TempDir;

constexpr OpenMode kRw{Access::ReadWrite, Share::DenyNone};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::unique_ptr<File> openRw(Platform& p, const std::string& path) {
  auto r = p.open(path, kRw, Disposition::OpenAlways);
  EXPECT_TRUE(r.ok()) << r.error();
  return r.ok() ? std::move(*r) : nullptr;
}

OsStatus put(File& f, std::uint64_t offset, const std::string& s) {
  return f.writeAt(offset, s.data(), s.size());
}

TEST(TestPlatformFaults, FailWritesAfterCountsFromTheCall) {
  TempDir dir;
  TestPlatform p;
  auto f = openRw(p, dir.file("f"));
  ASSERT_TRUE(put(*f, 0, "a").ok());
  p.failWritesAfter(2);
  EXPECT_TRUE(put(*f, 1, "b").ok());
  EXPECT_TRUE(put(*f, 2, "c").ok());
  EXPECT_EQ(put(*f, 3, "d").error(), kWriteFault);
  p.failWritesAfter(0, kDiskFull);
  EXPECT_EQ(put(*f, 3, "d").error(), kDiskFull);
  p.clearFaults();
  EXPECT_TRUE(put(*f, 3, "D").ok());
  EXPECT_EQ(slurp(dir.file("f")), "abcD");
  EXPECT_EQ(p.writeCount(), 6u);
}

TEST(TestPlatformFaults, DiskFullStopsGrowthButNotOverwrites) {
  TempDir dir;
  TestPlatform p;
  auto f = openRw(p, dir.file("f"));
  p.diskFullAt(8);
  EXPECT_TRUE(put(*f, 0, "12345678").ok());
  EXPECT_EQ(put(*f, 8, "9").error(), kDiskFull);
  EXPECT_EQ(put(*f, 6, "xyz").error(), kDiskFull);
  EXPECT_TRUE(put(*f, 0, "ab").ok());
  EXPECT_EQ(f->truncate(20).error(), kDiskFull);
  EXPECT_EQ(slurp(dir.file("f")), "ab345678");
}

struct CrashCase {
  CrashMode mode;
  const char* expected;
};

TEST(TestPlatformCrash, DropAndKeepUndoOrKeepEverythingSinceTheFlush) {
  for (CrashCase c : {CrashCase{CrashMode::DropUnflushed, "base-data"},
                      CrashCase{CrashMode::KeepUnflushed, "BASE-dta"}}) {
    TempDir dir;
    TestPlatform p;
    std::string path = dir.file("f");
    auto f = openRw(p, path);
    ASSERT_TRUE(put(*f, 0, "base-data").ok());
    ASSERT_TRUE(f->flush().ok());
    ASSERT_TRUE(put(*f, 0, "XXXX").ok());
    ASSERT_TRUE(put(*f, 6, "ta-and-more").ok());
    ASSERT_TRUE(f->truncate(8).ok());
    ASSERT_TRUE(put(*f, 0, "BASE").ok());  // the later write wins over "XXXX"
    EXPECT_EQ(p.unflushedCount(), 4u);
    p.crash(c.mode);
    EXPECT_EQ(slurp(path), c.expected);
    EXPECT_TRUE(p.crashed());
    char b;
    EXPECT_EQ(f->readAt(0, &b, 1).error(), kDeviceGone);
    EXPECT_EQ(put(*f, 0, "z").error(), kDeviceGone);
    EXPECT_EQ(f->flush().error(), kDeviceGone);
    EXPECT_EQ(p.open(path, kRw, Disposition::OpenExisting).error(), kDeviceGone);
    p.reboot();
    EXPECT_EQ(put(*f, 0, "z").error(), kDeviceGone);  // still dead after the reboot
    auto g = openRw(p, path);
    ASSERT_TRUE(g);
    EXPECT_EQ(*g->size(), std::string(c.expected).size());
  }
}

TEST(TestPlatformCrash, WritesOfAClosedUnflushedFileAreLostAndNewFilesEmpty) {
  TempDir dir;
  TestPlatform p;
  openRw(p, dir.file("old"))->writeAt(0, "flushed", 7).ok();
  {
    auto f = openRw(p, dir.file("old"));
    ASSERT_TRUE(f->flush().ok());
  }
  ASSERT_TRUE(p.open(dir.file("old"), kRw, Disposition::OpenExisting).ok());
  {
    auto f = openRw(p, dir.file("new"));
    ASSERT_TRUE(put(*f, 0, "never flushed").ok());
  }
  {
    auto f = openRw(p, dir.file("recreated"));
    ASSERT_TRUE(put(*f, 0, "old contents").ok());
    ASSERT_TRUE(f->flush().ok());
    ASSERT_TRUE(put(*f, 0, "OLD").ok());
  }
  auto again = p.open(dir.file("recreated"), kRw, Disposition::CreateAlways);
  ASSERT_TRUE(again.ok());
  p.crash(CrashMode::DropUnflushed);
  EXPECT_EQ(slurp(dir.file("old")), "flushed");
  EXPECT_EQ(slurp(dir.file("new")), "");
  EXPECT_EQ(slurp(dir.file("recreated")), "");
}

TEST(TestPlatformCrash, TornWritesKeepWholeSectorsAndFollowTheSeed) {
  const std::string before(2048, 'o');
  const std::string after(2048, 'n');
  std::set<std::string> outcomes;
  for (std::uint32_t seed = 0; seed < 40; ++seed) {
    std::string results[2];
    for (std::string& result : results) {
      TempDir dir;
      TestPlatform p;
      std::string path = dir.file("f");
      auto f = openRw(p, path);
      ASSERT_TRUE(put(*f, 0, before).ok());
      ASSERT_TRUE(f->flush().ok());
      ASSERT_TRUE(put(*f, 100, after.substr(0, 1948)).ok());  // sectors 0..3, first one partly
      p.crash(CrashMode::TearUnflushed, seed);
      result = slurp(path);
      ASSERT_EQ(result.size(), before.size());
      for (std::size_t s = 0; s < 4; ++s) {
        std::size_t from = s == 0 ? 100 : s * 512;
        std::string sector = result.substr(from, (s + 1) * 512 - from);
        EXPECT_TRUE(sector == std::string(sector.size(), 'o') ||
                    sector == std::string(sector.size(), 'n'))
            << "seed " << seed << " sector " << s;
      }
      EXPECT_EQ(result.substr(0, 100), before.substr(0, 100));
    }
    EXPECT_EQ(results[0], results[1]) << "seed " << seed;
    outcomes.insert(results[0]);
  }
  EXPECT_GT(outcomes.size(), 3u);  // kept, lost and several torn mixtures
}

TEST(TestPlatformCrash, FlushHookCrashesBeforeTheChosenFlush) {
  TempDir dir;
  TestPlatform p;
  std::string path = dir.file("f");
  std::vector<std::uint64_t> seen;
  p.onFlush([&](std::uint64_t i) {
    seen.push_back(i);
    return i == 1;
  });
  auto f = openRw(p, path);
  ASSERT_TRUE(put(*f, 0, "one").ok());
  ASSERT_TRUE(f->flush().ok());
  ASSERT_TRUE(put(*f, 0, "two").ok());
  EXPECT_EQ(f->flush().error(), kDeviceGone);
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{0, 1}));
  EXPECT_EQ(p.flushCount(), 1u);
  EXPECT_TRUE(p.crashed());
  EXPECT_EQ(slurp(path), "one");
}

TEST(TestPlatformCrash, DeadFilesLoseTheirLocksAndShareModes) {
  TempDir dir;
  TestPlatform p;
  std::string path = dir.file("f");
  auto r = p.open(path, {Access::ReadWrite, Share::DenyAll}, Disposition::OpenAlways);
  ASSERT_TRUE(r.ok());
  ASSERT_TRUE((*r)->lock(1u << 31, 1023, LockKind::Exclusive, LockWait::TryOnce).ok());
  p.crash(CrashMode::KeepUnflushed);
  p.reboot();
  auto again = p.open(path, {Access::ReadWrite, Share::DenyAll}, Disposition::OpenExisting);
  ASSERT_TRUE(again.ok()) << again.error();
  EXPECT_TRUE((*again)->lock(1u << 31, 1023, LockKind::Exclusive, LockWait::TryOnce).ok());
}

TEST(TestPlatformCrash, ManyCrashCyclesStayCheap) {
  TempDir dir;
  TestPlatform p;
  std::string path = dir.file("f");
  std::string page(4096, 'p');
  for (int i = 0; i < 2000; ++i) {
    auto f = openRw(p, path);
    ASSERT_TRUE(put(*f, 0, page).ok());
    ASSERT_TRUE(f->flush().ok());
    ASSERT_TRUE(put(*f, 4096 * (i % 4), page).ok());
    p.crash(static_cast<CrashMode>(i % 3), static_cast<std::uint32_t>(i));
    p.reboot();
  }
  EXPECT_GE(slurp(path).size(), 4096u);
}

TEST(TestPlatformClock, SetAndRealClock) {
  TestPlatform p;
  LocalTime t{2026, 2, 28, 23, 59, 59, 990, 6};
  p.setNow(t);
  p.setHundredths(12345);
  EXPECT_EQ(p.now().minute, 59);
  EXPECT_EQ(p.now().year, 2026);
  EXPECT_EQ(p.hundredthsSinceStart(), 12345u);
  p.useRealClock();
  EXPECT_GE(p.now().year, 2020);
  EXPECT_NE(p.hundredthsSinceStart(), 12345u);
}

TEST(TestPlatformRecording, ProgramStartsAndSoundsAreRecorded) {
  TempDir dir;
  TestPlatform p;
  p.recordProgramStarts(true);
  EXPECT_GT(p.startProgram("notepad my file.txt"), 31u);
  EXPECT_FALSE(p.playSound(dir.file("missing.wav")));
  EXPECT_EQ(p.startedPrograms(), std::vector<std::string>{"notepad my file.txt"});
  EXPECT_EQ(p.playedSounds(), std::vector<std::string>{dir.file("missing.wav")});
  p.setProfileDirectory(dir.path());
  EXPECT_EQ(p.profileDirectory(), dir.path());
}

}  // namespace
}  // namespace dw::platform
