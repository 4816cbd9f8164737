// The tree's shortcuts: the key heads that order entries without reading
// their bytes, the per-region leaf hints and the leaf directory.  Each must
// give exactly the answers of a plain walk down the tree, also after the
// tree changed shape under it (splits, separators changed by deletes, pages
// freed, another opener's commit).
#include <algorithm>

#include "db_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

TEST(KeyHeadTest, HeadsOrderKeysAsTheirBytesDo) {
  // Keys around the 8- and 16-byte boundaries, with zero bytes that the
  // padding of a shorter key must not be mistaken for, and high bytes.
  const std::vector<std::string> keys = {
      "",
      std::string("\0", 1),
      std::string("\0\0", 2),
      "a",
      std::string("a\0", 2),
      std::string("a\0\x01", 3),
      "abcdefg",
      "abcdefgh",
      std::string("abcdefgh\0", 9),
      "abcdefghi",
      "abcdefghijklmno",
      "abcdefghijklmnop",
      std::string("abcdefghijklmnop\0", 17),
      "abcdefghijklmnopq",
      "abcdefghijklmnopr",
      "abcdefghijklmnopqrstuvwxyz",
      "\x7f",
      "\x80",
      "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff",
  };
  for (const auto& a : keys) {
    const Entry e = Entry::keyOnly(a);
    for (const auto& b : keys) {
      const int expected = compareKeys(a, b);
      EXPECT_EQ(compareEntryKey(e, KeyProbe(b)), expected) << "'" << a << "' vs '" << b << "'";
    }
  }
}

std::string keyOf(int region, int i) {
  char buf[32];
  // Five bytes of region (as a table number and a kind), then the value.
  std::snprintf(buf, sizeof buf, "T%03dK%07d", region, i);
  return buf;
}

Entry entryOf(const std::string& key, int length) {
  return Entry(key + std::string(std::size_t(length), 'v'), key.size());
}

// Asks the tree and the model the same questions about one probe: the
// entry equal to it, the next and the previous.
void expectSameAnswer(BriskFile& f, const Model& model, const std::string& probe) {
  const auto equal = findEqual(f, probe);
  const auto it = model.find(probe);
  ASSERT_EQ(bool(equal), it != model.end()) << probe;
  if (equal) {
    EXPECT_EQ(equal->bytes, it->second.bytes);
  }

  const auto next = findNext(f, probe);
  const auto above = model.upper_bound(probe);
  ASSERT_EQ(bool(next), above != model.end()) << probe;
  if (next) {
    EXPECT_EQ(next->key(), above->first) << probe;
  }

  const auto previous = findPrevious(f, probe);
  auto below = model.lower_bound(probe);
  ASSERT_EQ(bool(previous), below != model.begin()) << probe;
  if (previous) {
    EXPECT_EQ(previous->key(), std::prev(below)->first) << probe;
  }
}

// The same about random probes.
void expectSameAnswers(BriskFile& f, const Model& model, std::mt19937& rng, int questions) {
  std::uniform_int_distribution<int> region(0, 3), value(0, 4000);
  for (int q = 0; q < questions && !::testing::Test::HasFatalFailure(); ++q) {
    // Probes on keys and between them ("...5" ends a key, "...5x" lies after it).
    std::string probe = keyOf(region(rng), value(rng));
    if (q % 3 == 1) probe += "x";
    if (q % 7 == 3) probe.resize(5);  // a region's prefix alone
    expectSameAnswer(f, model, probe);
  }
}

// A fresh file with a model of its entries.
class TreeShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f = openBrisk(m_dir.file("t.brk"), writerOptions());
    ASSERT_TRUE(f);
    ASSERT_EQ(f->refreshHeader(), 0);
  }
  void insert(const std::string& key, int length) {
    if (model.count(key)) return;
    model[key] = entryOf(key, length);
    insertEntry(*f, entryOf(key, length));
  }
  // Committed, equal to the model and sound.
  void expectFinallySound() {
    ASSERT_EQ(f->commit(), 0u);
    EXPECT_TRUE(matchesModel(*f, model));
    EXPECT_TRUE(sound(*f));
  }
  TempDir m_dir;
  std::unique_ptr<BriskFile> f;
  Model model;
};

TEST_F(TreeShortcutTest, DirectoryAndHintsAnswerAsTheTreeAfterEveryChangeOfShape) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> region(0, 3), value(0, 4000), length(0, 300);
  auto insertRandom = [&](int count) {
    for (int i = 0; i < count; ++i) insert(keyOf(region(rng), value(rng)), length(rng));
  };
  // Several regions interleaved, so that the hints of one region must
  // survive finds in the others.
  insertRandom(3000);
  ASSERT_EQ(f->commit(), 0u);
  expectSameAnswers(*f, model, rng, 3000);
  EXPECT_GT(f->leafDirectory().size(), 20u) << "the directory was never built";

  for (int round = 0; round < 6; ++round) {
    // Inserts that split leaves; deletes that take leaves' first entries
    // (changing separators) and empty whole ranges (freeing pages).
    insertRandom(400);
    int deleted = 0;
    for (auto it = model.begin(); it != model.end() && deleted < 300;) {
      if (rng() % 4 == 0 || (round % 2 == 1 && it->first.compare(0, 5, "T002K") == 0)) {
        ASSERT_TRUE(deleteEntry(*f, it->first));
        it = model.erase(it);
        ++deleted;
      } else {
        ++it;
      }
    }
    expectSameAnswers(*f, model, rng, 600);
    if (round % 2 == 0) {
      ASSERT_EQ(f->commit(), 0u);  // pages move to their places
    }
    expectSameAnswers(*f, model, rng, 600);
  }
  expectFinallySound();
}

