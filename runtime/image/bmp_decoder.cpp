// The BMP reader and the device-independent bitmaps that BMP files and
// icons hold (see image.h, docs/images.md).
//
// A BMP file is "BM", the file size, 4 reserved bytes and the offset of
// the pixel rows (32-bit), then a bitmap header:
//
//   size 12:   width, height (16-bit), planes, bits per pixel
//   size 40+:  width, height (32-bit; a negative height stores the rows top
//              first), planes, bits per pixel, compression (0 none, 1 RLE8,
//              2 RLE4, 3 bit fields), image size, resolution, colours used,
//              colours important; from size 52 the red, green and blue
//              masks, from 56 the alpha mask
//
// then the colour table (3-byte entries after a 12-byte header, else 4:
// blue, green, red, reserved), for 1, 4 and 8 bits per pixel.  Rows are
// stored bottom first unless the height is negative, each padded to four
// bytes.  16 bits without masks are 5-5-5; 32 bits without masks are
// blue, green, red and an unused byte (opaque).  With compression 3 the
// masks follow a 40-byte header.
//
// In an icon the header's height counts the picture and the 1-bit mask
// after it (bit 1: transparent); 32-bit icons carry alpha in their fourth
// byte and use the mask only when every alpha is 0.
#include <array>
#include <bit>

#include "runtime/image/byte_reader.h"

namespace dw::image {

namespace {

using detail::corrupt;

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

// A channel of a bit-field pixel scaled to 0..255.
std::uint8_t channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t top = mask >> shift;
  const std::uint32_t v = (value & mask) >> shift;
  return static_cast<std::uint8_t>(top == 0 ? 0 : (v * 255 + top / 2) / top);
}

std::size_t rowStride(std::int64_t width, int bits) {
  return static_cast<std::size_t>((width * bits + 31) / 32 * 4);
}

// Decodes RLE8 or RLE4 data into `img` (bottom row first in the data);
// pixels the data skips stay transparent.  False for truncated or broken
// data.
bool decodeRle(std::span<const std::uint8_t> data, int bits, const std::array<Rgba, 256>& palette,
               Image& img) {
  const int width = img.width, height = img.height;
  std::size_t pos = 0;
  int x = 0, y = 0;
  const auto put = [&](int index) {
    if (x < width && y < height) {
      const Rgba& c = palette[index];
      img.set(x, height - 1 - y, c.r, c.g, c.b);
    }
    ++x;
  };
  while (pos + 1 < data.size()) {
    const std::uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 15));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (pos + 1 >= data.size()) return false;
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
    } else {  // `value` literal pixels, padded to a 16-bit boundary
      const std::size_t n = bits == 8 ? value : (value + 1) / 2;
      if (data.size() - pos < n) return false;
      for (int i = 0; i < value; ++i) {
        const std::uint8_t b = data[pos + (bits == 8 ? i : i / 2)];
        put(bits == 8 ? b : (i % 2 == 0 ? b >> 4 : b & 15));
      }
      pos += (n + 1) & ~std::size_t{1};
    }
    if (y > height) return false;
  }
  // The data ended without its end-of-bitmap mark.
  return false;
}

}  // namespace

