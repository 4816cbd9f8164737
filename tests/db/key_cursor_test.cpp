// The cursor over a real table: every positioning mode, steps at the ends,
// steps across entries deleted under it, and readers that refuse.
#include "runtime/db/key_cursor.h"
#include "key_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
constexpr auto kNext = StepDirection::Next;
constexpr auto kPrev = StepDirection::Previous;

// Name (STRING 6, duplicates), Num (LONG, unique), Tag (STRING 2, optional).
class CursorTest : public ::testing::Test {
 protected:
  CursorTest()
      : t(DescBuilder()
              .field("C:Name", FieldType::String, 6)
              .field("C:Num", FieldType::Long)
              .field("C:Tag", FieldType::String, 2)
              .key("C:ByName", kKeyDuplicates, {1})
              .key("C:ByNum", 0, {2})
              .key("C:ByTag", kKeyOptional | kKeyDuplicates, {3})
              .build()) {
    // name, num, tag: records 2..7
    const struct {
      const char* name;
      int num;
      const char* tag;
    } rows[] = {{"bob", 40, "x"}, {"amy", 10, ""},  {"bob", 30, "y"},
                {"cat", 20, ""},  {"bob", 50, "x"}, {"dan", 60, ""}};
    for (const auto& r : rows) {
      std::uint32_t n = 0;
      EXPECT_EQ(t.add(rec(r.name, r.num, r.tag), &n), 0);
      numbers.push_back(n);
    }
  }
  std::string rec(std::string_view name, int num, std::string_view tag = "") {
    std::string r = t.blankRecord();
    putText(r, t.desc().fields[0], name);
    put<std::int32_t>(r, t.desc().fields[1], num);
    putText(r, t.desc().fields[2], tag);
    return r;
  }
  // Steps until 33, collecting record numbers.
  std::vector<std::uint32_t> walk(KeyCursor& c, StepDirection d, int limit = 100) {
    std::vector<std::uint32_t> out;
    while (limit-- > 0) {
      std::uint32_t got = 0;
      const int r = c.step(d, [&](std::uint32_t n, std::string_view) {
        got = n;
        return 0;
      });
      if (r != 0) {
        EXPECT_EQ(r, kErrNotAvailable);
        break;
      }
      out.push_back(got);
    }
    return out;
  }
  std::vector<std::uint32_t> recs(std::initializer_list<int> idx) {
    std::vector<std::uint32_t> out;
    for (int i : idx) out.push_back(numbers[std::size_t(i)]);
    return out;
  }
  KeyTable t;
  std::vector<std::uint32_t> numbers;  // record numbers of rows 0..5
};

