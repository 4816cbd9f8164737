// Deletion in trees of depth 3 and more: emptied pages freed while their
// parents empty too, separators replaced by longer keys, and files that
// hold entries longer than new entries may be.  Each case runs on files the
// engine wrote itself and, where the shared sample files are present, on
// those samples.
#include <algorithm>

#include "db_test_util.h"
#include "runtime/db/page_image.h"
#include "runtime/platform/test_platform.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::ScopedPlatform;
using dw::platform::TestPlatform;

// A copy of a shared sample file in dir, or empty when the samples are not
// there (the test then skips).
std::string sampleCopy(const TempDir& dir, const std::string& name) {
  const std::string root = sharedDataDir();
  if (root.empty()) return {};
  const std::string bytes = fileBytes(root + "/storage-faults/" + name);
  if (bytes.empty()) return {};
  const std::string path = dir.file(name);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  return path;
}

std::string sampleBytes(const std::string& name) {
  const std::string root = sharedDataDir();
  return root.empty() ? std::string() : fileBytes(root + "/storage-faults/" + name);
}

Model modelOf(BriskFile& f) {
  Model m;
  for (auto& e : scanAll(f)) m[std::string(e.key())] = e;
  return m;
}

// Deletes `key` from the file at `path`, commits, and checks that the file
// stays sound, dense and holds everything else.
void deleteAndCheck(const std::string& path, const std::string& key) {
  auto f = openBrisk(path, writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  ASSERT_TRUE(sound(*f));
  Model model = modelOf(*f);
  ASSERT_EQ(model.count(key), 1u);
  ASSERT_TRUE(deleteEntry(*f, key));
  model.erase(key);
  ASSERT_EQ(f->commit(), 0u);
  EXPECT_TRUE(sound(*f));
  EXPECT_TRUE(compacted(f->header()));
  EXPECT_TRUE(matchesModel(*f, model));
  f.reset();
  auto g = openBrisk(path, readerOptions());
  ASSERT_EQ(g->refreshHeader(), 0);
  EXPECT_TRUE(sound(*g));
  EXPECT_TRUE(matchesModel(*g, model));
}

TEST(TreeDeleteTest, SampleFileWhoseEmptiedParentIsMovedByTheFree) {
  TempDir dir;
  const std::string path = sampleCopy(dir, "empty_parent_halt.brk");
  const std::string key = sampleBytes("empty_parent_halt_key.bin");
  if (path.empty() || key.empty()) GTEST_SKIP() << "shared sample files not found";
  deleteAndCheck(path, key);
}

TEST(TreeDeleteTest, SampleFileWhoseSeparatorGrowsPastThePage) {
  TempDir dir;
  const std::string path = sampleCopy(dir, "sep_halt_base.brk");
  const std::string key = sampleBytes("sep_halt_key.bin");
  if (path.empty() || key.empty()) GTEST_SKIP() << "shared sample files not found";
  deleteAndCheck(path, key);
}

std::string randomKey(std::mt19937& rng, std::size_t length) {
  std::string key;
  key.reserve(length);
  // A small alphabet gives long shared prefixes and separators that differ
  // late, as the keys of one table do.
  for (std::size_t i = 0; i < length; ++i) key.push_back(char('a' + rng() % 4));
  return key;
}

// Trees of depth 3 with keys of mixed lengths, emptied range by range: inner
// pages are left with one child and then none, and the pages freed are
// often the last of their regions, so frees move parents and grandparents.
TEST(TreeDeleteTest, EmptyingRangesOfDeepTreesWithMixedKeyLengths) {
  TestPlatform tp;  // flushes without waiting for the disk: many commits
  ScopedPlatform installed(tp);
  int deletes = 0, depth3 = 0;
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    TempDir dir;
    auto f = openBrisk(dir.file("d.brk"), writerOptions());
    ASSERT_EQ(f->refreshHeader(), 0);
    std::mt19937 rng(seed);
    Model model;
    while (model.size() < 1400) {
      const std::size_t klen = rng() % 3 == 0 ? 100 + rng() % 500 : 6 + rng() % 30;
      const std::string key = randomKey(rng, klen);
      if (model.count(key)) continue;
      Entry e(key + std::string(rng() % 60, 'v'), key.size());
      insertEntry(*f, e);
      model[key] = e;
    }
    ASSERT_EQ(f->commit(), 0u);
    const CheckReport r = checkFile(*f);
    ASSERT_TRUE(r.sound) << r.fault;
    if (r.depth >= 3) ++depth3;
    // Empty random stretches of the key order, in random order within each,
    // committing and checking every few deletes.
    while (model.size() > 50) {
      std::vector<std::string> keys;
      auto it = model.begin();
      std::advance(it, rng() % (model.size() - 40));
      for (int i = 0; i < 40 && it != model.end(); ++i, ++it) keys.push_back(it->first);
      std::shuffle(keys.begin(), keys.end(), rng);
      for (std::size_t i = 0; i < keys.size(); ++i) {
        ASSERT_TRUE(deleteEntry(*f, keys[i]));
        model.erase(keys[i]);
        ++deletes;
        if (i % 7 == 6 || i + 1 == keys.size()) {
          ASSERT_EQ(f->commit(), 0u);
          ASSERT_TRUE(sound(*f)) << "seed " << seed << " after " << deletes << " deletes";
          ASSERT_TRUE(compacted(f->header()));
        }
      }
      ASSERT_TRUE(matchesModel(*f, model)) << "seed " << seed;
    }
  }
  EXPECT_EQ(depth3, 3);
  EXPECT_GT(deletes, 3000);
}

