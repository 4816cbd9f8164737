// A view of the Schedule table as a list's row source: any window the list
// asks for, in any order, is the same slice of the whole view, and
// scrolling page by page reads about the rows shown.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "app/data/records.h"
#include "app/data/table_descs.h"
#include "app/data/view_list_source.h"
#include "runtime/lang/errors.h"
#include "runtime/lang/language_state.h"
#include "runtime/lang/symbol_table.h"
#include "tests/db/db_test_util.h"

namespace dw::app {
namespace {

using dw::db::testing::TempDir;

class ViewListSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_state = lang::newLanguageState();
    m_previous = lang::makeLanguageStateCurrent(m_state.get());
    db::TableOpenOptions o;
    o.disposition = db::OpenDisposition::CreateIfMissing;
    ASSERT_EQ(
        db::Table::openTable(m_dir.file("SM.BRK") + "\\!Schedule", scheduleTableDesc(), o, m_table),
        0);
  }
  void TearDown() override {
    m_table->closeTable();
    lang::makeLanguageStateCurrent(m_previous);
  }

  // Tasks 1..n: a category out of three, dates over 30 days, a quarter
  // disabled.
  void fill(int n) {
    static const char* const kCategories[] = {"Backups", "Reports", "Mail"};
    std::mt19937 rng(12);
    ASSERT_EQ(m_table->beginBatch(), 0);
    for (int i = 1; i <= n; ++i) {
      m_table->clearRecord();
      ScheduleRecord r;
      std::memcpy(&r, m_table->record().data(), sizeof r);
      r.ID = i;
      std::string c = kCategories[rng() % 3];
      c.resize(sizeof r.Category, ' ');
      std::memcpy(&r.Category, c.data(), sizeof r.Category);
      r.Date = 80000 + static_cast<std::int32_t>(rng() % 30);
      r.Time = static_cast<std::int32_t>(rng() % 1000) + 1;
      r.Disabled = rng() % 4 == 0;
      std::memcpy(m_table->record().data(), &r, sizeof r);
      ASSERT_EQ(m_table->addRecord(), 0);
    }
    ASSERT_EQ(m_table->endBatch(), 0);
  }

  static ui::ListRow idRow(const db::ViewRow& row) {
    ScheduleRecord r;
    std::memcpy(&r, row.record.data(), sizeof r);
    return {std::to_string(r.ID)};
  }

  TempDir m_dir;
  std::unique_ptr<db::Table> m_table;
  lang::LanguageStatePtr m_state;
  lang::LanguageState* m_previous = nullptr;
};

TEST_F(ViewListSourceTest, AnyWindowInAnyOrderIsTheSliceOfTheWholeView) {
  fill(3000);
  for (const char* filter : {"", "UPPER(SCH:Category) = 'BACKUPS'", "SCH:Disabled = 0"}) {
    SCOPED_TRACE(filter);
    db::View view(*m_table, sch_key::kKeyDateEnabled);
    ASSERT_EQ(view.setFilter(filter), 0);
    // The whole view in one page, as the reference.
    db::ViewPage all;
    ASSERT_EQ(view.firstPage(100000, all), 0);
    std::vector<ui::ListRow> expected;
    for (const db::ViewRow& r : all.rows) expected.push_back(idRow(r));

    ViewListSource source(view, idRow);
    const std::int64_t n = source.rowCount();
    ASSERT_EQ(n, static_cast<std::int64_t>(expected.size()));
    std::mt19937 rng(99);
    for (int i = 0; i < 300; ++i) {
      // Mostly scrolls near the last window, sometimes a jump anywhere.
      const std::int64_t count = 1 + static_cast<std::int64_t>(rng() % 40);
      const std::int64_t first = static_cast<std::int64_t>(rng() % static_cast<unsigned>(n + 10));
      std::vector<ui::ListRow> got;
      source.fetch(first, count, got);
      const std::int64_t to = std::min(first + count, n);
      std::vector<ui::ListRow> want;
      if (first < to) want.assign(expected.begin() + first, expected.begin() + to);
      ASSERT_EQ(got, want) << first << "+" << count;
    }
  }
}

TEST_F(ViewListSourceTest, ScrollingPageByPageReadsAboutTheRowsShown) {
  fill(20000);
  db::View view(*m_table, sch_key::kKeyDateEnabled);
  ASSERT_EQ(view.setFilter("SCH:Disabled = 0"), 0);
  ViewListSource source(view, idRow);
  std::vector<ui::ListRow> got;
  source.fetch(0, 25, got);
  for (std::int64_t top = 25; top < 500; top += 25) {
    view.resetRecordsRead();
    got.clear();
    source.fetch(top, 25, got);
    ASSERT_EQ(got.size(), 25u);
    // The range starts at the enabled tasks: nothing is rejected, so a
    // page reads its rows and the one after them at most.
    EXPECT_LE(view.recordsRead(), 26u) << top;
  }
  // Back up by a few rows: only the new rows are read.
  view.resetRecordsRead();
  got.clear();
  source.fetch(470, 25, got);
  EXPECT_LE(view.recordsRead(), 6u);
}

}  // namespace
}  // namespace dw::app
