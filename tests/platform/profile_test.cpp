// INI files: reading rules, writes that keep the rest of the file, atomic
// replacement, and malformed input.
#include "runtime/platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "runtime/platform/test_platform.h"
#include "tests/platform/child.h"
#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::TempDir;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

class ProfileTest : public ::testing::Test {
 protected:
  ProfileTest() : m_scope(m_platform) { m_platform.setProfileDirectory(m_dir.path()); }
  std::string ini(const std::string& name = "DORN.INI") const { return m_dir.file(name); }

  TempDir m_dir;
  TestPlatform m_platform;
  ScopedPlatform m_scope;
};

struct ReadCase {
  const char* content;
  const char* section;
  const char* key;
  const char* expected;  // with default "dflt"
};

TEST_F(ProfileTest, ReadingRules) {
  const ReadCase cases[] = {
      {"[Settings]\nHistoryExpires=30\n", "Settings", "HistoryExpires", "30"},
      {"[settings]\nHISTORYEXPIRES=30\n", "SETTINGS", "historyexpires", "30"},  // case
      {"  [ Settings ]  \n  Key  =   spaced value  \n", "Settings", "Key", "spaced value"},
      {"[S]\nA=1\r", "S", "A", "1"},  // a file that ends in a lone carriage return
      {"[S]\nKey=first\nkey=second\n", "S", "Key", "first"},   // first duplicate wins
      {"[S]\nA=1\n[S]\nA=2\nB=3\n", "S", "B", "dflt"},         // first section only
      {"[S]\nKey=last line", "S", "Key", "last line"},         // no final newline
      {"[S]\r\nKey=crlf\r\n", "S", "Key", "crlf"},             // CR LF endings
      {"; [S]\n;Key=no\n[S]\n;Key=no\n", "S", "Key", "dflt"},  // comments
      {"[S]\nKey\nOther=1\n", "S", "Key", "dflt"},             // line without =
      {"[S]\n=value\n", "S", "", "dflt"},                      // empty key
      {"[S\nKey=open header\n", "S", "Key", "open header"},    // header without ]
      {"[T]\nKey=other section\n", "S", "Key", "dflt"},        // missing section
      {"[S]\nKey=\n", "S", "Key", ""},                         // empty value
      {"[S]\nKey=a=b\n", "S", "Key", "a=b"},                   // = in the value
      {"Key=before any section\n[S]\n", "S", "Key", "dflt"},
      {"[S]\nKey=nul\0inside\n", "S", "Key", "nul"},
      {"", "S", "Key", "dflt"},
      // Quotes: a matching pair around the value goes, and with it the
      // trimming of the blanks inside; anything else stays as it is.
      {"[S]\nKey = \"  spaced  \"  \n", "S", "Key", "  spaced  "},
      {"[S]\nKey='single'\n", "S", "Key", "single"},
      {"[S]\nKey=\"\"\n", "S", "Key", ""},
      {"[S]\nKey=''\n", "S", "Key", ""},
      {"[S]\nKey=\"\n", "S", "Key", "\""},  // a lone quote
      {"[S]\nKey='\n", "S", "Key", "'"},
      {"[S]\nKey=\"mixed'\n", "S", "Key", "\"mixed'"},  // unmatched pair
      {"[S]\nKey=\"open\n", "S", "Key", "\"open"},
      {"[S]\nKey=close\"\n", "S", "Key", "close\""},
      {"[S]\nKey=\"a\" and \"b\"\n", "S", "Key", "a\" and \"b"},  // outer pair only
      {"[S]\nKey=\"'inner'\"\n", "S", "Key", "'inner'"},          // one pair only
      {"[S]\nKey=say \"hi\"\n", "S", "Key", "say \"hi\""},
  };
  for (const ReadCase& c : cases) {
    std::string content = c.content;
    if (content.find("nul") != std::string::npos) content = std::string("[S]\nKey=nul\0x\n", 15);
    spit(ini(), content);
    EXPECT_EQ(getProfileString(c.section, c.key, "dflt", "DORN.INI"), c.expected) << c.content;
  }
}

TEST_F(ProfileTest, MissingFileGivesDefaultWithTrailingBlanksRemoved) {
  EXPECT_EQ(getProfileString("S", "K", "dflt  ", "NONE.INI"), "dflt");
  EXPECT_EQ(getProfileString("S", "K", "", m_dir.file("no/dir/x.ini")), "");
  EXPECT_FALSE(m_platform.exists(ini("NONE.INI")));
}