// Keys of 1,000 to 7,531 bytes: a delete that removes a page's first entry
// puts the next key, often much longer, into the separators above; those
// inner pages must split rather than outgrow their size.
TEST(TreeDeleteTest, LongerSeparatorsAfterDeletesSplitTheirPages) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    TempDir dir;
    auto f = openBrisk(dir.file("s.brk"), writerOptions());
    ASSERT_EQ(f->refreshHeader(), 0);
    std::mt19937 rng(100 + seed);
    Model model;
    while (model.size() < 40) {
      // Odd seeds: random keys, which do not compress; even seeds: keys
      // padded with one letter, whose pages compress far below their size.
      const std::size_t length = 1000 + rng() % (kMaxKeyLength - 1000 + 1);
      std::string key = randomKey(rng, seed % 2 == 1 ? length : 6);
      key.resize(length, 'k');
      if (model.count(key)) continue;
      Entry e(key + std::string(rng() % 20, 'v'), key.size());
      insertEntry(*f, e);
      model[key] = e;
    }
    ASSERT_EQ(f->commit(), 0u);
    ASSERT_TRUE(sound(*f));
    for (int round = 0; round < 8; ++round) {
      auto it = model.begin();
      std::advance(it, rng() % model.size());
      ASSERT_TRUE(deleteEntry(*f, it->first));
      model.erase(it);
      ASSERT_EQ(f->commit(), 0u) << "seed " << seed << " round " << round;
      ASSERT_TRUE(sound(*f)) << "seed " << seed << " round " << round;
    }
    ASSERT_TRUE(matchesModel(*f, model));
  }
}

// A file of one leaf whose entry has an 8,000-byte key: more than a new key
// may have, but a page holds it (compressed), so the format allows it.
void writeLongKeyFile(const std::string& path) {
  PageContent leaf;
  leaf.entries.push_back(PageEntry{Entry{}, 0});
  leaf.entries.push_back(PageEntry{Entry(std::string(8000, 'L') + "payload", 8000), 0});
  std::string image = buildImage(leaf, estimateOf(leaf));
  setImageOwnOffset(image, kHeaderSize);
  const int cls = int(imageClass(image));
  Header h;
  h.changeCounter = 2;
  h.rootPage = 0;
  for (int c = 1; c <= kClassCount; ++c) {
    h.regionStart[c] = c <= cls ? 0 : cls;
    h.regionEnd[c] = c < cls ? 0 : cls;
  }
  h.pendingStart = h.pendingEnd = h.endOfData();
  std::string bytes(kHeaderSize, '\0');
  h.encode(reinterpret_cast<std::uint8_t*>(bytes.data()));
  bytes += image;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

TEST(TreeDeleteTest, KeysLongerThanNewKeysMayBeAreReadAndKeptWhenTheFileChanges) {
  TempDir dir;
  std::vector<std::string> paths = {dir.file("long.brk")};
  writeLongKeyFile(paths[0]);
  if (std::string p = sampleCopy(dir, "longkey8000.brk"); !p.empty()) paths.push_back(p);
  for (const auto& path : paths) {
    SCOPED_TRACE(path);
    Model model;
    {
      auto r = openBrisk(path, readerOptions());
      ASSERT_EQ(r->refreshHeader(), 0);
      EXPECT_TRUE(sound(*r));
      model = modelOf(*r);
      ASSERT_EQ(model.size(), 1u);
      EXPECT_GT(model.begin()->first.size(), kMaxKeyLength);
      EXPECT_TRUE(findEqual(*r, model.begin()->first));
    }
    // A writer adds entries around it (the long key becomes a separator),
    // then deletes them again.
    auto f = openBrisk(path, writerOptions());
    ASSERT_EQ(f->refreshHeader(), 0);
    std::mt19937 rng(5);
    for (int i = 0; i < 300; ++i) {
      const std::string key = randomKey(rng, 8 + rng() % 40);
      if (model.count(key)) continue;
      Entry e(key + std::string(rng() % 300, 'd'), key.size());
      insertEntry(*f, e);
      model[key] = e;
    }
    ASSERT_EQ(f->commit(), 0u);
    ASSERT_TRUE(sound(*f));
    ASSERT_TRUE(matchesModel(*f, model));
    std::vector<std::string> shortKeys;
    for (const auto& [k, e] : model) {
      if (k.size() <= kMaxKeyLength) shortKeys.push_back(k);
    }
    for (const auto& k : shortKeys) {
      ASSERT_TRUE(deleteEntry(*f, k));
      model.erase(k);
    }
    ASSERT_EQ(f->commit(), 0u);
    EXPECT_TRUE(sound(*f));
    EXPECT_TRUE(matchesModel(*f, model));
    EXPECT_EQ(model.size(), 1u);
  }
}

// An entry replaced by one of the same length stays where it is; one of
// another length, or a key the tree lacks, leaves the tree as it was.  The
// file stays sound across commits and reopening.
TEST(TreeReplaceTest, SameLengthEntriesAreReplacedInPlaceAndOthersRefused) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  Model model;
  std::mt19937 rng(77);
  {
    auto f = openBrisk(dir.file("r.brk"), writerOptions());
    ASSERT_EQ(f->refreshHeader(), 0);
    while (model.size() < 900) {
      const std::string key = randomKey(rng, 6 + rng() % 30);
      if (model.count(key)) continue;
      Entry e(key + std::string(20 + rng() % 60, 'v'), key.size());
      insertEntry(*f, e);
      model[key] = e;
    }
    ASSERT_EQ(f->commit(), 0u);
    int replaced = 0;
    for (auto& [key, e] : model) {
      if (rng() % 3 != 0) continue;
      Entry same(key + std::string(e.data().size(), char('a' + rng() % 26)), key.size());
      ASSERT_TRUE(replaceEntry(*f, Entry(same))) << key;
      e = same;
      ++replaced;
      Entry longer(key + std::string(e.data().size() + 1, 'L'), key.size());
      EXPECT_FALSE(replaceEntry(*f, longer)) << key;
    }
    EXPECT_FALSE(replaceEntry(*f, Entry(std::string("\x01no such key"), 12)));
    ASSERT_EQ(f->commit(), 0u);
    ASSERT_TRUE(sound(*f));
    ASSERT_TRUE(matchesModel(*f, model));
    EXPECT_GT(replaced, 250);
  }
  auto again = openBrisk(dir.file("r.brk"), writerOptions());
  ASSERT_EQ(again->refreshHeader(), 0);
  EXPECT_TRUE(matchesModel(*again, model));
}

