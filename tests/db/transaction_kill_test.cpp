// Real processes: a child runs a two-file transaction on shared files and
// kills itself with SIGKILL at a chosen step of the commit; the parent then
// opens both files and finds both as before (killed before the commit
// point) or both as after (killed after it), sound, and the control file
// listing the number exactly while the transaction is unfinished.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "transaction_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

struct KillCase {
  CommitStep step;
  std::size_t file;
  bool expectAfter;
};

// The child: the transaction of Pair::change on shared files, killed at
// the step.  Never returns.
[[noreturn]] void runChild(Pair& p, const KillCase& k) {
  Transaction& t = Transaction::process();
  t.setControlFileName(p.control);
  p.change(t, false, Locking::Shared);
  t.setStepHook([&](CommitStep s, std::size_t i) {
    if (s == k.step && i == k.file) ::raise(SIGKILL);
  });
  (void)t.commit();
  _exit(3);  // the step never came
}

TEST(TransactionKillTest, KilledCommitLeavesBothFilesBeforeOrBothAfter) {
  const std::vector<KillCase> cases = {
      {CommitStep::NumberListed, 0, false}, {CommitStep::FilePrepared, 0, false},
      {CommitStep::FilePrepared, 1, false}, {CommitStep::CommitPoint, 0, true},
      {CommitStep::FileApplied, 0, true},
  };
  for (const KillCase& k : cases) {
    const std::string where =
        "step " + std::to_string(int(k.step)) + " file " + std::to_string(k.file);
    TempDir dir;
    Pair p(dir);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) runChild(p, k);
    p.expectChange();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where;

    // The parent's view, as a reader first (any file object, without
    // asking for it, recovers with the transaction test) and then as writers.
    const std::vector<std::uint32_t> listed = listedNumbers(p.control);
    EXPECT_EQ(listed.size(), k.expectAfter ? 0u : 1u) << where;
    auto ra = openBrisk(p.a, txnOptions(true, Locking::Shared));
    ASSERT_EQ(ra->refreshHeader(), 0);
    EXPECT_EQ(contentOf(*ra), k.expectAfter ? p.afterA : p.beforeA) << where;
    ra->release();
    ra.reset();
    EXPECT_TRUE(k.expectAfter ? p.bothAfter(Locking::Shared) : p.bothBefore(Locking::Shared))
        << where;
    for (const std::string& path : {p.a, p.b}) {
      auto f = openWithRecovery(path, false, Locking::Shared);
      ASSERT_EQ(f->refreshHeader(), 0);
      auto mark = readTransactionMark(*f);
      // The transaction entry exists only in the completed state.
      EXPECT_EQ(mark.has_value(), k.expectAfter) << where << " " << path;
      if (mark && !listed.empty()) {
        EXPECT_NE(mark->number, listed.front());
      }
      f->release();
    }
  }
}

// A later transaction after a killed one: the stale number stays listed,
// and the new commit takes another number and completes.
TEST(TransactionKillTest, TransactionAfterAKilledOneCommits) {
  TempDir dir;
  Pair p(dir);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) runChild(p, {CommitStep::FilePrepared, 1, false});
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  const auto stale = listedNumbers(p.control);
  ASSERT_EQ(stale.size(), 1u);

  Transaction t;
  t.setControlFileName(p.control);
  p.afterA = p.beforeA;
  p.afterB = p.beforeB;
  p.change(t, false, Locking::Shared);  // recovers both files on first access
  ASSERT_EQ(t.commit(), 0);
  EXPECT_NE(t.lastNumber(), stale.front());
  p.close();
  EXPECT_TRUE(p.bothAfter(Locking::Shared));
  EXPECT_EQ(listedNumbers(p.control), stale);
}

bool readyWithin(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, ms) == 1;
}

