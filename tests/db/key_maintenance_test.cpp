// Key maintenance and statistics over a real file: optional keys,
// duplicates, case-insensitive keys, the refused write that must leave the
// file untouched, indexes and unmaintained appends.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "key_test_util.h"
#include "runtime/lang/chartab.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Name (STRING 12), Count (LONG), Price (REAL).
TableDesc peopleDesc(std::uint8_t nameFlags) {
  return DescBuilder()
      .field("P:Name", FieldType::String, 12)
      .field("P:Count", FieldType::Long)
      .field("P:Price", FieldType::Real)
      .key("P:KeyName", nameFlags, {1})
      .key("P:KeyCount", kKeyDuplicates, {2})
      .key("P:KeyPrice", kKeyDuplicates, {-3, 1})
      .build();
}

std::string person(const KeyTable& t, std::string_view name, std::int32_t count, double price) {
  std::string r = t.blankRecord();
  putText(r, t.desc().fields[0], name);
  put(r, t.desc().fields[1], count);
  put(r, t.desc().fields[2], price);
  return r;
}

TEST(KeyMaintenance, StatisticsStartAtZeroAndCountsNeverGoNegative) {
  KeyTable t(peopleDesc(0));
  for (std::uint8_t kind : {kStatsRecords, std::uint8_t(0), std::uint8_t(1), std::uint8_t(2)}) {
    auto s = readStatistics(t.ref(), kind);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->count, 0u);
    EXPECT_EQ(s->marker, 0u);
  }
  EXPECT_FALSE(readStatistics(t.ref(), 3));  // no such key
  EXPECT_TRUE(addCount(t.ref(), 1, -5));
  EXPECT_EQ(readStatistics(t.ref(), 1)->count, 0u);
  EXPECT_TRUE(setMarker(t.ref(), 2, 77));
  EXPECT_EQ(readStatistics(t.ref(), 2)->marker, 77u);
  deleteEntry(t.file(), statisticsKey(t.number(), 0));
  EXPECT_FALSE(addCount(t.ref(), 0, 1));
  EXPECT_FALSE(setMarker(t.ref(), 0, 1));
}

TEST(KeyMaintenance, AddPutDeleteKeepEntriesAndCounts) {
  KeyTable t(peopleDesc(0));
  std::uint32_t a = 0, b = 0;
  ASSERT_EQ(t.add(person(t, "Baker", 3, 2.5), &a), 0);
  ASSERT_EQ(t.add(person(t, "Adams", 3, -1.0), &b), 0);
  EXPECT_EQ(t.keyRecordNumbers(0), (std::vector<std::uint32_t>{b, a}));
  EXPECT_EQ(t.keyRecordNumbers(1), (std::vector<std::uint32_t>{a, b}));  // duplicates by record
  EXPECT_EQ(t.keyRecordNumbers(2), (std::vector<std::uint32_t>{a, b}));  // price descending
  EXPECT_EQ(readStatistics(t.ref(), 1)->count, 2u);

  // A change of the price alone leaves the name and count entries as they were.
  const auto nameEntries = t.keyEntries(0);
  ASSERT_EQ(t.put(a, person(t, "Baker", 3, -7.0)), 0);
  EXPECT_EQ(t.keyEntries(0), nameEntries);
  EXPECT_EQ(t.keyRecordNumbers(2), (std::vector<std::uint32_t>{b, a}));
  EXPECT_EQ(readStatistics(t.ref(), 2)->count, 2u);

  ASSERT_EQ(t.remove(b), 0);
  EXPECT_EQ(t.keyRecordNumbers(0), (std::vector<std::uint32_t>{a}));
  EXPECT_EQ(t.keyRecordNumbers(1), (std::vector<std::uint32_t>{a}));
  EXPECT_EQ(t.keyRecordNumbers(2), (std::vector<std::uint32_t>{a}));
  for (std::uint8_t k = 0; k < 3; ++k) EXPECT_EQ(readStatistics(t.ref(), k)->count, 1u);
  EXPECT_EQ(readStatistics(t.ref(), kStatsRecords)->count, 1u);
}

