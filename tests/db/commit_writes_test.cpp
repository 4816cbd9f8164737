// What one commit asks of the operating system, write by write: the order
// of its writes and flushes (which the crash guarantees rest on) and how
// few writes it takes.  A platform that logs every write and flush of the
// files it opens watches a commit of a file that already holds data.
#include <algorithm>

#include "db_test_util.h"
#include "runtime/platform/test_platform.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;
using dw::platform::ScopedPlatform;
using dw::platform::TestPlatform;
namespace pf = dw::platform;

struct Event {
  bool flush = false;
  std::uint64_t offset = 0;
  std::size_t length = 0;
};

class LoggedFile final : public pf::File {
 public:
  LoggedFile(std::unique_ptr<pf::File> inner, std::vector<Event>& log)
      : m_inner(std::move(inner)), m_log(log) {}
  pf::OsResult<std::size_t> readAt(std::uint64_t o, void* b, std::size_t n) override {
    return m_inner->readAt(o, b, n);
  }
  pf::OsStatus writeAt(std::uint64_t o, const void* b, std::size_t n) override {
    m_log.push_back({false, o, n});
    return m_inner->writeAt(o, b, n);
  }
  pf::OsStatus flush() override {
    m_log.push_back({true, 0, 0});
    return m_inner->flush();
  }
  pf::OsResult<std::uint64_t> size() override { return m_inner->size(); }
  pf::OsStatus truncate(std::uint64_t n) override { return m_inner->truncate(n); }
  pf::OsStatus lock(std::uint64_t o, std::uint64_t n, pf::LockKind k, pf::LockWait w) override {
    return m_inner->lock(o, n, k, w);
  }
  pf::OsStatus unlock(std::uint64_t o, std::uint64_t n) override { return m_inner->unlock(o, n); }
  const std::string& path() const override { return m_inner->path(); }
  pf::OsStatus changeShare(pf::OpenMode m) override { return m_inner->changeShare(m); }

 private:
  std::unique_ptr<pf::File> m_inner;
  std::vector<Event>& m_log;
};

class LoggingPlatform : public TestPlatform {
 public:
  pf::OsResult<std::unique_ptr<pf::File>> open(const std::string& path, pf::OpenMode mode,
                                               pf::Disposition d) override {
    auto f = TestPlatform::open(path, mode, d);
    if (!f) return f;
    return std::unique_ptr<pf::File>(std::make_unique<LoggedFile>(std::move(*f), log));
  }
  std::vector<Event> log;
};

std::string keyOf(int i) {
  return "k" + std::to_string(100000 + i);
}

// 2000 entries of 300 bytes: many leaves, so that changing every 250th
// entry dirties a few pages spread over the file, and changing every entry
// all of them.
constexpr int kEntries = 2000;
void fillFile(BriskFile& f) {
  for (int i = 0; i < kEntries; ++i) insertEntry(f, Entry(keyOf(i) + std::string(300, 'a'), 7));
}

void change(BriskFile& f, char c, int step) {
  for (int i = 0; i < kEntries; i += step) {
    ASSERT_TRUE(deleteEntry(f, keyOf(i)));
    insertEntry(f, Entry(keyOf(i) + std::string(300, c), 7));
  }
}

// The events between flushes: phases[i] holds the writes before flush i.
std::vector<std::vector<Event>> byFlush(const std::vector<Event>& log) {
  std::vector<std::vector<Event>> phases(1);
  for (const Event& e : log) {
    if (e.flush) {
      phases.emplace_back();
    } else {
      phases.back().push_back(e);
    }
  }
  return phases;
}

