// brkbt: deletion (see brkbt.h).
//
// The entry is removed from its leaf; pages are never merged.  Going back
// up, an emptied page is freed (the last page of its region moves into its
// slot) and its separator is removed from the parent, which may empty in
// turn; when a page's first entry changed, the separator above it is
// replaced by a copy of the new first key, up as far as first keys change.
// A longer separator can push an inner page over the split rule's limits,
// so the pages whose separators were replaced go through the split rule.
#include <vector>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brkbt.h"

namespace dw::db {

using namespace brkbt_detail;

namespace {

struct Step {
  std::int32_t page;
  std::size_t index;  // the entry followed (inner) or removed (leaf)
};

// After freePage moved page `from` to `to`, the path must follow it.
void followMove(std::vector<Step>& path, std::int32_t from, std::int32_t to) {
  if (from == to) return;
  for (auto& s : path) {
    if (s.page == from) s.page = to;
  }
}

// Deletes key from a leaf at hand when that needs no walk up the tree: the
// key is there and is not the leaf's first (whose copy the parent keeps).
// The leaf's ends are tested on their heads first.
bool deleteInLeaf(BriskFile& file, CachedPage* page, const KeyProbe& probe) {
  if (page == nullptr || !page->isLeaf()) return false;
  auto& entries = page->content.entries;
  // A key outside the leaf's first and last is not there (nor deletable
  // here when it is the first): spare the search.
  if (entries.size() < 2 || compareEntryKey(entries.front().entry, probe) >= 0 ||
      compareEntryKey(entries.back().entry, probe) < 0) {
    return false;
  }
  const std::size_t j = firstAtOrAbove(entries, probe);
  if (j == 0 || j >= entries.size() || !entryHasKey(entries[j].entry, probe)) return false;
  page->estimate -= entryCost(entries[j].entry, 0);
  entries.erase(entries.begin() + std::ptrdiff_t(j));
  file.markDirty(page);
  file.setHintLeaf(page->number, probe.key);
  return true;
}

// The leaf of key's region hint, or the one the leaf directory names.
bool deleteInLeafAtHand(BriskFile& file, const KeyProbe& probe) {
  if (const std::int32_t hint = file.hintLeafFor(probe.key)) {
    if (deleteInLeaf(file, file.cache().find(hint), probe)) return true;
  }
  LeafDirectory& directory = file.leafDirectory();
  if (!directory.usable(file)) return false;
  return deleteInLeaf(file, directoryLeaf(file, directory.indexAtOrBelow(probe.key)), probe);
}

// Replaces the separator of path[level + 1] by the child's new first key;
// true when that changed the parent's own first key.
bool replaceSeparator(BriskFile& file, const Step& parentStep, std::string_view firstKey) {
  CachedPage* parent = file.readPage(parentStep.page);
  auto& pe = parent->content.entries[parentStep.index];
  if (compareKeys(pe.entry.key(), firstKey) == 0) return false;
  parent->estimate -= entryCost(pe.entry, parent->level());
  pe.entry = Entry::keyOnly(firstKey);
  parent->estimate += entryCost(pe.entry, parent->level());
  file.markDirty(parent);
  return parentStep.index == 0;
}

}  // namespace

bool deleteEntry(BriskFile& file, std::string_view key) {
  if (file.readMode()) brkbtFail(check::kDeleteReadMode);
  if (key.empty()) return false;  // the sentinel stays
  const KeyProbe probe(key);
  if (deleteInLeafAtHand(file, probe)) return true;

  // A directory current now stays so when the delete only raises the
  // leaf's bound (no page freed or split: the generation stays).
  const bool directoryCurrent = file.leafDirectory().current(file);
  const std::uint64_t generation = file.treeGeneration();
  std::vector<Step> path;
  CachedPage* page = file.rootPage();
  if (page->entries().empty()) brkbtFail(check::kParseEnd);
  while (!page->isLeaf()) {
    const std::size_t i = lastAtOrBelow(page->entries(), key);
    path.push_back({page->number, i});
    page = readChild(file, page->entries()[i].child, page->level());
  }
  auto& entries = page->content.entries;
  const std::size_t j = firstAtOrAbove(entries, probe);
  if (j >= entries.size() || !entryHasKey(entries[j].entry, probe)) return false;
  page->estimate -= entryCost(entries[j].entry, 0);
  entries.erase(entries.begin() + std::ptrdiff_t(j));
  file.markDirty(page);
  file.setHintLeaf(page->number, key);
  const std::int32_t leafNumber = page->number;

  bool firstChanged = j == 0;
  std::int32_t current = page->number;
  // Inner pages whose separator grew longer: the split rule runs on them
  // once the walk up is done, so that no page outgrows its size.
  std::vector<std::int32_t> grown;
  while (!path.empty()) {
    const Step parentStep = path.back();
    path.pop_back();
    CachedPage* child = file.readPage(current);
    if (child->entries().empty()) {
      // Free the page while its separator still references it: freeing
      // moves the last page of its region into the slot, and finding that
      // page's parent walks down through this parent, which must not be
      // empty yet.  Only then is the separator removed.
      const std::int32_t freed = current;
      const std::int32_t moved = file.freePage(child);
      followMove(path, moved, freed);
      const std::int32_t parentNumber = parentStep.page == moved ? freed : parentStep.page;
      CachedPage* parent = file.readPage(parentNumber);
      auto& pe = parent->content.entries;
      if (parentStep.index >= pe.size() || pe[parentStep.index].child != freed) {
        brkbtFail(check::kParentMissing);
      }
      parent->estimate -= entryCost(pe[parentStep.index].entry, parent->level());
      pe.erase(pe.begin() + std::ptrdiff_t(parentStep.index));
      file.markDirty(parent);
      current = parentNumber;
      firstChanged = parentStep.index == 0;
      continue;
    }
    if (!firstChanged) break;
    const std::string first(child->entries().front().entry.key());
    const bool changedAbove = replaceSeparator(file, parentStep, first);
    grown.push_back(parentStep.page);
    if (!changedAbove) break;
    current = parentStep.page;
  }
  // Lowest first: a split there adds a separator to the page above, which
  // is checked after it.
  for (const std::int32_t number : grown) applySplitRule(file, number);
  if (directoryCurrent && j == 0 && file.treeGeneration() == generation) {
    CachedPage* leaf = file.readPage(leafNumber);
    file.leafDirectory().raiseBound(file, leafNumber, key, leaf->entries().front().entry.key());
  }
  return true;
}

}  // namespace dw::db
