// Two processes updating the Schedule table of one SM.BRK through the file
// layer, both opened in access mode 0x42: one with SCH and HOLD, the other
// with SCH1 and WATCH (retrying when its change is refused).  Thousands of
// updates each, moving the records along their date keys: none is lost,
// no record is ever read torn, every update of both is in the file at the
// end, the keys agree with the records, and brk check finds the file sound.
// Then WATCH and HOLD between two processes step by step: the watcher's
// PUT gives 89 and the other's change stays; a HOLD that meets the other's
// held record gives 43, and one without a time limit waits for it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "file_layer_test_util.h"
#include "tests/db/loader_process.h"

namespace dw::app::testing {
namespace {

constexpr int kTasks = 12;
constexpr int kUpdates = 2000;  // by each process

// A task's counters: the record's description and its message both carry
// the total, so that a record put together from two writes shows; Every
// is the total as a number and LastRunDate / LastRunTime count the updates
// of each process.
std::string counterText(std::int32_t n) {
  return "count " + std::to_string(n) + " end";
}
std::int32_t counterOf(std::string_view text) {
  if (text.substr(0, 6) != "count " || text.size() < 10 || text.substr(text.size() - 4) != " end")
    return -1;
  return std::atoi(std::string(text.substr(6)).c_str());
}

// The counters of the record in the buffer agree with each other.
bool whole(ScheduleFile& f) {
  const std::int32_t n = f->Every;
  return counterOf(f->Description.trimmed()) == n && counterOf(f.memoText(kMessageMemo)) == n &&
         f->LastRunDate + f->LastRunTime == n && f->Date == 80000 + n;
}

// One update of the record in the buffer by process `who`.
void bump(ScheduleFile& f, int who) {
  const std::int32_t n = f->Every + 1;
  f->Every = n;
  f->Description = counterText(n);
  f.setMemoText(kMessageMemo, counterText(n));
  f->Date = 80000 + n;  // moves the record in four keys
  if (who == 0) {
    f->LastRunDate = f->LastRunDate + 1;
  } else {
    f->LastRunTime = f->LastRunTime + 1;
  }
}

int exitCodeOf(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class FileLayerSharing : public DataDirTest {
 protected:
  bool inMemory() const override { return true; }
  void SetUp() override {
    DataDirTest::SetUp();
    ASSERT_EQ(SCH().open(kCreateShared), 0);
    for (std::int32_t id = 1; id <= kTasks; ++id) {
      SCH().clear();
      SCH()->ID = id;
      SCH()->Category = "General";
      SCH()->Description = counterText(0);
      SCH().setMemoText(kMessageMemo, counterText(0));
      SCH()->Date = 80000;
      SCH()->Time = id;
      ASSERT_EQ(SCH().add(), 0);
    }
    ASSERT_EQ(SCH().close(), 0);
  }
};

// Process 0: SCH, HOLD without a time limit, GET, PUT.  Exit code 0 when
// every read was whole and every PUT went through.
[[noreturn]] void holdingUpdater() {
  ScheduleFile& f = SCH();
  int rc = f.open(kShared) == 0 ? 0 : 10;
  for (int i = 0; i < kUpdates && rc == 0; ++i) {
    f->ID = (i * 5) % kTasks + 1;
    if (f.hold(-1) != 0 || f.get(sch_key::kKeyID) != 0) rc = 11;
    if (rc == 0 && !whole(f)) rc = 12;
    if (rc == 0) {
      bump(f, 0);
      if (f.put() != 0) rc = 13;
    }
  }
  if (f.close() != 0 && rc == 0) rc = 14;
  _exit(rc);
}

// Process 1: SCH1, WATCH, GET, PUT.  A PUT refused because the other
// changed the record since the read (89) reads again; one refused because
// the other holds the record now (5) reads again with HOLD, waiting for it
// as a program would.  Exit code 0 when every update went through in the
// end; it writes the number of PUTs refused with 89 to `pipe`.
[[noreturn]] void watchingUpdater(int pipe) {
  ScheduleFile& f = SCH1();
  int rc = f.open(kShared) == 0 ? 0 : 20;
  std::uint32_t changed = 0;
  bool wait = false;
  for (int i = 0; i < kUpdates && rc == 0;) {
    f->ID = (i * 7) % kTasks + 1;
    if (f.watch() != 0 || (wait && f.hold(-1) != 0)) rc = 21;
    if (rc == 0 && f.get(sch_key::kKeyID) != 0) rc = 22;
    if (rc == 0 && !whole(f)) rc = 23;
    if (rc != 0) break;
    bump(f, 1);
    const int put = f.put();
    wait = put == 5;
    if (put == 0) {
      ++i;
    } else if (put == 89 || put == 5) {
      if (lang::errorCode() != put) rc = 24;
      changed += put == 89;
    } else {
      rc = 25;
    }
  }
  if (f.close() != 0 && rc == 0) rc = 26;
  (void)!::write(pipe, &changed, sizeof changed);
  _exit(rc);
}

TEST_F(FileLayerSharing, TwoProcessesLoseNoUpdateAndTearNoRecord) {
  int counts[2];
  ASSERT_EQ(::pipe(counts), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) holdingUpdater();
  const pid_t watcher = ::fork();
  ASSERT_GE(watcher, 0);
  if (watcher == 0) watchingUpdater(counts[1]);
  // Meanwhile brk reads the file as a third station: each time it finds it
  // sound and every record whole.
  const std::string brk = dw::testing::brkPath();
  for (int i = 0; i < 5; ++i) {
    const auto check = dw::testing::runTool(brk, {"check", "SM.BRK"});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_EQ(check.out.find("FAULTY"), std::string::npos) << check.out;
    const auto dump = dw::testing::runTool(brk, {"dump", "SM\\!Schedule", "--csv"});
    ASSERT_EQ(dump.exitCode, 0) << dump.out;
    int rows = 0;
    std::istringstream lines(dump.out);
    std::string line, header;
    std::getline(lines, header);
    for (; std::getline(lines, line); ++rows) {
      // SCH:ID,SCH:TaskType,SCH:Category,SCH:Description,...: the
      // description's counter is the message's (the last cell).
      const std::size_t d = line.find(",count ");
      const std::size_t m = line.rfind(",count ");
      ASSERT_TRUE(d != std::string::npos && m != d) << line;
      EXPECT_EQ(line.substr(d, line.find(',', d + 1) - d), line.substr(m)) << "torn: " << line;
    }
    EXPECT_EQ(rows, kTasks);
  }
  EXPECT_EQ(exitCodeOf(holder), 0);
  EXPECT_EQ(exitCodeOf(watcher), 0);
  std::uint32_t changed = 0;
  ASSERT_EQ(::read(counts[0], &changed, sizeof changed), ssize_t(sizeof changed));
  ::close(counts[0]);
  ::close(counts[1]);
  RecordProperty("puts refused with 89", int(changed));

  ScheduleFile& f = SCH();
  ASSERT_EQ(f.open(kShared), 0);
  std::int32_t byHolder = 0, byWatcher = 0;
  ASSERT_EQ(f.set(sch_key::kKeyDate), 0);
  int seen = 0;
  for (std::int32_t lastDate = 0; f.next() == 0; ++seen) {
    EXPECT_TRUE(whole(f)) << "task " << f->ID;
    EXPECT_GE(f->Date, lastDate) << "out of order in SCH:KeyDate";
    lastDate = f->Date;
    byHolder += f->LastRunDate;
    byWatcher += f->LastRunTime;
  }
  EXPECT_EQ(seen, kTasks);
  EXPECT_EQ(byHolder, kUpdates);
  EXPECT_EQ(byWatcher, kUpdates);
  EXPECT_EQ(f.keyRecords(sch_key::kKeyDateEnabled), kTasks);
  ASSERT_EQ(f.close(), 0);

  const auto check = dw::testing::runTool(dw::testing::brkPath(), {"check", "SM.BRK"});
  EXPECT_EQ(check.exitCode, 0) << check.out;
  EXPECT_NE(check.out.find("table SCHEDULE (number 1): sound, 12 records"), std::string::npos)
      << check.out;
}

// One byte over a pipe in each direction, to take turns.
class Turns {
 public:
  Turns() {
    EXPECT_EQ(::pipe(m_toChild), 0);
    EXPECT_EQ(::pipe(m_toParent), 0);
  }
  ~Turns() {
    for (int fd : {m_toChild[0], m_toChild[1], m_toParent[0], m_toParent[1]}) ::close(fd);
  }
  void toChild(char c) { (void)!::write(m_toChild[1], &c, 1); }
  void toParent(char c) { (void)!::write(m_toParent[1], &c, 1); }
  char fromParent() { return receive(m_toChild[0]); }
  char fromChild() { return receive(m_toParent[0]); }

 private:
  static char receive(int fd) {
    char c = 0;
    return ::read(fd, &c, 1) == 1 ? c : 0;
  }
  int m_toChild[2] = {-1, -1};
  int m_toParent[2] = {-1, -1};
};

// The other process: SCH1 changes task 1 when told ('c'), or holds it
// ('h') until told to put it a moment later ('r'); it answers 'd' when
// done, 'x' when an operation failed.
[[noreturn]] void otherStation(Turns& turns) {
  ScheduleFile& f = SCH1();
  if (f.open(kShared) != 0) _exit(1);
  for (char c; (c = turns.fromParent()) != 'q';) {
    f->ID = 1;
    bool ok = true;
    if (c == 'c') {
      ok = f.get(sch_key::kKeyID) == 0;
      f->Description = "changed by the other";
      ok = ok && f.put() == 0;
    } else if (c == 'h') {
      ok = f.hold(0) == 0 && f.get(sch_key::kKeyID) == 0;
    } else if (c == 'r') {
      ::usleep(200 * 1000);  // the parent is meanwhile waiting in its HOLD
      f->Description = "put by the holder";
      ok = f.put() == 0;  // commits, then lets go
    }
    turns.toParent(ok ? 'd' : 'x');
  }
  f.close();
  _exit(0);
}

TEST_F(FileLayerSharing, WatchAndHoldBetweenTwoProcesses) {
  Turns turns;
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) otherStation(turns);
  ScheduleFile& f = SCH();
  ASSERT_EQ(f.open(kShared), 0);

  // WATCH: the other's change between our read and our PUT is reported,
  // and kept.
  f->ID = 1;
  ASSERT_EQ(f.watch(), 0);
  ASSERT_EQ(f.get(sch_key::kKeyID), 0);
  turns.toChild('c');
  ASSERT_EQ(turns.fromChild(), 'd');
  f->Description = "the window's edit";
  EXPECT_EQ(f.put(), 89);
  EXPECT_EQ(lang::errorCode(), 89);
  f->ID = 1;
  ASSERT_EQ(f.get(sch_key::kKeyID), 0);
  EXPECT_EQ(f->Description, "changed by the other");
  // Without WATCH the next PUT goes through.
  f->Description = "the window's edit";
  EXPECT_EQ(f.put(), 0);

  // HOLD: the other holds task 1; a read with HOLD and no wait gives 43,
  // PUT of it without HOLD gives 5, and a HOLD without limit gets it once
  // the other has put it (its change is what we then read).
  turns.toChild('h');
  ASSERT_EQ(turns.fromChild(), 'd');
  f->ID = 1;
  ASSERT_EQ(f.hold(0), 0);
  EXPECT_EQ(f.get(sch_key::kKeyID), 43);
  EXPECT_EQ(lang::errorCode(), 43);
  f->ID = 1;
  ASSERT_EQ(f.get(sch_key::kKeyID), 0);  // a plain read is not refused
  EXPECT_EQ(f.put(), 5);
  turns.toChild('r');
  f->ID = 1;
  ASSERT_EQ(f.hold(-1), 0);
  ASSERT_EQ(f.get(sch_key::kKeyID), 0);
  // Whenever the read came, the lock was free only after the other's PUT.
  EXPECT_EQ(f->Description, "put by the holder");
  ASSERT_EQ(turns.fromChild(), 'd');
  ASSERT_EQ(f.release(), 0);
  turns.toChild('q');
  EXPECT_EQ(exitCodeOf(other), 0);
}

// A station killed while it holds a record and is inside a transaction
// (its file's exclusive lock taken by a write): its locks die with it, the
// other's HOLD without limit gets the record, and the transaction's add is
// not in the file.
TEST_F(FileLayerSharing, AStationKilledWhileHoldingLetsGo) {
  Turns turns;
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    ScheduleFile& f = SCH1();
    bool ok = f.open(kShared) == 0;
    f->ID = 1;
    ok = ok && f.hold(0) == 0 && f.get(sch_key::kKeyID) == 0;
    ok = ok && db::logout(1, {&SCH1()}) == 0;
    f->ID = 99;
    ok = ok && f.add() == 0;
    turns.toParent(ok ? 'd' : 'x');
    for (;;) ::pause();
  }
  ASSERT_EQ(turns.fromChild(), 'd');
  ASSERT_EQ(::kill(other, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  ScheduleFile& f = SCH();
  ASSERT_EQ(f.open(kShared), 0);
  f->ID = 1;
  ASSERT_EQ(f.hold(-1), 0);
  ASSERT_EQ(f.get(sch_key::kKeyID), 0);
  bump(f, 0);
  EXPECT_EQ(f.put(), 0);
  EXPECT_EQ(f.records(), kTasks);
  f->ID = 99;
  EXPECT_EQ(f.get(sch_key::kKeyID), 35);
}

}  // namespace
}  // namespace dw::app::testing
