// Window positions through a real DORN.INI in a temporary profile
// directory: what a close writes, what an open makes of what is stored.
#include "app/routines/window_position.h"

#include <gtest/gtest.h>

#include <fstream>

#include "runtime/platform/profile.h"
#include "runtime/platform/test_platform.h"
#include "tests/platform/temp_dir.h"

namespace dw::app {
namespace {

class WindowPositionTest : public ::testing::Test {
 protected:
  WindowPositionTest() : m_scope(m_platform) { m_platform.setProfileDirectory(m_dir.path()); }
  void write(const std::string& content) {
    std::ofstream(m_dir.file("DORN.INI"), std::ios::binary) << content;
  }
  std::string stored(const char* key) {
    return platform::getProfileString("Setup", key, "<absent>", "DORN.INI");
  }
  platform::testing::TempDir m_dir;
  platform::TestPlatform m_platform;
  platform::ScopedPlatform m_scope;
};

TEST_F(WindowPositionTest, ANormalWindowWritesAllFiveKeysAndReadsThemBack) {
  ASSERT_TRUE(writePlacement("Setup", {10, 20, 300, 200, false, false}, "DORN.INI").ok());
  EXPECT_EQ(stored("XPosit"), "10");
  EXPECT_EQ(stored("YPosit"), "20");
  EXPECT_EQ(stored("Width"), "300");
  EXPECT_EQ(stored("Height"), "200");
  EXPECT_EQ(stored("Maximize"), "No");
  RestorePlan expected;
  expected.x = 10;
  expected.y = 20;
  expected.width = 300;
  expected.height = 200;
  EXPECT_EQ(readPlacement("Setup", false, true, "DORN.INI"), expected);
  // A window that cannot be resized keeps its size.
  expected.width.reset();
  expected.height.reset();
  EXPECT_EQ(readPlacement("Setup", false, false, "DORN.INI"), expected);
}

TEST_F(WindowPositionTest, AMinimisedWindowKeepsItsLastSavedPosition) {
  write("[Setup]\nXPosit=7\nYPosit=8\nWidth=90\nHeight=60\nMaximize=Yes\n");
  ASSERT_TRUE(writePlacement("Setup", {0, 0, 0, 0, false, true}, "DORN.INI").ok());
  EXPECT_EQ(stored("Maximize"), "No");
  EXPECT_EQ(stored("XPosit"), "7");
  EXPECT_EQ(stored("Height"), "60");
}

TEST_F(WindowPositionTest, APositionTheSystemChoseIsNotWritten) {
  write("[Setup]\nXPosit=7\nYPosit=8\n");
  const std::int32_t system = static_cast<std::int32_t>(0x80000000u);
  ASSERT_TRUE(writePlacement("Setup", {system, system, 90, 60, false, false}, "DORN.INI").ok());
  EXPECT_EQ(stored("XPosit"), "7");
  EXPECT_EQ(stored("YPosit"), "8");
  EXPECT_EQ(stored("Width"), "90");
  EXPECT_EQ(stored("Height"), "60");
}

TEST_F(WindowPositionTest, AWindowClosedMaximisedReopensMaximised) {
  ASSERT_TRUE(writePlacement("Setup", {5, 6, 70, 80, true, false}, "DORN.INI").ok());
  EXPECT_EQ(stored("Maximize"), "Yes");
  EXPECT_TRUE(readPlacement("Setup", false, true, "DORN.INI").maximize);
  // Already maximised: only the maximised state is restored.
  RestorePlan onlyMaximize;
  onlyMaximize.maximize = true;
  EXPECT_EQ(readPlacement("Setup", true, true, "DORN.INI"), onlyMaximize);
}

TEST_F(WindowPositionTest, AZeroOrMissingValueEndsTheRestoreWhereItStands) {
  struct Case {
    const char* ini;
    bool moves, resizes, maximizes;
  };
  const Case cases[] = {
      {"", false, false, false},
      {"[Setup]\nMaximize=Yes\n", false, false, false},  // no XPosit: nothing at all
      {"[Setup]\nXPosit=0\nYPosit=5\nMaximize=Yes\n", false, false, false},
      {"[Setup]\nXPosit=4\nMaximize=Yes\n", false, false, false},  // no YPosit
      {"[Setup]\nXPosit=4\nYPosit=5\nHeight=9\nMaximize=Yes\n", false, false, false},
      {"[Setup]\nXPosit=4\nYPosit=5\nWidth=8\nHeight=0\n", false, false, false},
      {"[Setup]\nXPosit=-4\nYPosit=5\nWidth=8\nHeight=9\nMaximize=yes\n", true, true, false},
      {"[Setup]\nXPosit=4\nYPosit=5\nWidth=8\nHeight=9\nMaximize=Yes\n", true, true, true},
  };
  for (const Case& c : cases) {
    write(c.ini);
    const RestorePlan plan = readPlacement("Setup", false, true, "DORN.INI");
    EXPECT_EQ(plan.x.has_value(), c.moves) << c.ini;
    EXPECT_EQ(plan.width.has_value(), c.resizes) << c.ini;
    EXPECT_EQ(plan.maximize, c.maximizes) << c.ini;
  }
}

TEST_F(WindowPositionTest, SectionsOfOtherWindowsAreLeftAlone) {
  write("[ShowMessage]\nXPosit=1\nYPosit=2\n[Settings]\nStartUpActive=1\n");
  ASSERT_TRUE(writePlacement("Setup", {3, 4, 5, 6, false, false}, "DORN.INI").ok());
  EXPECT_EQ(platform::getProfileString("ShowMessage", "XPosit", "", "DORN.INI"), "1");
  EXPECT_EQ(platform::getProfileString("Settings", "StartUpActive", "", "DORN.INI"), "1");
}

}  // namespace
}  // namespace dw::app
