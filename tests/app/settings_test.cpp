// Settings through real INI files in a temporary profile directory: the
// defaults of a new installation, the inverted keys, numbers read from
// text, the round trip through DORN.INI, and PELICAND.INI's advance-warning
// defaults.
#include "app/routines/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "app/data/records.h"
#include "runtime/lang/dates.h"
#include "runtime/platform/profile.h"
#include "runtime/platform/test_platform.h"
#include "tests/platform/temp_dir.h"

namespace dw::app {
namespace {

using platform::testing::TempDir;

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : m_scope(m_platform) { m_platform.setProfileDirectory(m_dir.path()); }

  void writeFile(const std::string& name, const std::string& content) {
    std::ofstream(m_dir.file(name), std::ios::binary) << content;
  }
  std::string readFile(const std::string& name) {
    std::ifstream in(m_dir.file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string stored(const char* key) {
    return platform::getProfileString(kSettingsSection, key, "<absent>", kIniFile);
  }

  TempDir m_dir;
  platform::TestPlatform m_platform;
  platform::ScopedPlatform m_scope;
};

TEST_F(SettingsTest, ANewInstallationOpensTheScheduleAndRunsTheScheduler) {
  const Settings s = readSettings();
  EXPECT_EQ(s, Settings{});
  EXPECT_EQ(s.historyExpires, 0);
  EXPECT_TRUE(s.startUpSchedule);
  EXPECT_TRUE(s.startUpActive);
  EXPECT_FALSE(s.startUpToDo || s.startUpMinimized || s.fullSchedule || s.hideToolbar);
  EXPECT_FALSE(std::filesystem::exists(m_dir.file(kIniFile)));  // reading creates nothing
  // A file without the section reads the same.
  writeFile(kIniFile, "[Setup]\nXPosit=3\n");
  EXPECT_EQ(readSettings(), Settings{});
}

struct FlagCase {
  const char* stored;
  bool invertedOn;  // StartUpSchedule, StartUpActive
  bool plainOn;     // the other flags
};

TEST_F(SettingsTest, StoredTextsAsFlags) {
  const FlagCase cases[] = {
      {"", true, false},   {"0", true, false},   {"1", false, true},       {"7", true, true},
      {"-1", true, true},  {" 1", false, true},  {"1.9", false, true},     {"0.5", true, false},
      {"01", false, true}, {"yes", true, false}, {"2 apples", true, true}, {"\"1\"", false, true},
  };
  for (const FlagCase& c : cases) {
    const std::string v = c.stored;
    writeFile(kIniFile, "[Settings]\nStartUpSchedule=" + v + "\nStartUpActive=" + v +
                            "\nStartUpToDo=" + v + "\nStartUpMinimized=" + v +
                            "\nFullSchedule=" + v + "\nHideToolbar=" + v + "\n");
    const Settings s = readSettings();
    EXPECT_EQ(s.startUpSchedule, c.invertedOn) << "'" << v << "'";
    EXPECT_EQ(s.startUpActive, c.invertedOn) << "'" << v << "'";
    EXPECT_EQ(s.startUpToDo, c.plainOn) << "'" << v << "'";
    EXPECT_EQ(s.startUpMinimized, c.plainOn) << "'" << v << "'";
    EXPECT_EQ(s.fullSchedule, c.plainOn) << "'" << v << "'";
    EXPECT_EQ(s.hideToolbar, c.plainOn) << "'" << v << "'";
  }
}

TEST_F(SettingsTest, NumbersAreTheNumberATextStartsWith) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"30", 30},
      {"  30 days", 30},
      {"-3.7", -3},
      {"1e2", 100},
      {"x12", 0},
      {"", 0},
      {"99999999999", std::numeric_limits<std::int32_t>::max()},
      {"-99999999999", std::numeric_limits<std::int32_t>::min()},
  };
  for (const auto& [text, want] : cases) {
    EXPECT_EQ(iniNumber(text), want) << text;
    writeFile(kIniFile, std::string("[Settings]\nHistoryExpires=") + text + "\n");
    EXPECT_EQ(readSettings().historyExpires, want) << text;
  }
}

TEST_F(SettingsTest, EverySettingRoundTripsThroughTheFile) {
  for (int bits = 0; bits < 64; ++bits) {
    Settings s;
    s.historyExpires = bits * 7 - 100;
    s.startUpSchedule = bits & 1;
    s.startUpToDo = bits & 2;
    s.startUpActive = bits & 4;
    s.startUpMinimized = bits & 8;
    s.fullSchedule = bits & 16;
    s.hideToolbar = bits & 32;
    ASSERT_TRUE(writeSettings(s).ok());
    EXPECT_EQ(readSettings(), s) << bits;
  }
}

TEST_F(SettingsTest, InvertedSettingsAreStoredAsOneMinusTheSetting) {
  writeFile(kIniFile, "[Setup]\r\nXPosit=10\r\n");
  Settings s;
  s.historyExpires = 30;
  s.startUpSchedule = false;
  s.startUpActive = true;
  s.hideToolbar = true;
  ASSERT_TRUE(writeSettings(s).ok());
  EXPECT_EQ(stored("HistoryExpires"), "30");
  EXPECT_EQ(stored("StartUpSchedule"), "1");
  EXPECT_EQ(stored("StartUpToDo"), "0");
  EXPECT_EQ(stored("StartUpActive"), "0");
  EXPECT_EQ(stored("StartUpMinimized"), "0");
  EXPECT_EQ(stored("FullSchedule"), "0");
  EXPECT_EQ(stored("HideToolbar"), "1");
  // The window sections stay as they were, and the keys come in their order.
  const std::string file = readFile(kIniFile);
  EXPECT_EQ(file.rfind("[Setup]\r\nXPosit=10\r\n", 0), 0u) << file;
  const char* order[] = {"HistoryExpires",   "StartUpSchedule", "StartUpToDo", "StartUpActive",
                         "StartUpMinimized", "FullSchedule",    "HideToolbar"};
  std::size_t at = 0;
  for (const char* key : order) {
    const std::size_t found = file.find(key, at);
    ASSERT_NE(found, std::string::npos) << key;
    at = found;
  }
}

