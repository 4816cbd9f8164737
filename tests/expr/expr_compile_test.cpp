// The lexer and the grammar: numbers, strings, names, pictures, the
// comparison pairs, precedence, associativity and nesting bounds.
#include <string>

#include "runtime/lang/expr_lexer.h"
#include "runtime/lang/expr_print.h"
#include "tests/expr/expr_fixture.h"

namespace dw::lang::testing {
namespace {

using CompileTest = ExprTest;

struct EvalCase {
  const char* text;
  const char* expected;
};

TEST_F(CompileTest, NumbersInEveryBase) {
  const EvalCase cases[] = {
      {"10H", "16"},       {"17O", "15"},      {"101B", "5"},
      {"0FFH", "255"},     {"1bh", "27"},      {"7fffffffH", "2147483647"},
      {"1.0E5", "100000"}, {"1.5e-1", "0.15"}, {"2.5E+2", "250"},
      {".5", "0.5"},       {"3.5", "3.5"},     {"0.1", "0.1"},
      {"007", "7"},        {"1.0E-400", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(CompileTest, MalformedNumbersFail) {
  for (const char* text :
       {"19B", "1E5", "12X", "1.0E", "1.0E+", "8O", "99999999999999999999", "1.0E400", "1."}) {
    EXPECT_FALSE(compiles(text)) << text;
  }
}

TEST_F(CompileTest, Strings) {
  EXPECT_EQ(eval("'abc'"), "abc");
  EXPECT_EQ(eval("'it''s'"), "it's");
  EXPECT_EQ(eval("''"), "");
  EXPECT_EQ(eval("''''"), "'");
  EXPECT_FALSE(compiles("'abc"));
  EXPECT_FALSE(compiles("'abc''"));
}

TEST_F(CompileTest, PicturesRunToTheirEnd) {
  struct Case {
    const char* text;
    const char* picture;
  } cases[] = {
      {"@d3", "@d3"},
      {"@n10.2 ", "@n10.2"},
      {"@n(10.2)", "@n(10.2)"},
      {"@n~US $~10.2", "@n~US $~10.2"},
      {"@p(###) ###-####p", "@p(###) ###-####p"},
      {"@p##-##pB", "@p##-##pB"},
      {"@s20,", "@s20"},
      {"@t3)", "@t3"},
  };
  for (const auto& c : cases) {
    ExprLexer lexer(c.text);
    Token t = lexer.next();
    EXPECT_EQ(t.kind, TokenKind::kPicture) << c.text;
    EXPECT_EQ(t.text, c.picture) << c.text;
  }
  ExprLexer unterminated("@p###");
  EXPECT_EQ(unterminated.next().kind, TokenKind::kError);
}

TEST_F(CompileTest, NamesCarryColonsAndOneFinalMark) {
  std::int32_t a = 1, b = 2, c = 3;
  BIND("BRW1::Sort2:Reset:CAT:Category", a);
  BIND("Total#", b);
  BIND("Name$", c);
  EXPECT_EQ(eval("brw1::sort2:reset:cat:category"), "1");
  EXPECT_EQ(eval("Total#"), "2");
  EXPECT_EQ(eval("NAME$"), "3");
  EXPECT_FALSE(compiles("Total##"));
}

TEST_F(CompileTest, UnknownNamePosts801) {
  clearError();
  EXPECT_FALSE(compiles("1 + Nowhere"));
  EXPECT_EQ(errorCode(), err::kExprNoBind);
}

TEST_F(CompileTest, SyntaxErrorsPostNothing) {
  clearError();
  for (const char* text :
       {"", "1 +", "(1", "1)", "1 2", "* 2", "1 == 2", "1 >< 2", "1 ~ 2", "1 =~ 2", "1 $ 2", "1,2",
        "1 : 2", "NOT", "AND 1", "[1]", "'x'[1", "'x'[]", "FORMAT(1, @n(10.2"}) {
    EXPECT_FALSE(compiles(text)) << text;
  }
  EXPECT_EQ(errorCode(), 0);
}

TEST_F(CompileTest, EveryComparisonPair) {
  struct Case {
    const char* op;
    bool less, equal, greater;  // 1 op 2, 2 op 2, 3 op 2
  } cases[] = {
      {"=", false, true, false}, {"<>", true, false, true}, {"~=", true, false, true},
      {"<", true, false, false}, {">", false, false, true}, {"<=", true, true, false},
      {"=<", true, true, false}, {"~>", true, true, false}, {">=", false, true, true},
      {"=>", false, true, true}, {"~<", false, true, true},
  };
  for (const auto& c : cases) {
    std::string op = c.op;
    EXPECT_EQ(eval("1 " + op + " 2"), c.less ? "1" : "0") << op;
    EXPECT_EQ(eval("2 " + op + " 2"), c.equal ? "1" : "0") << op;
    EXPECT_EQ(eval("3" + op + "2"), c.greater ? "1" : "0") << op;
  }
}

TEST_F(CompileTest, PrecedenceAndAssociativity) {
  const EvalCase cases[] = {
      {"-2 ^ 2", "4"},                          // signs bind tighter than "^"
      {"2 ^ 3 ^ 2", "64"},                      // left-associative
      {"2 ^ -1", "0.5"},       {"- - 3", "3"},  // an even number of signs
      {"+-+3", "-3"},          {"10 - 4 - 3", "3"},   {"2 * 3 + 4", "10"},
      {"2 + 3 * 4", "14"},     {"2 * 3 ^ 2", "18"},   {"100 / 10 / 5", "2"},
      {"7 % 4 * 2", "6"},      {"1 + 2 & 3", "33"},                        // "&" is looser than "+"
      {"'a' & 1 + 1", "a2"},   {"1 + 1 = 2", "1"},    {"1 = 1 = 1", "1"},  // (1 = 1) = 1
      {"3 > 2 > 1", "0"},                                                  // (3 > 2) > 1 is 1 > 1
      {"~1 = 2", "1"},                                 // NOT binds looser than "="
      {"NOT NOT 5", "5"},                              // an even count: no NOT at all
      {"~ ~ ~0", "1"},         {"1 OR 0 AND 0", "1"},  // AND before OR
      {"(1 OR 0) AND 0", "0"}, {"1 XOR 1 OR 1", "1"},  // (1 XOR 1) OR 1
      {"1 OR 1 XOR 1", "0"},                           // (1 OR 1) XOR 1
      {"NOT 0 AND 0", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(CompileTest, FunctionsNeedTheirParentheses) {
  EXPECT_FALSE(compiles("TODAY"));
  EXPECT_FALSE(compiles("CLOCK + 1"));
  EXPECT_TRUE(compiles("TODAY()"));
  EXPECT_TRUE(compiles("clock()"));
  EXPECT_FALSE(compiles("TODAY(1)"));  // no arguments allowed
  EXPECT_FALSE(compiles("UPPER('a', 'b')"));
  EXPECT_TRUE(compiles("INSTRING('a', 'b', 1, 1)"));
  EXPECT_FALSE(compiles("INSTRING('a', 'b', 1, 1, 1)"));
  EXPECT_FALSE(compiles("UPPER('a',)"));
}

TEST_F(CompileTest, ResultTypes) {
  struct Case {
    const char* text;
    ResultType type;
  } cases[] = {
      {"1", ResultType::kInteger},        {"1.5", ResultType::kReal},
      {"'a'", ResultType::kString},       {"@d3", ResultType::kPicture},
      {"1 + 1", ResultType::kReal},       {"1 = 1", ResultType::kTruth},
      {"-1", ResultType::kInteger},       {"-1.5", ResultType::kReal},
      {"1 & 1", ResultType::kString},     {"~1", ResultType::kTruth},
      {"LEN('a')", ResultType::kInteger}, {"SQRT(4)", ResultType::kReal},
      {"'abc'[2]", ResultType::kString},
  };
  for (const auto& c : cases) {
    ExprTree tree = compileExpression(c.text);
    ASSERT_TRUE(tree) << c.text;
    EXPECT_EQ(tree->type, c.type) << c.text;
  }
}

TEST_F(CompileTest, DeepNestingFailsCleanly) {
  std::string deep(100000, '(');
  deep += "1";
  deep += std::string(100000, ')');
  std::string reason;
  EXPECT_FALSE(compileExpression(deep, &reason));
  EXPECT_NE(reason.find("nested too deeply"), std::string::npos);

  std::string calls;
  for (int i = 0; i < 5000; ++i) calls += "ABS(";
  calls += "1" + std::string(5000, ')');
  EXPECT_FALSE(compiles(calls));

  // Long chains make deep trees too: bounded as well.
  std::string chain = "1";
  for (int i = 0; i < 100000; ++i) chain += "+1";
  EXPECT_FALSE(compiles(chain));

  // Many signs or NOTs make no tree at all.
  EXPECT_EQ(eval(std::string(100000, '-') + "1"), "1");
  EXPECT_EQ(eval(std::string(99999, '~') + "0"), "1");

  // Up to the bounds everything compiles and evaluates.
  EXPECT_EQ(eval(std::string(kMaxNesting, '(') + "7" + std::string(kMaxNesting, ')')), "7");
  EXPECT_FALSE(
      compiles(std::string(kMaxNesting + 1, '(') + "7" + std::string(kMaxNesting + 1, ')')));
  std::string longest = "1";
  for (int i = 1; i < kMaxTreeDepth; ++i) longest += "+1";
  EXPECT_EQ(eval(longest), std::to_string(kMaxTreeDepth));
  EXPECT_FALSE(compiles(longest + "+1"));
}

TEST_F(CompileTest, BlanksAndTabsBetweenTokens) {
  EXPECT_EQ(eval("\t1\t+ \t2  "), "3");
  EXPECT_FALSE(compiles("1\n+2"));
}

}  // namespace
}  // namespace dw::lang::testing
