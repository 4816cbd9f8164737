// Private file objects on in-memory files: the entries of a dynamic index
// live in one.  The file object is the ordinary one (same tree, same commit)
// over a dw::platform::MemoryFile, without locks.
#include "runtime/db/brisk_file.h"
#include "runtime/platform/memory_file.h"

namespace dw::db {

std::unique_ptr<BriskFile> BriskFile::openInMemory(const std::string& name) {
  BriskOptions options;
  options.locking = Locking::None;
  return std::unique_ptr<BriskFile>(
      new BriskFile(std::make_unique<dw::platform::MemoryFile>(name), name, options));
}

}  // namespace dw::db
