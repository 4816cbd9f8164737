// The program's entry point: finds and prepares the data and profile
// directories, makes the data directory current (the application opens its
// files by relative name) and starts the runtime.
//
//   data:     --data DIR, else $DORNWATCH_DATA, else $XDG_DATA_HOME/dornwatch
//             (~/.local/share/dornwatch)
//   profile:  $DORNWATCH_CONFIG, else $XDG_CONFIG_HOME/dornwatch (~/.config/dornwatch)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::string envOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string home() { return envOr("HOME", "/tmp"); }

bool prepareDirectory(const std::string& dir, const char* what) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    std::fprintf(stderr, "dornwatch: cannot use %s directory %s: %s\n", what, dir.c_str(),
                 ec ? ec.message().c_str() : "not a directory");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dataDir;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
      dataDir = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("usage: dornwatch [--data DIR]\n");
      return 0;
    } else {
      std::fprintf(stderr, "dornwatch: unknown argument %s\n", argv[i]);
      return 1;
    }
  }
  if (dataDir.empty())
    dataDir = envOr("DORNWATCH_DATA", envOr("XDG_DATA_HOME", home() + "/.local/share") + "/dornwatch");
  const std::string profileDir =
      envOr("DORNWATCH_CONFIG", envOr("XDG_CONFIG_HOME", home() + "/.config") + "/dornwatch");

  if (!prepareDirectory(dataDir, "data") || !prepareDirectory(profileDir, "profile")) return 1;
  std::error_code ec;
  std::filesystem::current_path(dataDir, ec);
  if (ec) {
    std::fprintf(stderr, "dornwatch: cannot enter %s: %s\n", dataDir.c_str(), ec.message().c_str());
    return 1;
  }
  std::printf("Dornwatch: data in %s, settings in %s\n", dataDir.c_str(), profileDir.c_str());
  return 0;
}
