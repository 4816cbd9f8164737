// Playing an alarm: a WAV file handed to the desktop's sound service
// (libcanberra), which plays it without blocking the caller.
//
// Thread-safety: any thread; one shared sound context made on first use.
#pragma once

#include <string>

namespace dw::platform {

// Starts playing the file and returns at once; false when the file cannot be
// read or no sound device takes it.
bool playWavAsync(const std::string& path);

}  // namespace dw::platform