TEST(KeyMaintenance, CaseInsensitiveUniqueKeyRefusesTheSecondSpelling) {
  dw::lang::resetCharTables();
  KeyTable t(peopleDesc(kKeyNoCase));
  ASSERT_EQ(t.add(person(t, "Smith", 1, 0)), 0);
  EXPECT_EQ(t.add(person(t, "SMITH", 2, 0)), kErrDuplicateKey);
  EXPECT_EQ(t.add(person(t, "Smyth", 2, 0)), 0);
  KeyTable exact(peopleDesc(0));
  ASSERT_EQ(exact.add(person(exact, "Smith", 1, 0)), 0);
  EXPECT_EQ(exact.add(person(exact, "SMITH", 2, 0)), 0);
}

TEST(KeyMaintenance, OptionalKeyLeavesBlankRecordsOut) {
  KeyTable t(peopleDesc(kKeyOptional));
  std::uint32_t blank = 0, named = 0;
  ASSERT_EQ(t.add(person(t, "", 1, 0), &blank), 0);
  ASSERT_EQ(t.add(person(t, "", 2, 0)), 0);  // two blanks are no duplicate
  ASSERT_EQ(t.add(person(t, "Jones", 3, 0), &named), 0);
  EXPECT_EQ(t.keyRecordNumbers(0), (std::vector<std::uint32_t>{named}));
  EXPECT_EQ(readStatistics(t.ref(), 0)->count, 1u);
  // Filling the blank name in adds the entry; blanking it again takes it out.
  ASSERT_EQ(t.put(blank, person(t, "Able", 1, 0)), 0);
  EXPECT_EQ(t.keyRecordNumbers(0), (std::vector<std::uint32_t>{blank, named}));
  ASSERT_EQ(t.put(blank, person(t, "", 1, 0)), 0);
  EXPECT_EQ(t.keyRecordNumbers(0), (std::vector<std::uint32_t>{named}));
  EXPECT_EQ(readStatistics(t.ref(), 0)->count, 1u);
}

// A refused add or change leaves the file byte for byte as it was, even
// when the keys before the refusing one would have split their pages.
TEST(KeyMaintenance, RefusedWriteLeavesTheFileByteIdentical) {
  TableDesc desc = DescBuilder()
                       .field("W:Text", FieldType::String, 300)
                       .field("W:Id", FieldType::Long)
                       .key("W:KeyText", kKeyDuplicates, {1})
                       .key("W:KeyId", 0, {2})
                       .build();
  KeyTable t(desc);
  auto rec = [&](int text, std::int32_t id) {
    std::string r = t.blankRecord();
    putText(r, desc.fields[0], "text " + std::to_string(text));
    put(r, desc.fields[1], id);
    return r;
  };
  std::uint32_t last = 0;
  for (int i = 0; i < 60; ++i) ASSERT_EQ(t.add(rec(i, i), &last), 0);
  ASSERT_EQ(t.file().commit(), 0u);
  const std::string before = fileBytes(t.path());
  const auto entriesBefore = scanAll(t.file());
  for (int i = 0; i < 20; ++i) {
    // An add (its record number already made) and a change, each taking an id in use.
    const std::string image = rec(1000 + i, i);
    EXPECT_EQ(updateKeys(t.ref(), 5000 + std::uint32_t(i), nullptr, &image, false),
              kErrDuplicateKey);
    EXPECT_EQ(t.put(last, rec(2000 + i, i)), kErrDuplicateKey);
  }
  EXPECT_FALSE(t.file().hasChanges());
  EXPECT_TRUE(scanAll(t.file()) == entriesBefore);
  ASSERT_EQ(t.file().commit(), 0u);
  t.file().release();
  EXPECT_TRUE(fileBytes(t.path()) == before);
}

