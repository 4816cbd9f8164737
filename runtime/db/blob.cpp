// BLOB access: reading a range, writing a range (growing the BLOB), and its
// size, on the BLOB's bytes in memory; ADD and PUT store them as segments
// (memo.cpp).
#include <algorithm>

#include "runtime/db/table.h"

namespace dw::db {

std::uint32_t Table::blobSize(std::size_t m) const {
  return m < m_memos.size() && m_desc.memos[m].isBlob() ? std::uint32_t(m_memos[m].size()) : 0;
}

std::string Table::blobRead(std::size_t m, std::uint32_t start, std::uint32_t length) const {
  if (m >= m_memos.size() || !m_desc.memos[m].isBlob()) return {};
  const std::string& b = m_memos[m];
  if (start >= b.size()) return {};
  return b.substr(start, std::min<std::size_t>(length, b.size() - start));
}

bool Table::blobWrite(std::size_t m, std::uint32_t start, std::string_view bytes) {
  if (m >= m_memos.size() || !m_desc.memos[m].isBlob()) return false;
  const std::uint64_t end = std::uint64_t(start) + bytes.size();
  if (end > kMaxBlobLength) return false;
  std::string& b = m_memos[m];
  if (end > b.size()) b.resize(std::size_t(end), '\0');
  std::copy(bytes.begin(), bytes.end(), b.begin() + start);
  return true;
}

}  // namespace dw::db
