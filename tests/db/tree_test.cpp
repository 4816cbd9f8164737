// The tree over a real file: search, split, delete, and a randomised run
// against an ordered map with commits, re-opens and the checker.
#include <algorithm>

#include "db_test_util.h"
#include "runtime/db/brisk_checks.h"
#include "runtime/db/page_image.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

Entry makeEntry(const std::string& key, std::size_t dataLength, char fill = 'd') {
  return Entry(key + std::string(dataLength, fill), key.size());
}

std::string key4(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "k%06d", i);
  return buf;
}

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_file = openBrisk(m_dir.file("t.brk"), writerOptions());
    ASSERT_TRUE(m_file);
    ASSERT_EQ(m_file->refreshHeader(), 0);
  }
  void reopen() {
    m_file.reset();
    m_file = openBrisk(m_dir.file("t.brk"), writerOptions());
    ASSERT_EQ(m_file->refreshHeader(), 0);
  }
  TempDir m_dir;
  std::unique_ptr<BriskFile> m_file;
};

TEST_F(TreeTest, EmptyTreeHoldsOnlyTheSentinel) {
  EXPECT_FALSE(findNext(*m_file, ""));
  EXPECT_FALSE(findPrevious(*m_file, "zzz"));
  EXPECT_FALSE(findEqual(*m_file, ""));
  EXPECT_FALSE(deleteEntry(*m_file, ""));
  ASSERT_EQ(m_file->commit(), 0u);
  EXPECT_TRUE(sound(*m_file));
  EXPECT_EQ(m_file->header().rootPage, 0);
}

TEST_F(TreeTest, ExactNextPreviousAndPrefixBounds) {
  for (const char* k : {"b", "ba", "bb", "c", "\xff", "\xff\xff\x01"}) {
    insertEntry(*m_file, makeEntry(k, 3));
  }
  EXPECT_EQ(findEqual(*m_file, "ba")->key(), "ba");
  EXPECT_FALSE(findEqual(*m_file, "bc"));
  EXPECT_EQ(findNext(*m_file, "b")->key(), "ba");
  EXPECT_EQ(findNext(*m_file, "bab")->key(), "bb");
  EXPECT_EQ(findPrevious(*m_file, "c")->key(), "bb");
  EXPECT_EQ(findPrevious(*m_file, "ba")->key(), "b");
  EXPECT_FALSE(findPrevious(*m_file, "b"));
  EXPECT_EQ(firstOfPrefix(*m_file, "b")->key(), "ba");
  EXPECT_EQ(lastOfPrefix(*m_file, "b")->key(), "bb");
  EXPECT_FALSE(firstOfPrefix(*m_file, "bb"));
  EXPECT_EQ(lastOfPrefix(*m_file, "\xff")->key(), "\xff\xff\x01");
  EXPECT_EQ(findEqual(*m_file, "c")->data(), "ddd");
  EXPECT_THROW(insertEntry(*m_file, makeEntry("bb", 1)), dw::lang::HaltRequested);
}

TEST_F(TreeTest, RootKeepsItsNumberWhenItSplits) {
  ASSERT_EQ(m_file->commit(), 0u);
  const std::int32_t root = m_file->header().rootPage;
  for (int i = 0; i < 200; ++i) insertEntry(*m_file, makeEntry(key4(i), 60));
  ASSERT_EQ(m_file->commit(), 0u);
  EXPECT_EQ(m_file->header().rootPage, root);
  CheckReport r = checkFile(*m_file);
  EXPECT_TRUE(r.sound) << r.fault;
  EXPECT_EQ(r.depth, 2u);
  EXPECT_EQ(r.entries, 200u);
  EXPECT_GE(r.pages, 4u);
}

