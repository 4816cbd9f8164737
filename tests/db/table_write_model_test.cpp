// Writes of whole records against an in-memory model: random adds, changes
// and deletes, many to one batch, with a text memo and a BLOB whose lengths
// cross segment boundaries, over keys of every kind a write keeps (unique,
// duplicates, optional, an index that only has its marker lowered).  After
// every batch each record and its memos read back as the model says, and the
// table check (counts, entries, markers, memo segments) passes.  Also: a
// memo whose stored segments have a gap is made whole by a PUT.
#include <map>
#include <random>

#include "runtime/db/brkbt.h"
#include "runtime/db/consistency_check.h"
#include "runtime/db/table_entries.h"
#include "table_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

// ID LONG at 0, Name STRING(12) at 4, Day LONG at 16, Note STRING(8) at 20.
constexpr std::size_t kId = 0, kName = 4, kDay = 16, kNote = 20, kLength = 28;
constexpr std::uint16_t kMemoSize = 1200;

TableDesc writeDesc() {
  FieldListBuilder b;
  b.field("W:ID", FieldType::Long)
      .text("W:Name", FieldType::String, 12)
      .field("W:Day", FieldType::Long)
      .text("W:Note", FieldType::String, 8);
  std::vector<MemoDesc> memos(2);
  memos[0].name = "W:Text";
  memos[0].size = kMemoSize;
  memos[1].name = "W:Bytes";
  memos[1].flags = kMemoBlob | kMemoBinary;
  std::vector<DeclaredKey> keys(4);
  keys[0] = {"W:KeyID", "", kKeyPrimary | kKeyOptional, {1}};
  keys[1] = {"W:KeyDay", "", kKeyDuplicates | kKeyOptional, {3, 1}};
  keys[2] = {"W:KeyName", "", kKeyDuplicates | kKeyNoCase, {2, 3}};
  keys[3] = {"W:IdxNote", "", kKeyDuplicates | kKeyIndex, {4}};
  TableDesc d;
  EXPECT_EQ(acceptDeclaration(b.build(), 0, memos, keys, d), 0);
  return d;
}

struct Row {
  std::string image;  // kLength bytes
  std::string text;   // the memo without trailing blanks
  std::string bytes;  // the BLOB
};

// Lengths around the 256-byte segments, and a few in between.
std::size_t memoLength(std::mt19937& rng, std::size_t limit) {
  static const std::size_t lengths[] = {0, 0, 1, 255, 256, 257, 511, 512, 513, 700, 1024, 1100};
  std::size_t n = lengths[rng() % std::size(lengths)];
  return std::min(n, limit);
}

std::string randomText(std::mt19937& rng, std::size_t n) {
  std::string s(n, ' ');
  for (char& c : s) c = char('a' + rng() % 26);
  return s;
}

void putLong(std::string& image, std::size_t at, std::int32_t v) {
  std::memcpy(image.data() + at, &v, 4);
}
void putText(std::string& image, std::size_t at, std::size_t n, std::string v) {
  v.resize(n, ' ');
  image.replace(at, n, v);
}

// The buffers of the table from a model row.
void load(Table& t, const Row& r) {
  t.record() = r.image;
  t.memo(0) = r.text;
  t.memo(0).resize(kMemoSize, ' ');
  t.memo(1) = r.bytes;
}

void expectStored(Table& t, std::uint32_t rn, const Row& r) {
  ASSERT_EQ(t.readRecord(rn), 0) << rn;
  EXPECT_EQ(t.record(), r.image) << rn;
  std::string text = r.text;
  text.resize(kMemoSize, ' ');
  EXPECT_EQ(t.memo(0), text) << rn;
  EXPECT_EQ(t.memo(1), r.bytes) << rn;
}

void expectSound(Table& t) {
  ASSERT_EQ(t.tableFile().beginRead(), 0);
  const TableCheckReport report = checkTable(t.file(), t.number(), t.desc());
  t.tableFile().endOperation();
  EXPECT_TRUE(report.sound) << (report.faults.empty() ? "" : report.faults.front());
}

