// A transaction of the program over its two files, SM.BRK (Schedule and
// History, one file object) and TagFile_.BRK, through the file layer, cut
// off in a child process:
// - killed with SIGKILL at every step of the commit: before the commit
//   point the next open finds both files as before, after it both as after;
// - stopped by a simulated power loss at every flush of the commit (the
//   test platform undoing unflushed writes by dropping, keeping or tearing
//   them): both before or both after, and after once past the commit point.
// The parent reads the files as the program does, then writes to them
// (a writer completes or discards what was pending) and brk check finds
// both sound.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_layer_test_util.h"
#include "runtime/db/transaction.h"
#include "runtime/platform/test_platform.h"

namespace dw::app::testing {
namespace {

using db::CommitStep;
using platform::CrashMode;

constexpr const char* kFiles[] = {"SM.BRK", "TagFile_.BRK"};

struct Snapshot {
  std::vector<StoredRow> schedule, history, tags;
  bool operator==(const Snapshot&) const = default;
};

int openAll() {
  for (db::DeclaredFile* f : std::vector<db::DeclaredFile*>{&SCH(), &HIS(), &TF_()}) {
    if (f->isOpen()) continue;
    if (int rc = f->open(kShared)) return rc;
  }
  return 0;
}

void closeAll() {
  for (db::DeclaredFile* f : allDeclarations()) {
    if (f->isOpen()) f->close();
  }
}

Snapshot snapshot() {
  Snapshot s;
  EXPECT_EQ(openAll(), 0);
  s.schedule = storedRows(SCH());
  s.history = storedRows(HIS());
  s.tags = storedRows(TF_());
  closeAll();
  return s;
}

void addTag(std::int32_t user, std::int32_t ptr, std::string_view value) {
  TF_().clear();
  TF_()->USR = user;
  TF_()->TBL = 1;
  TF_()->PTR = ptr;
  TF_()->VAL = value;
  ASSERT_EQ(TF_().add(), 0);
}

// The change made in one transaction: a task changed, one deleted, one
// added (with a message long enough for several memo segments), a History
// record, and tags added, changed and deleted.  0 or the first error.
int changeInTransaction() {
  if (int rc = openAll()) return rc;
  if (int rc = db::logout(1, {&SCH(), &HIS(), &TF_()})) return rc;
  std::mt19937 rng(42);
  SCH()->ID = 2;
  if (int rc = SCH().get(sch_key::kKeyID)) return rc;
  SCH()->Date = SCH()->Date + 1;
  SCH().setMemoText(kMessageMemo, "moved on in the transaction");
  if (int rc = SCH().put()) return rc;
  HIS().clear();
  copyTaskToHistory(SCH().rec(), HIS().rec());
  HIS()->ID = 1000;
  HIS().setMemoText(kMessageMemo, SCH().memoText(kMessageMemo));
  if (int rc = HIS().add()) return rc;
  SCH()->ID = 3;
  if (int rc = SCH().get(sch_key::kKeyID)) return rc;
  if (int rc = SCH().erase()) return rc;
  fillTask(SCH(), 50, rng);
  SCH().setMemoText(kMessageMemo, std::string(900, 'm'));
  if (int rc = SCH().add()) return rc;
  TF_()->USR = 1;
  TF_()->TBL = 1;
  TF_()->PTR = 2;
  if (int rc = TF_().get(tf_key::kPtrKey)) return rc;
  TF_()->VAL = "changed";
  if (int rc = TF_().put()) return rc;
  TF_()->PTR = 4;
  if (int rc = TF_().get(tf_key::kPtrKey)) return rc;
  if (int rc = TF_().erase()) return rc;
  TF_().clear();
  TF_()->USR = 1;
  TF_()->PTR = 50;
  TF_()->VAL = "new";
  if (int rc = TF_().add()) return rc;
  return db::commit();
}

class FileLayerTransactionKill : public DataDirTest {
 protected:
  // Kills and simulated power losses do not need the disk's flushes.
  bool inMemory() const override { return true; }
  void SetUp() override {
    DataDirTest::SetUp();
    std::mt19937 rng(7);
    ASSERT_EQ(SCH().open(kCreateShared), 0);
    ASSERT_EQ(HIS().open(kCreateShared), 0);
    ASSERT_EQ(TF_().open(kCreateShared), 0);
    for (std::int32_t id = 1; id <= 10; ++id) {
      fillTask(SCH(), id, rng);
      ASSERT_EQ(SCH().add(), 0);
    }
    for (std::int32_t p = 1; p <= 5; ++p) addTag(1, p, "tag " + std::to_string(p));
    closeAll();
    for (const char* f : kFiles) seed[f] = fileBytes(f);
    before = snapshot();
    ASSERT_EQ(changeInTransaction(), 0);
    closeAll();
    ASSERT_TRUE(std::filesystem::exists("brisk.tcf")) << "the control file in the data directory";
    after = snapshot();
    ASSERT_FALSE(before == after);
  }
  void TearDown() override {
    closeAll();
    DataDirTest::TearDown();
  }

