// Tables over keys and damage: GET by key, steps through the table's
// cursor, copies whose keys stay consistent, and byte flips in table files,
// which give 36, 47 or a halting check but never a crash.
#include <fstream>

#include "runtime/db/consistency_check.h"
#include "runtime/db/table_copy.h"
#include "runtime/db/table_entries.h"
#include "table_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

// Two keys: the unique optional id (key 0) and the name, duplicates
// allowed and case-insensitive (key 1).
TableDesc keyedTable() {
  TableDesc d = smallTable();
  KeyDesc byName;
  byName.name = "T:KeyName";
  byName.flags = kKeyDuplicates | kKeyNoCase;
  byName.components = {{1, false}};
  d.keys.push_back(byName);
  return d;
}

void setName(Table& t, std::string_view s) {
  std::string v(s);
  v.resize(20, ' ');
  t.record().replace(4, 20, v);
}

std::unique_ptr<Table> filled(const std::string& name, int n) {
  std::unique_ptr<Table> t;
  EXPECT_EQ(Table::openTable(name, keyedTable(), createOptions(), t), 0);
  for (int i = 1; i <= n; ++i) {
    t->clearRecord();
    setLong(*t, 0, i);
    setName(*t, "name " + std::to_string(i % 7));
    t->memo(0) = "memo of " + std::to_string(i);
    t->memo(0).resize(300, ' ');
    if (i % 3 == 0) t->memo(1).assign(std::size_t(i * 5), char(i));
    EXPECT_EQ(t->addRecord(), 0);
  }
  return t;
}

::testing::AssertionResult consistent(Table& t) {
  if (t.tableFile().beginRead() != 0) return ::testing::AssertionFailure() << "refresh";
  const TableCheckReport r = checkTable(t.file(), t.number(), t.desc());
  t.tableFile().endOperation();
  if (r.sound) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << r.faults.front();
}

TEST(TableKeys, GetByKeyFindsTheFirstOfEqualValues) {
  TempDir dir;
  auto t = filled(dir.file("g") + "\\!T", 30);
  setLong(*t, 0, 17);
  ASSERT_EQ(t->getByKey(0), 0);
  EXPECT_EQ(t->record().substr(4, 7), "name 3 ");
  EXPECT_EQ(t->memo(0).substr(0, 10), "memo of 17");
  setLong(*t, 0, 31);
  EXPECT_EQ(t->getByKey(0), 35);
  setName(*t, "NAME 3");  // case-insensitive; the first is record of id 3
  ASSERT_EQ(t->getByKey(1), 0);
  EXPECT_EQ(getLong(*t, 0), 3);
  setName(*t, "name 9");
  EXPECT_EQ(t->getByKey(1), 35);
  // A PUT that would repeat a unique id is refused and changes nothing.
  setLong(*t, 0, 5);
  ASSERT_EQ(t->getByKey(0), 0);
  setLong(*t, 0, 6);
  EXPECT_EQ(t->putRecord(), 40);
  setLong(*t, 0, 5);
  ASSERT_EQ(t->getByKey(0), 0);
  EXPECT_TRUE(consistent(*t));
}