TEST_F(TreeTest, DeletingFirstAndLastEntriesKeepsSeparatorsAndFreesPages) {
  for (int i = 0; i < 400; ++i) insertEntry(*m_file, makeEntry(key4(i), 80));
  ASSERT_EQ(m_file->commit(), 0u);
  const CheckReport before = checkFile(*m_file);
  ASSERT_TRUE(before.sound) << before.fault;
  // Delete from the front of every leaf (separators replaced) ...
  for (int i = 0; i < 400; i += 2) ASSERT_TRUE(deleteEntry(*m_file, key4(i)));
  ASSERT_EQ(m_file->commit(), 0u);
  EXPECT_TRUE(sound(*m_file));
  // ... then empty whole leaves, which frees them.
  for (int i = 1; i < 390; i += 2) ASSERT_TRUE(deleteEntry(*m_file, key4(i)));
  EXPECT_FALSE(deleteEntry(*m_file, key4(0)));
  ASSERT_EQ(m_file->commit(), 0u);
  const CheckReport after = checkFile(*m_file);
  EXPECT_TRUE(after.sound) << "page " << after.page << ": " << after.fault;
  EXPECT_EQ(after.entries, 5u);
  EXPECT_LT(after.pages, before.pages);
  // Closing cuts the file at its end of data.
  ASSERT_EQ(m_file->cutAtEndOfData(), 0u);
  auto size = m_file->osFile().size();
  ASSERT_TRUE(size);
  EXPECT_EQ(*size, m_file->header().endOfData());
  reopen();
  EXPECT_TRUE(sound(*m_file));
  EXPECT_EQ(scanAll(*m_file).size(), 5u);
}

TEST_F(TreeTest, EntriesAndKeysLongerThanPagesCanHoldHalt) {
  insertEntry(*m_file, Entry("big" + std::string(kMaxEntryLength - 3, 'x'), 3));
  insertEntry(*m_file, Entry(std::string(kMaxKeyLength, 'k'), kMaxKeyLength));
  insertEntry(*m_file, Entry(std::string(kMaxKeyLength, 'l') + "data", kMaxKeyLength));
  const std::vector<Entry> refused = {
      Entry(std::string(kMaxEntryLength + 1, 'y'), 1),
      Entry(std::string(kMaxKeyLength + 1, 'z'), kMaxKeyLength + 1),
  };
  for (const auto& e : refused) {
    try {
      insertEntry(*m_file, e);
      ADD_FAILURE();
    } catch (const dw::lang::HaltRequested& h) {
      EXPECT_NE(h.text.find("Internal error : brkbt line 814"), std::string::npos) << h.text;
    }
  }
  ASSERT_EQ(m_file->commit(), 0u);
  EXPECT_TRUE(sound(*m_file));
  EXPECT_EQ(scanAll(*m_file).size(), 3u);
}

TEST_F(TreeTest, DeleteInReadModeHalts) {
  m_file->setReadMode(true);
  EXPECT_THROW(deleteEntry(*m_file, "a"), dw::lang::HaltRequested);
}

// Random keys from a small alphabet (long shared prefixes), keys up to the
// longest key and entries up to the longest entry that may be made.
TEST_F(TreeTest, RandomisedAgainstOrderedMap) {
  std::mt19937 rng(12345);
  Model model;
  const int rounds = 12 * longFactor();
  std::uint64_t checks = 0;
  for (int round = 0; round < rounds; ++round) {
    const int ops = 60;
    for (int op = 0; op < ops; ++op) {
      const int what = int(rng() % 10);
      if (what < 6 || model.empty()) {
        std::string key;
        // Mostly short keys; one in eight from 1,000 bytes up to the longest
        // key allowed (which then also makes the longest separators).
        const int longKey = int(rng() % 16);
        const std::size_t klen = longKey == 0   ? kMaxKeyLength - rng() % 2
                                 : longKey == 1 ? 1000 + rng() % (kMaxKeyLength - 1000)
                                                : 1 + rng() % 24;
        for (std::size_t i = 0; i < klen; ++i) {
          key.push_back(char(i < 24 || rng() % 64 == 0 ? 'a' + rng() % 3 : 'k'));
        }
        if (model.count(key)) continue;
        std::size_t total;
        const int size = int(rng() % 100);
        if (size < 70) {
          total = key.size() + rng() % 200;
        } else if (size < 95) {
          total = key.size() + rng() % 4000;
        } else {
          total = kMaxEntryLength - rng() % 20;
        }
        total = std::min<std::size_t>(std::max(total, key.size()), kMaxEntryLength);
        std::string bytes = key;
        while (bytes.size() < total) bytes.push_back(char(rng() % 4 == 0 ? rng() : 'z'));
        Entry e(bytes, key.size());
        insertEntry(*m_file, e);
        model[key] = e;
      } else if (what < 9) {
        auto it = model.begin();
        std::advance(it, rng() % model.size());
        ASSERT_TRUE(deleteEntry(*m_file, it->first));
        model.erase(it);
      } else {
        std::string probe(1 + rng() % 6, 'a');
        for (auto& ch : probe) ch = char('a' + rng() % 3);
        auto found = findNext(*m_file, probe);
        auto expect = model.upper_bound(probe);
        ASSERT_EQ(bool(found), expect != model.end());
        if (found) {
          ASSERT_EQ(found->key(), expect->first);
        }
        auto prev = findPrevious(*m_file, probe);
        auto lb = model.lower_bound(probe);
        ASSERT_EQ(bool(prev), lb != model.begin());
        if (prev) {
          ASSERT_EQ(prev->key(), std::prev(lb)->first);
        }
      }
    }
    ASSERT_EQ(m_file->commit(), 0u);
    ASSERT_TRUE(sound(*m_file)) << "round " << round;
    ASSERT_TRUE(compacted(m_file->header())) << "round " << round;
    ++checks;
    if (round % 3 == 2) {
      m_file->release();
      reopen();
    }
    ASSERT_TRUE(matchesModel(*m_file, model)) << "round " << round;
  }
  // Drain everything: the tree returns to the sentinel alone.
  for (auto& [k, e] : model) ASSERT_TRUE(deleteEntry(*m_file, k));
  ASSERT_EQ(m_file->commit(), 0u);
  ASSERT_TRUE(sound(*m_file));
  EXPECT_TRUE(scanAll(*m_file).empty());
  EXPECT_GT(checks, 0u);
}

}  // namespace
}  // namespace dw::db

