// Key ranges of filters and the subtrees evaluated once before a scan.
#include <cstring>
#include <string>
#include <vector>

#include "runtime/lang/expr_key_range.h"
#include "tests/expr/expr_fixture.h"

namespace dw::lang::testing {
namespace {

// A record with an integer date, a blank-padded category and a real.
struct Record {
  std::int32_t date = 0;
  char category[8] = {};
  double amount = 0;
};

class KeyRangeTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    BIND("SCH:Date", m_record.date);
    bindText("SCH:Category", m_record.category, sizeof m_record.category, VarType::kString);
    BIND("SCH:Amount", m_record.amount);
    BIND("Selected", m_selected);
    BIND("Wanted", m_wanted);
    m_isField = variablesIn({{&m_record, sizeof m_record}});
  }

  ResolvedKeyRange range(const std::string& filter, std::vector<std::string> key) {
    m_tree = compileExpression(filter);
    EXPECT_TRUE(m_tree) << filter;
    if (!m_tree) return {};
    return resolveKeyRange(planKeyRange(*m_tree, key, m_isField));
  }

  static std::string show(const ResolvedBound& b) {
    if (!b.value) return "-";
    return (b.inclusive ? "[" : "(") + b.value->asString();
  }

  Record m_record;
  std::int32_t m_selected = 100;
  std::string m_wanted = "WORK";
  RecordTest m_isField;
  ExprTree m_tree;
};

TEST_F(KeyRangeTest, ComparisonsJoinedByAnd) {
  struct Case {
    const char* filter;
    const char* lower;
    const char* upper;
  } cases[] = {
      {"SCH:Date = Selected", "[100", "[100"},
      {"(SCH:Date=Selected)", "[100", "[100"},
      {"SCH:Date > 5", "(5", "-"},
      {"SCH:Date >= 5", "[5", "-"},
      {"SCH:Date < 5", "-", "(5"},
      {"SCH:Date <= 5", "-", "[5"},
      {"5 < SCH:Date", "(5", "-"},  // the bound on the left
      {"5 >= SCH:Date", "-", "[5"},
      {"SCH:Date ~< 5 AND SCH:Date =< 9", "[5", "[9"},
      {"SCH:Date > 5 AND SCH:Date >= 7 AND SCH:Date < 20 AND SCH:Date < 12", "[7", "(12"},
      {"SCH:Date >= 5 AND SCH:Date > 5", "(5", "-"},  // equal bounds: the strict one wins
      {"SCH:Date > Selected - 10 AND SCH:Amount > 1", "[89", "-"},  // a real bound, widened
      {"SCH:Date = 2.5", "[2", "[3"},
      {"SCH:Date >= DATE(1, 1, 2000)", "[72687", "-"},
  };
  for (const auto& c : cases) {
    ResolvedKeyRange r = range(c.filter, {"SCH:Date"});
    ASSERT_EQ(r.components.size(), 1u);
    EXPECT_EQ(show(r.components[0].lower), c.lower) << c.filter;
    EXPECT_EQ(show(r.components[0].upper), c.upper) << c.filter;
    EXPECT_FALSE(r.empty) << c.filter;
  }
}

TEST_F(KeyRangeTest, NothingThroughOrNotOrRecordDependence) {
  for (const char* filter : {
           "SCH:Date = 5 OR SCH:Date = 6", "~(SCH:Date > 5)", "SCH:Date <> 5",
           "SCH:Date = SCH:Date", "SCH:Date + 0 = 5", "SCH:Date = 5 XOR 1",
           "SCH:Date > RANDOM(1, 2)", "SCH:Date > CLOCK()", "(SCH:Date = 5) = 1",
           "SCH:Date = '5'",  // compared as reals, not in key order
       }) {
    ResolvedKeyRange r = range(filter, {"SCH:Date"});
    ASSERT_EQ(r.components.size(), 1u);
    EXPECT_FALSE(r.components[0].lower.value) << filter;
    EXPECT_FALSE(r.components[0].upper.value) << filter;
  }
  // The AND-joined part outside an OR still counts.
  ResolvedKeyRange r = range("(SCH:Amount = 1 OR SCH:Amount = 2) AND SCH:Date < 9", {"SCH:Date"});
  EXPECT_EQ(show(r.components[0].upper), "(9");
}

