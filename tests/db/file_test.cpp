// The file object: header refresh, new, short and foreign files, stale
// caches, the number counter, enciphered files and placement.
#include <fstream>

#include "db_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(BriskFileTest, ZeroByteFileIsAnEmptyDatabaseAndFirstCommitWritesIt) {
  TempDir dir;
  const std::string path = dir.file("new.brk");
  writeBytes(path, "");
  auto f = openBrisk(path, writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_FALSE(findNext(*f, ""));
  ASSERT_EQ(f->commit(), 0u);
  const std::string bytes = readBytes(path);
  ASSERT_GE(bytes.size(), 512u + 256u);
  EXPECT_EQ(bytes.substr(14, 4), "bRsK");
  auto again = openBrisk(path, readerOptions());
  ASSERT_EQ(again->refreshHeader(), 0);
  EXPECT_EQ(again->header().changeCounter, 2u);
  EXPECT_EQ(again->header().pendingStart, again->header().pendingEnd);
  EXPECT_TRUE(sound(*again));
}

// A first commit that changes only the header (a number was issued, no
// entry written) stores the empty tree as root -1, which reads back.
TEST(BriskFileTest, FirstCommitOfOnlyTheHeaderStoresTheEmptyTree) {
  TempDir dir;
  const std::string path = dir.file("h.brk");
  auto f = openBrisk(path, writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_EQ(f->nextNumber(), (std::array<std::uint8_t, 4>{0, 0, 0, 1}));
  ASSERT_EQ(f->commit(), 0u);
  EXPECT_EQ(f->header().rootPage, kNoRoot);
  EXPECT_TRUE(sound(*f));
  f.reset();
  auto r = openBrisk(path, readerOptions());
  ASSERT_EQ(r->refreshHeader(), 0);
  EXPECT_TRUE(sound(*r));
  EXPECT_EQ(r->header().numberCounter, (std::array<std::uint8_t, 4>{0, 0, 0, 1}));
  EXPECT_FALSE(findNext(*r, ""));
  r.reset();
  auto w = openBrisk(path, writerOptions());
  ASSERT_EQ(w->refreshHeader(), 0);
  insertEntry(*w, Entry("later", 5));
  EXPECT_EQ(w->nextNumber(), (std::array<std::uint8_t, 4>{0, 0, 0, 2}));
  ASSERT_EQ(w->commit(), 0u);
  EXPECT_TRUE(sound(*w));
  EXPECT_TRUE(findEqual(*w, "later"));
}

// Zeros where the header belongs are a new file only when no data follows;
// a committed file whose header was overwritten is refused and left as it
// is, so that nothing more is lost.
TEST(BriskFileTest, ZeroedHeaderOfAPopulatedFileIsDamageNotANewFile) {
  TempDir dir;
  const std::string path = dir.file("z.brk");
  {
    auto f = openBrisk(path, writerOptions());
    ASSERT_EQ(f->refreshHeader(), 0);
    for (int i = 0; i < 500; ++i) {
      insertEntry(*f, Entry("entry" + std::to_string(10000 + i) + std::string(40, '.'), 10));
    }
    ASSERT_EQ(f->commit(), 0u);
  }
  std::string bytes = readBytes(path);
  std::fill(bytes.begin(), bytes.begin() + 512, '\0');
  writeBytes(path, bytes);
  for (bool readMode : {true, false}) {
    auto f = openBrisk(path, readMode ? readerOptions() : writerOptions());
    EXPECT_EQ(f->refreshHeader(), kRefreshInvalid) << readMode;
    EXPECT_NE(f->refreshFault().find("zero"), std::string::npos) << f->refreshFault();
    EXPECT_EQ(f->commit(), 0u);
  }
  EXPECT_EQ(readBytes(path), bytes) << "the damaged file was written to";
}

TEST(BriskFileTest, ZeroedHeaderWithNothingButZerosAfterItIsANewFile) {
  TempDir dir;
  const std::string path = dir.file("n.brk");
  for (std::size_t size : {std::size_t(512), std::size_t(512 + 3000)}) {
    writeBytes(path, std::string(size, '\0'));
    auto f = openBrisk(path, writerOptions());
    ASSERT_EQ(f->refreshHeader(), 0) << size;
    EXPECT_FALSE(findNext(*f, ""));
    insertEntry(*f, Entry("first", 5));
    ASSERT_EQ(f->commit(), 0u);
    EXPECT_TRUE(sound(*f));
    f.reset();
    auto r = openBrisk(path, readerOptions());
    ASSERT_EQ(r->refreshHeader(), 0);
    EXPECT_TRUE(findEqual(*r, "first"));
  }
}

TEST(BriskFileTest, SampleFileWithAZeroedHeaderIsRefused) {
  const std::string root = sharedDataDir();
  const std::string original =
      root.empty() ? std::string() : readBytes(root + "/storage-faults/zeroed_header.brk");
  if (original.empty()) GTEST_SKIP() << "shared sample files not found";
  TempDir dir;
  const std::string path = dir.file("zeroed_header.brk");
  writeBytes(path, original);
  auto f = openBrisk(path, writerOptions());
  EXPECT_EQ(f->refreshHeader(), kRefreshInvalid);
  EXPECT_EQ(f->commit(), 0u);
  f.reset();
  EXPECT_EQ(readBytes(path), original);
}

TEST(BriskFileTest, ShortFilesAndWrongMagicAreInvalid) {
  TempDir dir;
  const std::string path = dir.file("bad.brk");
  for (const std::string& bytes :
       {std::string("bRsK"), std::string(511, 'x'), std::string(600, '\x01')}) {
    writeBytes(path, bytes);
    auto f = openBrisk(path, readerOptions());
    EXPECT_EQ(f->refreshHeader(), kRefreshInvalid) << bytes.size();
  }
}

TEST(BriskFileTest, AnotherOpenersCommitDropsTheStaleCache) {
  TempDir dir;
  const std::string path = dir.file("s.brk");
  auto writer = openBrisk(path, writerOptions());
  auto reader = openBrisk(path, readerOptions());
  ASSERT_EQ(writer->refreshHeader(), 0);
  insertEntry(*writer, Entry("one", 3));
  ASSERT_EQ(writer->commit(), 0u);
  writer->release();
  ASSERT_EQ(reader->refreshHeader(), 0);
  EXPECT_TRUE(findEqual(*reader, "one"));
  reader->release();
  ASSERT_EQ(writer->refreshHeader(), 0);
  insertEntry(*writer, Entry("two", 3));
  ASSERT_TRUE(deleteEntry(*writer, "one"));
  ASSERT_EQ(writer->commit(), 0u);
  writer->release();
  ASSERT_EQ(reader->refreshHeader(), 0);
  EXPECT_FALSE(findEqual(*reader, "one"));
  EXPECT_TRUE(findEqual(*reader, "two"));
}

TEST(BriskFileTest, NumberCounterIsBigEndianAndStopsBelowFE) {
  TempDir dir;
  auto f = openBrisk(dir.file("n.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  EXPECT_EQ(f->nextNumber(), (std::array<std::uint8_t, 4>{0, 0, 0, 1}));
  f->mutableHeader().numberCounter = {0, 0, 0, 0xFF};
  EXPECT_EQ(f->nextNumber(), (std::array<std::uint8_t, 4>{0, 0, 1, 0}));
  f->mutableHeader().numberCounter = {0xFD, 0xFF, 0xFF, 0xFE};
  EXPECT_EQ(f->nextNumber(), (std::array<std::uint8_t, 4>{0xFD, 0xFF, 0xFF, 0xFF}));
  EXPECT_THROW(f->nextNumber(), dw::lang::HaltRequested);
  f->setReadMode(true);
  EXPECT_THROW(f->nextNumber(), dw::lang::HaltRequested);
}

TEST(BriskFileTest, EncipheredFileHidesItsBytesAndNeedsThePassword) {
  TempDir dir;
  const std::string path = dir.file("e.brk");
  auto f = openBrisk(path, writerOptions("owner"));
  ASSERT_EQ(f->refreshHeader(), 0);
  const std::string secret = "visible-text-visible-text";
  insertEntry(*f, Entry(secret, 7));
  ASSERT_EQ(f->commit(), 0u);
  f.reset();
  const std::string raw = readBytes(path);
  EXPECT_EQ(raw.find("visible-text"), std::string::npos);
  EXPECT_EQ(raw.find("bRsK"), std::string::npos);
  auto wrong = openBrisk(path, readerOptions("other"));
  EXPECT_EQ(wrong->refreshHeader(), kRefreshInvalid);
  auto right = openBrisk(path, readerOptions("owner"));
  ASSERT_EQ(right->refreshHeader(), 0);
  EXPECT_EQ(findEqual(*right, "visible")->bytes, secret);
  EXPECT_TRUE(sound(*right));
}

TEST(BriskFileTest, WriteLeavesTheCallersBufferUnchanged) {
  TempDir dir;
  auto f = openBrisk(dir.file("w.brk"), writerOptions("pw"));
  std::vector<std::uint8_t> buf(128);
  for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = std::uint8_t(i);
  const auto copy = buf;
  ASSERT_TRUE(f->writeAt(0, buf.size(), buf.data()));
  EXPECT_EQ(buf, copy);
  std::vector<std::uint8_t> back(128);
  EXPECT_EQ(f->readAt(0, back.size(), back.data()), 128u);
  EXPECT_EQ(back, copy);
  EXPECT_THROW(f->readAt(0, 100, back.data()), dw::lang::HaltRequested);
}

TEST(BriskFileTest, PagesOfManyClassesStayDenseAcrossGrowthAndShrinking) {
  TempDir dir;
  auto f = openBrisk(dir.file("p.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  std::mt19937 rng(7);
  Model model;
  // Pages change class as big entries come and go.
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 12; ++i) {
      std::string key = "r" + std::to_string(rng() % 500);
      if (model.count(key)) {
        ASSERT_TRUE(deleteEntry(*f, key));
        model.erase(key);
        continue;
      }
      Entry e(key + std::string(rng() % 9000, char('a' + rng() % 26)), key.size());
      insertEntry(*f, e);
      model[key] = e;
    }
    ASSERT_EQ(f->commit(), 0u);
    ASSERT_TRUE(sound(*f)) << round;
    ASSERT_TRUE(matchesModel(*f, model));
  }
}

}  // namespace
}  // namespace dw::db
