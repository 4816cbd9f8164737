// Evaluation: the four ways to evaluate, comparisons, relative equality of
// reals, blank-padded strings, NOT, concatenation and subscripts.
#include <cmath>
#include <cstring>
#include <limits>

#include "tests/expr/expr_fixture.h"

namespace dw::lang::testing {
namespace {

using EvalTest = ExprTest;

struct EvalCase {
  const char* text;
  const char* expected;
};

TEST_F(EvalTest, FilterOnTwoIntegersComparesAsIntegers) {
  std::int32_t date = 80000, selected = 80000;
  BIND("SCH:Date", date);
  BIND("SelectedDay", selected);
  ExprTree tree = compileExpression("(SCH:Date=SelectedDay)");
  ASSERT_TRUE(tree);
  EXPECT_TRUE(evalTruth(*tree));
  selected = 80001;
  EXPECT_FALSE(evalTruth(*tree));
  // Integers far beyond a real's exact range still compare exactly.
  std::uint32_t big = 4294967295u, bigger = 4294967294u;
  BIND("A", big);
  BIND("B", bigger);
  EXPECT_EQ(eval("A = B"), "0");
  EXPECT_EQ(eval("A > B"), "1");
}

TEST_F(EvalTest, StringsCompareBlankPadded) {
  char category[10];
  std::memcpy(category, "Work      ", 10);
  char reset[20];
  std::memcpy(reset, "work                ", 20);
  bindText("SCH:Category", category, sizeof category, VarType::kString);
  bindText("BRW1::Sort2:Reset:CAT:Category", reset, sizeof reset, VarType::kString);
  EXPECT_EQ(eval("UPPER(SCH:Category) = UPPER(BRW1::Sort2:Reset:CAT:Category)"), "1");
  EXPECT_EQ(eval("SCH:Category = BRW1::Sort2:Reset:CAT:Category"), "0");
  const EvalCase cases[] = {
      {"'abc' = 'abc   '", "1"}, {"'abc ' < 'abcd'", "1"}, {"'' = '   '", "1"},
      {"'b' > 'abc'", "1"},      {"'a' & ' ' = 'a'", "1"}, {"'10' < '9'", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(EvalTest, MixedOperandsCompareAsReals) {
  const EvalCase cases[] = {
      {"1 = 1.0000000000000002", "1"},
      {"1 = 1.0001", "0"},
      {"1.0001 > 1", "1"},
      {"'10' > 9", "1"},  // a string against a number: as reals
      {"'abc' = 0", "1"},
      {"0.1 + 0.2 = 0.3", "1"},  // negligible differences are equal
      {"0 = 0.0", "1"},
      {"1.0E20 + 1 = 1.0E20", "1"},
      {"2 <= 1.9999", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(EvalTest, CompareRealsRule) {
  EXPECT_EQ(compareReals(1.0, 1.0), 0);
  EXPECT_EQ(compareReals(1e300, std::nextafter(1e300, 2e300)), 0);
  EXPECT_EQ(compareReals(1.0, 1.0 + 1e-13), -1);
  EXPECT_EQ(compareReals(-5.0, 5.0), -1);
  EXPECT_EQ(compareReals(1e300, 1e299), 1);
  EXPECT_EQ(compareReals(0.0, 1e-20), 0);  // zero counts with the exponent of 1.0
  EXPECT_EQ(compareReals(0.0, 1e-10), -1);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(compareReals(inf, 1.0), 1);
  EXPECT_EQ(compareReals(-inf, inf), -1);
  EXPECT_FALSE(compareReals(std::nan(""), 1.0).has_value());
}

TEST_F(EvalTest, TruthValues) {
  double zero = 0.0, half = 0.5;
  std::string blanks = "   ", word = " x ";
  BIND("Z", zero);
  BIND("H", half);
  BIND("BL", blanks);
  BIND("W", word);
  struct Case {
    const char* text;
    bool truth;
  } cases[] = {
      {"0", false},      {"7", true},        {"Z", false},        {"H", true},
      {"BL", false},     {"W", true},        {"''", false},       {"'0'", true},
      {"1 - 1", false},  {"H AND W", true},  {"H AND BL", false}, {"Z OR BL", false},
      {"Z XOR W", true}, {"W XOR W", false},
  };
  for (const auto& c : cases) {
    ExprTree tree = compileExpression(c.text);
    ASSERT_TRUE(tree) << c.text;
    EXPECT_EQ(evalTruth(*tree), c.truth) << c.text;
  }
}

TEST_F(EvalTest, IntegerRealAndStringViews) {
  ExprTree tree = compileExpression("7 / 2");
  ASSERT_TRUE(tree);
  EXPECT_EQ(evalInteger(*tree), 3);  // evaluated as a real and truncated
  EXPECT_DOUBLE_EQ(evalReal(*tree), 3.5);
  EXPECT_EQ(evalString(*tree), "3.5");
  tree = compileExpression("-7 / 2");
  EXPECT_EQ(evalInteger(*tree), -3);
  tree = compileExpression("'12' & '.5'");
  EXPECT_DOUBLE_EQ(evalReal(*tree), 12.5);  // concatenation read as a number
  EXPECT_EQ(evalInteger(*tree), 12);
  tree = compileExpression("1 = 1");
  EXPECT_EQ(evalString(*tree), "1");
  EXPECT_DOUBLE_EQ(evalReal(*tree), 1.0);
  tree = compileExpression("' 42abc'");
  EXPECT_EQ(evalInteger(*tree), 42);
  tree = compileExpression("-'5'");
  EXPECT_EQ(evalInteger(*tree), -5);
}

TEST_F(EvalTest, NotOfEachType) {
  const EvalCase cases[] = {
      {"~0", "1"},   {"~3", "0"},       {"~0.0", "1"},      {"~''", "1"},
      {"~'a'", "0"}, {"~(1 > 2)", "1"}, {"NOT 1 = 2", "1"}, {"~~7", "7"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
  ExprTree tree = compileExpression("~0.0000001");
  EXPECT_DOUBLE_EQ(evalReal(*tree), 0.0);
}

TEST_F(EvalTest, Arithmetic) {
  const EvalCase cases[] = {
      {"7 % 3", "1"},      {"-7 % 3", "-1"},
      {"7.5 % 2", "1.5"},  {"2 ^ 10", "1024"},
      {"1 / 3 * 3", "1"},  {"0.1 + 0.2", "0.30000000000000004"},
      {"1 / 0", "0"},      {"5 % 0", "0"},
      {"(-8) ^ 0.5", "0"}, {"1.0E300 * 1.0E300 > 1", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(EvalTest, HugeRealsSaturateAsIntegers) {
  ExprTree tree = compileExpression("1.0E300 * 10");
  EXPECT_EQ(evalInteger(*tree), std::numeric_limits<std::int64_t>::max());
  tree = compileExpression("-1.0E300 * 10");
  EXPECT_EQ(evalInteger(*tree), std::numeric_limits<std::int64_t>::min());
  tree = compileExpression("-(-9223372036854775807 - 1)");
  EXPECT_EQ(evalInteger(*tree), std::numeric_limits<std::int64_t>::max());
}

TEST_F(EvalTest, Concatenation) {
  const EvalCase cases[] = {
      {"'a' & 'b'", "ab"},   {"1 & 2", "12"},       {"1.5 & 'x'", "1.5x"},
      {"(1 = 1) & ''", "1"}, {"'x' & 2 * 3", "x6"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(EvalTest, Subscripts) {
  std::string name = "Schedule";
  BIND("Name", name);
  const EvalCase cases[] = {
      {"Name[1]", "S"},
      {"Name[8]", "e"},
      {"Name[9]", ""},
      {"Name[0]", ""},
      {"Name[2 : 4]", "che"},
      {"Name[5 : 99]", "dule"},
      {"Name[-3 : 2]", "Sc"},
      {"Name[4 : 3]", ""},
      {"Name[1 : 3][2]", "c"},
      {"(Name & '!')[9]", "!"},
      {"'abc'[1 + 1]", "b"},
      {"12345[2 : 3]", "23"},
      {"Name[2 : 3] = 'ch'", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(EvalTest, EvaluatePostsItsErrors) {
  EXPECT_EQ(EVALUATE("UPPER('a') & 1"), "A1");
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(EVALUATE("1 +"), "");
  EXPECT_EQ(errorCode(), err::kExprInvalid);
  EXPECT_EQ(EVALUATE("Unbound"), "");
  EXPECT_EQ(errorCode(), err::kExprNoBind);
  EXPECT_EQ(EVALUATE("2 * 2"), "4");
  EXPECT_EQ(errorCode(), 0);
}

}  // namespace
}  // namespace dw::lang::testing