namespace detail {

DecodeResult decodeDib(std::span<const std::uint8_t> bytes, std::size_t header, std::size_t pixels,
                       DibKind kind) {
  ByteReader in(bytes, header);
  const std::uint32_t headerSize = in.u32();
  std::int64_t width = 0, height = 0;
  int bits = 0;
  std::uint32_t compression = 0, coloursUsed = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  bool core = false;
  if (headerSize == 12) {
    core = true;
    width = in.u16();
    height = static_cast<std::int16_t>(in.u16());
    in.u16();
    bits = in.u16();
  } else if (headerSize >= 40 && headerSize <= 256) {
    width = in.s32();
    height = in.s32();
    in.u16();
    bits = in.u16();
    compression = in.u32();
    in.skip(12);
    coloursUsed = in.u32();
    in.u32();
    if (headerSize >= 52 || compression == 3) {
      for (int i = 0; i < (headerSize >= 56 ? 4 : 3); ++i) masks[i] = in.u32();
    }
  } else {
    return corrupt("unknown bitmap header size " + std::to_string(headerSize));
  }
  if (in.failed()) return corrupt("truncated bitmap header");
  const bool topDown = height < 0 && kind == DibKind::Bitmap;
  if (height < 0) height = -height;
  if (kind == DibKind::Icon) height /= 2;
  if (compression == 4 || compression == 5) return unsupported("JPEG or PNG inside a bitmap");
  const bool rle = compression == 1 || compression == 2;
  if (compression > 3 || (compression == 1 && bits != 8) || (compression == 2 && bits != 4) ||
      (compression == 3 && bits != 16 && bits != 32) || (rle && topDown)) {
    return corrupt("unknown bitmap compression");
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return corrupt("bitmap of " + std::to_string(bits) + " bits per pixel");
  if (!sizeAllowed(width, height)) return corrupt("bitmap too large or empty");
  const int w = static_cast<int>(width), h = static_cast<int>(height);

  // The colour table follows the header (and the masks of a 40-byte header
  // with bit fields).
  std::array<Rgba, 256> palette{};
  std::size_t tableAt = header + headerSize + (headerSize == 40 && compression == 3 ? 12 : 0);
  in.seek(tableAt);
  if (bits <= 8) {
    std::uint32_t entries = coloursUsed ? coloursUsed : (1u << bits);
    if (entries > 256) return corrupt("bitmap colour table too large");
    for (std::uint32_t i = 0; i < entries; ++i) {
      palette[i].b = in.u8();
      palette[i].g = in.u8();
      palette[i].r = in.u8();
      if (!core) in.u8();
    }
    if (in.failed()) return corrupt("truncated colour table");
  }
  if (pixels == 0) pixels = in.pos();
  if (pixels > bytes.size()) return corrupt("bitmap pixels outside the file");
  const std::span<const std::uint8_t> data = bytes.subspan(pixels);
  const std::size_t stride = rowStride(w, bits);

  if (rle) {
    // Two bytes of RLE data move down at most 255 rows (a delta takes 4).
    if (data.size() < 4 * (static_cast<std::size_t>(h) / 255)) return corrupt("truncated RLE data");
    Image img;
    img.allocate(w, h);
    if (!decodeRle(data, bits, palette, img)) return corrupt("truncated or broken RLE data");
    return decoded(std::move(img));
  }
  if (data.size() / stride < static_cast<std::size_t>(h)) return corrupt("truncated bitmap pixels");
  Image img;
  img.allocate(w, h);
  if (compression != 3 && bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  bool anyAlpha = false;
  for (int row = 0; row < h; ++row) {
    const std::uint8_t* line = &data[stride * row];
    const int y = topDown ? row : h - 1 - row;
    for (int x = 0; x < w; ++x) {
      Rgba c;
      if (bits <= 8) {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        c = palette[(line[x / perByte] >> shift) & ((1 << bits) - 1)];
      } else if (bits == 24) {
        c = {line[3 * x + 2], line[3 * x + 1], line[3 * x], 255};
      } else if (bits == 32 && compression != 3) {
        c = {line[4 * x + 2], line[4 * x + 1], line[4 * x],
             kind == DibKind::Icon ? line[4 * x + 3] : std::uint8_t(255)};
      } else {
        const std::uint32_t v =
            bits == 16 ? (line[2 * x] | (line[2 * x + 1] << 8))
                       : (line[4 * x] | (line[4 * x + 1] << 8) | (line[4 * x + 2] << 16) |
                          (std::uint32_t{line[4 * x + 3]} << 24));
        c = {channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]),
             masks[3] ? channel(v, masks[3]) : std::uint8_t(255)};
      }
      if (c.a != 0) anyAlpha = true;
      img.set(x, y, c.r, c.g, c.b, c.a);
    }
  }
  if (kind == DibKind::Icon && (bits < 32 || !anyAlpha)) {
    // The 1-bit mask after the picture: 1 is transparent.
    const std::size_t maskStride = rowStride(w, 1);
    const std::size_t maskAt = stride * h;
    if ((data.size() - maskAt) / maskStride < static_cast<std::size_t>(h))
      return corrupt("truncated icon mask");
    for (int row = 0; row < h; ++row) {
      const std::uint8_t* line = &data[maskAt + maskStride * row];
      for (int x = 0; x < w; ++x) {
        const bool clear = (line[x / 8] >> (7 - x % 8)) & 1;
        std::uint8_t* p = &img.rgba[(static_cast<std::size_t>(h - 1 - row) * w + x) * 4];
        if (clear) {
          p[0] = p[1] = p[2] = p[3] = 0;
        } else {
          p[3] = 255;
        }
      }
    }
  }
  return decoded(std::move(img));
}

}  // namespace detail

DecodeResult decodeBmp(std::span<const std::uint8_t> bytes) {
  detail::ByteReader in(bytes);
  const std::uint8_t b = in.u8(), m = in.u8();
  in.skip(8);
  const std::uint32_t pixels = in.u32();
  if (in.failed()) return corrupt("truncated BMP header");
  if (b != 'B' || m != 'M') return corrupt("not a BMP file");
  if (pixels < 14) return corrupt("BMP pixels overlap the header");
  return detail::decodeDib(bytes, 14, pixels, detail::DibKind::Bitmap);
}

DecodeResult decodeIco(std::span<const std::uint8_t> bytes) {
  detail::ByteReader in(bytes);
  const std::uint16_t reserved = in.u16(), type = in.u16(), count = in.u16();
  if (in.failed()) return corrupt("truncated icon header");
  if (reserved != 0 || (type != 1 && type != 2) || count == 0) return corrupt("not an icon file");
  // The entry with the most pixels, then the most bits per pixel.
  std::span<const std::uint8_t> best;
  std::uint64_t bestScore = 0;
  bool png = false;
  for (int i = 0; i < count; ++i) {
    in.skip(8);
    const std::uint32_t size = in.u32(), offset = in.u32();
    if (in.failed()) return corrupt("truncated icon directory");
    if (offset > bytes.size() || size > bytes.size() - offset || size < 4) continue;
    const std::span<const std::uint8_t> entry = bytes.subspan(offset, size);
    if (entry[0] == 0x89 && entry[1] == 'P' && entry[2] == 'N' && entry[3] == 'G') {
      png = true;
      continue;
    }
    detail::ByteReader dib(entry);
    const std::uint32_t headerSize = dib.u32();
    const std::int64_t w = headerSize == 12 ? dib.u16() : dib.s32();
    const std::int64_t h = headerSize == 12 ? dib.u16() : dib.s32();
    dib.u16();
    const std::uint16_t bits = dib.u16();
    if (dib.failed() || !detail::sizeAllowed(w, h / 2)) continue;
    const std::uint64_t score = (static_cast<std::uint64_t>(w * (h / 2)) << 8) | (bits & 0xFF);
    if (score > bestScore) {
      bestScore = score;
      best = entry;
    }
  }
  if (best.empty()) {
    return png ? detail::unsupported("an icon of PNG pictures") : corrupt("no usable icon image");
  }
  return detail::decodeDib(best, 0, 0, detail::DibKind::Icon);
}

}  // namespace dw::image
