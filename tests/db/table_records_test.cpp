// Records and memos of tables: numbering, ADD/PUT/DELETE with their errors,
// memo segments and BLOB lengths, OEM text, copy, rename, remove, empty.
#include <fstream>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_copy.h"
#include "runtime/db/table_entries.h"
#include "table_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

constexpr std::size_t kId = 0, kName = 4;

std::unique_ptr<Table> openNew(const std::string& name, const TableDesc& d = smallTable()) {
  std::unique_ptr<Table> t;
  EXPECT_EQ(Table::openTable(name, d, createOptions(), t), 0);
  return t;
}

void setName(Table& t, std::string_view s) {
  std::string v(s);
  v.resize(20, ' ');
  t.record().replace(kName, 20, v);
}

// The data bytes of one memo segment as stored.
std::optional<std::string> segment(Table& t, std::uint32_t rn, std::uint8_t m, std::uint16_t s) {
  EXPECT_EQ(t.tableFile().beginRead(), 0);
  auto e = findEqual(t.file(), memoKey(t.number(), rn, m, s));
  t.tableFile().endOperation();
  if (!e) return std::nullopt;
  return std::string(e->data());
}

TEST(TableRecords, NumbersComeFromTheFilesOneCounter) {
  TempDir dir;
  auto a = openNew(dir.file("nums") + "\\!First");
  EXPECT_EQ(a->number(), 1u);  // stored 00 00 00 01
  for (int id = 1; id <= 2; ++id) {
    setLong(*a, kId, id);
    ASSERT_EQ(a->addRecord(), 0);
    EXPECT_EQ(a->currentRecord(), std::uint32_t(id + 1));
  }
  auto b = openNew(dir.file("nums") + "\\!Second");
  EXPECT_EQ(b->number(), 4u);
  EXPECT_EQ(a->recordCount(), 2u);
  // The directory entry holds the number as issued.
  ASSERT_EQ(a->tableFile().beginRead(), 0);
  auto d = findEqual(a->file(), directoryKey("FIRST"));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->data(), std::string("\0\0\0\1", 4));
  a->tableFile().endOperation();
  // Both tables share the one file object.
  EXPECT_EQ(&a->tableFile(), &b->tableFile());
}

TEST(TableRecords, PutAndDeleteKeepTheirErrors) {
  TempDir dir;
  auto t = openNew(dir.file("e") + "\\!T");
  EXPECT_EQ(t->putRecord(), 33);  // no current record
  EXPECT_EQ(t->deleteRecord(), 33);
  setLong(*t, kId, 7);
  setName(*t, "seven");
  ASSERT_EQ(t->addRecord(), 0);
  const std::uint32_t rn = t->currentRecord();
  setName(*t, "SEVEN");
  ASSERT_EQ(t->putRecord(), 0);
  t->clearRecord();
  ASSERT_EQ(t->readRecord(rn), 0);
  EXPECT_EQ(t->record().substr(kName, 5), "SEVEN");
  EXPECT_EQ(t->readRecord(rn + 100), 35);

  // WATCH: a change by another table between read and PUT gives 89.
  auto other = openNew(dir.file("e") + "\\!T");
  t->armWatch();
  ASSERT_EQ(t->readRecord(rn), 0);
  ASSERT_EQ(other->readRecord(rn), 0);
  setName(*other, "changed");
  ASSERT_EQ(other->putRecord(), 0);
  setName(*t, "mine");
  EXPECT_EQ(t->putRecord(), 89);
  ASSERT_EQ(t->readRecord(rn), 0);
  EXPECT_EQ(t->record().substr(kName, 7), "changed");
  setName(*t, "mine");
  EXPECT_EQ(t->putRecord(), 0);  // WATCH was disarmed by the failed PUT

  ASSERT_EQ(t->deleteRecord(), 0);
  EXPECT_EQ(t->currentRecord(), 0u);
  EXPECT_EQ(t->readRecord(rn), 35);
  EXPECT_EQ(other->putRecord(), 33);  // its current record is gone
  EXPECT_EQ(other->deleteRecord(), 33);
  EXPECT_EQ(t->recordCount(), 0u);
}

