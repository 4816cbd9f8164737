// The in-memory file (memory_file.h).
#include "runtime/platform/memory_file.h"

#include <cstring>

namespace dw::platform {

namespace {
// Offsets beyond this are refused as a disk would refuse them: the engine
// keeps file data below 2^31.
constexpr std::uint64_t kMaxSize = 0x80000000ull;
}  // namespace

OsResult<std::size_t> MemoryFile::readAt(std::uint64_t offset, void* buffer, std::size_t len) {
  if (offset >= m_bytes.size()) return std::size_t(0);
  const std::size_t n = std::min<std::uint64_t>(len, m_bytes.size() - offset);
  std::memcpy(buffer, m_bytes.data() + offset, n);
  return n;
}

OsStatus MemoryFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t len) {
  if (offset + len > kMaxSize) return OsStatus::failure(kDiskFull);
  if (offset + len > m_bytes.size()) m_bytes.resize(offset + len, '\0');
  std::memcpy(m_bytes.data() + offset, buffer, len);
  return {};
}

OsStatus MemoryFile::truncate(std::uint64_t size) {
  if (size > kMaxSize) return OsStatus::failure(kDiskFull);
  m_bytes.resize(size, '\0');
  return {};
}

}  // namespace dw::platform