// Keys whose first 16 bytes are the same (their heads tie, so only their
// bytes order them) among keys with heads of their own: the directory,
// whose leaf bounds then tie on their heads too, still finds every key's
// leaf.
TEST_F(TreeShortcutTest, LeavesWhoseBoundsShareTheirHeadsAreToldApart) {
  auto tied = [](int i) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "T001Kshared-heads%07d", i);  // 17 bytes alike
    return std::string(buf);
  };
  for (int i = 0; i < 3000; ++i) {
    insert(tied(i * 3), 60 + i % 200);
    if (i % 3 == 0) insert(keyOf(0, i), 120);
    if (i % 3 == 1) insert(keyOf(2, i), 120);
  }
  ASSERT_EQ(f->commit(), 0u);
  std::mt19937 rng(23);
  for (int q = 0; q < 4000 && !HasFatalFailure(); ++q) {
    const int v = int(rng() % 9100);
    std::string probe = q % 3 == 0 ? keyOf(int(rng() % 3), v) : tied(v);
    if (q % 5 == 1) probe += "x";
    if (q % 11 == 4) probe.resize(std::size_t(5 + rng() % 14));  // a prefix, heads tied or not
    expectSameAnswer(*f, model, probe);
  }
  EXPECT_GT(f->leafDirectory().size(), 64u);
  EXPECT_TRUE(f->leafDirectory().current(*f)) << "the searches did not go through the directory";
  expectFinallySound();
}

TEST_F(TreeShortcutTest, DeletingLeavesFirstEntriesKeepsTheDirectoryCurrent) {
  for (int r = 0; r < 4; ++r) {
    for (int i = 0; i < 1200; ++i) insert(keyOf(r, i), 120);
  }
  ASSERT_EQ(f->commit(), 0u);
  std::mt19937 rng(9);
  expectSameAnswers(*f, model, rng, 1000);
  ASSERT_TRUE(f->leafDirectory().current(*f));
  // Ascending deletes from region 2: past its first leaf, each takes the
  // first entry of a leaf, which raises that leaf's bound.
  int current = 0;
  for (int i = 0; i < 400; ++i) {
    ASSERT_TRUE(deleteEntry(*f, keyOf(2, i)));
    model.erase(keyOf(2, i));
    if (f->leafDirectory().current(*f)) ++current;
    expectSameAnswers(*f, model, rng, 30);
  }
  EXPECT_GT(current, 300);
  expectFinallySound();
}

TEST_F(TreeShortcutTest, AscendingRunsGoPastTheirLeafsLastKeyOnlyBelowItsUpperBound) {
  // Sparse keys first, so that later runs fill gaps below other leaves'
  // first keys; then ascending runs in three regions at once (as a table's
  // record numbers, identifiers and memos grow together), with deletes of
  // the first keys ahead of the runs and random keys between.
  std::mt19937 rng(23);
  for (int r = 0; r < 3; ++r) {
    for (int i = 0; i < 6000; i += 40) insert(keyOf(r, i), 150);
  }
  ASSERT_EQ(f->commit(), 0u);
  for (int i = 0; i < 6000; ++i) {
    for (int r = 0; r < 3; ++r) insert(keyOf(r, i), 20 + int(rng() % 200));
    if (i % 97 == 0) {
      const std::string ahead = keyOf(int(rng() % 3), i + 40 - i % 40);
      if (model.erase(ahead)) {
        ASSERT_TRUE(deleteEntry(*f, ahead));
      }
    }
    if (i % 5 == 0) insert(keyOf(3, int(rng() % 4000)), 60);
    if (i % 1500 == 1499) {
      ASSERT_TRUE(sound(*f));
      ASSERT_EQ(f->commit(), 0u);
    }
  }
  expectFinallySound();
}

TEST(TreeShortcutSharingTest, ADirectoryBuiltBeforeAnotherOpenersCommitIsNotTrusted) {
  TempDir dir;
  BriskOptions shared = writerOptions();
  shared.locking = Locking::Shared;
  auto reader = openBrisk(dir.file("t.brk"), shared);
  auto writer = openBrisk(dir.file("t.brk"), shared);
  ASSERT_TRUE(reader && writer);
  Model model;
  // The writer commits every other key from `first` on.
  auto commitEveryOther = [&](int first) {
    ASSERT_EQ(writer->refreshHeader(), 0);
    for (int i = first; i < 2000; i += 2) {
      model[keyOf(1, i)] = entryOf(keyOf(1, i), 200);
      insertEntry(*writer, entryOf(keyOf(1, i), 200));
    }
    ASSERT_EQ(writer->commit(), 0u);
    writer->release();
  };
  commitEveryOther(0);

  std::mt19937 rng(5);
  ASSERT_EQ(reader->refreshHeader(), 0);
  expectSameAnswers(*reader, model, rng, 1500);
  ASSERT_GT(reader->leafDirectory().size(), 10u);
  reader->release();

  // The other opener fills the gaps: every leaf splits and moves.
  commitEveryOther(1);

  ASSERT_EQ(reader->refreshHeader(), 0);
  expectSameAnswers(*reader, model, rng, 1500);
  EXPECT_TRUE(matchesModel(*reader, model));
  reader->release();
}

}  // namespace
}  // namespace dw::db