TEST(TableRecords, RecordLocksOfOtherTablesRefusePutAndDelete) {
  TempDir dir;
  TableOpenOptions o = createOptions();
  o.locking = Locking::Shared;
  std::unique_ptr<Table> a, b;
  ASSERT_EQ(Table::openTable(dir.file("l") + "\\!T", smallTable(), o, a), 0);
  ASSERT_EQ(Table::openTable(dir.file("l") + "\\!T", smallTable(), o, b), 0);
  setLong(*a, kId, 1);
  ASSERT_EQ(a->addRecord(), 0);
  const std::uint32_t rn = a->currentRecord();
  a->armHold();
  ASSERT_EQ(a->readRecord(rn), 0);
  b->armHold();
  EXPECT_EQ(b->readRecord(rn), 43);
  ASSERT_EQ(b->readRecord(rn), 0);  // without HOLD
  EXPECT_EQ(b->putRecord(), 5);
  EXPECT_EQ(b->deleteRecord(), 33);
  EXPECT_EQ(a->putRecord(), 0);  // its own lock; PUT releases it
  EXPECT_EQ(b->putRecord(), 0);
}

TEST(TableRecords, DuplicateKeyAddChangesNothing) {
  // The key code's duplicate check runs before the counter moves: a
  // refused ADD leaves the file's bytes as they were.
  TempDir dir;
  auto t = openNew(dir.file("dup") + "\\!T");
  setLong(*t, kId, 1);
  ASSERT_EQ(t->addRecord(), 0);
  const std::string path = t->name().file;
  auto bytes = [&] {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string before = bytes();
  EXPECT_EQ(t->addRecord(), 40);
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(t->recordCount(), 1u);
  setLong(*t, kId, 2);
  ASSERT_EQ(t->addRecord(), 0);
  EXPECT_EQ(t->currentRecord(), 3u);  // the refused add used no number
}

TEST(TableMemos, TrailingBlanksAreNotStored) {
  TempDir dir;
  auto t = openNew(dir.file("m") + "\\!T");
  t->memo(0).assign(300, ' ');  // only spaces: no segment
  ASSERT_EQ(t->addRecord(), 0);
  const std::uint32_t blank = t->currentRecord();
  EXPECT_FALSE(segment(*t, blank, 0, 0));
  t->memo(0) = std::string(256, 'x') + std::string(44, ' ');  // 256 non-blank bytes: one segment
  ASSERT_EQ(t->addRecord(), 0);
  const std::uint32_t full = t->currentRecord();
  EXPECT_EQ(segment(*t, full, 0, 0), std::string(256, 'x'));
  EXPECT_FALSE(segment(*t, full, 0, 1));
  t->memo(0) = std::string(257, 'y') + std::string(43, ' ');
  ASSERT_EQ(t->addRecord(), 0);
  EXPECT_EQ(segment(*t, t->currentRecord(), 0, 1), "y");

  t->memo(0) = "junk";
  ASSERT_EQ(t->readRecord(blank), 0);
  EXPECT_EQ(t->memo(0), std::string(300, ' '));  // filled with spaces to its size
  ASSERT_EQ(t->readRecord(full), 0);
  EXPECT_EQ(t->memo(0), std::string(256, 'x') + std::string(44, ' '));
  t->armNoMemo();
  t->memo(0) = "kept";
  ASSERT_EQ(t->readRecord(blank), 0);
  EXPECT_EQ(t->memo(0), "kept");  // NOMEMO: memos not read...
  EXPECT_FALSE(t->memosRead());
  ASSERT_EQ(t->putRecord(), 0);  // ...and not written back by PUT
  EXPECT_FALSE(segment(*t, blank, 0, 0));
}

TEST(TableMemos, ChangesRewriteOnlyTheSegmentsThatChanged) {
  TempDir dir;
  auto t = openNew(dir.file("seg") + "\\!T", smallTable(false, 64000));
  std::string text;
  for (int i = 0; text.size() < 20000; ++i) text += "line " + std::to_string(i) + " of the memo. ";
  text.resize(20000);
  t->memo(0) = text;
  t->memo(0).resize(64000, ' ');
  ASSERT_EQ(t->addRecord(), 0);
  const std::uint32_t rn = t->currentRecord();
  const std::uint32_t counter = t->file().header().changeCounter;
  // Nothing changed: nothing to commit.
  ASSERT_EQ(t->putRecord(), 0);
  EXPECT_EQ(t->file().header().changeCounter, counter);
  // One byte near the end: one segment replaced, the pages of the others
  // untouched.
  t->memo(0)[19990] = '#';
  ASSERT_EQ(t->putRecord(), 0);
  EXPECT_EQ(t->file().header().changeCounter, counter + 1);
  EXPECT_LE(t->file().pagesWrittenLastCommit(), 3u);
  // Shortening drops the segments beyond the new end.
  t->memo(0).replace(300, std::string::npos, std::string(64000 - 300, ' '));
  ASSERT_EQ(t->putRecord(), 0);
  EXPECT_TRUE(segment(*t, rn, 0, 1));
  EXPECT_FALSE(segment(*t, rn, 0, 2));
  ASSERT_EQ(t->readRecord(rn), 0);
  EXPECT_EQ(t->memo(0).substr(0, 300), text.substr(0, 300));
  // Deleting the record deletes its memo.
  ASSERT_EQ(t->deleteRecord(), 0);
  EXPECT_FALSE(segment(*t, rn, 0, 0));
}

TEST(TableMemos, BlobLengthsAtSegmentBoundaries) {
  TempDir dir;
  auto t = openNew(dir.file("blob") + "\\!T");
  std::mt19937 rng(5);
  struct Case {
    std::uint32_t length;
    std::size_t segments;
  } cases[] = {{0, 0}, {1, 1}, {255, 1}, {256, 1}, {257, 2}, {512, 2}, {513, 3}, {300000, 1172}};
  for (const Case& c : cases) {
    std::string bytes(c.length, '\0');
    for (char& ch : bytes) ch = char(rng());
    t->memo(1).clear();
    ASSERT_TRUE(t->blobWrite(1, 0, bytes));
    EXPECT_EQ(t->blobSize(1), c.length);
    ASSERT_EQ(t->addRecord(), 0) << c.length;
    const std::uint32_t rn = t->currentRecord();
    std::size_t stored = 0;
    while (segment(*t, rn, 1, std::uint16_t(stored))) ++stored;
    EXPECT_EQ(stored, c.segments) << c.length;
    if (c.length > 0) {
      auto first = segment(*t, rn, 1, 0);
      ASSERT_TRUE(first);
      EXPECT_EQ(first->size(), 4 + std::min<std::size_t>(c.length, 256)) << c.length;
      std::uint32_t n;
      std::memcpy(&n, first->data(), 4);
      EXPECT_EQ(n, c.length);  // the length, little-endian, in front
    }
    t->memo(1) = "other";
    ASSERT_EQ(t->readRecord(rn), 0);
    EXPECT_EQ(t->memo(1), bytes) << c.length;
  }
  // Ranges: reads stop at the end, writes grow the BLOB.
  t->memo(1) = "abcdef";
  EXPECT_EQ(t->blobRead(1, 4, 10), "ef");
  EXPECT_EQ(t->blobRead(1, 6, 1), "");
  ASSERT_TRUE(t->blobWrite(1, 8, "xy"));
  EXPECT_EQ(t->memo(1), std::string("abcdef\0\0xy", 10));
  EXPECT_FALSE(t->blobWrite(1, kMaxBlobLength, "z"));
  EXPECT_EQ(t->blobSize(0), 0u);  // not a BLOB
}

TEST(TableMemos, OemTablesStoreTextInTheOemSet) {
  TempDir dir;
  TableDesc d = smallTable();
  d.oem = true;
  auto t = openNew(dir.file("oem") + "\\!T", d);
  setName(*t, "caf\xe9");  // e acute in the Windows set
  t->memo(0) = "\xe9t\xe9";
  t->memo(1) = "\xe9";  // a binary BLOB is not converted
  ASSERT_EQ(t->addRecord(), 0);
  const std::uint32_t rn = t->currentRecord();
  ASSERT_EQ(t->tableFile().beginRead(), 0);
  auto e = findEqual(t->file(), dataEntryKey(t->number(), rn));
  t->tableFile().endOperation();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->data().substr(kName, 4), "caf\x82");  // code page 850
  EXPECT_EQ(segment(*t, rn, 0, 0), "\x82t\x82");
  EXPECT_EQ(segment(*t, rn, 1, 0), std::string("\1\0\0\0\xe9", 5));
  t->clearRecord();
  ASSERT_EQ(t->readRecord(rn), 0);
  EXPECT_EQ(t->record().substr(kName, 4), "caf\xe9");
  EXPECT_EQ(t->memo(0).substr(0, 3), "\xe9t\xe9");
}

