// Two processes sharing one table in access mode 0x42: updates under HOLD
// lose nothing and tear no record, WATCH reports the other's change, a
// HOLD without a time limit waits until the other process lets go, and a
// reader that holds nothing never sees a record and its memo from different
// commits, nor an older state after a newer one.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "driver_test_util.h"

namespace dw::db::testing {
namespace {

constexpr int kRows = 8;

// The name field holds the counter twice, so that a record written half
// by one process and half by the other shows.
std::string counterText(int n) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%09d-%09d", n, n);
  return buf;
}
// The counter, or -1 when the two halves differ.
int counterOf(const std::string& name) {
  int a = -1, b = -2;
  if (std::sscanf(name.c_str(), "%d-%d", &a, &b) != 2 || a != b) return -1;
  return a;
}

class Pipe {
 public:
  Pipe() { EXPECT_EQ(pipe(m_fd), 0); }
  ~Pipe() {
    close(m_fd[0]);
    close(m_fd[1]);
  }
  void send(char c) { (void)!write(m_fd[1], &c, 1); }
  char receive() {
    char c = 0;
    return read(m_fd[0], &c, 1) == 1 ? c : 0;
  }

 private:
  int m_fd[2] = {-1, -1};
};

int waitFor(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class DriverShare : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.file("shared.brk");
    FileControlBlock fcb;
    declare(fcb, path);
    ASSERT_EQ(call(op::kOpen, fcb, kCreateShared), 0);
    for (int id = 1; id <= kRows; ++id) {
      setRow(fcb, id, counterText(0));
      ASSERT_EQ(call(op::kAdd, fcb), 0);
    }
    ASSERT_EQ(call(op::kClose, fcb), 0);
  }
  TempDir dir;
  std::string path;
};

// One process's share of the updates: exit status 0 when every read was
// whole and every PUT went through.
[[noreturn]] void updater(const std::string& path, int seed, int updates) {
  FileControlBlock fcb;
  declare(fcb, path);
  int status = call(op::kOpen, fcb, kShared) == 0 ? 0 : 10;
  for (int i = 0; i < updates && status == 0; ++i) {
    const int id = (i * 5 + seed) % kRows + 1;
    setRow(fcb, id, "");
    if (call(op::kHoldSeconds, fcb, -1) != 0 || call(op::kGetByKey, fcb, 0, 0) != 0) {
      status = 11;
      break;
    }
    const int n = counterOf(rowName(fcb));
    if (n < 0) {
      status = 12;  // torn
      break;
    }
    setRow(fcb, id, counterText(n + 1));
    if (call(op::kPut, fcb) != 0) status = 13;
  }
  if (call(op::kClose, fcb) != 0 && status == 0) status = 14;
  _exit(status);
}

TEST_F(DriverShare, UpdatesUnderHoldLoseNothing) {
  constexpr int kUpdates = 600;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    if (children[c] == 0) updater(path, c * 3, kUpdates);
  }
  for (pid_t child : children) EXPECT_EQ(waitFor(child), 0);
  FileControlBlock fcb;
  declare(fcb, path);
  ASSERT_EQ(call(op::kOpen, fcb, kShared), 0);
  ASSERT_EQ(call(op::kSetKeyEnd, fcb, 0, 0), 0);
  int total = 0;
  for (int id = 1; id <= kRows; ++id) {
    ASSERT_EQ(call(op::kNext, fcb), 0);
    const int n = counterOf(rowName(fcb));
    ASSERT_GE(n, 0) << "record " << id << " torn";
    total += n;
  }
  EXPECT_EQ(total, 2 * kUpdates);
  EXPECT_EQ(valueOf(op::kRecords, fcb), kRows);
}

TEST_F(DriverShare, WatchReportsTheOtherProcesssChange) {
  Pipe toChild, toParent;
  const pid_t child = fork();
  if (child == 0) {
    toChild.receive();
    FileControlBlock fcb;
    declare(fcb, path);
    int status = call(op::kOpen, fcb, kShared);
    setRow(fcb, 1, "");
    if (status == 0) status = call(op::kGetByKey, fcb, 0, 0);
    setRow(fcb, 1, counterText(7));
    if (status == 0) status = call(op::kPut, fcb);
    call(op::kClose, fcb);
    toParent.send('d');
    _exit(status == 0 ? 0 : 1);
  }
  FileControlBlock fcb;
  declare(fcb, path);
  ASSERT_EQ(call(op::kOpen, fcb, kShared), 0);
  setRow(fcb, 1, "");
  ASSERT_EQ(call(op::kWatch, fcb), 0);
  ASSERT_EQ(call(op::kGetByKey, fcb, 0, 0), 0);
  toChild.send('g');
  EXPECT_EQ(toParent.receive(), 'd');
  EXPECT_EQ(waitFor(child), 0);
  setRow(fcb, 1, counterText(1));
  EXPECT_EQ(call(op::kPut, fcb), kErrChangedByOther);
  setRow(fcb, 1, "");
  ASSERT_EQ(call(op::kGetByKey, fcb, 0, 0), 0);
  EXPECT_EQ(counterOf(rowName(fcb)), 7);  // the other's change was kept
}

