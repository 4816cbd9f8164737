// Two processes: a reader holding its shared slot keeps a writer waiting,
// and the writer's commit becomes visible at the reader's next refresh.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "db_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

BriskOptions shared(bool readMode) {
  BriskOptions o;
  o.readMode = readMode;
  o.locking = Locking::Shared;
  return o;
}

bool readyWithin(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, ms) == 1;
}

TEST(LocksTest, ReaderKeepsWriterWaitingUntilItReleases) {
  TempDir dir;
  const std::string path = dir.file("l.brk");
  {
    auto w = openBrisk(path, shared(false));
    ASSERT_EQ(w->refreshHeader(), 0);
    insertEntry(*w, Entry("first", 5));
    ASSERT_EQ(w->commit(), 0u);
    w->release();
  }
  auto reader = openBrisk(path, shared(true));
  ASSERT_EQ(reader->refreshHeader(), 0);  // holds its slot from here
  ASSERT_TRUE(findEqual(*reader, "first"));
  EXPECT_LT(reader->slot(), 1023u);

  int done[2];
  ASSERT_EQ(pipe(done), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(done[0]);
    auto w = openBrisk(path, shared(false));
    int status = 1;
    if (w && w->refreshHeader() == 0) {  // waits for the reader
      insertEntry(*w, Entry("second", 6));
      status = w->commit() == 0 ? 0 : 2;
      w->release();
    }
    const char byte = char('0' + status);
    (void)!write(done[1], &byte, 1);
    _exit(status);
  }
  close(done[1]);
  EXPECT_FALSE(readyWithin(done[0], 400)) << "the writer did not wait for the reader";
  EXPECT_FALSE(findEqual(*reader, "second"));
  reader->release();
  ASSERT_TRUE(readyWithin(done[0], 20000));
  char byte = 0;
  ASSERT_EQ(read(done[0], &byte, 1), 1);
  EXPECT_EQ(byte, '0');
  int status = 0;
  waitpid(child, &status, 0);
  close(done[0]);
  ASSERT_EQ(reader->refreshHeader(), 0);
  EXPECT_TRUE(findEqual(*reader, "second"));
  EXPECT_TRUE(sound(*reader));
  reader->release();
}

TEST(LocksTest, NamedLocksExcludeOtherOpenersAndRefuseSharing) {
  TempDir dir;
  const std::string path = dir.file("n.brk");
  auto a = openBrisk(path, shared(false));
  auto b = openBrisk(path, shared(false));
  EXPECT_TRUE(a->lockNamed(0xFFFFFFF0u, dw::platform::LockKind::Exclusive));  // beyond 2^32
  EXPECT_FALSE(b->lockNamed(0xFFFFFFF0u, dw::platform::LockKind::Exclusive));
  EXPECT_TRUE(b->lockNamed(7, dw::platform::LockKind::Exclusive));
  a->unlockNamed(0xFFFFFFF0u);
  EXPECT_TRUE(b->lockNamed(0xFFFFFFF0u, dw::platform::LockKind::Exclusive));
  EXPECT_THROW(a->lockNamed(3, dw::platform::LockKind::Shared), dw::lang::HaltRequested);
}

TEST(LocksTest, ReadersTakeDistinctSlotsInsideTheExclusiveRange) {
  TempDir dir;
  const std::string path = dir.file("s.brk");
  auto a = openBrisk(path, shared(true));
  auto b = openBrisk(path, shared(true));
  ASSERT_TRUE(a->lockShared(dw::platform::LockWait::TryOnce));
  ASSERT_TRUE(b->lockShared(dw::platform::LockWait::Wait));
  EXPECT_NE(a->slot(), b->slot());
  EXPECT_LT(b->slot(), 1023u);
  auto w = openBrisk(path, shared(false));
  EXPECT_FALSE(w->lockExclusive(dw::platform::LockWait::TryOnce));
  a->unlockHeld();
  b->unlockHeld();
  EXPECT_TRUE(w->lockExclusive(dw::platform::LockWait::TryOnce));
  w->unlockHeld();
}

}  // namespace
}  // namespace dw::db