TEST(TableRecords, RecordsTooLongForOneEntryAreRefused) {
  TempDir dir;
  FieldListBuilder b;
  b.text("BIG", FieldType::String, 20000);
  TableDesc d;
  ASSERT_EQ(acceptDeclaration(b.build(), 0, {}, {}, d), 0);
  auto t = openNew(dir.file("big") + "\\!T", d);
  EXPECT_EQ(t->addRecord(), 47);
  EXPECT_EQ(t->recordCount(), 0u);
}

TEST(TableCopy, CopyIntoAFileWithRecordsRenumbers) {
  TempDir dir;
  auto src = openNew(dir.file("src") + "\\!People");
  for (int id = 1; id <= 3; ++id) {
    setLong(*src, kId, id);
    src->memo(0) = "memo " + std::to_string(id);
    src->memo(0).resize(300, ' ');
    ASSERT_EQ(src->addRecord(), 0);
  }
  auto other = openNew(dir.file("dst") + "\\!Other");
  for (int i = 0; i < 5; ++i) ASSERT_EQ(other->addRecord(), 0);  // numbers 2..6
  ASSERT_EQ(copyTable(*src, dir.file("dst") + "\\!Copy", false), 0);
  auto copy = openNew(dir.file("dst") + "\\!Copy");
  EXPECT_EQ(copy->number(), 7u);
  EXPECT_EQ(copy->recordCount(), 3u);
  // Source records 2, 3, 4 become 10, 11, 12 (offset 8).
  for (int id = 1; id <= 3; ++id) {
    ASSERT_EQ(copy->readRecord(std::uint32_t(9 + id)), 0) << id;
    EXPECT_EQ(getLong(*copy, kId), id);
    EXPECT_EQ(copy->memo(0).substr(0, 6), "memo " + std::to_string(id));
  }
  // The counter moved past them: the next record is new everywhere.
  ASSERT_EQ(other->addRecord(), 0);
  EXPECT_EQ(other->currentRecord(), 13u);
  EXPECT_TRUE(sound(copy->file()));
  // A rename onto an existing table is refused; a copy replaces it.
  EXPECT_EQ(copyTable(*src, dir.file("dst") + "\\!Other", true), 5);
  EXPECT_EQ(copyTable(*src, dir.file("dst") + "\\!Copy", false), 0);
}