TEST_F(SettingsTest, CancelReadsWhatTheFileHoldsNotWhatMemoryHeld) {
  writeFile(kIniFile, "[Settings]\nHistoryExpires=5\nStartUpActive=1\n");
  loadSettings();
  EXPECT_EQ(settings().historyExpires, 5);
  EXPECT_FALSE(settings().startUpActive);
  settings().historyExpires = 9;                          // changed in the Setup window...
  writeFile(kIniFile, "[Settings]\nHistoryExpires=6\n");  // ...and the file edited meanwhile
  loadSettings();                                         // Cancel
  EXPECT_EQ(settings().historyExpires, 6);
  EXPECT_TRUE(settings().startUpActive);
  settings().fullSchedule = true;
  ASSERT_TRUE(saveSettings().ok());  // OK
  EXPECT_EQ(stored("FullSchedule"), "1");
  EXPECT_EQ(stored("HistoryExpires"), "6");
  settings() = Settings{};
}

TEST_F(SettingsTest, AFailedWriteIsReturned) {
  m_platform.failWritesAfter(0, platform::kDiskFull);
  Settings s;
  s.hideToolbar = true;
  EXPECT_FALSE(writeSettings(s).ok());
  m_platform.clearFaults();
  EXPECT_EQ(readSettings(), Settings{});
}

TEST_F(SettingsTest, AdvanceWarningDefaultsAreReadAndNeverWritten) {
  EXPECT_EQ(readAdvanceWarningDefaults(), AdvanceWarningDefaults{});
  EXPECT_FALSE(std::filesystem::exists(m_dir.file(kWarningIniFile)));
  const std::string content = "[Warning]\nActive=1\nDateWarning=2\nTimeWarning=360000\n";
  writeFile(kWarningIniFile, content);
  const AdvanceWarningDefaults d = readAdvanceWarningDefaults();
  EXPECT_TRUE(d.active);
  EXPECT_EQ(d.dateWarning, 2);
  EXPECT_EQ(d.timeWarning, 360000);
  EXPECT_EQ(readFile(kWarningIniFile), content);
  writeFile(kWarningIniFile, "[Warning]\nActive=0\nDateWarning=2\n");
  EXPECT_FALSE(readAdvanceWarningDefaults().active);
  writeFile(kWarningIniFile, "[Warning]\nActive=\n");
  EXPECT_FALSE(readAdvanceWarningDefaults().active);
}

TEST(Purge, CompletedRecordsExpireAfterTheSetNumberOfDays) {
  const int today = lang::date(6, 10, 2024);
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  struct Case {
    std::int32_t date, expires;
    bool expired;
  };
  const Case cases[] = {
      {today - 31, 30, true}, {today - 30, 30, false},  {today + 2, -3, true},
      {today + 3, -3, false}, {today - 1, kMax, false}, {kMax, kMax, false},
      {-kMax, -kMax, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(completedRecordExpired(c.date, c.expires, today), c.expired)
        << c.date - today << " days, expires " << c.expires;
}

TEST(AdvanceWarning, KeepsItsDistanceFromTheTask) {
  const int day = lang::date(6, 10, 2024);
  auto at = [](int h, int m) { return lang::timeValueOf({h, m, 0, 0}); };
  struct Case {
    const char* name;
    int date, time, dateWarning, timeWarning;
    int warnDate, warnTime;
  };
  const Case cases[] = {
      {"a day and two hours", day, at(10, 0), 1, 720000, day - 1, at(8, 0)},
      {"days only", day, at(10, 0), 3, 0, day - 3, at(10, 0)},
      {"before midnight", day, at(1, 0), 0, 720000, day - 1, at(23, 0)},
      {"to the hundredth", day, 1, 0, 1, day - 1, lang::kLastTime},
      {"more than a day", day, at(12, 0), 0, 2 * lang::kLastTime, day - 2, at(12, 0)},
      {"negative: after", day, at(23, 0), 0, -720000, day + 1, at(1, 0)},
      {"task without time", day, 0, 0, 360000, day - 1, at(23, 0) - 1},
  };
  for (const Case& c : cases) {
    ScheduleRecord r;
    std::memset(&r, 0, sizeof r);
    r.Date = c.date;
    r.Time = c.time;
    ASSERT_TRUE(applyAdvanceWarningDefaults(r, {true, c.dateWarning, c.timeWarning})) << c.name;
    EXPECT_EQ(r.AdvanceWarnDate, c.warnDate) << c.name;
    EXPECT_EQ(r.AdvanceWarnTime, c.warnTime) << c.name;
  }
  ScheduleRecord r;
  std::memset(&r, 0, sizeof r);
  r.Date = day;
  EXPECT_FALSE(applyAdvanceWarningDefaults(r, {false, 1, 1}));
  EXPECT_EQ(r.AdvanceWarnDate, 0);
}

}  // namespace
}  // namespace dw::app
