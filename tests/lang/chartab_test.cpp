// Character classes, case partners, blank-padded collation and digraphs.
#include <gtest/gtest.h>

#include "runtime/lang/chartab.h"

namespace dw::lang {
namespace {

class CharTabTest : public ::testing::Test {
 protected:
  void SetUp() override { resetCharTables(); }
  void TearDown() override { resetCharTables(); }
};

TEST_F(CharTabTest, DefaultsCoverAsciiLettersAndDigitsOnly) {
  EXPECT_TRUE(isUpper('A'));
  EXPECT_TRUE(isLower('z'));
  EXPECT_TRUE(isDigit('7'));
  EXPECT_FALSE(isAlpha('_'));
  EXPECT_FALSE(isAlpha('\xC4'));
  EXPECT_EQ(upper("abc-XYZ \xE4"), "ABC-XYZ \xE4");
  EXPECT_EQ(lower("ABC-xyz"), "abc-xyz");
  EXPECT_EQ(casePartner('q'), 'Q');
  EXPECT_EQ(casePartner('1'), 0);
}

TEST_F(CharTabTest, CasePairsAboveAsciiOnly) {
  EXPECT_TRUE(
      addCasePairs("\xC4\xD6"
                   "B",
                   "\xE4\xF6"
                   "c"));
  EXPECT_EQ(upper("\xE4\xF6"), "\xC4\xD6");
  EXPECT_EQ(toUpper('c'), 'C');  // the ASCII pair is untouched
  EXPECT_EQ(toLower('B'), 'b');
  EXPECT_FALSE(addCasePairs("\xC4", ""));
  resetCharTables();
  usePlatformCasePairs();
  EXPECT_EQ(upper("\xE9t\xE9"), "\xC9T\xC9");
  EXPECT_EQ(toUpper('\xF7'), '\xF7');  // division sign is no letter
}

TEST_F(CharTabTest, BlankPaddedComparison) {
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"abc", "abc   ", 0}, {"abc", "abd", -1}, {"ab", "ab\x01", 1},
      {"", "   ", 0},       {"B", "a", -1},     {"abc ", "abc", 0},
  };
  for (const auto& c : cases) {
    int r = compareStrings(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    int back = compareStrings(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign);
  }
  EXPECT_EQ(compareStringsNoCase("Jan", "JAN"), 0);
}

TEST_F(CharTabTest, CollationOrderAndPlatformOrder) {
  setCollationOrder("AaBbCc");
  EXPECT_LT(compareStrings("a", "B"), 0);
  EXPECT_LT(compareStrings("A", "a"), 0);
  EXPECT_LT(compareStrings("0", "A"), 0);
  resetCharTables();
  usePlatformCollation();
  EXPECT_LT(compareStrings("b", "C"), 0);
  EXPECT_LT(compareStrings("9", "a"), 0);
  EXPECT_LT(compareStrings("-", "0"), 0);
  // Weights stay a permutation: only equal bytes compare equal.
  std::array<int, 256> seen{};
  for (int c = 0; c < 256; ++c) ++seen[collationWeight(static_cast<unsigned char>(c))];
  for (int n : seen) EXPECT_EQ(n, 1);
}

TEST_F(CharTabTest, DigraphsExpandBeforeComparing) {
  addDigraph(
      "\xC6"
      "AE");
  EXPECT_EQ(compareStrings("\xC6", "AE"), 0);
  EXPECT_LT(compareStrings("\xC6", "AF"), 0);
  EXPECT_GT(compareStrings("\xC6"
                           "B",
                           "AEA"),
            0);
  addDigraph("toolong");  // ignored
  EXPECT_EQ(compareStrings("t", "t"), 0);
}

}  // namespace
}  // namespace dw::lang
