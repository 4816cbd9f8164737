// The environment file: every key, quoting, case of keys, Ctrl-Z, OEM
// values, the name "WINDOWS", a missing file; and the start-up clock
// functions through a test platform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "runtime/lang/chartab.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/env_file.h"
#include "runtime/lang/errors.h"
#include "runtime/lang/intl.h"
#include "runtime/lang/picture.h"
#include "runtime/platform/test_platform.h"

namespace dw::lang {
namespace {

class EnvFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("dwenv_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
    reset();
  }
  void TearDown() override {
    reset();
    std::filesystem::remove_all(m_dir);
  }
  static void reset() {
    resetLanguageTables();
    resetCharTables();
    clearMessageOverrides();
    clearError();
  }
  std::string write(const std::string& content) {
    std::string path = (m_dir / "DORN.ENV").string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::filesystem::path m_dir;
};

const int k5Jan1996 = 71230;

TEST_F(EnvFileTest, MonthNamesMarkersAndMessages) {
  ASSERT_TRUE(loadEnvironmentFile(
      write("VELMONTH=Januar,Februar,\"M\xE4rz\",April,Mai,Juni,Juli,August,September,Oktober,"
            "November,Dezember\r\n"
            "velmon = Jan, Feb, M\xE4r, Apr, Mai, Jun, Jul, Aug, Sep, Okt, Nov, Dez\n"
            "VEL AMPM=vorm,nachm\t \n"
            "VELMSG35=Satz fehlt, leider\n"
            "VELMSG36=\"Quoted, kept\", ignored\n"
            "VELBUTTON=&Ja,&Nein,\"&Abbrechen\"\n"
            "no equals sign here\n"
            "VELUNKNOWN=whatever\n")));
  EXPECT_EQ(format(k5Jan1996 + 60, "@d4"), "M\xE4rz  5, 1996");
  EXPECT_EQ(format(k5Jan1996 + 60, "@d3"), "M\xE4R  5, 1996");
  EXPECT_EQ(deformat("okt 3, 1996", "@d3").number, dayNumberOf({1996, 3, 10}));
  EXPECT_EQ(format(timeValueOf({9, 0, 0, 0}), "@t3"), " 9:00vo");
  EXPECT_EQ(deformat(" 9:00na", "@t3").number, timeValueOf({21, 0, 0, 0}));
  postError(35);
  EXPECT_EQ(errorText(), "Satz fehlt, leider");
  EXPECT_EQ(messageText(36), "Quoted, kept");
  EXPECT_EQ(messageText(32512), "&Ja");
  EXPECT_EQ(messageText(32514), "&Abbrechen");
  EXPECT_EQ(errorCode(), 35);
}

TEST_F(EnvFileTest, CutsAndLimits) {
  ASSERT_TRUE(
      loadEnvironmentFile(write("VELMONTH=ThirteenLetters,,X\n"
                                "VELMON=Janu\n"
                                "VELAMPM=ante,post\n"
                                "VELMSG37=" +
                                std::string(300, 'z') + "\n")));
  EXPECT_EQ(monthName(1), "ThirteenLett");
  EXPECT_EQ(monthName(2), "February");  // an empty item keeps the name
  EXPECT_EQ(monthName(3), "X");
  EXPECT_EQ(monthAbbreviation(1), "Jan");
  EXPECT_EQ(amMarker(), "an");
  EXPECT_EQ(pmMarker(), "po");
  EXPECT_EQ(messageText(37), std::string(79, 'z'));
}

TEST_F(EnvFileTest, CtrlZEndsTheFile) {
  ASSERT_TRUE(loadEnvironmentFile(write("VELMSG35=first\n\x1AVELMSG36=after\n")));
  EXPECT_EQ(messageText(35), "first");
  EXPECT_EQ(messageText(36), "Invalid Data File");
}

TEST_F(EnvFileTest, CaseCollationAndDigraphs) {
  ASSERT_TRUE(
      loadEnvironmentFile(write("VELCASE=\"\xC4\xD6\xDC\",\"\xE4\xF6\xFC\"\n"
                                "VELCOLSEQ=\"AaBbCcDdEe\"\n"
                                "VELDIGRAPH=\xDFss\n")));
  EXPECT_EQ(upper("\xE4\xF6\xFC"), "\xC4\xD6\xDC");
  EXPECT_LT(compareStrings("a", "B"), 0);
  EXPECT_EQ(compareStrings("Stra\xDF"
                           "e",
                           "Strasse"),
            0);
}

TEST_F(EnvFileTest, OemValuesAreConverted) {
  // 0x84 is a-umlaut in the OEM code page, 0xE4 in the Windows set.
  ASSERT_TRUE(loadEnvironmentFile(write("VELCHARSET=OEM\nVELMONTH=J\x84n\n")));
  EXPECT_EQ(monthName(1), "J\xE4n");
}

TEST_F(EnvFileTest, WindowsNameTakesThePlatformTables) {
  IntlSettings s;
  s.s1159 = "am";
  s.s2359 = "pm";
  setIntlSettings(s);
  ASSERT_TRUE(loadEnvironmentFile("WINDOWS"));
  EXPECT_EQ(amMarker(), "am");
  EXPECT_EQ(toUpper('\xE9'), '\xC9');
  EXPECT_LT(compareStrings("b", "C"), 0);
}

TEST_F(EnvFileTest, MissingFilePostsFileNotFound) {
  EXPECT_FALSE(loadEnvironmentFile((m_dir / "NOPE.ENV").string()));
  EXPECT_EQ(errorCode(), 2);
  EXPECT_EQ(errorText(), "File Not Found");
  EXPECT_FALSE(loadEnvironmentFile(m_dir.string()));  // a directory
  EXPECT_EQ(monthName(1), "January");
}

TEST_F(EnvFileTest, MalformedLinesNeverHurt) {
  ASSERT_TRUE(loadEnvironmentFile(write(
      "=\n==\nVELMSG=x\nVELMSGabc=x\nVELMSG99999999999=x\nVELCASE=abc\nVELCASE=\"\xC4\",\"\"\n"
      "VELAMPM=\nVELMONTH=\"unterminated\nVELDIGRAPH=,,,\n" +
      std::string(5000, ',') + "\n")));
  EXPECT_EQ(monthName(1), "unterminated");
  EXPECT_EQ(amMarker(), "");
}

TEST(Clock, TodayAndClockReadThePlatform) {
  platform::TestPlatform test;
  platform::ScopedPlatform scoped(test);
  test.setNow({1996, 1, 5, 13, 30, 15, 999, 5});
  EXPECT_EQ(today(), k5Jan1996);
  EXPECT_EQ(clockTime(), timeValueOf({13, 30, 15, 99}));
  test.setNow({2000, 1, 1, 0, 0, 0, 0, 6});
  EXPECT_EQ(clockTime(), 1);  // midnight is a time, not "no time"
}

}  // namespace
}  // namespace dw::lang

