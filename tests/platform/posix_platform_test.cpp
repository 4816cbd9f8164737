// The real platform's clock, directories and temporary files.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "runtime/platform/posix_platform.h"
#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::TempDir;

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (m_old)
      ::setenv(m_name, m_old->c_str(), 1);
    else
      ::unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

TEST(PosixPlatformClock, NowIsPlausibleAndHundredthsAdvance) {
  PosixPlatform p;
  LocalTime t = p.now();
  EXPECT_GE(t.year, 2020);
  EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31);
  EXPECT_TRUE(t.millisecond >= 0 && t.millisecond <= 999);
  EXPECT_TRUE(t.weekday >= 0 && t.weekday <= 6);
  std::uint32_t h0 = p.hundredthsSinceStart();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_GE(p.hundredthsSinceStart(), h0 + 2);
}

TEST(PosixPlatformDirs, CurrentDirectoryRoundTripAndFailure) {
  TempDir dir;
  PosixPlatform p;
  std::string old = p.currentDirectory();
  ASSERT_FALSE(old.empty());
  ASSERT_TRUE(p.setCurrentDirectory(dir.path()).ok());
  char real[4096];
  ASSERT_NE(::realpath(dir.path().c_str(), real), nullptr);
  EXPECT_EQ(p.currentDirectory(), real);
  EXPECT_EQ(p.setCurrentDirectory(dir.file("missing")).error(), kPathNotFound);
  EXPECT_EQ(p.setCurrentDirectory("").error(), kPathNotFound);
  EXPECT_EQ(p.currentDirectory(), real);
  ASSERT_TRUE(p.setCurrentDirectory(old).ok());
}

TEST(PosixPlatformDirs, ProfileDirectoryOrderAndCreation) {
  TempDir dir;
  PosixPlatform p;
  {
    ScopedEnv a("DORNWATCH_CONFIG", dir.file("cfg/deep").c_str());
    EXPECT_EQ(p.profileDirectory(), dir.file("cfg/deep"));
    struct stat st {};
    EXPECT_EQ(::stat(dir.file("cfg/deep").c_str(), &st), 0);
  }
  {
    ScopedEnv a("DORNWATCH_CONFIG", nullptr);
    ScopedEnv b("XDG_CONFIG_HOME", dir.file("xdg").c_str());
    EXPECT_EQ(p.profileDirectory(), dir.file("xdg/dornwatch"));
  }
  {
    ScopedEnv a("DORNWATCH_CONFIG", "");
    ScopedEnv b("XDG_CONFIG_HOME", nullptr);
    ScopedEnv c("HOME", dir.path().c_str());
    EXPECT_EQ(p.profileDirectory(), dir.file(".config/dornwatch"));
    EXPECT_TRUE(p.exists(dir.file(".config/dornwatch")));
  }
}

TEST(PosixPlatformDirs, TempFilesAreFreshAndInTmpdir) {
  TempDir dir;
  PosixPlatform p;
  ScopedEnv a("TMPDIR", dir.path().c_str());
  auto t1 = p.makeTempFile("pg/");
  auto t2 = p.makeTempFile("pg/");
  ASSERT_TRUE(t1.ok() && t2.ok());
  EXPECT_NE(*t1, *t2);
  EXPECT_EQ(t1->rfind(dir.path() + "/pg_", 0), 0u);
  EXPECT_TRUE(p.exists(*t1));
  ScopedEnv b("TMPDIR", dir.file("missing").c_str());
  EXPECT_FALSE(p.makeTempFile("x").ok());
}

TEST(PosixPlatformDirs, ExecutablePathIsThisProgram) {
  PosixPlatform p;
  std::string exe = p.executablePath();
  EXPECT_NE(exe.find("platform_tests"), std::string::npos) << exe;
}

TEST(PlatformInstance, ScopedPlatformSwapsAndRestores) {
  PosixPlatform mine;
  Platform* before = &platform();
  {
    ScopedPlatform scope(mine);
    EXPECT_EQ(&platform(), &mine);
  }
  EXPECT_EQ(&platform(), before);
}

}  // namespace
}  // namespace dw::platform
