// Key ranges of filters and the subtrees evaluated once before a scan.
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "runtime/lang/expr_key_range.h"
#include "tests/expr/expr_fixture.h"

namespace dw::lang::testing {
namespace {

// A record with an integer date, a blank-padded category, a real, a 4-byte
// real and a DECIMAL(15,2).
struct Record {
  std::int32_t date = 0;
  char category[8] = {};
  double amount = 0;
  float rate = 0;
  unsigned char price[8] = {};
};

// Packs cents into the DECIMAL layout: a sign nibble, then 15 digits.
void packDecimal(std::int64_t cents, unsigned char (&out)[8]) {
  std::uint64_t digits = cents < 0 ? std::uint64_t(-cents) : std::uint64_t(cents);
  for (int nibble = 15; nibble >= 1; --nibble, digits /= 10) {
    unsigned char d = static_cast<unsigned char>(digits % 10);
    unsigned char& byte = out[nibble / 2];
    byte = nibble % 2 ? static_cast<unsigned char>((byte & 0xF0) | d)
                      : static_cast<unsigned char>((byte & 0x0F) | (d << 4));
  }
  out[0] = static_cast<unsigned char>((out[0] & 0x0F) | (cents < 0 ? 0xD0 : 0x00));
}

class KeyRangeTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    BIND("SCH:Date", m_record.date);
    bindText("SCH:Category", m_record.category, sizeof m_record.category, VarType::kString);
    BIND("SCH:Amount", m_record.amount);
    BIND("Selected", m_selected);
    BIND("Wanted", m_wanted);
    BIND("SCH:Rate", m_record.rate);
    bindDecimal("SCH:Price", m_record.price, sizeof m_record.price, 2);
    BIND("Limit", m_limit);
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
  double m_limit = 0;
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
  ASSERT_TRUE(r.components[2].lower.value);
  EXPECT_NEAR(r.components[2].lower.value->real, 3.0, 1e-9);
  EXPECT_EQ(show(r.components[2].upper), "-");
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

TEST_F(KeyRangeTest, RealAndDecimalComponentsGetInclusiveBoundsJustOutside) {
  const double kNone = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* filter;
    const char* component;
    double lower;  // the filter's own bound, kNone for unlimited
    double upper;
  } cases[] = {
      {"SCH:Amount = 2.5", "SCH:Amount", 2.5, 2.5},
      {"SCH:Amount > Selected", "SCH:Amount", 100, kNone},
      {"-3 >= SCH:Amount", "SCH:Amount", kNone, -3},
      {"SCH:Amount < 0", "SCH:Amount", kNone, 0},
      {"0 <= SCH:Amount AND SCH:Amount < 1.0E300", "SCH:Amount", 0, 1e300},
      {"SCH:Amount > 5 AND SCH:Amount >= 7 AND SCH:Amount < 20 AND SCH:Amount < 12.5", "SCH:Amount",
       7, 12.5},
      {"(SCH:Amount = 1 OR SCH:Date = 2) AND SCH:Amount <= 0.001", "SCH:Amount", kNone, 0.001},
      {"SCH:Rate = 0.1", "SCH:Rate", 0.1, 0.1},
      {"SCH:Rate > 1000000", "SCH:Rate", 1e6, kNone},
      {"SCH:Price >= 12.34 AND SCH:Price < DATE(1, 1, 2000)", "SCH:Price", 12.34, 72687},
      {"SCH:Price = -0.01", "SCH:Price", -0.01, -0.01},
  };
  for (const auto& c : cases) {
    ResolvedKeyRange r = range(c.filter, {c.component});
    ASSERT_EQ(r.components.size(), 1u);
    EXPECT_FALSE(r.empty) << c.filter;
    for (int sign : {1, -1}) {
      const ResolvedBound& b = sign > 0 ? r.components[0].lower : r.components[0].upper;
      double expected = sign > 0 ? c.lower : c.upper;
      if (std::isnan(expected)) {
        EXPECT_FALSE(b.value) << c.filter;
        continue;
      }
      ASSERT_TRUE(b.value) << c.filter;
      EXPECT_EQ(b.value->type, ResultType::kReal) << c.filter;
      EXPECT_TRUE(b.inclusive) << c.filter;
      // Strictly outside, but by no more than a 4-byte real's precision.
      double outward = (expected - b.value->real) * sign;
      EXPECT_GT(outward, 0) << c.filter;
      EXPECT_LT(outward, std::fmax(std::fabs(expected), 1.0) * 0x1p-18) << c.filter;
    }
  }
}

TEST_F(KeyRangeTest, RealComponentsUnlimitedOrEmpty) {
  const double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* filter;
    double limit;
    bool empty;
  } cases[] = {
      {"SCH:Amount = 1 OR SCH:Amount = 2", 0, false},
      {"~(SCH:Amount > 1)", 0, false},
      {"SCH:Amount <> 1", 0, false},
      {"SCH:Amount = SCH:Date", 0, false},
      {"SCH:Amount = '5'", 0, false},  // strings are not bounds of a number
      {"SCH:Amount > RANDOM(1, 2)", 0, false},
      {"SCH:Amount > Limit", kInf, false},  // no finite edge: left open
      {"SCH:Amount <= Limit", -kInf, false},
      {"SCH:Amount < Limit", std::numeric_limits<double>::max(), false},  // widening overflows
      {"SCH:Amount = Limit", std::numeric_limits<double>::quiet_NaN(), true},
  };
  for (const auto& c : cases) {
    m_limit = c.limit;
    ResolvedKeyRange r = range(c.filter, {"SCH:Amount"});
    ASSERT_EQ(r.components.size(), 1u);
    EXPECT_FALSE(r.components[0].lower.value) << c.filter;
    EXPECT_FALSE(r.components[0].upper.value) << c.filter;
    EXPECT_EQ(r.empty, c.empty) << c.filter;
  }
  EXPECT_TRUE(range("SCH:Amount = 1 AND SCH:Amount = 2", {"SCH:Amount"}).empty);
  EXPECT_TRUE(range("SCH:Price < -5 AND SCH:Price > 5", {"SCH:Price"}).empty);
  // Both compare equal to 1, so a record can pass both.
  EXPECT_FALSE(range("SCH:Amount = 1 AND SCH:Amount = 1.0000000000000002", {"SCH:Amount"}).empty);
  EXPECT_FALSE(range("SCH:Rate = 0 AND SCH:Rate = 1.0E-20", {"SCH:Rate"}).empty);
}

