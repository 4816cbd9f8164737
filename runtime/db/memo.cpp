// Memos and BLOBs of a record as memo segments (docs/brisk-tables.md).
//
// Memo m of record r is stored as segments 0, 1, ... of at most 256
// content bytes under the key (table, FC, r, m, segment big-endian).  A
// memo's content is its buffer without trailing blanks; a BLOB's is its
// bytes, and its first segment carries the BLOB's length (4 bytes,
// little-endian) in front.  Empty content has no segments.  Rewriting keeps
// every stored segment that is equal to its new value, so a change to the
// end of a long memo writes only the segments that changed.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "runtime/db/brkbt.h"
#include "runtime/db/oem_text.h"
#include "runtime/db/table.h"
#include "runtime/db/table_entries.h"

namespace dw::db {

namespace {

// The length of text without its trailing blanks, eight bytes at a time
// (a memo buffer is mostly blank padding).
std::size_t lengthWithoutTrailingBlanks(std::string_view text) {
  constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
  std::size_t n = text.size();
  while (n >= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + n - 8, 8);
    if (word != kBlanks) break;
    n -= 8;
  }
  while (n > 0 && text[n - 1] == ' ') --n;
  return n;
}

// A memo's content as stored: the buffer without trailing blanks (OEM
// text converted), or a BLOB's bytes.
std::string_view memoContent(const TableDesc& desc, std::size_t m, const std::string& buffer,
                             std::string& converted) {
  const MemoDesc& md = desc.memos[m];
  if (md.isBlob()) return buffer;
  std::string_view v(buffer);
  v = v.substr(0, std::min<std::size_t>(v.size(), md.size));
  v = v.substr(0, lengthWithoutTrailingBlanks(v));
  if (desc.oem && !(md.flags & kMemoBinary) && !v.empty()) {
    converted.assign(v);
    convertText(converted, OemDirection::ToOem);
    return converted;
  }
  return v;
}

std::size_t segmentCount(std::string_view content) {
  return (content.size() + kMemoSegment - 1) / kMemoSegment;
}

// The data of segment i of a memo's content.
void segmentData(std::string_view content, bool blob, std::size_t i, std::string& out) {
  out.clear();
  if (blob && i == 0) {
    const std::uint32_t n = std::uint32_t(content.size());
    for (int b = 0; b < 4; ++b) out.push_back(char(n >> (8 * b)));
  }
  out.append(content.substr(i * kMemoSegment, kMemoSegment));
}

// The segment number of a memo segment's key.
std::uint16_t segmentOf(std::string_view key) {
  return std::uint16_t((std::uint8_t(key[kMemoKeyLength - 2]) << 8) |
                       std::uint8_t(key[kMemoKeyLength - 1]));
}

}  // namespace

