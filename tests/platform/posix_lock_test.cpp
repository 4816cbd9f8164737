// Byte-range locks and share modes of the real platform, between open files
// of one process and between processes (fork).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include "runtime/platform/posix_platform.h"
#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::TempDir;

constexpr OpenMode kRw{Access::ReadWrite, Share::DenyNone};
constexpr std::uint64_t k2p31 = std::uint64_t{1} << 31;
constexpr std::uint64_t k2p32 = std::uint64_t{1} << 32;

std::unique_ptr<File> openRw(Platform& p, const std::string& path) {
  auto r = p.open(path, kRw, Disposition::OpenAlways);
  EXPECT_TRUE(r.ok()) << r.error();
  return r.ok() ? std::move(*r) : nullptr;
}

// Runs body in a child process; its exit code (body's result).
int inChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

TEST(PosixLock, TwoOpenFilesOfOneProcessExcludeEachOther) {
  TempDir dir;
  PosixPlatform p;
  auto a = openRw(p, dir.file("l"));
  auto b = openRw(p, dir.file("l"));
  struct Case {
    std::uint64_t offset;
    std::uint64_t length;
  } ranges[] = {{0, 1}, {k2p31, 1023}, {k2p31 + 1024 + 7, 1}, {k2p32 + 5, 10}, {3 * k2p32, 1}};
  for (const Case& c : ranges) {
    ASSERT_TRUE(a->lock(c.offset, c.length, LockKind::Exclusive, LockWait::TryOnce).ok());
    EXPECT_EQ(b->lock(c.offset, c.length, LockKind::Shared, LockWait::TryOnce).error(),
              kLockViolation);
    EXPECT_EQ(b->lock(c.offset + c.length - 1, 1, LockKind::Exclusive, LockWait::TryOnce).error(),
              kLockViolation);
    EXPECT_TRUE(b->lock(c.offset + c.length, 1, LockKind::Exclusive, LockWait::TryOnce).ok());
    EXPECT_TRUE(b->unlock(c.offset + c.length, 1).ok());
    ASSERT_TRUE(a->unlock(c.offset, c.length).ok());
    EXPECT_TRUE(b->lock(c.offset, c.length, LockKind::Shared, LockWait::TryOnce).ok());
    EXPECT_TRUE(a->lock(c.offset, c.length, LockKind::Shared, LockWait::TryOnce).ok());
    EXPECT_TRUE(b->unlock(c.offset, c.length).ok());
    EXPECT_TRUE(a->unlock(c.offset, c.length).ok());
  }
}

TEST(PosixLock, LocksOfOneFileStackLikeWin32) {
  TempDir dir;
  PosixPlatform p;
  auto a = openRw(p, dir.file("l"));
  auto b = openRw(p, dir.file("l"));
  ASSERT_TRUE(a->lock(k2p31, 1023, LockKind::Exclusive, LockWait::TryOnce).ok());
  EXPECT_EQ(a->lock(k2p31 + 5, 1, LockKind::Exclusive, LockWait::TryOnce).error(), kLockViolation);
  // A shared lock inside one's own exclusive range is granted and does not
  // weaken it; unlocking it leaves the exclusive lock whole.
  ASSERT_TRUE(a->lock(k2p31 + 5, 1, LockKind::Shared, LockWait::TryOnce).ok());
  ASSERT_TRUE(a->unlock(k2p31 + 5, 1).ok());
  EXPECT_EQ(b->lock(k2p31 + 5, 1, LockKind::Shared, LockWait::TryOnce).error(), kLockViolation);
  EXPECT_EQ(a->unlock(k2p31, 10).error(), kNotLocked);
  ASSERT_TRUE(a->unlock(k2p31, 1023).ok());
  EXPECT_EQ(a->unlock(k2p31, 1023).error(), kNotLocked);
  // Two overlapping shared locks: releasing one keeps the other's bytes.
  ASSERT_TRUE(a->lock(100, 10, LockKind::Shared, LockWait::TryOnce).ok());
  ASSERT_TRUE(a->lock(105, 10, LockKind::Shared, LockWait::TryOnce).ok());
  ASSERT_TRUE(a->unlock(100, 10).ok());
  EXPECT_TRUE(b->lock(100, 5, LockKind::Exclusive, LockWait::TryOnce).ok());
  EXPECT_EQ(b->lock(105, 1, LockKind::Exclusive, LockWait::TryOnce).error(), kLockViolation);
  EXPECT_EQ(a->lock(kReservedLockBase, 1, LockKind::Shared, LockWait::TryOnce).error(),
            kInvalidParameter);
}

TEST(PosixLock, ClosingTheFileReleasesItsLocksButClosingAnotherDescriptorDoesNot) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("l");
  auto a = openRw(p, path);
  ASSERT_TRUE(a->lock(k2p32 + 1, 1, LockKind::Exclusive, LockWait::TryOnce).ok());
  int other = ::open(path.c_str(), O_RDWR);
  ::close(other);  // would drop a classic process-wide fcntl lock
  EXPECT_EQ(
      inChild([&] {
        PosixPlatform q;
        auto b = q.open(path, kRw, Disposition::OpenExisting);
        return b.ok() ? static_cast<int>(
                            (*b)->lock(k2p32 + 1, 1, LockKind::Shared, LockWait::TryOnce).error())
                      : 100;
      }),
      static_cast<int>(kLockViolation));
  a.reset();
  EXPECT_EQ(
      inChild([&] {
        PosixPlatform q;
        auto b = q.open(path, kRw, Disposition::OpenExisting);
        return b.ok() ? static_cast<int>(
                            (*b)->lock(k2p32 + 1, 1, LockKind::Shared, LockWait::TryOnce).error())
                      : 100;
      }),
      0);
}

TEST(PosixLock, WaitingLockIsGrantedWhenTheHolderLetsGo) {
  TempDir dir;
  PosixPlatform p;
  std::string path = dir.file("l");
  auto a = openRw(p, path);
  ASSERT_TRUE(a->lock(k2p31, 1023, LockKind::Exclusive, LockWait::TryOnce).ok());
  int pipefd[2];
  ASSERT_EQ(::pipe(pipefd), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    PosixPlatform q;
    auto b = q.open(path, kRw, Disposition::OpenExisting);
    if (!b) ::_exit(100);
    char ready = 'r';
    (void)::write(pipefd[1], &ready, 1);
    ::_exit((*b)->lock(k2p31 + 3, 1, LockKind::Shared, LockWait::Wait).ok() ? 0 : 1);
  }
  char ready;
  ASSERT_EQ(::read(pipefd[0], &ready, 1), 1);
  ::usleep(50000);
  ASSERT_TRUE(a->unlock(k2p31, 1023).ok());
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(pipefd[0]);
  ::close(pipefd[1]);
}

}  // namespace
}  // namespace dw::platform
