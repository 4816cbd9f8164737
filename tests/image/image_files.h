// Writers of small picture files for the image tests: each builds the bytes
// of a PCX, GIF, BMP or ICO file from a grid of colours, by the layouts
// docs/images.md gives, so that a decoded picture can be checked pixel by
// pixel against what was written.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace dw::image::files {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// ---- PCX ----

// Run-length encodes one stream: runs of up to 63, and single bytes with
// their top two bits set written as runs of one.
inline Bytes pcxRle(const Bytes& raw) {
  Bytes out;
  for (std::size_t i = 0; i < raw.size();) {
    std::size_t n = 1;
    while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63) ++n;
    if (n > 1 || (raw[i] & 0xC0) == 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | n));
    out.push_back(raw[i]);
    i += n;
  }
  return out;
}

// A PCX file of `width` x `height` whose plane lines (planes x bytesPerLine
// per row, rows top first) are `raw`; `ega` the 16-colour header palette.
inline Bytes pcxFile(int width, int height, int bits, int planes, int bytesPerLine,
                     const Bytes& raw, const Bytes& ega = {}, bool rle = true) {
  Bytes b(128, 0);
  b[0] = 10;
  b[1] = 5;
  b[2] = rle ? 1 : 0;
  b[3] = static_cast<std::uint8_t>(bits);
  b[8] = static_cast<std::uint8_t>(width - 1);
  b[9] = static_cast<std::uint8_t>((width - 1) >> 8);
  b[10] = static_cast<std::uint8_t>(height - 1);
  b[11] = static_cast<std::uint8_t>((height - 1) >> 8);
  for (std::size_t i = 0; i < ega.size() && i < 48; ++i) b[16 + i] = ega[i];
  b[65] = static_cast<std::uint8_t>(planes);
  b[66] = static_cast<std::uint8_t>(bytesPerLine);
  b[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
  const Bytes body = rle ? pcxRle(raw) : raw;
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// ---- GIF ----

// LZW as GIF writes it: codes from minCodeSize + 1 bits up to 12, a clear
// code first and whenever the table is full, then the end code; packed
// into sub-blocks of at most 255 bytes.
inline Bytes gifLzw(const Bytes& indexes, int minCodeSize) {
  const int clear = 1 << minCodeSize, end = clear + 1;
  std::vector<int> table(4096 * 256, -1);  // (prefix, byte) -> code
  int width = minCodeSize + 1, next = clear + 2;
  Bytes packed;
  std::uint32_t bits = 0;
  int count = 0;
  const auto emit = [&](int code) {
    bits |= static_cast<std::uint32_t>(code) << count;
    count += width;
    while (count >= 8) {
      packed.push_back(static_cast<std::uint8_t>(bits));
      bits >>= 8;
      count -= 8;
    }
  };
  emit(clear);
  int prefix = indexes.empty() ? -1 : indexes[0];
  for (std::size_t i = 1; i < indexes.size(); ++i) {
    const int k = indexes[i];
    const int found = table[prefix * 256 + k];
    if (found >= 0) {
      prefix = found;
      continue;
    }
    emit(prefix);
    if (next < 4096) {
      table[prefix * 256 + k] = next++;
      if (next > (1 << width) && width < 12) ++width;
    } else {
      emit(clear);
      std::fill(table.begin(), table.end(), -1);
      width = minCodeSize + 1;
      next = clear + 2;
    }
    prefix = k;
  }
  if (prefix >= 0) {
    emit(prefix);
    // A reader adds an entry for this code too, and may widen the codes
    // before it reads the end code.
    if (next < 4096 && ++next > (1 << width) && width < 12) ++width;
  }
  emit(end);
  if (count > 0) packed.push_back(static_cast<std::uint8_t>(bits));
  Bytes out;
  out.push_back(static_cast<std::uint8_t>(minCodeSize));
  for (std::size_t i = 0; i < packed.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
               packed.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  Bytes indexes;       // width * height, rows top first (not interlaced)
  Bytes localPalette;  // RGB triples, empty for none
  bool interlaced = false;
  int transparent = -1;  // index, or -1
};

// A GIF89a file with a `screenW` x `screenH` screen, the global palette
// (RGB triples, a power of two of them) and one frame.
inline Bytes gifFile(int screenW, int screenH, const Bytes& global, const GifFrame& f,
                     int minCodeSize = 2) {
  const auto tableBits = [](std::size_t triples) {
    int n = 0;
    while ((2u << n) < triples) ++n;
    return n;
  };
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  put16(b, screenW);
  put16(b, screenH);
  b.push_back(global.empty() ? 0 : static_cast<std::uint8_t>(0x80 | tableBits(global.size() / 3)));
  b.push_back(0);
  b.push_back(0);
  b.insert(b.end(), global.begin(), global.end());
  if (f.transparent >= 0) {
    b.insert(b.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(f.transparent), 0});
  }
  b.insert(b.end(), {0x21, 0xFE, 3, 'h', 'i', '!', 0});  // a comment, skipped
  b.push_back(0x2C);
  put16(b, f.left);
  put16(b, f.top);
  put16(b, f.width);
  put16(b, f.height);
  std::uint8_t flags = f.interlaced ? 0x40 : 0;
  if (!f.localPalette.empty()) flags |= 0x80 | tableBits(f.localPalette.size() / 3);
  b.push_back(flags);
  b.insert(b.end(), f.localPalette.begin(), f.localPalette.end());
  Bytes rows = f.indexes;
  if (f.interlaced) {
    rows.clear();
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = starts[pass]; y < f.height; y += steps[pass])
        rows.insert(rows.end(), f.indexes.begin() + y * f.width,
                    f.indexes.begin() + (y + 1) * f.width);
  }
  const Bytes data = gifLzw(rows, minCodeSize);
  b.insert(b.end(), data.begin(), data.end());
  b.push_back(0x3B);
  return b;
}

// ---- BMP and ICO ----

// A 40-byte bitmap header.
inline Bytes dibHeader(int width, int height, int bits, std::uint32_t compression = 0,
                       std::uint32_t colours = 0) {
  Bytes b;
  put32(b, 40);
  put32(b, static_cast<std::uint32_t>(width));
  put32(b, static_cast<std::uint32_t>(height));
  put16(b, 1);
  put16(b, bits);
  put32(b, compression);
  put32(b, 0);
  put32(b, 2835);
  put32(b, 2835);
  put32(b, colours);
  put32(b, 0);
  return b;
}

// A BMP file: the file header, then `dib` (header, masks, colour table)
// and the pixel rows.
inline Bytes bmpFile(const Bytes& dib, const Bytes& pixels) {
  Bytes b = {'B', 'M'};
  put32(b, static_cast<std::uint32_t>(14 + dib.size() + pixels.size()));
  put32(b, 0);
  put32(b, static_cast<std::uint32_t>(14 + dib.size()));
  b.insert(b.end(), dib.begin(), dib.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// An icon file of the given images (each a bitmap header with doubled
// height, colour table, pixels and mask; or PNG bytes).
inline Bytes icoFile(const std::vector<std::pair<int, Bytes>>& images) {
  Bytes b;
  put16(b, 0);
  put16(b, 1);
  put16(b, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const auto& [side, data] : images) {
    b.push_back(static_cast<std::uint8_t>(side));
    b.push_back(static_cast<std::uint8_t>(side));
    b.insert(b.end(), {0, 0, 1, 0, 32, 0});
    put32(b, static_cast<std::uint32_t>(data.size()));
    put32(b, offset);
    offset += static_cast<std::uint32_t>(data.size());
  }
  for (const auto& image : images) b.insert(b.end(), image.second.begin(), image.second.end());
  return b;
}

}  // namespace dw::image::files
