// The data directory's scheduler lock: one holder at a time, across open
// files of one process as across processes, and free again when the holder
// goes.
#include "app/scheduler/data_directory_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "runtime/platform/posix_platform.h"

namespace dw::app {
namespace {

class DataDirectoryLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("dwlock." + std::to_string(::getpid()) + "." +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
    m_old = dw::platform::platform().currentDirectory();
    ASSERT_TRUE(dw::platform::platform().setCurrentDirectory(m_dir.string()));
  }
  void TearDown() override {
    (void)dw::platform::platform().setCurrentDirectory(m_old);
    std::filesystem::remove_all(m_dir);
  }
  std::filesystem::path m_dir;
  std::string m_old;
};

TEST_F(DataDirectoryLockTest, OneHolderAtATimeAndFreeAgainWhenItGoes) {
  bool taken = true;
  std::string error;
  auto first = lockDataDirectory(&taken, &error);
  ASSERT_NE(first, nullptr) << error;
  EXPECT_FALSE(taken);
  EXPECT_TRUE(std::filesystem::exists(m_dir / kSchedulerLockFile));

  auto second = lockDataDirectory(&taken, &error);
  EXPECT_EQ(second, nullptr);
  EXPECT_TRUE(taken);
  EXPECT_TRUE(error.empty());

  // Another process sees it taken as well.
  pid_t child = ::fork();
  if (child == 0) {
    bool held = false;
    std::string e;
    auto f = lockDataDirectory(&held, &e);
    ::_exit(f == nullptr && held ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  first.reset();  // the holder ends
  auto third = lockDataDirectory(&taken, &error);
  EXPECT_NE(third, nullptr);
  EXPECT_FALSE(taken);
}

TEST_F(DataDirectoryLockTest, AHolderThatDiedLeavesTheLockFree) {
  pid_t child = ::fork();
  if (child == 0) {
    bool held = false;
    std::string e;
    auto f = lockDataDirectory(&held, &e);
    if (!f) ::_exit(1);
    ::kill(::getpid(), SIGKILL);  // a crash, with the lock held
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  bool taken = true;
  std::string error;
  EXPECT_NE(lockDataDirectory(&taken, &error), nullptr);
  EXPECT_FALSE(taken);
}

}  // namespace
}  // namespace dw::app
