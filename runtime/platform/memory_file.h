// A file that lives only in memory: the private file objects of dynamic
// indexes and the sorted buffers of the database engine sit on it.
//
// It behaves as a File opened alone: reads past the end are short, writes
// grow it (zero-filled), flush does nothing, and byte-range locks always
// succeed since no other opener can exist.  Its contents vanish with it.
// One thread at a time, like every File.
#pragma once

#include <string>

#include "runtime/platform/platform.h"

namespace dw::platform {

class MemoryFile : public File {
 public:
  explicit MemoryFile(std::string name) : m_path(std::move(name)) {}

  OsResult<std::size_t> readAt(std::uint64_t offset, void* buffer, std::size_t len) override;
  OsStatus writeAt(std::uint64_t offset, const void* buffer, std::size_t len) override;
  OsStatus flush() override { return {}; }
  OsResult<std::uint64_t> size() override { return std::uint64_t(m_bytes.size()); }
  OsStatus truncate(std::uint64_t size) override;
  OsStatus lock(std::uint64_t, std::uint64_t, LockKind, LockWait) override { return {}; }
  OsStatus unlock(std::uint64_t, std::uint64_t) override { return {}; }
  const std::string& path() const override { return m_path; }
  OsStatus changeShare(OpenMode) override { return {}; }

  const std::string& bytes() const { return m_bytes; }

 private:
  std::string m_path;
  std::string m_bytes;
};

}  // namespace dw::platform
