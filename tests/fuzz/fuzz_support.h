// What the database fuzz targets share: a temporary file of their own per
// process, the input written to it, and halting checks that throw (and stay
// quiet) so that a halt ends the input, not the fuzzer.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/lang/errors.h"

namespace dw::fuzz {

// "$TMPDIR/<stem>_<pid><extension>", the same for every call of a process.
inline std::string tempPath(const std::string& stem, const std::string& extension) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + stem + "_" + std::to_string(getpid()) + extension;
}

// Writes the input as the whole file; false when it cannot.
inline bool writeInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  if (size) std::fwrite(data, 1, size, out);
  std::fclose(out);
  return true;
}

// Once per process: halting checks throw HaltRequested and show no box.
inline void throwQuietHalts() {
  static const bool done = [] {
    dw::lang::setHaltThrowsForTesting(true);
    dw::lang::setHaltBoxHook([](std::string_view, std::string_view) {});  // keep output short
    return true;
  }();
  (void)done;
}

}  // namespace dw::fuzz
