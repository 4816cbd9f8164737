// Files of the real platform: dispositions, access, I/O, errors, renames.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "runtime/platform/posix_platform.h"
#include "tests/platform/child.h"
#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::inChild;
using testing::TempDir;

constexpr OpenMode kRw{Access::ReadWrite, Share::DenyNone};
constexpr OpenMode kRo{Access::Read, Share::DenyNone};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PosixFile, DispositionsFollowWin32) {
  TempDir dir;
  PosixPlatform p;
  std::string f = dir.file("a.dat");
  struct Case {
    Disposition disposition;
    bool exists;
    OsError expected;
  } cases[] = {
      {Disposition::OpenExisting, false, kFileNotFound},
      {Disposition::CreateNew, false, kOk},
      {Disposition::CreateNew, true, kFileExists},
      {Disposition::OpenExisting, true, kOk},
      {Disposition::OpenAlways, true, kOk},
      {Disposition::CreateAlways, true, kOk},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(p.exists(f), c.exists);
    auto r = p.open(f, kRw, c.disposition);
    EXPECT_EQ(r.error(), c.expected) << static_cast<int>(c.disposition);
  }
  EXPECT_EQ(p.open(dir.file("no/such/x"), kRw, Disposition::OpenAlways).error(), kPathNotFound);
  EXPECT_EQ(p.open(dir.path(), kRo, Disposition::OpenExisting).error(), kAccessDenied);
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
  EXPECT_EQ(p.open(dir.file("fifo"), kRo, Disposition::OpenExisting).error(), kAccessDenied);
  EXPECT_EQ(p.copy(dir.file("fifo"), dir.file("copy")).error(), kAccessDenied);
}

TEST(PosixFile, ReadWriteSizeTruncateAndCreateAlwaysEmpties) {
  TempDir dir;
  PosixPlatform p;
  std::string f = dir.file("b.dat");
  {
    auto r = p.open(f, kRw, Disposition::CreateNew);
    ASSERT_TRUE(r.ok());
    File& file = **r;
    ASSERT_TRUE(file.writeAt(10, "hello", 5).ok());
    EXPECT_EQ(*file.size(), 15u);
    char buf[32] = {};
    auto n = file.readAt(8, buf, sizeof buf);
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 7u);  // short at end of file
    EXPECT_EQ(std::string(buf + 2, 5), "hello");
    EXPECT_TRUE(file.flush().ok());
    EXPECT_TRUE(file.truncate(12).ok());
    EXPECT_EQ(*file.size(), 12u);
    EXPECT_EQ(*file.readAt(100, buf, 4), 0u);
  }
  {
    auto r = p.open(f, kRo, Disposition::OpenExisting);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ((*r)->writeAt(0, "x", 1).error(), kAccessDenied);
    EXPECT_EQ((*r)->truncate(0).error(), kAccessDenied);
  }
  auto w = p.open(f, {Access::Write, Share::DenyNone}, Disposition::CreateAlways);
  ASSERT_TRUE(w.ok());
  EXPECT_EQ(*(*w)->size(), 0u);
  char c;
  EXPECT_EQ((*w)->readAt(0, &c, 1).error(), kAccessDenied);
}

TEST(PosixFile, ReadOnlyFileOpensForReadingAndStillLocks) {
  TempDir dir;
  std::string f = dir.file("ro.dat");
  std::ofstream(f) << "data";
  ::chmod(dir.path().c_str(), 0755);
  ::chmod(f.c_str(), 0444);
  // Without root rights, so that the permissions count.
  int rc = inChild(
      [&] {
        PosixPlatform p;
        if (p.open(f, kRw, Disposition::OpenExisting).error() != kAccessDenied) return 1;
        auto r = p.open(f, kRo, Disposition::OpenExisting);
        if (!r) return 2;
        char buf[4];
        if (!(*r)->readAt(0, buf, 4) || !(*r)->lock(0, 1, LockKind::Shared, LockWait::TryOnce))
          return 3;
        // Share checks work on read-only descriptors as well.
        auto denier = p.open(f, {Access::Read, Share::DenyRead}, Disposition::OpenExisting);
        if (denier.error() != kSharingViolation) return 4;
        r = OsResult<std::unique_ptr<File>>(nullptr);
        denier = p.open(f, {Access::Read, Share::DenyRead}, Disposition::OpenExisting);
        if (!denier) return 5;
        if (p.open(f, kRo, Disposition::OpenExisting).error() != kSharingViolation) return 6;
        return 0;
      },
      /*unprivileged=*/true);
  EXPECT_EQ(rc, 0);
}