  // Puts the files back as they were before the transaction.
  void restoreSeed() {
    for (const auto& [name, bytes] : seed) {
      FILE* f = std::fopen(name.c_str(), "wb");
      ASSERT_TRUE(f);
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    std::filesystem::remove("brisk.tcf");
  }

  // After a cut-off transaction: both files as before or both as after
  // (after when `mustBeAfter`), also once written to, and sound (by brk
  // when `withBrk`).  Whether they were after.
  bool expectBeforeOrAfter(bool mustBeAfter, const std::string& where, bool withBrk = true) {
    SCOPED_TRACE(where);
    // brk first, as a reader of what the cut left (pending copies and all).
    const std::string brk = dw::testing::brkPath();
    std::string dump;
    if (withBrk) {
      for (const char* file : kFiles) {
        const auto check = dw::testing::runTool(brk, {"check", file});
        EXPECT_EQ(check.exitCode, 0) << "before any writer: " << check.out;
      }
      dump = dw::testing::runTool(brk, {"dump", "SM\\!Schedule"}).out;
    }
    const Snapshot got = snapshot();
    const bool isAfter = got == after;
    EXPECT_TRUE(isAfter || got == before) << "the files are neither before nor after";
    if (withBrk) {
      EXPECT_NE(dump.find(std::to_string(got.schedule.size()) + " records"), std::string::npos)
          << "brk read another state than the program";
    }
    if (mustBeAfter) {
      EXPECT_TRUE(isAfter) << "past the commit point";
    }
    // A writer of both files: its first access settles what was pending.
    EXPECT_EQ(openAll(), 0);
    addTag(9, 9, "later");
    SCH()->ID = 1;
    EXPECT_EQ(SCH().get(sch_key::kKeyID), 0);
    SCH()->Time = SCH()->Time + 1;
    EXPECT_EQ(SCH().put(), 0);
    closeAll();
    Snapshot expected = isAfter ? after : before;
    const Snapshot settled = snapshot();
    EXPECT_EQ(settled.history, expected.history);
    EXPECT_EQ(settled.tags.size(), expected.tags.size() + 1);
    EXPECT_EQ(settled.schedule.size(), expected.schedule.size());
    for (const char* file : kFiles) {
      if (!withBrk) break;
      const auto check = dw::testing::runTool(brk, {"check", file});
      EXPECT_EQ(check.exitCode, 0) << check.out;
    }
    return isAfter;
  }

  std::map<std::string, std::string> seed;
  Snapshot before, after;
};

int waitStatus(pid_t child) {
  int status = 0;
  return ::waitpid(child, &status, 0) == child ? status : -1;
}

TEST_F(FileLayerTransactionKill, KilledAtEveryStepOfTheCommit) {
  struct Step {
    CommitStep step;
    std::size_t file;
    bool after;
  };
  const Step steps[] = {
      {CommitStep::NumberListed, 0, false}, {CommitStep::FilePrepared, 0, false},
      {CommitStep::FilePrepared, 1, false}, {CommitStep::CommitPoint, 0, true},
      {CommitStep::FileApplied, 0, true},   {CommitStep::FileApplied, 1, true},
  };
  for (const Step& s : steps) {
    const std::string where =
        "killed at step " + std::to_string(int(s.step)) + " of file " + std::to_string(s.file);
    restoreSeed();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      db::Transaction::process().setStepHook([&](CommitStep step, std::size_t i) {
        if (step == s.step && i == s.file) ::raise(SIGKILL);
      });
      _exit(changeInTransaction() == 0 ? 3 : 4);  // the step never came
    }
    const int status = waitStatus(child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where << ": " << status;
    EXPECT_EQ(expectBeforeOrAfter(s.after, where), s.after) << where;
  }
}

// The child's report: 'h' the crash came (then 'p' when past the commit
// point), 'n' the commit had fewer flushes.
[[noreturn]] void crashChild(std::uint64_t flush, CrashMode mode, std::uint32_t seed, int pipe) {
  lang::setHaltThrowsForTesting(true);
  (void)!std::freopen("/dev/null", "w", stderr);  // the halt's box after the crash
  platform::TestPlatform tp;
  platform::ScopedPlatform installed(tp);
  bool pastCommitPoint = false;
  db::Transaction::process().setStepHook([&](CommitStep step, std::size_t) {
    if (step == CommitStep::CommitPoint) pastCommitPoint = true;
  });
  try {
    if (openAll() != 0) _exit(5);
    const std::uint64_t base = tp.flushCount();
    tp.crashModeAtFlush(mode, seed);
    tp.onFlush([&](std::uint64_t index) {
      if (index != base + flush) return false;
      const char report[2] = {'h', pastCommitPoint ? 'p' : '-'};
      (void)!::write(pipe, report, 2);
      return true;
    });
    (void)changeInTransaction();
  } catch (const lang::HaltRequested&) {
    // A read of a file that died with the crash halts: the program ends.
  }
  if (!tp.crashed()) (void)!::write(pipe, "n-", 2);
  _exit(0);
}

TEST_F(FileLayerTransactionKill, PowerLossAtEveryFlushOfTheCommit) {
  int outcomes[2] = {0, 0};
  struct Mode {
    CrashMode mode;
    std::uint32_t seed;
  };
  for (const Mode m : {Mode{CrashMode::DropUnflushed, 0}, Mode{CrashMode::KeepUnflushed, 0},
                       Mode{CrashMode::TearUnflushed, 11}}) {
    for (std::uint64_t flush = 0;; ++flush) {
      const std::string where =
          "mode " + std::to_string(int(m.mode)) + " flush " + std::to_string(flush);
      restoreSeed();
      int pipe[2];
      ASSERT_EQ(::pipe(pipe), 0);
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) crashChild(flush, m.mode, m.seed, pipe[1]);
      ::close(pipe[1]);
      char report[2] = {0, 0};
      const bool told = ::read(pipe[0], report, 2) == 2;
      ::close(pipe[0]);
      (void)waitStatus(child);
      ASSERT_TRUE(told) << where << ": the child said nothing";
      if (report[0] == 'n') {
        EXPECT_GT(flush, 4u) << "a two-file commit flushes more often";
        break;
      }
      // brk looks at the torn cases, the hardest for a reader.
      const bool withBrk = m.mode == CrashMode::TearUnflushed;
      ++outcomes[expectBeforeOrAfter(report[1] == 'p', where, withBrk) ? 1 : 0];
      if (HasFatalFailure()) return;
    }
  }
  // Both outcomes occur: the crashes fall on both sides of the commit point.
  EXPECT_GT(outcomes[0], 0);
  EXPECT_GT(outcomes[1], 0);
}

}  // namespace
}  // namespace dw::app::testing
