// Symbol tables, BIND, scopes and the per-thread language state.
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/lang/expr_state.h"
#include "runtime/lang/symbol_table.h"
#include "tests/expr/expr_fixture.h"

namespace dw::lang::testing {
namespace {

using SymbolTableTest = ExprTest;

TEST_F(SymbolTableTest, BuiltinsAppearOnFirstUseAroundTheRoot) {
  SymbolTable table;
  EXPECT_TRUE(table.empty());
  const Symbol* upper = table.find("upper");
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(upper->kind, SymbolKind::kFunction);
  EXPECT_EQ(upper->function, BuiltinId::kUpper);
  EXPECT_EQ(upper->maxArgs, 1);
  EXPECT_EQ(upper->type, ResultType::kString);
  // The root, 41 functions and 4 operator keywords.
  EXPECT_EQ(table.size(), 46u);
  std::vector<std::string> names = table.names();
  EXPECT_TRUE(std::is_sorted(
      names.begin(), names.end(),
      [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; }));
  // The insertion order keeps the tree shallow: far from a list of 46.
  EXPECT_EQ(table.depth(), 7u);

  const Symbol* root = table.find("mmmmmmm");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->kind, SymbolKind::kRoot);

  struct Op {
    const char* name;
    OpCode op;
  } ops[] = {
      {"AND", OpCode::kAnd}, {"or", OpCode::kOr}, {"Not", OpCode::kNot}, {"XOR", OpCode::kXor}};
  for (const auto& o : ops) {
    const Symbol* s = table.find(o.name);
    ASSERT_NE(s, nullptr) << o.name;
    EXPECT_EQ(s->kind, SymbolKind::kOperator);
    EXPECT_EQ(s->op, o.op);
  }
  struct Fn {
    const char* name;
    int args;
    ResultType type;
  } fns[] = {{"INT", 1, ResultType::kInteger},   {"AGE", 2, ResultType::kString},
             {"CLOCK", 0, ResultType::kInteger}, {"INSTRING", 4, ResultType::kInteger},
             {"RIGHT", 1, ResultType::kString},  {"ROUND", 2, ResultType::kReal},
             {"SUB", 3, ResultType::kString},    {"YEAR", 1, ResultType::kInteger}};
  for (const auto& f : fns) {
    const Symbol* s = table.find(f.name);
    ASSERT_NE(s, nullptr) << f.name;
    EXPECT_EQ(s->maxArgs, f.args) << f.name;
    EXPECT_EQ(s->type, f.type) << f.name;
  }
}

TEST_F(SymbolTableTest, BoundVariablesHaveTheirRuntimeTypes) {
  std::uint8_t byte = 200;
  std::int16_t shrt = -3;
  std::uint16_t ushort = 65535;
  std::int32_t lng = -70000;
  std::uint32_t ulong = 4000000000u;
  float sreal = 1.5f;
  double real = 2.25;
  char str[6] = {'a', 'b', ' ', ' ', ' ', ' '};
  char cstr[6] = "xy";
  char memo[10] = "memo text";
  std::string text = "std";
  unsigned char dec[3] = {0x10, 0x12, 0x34};  // -1234
  BIND("B", byte);
  BIND("S", shrt);
  BIND("US", ushort);
  BIND("L", lng);
  BIND("UL", ulong);
  BIND("SR", sreal);
  BIND("R", real);
  bindText("STR", str, sizeof str, VarType::kString);
  bindText("CSTR", cstr, sizeof cstr, VarType::kCString);
  bindText("MEMO", memo, sizeof memo, VarType::kMemo);
  BIND("TEXT", text);
  bindDecimal("DEC", dec, sizeof dec);
  struct Case {
    const char* text;
    const char* value;
    ResultType type;
  } cases[] = {
      {"B", "200", ResultType::kInteger},         {"S", "-3", ResultType::kInteger},
      {"US", "65535", ResultType::kInteger},      {"L", "-70000", ResultType::kInteger},
      {"UL", "4000000000", ResultType::kInteger}, {"SR", "1.5", ResultType::kReal},
      {"R", "2.25", ResultType::kReal},           {"STR", "ab    ", ResultType::kString},
      {"CSTR", "xy", ResultType::kString},        {"MEMO", "memo text", ResultType::kString},
      {"TEXT", "std", ResultType::kString},       {"DEC", "-1234", ResultType::kReal},
  };
  for (const auto& c : cases) {
    ExprTree tree = compileExpression(c.text);
    ASSERT_TRUE(tree) << c.text;
    EXPECT_EQ(tree->type, c.type) << c.text;
    EXPECT_EQ(evaluate(*tree).asString(), c.value) << c.text;
  }
  // A zero-terminated string without its zero stops at its size.
  std::memcpy(cstr, "abcdef", 6);
  EXPECT_EQ(eval("CSTR"), "abcdef");
  unsigned char cents[3] = {0x00, 0x12, 0x34};
  bindDecimal("CENTS", cents, sizeof cents, 2);
  EXPECT_EQ(eval("CENTS"), "12.34");
}

TEST_F(SymbolTableTest, EvaluationReadsTheCurrentValue) {
  std::int32_t day = 10;
  BIND("Day", day);
  ExprTree tree = compileExpression("Day + 1");
  ASSERT_TRUE(tree);
  EXPECT_EQ(evalInteger(*tree), 11);
  day = 41;
  EXPECT_EQ(evalInteger(*tree), 42);
}

TEST_F(SymbolTableTest, SecondBindReplacesTheFirst) {
  std::int32_t first = 1, second = 2;
  EXPECT_TRUE(BIND("X", first));
  EXPECT_TRUE(BIND("x", second));
  EXPECT_EQ(eval("X"), "2");
  std::size_t size = currentLanguageState().currentTable().size();
  std::int32_t third = 3;
  BIND("X", third);
  EXPECT_EQ(currentLanguageState().currentTable().size(), size);
}

TEST_F(SymbolTableTest, NamesUpTo99Characters) {
  std::int32_t v = 7;
  std::string longest(99, 'N');
  EXPECT_TRUE(BIND(longest, v));
  EXPECT_EQ(eval(longest), "7");
  EXPECT_FALSE(BIND(std::string(100, 'N'), v));
  EXPECT_FALSE(BIND("", v));
}

TEST_F(SymbolTableTest, ScopesHideAndRestoreBindings) {
  std::int32_t outer = 1, inner = 2, only = 3;
  BIND("V", outer);
  PUSHSCOPE();
  EXPECT_FALSE(compiles("V"));          // a new scope starts empty
  EXPECT_TRUE(compiles("UPPER('a')"));  // but with the built-ins
  BIND("V", inner);
  BIND("W", only);
  EXPECT_EQ(eval("V"), "2");
  POPSCOPE();
  EXPECT_EQ(eval("V"), "1");
  EXPECT_FALSE(compiles("W"));
}

TEST_F(SymbolTableTest, NestedScopes) {
  std::int32_t values[4] = {10, 20, 30, 40};
  for (int i = 0; i < 4; ++i) {
    BIND("V", values[i]);
    PUSHSCOPE();
  }
  for (int i = 3; i >= 0; --i) {
    POPSCOPE();
    EXPECT_EQ(eval("V"), std::to_string(values[i]));
  }
  EXPECT_EQ(errorCode(), 0);
}

TEST_F(SymbolTableTest, PopWithoutPushPosts802AndClears) {
  std::int32_t v = 1;
  BIND("V", v);
  POPSCOPE();
  EXPECT_EQ(errorCode(), err::kExprScopeMismatch);
  EXPECT_FALSE(compiles("V"));
  EXPECT_TRUE(compiles("LEN('x')"));
}

TEST_F(SymbolTableTest, ClearingDropsBindingsButBuiltinsReturn) {
  std::int32_t v = 1;
  BIND("V", v);
  clearBindings();
  EXPECT_TRUE(currentLanguageState().currentTable().empty());
  EXPECT_FALSE(compiles("V"));
  EXPECT_TRUE(compiles("ABS(-1)"));
}

TEST_F(SymbolTableTest, AVariableMayShadowABuiltin) {
  std::int32_t v = 5;
  BIND("LEN", v);
  EXPECT_EQ(eval("LEN + 1"), "6");
  EXPECT_FALSE(compiles("LEN('abc')"));
}

TEST_F(SymbolTableTest, ManyBindingsInOrder) {
  // Names bound in sorted order make a deep, list-like branch: nothing in
  // the table may recurse along it.
  std::vector<std::int32_t> values(3000);
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = static_cast<std::int32_t>(i);
    char name[32];
    std::snprintf(name, sizeof name, "ZZ%06zu", i);
    BIND(name, values[i]);
  }
  EXPECT_EQ(eval("ZZ002999"), "2999");
  EXPECT_GT(currentLanguageState().currentTable().depth(), 2000u);
}