// A fresh record's segments are inserted.  Otherwise each memo's stored
// segments are walked once in key order beside the new ones (the walk's
// steps stay in the leaf the tree last found): equal segments are kept,
// changed ones replaced, missing ones inserted, and those beyond the new
// last one deleted.  An unchanged memo so costs one search of the tree.
void Table::writeMemos(std::uint32_t recordNumber, bool fresh) {
  BriskFile& f = file();
  std::string converted, data;
  for (std::size_t m = 0; m < m_memos.size(); ++m) {
    const bool blob = m_desc.memos[m].isBlob();
    const std::string_view content = memoContent(m_desc, m, m_memos[m], converted);
    const std::size_t count = segmentCount(content);
    const auto memoNumber = std::uint8_t(m);
    auto insertSegment = [&](std::size_t i) {
      segmentData(content, blob, i, data);
      const std::string key = memoKey(m_number, recordNumber, memoNumber, std::uint16_t(i));
      insertEntry(f, Entry(key + data, key.size()));
    };
    if (fresh) {
      for (std::size_t i = 0; i < count; ++i) insertSegment(i);
      continue;
    }
    std::string prefix = memoPrefix(m_number, recordNumber);
    prefix.push_back(char(memoNumber));
    auto inMemo = [&](const std::optional<Entry>& e) {
      return e && e->key().size() > prefix.size() && e->key().substr(0, prefix.size()) == prefix;
    };
    std::optional<Entry> stored = findNext(f, prefix);
    if (!inMemo(stored)) stored.reset();
    std::size_t i = 0;
    while (stored || i < count) {
      const bool wellFormed = stored && stored->key().size() == kMemoKeyLength;
      const std::size_t at = wellFormed ? segmentOf(stored->key()) : SIZE_MAX;
      if (i < count && (!stored || (wellFormed && i < at))) {
        insertSegment(i++);  // missing
        continue;
      }
      const std::string key(stored->key());
      std::optional<Entry> next = findNext(f, key);
      if (!inMemo(next)) next.reset();
      if (i >= count) {
        deleteEntry(f, key);  // beyond the new last segment
      } else if (wellFormed && at == i) {
        segmentData(content, blob, i, data);
        if (stored->data() != data) {
          Entry changed(key + data, key.size());
          if (!replaceEntry(f, changed)) {
            deleteEntry(f, key);
            insertEntry(f, std::move(changed));
          }
        }
        ++i;
      }
      stored = std::move(next);
    }
  }
}

void Table::readMemos(std::uint32_t recordNumber) {
  std::uint32_t blobLength[256] = {};
  for (std::string& memo : m_memos) memo.clear();
  BriskFile& f = file();
  const std::string prefix = memoPrefix(m_number, recordNumber);
  // Entries are read where they lie: a record's memo is read without a copy
  // of each segment, and the entry that ends the walk (another record's
  // memo, often long) is not copied at all.
  std::string probe = prefix;
  for (const Entry* e = findNextInPlace(f, probe); e != nullptr; e = findNextInPlace(f, probe)) {
    const std::string_view key = e->key();
    if (key.size() != kMemoKeyLength || key.substr(0, prefix.size()) != prefix) break;
    const std::size_t m = std::uint8_t(key[prefix.size()]);
    if (m < m_memos.size()) {  // else a memo the declaration does not have
      std::string_view data = e->data();
      const MemoDesc& md = m_desc.memos[m];
      if (md.isBlob() && segmentOf(key) == 0 && data.size() >= kBlobLengthBytes) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(data.data());
        blobLength[m] = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                        (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
        data.remove_prefix(kBlobLengthBytes);
      }
      std::string& content = m_memos[m];
      if (!md.isBlob() && content.size() + data.size() > md.size) {
        data = data.substr(0, md.size - std::min<std::size_t>(md.size, content.size()));
      }
      content.append(data);
    }
    probe.assign(key);  // the next search starts from a copy, not from the cache
  }
  for (std::size_t m = 0; m < m_memos.size(); ++m) {
    const MemoDesc& md = m_desc.memos[m];
    std::string& content = m_memos[m];
    if (md.isBlob()) {
      content.resize(std::min(blobLength[m], kMaxBlobLength), '\0');
    } else {
      if (m_desc.oem && !(md.flags & kMemoBinary)) convertText(content, OemDirection::FromOem);
      content.resize(md.size, ' ');
    }
  }
}

// The record's segments are found by one search and steps in its leaf,
// then deleted from the last, each in the leaf where the previous one was.
void Table::deleteMemos(std::uint32_t recordNumber) {
  BriskFile& f = file();
  const std::string prefix = memoPrefix(m_number, recordNumber);
  // The segments' keys are gathered where the entries lie in the cache
  // (each probe is a copy of its own, never bytes in the cache).
  std::vector<std::string> keys;
  for (const Entry* e = findNextInPlace(f, prefix);
       e && e->key().substr(0, prefix.size()) == prefix; e = findNextInPlace(f, keys.back())) {
    keys.emplace_back(e->key());
  }
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) deleteEntry(f, *k);
}

}  // namespace dw::db