TEST(TableCopy, RenameMovesEveryEntry) {
  TempDir dir;
  auto src = openNew(dir.file("r") + "\\!Old");
  for (int id = 1; id <= 4; ++id) {
    setLong(*src, kId, id);
    ASSERT_EQ(src->addRecord(), 0);
  }
  ASSERT_EQ(copyTable(*src, dir.file("r") + "\\!New", true), 0);
  ASSERT_EQ(src->tableFile().beginRead(), 0);
  EXPECT_FALSE(firstOfPrefix(src->file(), tableEntryPrefix(src->number())));
  src->tableFile().endOperation();
  auto renamed = openNew(dir.file("r") + "\\!New");
  EXPECT_EQ(renamed->recordCount(), 4u);
  std::unique_ptr<Table> old;
  EXPECT_EQ(Table::openTable(dir.file("r") + "\\!Old", smallTable(), {}, old), 2);
}

TEST(TableCopy, RemoveAndEmpty) {
  TempDir dir;
  const std::string file = dir.file("rm");
  {
    auto a = openNew(file + "\\!A");
    auto b = openNew(file + "\\!B");
    for (int i = 0; i < 3; ++i) ASSERT_EQ(a->addRecord(), 0);
    a->memo(0).assign(300, 'm');
    ASSERT_EQ(a->addRecord(), 0);
    ASSERT_EQ(emptyTable(*a), 0);
    EXPECT_EQ(a->recordCount(), 0u);
    EXPECT_EQ(a->readRecord(2), 35);
    ASSERT_EQ(a->addRecord(), 0);  // still usable
    EXPECT_EQ(a->recordCount(), 1u);
  }
  TableDesc other = smallTable();
  other.fields[1].totalLength = 3;  // a mismatch does not stop a removal
  ASSERT_EQ(removeTable(file + "\\!A", other), 0);
  std::unique_ptr<Table> t;
  EXPECT_EQ(Table::openTable(file + "\\!A", smallTable(), {}, t), 2);
  EXPECT_TRUE(std::filesystem::exists(file + ".BRK"));  // B is still there
  ASSERT_EQ(removeTable(file + "\\!B", smallTable()), 0);
  EXPECT_FALSE(std::filesystem::exists(file + ".BRK"));
}

