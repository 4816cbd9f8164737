// brkbt: the single B-tree of a Brisk file, over raw entries.
//
// Every item of the database is an entry (key bytes then data bytes) of one
// tree whose nodes are the file's variable-sized pages.  Inner pages hold,
// per child, a copy of the child's first key (its separator) and the
// child's page number; leaves hold the entries.  The leftmost leaf begins
// with the sentinel, the one entry of length 0, which sorts before every
// key and is never returned by a search.
//
// Invariants (checked by checker.h):
//  - keys strictly ascend within a page and across the leaves in order;
//  - a separator equals the first key of its child; a child is exactly one
//    level below its parent; every page is referenced exactly once;
//  - no page is empty; pages are never merged, only split and freed.
//
// Functions take the file object, whose header must be current
// (refreshHeader); they may halt with "Internal error : brkbt line N".
// Same thread rules as the file object: one thread at a time.
#pragma once

#include <optional>
#include <string_view>

#include "runtime/db/brisk_file.h"

namespace dw::db {

// Entry with exactly this key, or nothing.
std::optional<Entry> findEqual(BriskFile& file, std::string_view key);
// The first entry whose key is strictly greater than probe.
std::optional<Entry> findNext(BriskFile& file, std::string_view probe);
// The same without a copy: the entry where it lies in the cache, valid until
// the next call into the tree or the file object (null: none).  probe must
// not point into the cache.
const Entry* findNextInPlace(BriskFile& file, std::string_view probe);
// The leaf holding the entry whose key is exactly key, and the entry's index
// there (null: no such entry).  The leaf of the last find is tried first,
// as the entry was usually just read, then the leaf the tree names; the
// leaf becomes the last find's.  Valid until the next call into the tree.
CachedPage* leafHolding(BriskFile& file, std::string_view key, std::size_t& index);
// The last entry whose key is strictly less than probe (never the sentinel).
std::optional<Entry> findPrevious(BriskFile& file, std::string_view probe);
// First and last entries whose keys begin with prefix (and are longer).
std::optional<Entry> firstOfPrefix(BriskFile& file, std::string_view prefix);
std::optional<Entry> lastOfPrefix(BriskFile& file, std::string_view prefix);

// Inserts an entry whose key is not in the tree (an equal key halts, 696;
// an entry above kMaxEntryLength or a key above kMaxKeyLength halts, 814).
void insertEntry(BriskFile& file, Entry entry);
// Deletes the entry with this key; false when there is none.
bool deleteEntry(BriskFile& file, std::string_view key);
// Replaces in its leaf the entry with the same key by one of the same
// length (separators hold keys only, so nothing else changes); the leaf of
// the last find is tried first, as the entry was usually just read.  False,
// with the tree and entry untouched, when there is no such entry, the
// lengths differ or the file is in read mode; entry is moved from only when
// it returns true.
bool replaceEntry(BriskFile& file, Entry& entry);
inline bool replaceEntry(BriskFile& file, Entry&& entry) {
  return replaceEntry(file, entry);
}

namespace brkbt_detail {
// Index of the last entry with key <= probe (0 when none).
std::size_t lastAtOrBelow(const std::vector<PageEntry>& entries, std::string_view probe);
// Index of the first entry with key > probe (size when none).
std::size_t firstAbove(const std::vector<PageEntry>& entries, std::string_view probe);
// Index of the first entry with key >= probe (size when none).
std::size_t firstAtOrAbove(const std::vector<PageEntry>& entries, std::string_view probe);
// The same two with the probe's head worked out already.
std::size_t firstAbove(const std::vector<PageEntry>& entries, const KeyProbe& probe);
std::size_t firstAtOrAbove(const std::vector<PageEntry>& entries, const KeyProbe& probe);
// Reads child i of an inner page, checking that it is one level below.
CachedPage* readChild(BriskFile& file, std::int32_t childNumber, std::uint8_t parentLevel);
// The leaf whose range holds key: through the file's leaf directory when it
// is usable, else down from the root.
CachedPage* leafFor(BriskFile& file, std::string_view key);
// The same for an insert: a walk down also leaves key's region hint on the
// leaf with its upper bound, so that the next keys of an ascending run go
// straight to it.
CachedPage* leafForInsert(BriskFile& file, std::string_view key);
// Leaf i of a usable leaf directory, or null (the directory forgotten) when
// that page is no longer a leaf of the tree.
CachedPage* directoryLeaf(BriskFile& file, std::size_t i);
// Splits the page (and, in turn, its parents) while the split rule says it
// must; used after insertions and after a delete lengthened a separator.
void applySplitRule(BriskFile& file, std::int32_t page);
// Recomputes a page's size estimate after a change.
inline void recount(CachedPage* page) {
  page->estimate = estimateOf(page->content);
}
}  // namespace brkbt_detail

}  // namespace dw::db
