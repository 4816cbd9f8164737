// BUILD and dynamic indexes: markers, refused duplicates, indexes that
// writes leave stale, batches, and the private file of a dynamic index.
#include "key_test_util.h"
#include "runtime/db/key_cursor.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

// Name (STRING 6), Num (LONG), Big (STRING 5000: batches of 198 records).
TableDesc buildDesc() {
  return DescBuilder()
      .field("B:Name", FieldType::String, 6)
      .field("B:Num", FieldType::Long)
      .field("B:Big", FieldType::String, 5000)
      .key("B:ByNum", 0, {2})
      .key("B:ByName", kKeyDuplicates, {1, -2})
      .key("B:Index", kKeyIndex, {1})
      .key("B:BigKey", kKeyDuplicates | kKeyOptional, {3})
      .key("B:Dynamic", kKeyDynamic | kKeyIndex | kKeyDuplicates, {})
      .build();
}

std::string rec(const KeyTable& t, std::string_view name, int num, std::string_view big = "") {
  std::string r = t.blankRecord();
  putText(r, t.desc().fields[0], name);
  put<std::int32_t>(r, t.desc().fields[1], num);
  putText(r, t.desc().fields[2], big);
  return r;
}

// Every key entry of key k is what the stored records make of it.
void expectKeyMatchesRecords(KeyTable& t, std::size_t k) {
  std::vector<std::string> expected;
  const std::string dataPrefix = keyPrefix(t.number(), kEntryData);
  std::string probe = dataPrefix;
  while (auto e = findNext(t.file(), probe)) {
    if (e->key().substr(0, 5) != dataPrefix) break;
    probe = std::string(e->key());
    const std::string image(e->data());
    if (t.desc().keys[k].isOptional() && keyIsEmpty(t.ref(), k, image)) continue;
    expected.push_back(
        std::string(makeKeyEntry(t.ref(), k, image, readBigEndian(e->key().substr(5))).key()));
  }
  std::sort(expected.begin(), expected.end(),
            [](const std::string& a, const std::string& b) { return compareKeys(a, b) < 0; });
  std::vector<std::string> actual;
  for (const Entry& e : t.keyEntries(k)) actual.push_back(std::string(e.key()));
  EXPECT_TRUE(actual == expected) << "key " << k << ": " << actual.size() << " entries, "
                                  << expected.size() << " expected";
  EXPECT_EQ(readStatistics(t.ref(), std::uint8_t(k))->count, actual.size());
}

TEST(KeyBuild, UnmaintainedAddsAreBuiltInSeveralBatchesAndTheMarkerCleared) {
  KeyTable t(buildDesc());
  ASSERT_EQ(buildBatchSize(t.ref(), 3), 198u);
  for (int i = 0; i < 450; ++i) {
    ASSERT_EQ(t.add(rec(t, "n" + std::to_string(i % 7), i, i % 3 ? "big" + std::to_string(i) : ""),
                    nullptr, true),
              0);
  }
  for (std::uint8_t k = 0; k < 4; ++k) EXPECT_NE(readStatistics(t.ref(), k)->marker, 0u);
  EXPECT_TRUE(t.keyEntries(3).empty());
  EXPECT_EQ(buildKeys(t.ref()), 0);
  for (std::size_t k : {0, 1, 3}) {
    EXPECT_EQ(readStatistics(t.ref(), std::uint8_t(k))->marker, 0u);
    expectKeyMatchesRecords(t, k);
  }
  EXPECT_TRUE(t.keyEntries(2).empty());  // BUILD of the table leaves indexes alone
  EXPECT_NE(readStatistics(t.ref(), 2)->marker, 0u);
  ASSERT_EQ(t.file().commit(), 0u);
  EXPECT_TRUE(sound(t.file()));
  EXPECT_EQ(buildKey(t.ref(), 0), 0);  // complete: nothing to do
  EXPECT_FALSE(t.file().hasChanges());
}

TEST(KeyBuild, RefusedDuplicatesLeaveTheMarkerAtTheLowestAndAreBuiltLater) {
  KeyTable t(buildDesc());
  std::vector<std::uint32_t> n(6);
  const int nums[] = {1, 2, 2, 3, 1, 4};  // rows 2 and 4 repeat a number
  for (int i = 0; i < 6; ++i) ASSERT_EQ(t.add(rec(t, "a", nums[i]), &n[std::size_t(i)], true), 0);
  EXPECT_EQ(buildKey(t.ref(), 0), kErrDuplicateKey);
  EXPECT_EQ(readStatistics(t.ref(), 0)->marker, n[2]);
  EXPECT_EQ(t.keyRecordNumbers(0), (std::vector<std::uint32_t>{n[0], n[1], n[3], n[5]}));
  EXPECT_EQ(readStatistics(t.ref(), 0)->count, 4u);
  // Mend the two records; the next BUILD starts at the marker and completes.
  ASSERT_EQ(t.put(n[2], rec(t, "a", 20)), 0);
  ASSERT_EQ(t.put(n[4], rec(t, "a", 10)), 0);
  EXPECT_EQ(buildKey(t.ref(), 0), 0);
  EXPECT_EQ(readStatistics(t.ref(), 0)->marker, 0u);
  expectKeyMatchesRecords(t, 0);
}

