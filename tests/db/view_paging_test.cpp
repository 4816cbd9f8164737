// Paging a view: pages around a record or a key value, continuing past
// records that another table object deleted, the table's buffer and
// position left alone, and the records a page of a large view reads.
#include <algorithm>

#include "runtime/lang/symbol_table.h"
#include "view_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

std::vector<std::int32_t> seqs(const ViewPage& p) {
  std::vector<std::int32_t> out;
  for (const ViewRow& r : p.rows) out.push_back(getRecord(r.record).seq);
  return out;
}

// Records 1..n with seq = record order, date = seq / 10, enabled = seq odd.
void fillOrdered(Table& t, int n) {
  ASSERT_EQ(t.beginBatch(), 0);
  for (int i = 1; i <= n; ++i) {
    t.clearRecord();
    putRecord(t, ViewRecord{i, 1000 + i / 10, static_cast<std::uint8_t>(i % 2), "x", i * 1.0});
    ASSERT_EQ(t.addRecord(), 0);
  }
  ASSERT_EQ(t.endBatch(), 0);
}

// The record number of seq 1 less one: records are numbered from the file's
// one counter, which the table's own number used first.
std::uint32_t recordBase(Table& t) {
  View plain(t, kKeySeq);
  ViewPage page;
  EXPECT_EQ(plain.firstPage(1, page), 0);
  return page.rows.empty() ? 0 : page.rows[0].recordNumber - 1;
}

TEST_F(ViewTest, PagesAroundARecordAndAValueKeepItNearTheMiddle) {
  fillOrdered(*m_table, 100);
  const std::uint32_t base = recordBase(*m_table);
  View v(*m_table, kKeySeq);
  ASSERT_EQ(v.setFilter("V:Seq % 3 <> 0"), 0);  // gaps every third record
  struct Case {
    std::uint32_t record;
    std::vector<std::int32_t> expected;
    bool atStart, atEnd;
  } cases[] = {
      {50, {47, 49, 50, 52, 53}, false, false}, {1, {1, 2, 4, 5, 7}, true, false},
      {2, {1, 2, 4, 5, 7}, true, false},        {100, {94, 95, 97, 98, 100}, false, true},
      {51, {49, 50, 52, 53, 55}, false, false},  // rejected: the page at its place
  };
  for (const Case& c : cases) {
    ViewPage page;
    ASSERT_EQ(v.pageAroundRecord(base + c.record, 5, page), 0) << c.record;
    EXPECT_EQ(seqs(page), c.expected) << c.record;
    EXPECT_EQ(page.atStart, c.atStart) << c.record;
    EXPECT_EQ(page.atEnd, c.atEnd) << c.record;
  }
  ViewPage page;
  EXPECT_EQ(v.pageAroundRecord(base + 101, 5, page), kErrNotFound);
  EXPECT_EQ(v.pageAroundRecord(0, 5, page), kErrNotFound);

  std::string image(m_table->desc().recordLength, '\0');
  const std::int32_t wanted = 60;  // rejected by the filter: its neighbours
  std::memcpy(image.data() + kSeq, &wanted, 4);
  ASSERT_EQ(v.pageAroundValue(image, 4, page), 0);
  EXPECT_EQ(seqs(page), (std::vector<std::int32_t>{59, 61, 62, 64}));
}

TEST_F(ViewTest, PagingContinuesAcrossRecordsDeletedByAnotherTableObject) {
  fillOrdered(*m_table, 60);
  const std::uint32_t base = recordBase(*m_table);
  std::unique_ptr<Table> other;
  ASSERT_EQ(
      Table::openTable(m_dir.file("views") + "\\!Tasks", viewTable(), TableOpenOptions{}, other),
      0);
  View v(*m_table, kKeyDateEnabled);
  ASSERT_EQ(v.setFilter("V:Enabled = 1"), 0);
  ViewPage page;
  ASSERT_EQ(v.firstPage(5, page), 0);
  ASSERT_EQ(seqs(page), (std::vector<std::int32_t>{1, 3, 5, 7, 9}));
  // The other object deletes the page's last row and the two rows after it.
  for (std::uint32_t rn : {9u, 11u, 13u}) {
    ASSERT_EQ(other->readRecord(base + rn), 0);
    ASSERT_EQ(other->deleteRecord(), 0);
  }
  const std::string last = page.rows.back().position;
  ASSERT_EQ(v.pageAfter(last, 3, page), 0);
  EXPECT_EQ(seqs(page), (std::vector<std::int32_t>{15, 17, 19}));
  ASSERT_EQ(v.pageBefore(page.rows.front().position, 10, page), 0);
  EXPECT_EQ(seqs(page), (std::vector<std::int32_t>{1, 3, 5, 7}));
  EXPECT_TRUE(page.atStart);
  other->closeTable();
}