TEST_F(SymbolTableTest, StatesAreSeparateAndSwappable) {
  std::int32_t a = 1, b = 2;
  BIND("V", a);
  PUSHSCOPE();
  LanguageStatePtr other = newLanguageState();
  LanguageState* mine = makeLanguageStateCurrent(other.get());
  EXPECT_EQ(mine, m_state.get());
  EXPECT_FALSE(compiles("V"));  // the other thread's bindings are its own
  BIND("V", b);
  POPSCOPE();  // nothing pushed in this state
  EXPECT_EQ(errorCode(), err::kExprScopeMismatch);
  clearError();
  BIND("V", b);
  EXPECT_EQ(makeLanguageStateCurrent(mine), other.get());
  POPSCOPE();  // the push made before the swap
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(eval("V"), "1");
  makeLanguageStateCurrent(other.get());
  EXPECT_EQ(eval("V"), "2");
  makeLanguageStateCurrent(mine);
  EXPECT_EQ(&currentLanguageState(), m_state.get());
}

// Two threads share the machinery as runtime threads do: whoever takes the
// lock makes its own state current, and each sees only its own bindings.
TEST_F(SymbolTableTest, ThreadsSwapStatesUnderOneLock) {
  std::mutex runtimeLock;
  std::atomic<int> wrong{0};
  auto worker = [&](std::int32_t value) {
    LanguageStatePtr state = newLanguageState();
    std::int32_t mine = value;
    for (int round = 0; round < 200; ++round) {
      std::lock_guard<std::mutex> hold(runtimeLock);
      LanguageState* before = makeLanguageStateCurrent(state.get());
      if (round == 0) {
        BIND("Mine", mine);
        PUSHSCOPE();
        BIND("Mine", mine);
      }
      if (eval("Mine * 1") != std::to_string(value)) ++wrong;
      if (round == 199) {
        POPSCOPE();
        if (eval("Mine") != std::to_string(value)) ++wrong;
      }
      makeLanguageStateCurrent(before);
    }
  };
  std::thread a(worker, 11), b(worker, 22);
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(&currentLanguageState(), m_state.get());
}

TEST_F(SymbolTableTest, ValueStackIsEmptyBetweenEvaluations) {
  EXPECT_EQ(eval("SUB(UPPER(LEFT('  abc', 4)), INT(1.5), LEN(CLIP('ab  ')))"), "AB");
  EXPECT_TRUE(currentLanguageState().valueStack().empty());
}

}  // namespace
}  // namespace dw::lang::testing