TEST_F(DriverShare, HoldWithoutLimitWaitsForTheRelease) {
  Pipe toChild, toParent;
  const pid_t child = fork();
  if (child == 0) {
    FileControlBlock fcb;
    declare(fcb, path);
    int status = call(op::kOpen, fcb, kShared);
    setRow(fcb, 1, "");
    if (status == 0) status = call(op::kHold, fcb, 0);
    if (status == 0) status = call(op::kGetByKey, fcb, 0, 0);
    toParent.send(status == 0 ? 'h' : 'x');
    toChild.receive();
    usleep(200 * 1000);  // the parent is waiting in its HOLD meanwhile
    setRow(fcb, 1, counterText(5));
    if (status == 0) status = call(op::kPut, fcb);  // commits, then lets go
    call(op::kClose, fcb);
    _exit(status == 0 ? 0 : 1);
  }
  ASSERT_EQ(toParent.receive(), 'h');
  FileControlBlock fcb;
  declare(fcb, path);
  ASSERT_EQ(call(op::kOpen, fcb, kShared), 0);
  setRow(fcb, 1, "");
  ASSERT_EQ(call(op::kHold, fcb, 0), 0);
  EXPECT_EQ(call(op::kGetByKey, fcb, 0, 0), 43);
  toChild.send('g');
  setRow(fcb, 1, "");
  ASSERT_EQ(call(op::kHoldSeconds, fcb, -1), 0);
  ASSERT_EQ(call(op::kGetByKey, fcb, 0, 0), 0);
  // The lock came free only after the other's change was committed.
  EXPECT_EQ(counterOf(rowName(fcb)), 5);
  EXPECT_EQ(waitFor(child), 0);
  setRow(fcb, 1, counterText(6));
  ASSERT_EQ(call(op::kPut, fcb), 0);
}

// Another process that, when told, opens the table in `mode` and, when
// that works and the mode writes, adds a record; its result is 0 or the
// first error.  It is started before this process opens the file, so that
// it inherits none of this process's open files.
class OtherProcess {
 public:
  OtherProcess(const std::string& path, std::int64_t mode) {
    m_pid = fork();
    if (m_pid != 0) return;
    if (m_go.receive() != 'g') _exit(99);
    FileControlBlock fcb;
    declare(fcb, path);
    int rc = call(op::kOpen, fcb, mode);
    if (rc == 0 && mode % 4 != 0) {
      setRow(fcb, 100 + getpid() % 1000, "added by the other process");
      rc = call(op::kAdd, fcb);
    }
    m_opened.send(rc == 0 ? 'o' : 'x');
    m_end.receive();  // holds the file until told
    if (fcb.state & kStateOpen) call(op::kClose, fcb);
    _exit(rc);
  }
  ~OtherProcess() {
    if (!m_done) result();
  }
  // Lets it open, and waits until it has.
  void open() {
    m_go.send('g');
    m_opened.receive();
  }
  // Its result, once it has let the file go.
  int result() {
    if (!m_done) {
      m_go.send('g');
      m_end.send('e');
      m_result = waitFor(m_pid);
      m_done = true;
    }
    return m_result;
  }

 private:
  Pipe m_go, m_opened, m_end;
  pid_t m_pid = -1;
  bool m_done = false;
  int m_result = -1;
};

// An open's share bits hold against every other process as they do on the
// system the files come from: a sharing violation is 5 'Access Denied', and
// the held file is not changed.  Access counts as asked: a reader does not
// hold the file against another's denial of writers.
TEST_F(DriverShare, DenyingModesHoldAgainstOtherProcesses) {
  struct Case {
    std::int64_t held, other;
    int result;
  };
  const Case cases[] = {
      {0x12, 0x40, 5}, {0x12, 0x42, 5}, {0x22, 0x40, 0}, {0x22, 0x42, 5},
      {0x32, 0x40, 5}, {0x32, 0x42, 5}, {0x20, 0x22, 5}, {0x20, 0x20, 0},
      {0x40, 0x22, 0}, {0x40, 0x12, 5}, {0x42, 0x22, 5}, {0x42, 0x42, 0},
  };
  for (const Case& c : cases) {
    OtherProcess other(path, c.other);
    FileControlBlock fcb;
    declare(fcb, path);
    ASSERT_EQ(call(op::kOpen, fcb, c.held), 0);
    const std::int64_t before = valueOf(op::kRecords, fcb);
    other.open();
    EXPECT_EQ(other.result(), c.result)
        << std::hex << "held 0x" << c.held << ", other 0x" << c.other;
    if (c.result != 0) {
      EXPECT_EQ(valueOf(op::kRecords, fcb), before);
    }
    ASSERT_EQ(call(op::kClose, fcb), 0);
  }
  // Nothing lingers after the close.
  OtherProcess last(path, kExclusive);
  EXPECT_EQ(last.result(), 0);
}

