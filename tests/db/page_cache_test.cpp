// The page cache's bookkeeping: pages are found by number after every kind
// of change (removal, renumbering, dropping), also when their numbers share
// a hash bucket or a slot of the recent-lookup table, and touching keeps
// the count of unpinned pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "runtime/db/page_cache.h"

namespace dw::db {
namespace {

CachedPage* add(PageCache& cache, std::int32_t number) {
  auto page = std::make_unique<CachedPage>();
  page->number = number;
  return cache.insert(std::move(page));
}

TEST(PageCache, PagesSharingSlotsAreFoundUntilTheyLeave) {
  PageCache cache;
  // 1, 257 and 513 share a slot of the recent table; 1 and 101 a bucket.
  CachedPage* a = add(cache, 1);
  CachedPage* b = add(cache, 257);
  CachedPage* c = add(cache, 513);
  CachedPage* d = add(cache, 101);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(cache.find(1), a);
    EXPECT_EQ(cache.find(257), b);
    EXPECT_EQ(cache.find(513), c);
    EXPECT_EQ(cache.find(101), d);
  }
  EXPECT_EQ(cache.find(769), nullptr);
  cache.remove(b);  // the last one found in its slot was 257
  EXPECT_EQ(cache.find(257), nullptr);
  EXPECT_EQ(cache.find(1), a);
  EXPECT_EQ(cache.find(513), c);
  cache.renumber(c, -3);
  EXPECT_EQ(cache.find(513), nullptr);
  EXPECT_EQ(cache.find(-3), c);
  EXPECT_EQ(c->number, -3);
  cache.pin(a);
  cache.remove(a);
  EXPECT_EQ(cache.find(1), nullptr);
  EXPECT_TRUE(cache.dirtyPages().empty());
  EXPECT_EQ(cache.size(), 2u);
  cache.dropAll();
  EXPECT_EQ(cache.find(-3), nullptr);
  EXPECT_EQ(cache.find(101), nullptr);
  EXPECT_EQ(cache.size(), 0u);
}

TEST(PageCache, RandomRemovalsFromCrowdedBucketsKeepEveryOtherPage) {
  PageCache cache;
  std::map<std::int32_t, CachedPage*> live;
  // Numbers 100 apart share a bucket; 256 apart a recent slot.
  for (std::int32_t i = 0; i < 400; ++i) {
    const std::int32_t n = (i % 4) * 256 + (i / 4) * 100 + 7;
    live[n] = add(cache, n);
  }
  std::mt19937 rng(17);
  for (int step = 0; step < 300; ++step) {
    auto it = std::next(live.begin(), std::ptrdiff_t(rng() % live.size()));
    if (step % 3 == 0) {
      const std::int32_t to = -1 - step;
      cache.renumber(it->second, to);
      live[to] = it->second;
    } else {
      cache.remove(it->second);
    }
    ASSERT_EQ(cache.find(it->first), nullptr) << it->first;
    live.erase(it);
    for (const auto& [n, page] : live) ASSERT_EQ(cache.find(n), page) << n << " at step " << step;
  }
  EXPECT_EQ(cache.size(), live.size());
}

TEST(PageCache, TouchingKeepsTheUnpinnedCount) {
  PageCache cache;
  std::vector<CachedPage*> pages;
  for (std::int32_t n = 1; n <= 30; ++n) pages.push_back(add(cache, n));
  cache.pin(pages[3]);
  EXPECT_EQ(cache.unpinnedCount(), 29u);
  for (int i = 0; i < 5; ++i) cache.touch(pages.back());  // the newest
  for (CachedPage* p : pages) cache.touch(p);             // pinned or not
  EXPECT_EQ(cache.unpinnedCount(), 29u);
  // The drop rule keeps at least 20 unpinned pages and never a pinned one.
  cache.dropBeforeRead();
  EXPECT_GE(cache.unpinnedCount(), PageCache::kKeepUnpinned - 1);
  EXPECT_EQ(cache.find(4), pages[3]);
  cache.unpinAll();
  EXPECT_EQ(cache.unpinnedCount(), cache.size());
}

}  // namespace
}  // namespace dw::db