TEST_F(ProfileTest, LongValuesAreCutAndLongLinesDoNotHurt) {
  std::string value(5000, 'v');
  spit(ini(), "[S]\nK=" + value + "\nJ=ok\n" + std::string(100000, 'x') + "\nL=after\n");
  EXPECT_EQ(getProfileString("S", "K", "", "DORN.INI"), std::string(kProfileValueMax, 'v'));
  EXPECT_EQ(getProfileString("S", "L", "", "DORN.INI"), "after");
}

TEST_F(ProfileTest, BareNameFindsAFileThatDiffersOnlyInCase) {
  spit(ini("dorn.ini"), "[S]\nK=lower\n");
  EXPECT_EQ(getProfileString("S", "K", "", "DORN.INI"), "lower");
  ASSERT_TRUE(writeProfileString("S", "K", "changed", "DORN.INI").ok());
  EXPECT_EQ(slurp(ini("dorn.ini")), "[S]\nK=changed\n");
  EXPECT_FALSE(m_platform.exists(ini("DORN.INI")));
}

struct WriteCase {
  const char* before;
  const char* section;
  std::optional<std::string> key;
  std::optional<std::string> value;
  const char* after;
};

TEST_F(ProfileTest, WritesChangeOnlyWhatTheyMust) {
  const WriteCase cases[] = {
      {"", "Settings", "A", "1", "[Settings]\nA=1\n"},
      {"; top\n[S]\nA=1\n\n[T]\nB=2", "S", "A", "9", "; top\n[S]\nA=9\n\n[T]\nB=2"},
      {"[S]\nA=1\n\n; tail\n[T]\n", "S", "B", "2", "[S]\nA=1\nB=2\n\n; tail\n[T]\n"},
      {"[S]\nA=1", "S", "B", "2", "[S]\nA=1\nB=2\n"},
      {"[S]\nA=1", "T", "B", "2", "[S]\nA=1\n\n[T]\nB=2\n"},
      {"[S]\r\nA=1\r\n", "T", "B", "2", "[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n"},
      {"[s]\n  a = 1  \nA=dup\n", "S", "A", "2", "[s]\nA=2\nA=dup\n"},
      {"[S]\nA=1\nB=2\n", "S", "A", std::nullopt, "[S]\nB=2\n"},
      {"[S]\nA=1\n[T]\nC=3\n", "s", std::nullopt, std::nullopt, "[T]\nC=3\n"},
      {"[S]\nA=1\n", "S", "Z", std::nullopt, "[S]\nA=1\n"},
      {"[S]\nA=1\n", "S", "A", "", "[S]\nA=\n"},
      {"[S]\nbroken line\nA=1\n", "S", "B", "x", "[S]\nbroken line\nA=1\nB=x\n"},
      // A lone carriage return that ends the file ends the last line.
      {"[S]\nA=\r", "T", "B", "2", "[S]\nA=\r\n\n[T]\nB=2\n"},
  };
  for (const WriteCase& c : cases) {
    spit(ini(), c.before);
    ASSERT_TRUE(writeProfileString(c.section, c.key, c.value, "DORN.INI").ok()) << c.before;
    EXPECT_EQ(slurp(ini()), c.after) << c.before;
  }
}

TEST_F(ProfileTest, QuotedValuesAreStoredAsGivenAndReadWithoutTheQuotes) {
  ASSERT_TRUE(writeProfileString("S", "A", "\"  padded  \"", "DORN.INI").ok());
  ASSERT_TRUE(writeProfileString("S", "B", "'x", "DORN.INI").ok());
  EXPECT_EQ(slurp(ini()), "[S]\nA=\"  padded  \"\nB='x\n");
  EXPECT_EQ(getProfileString("S", "A", "", "DORN.INI"), "  padded  ");
  EXPECT_EQ(getProfileString("S", "B", "", "DORN.INI"), "'x");
  // The quotes count when deciding whether a write changes anything.
  ASSERT_TRUE(writeProfileString("S", "A", "  padded  ", "DORN.INI").ok());
  EXPECT_EQ(slurp(ini()), "[S]\nA=  padded  \nB='x\n");
  EXPECT_EQ(getProfileString("S", "A", "", "DORN.INI"), "padded");
}

TEST_F(ProfileTest, DeletingFromAMissingFileCreatesNothing) {
  EXPECT_TRUE(writeProfileString("S", "K", std::nullopt, "NEW.INI").ok());
  EXPECT_TRUE(writeProfileString("S", std::nullopt, std::nullopt, "NEW.INI").ok());
  EXPECT_FALSE(m_platform.exists(ini("NEW.INI")));
}

