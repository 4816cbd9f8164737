// Share modes between openers of one file, in one process and across fork().
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/platform/posix_platform.h"
#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::TempDir;

constexpr Access R = Access::Read, W = Access::Write, RW = Access::ReadWrite;
constexpr Share DN = Share::DenyNone, DR = Share::DenyRead, DW = Share::DenyWrite,
                DA = Share::DenyAll, CM = Share::Compatibility;

struct ShareCase {
  OpenMode first;
  OpenMode second;
  bool secondOpens;
};

// The Win32 sharing rule, one case per row.
const ShareCase kCases[] = {
    {{R, DN}, {R, DN}, true},   {{R, DN}, {RW, DN}, true},
    {{RW, DN}, {RW, DN}, true}, {{R, DW}, {R, DN}, true},
    {{R, DW}, {W, DN}, false},  {{R, DW}, {RW, DN}, false},
    {{R, DN}, {R, DW}, true},   {{W, DN}, {R, DW}, false},
    {{RW, DN}, {R, DR}, false}, {{W, DN}, {W, DR}, true},
    {{R, DR}, {W, DN}, true},   {{R, DR}, {R, DN}, false},
    {{RW, DA}, {R, DN}, false}, {{R, DN}, {R, DA}, false},
    {{R, CM}, {RW, CM}, true},  {{R, DW}, {R, DW}, true},
    {{RW, DW}, {R, DW}, false}, {OpenMode::fromByte(0x42), {R, DA}, false},
};

std::string describe(const ShareCase& c) {
  return std::to_string(int(c.first.access)) + "/" + std::to_string(int(c.first.share)) + " then " +
         std::to_string(int(c.second.access)) + "/" + std::to_string(int(c.second.share));
}

TEST(PosixShare, RulesBetweenOpenersOfOneProcess) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("s");
  for (const ShareCase& c : kCases) {
    auto first = p.open(path, c.first, Disposition::OpenAlways);
    ASSERT_TRUE(first.ok()) << describe(c);
    auto second = p.open(path, c.second, Disposition::OpenExisting);
    EXPECT_EQ(second.error(), c.secondOpens ? kOk : kSharingViolation) << describe(c);
  }
  // Once the first opener is gone, its denials are gone too.
  { auto a = p.open(path, {RW, DA}, Disposition::OpenExisting); }
  EXPECT_TRUE(p.open(path, {RW, DA}, Disposition::OpenExisting).ok());
}

TEST(PosixShare, RulesHoldAcrossProcesses) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("s");
  for (const ShareCase& c : kCases) {
    auto first = p.open(path, c.first, Disposition::OpenAlways);
    ASSERT_TRUE(first.ok());
    pid_t pid = ::fork();
    if (pid == 0) {
      PosixPlatform q;
      ::_exit(static_cast<int>(q.open(path, c.second, Disposition::OpenExisting).error()));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.secondOpens ? 0 : static_cast<int>(kSharingViolation))
        << describe(c);
  }
}