namespace dw::lang {
namespace {

// The [intl] section of WIN.INI in the profile directory shapes the locale
// pictures; missing keys keep their defaults.
TEST_F(EnvFileTest, LocaleSettingsFromWinIni) {
  const char* old = std::getenv("DORNWATCH_CONFIG");
  std::string saved = old ? old : "";
  setenv("DORNWATCH_CONFIG", m_dir.c_str(), 1);
  std::ofstream(m_dir / "WIN.INI") << "[Intl]\r\niTime=1\r\nsShortDate=yyyy-MM-dd\r\niTLzero=x\r\n";
  loadIntlSettings();
  if (old) {
    setenv("DORNWATCH_CONFIG", saved.c_str(), 1);
  } else {
    unsetenv("DORNWATCH_CONFIG");
  }
  EXPECT_EQ(intlSettings().iTime, 1);
  EXPECT_EQ(intlSettings().iTLzero, 1);  // not a number: the default
  EXPECT_EQ(format(k5Jan1996, "@d17"), "1996-01-05");
  EXPECT_EQ(format(timeValueOf({15, 4, 0, 0}), "@t7"), "15:04");
  EXPECT_EQ(format(k5Jan1996, "@d18"), "January 05, 1996");
}

}  // namespace
}  // namespace dw::lang
