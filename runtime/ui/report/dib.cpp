// Decoding device-independent bitmaps: see dib.h.
#include "runtime/ui/report/dib.h"

#include <cstdlib>

namespace dw::report {

namespace {
std::uint32_t le(std::span<const std::uint8_t> b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}
}  // namespace

std::optional<Bitmap> decodeDib(std::span<const std::uint8_t> dib) {
  if (dib.size() < 12) return std::nullopt;
  const std::uint32_t headerSize = le(dib, 0, 4);
  std::int64_t width = 0, height = 0;
  std::uint32_t bits = 0, compression = 0, coloursUsed = 0;
  std::size_t paletteEntry = 4;
  if (headerSize == 12) {
    width = le(dib, 4, 2);
    height = static_cast<std::int16_t>(le(dib, 6, 2));
    bits = le(dib, 10, 2);
    paletteEntry = 3;
  } else if (headerSize >= 40 && headerSize <= dib.size()) {
    width = static_cast<std::int32_t>(le(dib, 4, 4));
    height = static_cast<std::int32_t>(le(dib, 8, 4));
    bits = le(dib, 14, 2);
    compression = le(dib, 16, 4);
    coloursUsed = le(dib, 32, 4);
  } else {
    return std::nullopt;
  }
  if (compression != 0 || width <= 0 || height == 0) return std::nullopt;
  const bool topDown = height < 0;
  height = std::llabs(height);
  if (std::uint64_t(width) * std::uint64_t(height) > kMaxDibPixels) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return std::nullopt;
  std::size_t at = headerSize;
  std::uint32_t palette[256] = {};
  if (bits <= 8) {
    const std::uint32_t entries = coloursUsed ? coloursUsed : 1u << bits;
    if (entries > 256 || dib.size() - at < entries * paletteEntry) return std::nullopt;
    for (std::uint32_t i = 0; i < entries; ++i, at += paletteEntry)
      palette[i] = 0xFF000000u | le(dib, at, 3);
  }
  const std::uint64_t stride = ((std::uint64_t(width) * bits + 31) / 32) * 4;
  if ((dib.size() - at) / stride < std::uint64_t(height)) return std::nullopt;
  Bitmap out;
  out.width = static_cast<std::int32_t>(width);
  out.height = static_cast<std::int32_t>(height);
  out.pixels.resize(std::size_t(width) * std::size_t(height));
  for (std::int64_t row = 0; row < height; ++row) {
    const std::size_t src = at + std::size_t((topDown ? row : height - 1 - row) * stride);
    std::uint32_t* dst = &out.pixels[std::size_t(row * width)];
    for (std::int64_t x = 0; x < width; ++x) {
      std::uint32_t c = 0;
      switch (bits) {
        case 1:
        case 4:
        case 8: {
          const std::uint64_t bit = std::uint64_t(x) * bits;
          const std::uint8_t byte = dib[src + bit / 8];
          const int shift = 8 - bits - static_cast<int>(bit % 8);
          c = palette[(byte >> shift) & ((1u << bits) - 1)];
          break;
        }
        case 16: {
          const std::uint32_t v = le(dib, src + 2 * x, 2);  // 5-5-5
          c = 0xFF000000u | ((v >> 10 & 31) * 255 / 31) << 16 | ((v >> 5 & 31) * 255 / 31) << 8 |
              (v & 31) * 255 / 31;
          break;
        }
        case 24:
          c = 0xFF000000u | le(dib, src + 3 * x, 3);
          break;
        case 32:
          c = 0xFF000000u | le(dib, src + 4 * x, 3);
          break;
      }
      dst[x] = c;
    }
  }
  return out;
}

}  // namespace dw::report