TEST(TableKeys, StepsInKeyOrderSurviveDeletions) {
  TempDir dir;
  auto t = filled(dir.file("s") + "\\!T", 40);
  std::unique_ptr<Table> other;
  ASSERT_EQ(Table::openTable(dir.file("s") + "\\!T", keyedTable(), {}, other), 0);
  t->cursor().setKeyOrder(0);
  std::vector<int> seen;
  while (t->step(StepDirection::Next) == 0) {
    seen.push_back(getLong(*t, 0));
    if (seen.back() % 10 == 0) {
      // Another table deletes the current record and the next one.
      for (int id : {seen.back(), seen.back() + 1}) {
        setLong(*other, 0, id);
        if (other->getByKey(0) == 0) {
          ASSERT_EQ(other->deleteRecord(), 0);
        }
      }
    }
  }
  std::vector<int> expected;
  for (int i = 1; i <= 40; ++i) {
    if (i % 10 != 1 || i == 1) expected.push_back(i);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(t->step(StepDirection::Next), 33);
  EXPECT_TRUE(consistent(*t));
}

TEST(TableKeys, CopiesKeepTheirKeysConsistent) {
  TempDir dir;
  auto src = filled(dir.file("c1") + "\\!T", 25);
  auto busy = filled(dir.file("c2") + "\\!Busy", 10);
  ASSERT_EQ(copyTable(*src, dir.file("c2") + "\\!Copy", false), 0);
  std::unique_ptr<Table> copy;
  ASSERT_EQ(Table::openTable(dir.file("c2") + "\\!Copy", keyedTable(), {}, copy), 0);
  EXPECT_TRUE(consistent(*copy));
  EXPECT_TRUE(consistent(*busy));
  setName(*copy, "name 4");
  ASSERT_EQ(copy->getByKey(1), 0);
  EXPECT_EQ(getLong(*copy, 0), 4);
  EXPECT_EQ(copy->blobSize(1), 0u);
  setLong(*copy, 0, 24);
  ASSERT_EQ(copy->getByKey(0), 0);
  EXPECT_EQ(copy->memo(1), std::string(120, char(24)));
  // Renaming within one file moves every entry to the new number.
  ASSERT_EQ(copyTable(*copy, dir.file("c2") + "\\!Moved", true), 0);
  std::unique_ptr<Table> moved;
  ASSERT_EQ(Table::openTable(dir.file("c2") + "\\!Moved", keyedTable(), {}, moved), 0);
  EXPECT_EQ(moved->recordCount(), 25u);
  EXPECT_TRUE(consistent(*moved));
}

enum class Outcome { Fine, Refused, Halted };

// Opens the damaged table and reads every record in both orders, then
// tries a change; the result code of each operation is whatever it is.
Outcome exercise(const std::string& name) {
  try {
    std::unique_ptr<Table> t;
    const int rc = Table::openTable(name, keyedTable(), {}, t);
    if (rc != 0) {
      EXPECT_TRUE(rc == 2 || rc == 36 || rc == 47) << rc;
      return Outcome::Refused;
    }
    for (std::size_t k : {std::size_t(0), std::size_t(1)}) {
      t->cursor().setKeyOrder(k);
      for (int n = 0; n < 200 && t->step(StepDirection::Next) == 0; ++n) {
      }
    }
    t->cursor().setRecordOrder();
    for (int n = 0; n < 200 && t->step(StepDirection::Previous) == 0; ++n) {
    }
    for (std::uint32_t r = 0; r < 60; ++r) (void)t->readRecord(r);
    setLong(*t, 0, 999);
    (void)t->addRecord();
    setLong(*t, 0, 7);
    if (t->getByKey(0) == 0) {
      setName(*t, "changed");
      (void)t->putRecord();
      (void)t->deleteRecord();
    }
    (void)t->recordCount();
    return Outcome::Fine;
  } catch (const dw::lang::HaltRequested&) {
    return Outcome::Halted;
  }
}

TEST(TableDamage, ByteFlipsNeverCrash) {
  TempDir dir;
  const std::string path = dir.file("flip.brk");
  filled(path + "\\!T", 50).reset();
  std::string good;
  {
    std::ifstream in(path, std::ios::binary);
    good.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::mt19937 rng(2024);
  int counts[3] = {};
  const int rounds = 120 * longFactor();
  for (int round = 0; round < rounds; ++round) {
    std::string bad = good;
    const int flips = 1 + int(rng() % 3);
    for (int i = 0; i < flips; ++i) {
      // Mostly within the pages, sometimes in the header.
      const std::size_t at = rng() % 8 == 0 ? rng() % 512 : 512 + rng() % (bad.size() - 512);
      bad[at] = char(bad[at] ^ (1 << (rng() % 8)));
    }
    const std::string copy = dir.file("bad" + std::to_string(round) + ".brk");
    std::ofstream(copy, std::ios::binary) << bad;
    counts[int(exercise(copy + "\\!T"))]++;
    std::filesystem::remove(copy);
  }
  // Every kind of outcome happens with this seed; none of them crashed.
  EXPECT_GT(counts[int(Outcome::Fine)], 0);
  EXPECT_GT(counts[int(Outcome::Halted)] + counts[int(Outcome::Refused)], 0);
}

TEST(TableDamage, DamagedDefinitionsAndDirectoriesAreRefused) {
  TempDir dir;
  const std::string name = dir.file("def") + "\\!T";
  auto t = filled(name, 3);
  const std::uint32_t number = t->number();
  ASSERT_EQ(t->tableFile().beginWrite(), 0);
  // A definition chunk with its field count changed.
  const std::string key = definitionKey(number, 0);
  auto chunk = findEqual(t->file(), key);
  ASSERT_TRUE(chunk);
  std::string data(chunk->data());
  data[4] = char(data[4] + 1);
  deleteEntry(t->file(), key);
  insertEntry(t->file(), Entry(key + data, key.size()));
  ASSERT_EQ(t->tableFile().endOperation(), 0);
  t.reset();
  std::unique_ptr<Table> again;
  EXPECT_EQ(Table::openTable(name, keyedTable(), {}, again), 47);
  // Without its statistics entry a table refuses ADD with 5.
  TableOpenOptions o;
  o.ignoreMismatch = true;
  ASSERT_EQ(Table::openTable(name, keyedTable(), o, again), 0);
  ASSERT_EQ(again->tableFile().beginWrite(), 0);
  std::string stats = kindPrefix(number, kKindStatistics);
  stats.push_back(char(0xF3));
  ASSERT_TRUE(deleteEntry(again->file(), stats));
  ASSERT_EQ(again->tableFile().endOperation(), 0);
  setLong(*again, 0, 50);
  EXPECT_EQ(again->addRecord(), 5);
}

}  // namespace
}  // namespace dw::db
