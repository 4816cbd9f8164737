// Printing trees back to text: the operator texts, parentheses only where
// needed, and round trips that give the same tree.
#include <string>

#include "runtime/lang/expr_print.h"
#include "tests/expr/expr_fixture.h"

namespace dw::lang::testing {
namespace {

class PrintTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    BIND("A", m_a);
    BIND("B", m_b);
    BIND("SCH:Date", m_a);
    BIND("Name", m_name);
    BIND("R", m_r);
  }
  std::int32_t m_a = 1, m_b = 2;
  double m_r = 0.5;
  std::string m_name = "x";
};

TEST_F(PrintTest, PrintsWithOperatorTextsAndMinimalParentheses) {
  struct Case {
    const char* text;
    const char* printed;
  } cases[] = {
      {"(SCH:Date=A)", "SCH:Date = A"},
      {"a+b*2", "A + B * 2"},
      {"(a+b)*2", "(A + B) * 2"},
      {"a-(b-1)", "A - (B - 1)"},
      {"(a-b)-1", "A - B - 1"},
      {"-2^2", "-2 ^ 2"},
      {"-(2^2)", "-(2 ^ 2)"},
      {"2^(3^2)", "2 ^ (3 ^ 2)"},
      {"a ~= b", "A <> B"},
      {"a => b", "A >= B"},
      {"a ~< b", "A >= B"},
      {"a =< b", "A <= B"},
      {"a ~> b", "A <= B"},
      {"NOT a = b", "~A = B"},
      {"~(a AND b)", "~(A AND B)"},
      {"a AND b OR a XOR b", "A AND B OR A XOR B"},
      {"a AND (b OR a)", "A AND (B OR A)"},
      {"'it''s' & name", "'it''s' & Name"},
      {"upper(name)", "UPPER(Name)"},
      {"instring('a',name,1,1)", "INSTRING('a', Name, 1, 1)"},
      {"today()", "TODAY()"},
      {"name[1:2]", "Name[1 : 2]"},
      {"name[a]", "Name[A]"},
      {"format(a, @d3)", "FORMAT(A, @d3)"},
      {"1.0E5", "100000.0"},
      {"0.5", "0.5"},
      {"1.5E30", "1.5E30"},
      {"2.5E-30", "2.5E-30"},
      {"10H", "16"},
      {"a % b / 2", "A % B / 2"},
      {"a - -b", "A - -B"},
  };
  for (const auto& c : cases) {
    ExprTree tree = compileExpression(c.text);
    ASSERT_TRUE(tree) << c.text;
    EXPECT_EQ(exprToText(*tree), c.printed) << c.text;
  }
}

TEST_F(PrintTest, RoundTripsGiveTheSameTree) {
  const char* texts[] = {
      "UPPER(Name) = UPPER('work') AND SCH:Date >= TODAY() - 7",
      "((a))",
      "~~~a",
      "~(~a = b)",
      "(~a) = b",
      "-(-a)",
      "- - -a",
      "a = (b = a)",
      "a & (b & a)",
      "(a & b) & a",
      "a ^ b ^ 2",
      "(a + b) ^ -(a - b)",
      "1 + 2 & 3 = '33' OR a XOR NOT b",
      "name[1 : a + 1][1]",
      "(name & 'x')[2]",
      "(@d3)[1]",
      "name[(@d3)]",
      "name[1 : (@d3)]",
      "format(r, @n~US $~10.2)",
      "deformat('1,234.50', @n10.2) + 0.5",
      "1.7976931348623157E308 + 4.9E-324 + 0.1 + 1.0E-7 + 123456789.123",
      "'' & '''' & ' '",
      "@p(###) ###-####p & @k###k",
      "(a OR b) AND (a XOR b) AND ~(a AND b)",
      "a % (b * 2) / (a - b) - (a + b)",
      // Currency text left open runs on over blanks: the picture needs
      // parentheses to end where it ended.
      "(a) = (@n~ =(@n~$ ~10.2) :D') AND b",
      "FORMAT(a, @n~x) & b",
  };
  for (const char* text : texts) {
    ExprTree first = compileExpression(text);
    ASSERT_TRUE(first) << text;
    std::string printed = exprToText(*first);
    ExprTree second = compileExpression(printed);
    ASSERT_TRUE(second) << text << " -> " << printed;
    EXPECT_TRUE(sameTree(*first, *second)) << text << " -> " << printed;
    EXPECT_EQ(exprToText(*second), printed);
  }
}

TEST_F(PrintTest, SameTreeTellsTreesApart) {
  ExprTree a = compileExpression("A + 1");
  ExprTree b = compileExpression("a + 1");
  ExprTree c = compileExpression("A + 2");
  ExprTree d = compileExpression("B + 1");
  ExprTree e = compileExpression("A - 1");
  ExprTree f = compileExpression("A + 1.0");
  EXPECT_TRUE(sameTree(*a, *b));
  EXPECT_FALSE(sameTree(*a, *c));
  EXPECT_FALSE(sameTree(*a, *d));
  EXPECT_FALSE(sameTree(*a, *e));
  EXPECT_FALSE(sameTree(*a, *f));
}

}  // namespace
}  // namespace dw::lang::testing
