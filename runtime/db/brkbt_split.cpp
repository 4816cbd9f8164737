// brkbt: insertion and the split rule (see brkbt.h).
//
// A page must split when its size estimate exceeds 15094 bytes, or exceeds
// 4096 bytes while it holds more than 20 entries.  The root keeps its page
// number: its entries move to a new child and the root rises one level.
// Any other page is cut at its median: the upper half moves to a new page,
// the median joins the half with fewer entries, and a separator (the new
// page's first key) goes into the parent, which may split in turn.
#include <algorithm>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brkbt.h"

namespace dw::db {

using namespace brkbt_detail;

namespace {

bool mustSplit(const CachedPage* page) {
  return page->estimate > kSplitAlways ||
         (page->estimate > kSplitCrowded && page->content.entries.size() > kCrowdedEntries);
}

void splitIfNeeded(BriskFile& file, std::int32_t number);

void splitRoot(BriskFile& file, CachedPage* root) {
  CachedPage* child = file.newPage(root->level());
  const std::int32_t childNumber = child->number;
  child->content.entries = std::move(root->content.entries);
  recount(child);
  root->content.entries.clear();
  root->content.entries.push_back(
      PageEntry{Entry::keyOnly(child->content.entries.front().entry.key()), childNumber});
  root->content.level = std::uint8_t(root->level() + 1);
  recount(root);
  file.markDirty(root);
  file.bumpGeneration();
  splitIfNeeded(file, childNumber);
}

void splitAtMedian(BriskFile& file, CachedPage* page) {
  const std::int32_t leftNumber = page->number;
  auto& entries = page->content.entries;
  const std::size_t n = entries.size();
  const std::size_t m = n / 2;
  // Left keeps [0, m), right takes (m, n); the median joins the smaller side.
  const std::size_t cut = (m <= n - m - 1) ? m + 1 : m;
  CachedPage* right = file.newPage(page->level());
  const std::int32_t rightNumber = right->number;
  right->content.entries.assign(std::make_move_iterator(entries.begin() + std::ptrdiff_t(cut)),
                                std::make_move_iterator(entries.end()));
  entries.resize(cut);
  recount(page);
  recount(right);
  file.markDirty(page);
  file.bumpGeneration();

  CachedPage* parent = file.findParent(page);
  const std::int32_t parentNumber = parent->number;
  Entry separator = Entry::keyOnly(right->content.entries.front().entry.key());
  auto& pe = parent->content.entries;
  const std::size_t at = firstAbove(pe, separator.key());
  if (at > 0 && compareKeys(pe[at - 1].entry.key(), separator.key()) == 0) {
    brkbtFail(check::kEqualKeys);
  }
  pe.insert(pe.begin() + std::ptrdiff_t(at), PageEntry{std::move(separator), rightNumber});
  recount(parent);
  file.markDirty(parent);

  splitIfNeeded(file, parentNumber);
  splitIfNeeded(file, leftNumber);
  splitIfNeeded(file, rightNumber);
}

void splitIfNeeded(BriskFile& file, std::int32_t number) {
  CachedPage* page = file.readPage(number);
  if (!mustSplit(page)) return;
  if (page->content.entries.size() == 1) {
    // A single entry cannot split; entry lengths are limited so that it
    // still fits a page, which is all that matters.
    if (page->estimate > kMaxPageBytes) brkbtFail(check::kSplitSingleEntry);
    return;
  }
  file.markDirty(page);
  if (number == file.header().rootPage) {
    splitRoot(file, page);
  } else {
    splitAtMedian(file, page);
  }
}

}  // namespace

void brkbt_detail::applySplitRule(BriskFile& file, std::int32_t page) {
  splitIfNeeded(file, page);
}

void insertEntry(BriskFile& file, Entry entry) {
  if (entry.length() > kMaxEntryLength || entry.keyLength > kMaxKeyLength ||
      entry.keyLength > entry.length()) {
    brkbtFail(check::kEntryTooLong);
  }
  const std::string_view key = entry.key();
  CachedPage* leaf = nullptr;
  if (const std::int32_t hint = file.hintLeafFor(key)) {
    // In-page shortcut: the hinted leaf holds a key below and one above.
    CachedPage* hinted = file.cache().find(hint);
    // Its first key must be at or below the new key and its last above it;
    // testing the two ends first spares a search of a leaf that misses.
    // Past its last key it still may be, below the upper bound known for it.
    if (hinted != nullptr && hinted->isLeaf() && hinted->entries().size() >= 2 &&
        compareKeys(hinted->entries().front().entry.key(), key) <= 0 &&
        (compareKeys(hinted->entries().back().entry.key(), key) > 0 || file.belowHintUpper(key))) {
      leaf = hinted;
    }
  }
  if (leaf == nullptr) leaf = leafForInsert(file, key);
  auto& entries = leaf->content.entries;
  const std::size_t at = firstAbove(entries, key);
  if (at > 0 && compareKeys(entries[at - 1].entry.key(), key) == 0) brkbtFail(check::kEqualKeys);
  leaf->estimate += entryCost(entry, 0);
  const std::int32_t number = leaf->number;
  file.setHintLeaf(number, key);  // before the entry (and the key it views) moves
  entries.insert(entries.begin() + std::ptrdiff_t(at), PageEntry{std::move(entry), 0});
  file.markDirty(leaf);
  if (mustSplit(leaf)) {
    splitIfNeeded(file, number);
  } else {
    file.cache().touch(leaf);  // as reading it again would
  }
}

bool replaceEntry(BriskFile& file, Entry& entry) {
  if (file.readMode()) return false;
  std::size_t j = 0;
  CachedPage* leaf = leafHolding(file, entry.key(), j);
  if (leaf == nullptr) return false;
  Entry& old = leaf->entries()[j].entry;
  if (old.length() != entry.length() || old.keyLength != entry.keyLength) return false;
  old = std::move(entry);
  file.markDirty(leaf);
  file.cache().touch(leaf);
  return true;
}

}  // namespace dw::db
