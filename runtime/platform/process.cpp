#include "runtime/platform/process.h"

#include "runtime/platform/os_error.h"

namespace dw::platform {

std::optional<std::vector<std::string>> splitCommandLine(const std::string& line) {
  return std::vector<std::string>{line};
}
bool needsShell(const std::string&) {
  return false;
}
std::uint32_t startDetached(const std::string&) {
  return kFileNotFound;
}

}  // namespace dw::platform