TEST(CommitWritesTest, OneCommitWritesItsCopiesOnceAndOffsetZeroTwiceInOrder) {
  LoggingPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  auto f = openBrisk(dir.file("w.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  fillFile(*f);
  ASSERT_EQ(f->commit(), 0u);
  const std::uint32_t e0 = f->header().endOfData();
  change(*f, 'b', 1);  // every leaf: neighbours in the file
  tp.log.clear();
  ASSERT_EQ(f->commit(), 0u);
  const std::uint64_t pendingStart = f->header().pendingStart;
  const std::vector<std::vector<Event>> phases = byFlush(tp.log);
  // Four flushes, nothing written after the last one.
  ASSERT_EQ(phases.size(), 5u);
  EXPECT_TRUE(phases[4].empty());
  // Before the first: the copies (and the header among them) in one write
  // at or beyond the old end of data, perhaps pages placed beyond it and
  // unused zeros; nothing below the old end of data.
  const std::uint64_t copiesAt = std::max<std::uint64_t>(pendingStart, e0);
  auto copies = std::find_if(phases[0].begin(), phases[0].end(),
                             [&](const Event& e) { return e.offset == copiesAt; });
  ASSERT_NE(copies, phases[0].end());
  EXPECT_GT(copies->length, 512u + 256u);  // pages and the header
  for (const Event& e : phases[0]) {
    EXPECT_GE(e.offset, e0);
    EXPECT_FALSE(e.offset > copiesAt && e.offset < copiesAt + copies->length);
  }
  // Then the old header recording the pending range, alone.
  ASSERT_EQ(phases[1].size(), 1u);
  EXPECT_EQ(phases[1][0].offset, 0u);
  EXPECT_EQ(phases[1][0].length, 512u);
  // Then the pages in place, and not the header: offset 0 must keep the
  // pending range until they are durable.
  EXPECT_FALSE(phases[2].empty());
  for (const Event& e : phases[2]) {
    EXPECT_GE(e.offset, 512u);
    EXPECT_LE(e.offset + e.length, pendingStart);
  }
  // Neighbouring pages went out together: fewer writes than pages.
  EXPECT_LT(phases[2].size(), f->pagesWrittenLastCommit());
  // Last the header without a pending range.
  ASSERT_EQ(phases[3].size(), 1u);
  EXPECT_EQ(phases[3][0].offset, 0u);
  f.reset();
  auto g = openBrisk(dir.file("w.brk"), readerOptions());
  ASSERT_EQ(g->refreshHeader(), 0);
  auto e = findEqual(*g, keyOf(50));
  ASSERT_TRUE(e);
  EXPECT_EQ(e->data(), std::string(300, 'b'));
  EXPECT_TRUE(sound(*g));
}

TEST(CommitWritesTest, SmallCommitsOverwriteBytesTheFileAlreadyHas) {
  TestPlatform tp;
  ScopedPlatform installed(tp);
  TempDir dir;
  const std::string path = dir.file("s.brk");
  auto f = openBrisk(path, writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  fillFile(*f);
  ASSERT_EQ(f->commit(), 0u);
  // The first commit grew the file by all of its pages and reserved
  // nothing; a small one does.
  EXPECT_EQ(std::filesystem::file_size(path), f->header().endOfData() + 512);
  change(*f, 'b', 250);
  ASSERT_EQ(f->commit(), 0u);
  // Zeros reach past the pending copies ...
  const auto size = std::filesystem::file_size(path);
  EXPECT_GT(size, f->header().endOfData() + 4096);
  // ... so that the next small commits do not make the file grow.
  for (char c : {'d', 'e', 'f'}) {
    change(*f, c, 250);
    ASSERT_EQ(f->commit(), 0u);
    EXPECT_EQ(std::filesystem::file_size(path), size) << c;
  }
  // Cutting at the end of data gives the zeros back.
  ASSERT_EQ(f->cutAtEndOfData(), 0u);
  EXPECT_EQ(std::filesystem::file_size(path), f->header().endOfData());
  f.reset();
  auto g = openBrisk(path, readerOptions());
  ASSERT_EQ(g->refreshHeader(), 0);
  EXPECT_TRUE(sound(*g));
  EXPECT_EQ(scanAll(*g).size(), std::size_t(kEntries));
}

}  // namespace
}  // namespace dw::db