TEST(KeyMaintenance, IndexesAndUnmaintainedAddsOnlyLowerMarkers) {
  TableDesc desc = DescBuilder()
                       .field("I:N", FieldType::Long)
                       .key("I:Key", 0, {1})
                       .key("I:Index", kKeyIndex, {1})
                       .build();
  KeyTable t(desc);
  std::uint32_t r1 = 0, r2 = 0, r3 = 0;
  std::string rec = t.blankRecord();
  put<std::int32_t>(rec, desc.fields[0], 1);
  ASSERT_EQ(t.add(rec, &r1), 0);
  EXPECT_TRUE(t.keyEntries(1).empty());
  EXPECT_EQ(readStatistics(t.ref(), 1)->marker, r1);
  EXPECT_EQ(readStatistics(t.ref(), 0)->marker, 0u);
  put<std::int32_t>(rec, desc.fields[0], 2);
  ASSERT_EQ(t.add(rec, &r2, true), 0);
  put<std::int32_t>(rec, desc.fields[0], 1);  // a duplicate is not noticed
  ASSERT_EQ(t.add(rec, &r3, true), 0);
  EXPECT_EQ(readStatistics(t.ref(), 0)->marker, r2);
  EXPECT_EQ(readStatistics(t.ref(), 1)->marker, r1);
  EXPECT_EQ(t.keyRecordNumbers(0), (std::vector<std::uint32_t>{r1}));
  // Changing a record below the marker lowers it to that record.
  setMarker(t.ref(), 1, r3);
  ASSERT_EQ(t.put(r2, rec), kErrDuplicateKey);  // key 0 still refuses value 1
  put<std::int32_t>(rec, desc.fields[0], 9);
  ASSERT_EQ(t.put(r2, rec), 0);
  EXPECT_EQ(readStatistics(t.ref(), 1)->marker, r2);
}

// Deleting a record whose key entry is the first of its leaf replaces the
// separator in the parent; the tree and the key stay consistent.
TEST(KeyMaintenance, DeletingTheFirstEntryOfALeafReplacesItsSeparator) {
  TableDesc desc =
      DescBuilder().field("S:Text", FieldType::String, 400).key("S:KeyText", 0, {1}).build();
  KeyTable t(desc);
  for (int i = 0; i < 300; ++i) {
    std::string r = t.blankRecord();
    putText(r, desc.fields[0], "value " + std::to_string(1000 + i));
    ASSERT_EQ(t.add(r), 0);
  }
  ASSERT_EQ(t.file().commit(), 0u);
  // The separators of key 0 in the pages just above the leaves are first
  // keys of leaves.
  const std::string prefix = keyPrefix(t.number(), 0);
  std::vector<std::string> separators;
  std::vector<std::int32_t> pages = {t.file().header().rootPage};
  while (!pages.empty()) {
    CachedPage* page = t.file().readPage(pages.back());
    pages.pop_back();
    if (page->level() == 0) continue;
    for (const PageEntry& pe : page->entries()) {
      if (page->level() == 1 && pe.entry.key().substr(0, 5) == prefix) {
        separators.emplace_back(pe.entry.key());
      }
      if (page->level() > 1) pages.push_back(pe.child);
    }
  }
  ASSERT_GT(separators.size(), 2u);
  std::vector<std::uint32_t> removed;
  for (const std::string& sep : separators) {
    auto e = findEqual(t.file(), sep);
    ASSERT_TRUE(e);
    removed.push_back(recordNumberOf(*e));
    ASSERT_EQ(t.remove(removed.back()), 0);
    EXPECT_FALSE(findEqual(t.file(), sep));
  }
  ASSERT_EQ(t.file().commit(), 0u);
  EXPECT_TRUE(sound(t.file()));
  const auto left = t.keyRecordNumbers(0);
  EXPECT_EQ(left.size(), 300u - removed.size());
  for (std::uint32_t r : removed) EXPECT_EQ(std::count(left.begin(), left.end(), r), 0);
  EXPECT_EQ(readStatistics(t.ref(), 0)->count, left.size());
}

}  // namespace
}  // namespace dw::db