TEST(TableCopy, WholeFilesAreCopiedByTheSystem) {
  TempDir dir;
  auto src = openNew(dir.file("whole.brk"));
  ASSERT_EQ(src->addRecord(), 0);
  ASSERT_EQ(copyTable(*src, dir.file("copy.brk"), false), 0);
  auto copy = openNew(dir.file("copy.brk"));
  EXPECT_EQ(copy->recordCount(), 1u);
  EXPECT_EQ(copy->name().table, "UNNAMED");
}

}  // namespace
}  // namespace dw::db

namespace dw::db {
namespace {

using namespace dw::db::testing;

// What another opener of the file sees: the committed record count.
std::uint32_t committedCount(const std::string& file, std::uint32_t table) {
  auto f = openBrisk(file, readerOptions());
  EXPECT_EQ(f->refreshHeader(), 0);
  std::string key = kindPrefix(table, kKindStatistics);
  key.push_back(char(0xF3));
  auto e = findEqual(*f, key);
  if (!e || e->data().size() < 4) return 0xFFFFFFFF;
  std::uint32_t n;
  std::memcpy(&n, e->data().data(), 4);
  return n;
}

TEST(TableBatches, ChangesOfABatchAreCommittedTogetherAtItsEnd) {
  TempDir dir;
  const std::string file = dir.file("batch.brk");
  std::unique_ptr<Table> t;
  ASSERT_EQ(Table::openTable(file + "\\!T", smallTable(), createOptions(), t), 0);
  setLong(*t, 0, 1);
  ASSERT_EQ(t->addRecord(), 0);
  EXPECT_EQ(committedCount(file, t->number()), 1u);  // outside a batch: at once
  ASSERT_EQ(t->beginBatch(), 0);
  for (int id = 2; id <= 4; ++id) {
    setLong(*t, 0, id);
    ASSERT_EQ(t->addRecord(), 0);
  }
  setLong(*t, 0, 3);
  EXPECT_EQ(t->addRecord(), 40);  // a refusal inside a batch keeps the batch
  EXPECT_EQ(t->recordCount(), 4u);
  EXPECT_EQ(committedCount(file, t->number()), 1u);
  ASSERT_EQ(t->endBatch(), 0);
  EXPECT_EQ(committedCount(file, t->number()), 4u);
  // Closing the last table cuts the file at its end of data.
  ASSERT_EQ(t->closeTable(), 0);
  auto f = openBrisk(file, readerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_EQ(std::filesystem::file_size(file), f->header().endOfData());
  EXPECT_EQ(t->addRecord(), 37);  // closed
}

}  // namespace
}  // namespace dw::db
