// The bytes a commit writes are part of the format: another opener, an
// older copy of the program or recovery from pending copies read exactly
// them.  These tests run fixed workloads that make commits move thousands
// of pages between size classes (random deletes over a large tree, entries
// that grow and shrink, inner pages that change), and then, after the file
// is opened again so that every page comes from the disk, many commits of
// one record each, whose class changes move a few pages and change their
// parents' pointers.  They pin the file's bytes after each step by a hash,
// so that work on how fast pages are built and placed cannot change what is
// stored.  The hashes were taken from the
// plain builder and placement; a change of the format itself must change
// them knowingly.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "db_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

[[maybe_unused]] auto* const kHalts = ::testing::AddGlobalTestEnvironment(new HaltsThrow);

std::uint64_t fileHash(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ull;
  }
  return h ^ bytes.size();
}

// A key like the tables': a 4-byte table, a kind, then blank-padded text
// and a big-endian number, so that neighbours share long prefixes.
std::string keyOf(std::mt19937& rng, int kind, std::uint32_t n) {
  static const char* const kWords[] = {"Accounts", "Backups", "Billing", "Cleanup", "Email",
                                       "Finance",  "Network", "Payroll", "Reports", "Sales"};
  std::string k("\x00\x00\x00\x01", 4);
  k.push_back(char(kind));
  if (kind != 0xF3) {
    std::string word = kWords[rng() % 10];
    word.resize(12 + rng() % 20, ' ');
    k += word;
  }
  for (int b = 3; b >= 0; --b) k.push_back(char(n >> (8 * b)));
  return k;
}

struct Workload {
  std::vector<std::uint64_t> hashes;  // after each commit
};

Workload run(const std::string& path) {
  Workload w;
  auto f = openBrisk(path, writerOptions());
  EXPECT_EQ(f->refreshHeader(), 0);
  std::mt19937 rng(1207);
  Model model;
  auto insert = [&](const std::string& key, std::size_t data) {
    std::string bytes = key;
    for (std::size_t i = 0; i < data; ++i)
      bytes.push_back(i % 40 < 25 ? ' ' : char('a' + rng() % 26));
    Entry e(std::move(bytes), key.size());
    model[key] = e;
    insertEntry(*f, std::move(e));
  };
  // 1. A tree of several levels: records, short key entries, memo-like
  //    entries of a few hundred bytes, in one commit.
  for (std::uint32_t n = 1; n <= 6000; ++n) {
    insert(keyOf(rng, 0xF3, n), 300 + rng() % 200);
    insert(keyOf(rng, 1 + int(rng() % 3), n), 0);
    if (rng() % 2) insert(keyOf(rng, 0xFC, n), 1 + rng() % 600);
  }
  EXPECT_EQ(f->commit(), 0u);
  w.hashes.push_back(fileHash(path));
  // 2. A third of the entries deleted at random in one commit: nearly every
  //    leaf shrinks, many change class and move, parents follow.
  std::vector<std::string> keys;
  for (const auto& [k, e] : model) keys.push_back(k);
  std::shuffle(keys.begin(), keys.end(), rng);
  for (std::size_t i = 0; i < keys.size() / 3; ++i) {
    EXPECT_TRUE(deleteEntry(*f, keys[i]));
    model.erase(keys[i]);
  }
  EXPECT_EQ(f->commit(), 0u);
  w.hashes.push_back(fileHash(path));
  // 3. Some entries grow, some new ones arrive, more go: pages split, grow
  //    and shrink in one commit.
  for (std::size_t i = keys.size() / 3; i < keys.size() / 3 + 1500; ++i) {
    if (!model.count(keys[i])) continue;
    EXPECT_TRUE(deleteEntry(*f, keys[i]));
    model.erase(keys[i]);
    if (i % 3 == 0) insert(keys[i], 700 + rng() % 2000);
  }
  for (std::uint32_t n = 7000; n < 7400; ++n) insert(keyOf(rng, 2, n), rng() % 30);
  EXPECT_EQ(f->commit(), 0u);
  w.hashes.push_back(fileHash(path));
  EXPECT_TRUE(sound(*f));
  EXPECT_TRUE(matchesModel(*f, model));
  f.reset();
  // 4. Opened again: 300 commits of one record and its key entries each,
  //    as an application adds records one at a time.
  f = openBrisk(path, writerOptions());
  EXPECT_EQ(f->refreshHeader(), 0);
  for (std::uint32_t n = 8000; n < 8300; ++n) {
    insert(keyOf(rng, 0xF3, n), 300 + rng() % 200);
    insert(keyOf(rng, 1 + int(n % 3), n), 0);
    EXPECT_EQ(f->commit(), 0u);
    if (n % 100 == 99) w.hashes.push_back(fileHash(path));
  }
  EXPECT_TRUE(sound(*f));
  EXPECT_TRUE(matchesModel(*f, model));
  return w;
}

TEST(CommitBytesTest, LargeCommitsWriteTheSameBytesAsEver) {
  TempDir dir;
  const Workload w = run(dir.file("bytes.brk"));
  const std::vector<std::uint64_t> expected = {0x4c76227e6ecf94cdull, 0xb369fbfa1d8e381eull,
                                               0xe10b2066d0f80274ull, 0xea1860b24aaab6f2ull,
                                               0x57b0c5d2d8b35472ull, 0xdadb3bc84479f33bull};
  ASSERT_EQ(w.hashes.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(w.hashes[i], expected[i])
        << "after commit " << i + 1 << ": 0x" << std::hex << w.hashes[i];
  }
}

}  // namespace
}  // namespace dw::db