namespace dw::db {
namespace {

using namespace dw::db::testing;

// Many small entries: a deeper tree whose inner pages split, then mostly
// emptied again so that inner pages are freed too.
TEST(TreeDeepTest, GrowsDeepThenEmptiesInnerPages) {
  TempDir dir;
  auto f = openBrisk(dir.file("deep.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  std::mt19937 rng(77);
  Model model;
  const int n = 9000 * longFactor();
  std::vector<std::string> keys;
  for (int i = 0; i < n; ++i) {
    std::string key = "K" + std::to_string(rng() % 1000000);
    key.resize(8 + rng() % 30, char('0' + i % 10));
    if (model.count(key)) continue;
    Entry e(key + std::string(rng() % 40, 'v'), key.size());
    insertEntry(*f, e);
    model[key] = e;
    keys.push_back(key);
    if (i % 1500 == 1499) {
      ASSERT_EQ(f->commit(), 0u);
      ASSERT_TRUE(sound(*f));
    }
  }
  ASSERT_EQ(f->commit(), 0u);
  CheckReport r = checkFile(*f);
  ASSERT_TRUE(r.sound) << r.fault;
  EXPECT_GE(r.depth, 3u);
  std::shuffle(keys.begin(), keys.end(), rng);
  // Delete a contiguous stretch first (whole subtrees empty), then at random.
  std::vector<std::string> sorted(keys);
  std::sort(sorted.begin(), sorted.end());
  const std::size_t stretch = sorted.size() / 2;
  for (std::size_t i = sorted.size() / 4; i < sorted.size() / 4 + stretch; ++i) {
    ASSERT_TRUE(deleteEntry(*f, sorted[i]));
    model.erase(sorted[i]);
  }
  ASSERT_EQ(f->commit(), 0u);
  ASSERT_TRUE(sound(*f));
  for (const auto& k : keys) {
    if (!model.count(k) || rng() % 10 == 0) continue;
    ASSERT_TRUE(deleteEntry(*f, k));
    model.erase(k);
  }
  ASSERT_EQ(f->commit(), 0u);
  r = checkFile(*f);
  ASSERT_TRUE(r.sound) << r.fault;
  EXPECT_TRUE(matchesModel(*f, model));
  ASSERT_EQ(f->cutAtEndOfData(), 0u);
  f->release();
  f.reset();
  auto g = openBrisk(dir.file("deep.brk"), readerOptions());
  ASSERT_EQ(g->refreshHeader(), 0);
  EXPECT_TRUE(sound(*g));
  EXPECT_TRUE(matchesModel(*g, model));
}

}  // namespace
}  // namespace dw::db
