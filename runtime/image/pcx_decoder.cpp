// The PCX reader (see image.h, docs/images.md).
//
// A PCX file is a 128-byte header, the pixel rows, and for 256-colour
// pictures a palette at the end (the byte 12 and 768 bytes of RGB).
//
//   0  maker (10)         1  version (0, 2, 3, 4, 5)   2  encoding (1: RLE)
//   3  bits per pixel      4  xmin, ymin, xmax, ymax (16-bit each)
//   16 16-colour palette (48 bytes of RGB)
//   65 planes             66 bytes per plane line (16-bit)
//
// Each row holds `planes` plane lines of `bytes per line` bytes one after
// the other.  Run-length encoding: a byte with its top two bits set gives
// a count (its low six bits) for the byte after it; any other byte stands
// for itself.  Runs may carry on from one line to the next, so the stream
// is decoded as a whole.
//
// Layouts read: 1 bit x 1 plane (black and white), 1 bit x 2-4 planes and
// 2 or 4 bits x 1 plane (the header's 16-colour palette), 8 bits x 1 plane
// (the 256-colour palette at the end, else grey levels), 8 bits x 3 planes
// (RGB) and 8 bits x 4 planes (RGB and alpha).
#include <algorithm>
#include <array>

#include "runtime/image/byte_reader.h"

namespace dw::image {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteTrailer = 769;  // 12, then 256 RGB triples

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

}  // namespace

DecodeResult decodePcx(std::span<const std::uint8_t> bytes) {
  using detail::corrupt;
  detail::ByteReader in(bytes);
  const std::uint8_t maker = in.u8(), version = in.u8(), encoding = in.u8(), bits = in.u8();
  const int xmin = in.u16(), ymin = in.u16(), xmax = in.u16(), ymax = in.u16();
  in.seek(16);
  std::array<Rgb, 16> egaPalette;
  for (Rgb& c : egaPalette) c = {in.u8(), in.u8(), in.u8()};
  in.seek(65);
  const int planes = in.u8();
  const int bytesPerLine = in.u16();
  if (in.failed() || bytes.size() < kHeaderSize) return corrupt("truncated PCX header");
  if (maker != 0x0A || version > 5 || version == 1 || encoding > 1)
    return corrupt("not a PCX file");
  if (xmax < xmin || ymax < ymin) return corrupt("PCX picture bounds are reversed");
  const int width = xmax - xmin + 1, height = ymax - ymin + 1;

  enum class Layout { Mono, Planar16, Packed16, Palette256, Rgb, Rgba } layout;
  if (bits == 1 && planes == 1) {
    layout = Layout::Mono;
  } else if (bits == 1 && planes >= 2 && planes <= 4) {
    layout = Layout::Planar16;
  } else if ((bits == 2 || bits == 4) && planes == 1) {
    layout = Layout::Packed16;
  } else if (bits == 8 && planes == 1) {
    layout = Layout::Palette256;
  } else if (bits == 8 && planes == 3) {
    layout = Layout::Rgb;
  } else if (bits == 8 && planes == 4) {
    layout = Layout::Rgba;
  } else {
    return corrupt("PCX layout of " + std::to_string(bits) + " bits x " + std::to_string(planes) +
                   " planes is not read");
  }
  if (bytesPerLine * 8 < width * bits) return corrupt("PCX lines are shorter than the picture");
  if (!detail::sizeAllowed(width, height)) return corrupt("PCX picture too large");

  const std::size_t lineBytes = static_cast<std::size_t>(bytesPerLine) * planes;
  const std::size_t total = lineBytes * height;
  // A run codes at most 63 bytes in two: a stream cannot be shorter.
  const std::size_t body = bytes.size() - kHeaderSize;
  if (encoding == 1 ? body < total / 63 * 2 : body < total) return corrupt("truncated PCX data");

  // The 256-colour palette, when the file ends with one.
  std::array<Rgb, 256> palette;
  for (int i = 0; i < 256; ++i) palette[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
  std::size_t end = bytes.size();
  if (layout == Layout::Palette256 && bytes.size() >= kHeaderSize + kPaletteTrailer &&
      bytes[bytes.size() - kPaletteTrailer] == 12) {
    const std::size_t at = bytes.size() - kPaletteTrailer + 1;
    for (int i = 0; i < 256; ++i)
      palette[i] = {bytes[at + 3 * i], bytes[at + 3 * i + 1], bytes[at + 3 * i + 2]};
    end = bytes.size() - kPaletteTrailer;
  }

  std::vector<std::uint8_t> data(total);
  std::size_t out = 0, pos = kHeaderSize;
  if (encoding == 0) {
    if (end - pos < total) return corrupt("truncated PCX data");
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(pos), total, data.begin());
  } else {
    while (out < total) {
      if (pos >= end) return corrupt("truncated PCX data");
      std::uint8_t b = bytes[pos++];
      std::size_t count = 1;
      if ((b & 0xC0) == 0xC0) {
        count = b & 0x3F;
        if (pos >= end) return corrupt("truncated PCX data");
        b = bytes[pos++];
      }
      count = std::min(count, total - out);
      std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(out), count, b);
      out += count;
    }
  }

  Image img;
  img.allocate(width, height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* line = &data[lineBytes * y];
    for (int x = 0; x < width; ++x) {
      const auto bit = [&](int plane) {
        return (line[plane * bytesPerLine + x / 8] >> (7 - x % 8)) & 1;
      };
      switch (layout) {
        case Layout::Mono: {
          const std::uint8_t v = bit(0) ? 255 : 0;
          img.set(x, y, v, v, v);
          break;
        }
        case Layout::Planar16: {
          int index = 0;
          for (int p = 0; p < planes; ++p) index |= bit(p) << p;
          const Rgb& c = egaPalette[index];
          img.set(x, y, c.r, c.g, c.b);
          break;
        }
        case Layout::Packed16: {
          const int perByte = 8 / bits;
          const int shift = 8 - bits * (x % perByte + 1);
          const int index = (line[x / perByte] >> shift) & ((1 << bits) - 1);
          const Rgb& c = egaPalette[index];
          img.set(x, y, c.r, c.g, c.b);
          break;
        }
        case Layout::Palette256: {
          const Rgb& c = palette[line[x]];
          img.set(x, y, c.r, c.g, c.b);
          break;
        }
        case Layout::Rgb:
          img.set(x, y, line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
          break;
        case Layout::Rgba:
          img.set(x, y, line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x],
                  line[3 * bytesPerLine + x]);
          break;
      }
    }
  }
  return detail::decoded(std::move(img));
}

}  // namespace dw::image