TEST_F(CursorTest, RecordOrderFromBothEndsStopsWith33AndKeepsItsPlace) {
  KeyCursor c(t.ref());
  c.setRecordOrder();
  EXPECT_EQ(walk(c, kNext), recs({0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(walk(c, kPrev), recs({4, 3, 2, 1, 0}));  // from the last record found
  c.setRecordOrder();
  EXPECT_EQ(walk(c, kPrev), recs({5, 4, 3, 2, 1, 0}));
}

TEST_F(CursorTest, RecordOrderFromARecordNumber) {
  KeyCursor c(t.ref());
  c.setRecordOrderAt(numbers[2]);
  EXPECT_EQ(walk(c, kNext), recs({2, 3, 4, 5}));
  c.setRecordOrderAt(numbers[5] + 10);  // beyond the last record
  EXPECT_EQ(walk(c, kPrev), recs({5, 4, 3, 2, 1, 0}));
  c.setRecordOrderAt(numbers[5] + 10);
  EXPECT_TRUE(walk(c, kNext).empty());
  c.setRecordOrderAt(0);  // an end
  EXPECT_EQ(walk(c, kNext).size(), 6u);
}

TEST_F(CursorTest, KeyOrderWithDuplicatesInRecordOrder) {
  KeyCursor c(t.ref());
  c.setKeyOrder(0);
  EXPECT_EQ(walk(c, kNext), recs({1, 0, 2, 4, 3, 5}));  // amy, bob x3 by record, cat, dan
  c.setKeyOrder(0);
  EXPECT_EQ(walk(c, kPrev), recs({5, 3, 4, 2, 0, 1}));
  c.setKeyOrder(1);
  EXPECT_EQ(walk(c, kNext), recs({1, 3, 2, 0, 4, 5}));  // by number
}

TEST_F(CursorTest, FirstAndLastOfAKey) {
  EXPECT_EQ(recordNumberOf(*firstOfKey(t.ref(), 1)), numbers[1]);  // num 10
  EXPECT_EQ(recordNumberOf(*lastOfKey(t.ref(), 1)), numbers[5]);   // num 60
  EXPECT_EQ(recordNumberOf(*lastOfKey(t.ref(), 0)), numbers[5]);   // dan
  EXPECT_FALSE(firstOfKey(t.ref(), 9));
  for (std::uint32_t n : numbers) t.remove(n);
  EXPECT_FALSE(firstOfKey(t.ref(), 2));
  EXPECT_FALSE(lastOfKey(t.ref(), 2));
}

TEST_F(CursorTest, OptionalKeyHidesBlankRecords) {
  KeyCursor c(t.ref());
  c.setKeyOrder(2);
  EXPECT_EQ(walk(c, kNext), recs({0, 4, 2}));
}

TEST_F(CursorTest, MissingValueStartsAtTheNeighbourInEitherDirection) {
  KeyCursor c(t.ref());
  c.setKeyValue(1, rec("", 35), false);
  EXPECT_EQ(walk(c, kNext), recs({0, 4, 5}));
  c.setKeyValue(1, rec("", 35), false);
  EXPECT_EQ(walk(c, kPrev), recs({2, 3, 1}));
  c.setKeyValue(1, rec("", 30), false);  // an existing unique value is found itself
  EXPECT_EQ(walk(c, kPrev), recs({2, 3, 1}));
  c.setKeyValue(0, rec("bob", 0), false);
  EXPECT_EQ(walk(c, kNext), recs({0, 2, 4, 3, 5}));
  c.setKeyValue(0, rec("bob", 0), false);
  EXPECT_EQ(walk(c, kPrev), recs({4, 2, 0, 1}));
  c.setKeyValue(0, rec("zed", 0), false);
  EXPECT_TRUE(walk(c, kNext).empty());
}

TEST_F(CursorTest, ValueThenRecordOrderContinuesByRecordNumber) {
  KeyCursor c(t.ref());
  c.setKeyValue(0, rec("bob", 0), true);
  EXPECT_EQ(walk(c, kNext), recs({0, 1, 2, 3, 4, 5}));  // first bob is row 0
  c.setKeyValue(0, rec("cat", 0), true);
  EXPECT_EQ(walk(c, kNext), recs({3, 4, 5}));
  EXPECT_EQ(c.mode(), CursorMode::OnRecord);
}

TEST_F(CursorTest, ValueAndRecordNumberAndRecordNumberPositions) {
  KeyCursor c(t.ref());
  c.setKeyValueAndRecord(0, rec("bob", 0), numbers[2]);
  EXPECT_EQ(walk(c, kNext), recs({2, 4, 3, 5}));
  c.setKeyValueAndRecord(0, rec("bob", 0), numbers[2] + 1);  // between two bobs
  EXPECT_EQ(walk(c, kPrev), recs({2, 0, 1}));
  c.setKeyAtRecord(0, numbers[2]);  // bob of row 2, then on by name
  EXPECT_EQ(walk(c, kNext), recs({2, 4, 3, 5}));
  c.setKeyAtRecord(1, numbers[3]);  // num 20, then down by number
  EXPECT_EQ(walk(c, kPrev), recs({3, 1}));
  c.setKeyAtRecord(1, numbers[5] + 99);
  EXPECT_EQ(c.step(kNext, nullptr), kErrNotFound);
}

TEST_F(CursorTest, StepsSurviveDeletionOfTheCurrentEntry) {
  KeyCursor c(t.ref());
  c.setKeyOrder(0);
  ASSERT_EQ(walk(c, kNext, 2), recs({1, 0}));  // amy, first bob
  ASSERT_EQ(t.remove(numbers[0]), 0);          // another writer deletes it
  ASSERT_EQ(t.remove(numbers[2]), 0);          // and the next one too
  EXPECT_EQ(walk(c, kNext), recs({4, 3, 5}));
  c.setRecordOrder();
  ASSERT_EQ(walk(c, kNext, 2), recs({1, 3}));
  ASSERT_EQ(t.remove(numbers[3]), 0);
  EXPECT_EQ(walk(c, kPrev), recs({1}));
}

TEST_F(CursorTest, KeyEntryOfAVanishedRecordIsSteppedOver) {
  // The data entry is gone but the key entry stays (a writer in between).
  ASSERT_TRUE(deleteEntry(t.file(), dataKey(t.number(), numbers[0])));
  ASSERT_TRUE(deleteEntry(t.file(), dataKey(t.number(), numbers[2])));
  KeyCursor c(t.ref());
  c.setKeyOrder(0);
  EXPECT_EQ(walk(c, kNext), recs({1, 4, 3, 5}));
  c.setKeyValue(0, rec("bob", 0), true);
  EXPECT_EQ(walk(c, kNext), recs({4, 5}));
}

TEST_F(CursorTest, ReaderErrorsComeBackWithThePositionMoved) {
  KeyCursor c(t.ref());
  c.setKeyOrder(1);
  std::string image;
  EXPECT_EQ(c.step(kNext,
                   [&](std::uint32_t, std::string_view img) {
                     image = img;
                     return kErrHeld;
                   }),
            kErrHeld);
  EXPECT_EQ(image, rec("amy", 10));
  EXPECT_EQ(c.recordNumber(), numbers[1]);
  EXPECT_EQ(walk(c, kNext, 1), recs({3}));
}

TEST_F(CursorTest, ExistsAndSkipDoNotRead) {
  KeyCursor c(t.ref());
  c.setKeyOrder(1);
  EXPECT_TRUE(c.exists(kNext));
  EXPECT_TRUE(c.exists(kPrev));  // from an end, either way
  int reads = 0;
  auto count = [&](std::uint32_t, std::string_view) { return ++reads, 0; };
  EXPECT_EQ(c.skip(kNext, 2), 0);
  EXPECT_EQ(c.recordNumber(), numbers[3]);
  EXPECT_EQ(c.step(kNext, count), 0);
  EXPECT_EQ(c.recordNumber(), numbers[2]);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(c.skip(kNext, 5), kErrNotAvailable);
  EXPECT_EQ(c.recordNumber(), numbers[5]);
  EXPECT_FALSE(c.exists(kNext));
  EXPECT_EQ(c.recordNumber(), numbers[5]);
}

TEST_F(CursorTest, AKeyThatDoesNotExistFindsNothing) {
  KeyCursor c(t.ref());
  c.setKeyOrder(7);
  EXPECT_EQ(c.step(kNext, nullptr), kErrNotAvailable);
  c.setKeyValue(9, rec("bob", 0), true);
  EXPECT_EQ(c.step(kPrev, nullptr), kErrNotAvailable);
  c.setKeyValueAndRecord(200, rec("bob", 0), 3);
  EXPECT_FALSE(c.exists(kNext));
  c.setKeyAtRecord(8, numbers[0]);
  EXPECT_EQ(c.step(kNext, nullptr), kErrNotAvailable);
}

}  // namespace
}  // namespace dw::db
