// Alarm sounds: refusals come back at once, and a real file never blocks.
#include "runtime/platform/sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>

#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::TempDir;

// A short PCM WAV file: 8 kHz, 8 bits, mono, 0.1 s of silence.
void writeWav(const std::string& path) {
  const std::uint32_t samples = 800;
  std::string h = "RIFF";
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) h += char(v >> (8 * i));
  };
  auto u16 = [&](std::uint16_t v) {
    h += char(v);
    h += char(v >> 8);
  };
  u32(36 + samples);
  h += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(8000);
  u16(1);
  u16(8);
  h += "data";
  u32(samples);
  h += std::string(samples, char(0x80));
  std::ofstream(path, std::ios::binary) << h;
}

TEST(Sound, UnplayableFilesAreRefusedAtOnce) {
  TempDir dir;
  for (const std::string& path : {dir.file("missing.wav"), dir.path(), std::string()})
    EXPECT_FALSE(playWavAsync(path)) << path;
}

TEST(Sound, PlayingReturnsPromptlyWithOrWithoutADevice) {
  TempDir dir;
  writeWav(dir.file("a.wav"));
  auto begin = std::chrono::steady_clock::now();
  bool first = playWavAsync(dir.file("a.wav"));
  bool second = playWavAsync(dir.file("a.wav"));
  EXPECT_EQ(first, second);  // no device: both false; a device: both true
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
}

}  // namespace
}  // namespace dw::platform
