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
#include <vector>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brisk_file.h"

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

bool BriskFile::makeGapBelow(int r, std::int32_t g) {
  auto& start = m_header.regionStart;
  auto& end = m_header.regionEnd;
  const int k = r - 1;
  std::int32_t gap = start[r] - end[k];
  if (gap >= g) return true;
  if (k == 0) return false;
  if (start[k] == end[k]) {
    // An empty region can sit anywhere between its neighbours.
    start[k] = end[k] = end[k - 1];
    gap = start[r] - end[k];
    if (gap >= g) return true;
    if (!makeGapBelow(k, g - gap)) return false;
    start[k] = end[k] = end[k - 1];
    return true;
  }
  const std::int32_t missing = g - gap;
  const std::int32_t need = (missing + k - 1) / k * k;
  if (!makeGapBelow(k, need)) return false;
  while (start[r] - end[k] < g) {
    movePage(end[k] - k, start[k] - k);
    start[k] -= k;
    end[k] -= k;
  }
  return true;
}

void BriskFile::makeRoomAbove(int c, std::int32_t units) {
  if (units > c) brkbtFail(check::kRoomAboveTooLarge);
  if (c == kClassCount) return;  // the end of the file
  auto& start = m_header.regionStart;
  auto& end = m_header.regionEnd;
  const std::int32_t gap = start[c + 1] - end[c];
  if (gap >= units) return;
  const std::int32_t missing = units - gap;
  const int n = c + 1;
  const std::int32_t count = (end[n] - start[n]) / n;
  if (count <= 1) {
    makeRoomAbove(n, missing);
    if (count == 1) movePage(start[n], start[n] + missing);
    start[n] += missing;
    end[n] += missing;
  } else {
    makeRoomAbove(n, n);
    movePage(start[n], end[n]);
    start[n] += n;
    end[n] += n;
  }
}

void BriskFile::allocate(CachedPage* page, int cls) {
  if (page->number >= 0) {
    if (m_header.classOf(page->number) == cls) return;
    leavePlace(page);
  }
  auto& start = m_header.regionStart;
  auto& end = m_header.regionEnd;
  if (makeGapBelow(cls, cls)) {
    start[cls] -= cls;
    renumber(page, start[cls]);
    return;
  }
  makeRoomAbove(cls, cls);
  const std::int32_t slot = end[cls];
  end[cls] += cls;
  renumber(page, slot);
}

bool BriskFile::compact() {
  auto& start = m_header.regionStart;
  auto& end = m_header.regionEnd;
  bool moved = false;
  for (int c = 2; c <= kClassCount; ++c) {
    const std::int32_t count = (end[c] - start[c]) / c;
    if (count <= 1) {
      if (start[c] > end[c - 1]) {
        if (count == 1) {
          movePage(start[c], end[c - 1]);
          moved = true;
        }
        start[c] = end[c - 1];
        end[c] = start[c] + count * c;
      }
    } else {
      while (start[c] - end[c - 1] >= c) {
        movePage(end[c] - c, start[c] - c);
        start[c] -= c;
        end[c] -= c;
        moved = true;
      }
    }
  }
  return moved;
}

void BriskFile::placeDirtyPages() {
  bool progress = true;
  while (progress) {
    progress = false;
    for (std::size_t i = 0; i < m_cache.dirtyPages().size(); ++i) {
      CachedPage* p = m_cache.dirtyPages()[i];
      if (!p->imageCurrent) {
        p->image = buildImage(p->content, p->estimate);
        p->imageCurrent = true;
      }
      const int cls = int(imageClass(p->image));
      if (p->number < 0 || m_header.classOf(p->number) != cls) {
        allocate(p, cls);
        progress = true;
      }
    }
    if (compact()) progress = true;
  }
}

}  // namespace dw::db
