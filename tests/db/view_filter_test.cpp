// Views against a brute-force scan: for every key and a table of filters
// (with and without a key range, empty ranges, a case-free key, a
// descending key), paging forward and backward gives exactly the records of
// the key's whole order that the filter's meaning (written here in C++)
// accepts.
#include <functional>

#include "runtime/lang/symbol_table.h"
#include "view_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

std::vector<ViewRow> readForward(View& v, std::size_t pageSize) {
  std::vector<ViewRow> all;
  ViewPage page;
  EXPECT_EQ(v.firstPage(pageSize, page), 0);
  while (true) {
    all.insert(all.end(), page.rows.begin(), page.rows.end());
    if (page.rows.size() < pageSize || page.atEnd) break;
    const std::string from = page.rows.back().position;
    EXPECT_EQ(v.pageAfter(from, pageSize, page), 0);
    if (page.rows.empty()) break;
  }
  return all;
}

std::vector<ViewRow> readBackward(View& v, std::size_t pageSize) {
  std::vector<ViewRow> all;
  ViewPage page;
  EXPECT_EQ(v.lastPage(pageSize, page), 0);
  while (true) {
    all.insert(all.begin(), page.rows.begin(), page.rows.end());
    if (page.rows.size() < pageSize || page.atStart) break;
    const std::string from = page.rows.front().position;
    EXPECT_EQ(v.pageBefore(from, pageSize, page), 0);
    if (page.rows.empty()) break;
  }
  return all;
}

std::vector<std::uint32_t> numbers(const std::vector<ViewRow>& rows) {
  std::vector<std::uint32_t> out;
  for (const ViewRow& r : rows) out.push_back(r.recordNumber);
  return out;
}

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

TEST_F(ViewTest, FiltersMatchABruteForceScanOnEveryKeyBothWays) {
  fillRandom(*m_table, 3000, 40, 7);
  std::int32_t sel = 80017;
  ASSERT_TRUE(lang::BIND("Sel", sel));

  using Pred = std::function<bool(const ViewRecord&)>;
  struct Case {
    const char* filter;
    Pred pred;
  } cases[] = {
      {"V:Date = Sel", [&](const ViewRecord& r) { return r.date == sel; }},
      {"V:Date >= Sel AND V:Date < Sel + 3",
       [&](const ViewRecord& r) { return r.date >= sel && r.date < sel + 3; }},
      {"V:Date = Sel AND V:Enabled = 1",
       [&](const ViewRecord& r) { return r.date == sel && r.enabled == 1; }},
      {"V:Enabled = 1 AND V:Date > Sel",
       [&](const ViewRecord& r) { return r.date > sel && r.enabled == 1; }},
      {"V:Date > Sel OR V:Enabled = 0",
       [&](const ViewRecord& r) { return r.date > sel || r.enabled == 0; }},
      {"UPPER(V:Category) = 'BACKUPS'",
       [](const ViewRecord& r) {
         return trimmed(r.category) == "Backups" || trimmed(r.category) == "BACKUPS";
       }},
      {"V:Category = 'Backups'",
       [](const ViewRecord& r) { return trimmed(r.category) == "Backups"; }},
      {"V:Category = ''", [](const ViewRecord& r) { return trimmed(r.category).empty(); }},
      {"V:Amount > 50.5", [](const ViewRecord& r) { return r.amount > 50.5; }},
      {"V:Amount <= -20 AND V:Amount > -40.25",
       [](const ViewRecord& r) { return r.amount <= -20 && r.amount > -40.25; }},
      {"V:Seq > 10 AND V:Seq <= 30", [](const ViewRecord& r) { return r.seq > 10 && r.seq <= 30; }},
      {"V:Seq > 2995.5", [](const ViewRecord& r) { return r.seq > 2995; }},
      {"V:Seq > 5 AND V:Seq < 3", [](const ViewRecord&) { return false; }},
      {"V:Date < 0", [](const ViewRecord&) { return false; }},
  };

  for (std::size_t k : {kKeySeq, kKeyDateEnabled, kKeyCategory, kKeyAmount}) {
    View whole(*m_table, k);
    const std::vector<ViewRow> order = readForward(whole, 97);
    ASSERT_EQ(order.size(), 3000u) << "key " << k;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.filter) + " on key " + std::to_string(k));
      std::vector<std::uint32_t> expected;
      for (const ViewRow& r : order) {
        if (c.pred(getRecord(r.record))) expected.push_back(r.recordNumber);
      }
      View v(*m_table, k);
      ASSERT_EQ(v.setFilter(c.filter), 0);
      for (std::size_t pageSize : {1u, 7u, 250u}) {
        EXPECT_EQ(numbers(readForward(v, pageSize)), expected) << "page " << pageSize;
        EXPECT_EQ(numbers(readBackward(v, pageSize)), expected) << "page " << pageSize;
      }
    }
  }
}

TEST_F(ViewTest, WholeKeyOrderFollowsTheKeysComponents) {
  fillRandom(*m_table, 500, 9, 3);
  View byDate(*m_table, kKeyDateEnabled);
  const std::vector<ViewRow> rows = readForward(byDate, 64);
  ASSERT_EQ(rows.size(), 500u);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const ViewRecord a = getRecord(rows[i - 1].record), b = getRecord(rows[i].record);
    const auto ka = std::make_tuple(a.date, a.enabled, rows[i - 1].recordNumber);
    const auto kb = std::make_tuple(b.date, b.enabled, rows[i].recordNumber);
    ASSERT_LT(ka, kb) << i;
  }
  View byAmount(*m_table, kKeyAmount);
  const std::vector<ViewRow> down = readForward(byAmount, 64);
  for (std::size_t i = 1; i < down.size(); ++i) {
    ASSERT_GE(getRecord(down[i - 1].record).amount, getRecord(down[i].record).amount) << i;
  }
}

TEST_F(ViewTest, BadFiltersAreRefusedAndLeaveNoFilter) {
  fillRandom(*m_table, 20, 3, 1);
  View v(*m_table, kKeySeq);
  EXPECT_EQ(v.setFilter("V:Seq = = 3"), lang::err::kExprInvalid);
  EXPECT_FALSE(v.hasFilter());
  EXPECT_EQ(v.setFilter("V:Nothing = 3"), lang::err::kExprNoBind);
  EXPECT_FALSE(v.hasFilter());
  ViewPage page;
  ASSERT_EQ(v.firstPage(50, page), 0);
  EXPECT_EQ(page.rows.size(), 20u);
  EXPECT_EQ(v.setFilter("   "), 0);
  EXPECT_FALSE(v.hasFilter());
}

}  // namespace
}  // namespace dw::db
