// Placement of pages in the file.
//
// The file after the header is 59 regions, one per size class, in ascending
// order; region c holds pages of c units back to back with no holes.  A
// page that is written for the first time, or whose class changed, gets a
// slot here:
//   1. it leaves its old slot, which the last page of the old region fills;
//   2. a slot just below region c, making a gap by sliding lower regions
//      down (recursively, in whole pages of their class);
//   3. else a slot at the end of region c, making room by pushing higher
//      regions up: a region of at most one page shifts, a larger one rotates
//      its first page to just past its end; region 59 grows into the end of
//      the file.
// Moving a page updates its one reference (its parent's child pointer or
// the header's root field).  Compaction at commit slides regions 2..59 down
// over the gaps below them, so the file stays dense and grows at its end.
// The region arithmetic itself is regions.h.
#include <vector>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brisk_file.h"
#include "runtime/db/regions.h"

namespace dw::db {

namespace {

// Index of the last entry whose key is <= key (0 when none is).
std::size_t lastAtOrBelow(const std::vector<PageEntry>& entries, std::string_view key) {
  std::size_t lo = 0, hi = entries.size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (compareKeys(entries[mid].entry.key(), key) <= 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo == 0 ? 0 : lo - 1;
}

}  // namespace

CachedPage* BriskFile::findParent(CachedPage* page) {
  if (page->entries().empty()) brkbtFail(check::kParentMissing);
  const std::string key(page->entries().front().entry.key());
  const std::int32_t target = page->number;
  const std::uint8_t level = page->level();
  std::int32_t at = m_header.rootPage;
  while (true) {
    CachedPage* p = readPage(at);
    if (p->isLeaf()) brkbtFail(check::kParentIsLeaf);
    if (p->level() <= level || p->entries().empty()) brkbtFail(check::kParentMissing);
    const std::size_t i = lastAtOrBelow(p->entries(), key);
    if (p->level() == level + 1) {
      if (p->entries()[i].child == target) return p;
      for (const auto& pe : p->entries()) {
        if (pe.child == target) return p;
      }
      brkbtFail(check::kParentMissing);
    }
    at = p->entries()[i].child;
  }
}

void BriskFile::renumber(CachedPage* page, std::int32_t to) {
  if (m_cache.find(to) != nullptr) brkbtFail(check::kParentMissing);
  const std::int32_t from = page->number;
  if (m_header.rootPage == from) {
    m_header.rootPage = to;
  } else {
    CachedPage* parent = findParent(page);
    for (auto& pe : parent->entries()) {
      if (pe.child == from) pe.child = to;
    }
    markDirty(parent);
  }
  m_cache.renumber(page, to);
  m_headerDirty = true;
  bumpGeneration();
}

void BriskFile::movePage(std::int32_t from, std::int32_t to) {
  if (from == to) return;
  CachedPage* page = readPage(from);
  m_cache.pin(page);  // it must be written at its new place
  renumber(page, to);
}

std::int32_t BriskFile::freePage(CachedPage* page) {
  bumpGeneration();
  m_headerDirty = true;
  const std::int32_t n = page->number;
  m_cache.remove(page);
  if (n < 0) return n;
  const int c = m_header.classOf(n);
  if (c == 0) brkbtFail(check::kPageSizeClass);
  const std::int32_t last = m_header.regionEnd[c] - c;
  if (last != n) movePage(last, n);
  m_header.regionEnd[c] -= c;
  return last;
}

void BriskFile::leavePlace(CachedPage* page) {
  const int old = m_header.classOf(page->number);
  if (old == 0) brkbtFail(check::kPageSizeClass);
  const std::int32_t hole = page->number;
  renumber(page, --m_nextTemp);
  const std::int32_t last = m_header.regionEnd[old] - old;
  if (last != hole) movePage(last, hole);
  m_header.regionEnd[old] -= old;
}

void BriskFile::allocate(CachedPage* page, int cls) {
  if (page->number >= 0) {
    if (m_header.classOf(page->number) == cls) return;
    leavePlace(page);
  }
  auto& start = m_header.regionStart;
  auto& end = m_header.regionEnd;
  const PageMover move = [this](std::int32_t from, std::int32_t to) { movePage(from, to); };
  if (makeGapBelow(m_header, cls, cls, move)) {
    start[cls] -= cls;
    renumber(page, start[cls]);
    return;
  }
  makeRoomAbove(m_header, cls, cls, move);
  const std::int32_t slot = end[cls];
  end[cls] += cls;
  renumber(page, slot);
}

void BriskFile::placeDirtyPages() {
  bool progress = true;
  while (progress) {
    progress = false;
    for (std::size_t i = 0; i < m_cache.dirtyPages().size(); ++i) {
      CachedPage* p = m_cache.dirtyPages()[i];
      if (!p->imageCurrent) {
        buildImageInto(p->content, p->estimate, p->image);
        p->imageCurrent = true;
      }
      const int cls = int(imageClass(p->image));
      if (p->number < 0 || m_header.classOf(p->number) != cls) {
        allocate(p, cls);
        progress = true;
      }
    }
    if (compactRegions(m_header,
                       [this](std::int32_t from, std::int32_t to) { movePage(from, to); })) {
      progress = true;
    }
  }
}

}  // namespace dw::db
