// The leaf directory of an open file: every leaf of the tree in key order
// with its lower bound (the separator its parent keeps for it, the empty
// sentinel key for the leftmost leaf), so that a search can go straight to
// the leaf whose range holds a key with one binary search over compact
// memory instead of a walk down the inner pages.
//
// It is a shortcut that the file object may use or not: it is trusted only
// while the tree keeps the shape it had when the directory was built, that
// is, while the file's shape counter (BriskFile::shapeVersion: bumped when
// pages split, move or go, when an inner page changes, and when another
// opener's commit empties the cache) is unchanged.  It holds page numbers,
// never page pointers, so pages may leave the cache meanwhile.
//
// The one change of shape it follows instead of going stale: a delete of a
// leaf's first entry, which raises that leaf's bound to its new first key
// (the walk up the tree changes inner pages, but not which leaf holds a key).
//
// A directory is rebuilt only when enough searches went without it since
// pages last split, moved or went (about half as many as it has leaves, and
// at least 64), so that a run of insertions that keeps splitting pages does not
// rebuild it again and again, while a run of reads soon has it back.
//
// Same thread rules as the file object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/brisk_format.h"

namespace dw::db {

class BriskFile;

class LeafDirectory {
 public:
  // Whether the directory may be used now: it is current, or it was stale
  // for long enough and has just been rebuilt.  A stale directory counts the
  // search that asked.
  bool usable(BriskFile& file);
  // The index of the leaf whose range holds key (the last lower bound at or
  // below it); the directory must be usable.
  std::size_t indexAtOrBelow(std::string_view key) const;
  // The index of the last leaf whose lower bound is strictly below key.
  std::size_t indexBelow(std::string_view key) const;
  std::size_t size() const { return m_slots.size(); }
  std::int32_t leaf(std::size_t i) const { return m_slots[i].leaf; }
  std::string_view bound(std::size_t i) const {
    return std::string_view(m_bounds).substr(m_slots[i].offset, m_slots[i].length);
  }
  // Forgets the directory (a leaf it named was not a leaf after all).
  void invalidate() { m_valid = false; }
  // Whether the directory matches the tree now (no search is counted).
  bool current(const BriskFile& file) const;
  // After a delete took a leaf's first entry and the separators above it
  // took the leaf's new first key, and nothing else changed the tree's
  // shape: the leaf's bound becomes that key and the directory, current
  // before the delete, is current again.
  void raiseBound(const BriskFile& file, std::int32_t leaf, std::string_view oldBound,
                  std::string_view newBound);

 private:
  struct Slot {
    KeyHead head;
    std::uint32_t offset = 0;  // the bound's bytes in m_bounds
    std::uint32_t length = 0;
    std::int32_t leaf = 0;
  };
  static constexpr std::size_t kMinStaleSearches = 64;

  void build(BriskFile& file);
  // The first slot whose bound is above key (or at it, with equalIsAbove).
  std::size_t firstBoundAbove(std::string_view key, bool equalIsAbove) const;

  std::vector<Slot> m_slots;
  std::string m_bounds;
  bool m_valid = false;
  std::uint64_t m_shape = 0;
  std::size_t m_staleSearches = 0;  // since the generation last changed
  std::uint64_t m_stableGeneration = 0;
};

}  // namespace dw::db
