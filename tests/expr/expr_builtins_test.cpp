// Every built-in function, through compiled calls.
#include <string>

#include "tests/expr/expr_fixture.h"

namespace dw::lang::testing {
namespace {

using BuiltinTest = ExprTest;

struct EvalCase {
  const char* text;
  const char* expected;
};

TEST_F(BuiltinTest, Numbers) {
  const EvalCase cases[] = {
      {"INT(3.99)", "3"},
      {"INT(-3.99)", "-3"},
      {"INT('12.5')", "12"},
      {"ABS(-2.5)", "2.5"},
      {"ABS(3)", "3"},
      {"SQRT(16)", "4"},
      {"SQRT(-1)", "0"},
      {"LOG10(1000)", "3"},
      {"LOG10(0)", "0"},
      {"LOGE(1)", "0"},
      {"LOGE(-1)", "0"},
      {"ROUND(3.14159, .01)", "3.14"},
      {"ROUND(2.5, 1)", "3"},
      {"ROUND(-2.5, 1)", "-3"},
      {"ROUND(1234, 100)", "1200"},
      {"ROUND(7.4)", "7"},
      {"ROUND(7.4, 0)", "7.4"},
      {"SIN(0)", "0"},
      {"COS(0)", "1"},
      {"TAN(0)", "0"},
      {"ATAN(0)", "0"},
      {"ASIN(1) * 2 = 3.141592653589793", "1"},
      {"ACOS(1)", "0"},
      {"ASIN(2)", "0"},
      {"ACOS(-1.5)", "0"},
      {"INRANGE(5, 1, 10)", "1"},
      {"INRANGE(1, 1, 10)", "1"},
      {"INRANGE(10.0000000000000001, 1, 10)", "1"},
      {"INRANGE(11, 1, 10)", "0"},
      {"INRANGE(0.5, 1, 10)", "0"},
      {"NUMERIC('12.5')", "1"},
      {"NUMERIC(' -3 ')", "1"},
      {"NUMERIC('1e3')", "1"},
      {"NUMERIC('12a')", "0"},
      {"NUMERIC('')", "0"},
      {"NUMERIC('.')", "0"},
      {"VAL('A')", "65"},
      {"VAL('')", "0"},
      {"VAL('abc')", "97"},
      {"LEN('abc')", "3"},
      {"LEN('')", "0"},
      {"LEN(12345)", "5"},
      {"MEMORY(0) > 0", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(BuiltinTest, Bits) {
  const EvalCase cases[] = {
      {"BAND(0F0H, 3CH)", "48"},      {"BOR(0F0H, 0FH)", "255"}, {"BXOR(0FFH, 0FH)", "240"},
      {"BSHIFT(1, 4)", "16"},         {"BSHIFT(256, -4)", "16"}, {"BSHIFT(1, 31)", "-2147483648"},
      {"BSHIFT(1, 32)", "0"},         {"BSHIFT(1, -40)", "0"},   {"BSHIFT(-1, -28)", "15"},
      {"BAND(-1, 0FFFFFFFFH)", "-1"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(BuiltinTest, Text) {
  const EvalCase cases[] = {
      {"UPPER('aBc1')", "ABC1"},
      {"LOWER('AbC1')", "abc1"},
      {"CLIP('ab  ')", "ab"},
      {"CLIP('  ')", ""},
      {"CLIP(' a')", " a"},
      {"LEFT('  ab', 5)", "ab   "},
      {"LEFT('  ab')", "ab  "},
      {"LEFT('abcdef', 3)", "abc"},
      {"RIGHT('ab  ')", "  ab"},
      {"CENTER('ab', 6)", "  ab  "},
      {"CENTER('ab', 5)", " ab  "},
      {"CENTER(' ab ')", " ab "},
      {"ALL('ab', 5)", "ababa"},
      {"ALL('-', 3)", "---"},
      {"LEN(ALL('x'))", "255"},
      {"CHR(65)", "A"},
      {"CHR(321)", "A"},
      {"SUB('abcdef', 2, 3)", "bcd"},
      {"SUB('abcdef', 4)", "def"},
      {"SUB('abcdef', -2, 2)", "ef"},
      {"SUB('abcdef', 5, 10)", "ef"},
      {"SUB('abc', 9, 1)", ""},
      {"SUB('abc', 1, 0)", ""},
      {"SUB('abc', 0, 2)", "ab"},
      {"INSTRING('c', 'abcabc')", "3"},
      {"INSTRING('c', 'abcabc', 1, 4)", "6"},
      {"INSTRING('x', 'abc')", "0"},
      {"INSTRING('', 'abc')", "0"},
      {"INSTRING('cd', 'abcdef', 2)", "2"},  // the second step of two characters
      {"INSTRING('bc', 'abcdef', 2)", "0"},  // never at an odd offset
      {"INSTRING('a', 'abcabc', -1, 6)", "4"},
      {"INSTRING('a', 'abc', 0)", "0"},
      {"INSTRING('abc', 'ab')", "0"},
      {"INSTRING('b', 'abc', 9223372036854775807)", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(BuiltinTest, DatesAndTimes) {
  const EvalCase cases[] = {
      {"DATE(1, 1, 1801)", "4"},
      {"DATE(1, 1, 1901)", "36528"},
      {"DATE(12, 31, 2099)", "109211"},
      {"DATE(2, 29, 1900) = DATE(3, 1, 1900)", "1"},
      {"DATE(13, 1, 99) = DATE(1, 1, 2000)", "1"},
      {"DATE(2, 30, 1999) = DATE(3, 2, 1999)", "1"},
      {"DATE(14, 30, 1999) = DATE(3, 1, 2000)", "1"},
      {"DATE(1, 0, 1996)", "-1"},
      {"DAY(DATE(7, 4, 1976))", "4"},
      {"MONTH(DATE(7, 4, 1976))", "7"},
      {"YEAR(DATE(7, 4, 1976))", "1976"},
      {"DAY(3)", "0"},
      {"YEAR(109212)", "0"},
      {"DAY(DATE(2, 29, 2000))", "29"},
      {"AGE(DATE(1, 1, 2000), DATE(2, 10, 2000))", "40 DAYS"},
      {"AGE(DATE(1, 15, 2000), DATE(1, 15, 2002))", "24 MOS"},
      {"AGE(DATE(1, 15, 2000), DATE(2, 15, 2002))", "2 YRS"},
      {"LEN(AGE(DATE(1, 1, 2000), 3))", "255"},
      {"TODAY() > DATE(1, 1, 2020)", "1"},
      {"INRANGE(CLOCK(), 1, 8640000)", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
  EXPECT_EQ(eval("AGE(TODAY() - 40)"), "40 DAYS");
}

TEST_F(BuiltinTest, FormatAndDeformat) {
  const EvalCase cases[] = {
      {"FORMAT('abcdef', @s3)", "abc"},
      {"FORMAT('ab', @s3)", "ab"},
      {"FORMAT(DATE(7, 4, 1976), @d2)", " 7/04/1976"},
      {"FORMAT(DATE(7, 4, 1976), @d3)", "JUL  4, 1976"},
      {"FORMAT(1234.5, @n10.2)", "  1,234.50"},
      {"FORMAT(123456789, @p###-##-####p)", "123-45-6789"},
      {"FORMAT(1, '@t1')", " 0:00"},  // a picture held in a string
      {"DEFORMAT('7/04/1976', @d2) = DATE(7, 4, 1976)", "1"},
      {"DEFORMAT('1,234.50', @n10.2) + 1", "1235.5"},
      {"DEFORMAT('12:00AM', @t3)", "1"},
      {"FORMAT(5, @bad)", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(BuiltinTest, RandomStaysInRange) {
  ExprTree tree = compileExpression("RANDOM(3, 5)");
  ASSERT_TRUE(tree);
  bool seen[3] = {};
  for (int i = 0; i < 300; ++i) {
    std::int64_t v = evalInteger(*tree);
    ASSERT_GE(v, 3);
    ASSERT_LE(v, 5);
    seen[v - 3] = true;
  }
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
  EXPECT_EQ(eval("RANDOM(7, 7)"), "7");
  ExprTree swapped = compileExpression("INRANGE(RANDOM(10, 1), 1, 10)");
  EXPECT_EQ(evalInteger(*swapped), 1);
}

TEST_F(BuiltinTest, MissingArgumentsReadAsZeroOrEmpty) {
  const EvalCase cases[] = {
      {"INT()", "0"}, {"UPPER()", ""}, {"LEN()", "0"}, {"DATE()", "-1"}, {"BAND(5)", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace dw::lang::testing
