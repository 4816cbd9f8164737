// brkbt: exact search, next, previous and prefix bounds (see brkbt.h).
#include <string>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brkbt.h"

namespace dw::db {

namespace brkbt_detail {

namespace {

// The first entry of a page whose key is above the probe's (or at it).
std::size_t boundInPage(const std::vector<PageEntry>& entries, const KeyProbe& probe,
                        bool equalIsAbove) {
  return boundByHeads(
      entries.data(), entries.size(), probe, equalIsAbove,
      [](const PageEntry& pe) -> const KeyHead& { return pe.entry.head; },
      [](const PageEntry& pe) { return pe.entry.key(); });
}

}  // namespace

std::size_t firstAbove(const std::vector<PageEntry>& entries, const KeyProbe& probe) {
  return boundInPage(entries, probe, false);
}

std::size_t firstAtOrAbove(const std::vector<PageEntry>& entries, const KeyProbe& probe) {
  return boundInPage(entries, probe, true);
}

std::size_t firstAbove(const std::vector<PageEntry>& entries, std::string_view key) {
  return firstAbove(entries, KeyProbe(key));
}

std::size_t firstAtOrAbove(const std::vector<PageEntry>& entries, std::string_view key) {
  return firstAtOrAbove(entries, KeyProbe(key));
}

std::size_t lastAtOrBelow(const std::vector<PageEntry>& entries, std::string_view probe) {
  const std::size_t i = firstAbove(entries, probe);
  return i == 0 ? 0 : i - 1;
}

CachedPage* readChild(BriskFile& file, std::int32_t child, std::uint8_t parentLevel) {
  if (child < 0 && file.cache().find(child) == nullptr) brkbtFail(check::kLevelMismatch);
  CachedPage* page = file.readPage(child);
  if (page->level() + 1 != parentLevel || page->entries().empty()) {
    brkbtFail(check::kLevelMismatch);
  }
  return page;
}

}  // namespace brkbt_detail

using namespace brkbt_detail;

namespace {
CachedPage* checkedRoot(BriskFile& file);
CachedPage* descendTo(BriskFile& file, std::string_view probe);
CachedPage* descendTo(BriskFile& file, std::string_view probe, std::string* upper,
                      bool& upperFound);
}  // namespace

CachedPage* brkbt_detail::directoryLeaf(BriskFile& file, std::size_t i) {
  LeafDirectory& directory = file.leafDirectory();
  const std::int32_t number = directory.leaf(i);
  // A temporary page that left the cache never was part of the tree.
  if (number < 0 && file.cache().find(number) == nullptr) {
    directory.invalidate();
    return nullptr;
  }
  CachedPage* page = file.readPage(number);
  if (!page->isLeaf() || page->entries().empty()) {
    directory.invalidate();
    return nullptr;
  }
  return page;
}

CachedPage* brkbt_detail::leafFor(BriskFile& file, std::string_view key) {
  LeafDirectory& directory = file.leafDirectory();
  if (directory.usable(file)) {
    if (CachedPage* leaf = directoryLeaf(file, directory.indexAtOrBelow(key))) return leaf;
  }
  return descendTo(file, key);
}

CachedPage* brkbt_detail::leafForInsert(BriskFile& file, std::string_view key) {
  LeafDirectory& directory = file.leafDirectory();
  if (directory.usable(file)) {
    const std::size_t i = directory.indexAtOrBelow(key);
    if (CachedPage* leaf = directoryLeaf(file, i)) {
      std::string upper;
      if (i + 1 < directory.size()) upper = directory.bound(i + 1);
      file.setHintLeaf(leaf->number, key, i + 1 < directory.size() ? &upper : nullptr);
      return leaf;
    }
  }
  std::string upper;
  bool upperFound = false;
  CachedPage* leaf = descendTo(file, key, &upper, upperFound);
  file.setHintLeaf(leaf->number, key, upperFound ? &upper : nullptr);
  return leaf;
}

namespace {

CachedPage* checkedRoot(BriskFile& file) {
  CachedPage* root = file.rootPage();
  if (root->entries().empty()) brkbtFail(check::kParseEnd);
  return root;
}

// The leaf whose range holds probe, down from the root; with upper, also
// the nearest separator to the right of the path (null: the leaf is the
// tree's last).
CachedPage* descendTo(BriskFile& file, std::string_view probe, std::string* upper,
                      bool& upperFound) {
  upperFound = false;
  CachedPage* page = checkedRoot(file);
  while (!page->isLeaf()) {
    const std::size_t i = lastAtOrBelow(page->entries(), probe);
    if (upper != nullptr && i + 1 < page->entries().size()) {
      upper->assign(page->entries()[i + 1].entry.key());  // deeper ones are nearer
      upperFound = true;
    }
    page = readChild(file, page->entries()[i].child, page->level());
  }
  return page;
}

CachedPage* descendTo(BriskFile& file, std::string_view probe) {
  bool unused = false;
  return descendTo(file, probe, nullptr, unused);
}

const Entry* nextIn(BriskFile& file, CachedPage* page, std::string_view probe) {
  if (page->isLeaf()) {
    const std::size_t j = firstAbove(page->entries(), probe);
    if (j == page->entries().size()) return nullptr;
    file.setHintLeaf(page->number, page->entries()[j].entry.key());
    return &page->entries()[j].entry;
  }
  const std::size_t i = lastAtOrBelow(page->entries(), probe);
  const std::int32_t child = page->entries()[i].child;
  const std::int32_t after =
      i + 1 < page->entries().size() ? page->entries()[i + 1].child : std::int32_t(0);
  const bool hasAfter = i + 1 < page->entries().size();
  const std::uint8_t level = page->level();
  if (const Entry* found = nextIn(file, readChild(file, child, level), probe)) return found;
  if (!hasAfter) return nullptr;
  return nextIn(file, readChild(file, after, level), probe);
}

// The cached hint leaf, when it holds probe with a neighbour in direction.
const Entry* neighbourInHint(BriskFile& file, std::string_view probe, int direction) {
  const std::int32_t hint = file.hintLeafFor(probe);
  if (hint == 0) return nullptr;
  CachedPage* page = file.cache().find(hint);
  if (page == nullptr || !page->isLeaf()) return nullptr;
  auto& entries = page->entries();
  // A scan steps from the entry the last step found: where that step left
  // it is checked first, which spares the search in the leaf.
  std::size_t j = file.hintIndexFor(probe);
  if (j >= entries.size() || compareKeys(entries[j].entry.key(), probe) != 0) {
    // The probe must be one of the leaf's keys: outside its ends it is not.
    if (entries.empty() || compareKeys(entries.front().entry.key(), probe) > 0 ||
        compareKeys(entries.back().entry.key(), probe) < 0) {
      return nullptr;
    }
    j = firstAtOrAbove(entries, probe);
    if (j >= entries.size() || compareKeys(entries[j].entry.key(), probe) != 0) return nullptr;
  }
  if (direction > 0 && j + 1 < entries.size()) {
    file.setHintIndex(probe, j + 1);
    return &entries[j + 1].entry;
  }
  if (direction < 0 && j > 0 && entries[j - 1].entry.length() != 0) {
    file.setHintIndex(probe, j - 1);
    return &entries[j - 1].entry;
  }
  return nullptr;
}

}  // namespace

std::optional<Entry> findEqual(BriskFile& file, std::string_view key) {
  CachedPage* leaf = leafFor(file, key);
  const std::size_t j = lastAtOrBelow(leaf->entries(), key);
  const Entry& e = leaf->entries()[j].entry;
  // The leaf is hinted even when the key is missing: an insert of it (a
  // unique key checked first) goes there.
  file.setHintLeaf(leaf->number, key);
  if (e.length() == 0 || compareKeys(e.key(), key) != 0) return std::nullopt;
  return e;
}

CachedPage* leafHolding(BriskFile& file, std::string_view key, std::size_t& index) {
  const KeyProbe probe(key);
  const auto holds = [&](CachedPage* page) {
    if (page == nullptr || !page->isLeaf()) return false;
    const auto& entries = page->entries();
    index = firstAtOrAbove(entries, probe);
    return index < entries.size() && entries[index].entry.length() != 0 &&
           entryHasKey(entries[index].entry, probe);
  };
  CachedPage* leaf = file.hasHint() ? file.cache().find(file.hintLeaf()) : nullptr;
  if (!holds(leaf)) {
    leaf = leafFor(file, key);
    if (!holds(leaf)) return nullptr;
  }
  file.setHintLeaf(leaf->number, key);
  return leaf;
}

const Entry* findNextInPlace(BriskFile& file, std::string_view probe) {
  if (const Entry* e = neighbourInHint(file, probe, +1)) return e;
  LeafDirectory& directory = file.leafDirectory();
  if (directory.usable(file)) {
    const std::size_t i = directory.indexAtOrBelow(probe);
    if (CachedPage* leaf = directoryLeaf(file, i)) {
      const std::size_t j = firstAbove(leaf->entries(), probe);
      if (j < leaf->entries().size()) {
        file.setHintLeaf(leaf->number, leaf->entries()[j].entry.key());
        return &leaf->entries()[j].entry;
      }
      // The next leaf begins above probe, since its bound does.
      if (i + 1 == directory.size()) return nullptr;
      if (CachedPage* next = directoryLeaf(file, i + 1)) {
        file.setHintLeaf(next->number, next->entries().front().entry.key());
        return &next->entries().front().entry;
      }
    }
  }
  return nextIn(file, checkedRoot(file), probe);
}

std::optional<Entry> findNext(BriskFile& file, std::string_view probe) {
  if (const Entry* e = findNextInPlace(file, probe)) return *e;
  return std::nullopt;
}

std::optional<Entry> findPrevious(BriskFile& file, std::string_view probe) {
  if (const Entry* e = neighbourInHint(file, probe, -1)) return *e;
  CachedPage* page = nullptr;
  LeafDirectory& directory = file.leafDirectory();
  if (directory.usable(file)) page = directoryLeaf(file, directory.indexBelow(probe));
  if (page == nullptr) {
    page = checkedRoot(file);
    while (!page->isLeaf()) {
      std::size_t i = firstAtOrAbove(page->entries(), probe);
      i = i == 0 ? 0 : i - 1;  // the last entry < probe
      page = readChild(file, page->entries()[i].child, page->level());
    }
  }
  const std::size_t j = firstAtOrAbove(page->entries(), probe);
  if (j == 0) return std::nullopt;
  const Entry& e = page->entries()[j - 1].entry;
  if (e.length() == 0) return std::nullopt;
  file.setHintLeaf(page->number, e.key());
  return e;
}

std::optional<Entry> firstOfPrefix(BriskFile& file, std::string_view prefix) {
  auto e = findNext(file, prefix);
  if (e && e->key().size() > prefix.size() && e->key().substr(0, prefix.size()) == prefix) {
    return e;
  }
  return std::nullopt;
}

std::optional<Entry> lastOfPrefix(BriskFile& file, std::string_view prefix) {
  // The smallest key above every key that begins with prefix: the prefix
  // with its last byte below 0xFF raised by one.
  std::string bound(prefix);
  while (!bound.empty() && static_cast<std::uint8_t>(bound.back()) == 0xFF) bound.pop_back();
  std::optional<Entry> e;
  if (bound.empty()) {
    // Every key above the prefix: take the last entry of the tree.
    CachedPage* page = checkedRoot(file);
    while (!page->isLeaf()) {
      page = readChild(file, page->entries().back().child, page->level());
    }
    const Entry& last = page->entries().back().entry;
    if (last.length() != 0) e = last;
  } else {
    bound.back() = char(static_cast<std::uint8_t>(bound.back()) + 1);
    e = findPrevious(file, bound);
  }
  if (e && e->key().size() > prefix.size() && e->key().substr(0, prefix.size()) == prefix) {
    return e;
  }
  return std::nullopt;
}

}  // namespace dw::db