TEST_F(ProfileTest, RoundTripOfEveryWindowKey) {
  for (const char* key : {"XPosit", "YPosit", "Width", "Height", "Maximize"})
    ASSERT_TRUE(writeProfileString("BrowseSCH:KeyCategory", key, key, "DORN.INI").ok());
  for (const char* key : {"XPosit", "YPosit", "Width", "Height", "Maximize"})
    EXPECT_EQ(getProfileString("BrowseSCH:KeyCategory", key, "", "DORN.INI"), key);
}

TEST_F(ProfileTest, NamesTheFormatCannotHoldAreRefused) {
  spit(ini(), "[S]\nA=1\n");
  const std::pair<std::string, std::string> bad[] = {
      {"", "K"},    {"S]", "K"},  {"S", "K=1"},
      {"S", ""},    {"S", ";K"},  {"S", "[K"},
      {"S\n", "K"}, {"S", "K\r"}, {std::string("S\0", 2), "K"},
  };
  for (const auto& [section, key] : bad)
    EXPECT_EQ(writeProfileString(section, key, "v", "DORN.INI").error(), kInvalidParameter)
        << section << "/" << key;
  EXPECT_EQ(writeProfileString("S", "K", "two\nlines", "DORN.INI").error(), kInvalidParameter);
  EXPECT_EQ(slurp(ini()), "[S]\nA=1\n");
}

TEST_F(ProfileTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
  spit(ini(), "[S]\nA=1\n");
  for (OsError fault : {kWriteFault, kDiskFull}) {
    m_platform.failWritesAfter(0, fault);
    EXPECT_EQ(writeProfileString("S", "A", "2", "DORN.INI").error(), fault);
    m_platform.clearFaults();
    EXPECT_EQ(slurp(ini()), "[S]\nA=1\n");
  }
  m_platform.diskFullAt(4);
  EXPECT_EQ(writeProfileString("S", "A", "2", "DORN.INI").error(), kDiskFull);
  m_platform.clearFaults();
  std::set<std::string> names;
  for (auto& e : std::filesystem::directory_iterator(m_dir.path()))
    names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"DORN.INI", "DORN.INI.lock"}));
}

