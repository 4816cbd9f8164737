// The page cache of one open file.
//
// Pages are held in 100 hash buckets (page number modulo 100, taken as an
// unsigned value), each a chain, and found through an index by number.  A page changed in memory is
// pinned: it stays cached and listed as dirty until the next commit.  Unpinned pages sit on a ring
// from least to most recently used; before a page is read from disk the oldest are dropped while at
// least 20 unpinned pages remain and either 100 or more are cached or the oldest has been idle for
// at least four times its age divided by the number cached.  The 19 most recently used unpinned
// pages are therefore never dropped, which is what lets the tree code keep a short path of pages
// while it reads another.
//
// A lookup by number is one load: pages of the file (numbers from 0) are
// indexed by a table as long as the highest number cached (8 bytes per
// 256-byte unit of the file at most); temporary pages (negative numbers,
// few) by a map.
//
// Not thread-safe: one file object is used by one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/db/page_image.h"

namespace dw::db {

struct CachedPage {
  std::int32_t number = 0;
  PageContent content;
  std::uint32_t estimate = kPageHeaderSize;
  std::string image;  // the disk image while one is current
  bool imageCurrent = false;
  bool pinned = false;
  bool writtenInPlace = false;  // commit bookkeeping: phase 1 already put it in place
  std::uint64_t accessTime = 0;
  std::uint64_t entryTime = 0;
  std::uint32_t accessCount = 0;
  std::size_t bucketSlot = 0;   // its place in its bucket
  CachedPage* older = nullptr;  // unpinned ring
  CachedPage* newer = nullptr;

  std::uint8_t level() const { return content.level; }
  std::vector<PageEntry>& entries() { return content.entries; }
  bool isLeaf() const { return content.level == 0; }
  // Called whenever entries or child pointers change.
  void changed() { imageCurrent = false; }
};

class PageCache {
 public:
  static constexpr int kBuckets = 100;
  static constexpr std::size_t kKeepUnpinned = 20;
  static constexpr std::size_t kMaxUnpinned = 100;

  PageCache();
  ~PageCache();
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  CachedPage* find(std::int32_t number);
  // Takes ownership; the page starts unpinned and most recently used.
  CachedPage* insert(std::unique_ptr<CachedPage> page);
  void touch(CachedPage* page);
  void pin(CachedPage* page);
  void remove(CachedPage* page);
  void renumber(CachedPage* page, std::int32_t number);
  void unpinAll();  // after a commit: every dirty page becomes clean
  void dropAll();
  void dropBeforeRead();  // the drop rule
  const std::vector<CachedPage*>& dirtyPages() const { return m_dirty; }
  std::size_t size() const { return m_count; }
  std::size_t unpinnedCount() const { return m_unpinned; }

 private:
  static int bucketOf(std::int32_t number) { return int(std::uint32_t(number) % kBuckets); }
  void index(CachedPage* page);
  void unindex(std::int32_t number);
  void unlinkRing(CachedPage* page);
  void linkNewest(CachedPage* page);
  std::unique_ptr<CachedPage> detach(CachedPage* page);

  std::array<std::vector<std::unique_ptr<CachedPage>>, kBuckets> m_buckets;
  // Every cached page by number, so that a lookup does not walk a chain
  // (a large change keeps thousands of pages pinned).
  std::vector<CachedPage*> m_byNumber;  // number >= 0; null: not cached
  std::unordered_map<std::int32_t, CachedPage*> m_temporary;
  CachedPage m_ring;  // sentinel: m_ring.newer is the oldest
  std::vector<CachedPage*> m_dirty;
  std::uint64_t m_clock = 0;
  std::size_t m_count = 0;
  std::size_t m_unpinned = 0;
};

}  // namespace dw::db
