// HOLD, RELEASE, LOCK and UNLOCK: the lock byte of a number, a record held
// by another process giving 43 until its time runs out or, without a limit,
// until that process releases it, and the waits of LOCK.  Waiting is
// counted in pauses of a scripted clock, never in real time.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "db_test_util.h"
#include "runtime/db/record_locks.h"
#include "runtime/platform/platform.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::LockKind;
using dw::platform::LockWait;

// A clock that moves 50 hundredths per pause; `onPause` sees the count.
class ScriptedRetry final : public LockRetry {
 public:
  std::function<void(int)> onPause;
  int pauses = 0;
  std::uint32_t now() override { return m_now; }
  void pause() override {
    ++pauses;
    m_now += 50;
    if (onPause) onPause(pauses);
  }

 private:
  std::uint32_t m_now = 0xFFFFFF00u;  // wraps during the wait
};

std::unique_ptr<BriskFile> openShared(const std::string& path) {
  BriskOptions o;
  o.readMode = true;
  o.locking = Locking::Shared;
  return openBrisk(path, o);
}

TEST(RecordLocksTest, LockNumberIsTheStoredBytesReadLittleEndianPlusOne) {
  const std::vector<std::pair<StoredNumber, std::uint32_t>> cases = {
      {{0, 0, 0, 1}, 0x01000001u},
      {{1, 0, 0, 0}, 2u},
      {{0x12, 0x34, 0x56, 0x78}, 0x78563413u},
      {{0xFD, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFEu},  // the highest number a file issues
  };
  for (const auto& [stored, n] : cases) EXPECT_EQ(namedLockOf(stored), n);
}

TEST(RecordLocksTest, HoldTakesExactlyTheRecordsByte) {
  TempDir dir;
  const std::string path = dir.file("h.brk");
  auto f = openShared(path);
  RecordHold hold;
  hold.arm(0);
  ASSERT_EQ(hold.onRead(*f, {0, 0, 0, 5}), 0);
  auto raw = dw::platform::platform().open(
      path, {dw::platform::Access::ReadWrite, dw::platform::Share::DenyNone},
      dw::platform::Disposition::OpenExisting);
  ASSERT_TRUE(raw);
  const std::uint64_t byte = 0x80000000ull + 1024 + 0x05000000ull + 1;
  EXPECT_FALSE((*raw)->lock(byte, 1, LockKind::Exclusive, LockWait::TryOnce));
  for (std::uint64_t beside : {byte - 1, byte + 1}) {
    ASSERT_TRUE((*raw)->lock(beside, 1, LockKind::Exclusive, LockWait::TryOnce));
    ASSERT_TRUE((*raw)->unlock(beside, 1));
  }
  // A later read without HOLD gives the record up.
  EXPECT_EQ(hold.onRead(*f, {0, 0, 0, 6}), 0);
  EXPECT_FALSE(hold.held());
  EXPECT_TRUE((*raw)->lock(byte, 1, LockKind::Exclusive, LockWait::TryOnce));
}

TEST(RecordLocksTest, ChangesOfARecordHeldElsewhereAreRefused) {
  TempDir dir;
  const std::string path = dir.file("c.brk");
  auto mine = openShared(path);
  auto theirs = openShared(path);
  const StoredNumber r{0, 0, 1, 0};
  RecordHold other;
  other.arm(0);
  ASSERT_EQ(other.onRead(*theirs, r), 0);
  RecordHold hold;
  EXPECT_EQ(hold.lockForChange(*mine, r, 5), 5);    // PUT
  EXPECT_EQ(hold.lockForChange(*mine, r, 33), 33);  // DELETE
  other.release(*theirs);
  EXPECT_EQ(hold.lockForChange(*mine, r, 5), 0);
  EXPECT_EQ(hold.lockForChange(*mine, r, 5), 0);  // held already
  hold.release(*mine);
  EXPECT_FALSE(hold.held());
  // A second table of the same file object does not share the lock.
  RecordHold first, second;
  first.arm(0);
  second.arm(0);
  ASSERT_EQ(first.onRead(*mine, r), 0);
  EXPECT_EQ(second.onRead(*mine, r), dw::lang::err::kRecordHeld);
}

// Another process holds record r until it reads a byte from `release`.
class HolderProcess {
 public:
  HolderProcess(const std::string& path, StoredNumber r) {
    if (pipe(m_ready) != 0 || pipe(m_release) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      auto f = openShared(path);
      RecordHold hold;
      hold.arm(0);
      const char ok = f && hold.onRead(*f, r) == 0 ? '1' : '0';
      (void)!write(m_ready[1], &ok, 1);
      char c;
      (void)!read(m_release[0], &c, 1);
      hold.release(*f);
      (void)!write(m_ready[1], &ok, 1);
      _exit(0);
    }
  }
  bool holding() {
    char c = 0;
    return m_pid > 0 && read(m_ready[0], &c, 1) == 1 && c == '1';
  }
  void release() {
    const char c = 'r';
    (void)!write(m_release[1], &c, 1);
  }
  ~HolderProcess() {
    if (m_pid <= 0) return;
    release();
    int status = 0;
    waitpid(m_pid, &status, 0);
    for (int fd : {m_ready[0], m_ready[1], m_release[0], m_release[1]}) close(fd);
  }

 private:
  pid_t m_pid = -1;
  int m_ready[2] = {-1, -1};
  int m_release[2] = {-1, -1};
};

TEST(RecordLocksTest, HoldAgainstAnotherProcessRetriesForItsSecondsThenGives43) {
  TempDir dir;
  const std::string path = dir.file("p.brk");
  const StoredNumber r{0, 0, 0, 9};
  HolderProcess holder(path, r);
  ASSERT_TRUE(holder.holding());
  auto f = openShared(path);
  struct Case {
    std::int32_t seconds;
    int pauses;  // 50 hundredths each
  };
  for (const Case c : {Case{0, 0}, Case{1, 2}, Case{2, 4}}) {
    RecordHold hold;
    ScriptedRetry retry;
    hold.arm(c.seconds);
    EXPECT_EQ(hold.onRead(*f, r, retry), dw::lang::err::kRecordHeld) << c.seconds;
    EXPECT_EQ(retry.pauses, c.pauses) << c.seconds;
    EXPECT_FALSE(hold.armed());
    EXPECT_FALSE(hold.held());
  }
  // Another record is free meanwhile.
  RecordHold other;
  other.arm(0);
  EXPECT_EQ(other.onRead(*f, {0, 0, 0, 10}), 0);
}

TEST(RecordLocksTest, HoldWithoutLimitWaitsUntilTheOtherProcessReleases) {
  TempDir dir;
  const std::string path = dir.file("w.brk");
  const StoredNumber r{0, 0, 2, 0};
  HolderProcess holder(path, r);
  ASSERT_TRUE(holder.holding());
  auto f = openShared(path);
  RecordHold hold;
  ScriptedRetry retry;
  // Long past any limit a HOLD of seconds would have, the holder lets go.
  retry.onPause = [&](int n) {
    if (n == 500) {
      holder.release();
      ASSERT_TRUE(holder.holding());  // it has released
    }
  };
  hold.arm(kHoldForever);
  EXPECT_EQ(hold.onRead(*f, r, retry), 0);
  EXPECT_EQ(retry.pauses, 500);
  EXPECT_EQ(hold.held(), r);
}

TEST(RecordLocksTest, TableLockWaitsAsItsOperationSays) {
  TempDir dir;
  const std::string path = dir.file("t.brk");
  auto mine = openShared(path);
  auto theirs = openShared(path);
  const StoredNumber table{0, 0, 0, 3};
  TableLock other;
  ASSERT_EQ(other.lock(*theirs, table, TableLockWait::Limited, 0), 0);
  EXPECT_EQ(other.lock(*theirs, table, TableLockWait::Limited, 0), -1);  // locked already

  TableLock lock;
  struct Case {
    std::int32_t seconds;
    int pauses;
  };
  for (const Case c : {Case{0, 0}, Case{-5, 0}, Case{3, 6}}) {
    ScriptedRetry retry;
    EXPECT_EQ(lock.lock(*mine, table, TableLockWait::Limited, c.seconds, retry),
              dw::lang::err::kFileLocked)
        << c.seconds;
    EXPECT_EQ(retry.pauses, c.pauses) << c.seconds;
    EXPECT_FALSE(lock.locked());
  }
  ScriptedRetry retry;
  retry.onPause = [&](int n) {
    if (n == 300) other.unlock(*theirs);
  };
  EXPECT_EQ(lock.lock(*mine, table, TableLockWait::Forever, 0, retry), 0);
  EXPECT_EQ(retry.pauses, 300);
  EXPECT_EQ(lock.unlock(*mine), 0);
  EXPECT_EQ(lock.unlock(*mine), -1);
  EXPECT_EQ(other.lock(*theirs, table, TableLockWait::Limited, 0), 0);
}

}  // namespace
}  // namespace dw::db