// A reader in another process that meets the pending copies of a commit in
// progress (files without a lock at refresh) waits on the control file
// until the commit point has passed, and then reads the state after.
TEST(TransactionKillTest, RecoveryElsewhereWaitsForACommitInProgress) {
  TempDir dir;
  Pair p(dir);
  int prepared[2], go[2], seen[2];
  ASSERT_EQ(pipe(prepared), 0);
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(seen), 0);
  const pid_t committer = fork();
  ASSERT_GE(committer, 0);
  if (committer == 0) {
    Transaction& t = Transaction::process();
    t.setControlFileName(p.control);
    p.change(t, false, Locking::ExclusiveWrites);
    t.setStepHook([&](CommitStep s, std::size_t i) {
      if (s != CommitStep::FilePrepared || i != 1) return;
      char c = 'p';
      (void)!write(prepared[1], &c, 1);
      (void)!read(go[0], &c, 1);
    });
    _exit(t.commit() == 0 ? 0 : 1);
  }
  p.expectChange();
  char c = 0;
  ASSERT_EQ(read(prepared[0], &c, 1), 1);
  const pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    auto f = openWithRecovery(p.a, true, Locking::ExclusiveWrites);
    char verdict = 'x';
    if (f && f->refreshHeader() == 0) {
      const Model m = contentOf(*f);
      verdict = m == p.afterA ? 'a' : (m == p.beforeA ? 'b' : 'x');
    }
    (void)!write(seen[1], &verdict, 1);
    _exit(0);
  }
  // Not a timing assertion on success: a reader that did not wait would
  // answer at once with the state before.
  EXPECT_FALSE(readyWithin(seen[0], 300)) << "the reader did not wait for the commit";
  c = 'g';
  ASSERT_EQ(write(go[1], &c, 1), 1);
  ASSERT_TRUE(readyWithin(seen[0], 60000));
  ASSERT_EQ(read(seen[0], &c, 1), 1);
  EXPECT_EQ(c, 'a');
  int status = 0;
  ASSERT_EQ(waitpid(committer, &status, 0), committer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(waitpid(reader, &status, 0), reader);
  for (int fd : {prepared[0], prepared[1], go[0], go[1], seen[0], seen[1]}) close(fd);
  EXPECT_TRUE(p.bothAfter(Locking::ExclusiveWrites));
}

// Two processes running transactions over the same two shared files (each
// taking the files in the same order): every transaction of both is in
// both files at the end, and the counter kept in both agrees.
TEST(TransactionKillTest, TwoProcessesCommitTransactionsOverTheSameFiles) {
  constexpr int kRounds = 20;
  TempDir dir;
  Pair p(dir);
  auto counterOf = [](BriskFile& f) {
    auto e = findEqual(f, "count");
    return e ? std::stoi(std::string(e->data())) : 0;
  };
  std::vector<pid_t> children;
  for (int id = 0; id < 2; ++id) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child != 0) {
      children.push_back(child);
      continue;
    }
    Transaction& t = Transaction::process();
    t.setControlFileName(p.control);
    auto fa = openBrisk(p.a, txnOptions(true, Locking::Shared));
    auto fb = openBrisk(p.b, txnOptions(true, Locking::Shared));
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
      bool inA = false, inB = false;
      if (logoutTable(t, *fa, inA) != 0 || logoutTable(t, *fb, inB) != 0) ++failures;
      if (fa->refreshHeader() != 0 || fb->refreshHeader() != 0) ++failures;
      const int next = counterOf(*fa) + 1;
      if (counterOf(*fb) + 1 != next) ++failures;
      const std::string mine = "p" + std::to_string(id) + "-" + std::to_string(round);
      for (BriskFile* f : {fa.get(), fb.get()}) {
        (void)deleteEntry(*f, "count");
        insertEntry(*f, Entry("count" + std::to_string(next), 5));
        insertEntry(*f, Entry::keyOnly(mine));
      }
      if (commitTable(t, inA) != 0 || commitTable(t, inB) != 0) ++failures;
    }
    _exit(failures == 0 ? 0 : 1);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const std::string& path : {p.a, p.b}) {
    auto f = openBrisk(path, txnOptions(true, Locking::Shared));
    ASSERT_EQ(f->refreshHeader(), 0);
    EXPECT_TRUE(sound(*f));
    EXPECT_EQ(counterOf(*f), 2 * kRounds) << path;
    for (int id = 0; id < 2; ++id) {
      for (int round = 0; round < kRounds; ++round) {
        EXPECT_TRUE(findEqual(*f, "p" + std::to_string(id) + "-" + std::to_string(round)));
      }
    }
    f->release();
  }
  EXPECT_TRUE(listedNumbers(p.control).empty());
}

}  // namespace
}  // namespace dw::db