// changeShare takes an open file's part anew: what it adds is checked as
// an open would be, a refused change keeps the old part, and what it drops
// is free for others at once.  The access follows the part.
TEST(PosixShare, ChangingAnOpenFilesPartFollowsTheSameRules) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("s");
  auto a = p.open(path, {R, DN}, Disposition::OpenAlways);
  ASSERT_TRUE(a.ok());
  EXPECT_EQ((*a)->writeAt(0, "x", 1).error(), kAccessDenied);
  {
    auto other = p.open(path, {RW, DN}, Disposition::OpenExisting);
    ASSERT_TRUE(other.ok());
    EXPECT_EQ((*a)->changeShare({RW, DW}).error(), kSharingViolation);
    EXPECT_EQ((*a)->writeAt(0, "x", 1).error(), kAccessDenied);  // still a reader
    EXPECT_TRUE(p.open(path, {RW, DN}, Disposition::OpenExisting).ok());
  }
  ASSERT_TRUE((*a)->changeShare({RW, DW}).ok());
  EXPECT_TRUE((*a)->writeAt(0, "x", 1).ok());
  EXPECT_EQ(p.open(path, {RW, DN}, Disposition::OpenExisting).error(), kSharingViolation);
  EXPECT_EQ(p.open(path, {R, DW}, Disposition::OpenExisting).error(), kSharingViolation);
  EXPECT_TRUE(p.open(path, {R, DN}, Disposition::OpenExisting).ok());
  ASSERT_TRUE((*a)->changeShare({R, DN}).ok());
  EXPECT_TRUE(p.open(path, {RW, DN}, Disposition::OpenExisting).ok());
  EXPECT_TRUE(p.open(path, {R, DW}, Disposition::OpenExisting).ok());
  // A descriptor the system opened for reading only cannot be given write
  // access later.
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  auto readOnly = p.open(path, {R, DN}, Disposition::OpenExisting);
  ASSERT_TRUE(readOnly.ok());
  if (::geteuid() != 0) {
    EXPECT_EQ((*readOnly)->changeShare({RW, DN}).error(), kAccessDenied);
  }
}

TEST(PosixShare, CreateAlwaysDoesNotTruncateAFileItMayNotOpen) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("s");
  auto holder = p.open(path, {RW, DW}, Disposition::CreateNew);
  ASSERT_TRUE(holder.ok());
  ASSERT_TRUE((*holder)->writeAt(0, "keep", 4).ok());
  EXPECT_EQ(p.open(path, {RW, DN}, Disposition::CreateAlways).error(), kSharingViolation);
  EXPECT_EQ(*(*holder)->size(), 4u);
}

TEST(PosixShare, ShareMarkersDoNotDisturbDataLocks) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("s");
  auto a = p.open(path, {RW, DN}, Disposition::OpenAlways);
  auto b = p.open(path, {RW, DN}, Disposition::OpenAlways);
  ASSERT_TRUE(a.ok() && b.ok());
  std::uint64_t top = kReservedLockBase - 10;
  ASSERT_TRUE((*a)->lock(top, 10, LockKind::Exclusive, LockWait::TryOnce).ok());
  EXPECT_EQ((*b)->lock(top + 9, 1, LockKind::Shared, LockWait::TryOnce).error(), kLockViolation);
  ASSERT_TRUE((*a)->unlock(top, 10).ok());
  EXPECT_TRUE(p.open(path, {R, DN}, Disposition::OpenExisting).ok());
}

TEST(PosixShare, AnOpenFileCannotBeRemovedOrRenamed) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("s"), other = dir.file("t");
  {
    auto open = p.open(path, {R, DN}, Disposition::OpenAlways);
    ASSERT_TRUE(open.ok());
    EXPECT_EQ(p.remove(path).error(), kSharingViolation);
    EXPECT_EQ(p.rename(path, other).error(), kSharingViolation);
    pid_t pid = ::fork();
    if (pid == 0) {
      PosixPlatform q;
      ::_exit(static_cast<int>(q.remove(path).error()));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(kSharingViolation));
  }
  EXPECT_TRUE(p.rename(path, other).ok());
  EXPECT_TRUE(p.remove(other).ok());
}

TEST(PosixShare, ModeBytesOutsideTheKnownSetAreRefused) {
  TempDir dir;
  PosixPlatform p;
  for (std::uint8_t mode : {0x03, 0x50, 0x70, 0x48})
    EXPECT_EQ(p.open(dir.file("m"), OpenMode::fromByte(mode), Disposition::OpenAlways).error(),
              kInvalidAccess)
        << int(mode);
  EXPECT_TRUE(p.open(dir.file("m"), OpenMode::fromByte(0x12), Disposition::OpenAlways).ok());
}

}  // namespace
}  // namespace dw::platform
