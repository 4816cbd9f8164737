// The table consistency check finds each kind of damage it promises to,
// and passes tables whose keys are merely waiting for BUILD.
#include <functional>

#include "runtime/db/brkbt.h"
#include "runtime/db/consistency_check.h"
#include "runtime/db/table_entries.h"
#include "runtime/db/table_keys.h"
#include "table_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

constexpr std::size_t kIdOffset = 0;

struct Damage {
  const char* what;
  std::function<void(Table&, BriskFile&, const TableRef&)> apply;
  const char* fault;  // a part of one fault expected; null: still sound
};

std::string firstKeyEntry(BriskFile& f, std::uint32_t table) {
  return std::string(firstOfPrefix(f, keyPrefix(table, 0))->key());
}

TEST(ConsistencyCheck, FindsEachKindOfDamage) {
  const Damage cases[] = {
      {"nothing", [](Table&, BriskFile&, const TableRef&) {}, nullptr},
      {"key entry removed",
       [](Table& t, BriskFile& f, const TableRef&) {
         deleteEntry(f, firstKeyEntry(f, t.number()));
       },
       "count 3, 2 entries"},
      {"key entry removed, count lowered",
       [](Table& t, BriskFile& f, const TableRef& ref) {
         deleteEntry(f, firstKeyEntry(f, t.number()));
         addCount(ref, 0, -1);
       },
       "1 entries missing"},
      {"stale key entry",
       [](Table& t, BriskFile& f, const TableRef&) {
         Entry e = *firstOfPrefix(f, keyPrefix(t.number(), 0));
         deleteEntry(f, e.key());
         e.bytes[8] = char(0x7F);  // another id, same record
         insertEntry(f, Entry(e.bytes, e.keyLength));
       },
       "1 stale entries"},
      {"record gone under its key entry",
       [](Table& t, BriskFile& f, const TableRef& ref) {
         deleteEntry(f, dataEntryKey(t.number(), 2));
         addCount(ref, kStatsRecords, -1);
       },
       "names missing record 2"},
      {"record count wrong",
       [](Table&, BriskFile&, const TableRef& ref) { addCount(ref, kStatsRecords, 5); },
       "record count 8, 3 records"},
      {"statistics of a key missing",
       [](Table& t, BriskFile& f, const TableRef&) {
         deleteEntry(f, statisticsKey(t.number(), 0));
       },
       "statistics entry missing"},
      {"entries above the marker may be missing",
       [](Table& t, BriskFile& f, const TableRef& ref) {
         deleteEntry(f, std::string(lastOfPrefix(f, keyPrefix(t.number(), 0))->key()));
         addCount(ref, 0, -1);
         setMarker(ref, 0, 4);
       },
       nullptr},
      {"a gap in the definition chunks",
       [](Table& t, BriskFile& f, const TableRef&) {
         insertEntry(f, Entry(definitionKey(t.number(), 2) + "xx", 7));
       },
       "definition chunk 2 where chunk 1 belongs"},
      {"memo segment of a missing record",
       [](Table& t, BriskFile& f, const TableRef&) {
         insertEntry(f, Entry(memoKey(t.number(), 99, 0, 0) + "memo", kMemoKeyLength));
       },
       "memo segment of missing record 99"},
      {"entry of an unknown kind",
       [](Table& t, BriskFile& f, const TableRef&) {
         insertEntry(f, Entry(kindPrefix(t.number(), 0xF0) + "x", 6));
       },
       "unknown kind 240"},
      {"record of the wrong length",
       [](Table& t, BriskFile& f, const TableRef&) {
         Entry e = *findEqual(f, dataEntryKey(t.number(), 3));
         deleteEntry(f, e.key());
         e.bytes.pop_back();
         insertEntry(f, Entry(e.bytes, 9));
       },
       "record 3 is"},
  };
  for (const Damage& c : cases) {
    TempDir dir;
    std::unique_ptr<Table> t;
    ASSERT_EQ(Table::openTable(dir.file("c") + "\\!T", smallTable(false), createOptions(), t), 0);
    for (int id = 1; id <= 3; ++id) {
      setLong(*t, kIdOffset, id);
      ASSERT_EQ(t->addRecord(), 0);  // records 2, 3, 4
    }
    ASSERT_EQ(t->tableFile().beginWrite(), 0);
    const TableRef ref = t->ref();
    c.apply(*t, t->file(), ref);
    const TableCheckReport r = checkTable(t->file(), t->number(), t->desc());
    if (!c.fault) {
      EXPECT_TRUE(r.sound) << c.what << ": " << (r.faults.empty() ? "" : r.faults[0]);
    } else {
      ASSERT_FALSE(r.sound) << c.what;
      bool named = false;
      for (const std::string& f : r.faults) named = named || f.find(c.fault) != std::string::npos;
      EXPECT_TRUE(named) << c.what << ": " << r.faults[0];
    }
    t->tableFile().abandonOperation();
  }
}

}  // namespace
}  // namespace dw::db