// Random values near random bounds: whatever the filter accepts lies inside
// the resolved range, for every kind of component.
TEST_F(KeyRangeTest, AcceptedValuesAlwaysLieInsideTheRange) {
  const char* components[] = {"SCH:Amount", "SCH:Rate", "SCH:Price", "SCH:Date"};
  const char* shapes[] = {
      "{c} = Limit",
      "{c} < Limit",
      "{c} <= Limit",
      "{c} > Limit",
      "{c} >= Limit",
      "Limit = {c}",
      "Limit > {c}",
      "{c} >= Limit AND {c} <= Limit",
      "{c} > Limit AND {c} < Limit * 1.0000000000001 + 1.0E-300",
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double limits[] = {0,
                           1,
                           -1,
                           2.5,
                           0.1,
                           1e-300,
                           -7e-17,
                           100,
                           123456.78,
                           1e15,
                           -1e15,
                           1e300,
                           3.0e38,
                           1e-40,
                           kInf,
                           -kInf,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::quiet_NaN()};
  std::mt19937_64 random(20261207);
  auto pick = [&](int from, int to) {
    return std::uniform_int_distribution<int>(from, to)(random);
  };
  for (const char* component : components) {
    ExprTree read = compileExpression(component);
    ASSERT_TRUE(read);
    for (const char* shape : shapes) {
      std::string filter = shape;
      for (std::size_t at; (at = filter.find("{c}")) != std::string::npos;) {
        filter.replace(at, 3, component);
      }
      for (double limit : limits) {
        m_limit = limit;
        ResolvedKeyRange r = range(filter, {component});
        const ResolvedComponent& c = r.components.at(0);
        for (int trial = 0; trial < 60; ++trial) {
          double x = limit;
          if (trial % 3 == 1) {
            for (int steps = pick(-200, 200); steps != 0; steps -= steps > 0 ? 1 : -1) {
              x = std::nextafter(x, steps > 0 ? 1e308 : -1e308);
            }
          } else if (trial % 3 == 2) {
            x = limit * (1 + pick(-1000, 1000) * 0x1p-60) + pick(-3, 3) * 0x1p-55;
          }
          m_record.amount = x;
          m_record.rate = static_cast<float>(x);
          if (pick(0, 1))
            m_record.rate = std::nextafter(m_record.rate, pick(0, 1) ? 1e30f : -1e30f);
          double cents = std::round(x * 100) + pick(-2, 2);
          if (!(std::fabs(cents) < 1e15)) cents = 0;  // NaN too
          packDecimal(static_cast<std::int64_t>(cents), m_record.price);
          double days = std::round(x) + pick(-1, 1);
          m_record.date = std::fabs(days) < 2e9 ? static_cast<std::int32_t>(days) : 0;
          if (!evalTruth(*m_tree)) continue;
          ASSERT_FALSE(r.empty) << filter << " " << limit;
          double v = evaluate(*read).asReal();
          if (c.lower.value) {
            double low = c.lower.value->asReal();
            EXPECT_TRUE(c.lower.inclusive ? v >= low : v > low)
                << filter << " " << limit << " " << v;
          }
          if (c.upper.value) {
            double high = c.upper.value->asReal();
            EXPECT_TRUE(c.upper.inclusive ? v <= high : v < high)
                << filter << " " << limit << " " << v;
          }
        }
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
