// The page cache (see page_cache.h).
#include "runtime/db/page_cache.h"

#include <algorithm>

namespace dw::db {

PageCache::PageCache() {
  m_ring.older = m_ring.newer = &m_ring;
}
PageCache::~PageCache() = default;

CachedPage* PageCache::find(std::int32_t number) {
  RecentSlot& recent = m_recent[recentSlot(number)];
  if (recent.page != nullptr && recent.number == number) return recent.page;
  const auto it = m_index.find(number);
  if (it == m_index.end()) return nullptr;
  recent = {number, it->second};
  return it->second;
}

void PageCache::unlinkRing(CachedPage* page) {
  page->older->newer = page->newer;
  page->newer->older = page->older;
  page->older = page->newer = nullptr;
  --m_unpinned;
}

void PageCache::linkNewest(CachedPage* page) {
  page->older = m_ring.older;
  page->newer = &m_ring;
  m_ring.older->newer = page;
  m_ring.older = page;
  ++m_unpinned;
}

CachedPage* PageCache::insert(std::unique_ptr<CachedPage> page) {
  CachedPage* raw = page.get();
  raw->entryTime = raw->accessTime = ++m_clock;
  raw->accessCount = 1;
  auto& bucket = m_buckets[bucketOf(raw->number)];
  raw->bucketSlot = bucket.size();
  bucket.push_back(std::move(page));
  m_index[raw->number] = raw;
  ++m_count;
  linkNewest(raw);
  return raw;
}

void PageCache::touch(CachedPage* page) {
  page->accessTime = ++m_clock;
  ++page->accessCount;
  if (!page->pinned && m_ring.older != page) {  // not already the newest
    unlinkRing(page);
    linkNewest(page);
  }
}

void PageCache::pin(CachedPage* page) {
  if (page->pinned) return;
  unlinkRing(page);
  page->pinned = true;
  m_dirty.push_back(page);
}

std::unique_ptr<CachedPage> PageCache::detach(CachedPage* page) {
  // The bucket's last page takes the leaving page's place.
  auto& bucket = m_buckets[bucketOf(page->number)];
  const std::size_t slot = page->bucketSlot;
  std::unique_ptr<CachedPage> owned = std::move(bucket[slot]);
  if (slot + 1 != bucket.size()) {
    bucket[slot] = std::move(bucket.back());
    bucket[slot]->bucketSlot = slot;
  }
  bucket.pop_back();
  m_index.erase(page->number);
  RecentSlot& recent = m_recent[recentSlot(page->number)];
  if (recent.page == page) recent = RecentSlot{};
  return owned;
}

void PageCache::remove(CachedPage* page) {
  if (page->pinned) {
    m_dirty.erase(std::find(m_dirty.begin(), m_dirty.end(), page));
  } else {
    unlinkRing(page);
  }
  detach(page);
  --m_count;
}

void PageCache::renumber(CachedPage* page, std::int32_t number) {
  auto owned = detach(page);
  owned->number = number;
  m_index[number] = owned.get();
  auto& bucket = m_buckets[bucketOf(number)];
  owned->bucketSlot = bucket.size();
  bucket.push_back(std::move(owned));
}

void PageCache::unpinAll() {
  for (CachedPage* p : m_dirty) {
    p->pinned = false;
    p->writtenInPlace = false;
    linkNewest(p);
  }
  m_dirty.clear();
}

void PageCache::dropAll() {
  for (auto& b : m_buckets) b.clear();
  m_index.clear();
  m_recent.fill(RecentSlot{});
  m_dirty.clear();
  m_ring.older = m_ring.newer = &m_ring;
  m_count = m_unpinned = 0;
}

void PageCache::dropBeforeRead() {
  while (m_unpinned >= kKeepUnpinned) {
    CachedPage* oldest = m_ring.newer;
    const std::uint64_t idle = m_clock - oldest->accessTime;
    const std::uint64_t age = m_clock - oldest->entryTime;
    if (m_unpinned < kMaxUnpinned && idle < 4 * age / m_unpinned) break;
    remove(oldest);
  }
}

}  // namespace dw::db
