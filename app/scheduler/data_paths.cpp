// The data and profile directories (data_paths.h).
#include "app/scheduler/data_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace dw::app {
namespace {

std::string envOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string home() {
  return envOr("HOME", "/tmp");
}

}  // namespace

std::string dataDirectory(const std::string& given) {
  if (!given.empty()) return given;
  return envOr("DORNWATCH_DATA", envOr("XDG_DATA_HOME", home() + "/.local/share") + "/dornwatch");
}

std::string profileDirectory() {
  return envOr("DORNWATCH_CONFIG", envOr("XDG_CONFIG_HOME", home() + "/.config") + "/dornwatch");
}

bool prepareDirectory(const std::string& dir, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    if (error) *error = ec ? ec.message() : "not a directory";
    return false;
  }
  return true;
}

}  // namespace dw::app
