// The page cache (see page_cache.h).
#include "runtime/db/page_cache.h"

#include <algorithm>

namespace dw::db {

PageCache::PageCache() {
  m_ring.older = m_ring.newer = &m_ring;
}
PageCache::~PageCache() = default;

CachedPage* PageCache::find(std::int32_t number) {
  if (number >= 0) {
    return std::size_t(number) < m_byNumber.size() ? m_byNumber[std::size_t(number)] : nullptr;
  }
  const auto it = m_temporary.find(number);
  return it == m_temporary.end() ? nullptr : it->second;
}

void PageCache::index(CachedPage* page) {
  if (page->number < 0) {
    m_temporary[page->number] = page;
    return;
  }
  const auto at = std::size_t(page->number);
  if (at >= m_byNumber.size()) m_byNumber.resize(std::max(at + 1, m_byNumber.size() * 2), nullptr);
  m_byNumber[at] = page;
}

void PageCache::unindex(std::int32_t number) {
  if (number < 0) {
    m_temporary.erase(number);
  } else if (std::size_t(number) < m_byNumber.size()) {
    m_byNumber[std::size_t(number)] = nullptr;
  }
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
  index(raw);
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
  unindex(page->number);
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
  index(owned.get());
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
  m_byNumber.clear();
  m_temporary.clear();
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
