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
//
// A commit after many changes moves thousands of pages, and every move
// updates the child pointer in the page's parent.  While placement of many
// pages runs it keeps a ParentIndex: where each page's pointer was last
// seen (parent and position), learnt a whole parent at a time.  A record is
// used only after checking that the parent named still points at the page
// there; since every page is referenced exactly once, that check cannot be
// fooled, and a stale record costs the plain walk down from the root, never
// a wrong answer.  (A commit of few pages in a large file walks instead:
// the index's table takes 12 bytes per unit of the file.)  An inner page
// whose image is current (built since its last change, or as read from the
// disk) and only had a pointer changed gets the 4 bytes written into its
// image instead of being built again (pointers are never compressed).
#include <vector>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brisk_file.h"
#include "runtime/db/brkbt.h"
#include "runtime/db/regions.h"

namespace dw::db {

// Where each page's one reference was last seen.  Only placement's moves
// read and change it; one per placement of many pages, named by the file
// object while that placement runs.
class ParentIndex {
 public:
  struct Place {
    std::int32_t parent = 0;
    std::uint32_t index = 0;
    bool known = false;
  };

  // The parent of `child` (of `level`) and the position of its pointer,
  // when the record of it is still true; null otherwise.
  CachedPage* parentOf(PageCache& cache, std::int32_t child, std::uint8_t level,
                       std::size_t& index) {
    const Place* at = find(child);
    if (at == nullptr || !at->known) return nullptr;
    CachedPage* parent = cache.find(at->parent);
    if (parent == nullptr || parent->level() != level + 1 ||
        at->index >= parent->entries().size() || parent->entries()[at->index].child != child) {
      return nullptr;
    }
    index = at->index;
    return parent;
  }
  // Records every child pointer of an inner page.
  void learn(const CachedPage* parent) {
    const auto& entries = parent->content.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      slot(entries[i].child) = Place{parent->number, std::uint32_t(i), true};
    }
  }
  // Page `from` (referenced from parent[index]) became page `to`.
  void moved(const CachedPage* page, std::int32_t from, std::int32_t to, std::int32_t parent,
             std::size_t index) {
    if (Place* old = find(from)) old->known = false;
    slot(to) = Place{parent, std::uint32_t(index), true};
    if (!page->isLeaf()) learn(page);  // its children's pointers now live in `to`
  }

 private:
  // Temporary numbers count down from -1 within a commit, so both kinds
  // index a vector.
  std::vector<Place>& table(std::int32_t number) { return number >= 0 ? m_numbered : m_temporary; }
  static std::size_t at(std::int32_t number) {
    return number >= 0 ? std::size_t(number) : std::size_t(-(std::int64_t(number) + 1));
  }
  Place* find(std::int32_t number) {
    std::vector<Place>& t = table(number);
    return at(number) < t.size() ? &t[at(number)] : nullptr;
  }
  Place& slot(std::int32_t number) {
    std::vector<Place>& t = table(number);
    const std::size_t i = at(number);
    if (i >= t.size()) t.resize(std::max<std::size_t>(i + 1, 2 * t.size()));
    return t[i];
  }

  std::vector<Place> m_numbered;   // pages of the file, by number
  std::vector<Place> m_temporary;  // temporary pages, -1 first
};

namespace {

// Makes an index the file's own for the length of one placement.
class PlacementScope {
 public:
  PlacementScope(ParentIndex*& slot, ParentIndex* index) : m_slot(slot), m_saved(slot) {
    slot = index;
  }
  ~PlacementScope() { m_slot = m_saved; }
  PlacementScope(const PlacementScope&) = delete;
  PlacementScope& operator=(const PlacementScope&) = delete;

 private:
  ParentIndex*& m_slot;
  ParentIndex* m_saved;
};

}  // namespace

CachedPage* BriskFile::findParent(CachedPage* page, std::size_t* index) {
  if (page->entries().empty()) brkbtFail(check::kParentMissing);
  const std::string key(page->entries().front().entry.key());
  const std::int32_t target = page->number;
  const std::uint8_t level = page->level();
  std::int32_t at = m_header.rootPage;
  while (true) {
    CachedPage* p = readPage(at);
    if (p->isLeaf()) brkbtFail(check::kParentIsLeaf);
    if (p->level() <= level || p->entries().empty()) brkbtFail(check::kParentMissing);
    const std::size_t i = brkbt_detail::lastAtOrBelow(p->entries(), key);
    if (p->level() == level + 1) {
      const auto& entries = p->entries();
      std::size_t j = i;
      if (entries[j].child != target) {
        j = 0;
        while (j < entries.size() && entries[j].child != target) ++j;
        if (j == entries.size()) brkbtFail(check::kParentMissing);
      }
      if (index) *index = j;
      return p;
    }
    at = p->entries()[i].child;
  }
}

void BriskFile::renumber(CachedPage* page, std::int32_t to) {
  if (m_cache.find(to) != nullptr) brkbtFail(check::kParentMissing);
  const std::int32_t from = page->number;
  if (m_header.rootPage == from) {
    m_header.rootPage = to;
    m_cache.renumber(page, to);
    if (ParentIndex* index = m_parentIndex; index && !page->isLeaf()) index->learn(page);
  } else {
    ParentIndex* index = m_parentIndex;
    std::size_t at = 0;
    CachedPage* parent = index ? index->parentOf(m_cache, from, page->level(), at) : nullptr;
    if (parent == nullptr) {
      parent = findParent(page, &at);
      if (index) index->learn(parent);
    }
    // A current image (built from the parent's entries, or read from the
    // disk and not changed since) takes the new pointer as it is.
    const bool patch = parent->imageCurrent;
    parent->entries()[at].child = to;
    markDirty(parent);
    if (patch) {
      putU32(reinterpret_cast<std::uint8_t*>(parent->image.data()) + kPageHeaderSize + 4 * at,
             std::uint32_t(to));
      parent->imageCurrent = true;
    }
    m_cache.renumber(page, to);
    if (index) index->moved(page, from, to, parent->number, at);
  }
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
  // The records pay when a commit moves many pages; their table takes 12
  // bytes per unit of the file, so a commit of few pages in a large file
  // finds parents by the walk instead.
  ParentIndex parents;
  const bool many =
      m_cache.dirtyPages().size() * 64 >= std::size_t(std::max(m_header.endPage(), 1));
  const PlacementScope scope(m_parentIndex, many ? &parents : nullptr);
  bool progress = true;
  while (progress) {
    progress = false;
    for (std::size_t i = 0; i < m_cache.dirtyPages().size(); ++i) {
      const auto& dirty = m_cache.dirtyPages();
      // The pages lie anywhere in memory: while one is built, the next
      // ones are fetched a step at a time (the page, its entries, their
      // bytes).
      if (i + 3 < dirty.size()) __builtin_prefetch(dirty[i + 3]);
      if (i + 2 < dirty.size()) {
        const auto& next = dirty[i + 2]->content.entries;
        for (std::size_t k = 0; k < 4 && k < next.size(); ++k) __builtin_prefetch(&next[k]);
      }
      if (i + 1 < dirty.size()) {
        const auto& next = dirty[i + 1]->content.entries;
        for (std::size_t k = 0; k < 4 && k < next.size(); ++k) {
          __builtin_prefetch(next[k].entry.bytes.data());
        }
      }
      CachedPage* p = dirty[i];
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
