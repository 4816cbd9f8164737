// Fuzzes the INI reader and writer with arbitrary file contents: nothing may
// crash or hang, a written value reads back (a quoted one without its
// quotes), and a write leaves the values of every other section and key as
// they were.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "runtime/platform/profile.h"
#include "runtime/platform/test_platform.h"

namespace {

const std::string& scratchFile() {
  static const std::string path = [] {
    char pattern[] = "/tmp/dwprofile.XXXXXX";
    std::string dir = ::mkdtemp(pattern) ? pattern : "/tmp";
    return dir + "/FUZZ.INI";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dw::platform;
  // TestPlatform's flush skips fsync, which would make each run take
  // milliseconds.
  static TestPlatform fast;
  static ScopedPlatform scope(fast);
  const std::string& path = scratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const char* sections[] = {"S", "t", "Settings"};
  const char* keys[] = {"A", "b", "Key"};
  std::string before[3][3];
  for (int s = 0; s < 3; ++s)
    for (int k = 0; k < 3; ++k) before[s][k] = getProfileString(sections[s], keys[k], "?", path);
  if (!writeProfileString("T", "B", "new value", path).ok()) return 0;
  for (int s = 0; s < 3; ++s) {
    for (int k = 0; k < 3; ++k) {
      std::string now = getProfileString(sections[s], keys[k], "?", path);
      bool written = s == 1 && k == 1;
      if (written ? now != "new value" : now != before[s][k]) ::abort();
    }
  }
  // A quoted value keeps the blanks inside its quotes.
  if (!writeProfileString("T", "C", "'  quoted  '", path).ok()) ::abort();
  if (getProfileString("t", "c", "?", path) != "  quoted  ") ::abort();
  if (!writeProfileString("T", "B", std::nullopt, path).ok()) ::abort();
  (void)writeProfileString("s", std::nullopt, std::nullopt, path);
  return 0;
}
