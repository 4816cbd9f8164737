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

#include "runtime/db/brkbt.h"
#include "runtime/db/oem_text.h"
#include "runtime/db/table.h"
#include "runtime/db/table_entries.h"

namespace dw::db {

namespace {

// The data of every segment of one memo's content, in order.
std::vector<std::string> segmentsOf(std::string_view content, bool blob) {
  std::vector<std::string> out;
  if (content.empty()) return out;
  for (std::size_t at = 0; at < content.size(); at += kMemoSegment) {
    std::string seg;
    if (blob && at == 0) {
      const std::uint32_t n = std::uint32_t(content.size());
      for (int i = 0; i < 4; ++i) seg.push_back(char(n >> (8 * i)));
    }
    seg.append(content.substr(at, kMemoSegment));
    out.push_back(std::move(seg));
  }
  return out;
}

}  // namespace

void Table::writeMemos(std::uint32_t recordNumber, bool fresh) {
  BriskFile& f = file();
  for (std::size_t m = 0; m < m_memos.size(); ++m) {
    const MemoDesc& md = m_desc.memos[m];
    std::string content;
    if (md.isBlob()) {
      content = m_memos[m];
    } else {
      std::string_view v(m_memos[m]);
      v = v.substr(0, std::min<std::size_t>(v.size(), md.size));
      const std::size_t last = v.find_last_not_of(' ');
      content = last == std::string_view::npos ? std::string() : std::string(v.substr(0, last + 1));
      if (m_desc.oem && !(md.flags & kMemoBinary)) convertText(content, OemDirection::ToOem);
    }
    const std::vector<std::string> segs = segmentsOf(content, md.isBlob());
    const auto memoNumber = std::uint8_t(m);
    for (std::size_t i = 0; i < segs.size(); ++i) {
      const std::string key = memoKey(m_number, recordNumber, memoNumber, std::uint16_t(i));
      if (!fresh) {
        if (auto old = findEqual(f, key)) {
          if (old->data() == segs[i]) continue;  // unchanged: not rewritten
          deleteEntry(f, key);
        }
      }
      insertEntry(f, Entry(key + segs[i], key.size()));
    }
    if (fresh) continue;
    // Segments beyond the new last one go.
    std::string prefix = memoPrefix(m_number, recordNumber);
    prefix.push_back(char(memoNumber));
    std::string probe =
        segs.empty() ? prefix
                     : memoKey(m_number, recordNumber, memoNumber, std::uint16_t(segs.size() - 1));
    while (auto e = findNext(f, probe)) {
      if (e->key().substr(0, prefix.size()) != prefix) break;
      probe = std::string(e->key());
      deleteEntry(f, probe);
    }
  }
}

void Table::readMemos(std::uint32_t recordNumber) {
  std::vector<std::string> content(m_memos.size());
  std::vector<std::uint32_t> blobLength(m_memos.size(), 0);
  BriskFile& f = file();
  const std::string prefix = memoPrefix(m_number, recordNumber);
  std::string probe = prefix;
  while (auto e = findNext(f, probe)) {
    if (e->key().size() != kMemoKeyLength || e->key().substr(0, prefix.size()) != prefix) break;
    probe = std::string(e->key());
    const std::size_t m = std::uint8_t(probe[prefix.size()]);
    if (m >= m_memos.size()) continue;  // a memo the declaration does not have
    const std::uint16_t segment = std::uint16_t((std::uint8_t(probe[prefix.size() + 1]) << 8) |
                                                std::uint8_t(probe[prefix.size() + 2]));
    std::string_view data = e->data();
    if (m_desc.memos[m].isBlob() && segment == 0 && data.size() >= kBlobLengthBytes) {
      const auto* p = reinterpret_cast<const std::uint8_t*>(data.data());
      blobLength[m] = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                      (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
      data.remove_prefix(kBlobLengthBytes);
    }
    content[m].append(data);
    if (!m_desc.memos[m].isBlob() && content[m].size() > m_desc.memos[m].size) {
      content[m].resize(m_desc.memos[m].size);
    }
  }
  for (std::size_t m = 0; m < m_memos.size(); ++m) {
    const MemoDesc& md = m_desc.memos[m];
    if (md.isBlob()) {
      content[m].resize(std::min(blobLength[m], kMaxBlobLength), '\0');
      m_memos[m] = std::move(content[m]);
    } else {
      if (m_desc.oem && !(md.flags & kMemoBinary)) convertText(content[m], OemDirection::FromOem);
      content[m].resize(md.size, ' ');
      m_memos[m] = std::move(content[m]);
    }
  }
}

void Table::deleteMemos(std::uint32_t recordNumber) {
  BriskFile& f = file();
  const std::string prefix = memoPrefix(m_number, recordNumber);
  std::string probe = prefix;
  while (auto e = findNext(f, probe)) {
    if (e->key().substr(0, prefix.size()) != prefix) break;
    probe = std::string(e->key());
    deleteEntry(f, probe);
  }
}

}  // namespace dw::db