// Openers of one process share the file object and never refuse each
// other; the file denies others what any of them denies, for as long as
// that one stays open.  Asking to deny what another process's open does
// is refused, and the file object keeps what it had.
TEST_F(DriverShare, ADenialOfOneOpenerHoldsUntilItCloses) {
  OtherProcess sharing(path, kShared), reading(path, kReadOnly), after(path, kShared),
      holder(path, kShared);
  FileControlBlock shared, exclusive;
  declare(shared, path);
  declare(exclusive, path);
  ASSERT_EQ(call(op::kOpen, shared, kShared), 0);
  EXPECT_EQ(sharing.result(), 0);
  ASSERT_EQ(call(op::kOpen, exclusive, kExclusive), 0);
  EXPECT_EQ(reading.result(), 5);
  ASSERT_EQ(call(op::kBuildAll, exclusive), 0);
  ASSERT_EQ(call(op::kClose, exclusive), 0);
  EXPECT_EQ(after.result(), 0);
  holder.open();
  EXPECT_EQ(call(op::kOpen, exclusive, kExclusive), 5);
  EXPECT_EQ(call(op::kOpen, exclusive, 0x22), 5);
  setRow(shared, 50, "still shared");
  EXPECT_EQ(call(op::kAdd, shared), 0);
  EXPECT_EQ(holder.result(), 0);
  ASSERT_EQ(call(op::kClose, shared), 0);
}

// The memo written with counter n: the counter's text over the whole memo.
std::string memoText(int n) {
  std::string m;
  while (m.size() < 300) m += counterText(n);
  m.resize(300);
  return m;
}

TEST(DriverShareReads, ReadersWithoutHoldSeeWholeCommitsInOrder) {
  constexpr int kIds = 64, kUpdates = 1500;
  TempDir dir;
  const std::string path = dir.file("reads.brk");
  {
    FileControlBlock fcb;
    declare(fcb, path);
    ASSERT_EQ(call(op::kOpen, fcb, kCreateShared), 0);
    for (int id = 1; id <= kIds; ++id) {
      setRow(fcb, id, counterText(0));
      fcb.table->memo(0) = memoText(0);
      ASSERT_EQ(call(op::kAdd, fcb), 0);
    }
    ASSERT_EQ(call(op::kClose, fcb), 0);
  }
  const pid_t writer = fork();
  if (writer == 0) {
    FileControlBlock fcb;
    declare(fcb, path);
    int status = call(op::kOpen, fcb, kShared) == 0 ? 0 : 10;
    for (int i = 0; i < kUpdates && status == 0; ++i) {
      setRow(fcb, (i * 7) % kIds + 1, "");
      if (call(op::kGetByKey, fcb, 0, 0) != 0) status = 11;
      const int n = counterOf(rowName(fcb));
      setRow(fcb, rowId(fcb), counterText(n + 1));
      fcb.table->memo(0) = memoText(n + 1);
      if (status == 0 && call(op::kPut, fcb) != 0) status = 13;
    }
    call(op::kClose, fcb);
    _exit(status);
  }
  FileControlBlock fcb;
  declare(fcb, path);
  ASSERT_EQ(call(op::kOpen, fcb, kShared), 0);
  std::map<int, int> seen;  // id -> the highest counter read
  auto check = [&](const char* how) {
    const int id = rowId(fcb), n = counterOf(rowName(fcb));
    ASSERT_GE(n, 0) << how << ": record " << id << " torn";
    ASSERT_EQ(fcb.table->memo(0).substr(0, 300), memoText(n))
        << how << ": record " << id << " and its memo come from different commits";
    ASSERT_GE(n, seen[id]) << how << ": record " << id << " went back";
    seen[id] = n;
  };
  int status = 0, passes = 0;
  for (bool writing = true; writing || passes < 3; ++passes) {
    writing = waitpid(writer, &status, WNOHANG) == 0;
    ASSERT_EQ(call(op::kSetKeyEnd, fcb, 0, 0), 0);
    for (int id = 1; id <= kIds; ++id) {
      ASSERT_EQ(call(op::kNext, fcb), 0);
      check("NEXT");
      setRow(fcb, (id * 13 + passes) % kIds + 1, "");
      ASSERT_EQ(call(op::kGetByKey, fcb, 0, 0), 0);
      check("GET");
    }
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  int total = 0;
  for (const auto& [id, n] : seen) total += n;
  EXPECT_EQ(total, kUpdates);  // the last pass, after the writer ended, saw every update
}

}  // namespace
}  // namespace dw::db::testing