TEST(TableWriteModel, BatchesOfAddsChangesAndDeletesKeepRecordsMemosAndKeys) {
  TempDir dir;
  std::unique_ptr<Table> t;
  ASSERT_EQ(Table::openTable(dir.file("w") + "\\!W", writeDesc(), createOptions(), t), 0);
  std::mt19937 rng(20261207);
  std::map<std::uint32_t, Row> model;
  std::int32_t nextId = 1;
  auto freshRow = [&] {
    Row r;
    r.image.assign(kLength, '\0');
    putLong(r.image, kId, rng() % 8 == 0 ? 0 : nextId++);  // some left out of KeyID
    putText(r.image, kName, 12, rng() % 2 ? "Alpha" : "beta");
    putLong(r.image, kDay, std::int32_t(rng() % 5));  // 0: sometimes out of KeyDay
    putText(r.image, kNote, 8, "n" + std::to_string(rng() % 3));
    r.text = randomText(rng, memoLength(rng, kMemoSize));
    r.bytes = randomText(rng, memoLength(rng, 5000));
    return r;
  };
  for (int batch = 0; batch < 12; ++batch) {
    ASSERT_EQ(t->beginBatch(), 0);
    for (int op = 0; op < 40; ++op) {
      const unsigned what = model.empty() ? 0 : rng() % 6;
      if (what <= 1) {
        Row r = freshRow();
        load(*t, r);
        ASSERT_EQ(t->addRecord(), 0);
        model[t->currentRecord()] = r;
        continue;
      }
      auto it = model.begin();
      std::advance(it, std::ptrdiff_t(rng() % model.size()));
      const std::uint32_t rn = it->first;
      ASSERT_EQ(t->readRecord(rn), 0);
      if (what == 2) {
        ASSERT_EQ(t->deleteRecord(), 0);
        model.erase(it);
        continue;
      }
      Row r = it->second;
      if (what == 3) putLong(r.image, kDay, std::int32_t(rng() % 5));              // a key changes
      if (what == 4) putText(r.image, kNote, 8, "x" + std::to_string(rng() % 3));  // the index
      if (what == 5 || rng() % 3 == 0) r.text = randomText(rng, memoLength(rng, kMemoSize));
      if (rng() % 3 == 0) r.bytes = randomText(rng, memoLength(rng, 5000));
      load(*t, r);
      ASSERT_EQ(t->putRecord(), 0);
      it->second = r;
    }
    ASSERT_EQ(t->endBatch(), 0);
    for (const auto& [rn, row] : model) expectStored(*t, rn, row);
    EXPECT_EQ(t->recordCount(), model.size());
    expectSound(*t);
  }
}

TEST(TableWriteModel, PutFillsAGapInAMemosStoredSegments) {
  TempDir dir;
  std::unique_ptr<Table> t;
  ASSERT_EQ(Table::openTable(dir.file("g") + "\\!W", writeDesc(), createOptions(), t), 0);
  std::mt19937 rng(7);
  Row r;
  r.image.assign(kLength, '\0');
  putLong(r.image, kId, 1);
  r.text = randomText(rng, 700);  // segments 0, 1, 2
  load(*t, r);
  ASSERT_EQ(t->addRecord(), 0);
  const std::uint32_t rn = t->currentRecord();
  ASSERT_EQ(t->tableFile().beginWrite(), 0);
  ASSERT_TRUE(deleteEntry(t->file(), memoKey(t->number(), rn, 0, 1)));
  ASSERT_EQ(t->tableFile().endOperation(), 0);
  // The gap reads as a shorter memo; writing the model's text back stores
  // every segment again.
  ASSERT_EQ(t->readRecord(rn), 0);
  EXPECT_EQ(t->memo(0).substr(0, 444), r.text.substr(0, 256) + r.text.substr(512));
  load(*t, r);
  ASSERT_EQ(t->putRecord(), 0);
  expectStored(*t, rn, r);
  expectSound(*t);
}

}  // namespace
}  // namespace dw::db
