// Shared pieces of the view tests: a scheduled-task-shaped table with keys
// of every kind a view meets (unique, duplicates over two components, a
// case-free text key, a descending real key), random records from a fixed
// seed, and a language state of the test's own for the filters' names.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "runtime/db/record_declaration.h"
#include "runtime/db/table.h"
#include "runtime/db/view.h"
#include "runtime/lang/errors.h"
#include "runtime/lang/language_state.h"
#include "table_test_util.h"

namespace dw::db::testing {

// Offsets of the fields below.
constexpr std::size_t kSeq = 0, kDate = 4, kEnabled = 8, kCategory = 9, kAmount = 19;
enum ViewKey : std::size_t { kKeySeq = 0, kKeyDateEnabled = 1, kKeyCategory = 2, kKeyAmount = 3 };

inline TableDesc viewTable() {
  FieldListBuilder b;
  b.field("V:Seq", FieldType::Long)
      .field("V:Date", FieldType::Long)
      .field("V:Enabled", FieldType::Byte)
      .text("V:Category", FieldType::String, 10, "@s10")
      .field("V:Amount", FieldType::Real);
  std::vector<DeclaredKey> keys(4);
  keys[0] = {"V:KeySeq", "", kKeyPrimary, {1}};
  keys[1] = {"V:KeyDateEnabled", "", kKeyDuplicates, {2, 3}};
  keys[2] = {"V:KeyCategory", "", kKeyDuplicates | kKeyNoCase, {4}};
  keys[3] = {"V:KeyAmount", "", kKeyDuplicates, {-5}};
  TableDesc d;
  EXPECT_EQ(acceptDeclaration(b.build(), 0, {}, keys, d), 0);
  return d;
}

struct ViewRecord {
  std::int32_t seq = 0;
  std::int32_t date = 0;
  std::uint8_t enabled = 0;
  std::string category;
  double amount = 0;
};

inline void putRecord(Table& t, const ViewRecord& r) {
  std::string& b = t.record();
  std::memcpy(b.data() + kSeq, &r.seq, 4);
  std::memcpy(b.data() + kDate, &r.date, 4);
  b[kEnabled] = static_cast<char>(r.enabled);
  std::string c = r.category;
  c.resize(10, ' ');
  b.replace(kCategory, 10, c);
  std::memcpy(b.data() + kAmount, &r.amount, 8);
}

inline ViewRecord getRecord(const std::string& b) {
  ViewRecord r;
  std::memcpy(&r.seq, b.data() + kSeq, 4);
  std::memcpy(&r.date, b.data() + kDate, 4);
  r.enabled = static_cast<std::uint8_t>(b[kEnabled]);
  r.category = b.substr(kCategory, 10);
  std::memcpy(&r.amount, b.data() + kAmount, 8);
  return r;
}

// n records with seq 1..n; dates over `days` days, categories from a short
// list in mixed case, amounts in cents.  One batch.
inline void fillRandom(Table& t, int n, int days, unsigned seed) {
  static const char* const kCategories[] = {"Backups", "BACKUPS", "mail", "Reports", "zz", ""};
  std::mt19937 rng(seed);
  ASSERT_EQ(t.beginBatch(), 0);
  for (int i = 1; i <= n; ++i) {
    ViewRecord r;
    r.seq = i;
    r.date = 80000 + static_cast<std::int32_t>(rng() % days);
    r.enabled = static_cast<std::uint8_t>(rng() % 2);
    r.category = kCategories[rng() % 6];
    r.amount = (static_cast<double>(rng() % 20000) - 10000) / 100.0;
    t.clearRecord();
    putRecord(t, r);
    ASSERT_EQ(t.addRecord(), 0);
  }
  ASSERT_EQ(t.endBatch(), 0);
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_state = lang::newLanguageState();
    m_previous = lang::makeLanguageStateCurrent(m_state.get());
    lang::clearError();
    ASSERT_EQ(
        Table::openTable(m_dir.file("views") + "\\!Tasks", viewTable(), createOptions(), m_table),
        0);
  }
  void TearDown() override {
    if (m_table) m_table->closeTable();
    lang::makeLanguageStateCurrent(m_previous);
  }

  TempDir m_dir;
  std::unique_ptr<Table> m_table;
  lang::LanguageStatePtr m_state;
  lang::LanguageState* m_previous = nullptr;
};

}  // namespace dw::db::testing