TEST(KeyBuild, StaleIndexEntriesAreReplaced) {
  KeyTable t(buildDesc());
  std::vector<std::uint32_t> n(5);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(t.add(rec(t, "v" + std::to_string(i), i), &n[i]), 0);
  EXPECT_EQ(readStatistics(t.ref(), 2)->marker, n[0]);
  ASSERT_EQ(buildKey(t.ref(), 2), 0);
  expectKeyMatchesRecords(t, 2);
  // Writes leave the index as it was but lower its marker.
  ASSERT_EQ(t.put(n[3], rec(t, "zz", 3)), 0);
  ASSERT_EQ(t.remove(n[1]), 0);
  EXPECT_EQ(readStatistics(t.ref(), 2)->marker, n[1]);
  EXPECT_EQ(t.keyEntries(2).size(), 5u);
  ASSERT_EQ(buildKey(t.ref(), 2), 0);
  expectKeyMatchesRecords(t, 2);
  ASSERT_EQ(t.file().commit(), 0u);
  EXPECT_TRUE(sound(t.file()));
}

TEST(KeyBuild, MissingStatisticsRebuildTheWholeKey) {
  KeyTable t(buildDesc());
  for (int i = 0; i < 10; ++i) ASSERT_EQ(t.add(rec(t, "x", i)), 0);
  ASSERT_TRUE(deleteEntry(t.file(), statisticsKey(t.number(), 1)));
  ASSERT_EQ(buildKey(t.ref(), 1), 0);
  expectKeyMatchesRecords(t, 1);
}

TEST(DynamicIndex, ComponentStrings) {
  TableDesc desc = DescBuilder(DescBuilder()
                                   .field("D:Name", FieldType::String, 6)
                                   .field("D:Date", FieldType::Long)
                                   .field("D:Arr", FieldType::Long, 0, 0, 4))
                       .key("D:Dyn", kKeyDynamic, {})
                       .key("D:Plain", 0, {1})
                       .build();
  struct Case {
    const char* text;
    int result;
    std::vector<std::pair<int, bool>> components;
  };
  const Case cases[] = {
      {"+Name, -Date", 0, {{0, false}, {1, true}}},
      {"  d:date ,name", 0, {{1, false}, {0, false}}},
      {"-NAME", 0, {{0, true}}},
      {"Nam", kErrBadIndexString, {}},
      {"Name,,Date", kErrBadIndexString, {}},
      {"", kErrBadIndexString, {}},
      {"+ ", kErrBadIndexString, {}},
      {"Name, Arr", kErrBadFieldType, {}},
  };
  DynamicIndexes dyn;
  for (const Case& c : cases) {
    EXPECT_EQ(dyn.setComponents(desc, 0, c.text), c.result) << c.text;
    if (c.result != 0) continue;
    const auto& got = dyn.components(0);
    ASSERT_EQ(got.size(), c.components.size()) << c.text;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].field, c.components[i].first) << c.text;
      EXPECT_EQ(got[i].descending, c.components[i].second) << c.text;
    }
  }
  EXPECT_EQ(dyn.setComponents(desc, 1, "Name"), kErrBadDeclaration);  // not dynamic
}

TEST(DynamicIndex, EntriesLiveInAPrivateFileAndAreReadThroughTheCursor) {
  KeyTable t(buildDesc());
  std::vector<std::uint32_t> n(4);
  const char* names[] = {"bo", "al", "bo", "cy"};
  for (int i = 0; i < 4; ++i) ASSERT_EQ(t.add(rec(t, names[i], i), &n[std::size_t(i)]), 0);
  EXPECT_EQ(buildKey(t.ref(), 4), kErrBadIndexString);  // no components yet
  ASSERT_EQ(t.dynamic().setComponents(t.desc(), 4, "Name, -Num"), 0);
  const auto before = scanAll(t.file());
  ASSERT_EQ(buildKey(t.ref(), 4), 0);
  EXPECT_TRUE(scanAll(t.file()) == before);  // nothing in the table's file
  ASSERT_NE(keyFile(t.ref(), 4), &t.file());
  EXPECT_EQ(readStatistics(t.ref(), 4)->count, 4u);
  KeyCursor c(t.ref());
  c.setKeyOrder(4);
  std::vector<std::uint32_t> order;
  while (c.step(StepDirection::Next, nullptr) == 0) order.push_back(c.recordNumber());
  EXPECT_EQ(order, (std::vector<std::uint32_t>{n[1], n[2], n[0], n[3]}));
  // Writes do not touch it; a rebuild starts afresh.
  ASSERT_EQ(t.remove(n[3]), 0);
  EXPECT_EQ(t.keyEntries(4).size(), 4u);
  ASSERT_EQ(buildKey(t.ref(), 4), 0);
  EXPECT_EQ(t.keyEntries(4).size(), 3u);
  ASSERT_EQ(t.dynamic().setComponents(t.desc(), 4, "-Name"), 0);
  EXPECT_FALSE(keyFile(t.ref(), 4));  // new components drop the old entries
}

}  // namespace
}  // namespace dw::db