TEST(PosixPlatformFiles, RemoveRenameReplaceCopy) {
  TempDir dir;
  PosixPlatform p;
  std::string a = dir.file("a"), b = dir.file("b"), c = dir.file("c");
  std::ofstream(a) << "alpha";
  std::ofstream(b) << "beta";
  EXPECT_EQ(p.rename(a, b).error(), kAlreadyExists);
  EXPECT_EQ(slurp(b), "beta");
  EXPECT_TRUE(p.rename(a, c).ok());
  EXPECT_FALSE(p.exists(a));
  EXPECT_EQ(p.rename(a, c).error(), kFileNotFound);
  EXPECT_TRUE(p.replace(c, b).ok());
  EXPECT_EQ(slurp(b), "alpha");
  EXPECT_TRUE(p.copy(b, a).ok());
  EXPECT_EQ(slurp(a), "alpha");
  EXPECT_EQ(p.copy(dir.file("none"), a).error(), kFileNotFound);
  EXPECT_EQ(p.copy(a, dir.path() + "/./a").error(), kSharingViolation);
  EXPECT_EQ(slurp(a), "alpha");
  EXPECT_TRUE(p.remove(a).ok());
  EXPECT_EQ(p.remove(a).error(), kFileNotFound);
  EXPECT_EQ(p.remove(dir.file("x/y")).error(), kPathNotFound);
  EXPECT_EQ(p.remove(dir.path()).error(), kAccessDenied);
}

TEST(PosixPlatformErrors, ErrnoTranslation) {
  struct Case {
    int err;
    ErrnoContext context;
    OsError expected;
  } cases[] = {
      {ENOENT, ErrnoContext::General, kFileNotFound},
      {ENOENT, ErrnoContext::Path, kPathNotFound},
      {ENOTDIR, ErrnoContext::General, kPathNotFound},
      {EACCES, ErrnoContext::General, kAccessDenied},
      {EAGAIN, ErrnoContext::Lock, kLockViolation},
      {ENOSPC, ErrnoContext::Write, kDiskFull},
      {EIO, ErrnoContext::Read, kReadFault},
      {EIO, ErrnoContext::Write, kWriteFault},
      {EEXIST, ErrnoContext::General, kFileExists},
      {EMFILE, ErrnoContext::General, kTooManyOpenFiles},
      {EROFS, ErrnoContext::Write, kWriteProtect},
      {12345, ErrnoContext::General, kGeneralFailure},
  };
  for (const Case& c : cases) EXPECT_EQ(osErrorFromErrno(c.err, c.context), c.expected) << c.err;
}

TEST(PosixPlatformFiles, FailedCopyLeavesTheTargetAndAHeldTargetIsRefused) {
  TempDir dir;
  PosixPlatform p;
  std::string big = dir.file("big"), target = dir.file("target");
  std::ofstream(big) << std::string(64 * 1024, 'x');
  std::ofstream(target) << "old contents";
  // A process that may not write files above 4 KiB stands in for a full disk.
  int rc = testing::inChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      4096, 4096
    };
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    return p.copy(big, target).ok() ? 11 : 0;
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(slurp(target), "old contents");
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_TRUE(e.path().filename() == "big" || e.path().filename() == "target") << e.path();

  {
    auto holder = p.open(target, {Access::Read, Share::DenyWrite}, Disposition::OpenExisting);
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(p.copy(big, target).error(), kSharingViolation);
    EXPECT_EQ(slurp(target), "old contents");
  }
  ASSERT_TRUE(p.copy(big, target).ok());
  EXPECT_EQ(slurp(target).size(), 64u * 1024);
}

}  // namespace
}  // namespace dw::platform
