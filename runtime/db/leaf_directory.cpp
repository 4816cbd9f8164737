// The leaf directory (see leaf_directory.h).
#include "runtime/db/leaf_directory.h"

#include <utility>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brkbt.h"

namespace dw::db {

bool LeafDirectory::usable(BriskFile& file) {
  const std::uint64_t shape = file.shapeVersion();
  if (m_valid && m_shape == shape) return true;
  // Only searches since pages last split, moved or went count: while pages
  // keep splitting, a new directory would go stale again at once.
  if (file.treeGeneration() != m_stableGeneration) {
    m_stableGeneration = file.treeGeneration();
    m_staleSearches = 0;
  }
  if (++m_staleSearches < kMinStaleSearches + m_slots.size() / 2) return false;
  build(file);
  return true;
}

bool LeafDirectory::current(const BriskFile& file) const {
  return m_valid && m_shape == file.shapeVersion();
}

void LeafDirectory::raiseBound(const BriskFile& file, std::int32_t leaf, std::string_view oldBound,
                               std::string_view newBound) {
  if (!m_valid || m_slots.empty()) return;
  Slot& s = m_slots[indexAtOrBelow(oldBound)];
  if (s.leaf != leaf || std::string_view(m_bounds).substr(s.offset, s.length) != oldBound) {
    m_valid = false;
    return;
  }
  s.head = KeyHead::of(newBound);
  s.offset = std::uint32_t(m_bounds.size());
  s.length = std::uint32_t(newBound.size());
  m_bounds.append(newBound);
  m_shape = file.shapeVersion();
}

void LeafDirectory::build(BriskFile& file) {
  m_slots.clear();
  m_bounds.clear();
  m_staleSearches = 0;
  CachedPage* root = file.rootPage();
  if (root->entries().empty()) brkbtFail(check::kParseEnd);
  // Level by level, left to right; each page's children are copied out
  // before the next page is read, since reading may drop cached pages.
  struct Pending {
    std::string bound;
    std::int32_t page;
  };
  const std::uint8_t rootLevel = root->level();
  std::vector<Pending> level{{std::string(), root->number}};
  for (std::uint8_t height = rootLevel; height > 0; --height) {
    std::vector<Pending> below;
    for (const Pending& p : level) {
      CachedPage* page = height == rootLevel ? file.readPage(p.page)
                                             : brkbt_detail::readChild(file, p.page, height + 1);
      if (page->level() != height || page->entries().empty()) brkbtFail(check::kLevelMismatch);
      for (std::size_t i = 0; i < page->entries().size(); ++i) {
        const PageEntry& pe = page->entries()[i];
        // A page's first separator is its own bound (its parent's copy of
        // its first key).
        below.push_back({i == 0 ? p.bound : std::string(pe.entry.key()), pe.child});
      }
    }
    level = std::move(below);
  }
  m_slots.reserve(level.size());
  for (const Pending& p : level) {
    Slot s;
    s.head = KeyHead::of(p.bound);
    s.offset = std::uint32_t(m_bounds.size());
    s.length = std::uint32_t(p.bound.size());
    s.leaf = p.page;
    m_bounds.append(p.bound);
    m_slots.push_back(s);
  }
  m_shape = file.shapeVersion();
  m_valid = true;
}

std::size_t LeafDirectory::firstBoundAbove(std::string_view key, bool equalIsAbove) const {
  const std::string_view bounds(m_bounds);
  return boundByHeads(
      m_slots.data(), m_slots.size(), KeyProbe(key), equalIsAbove,
      [](const Slot& s) -> const KeyHead& { return s.head; },
      [bounds](const Slot& s) { return bounds.substr(s.offset, s.length); });
}

std::size_t LeafDirectory::indexAtOrBelow(std::string_view key) const {
  const std::size_t above = firstBoundAbove(key, false);
  return above == 0 ? 0 : above - 1;
}

std::size_t LeafDirectory::indexBelow(std::string_view key) const {
  const std::size_t atOrAbove = firstBoundAbove(key, true);
  return atOrAbove == 0 ? 0 : atOrAbove - 1;
}

}  // namespace dw::db
