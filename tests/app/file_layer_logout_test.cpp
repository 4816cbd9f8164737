// LOGOUT through the file layer between two processes: each transaction
// over SM.BRK and TagFile_.BRK takes the files' locks when it starts, in
// the order LOGOUT names them, so two that then write the files in opposite
// orders both complete one after the other instead of waiting for each
// other for ever; and a LOGOUT that cannot have a file within its seconds
// gives 32 and leaves no transaction behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "file_layer_test_util.h"

namespace dw::app::testing {
namespace {

// Waits for a child at most `seconds`; its exit code, or -1 when it had to
// be killed (it was stuck) or did not exit.
int exitWithin(pid_t child, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(child, &status, WNOHANG);
    if (r == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (r < 0 || std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return -1;
}

void addTag(std::int32_t ptr) {
  TF_().clear();
  TF_()->USR = 1;
  TF_()->PTR = ptr;
  TF_()->VAL = "t";
}

class FileLayerLogout : public DataDirTest {
 protected:
  bool inMemory() const override { return true; }
  void SetUp() override {
    DataDirTest::SetUp();
    ASSERT_EQ(SCH().open(kCreateShared), 0);
    ASSERT_EQ(TF_().open(kCreateShared), 0);
    ASSERT_EQ(SCH().close(), 0);
    ASSERT_EQ(TF_().close(), 0);
  }
};

TEST_F(FileLayerLogout, TransactionsWritingInOppositeOrdersBothComplete) {
  int opened[2], go[2];
  ASSERT_EQ(::pipe(opened), 0);
  ASSERT_EQ(::pipe(go), 0);
  pid_t children[2];
  for (int who = 0; who < 2; ++who) {
    children[who] = ::fork();
    ASSERT_GE(children[who], 0);
    if (children[who] != 0) continue;
    std::mt19937 rng(who);
    // Both stations have the files open before either starts (opening
    // reads a file, which waits for a writer's lock).
    int rc = SCH().open(kShared) | TF_().open(kShared);
    char c = 'o';
    (void)!::write(opened[1], &c, 1);
    (void)!::read(go[0], &c, 1);
    if (rc == 0) rc = db::logout(-1, {&SCH(), &TF_()});
    for (int step = 0; step < 2 && rc == 0; ++step) {
      if ((step == 0) == (who == 0)) {
        fillTask(SCH(), 1 + who, rng);
        rc = SCH().add();
      } else {
        addTag(1 + who);
        rc = TF_().add();
      }
      // Both have written their first file before either writes its second.
      if (step == 0) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    if (rc == 0) rc = db::commit();
    _exit(rc == 0 ? 0 : 1);
  }
  char c;
  ASSERT_EQ(::read(opened[0], &c, 1), 1);
  ASSERT_EQ(::read(opened[0], &c, 1), 1);
  ASSERT_EQ(::write(go[1], "gg", 2), 2);
  for (pid_t child : children) {
    EXPECT_EQ(exitWithin(child, 30), 0) << "the two transactions waited for each other";
  }
  for (int fd : {opened[0], opened[1], go[0], go[1]}) ::close(fd);
  ASSERT_EQ(SCH().open(kShared), 0);
  ASSERT_EQ(TF_().open(kShared), 0);
  EXPECT_EQ(SCH().records(), 2);
  EXPECT_EQ(TF_().records(), 2);
}

TEST_F(FileLayerLogout, ALogoutThatCannotHaveItsFilesGives32) {
  int go[2], ready[2], quit[2];
  ASSERT_EQ(::pipe(go), 0);
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(quit), 0);
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    std::mt19937 rng(5);
    char c = 0;
    (void)!::read(go[0], &c, 1);
    int rc = SCH().open(kShared);
    if (rc == 0) rc = db::logout(-1, {&SCH()});
    fillTask(SCH(), 7, rng);
    if (rc == 0) rc = SCH().add();  // SM.BRK is now this station's
    c = rc == 0 ? 'r' : 'x';
    (void)!::write(ready[1], &c, 1);
    (void)!::read(quit[0], &c, 1);
    _exit(rc == 0 && db::commit() == 0 ? 0 : 1);
  }
  // Open both files before the other takes SM.BRK (opening reads it).
  ASSERT_EQ(SCH().open(kShared), 0);
  ASSERT_EQ(TF_().open(kShared), 0);
  char c = 'g';
  ASSERT_EQ(::write(go[1], &c, 1), 1);
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'r');
  // The tag file is free, SM.BRK is the other's: nothing stays enlisted.
  EXPECT_EQ(db::logout(1, {&TF_(), &SCH()}), 32);
  EXPECT_EQ(lang::errorCode(), 32);
  EXPECT_EQ(db::commit(), -1);
  addTag(1);
  EXPECT_EQ(TF_().add(), 0) << "the tag file is not held by a transaction";
  c = 'q';
  ASSERT_EQ(::write(quit[1], &c, 1), 1);
  EXPECT_EQ(exitWithin(other, 30), 0);
  // Now the files are free: the same LOGOUT goes through.
  ASSERT_EQ(db::logout(1, {&TF_(), &SCH()}), 0);
  addTag(2);
  EXPECT_EQ(TF_().add(), 0);
  EXPECT_EQ(db::commit(), 0);
  EXPECT_EQ(SCH().records(), 1);
  EXPECT_EQ(TF_().records(), 2);
  for (int fd : {go[0], go[1], ready[0], ready[1], quit[0], quit[1]}) ::close(fd);
}

}  // namespace
}  // namespace dw::app::testing