TEST_F(KeyRangeTest, SeveralComponentsAndStrings) {
  ResolvedKeyRange r = range(
      "UPPER(SCH:Category) = Wanted AND SCH:Category = Wanted AND "
      "SCH:Date >= Selected AND SCH:Amount > 3",
      {"SCH:Category", "SCH:Date", "SCH:Amount"});
  ASSERT_EQ(r.components.size(), 3u);
  EXPECT_EQ(show(r.components[0].lower), "[WORK");
  EXPECT_EQ(show(r.components[0].upper), "[WORK");
  EXPECT_EQ(show(r.components[1].lower), "[100");
  EXPECT_EQ(show(r.components[1].upper), "-");
  // Real components are never limited.
  EXPECT_EQ(show(r.components[2].lower), "-");
  r = range("SCH:Category >= 'B' AND SCH:Category < 'D' AND SCH:Category > 'BA'", {"SCH:Category"});
  EXPECT_EQ(show(r.components[0].lower), "(BA");
  EXPECT_EQ(show(r.components[0].upper), "(D");
  EXPECT_FALSE(r.empty);
}

TEST_F(KeyRangeTest, BoundsFollowTheVariablesAtResolveTime) {
  ExprTree tree = compileExpression("SCH:Date = Selected");
  KeyRangePlan plan = planKeyRange(*tree, {"sch:date"}, m_isField);
  m_selected = 7;
  EXPECT_EQ(show(resolveKeyRange(plan).components[0].lower), "[7");
  m_selected = 8;
  EXPECT_EQ(show(resolveKeyRange(plan).components[0].lower), "[8");
}

TEST_F(KeyRangeTest, ContradictoryBoundsMakeAnEmptyRange) {
  EXPECT_TRUE(range("SCH:Date = 5 AND SCH:Date = 6", {"SCH:Date"}).empty);
  EXPECT_TRUE(range("SCH:Date > 5 AND SCH:Date < 5", {"SCH:Date"}).empty);
  EXPECT_TRUE(range("SCH:Date > 5 AND SCH:Date <= 5", {"SCH:Date"}).empty);
  EXPECT_FALSE(range("SCH:Date >= 5 AND SCH:Date <= 5", {"SCH:Date"}).empty);
}

TEST_F(KeyRangeTest, RangesNeverLoseARecordThatPasses) {
  // Every date in 0..40 that passes the filter lies inside the range.
  const char* filters[] = {
      "SCH:Date > Selected / 10 AND SCH:Date <= 30",
      "SCH:Date = 10.0000000000000001",
      "SCH:Date >= 9.9999999999999999",
      "SCH:Date < 20.5 AND SCH:Date > 3.5",
      "SCH:Date >= 12 AND SCH:Date ~> 12",
  };
  for (const char* filter : filters) {
    ResolvedKeyRange r = range(filter, {"SCH:Date"});
    for (std::int32_t d = 0; d <= 40; ++d) {
      m_record.date = d;
      if (!evalTruth(*m_tree)) continue;
      const ResolvedComponent& c = r.components[0];
      ASSERT_FALSE(r.empty) << filter;
      if (c.lower.value) {
        std::int64_t low = c.lower.value->integer;
        EXPECT_TRUE(c.lower.inclusive ? d >= low : d > low) << filter << " " << d;
      }
      if (c.upper.value) {
        std::int64_t high = c.upper.value->integer;
        EXPECT_TRUE(c.upper.inclusive ? d <= high : d < high) << filter << " " << d;
      }
    }
  }
}

TEST_F(KeyRangeTest, HoistableSubtrees) {
  ExprTree tree = compileExpression(
      "UPPER(SCH:Category) = UPPER(Wanted) AND SCH:Date > Selected + 1 AND "
      "SCH:Date < RANDOM(1, 9) + 100 AND SCH:Date <> 3");
  ASSERT_TRUE(tree);
  std::vector<std::string> texts;
  for (const ExprNode* n : hoistableSubtrees(*tree, m_isField)) {
    texts.push_back(n->kind == NodeKind::kCall ? n->name : std::to_string(int(n->op)));
  }
  // UPPER(Wanted) and Selected + 1; not RANDOM, not the record's UPPER.
  EXPECT_EQ(texts, (std::vector<std::string>{"UPPER", std::to_string(int(OpCode::kAdd))}));
  EXPECT_TRUE(isRecordIndependent(*compileExpression("Selected * 2 & TODAY()"), m_isField));
  EXPECT_FALSE(isRecordIndependent(*compileExpression("Selected * SCH:Amount"), m_isField));
}

TEST_F(KeyRangeTest, PreparedScanEvaluatesIndependentPartsOnce) {
  ExprTree tree = compileExpression("SCH:Date = Selected * 2");
  ASSERT_TRUE(tree);
  m_selected = 5;
  prepareScan(*tree, m_isField);
  m_selected = 6;  // changes after the scan began do not count
  m_record.date = 10;
  EXPECT_TRUE(evalTruth(*tree));
  m_record.date = 12;
  EXPECT_FALSE(evalTruth(*tree));
  endScan(*tree);
  EXPECT_TRUE(evalTruth(*tree));
}

}  // namespace
}  // namespace dw::lang::testing