// Keys that agree in their first 16 bytes (the heads a delete compares
// first) and differ only in their length, in trailing zero bytes or just
// past the head: deleting one, in a leaf at hand or down from the root,
// takes exactly that key, and asking for a missing neighbour takes none.
TEST(TreeDeleteTest, KeysAlikeInTheirHeadsAreToldApart) {
  TempDir dir;
  auto f = openBrisk(dir.file("heads.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  const std::string head(std::string("\x00\x00\x00\x01\x02", 5) + "ABCDEFGHIJK");
  std::vector<std::string> keys;
  for (std::size_t n = 12; n <= 20; ++n) {
    keys.push_back(head.substr(0, std::min<std::size_t>(n, 16)) +
                   std::string(n > 16 ? n - 16 : 0, 'x'));
  }
  keys.push_back(head.substr(0, 14) + std::string(1, '\0'));
  keys.push_back(head.substr(0, 14) + std::string(2, '\0'));
  keys.push_back(head + std::string(1, '\0'));
  keys.push_back(head + std::string("\0\0", 2));
  keys.push_back(head + "y");
  keys.push_back(head + "xy");
  // Enough entries around them that they share leaves with others and
  // leaves split (a leaf's first key is deleted down from the root).
  Model model;
  std::mt19937 rng(16);
  for (int i = 0; i < 600; ++i) {
    std::string k = head.substr(0, 5) + char('A' + rng() % 26) + std::to_string(rng());
    keys.push_back(k);
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  for (const std::string& k : keys) {
    Entry e(k + "data", k.size());
    insertEntry(*f, e);
    model[k] = e;
  }
  ASSERT_EQ(f->commit(), 0u);
  std::shuffle(keys.begin(), keys.end(), rng);
  for (std::size_t i = 0; i < keys.size(); i += 2) {
    ASSERT_TRUE(deleteEntry(*f, keys[i])) << i;
    model.erase(keys[i]);
    ASSERT_FALSE(deleteEntry(*f, keys[i])) << i;
    // A neighbour with a trailing zero byte more shares its head and,
    // unless it is stored itself, is not there.
    const std::string missing = keys[(i + 1) % keys.size()] + std::string(1, '\0');
    if (model.count(missing) == 0) {
      ASSERT_FALSE(deleteEntry(*f, missing)) << i;
    }
  }
  EXPECT_TRUE(matchesModel(*f, model));
  ASSERT_EQ(f->commit(), 0u);
  EXPECT_TRUE(sound(*f));
  EXPECT_TRUE(matchesModel(*f, model));
}

}  // namespace
}  // namespace dw::db