// Two processes write different keys of one file at the same time; each
// write must start from the file the other left, so none is lost.
TEST_F(ProfileTest, WritersInTwoProcessesLoseNoUpdate) {
  constexpr int kKeys = 200;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      ::close(go[1]);
      char byte;
      (void)::read(go[0], &byte, 1);  // returns when the parent closes its end
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "P" + std::to_string(c) + "K" + std::to_string(k);
        if (!writeProfileString("S", key, std::to_string(k), "DORN.INI").ok()) ::_exit(1);
      }
      ::_exit(0);
    }
  }
  ::close(go[0]);
  ::close(go[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  int missing = 0;
  for (int c = 0; c < 2; ++c)
    for (int k = 0; k < kKeys; ++k) {
      std::string key = "P" + std::to_string(c) + "K" + std::to_string(k);
      missing += getProfileString("S", key, "?", "DORN.INI") != std::to_string(k);
    }
  EXPECT_EQ(missing, 0);
}

TEST_F(ProfileTest, CrashDuringAWriteLeavesTheOldOrTheNewFile) {
  spit(ini(), "[S]\nA=1\n");
  m_platform.onFlush([](std::uint64_t) { return true; });
  EXPECT_EQ(writeProfileString("S", "A", "2", "DORN.INI").error(), kDeviceGone);
  m_platform.onFlush(nullptr);
  m_platform.reboot();
  EXPECT_EQ(getProfileString("S", "A", "", "DORN.INI"), "1");
  ASSERT_TRUE(writeProfileString("S", "A", "2", "DORN.INI").ok());
  m_platform.crash(CrashMode::DropUnflushed);
  m_platform.reboot();
  EXPECT_EQ(getProfileString("S", "A", "", "DORN.INI"), "2");
}

TEST_F(ProfileTest, ReadOnlyFileOrDirectoryGivesAnErrorNotACrash) {
  std::string open = m_dir.file("open"), shut = m_dir.file("shut");
  ::mkdir(open.c_str(), 0777);
  ::mkdir(shut.c_str(), 0755);
  ::chmod(open.c_str(), 0777);
  spit(open + "/RO.INI", "[S]\nA=1\n");
  ::chmod((open + "/RO.INI").c_str(), 0444);
  spit(shut + "/RW.INI", "[S]\nA=1\n");
  ::chmod((shut + "/RW.INI").c_str(), 0666);
  ::chmod(m_dir.path().c_str(), 0755);
  // Without root rights, so that the permissions count.
  int rc = testing::inChild(
      [&] {
        if (writeProfileString("S", "A", "2", open + "/RO.INI").error() != kAccessDenied) return 1;
        // A writable file in a read-only directory is rewritten in place.
        if (!writeProfileString("S", "A", "2", shut + "/RW.INI").ok()) return 2;
        if (writeProfileString("S", "A", "2", shut + "/NEW.INI").ok()) return 3;
        if (getProfileString("S", "A", "", open + "/RO.INI") != "1") return 4;
        return 0;
      },
      /*unprivileged=*/true);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(slurp(open + "/RO.INI"), "[S]\nA=1\n");
  EXPECT_EQ(slurp(shut + "/RW.INI"), "[S]\nA=2\n");
}

TEST_F(ProfileTest, AFileThatIsADirectoryOrTooLargeGivesDefaults) {
  ::mkdir(ini("DIR.INI").c_str(), 0755);
  EXPECT_EQ(getProfileString("S", "A", "d", "DIR.INI"), "d");
  EXPECT_FALSE(writeProfileString("S", "A", "2", "DIR.INI").ok());
  {
    std::ofstream big(ini("BIG.INI"), std::ios::binary);
    big << "[S]\nA=1\n";
    big.seekp(kProfileFileMax + 10);
    big << "x";
  }
  EXPECT_EQ(getProfileString("S", "A", "d", "BIG.INI"), "d");
  EXPECT_EQ(writeProfileString("S", "A", "2", "BIG.INI").error(), kInvalidData);
}

TEST_F(ProfileTest, KeysWithBlanksAroundThemAreMatchedTrimmed) {
  spit(ini(), "[S]\nA=1\nB=2\n");
  ASSERT_TRUE(writeProfileString("S", "  A   ", "9", "DORN.INI").ok());
  EXPECT_EQ(slurp(ini()), "[S]\nA=9\nB=2\n");
  ASSERT_TRUE(writeProfileString("S", " B ", std::nullopt, "DORN.INI").ok());
  EXPECT_EQ(slurp(ini()), "[S]\nA=9\n");
  ASSERT_TRUE(writeProfileString("S", " C", "3", "DORN.INI").ok());
  EXPECT_EQ(getProfileString("S", "C ", "", "DORN.INI"), "3");
  EXPECT_EQ(slurp(ini()), "[S]\nA=9\nC=3\n");
}

TEST_F(ProfileTest, WritesKeepPermissionsAndGoThroughLinks) {
  spit(ini(), "[S]\nA=1\n");
  ::chmod(ini().c_str(), 0600);
  ASSERT_TRUE(writeProfileString("S", "A", "2", "DORN.INI").ok());
  struct stat st {};
  ASSERT_EQ(::stat(ini().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A profile kept elsewhere and linked in: the link stays a link.
  ::mkdir(m_dir.file("real").c_str(), 0755);
  spit(m_dir.file("real/target.ini"), "[S]\nA=1\n");
  ASSERT_EQ(::symlink("real/target.ini", ini("LINK.INI").c_str()), 0);
  ASSERT_TRUE(writeProfileString("S", "A", "2", "LINK.INI").ok());
  ASSERT_EQ(::lstat(ini("LINK.INI").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(slurp(m_dir.file("real/target.ini")), "[S]\nA=2\n");
  EXPECT_EQ(getProfileString("S", "A", "", "LINK.INI"), "2");
}

TEST_F(ProfileTest, ByteOrderMarkIsNoPartOfTheFirstSection) {
  const std::string bom = "\xEF\xBB\xBF";
  spit(ini(), bom + "[Settings]\r\nA=1\r\n");
  EXPECT_EQ(getProfileString("Settings", "A", "", "DORN.INI"), "1");
  ASSERT_TRUE(writeProfileString("Settings", "B", "2", "DORN.INI").ok());
  EXPECT_EQ(slurp(ini()), bom + "[Settings]\r\nA=1\r\nB=2\r\n");
  ASSERT_TRUE(writeProfileString("Settings", std::nullopt, std::nullopt, "DORN.INI").ok());
  EXPECT_EQ(slurp(ini()), bom);
}

TEST_F(ProfileTest, TemporaryFilesOfADeadWriterAreRemovedByTheNextWrite) {
  pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  std::string deadTemp = ini() + ".~" + std::to_string(dead) + "-0";
  std::string ownTemp = ini() + ".~" + std::to_string(::getpid()) + "-77";
  std::string other = ini() + ".~notes";
  for (const std::string& f : {deadTemp, ownTemp, other}) spit(f, "[S]\nA=old\n");
  ASSERT_TRUE(writeProfileString("S", "A", "1", "DORN.INI").ok());
  EXPECT_FALSE(std::filesystem::exists(deadTemp));
  EXPECT_FALSE(std::filesystem::exists(ownTemp));
  EXPECT_TRUE(std::filesystem::exists(other));
}

}  // namespace
}  // namespace dw::platform