TEST_F(ViewTest, ARowTestOfTheProgramJoinsTheFilter) {
  fillOrdered(*m_table, 40);
  const std::uint32_t base = recordBase(*m_table);
  View v(*m_table, kKeyDateEnabled);
  ASSERT_EQ(v.setFilter("V:Date >= 1002"), 0);  // seq 20 onward
  std::vector<std::uint32_t> tagged{base + 3, base + 21, base + 22, base + 39};
  v.setRowTest([&](std::uint32_t rn, const std::string&) {
    return std::find(tagged.begin(), tagged.end(), rn) != tagged.end();
  });
  ViewPage page;
  ASSERT_EQ(v.firstPage(10, page), 0);
  EXPECT_EQ(seqs(page), (std::vector<std::int32_t>{22, 21, 39}));  // enabled 0 before 1 per date
  ASSERT_EQ(v.lastPage(2, page), 0);
  EXPECT_EQ(seqs(page), (std::vector<std::int32_t>{21, 39}));
}

TEST_F(ViewTest, ReadingPagesLeavesTheTablesBufferAndPositionAlone) {
  fillOrdered(*m_table, 30);
  m_table->cursor().setKeyOrder(kKeySeq);
  ASSERT_EQ(m_table->step(StepDirection::Next), 0);  // on seq 1
  const std::string buffer = m_table->record();
  View v(*m_table, kKeyAmount);
  ASSERT_EQ(v.setFilter("V:Amount < 20"), 0);
  ViewPage page;
  ASSERT_EQ(v.lastPage(4, page), 0);
  EXPECT_EQ(seqs(page), (std::vector<std::int32_t>{4, 3, 2, 1}));  // descending amounts
  EXPECT_TRUE(v.passes(page.rows.front().record));
  EXPECT_EQ(m_table->record(), buffer);
  EXPECT_EQ(getRecord(m_table->record()).seq, 1);
  ASSERT_EQ(m_table->step(StepDirection::Next), 0);
  EXPECT_EQ(getRecord(m_table->record()).seq, 2);
}

// A page of a 100,000-record view reads about one page of records plus
// those the filter rejects inside the key range, wherever the page lies.
TEST_F(ViewTest, APageOfALargeViewReadsAboutOnePage) {
  fillOrdered(*m_table, 100000);
  const std::uint32_t base = recordBase(*m_table);
  std::int32_t day = 1000 + 5000;
  ASSERT_TRUE(lang::BIND("Day", day));
  View v(*m_table, kKeyDateEnabled);
  ASSERT_EQ(v.setFilter("V:Date >= Day AND V:Enabled = 1"), 0);
  struct Step {
    const char* what;
    std::function<int(ViewPage&)> run;
    std::uint64_t atMost;
  };
  ViewPage page;
  std::string bottom;
  const Step steps[] = {
      // The range starts at Day: the even records between are rejected, so
      // a page of 20 passes about 40 entries, plus the one that ends it.
      {"first", [&](ViewPage& p) { return v.firstPage(20, p); }, 42},
      {"down", [&](ViewPage& p) { return v.pageAfter(bottom, 20, p); }, 42},
      {"last", [&](ViewPage& p) { return v.lastPage(20, p); }, 42},
      {"around", [&](ViewPage& p) { return v.pageAroundRecord(base + 77777, 20, p); }, 44},
  };
  for (const Step& s : steps) {
    v.resetRecordsRead();
    ASSERT_EQ(s.run(page), 0) << s.what;
    ASSERT_EQ(page.rows.size(), 20u) << s.what;
    bottom = page.rows.back().position;
    EXPECT_LE(v.recordsRead(), s.atMost) << s.what;
    for (const ViewRow& r : page.rows) {
      const ViewRecord rec = getRecord(r.record);
      EXPECT_GE(rec.date, day);
      EXPECT_EQ(rec.enabled, 1);
    }
  }
  // Without a filter the count is the page and one more at most.
  View plain(*m_table, kKeySeq);
  ASSERT_EQ(plain.pageAroundRecord(base + 50000, 30, page), 0);
  EXPECT_LE(plain.recordsRead(), 33u);
  EXPECT_EQ(getRecord(page.rows[14].record).seq, 50000);
}

}  // namespace
}  // namespace dw::db
