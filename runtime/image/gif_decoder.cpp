// The GIF reader (see image.h, docs/images.md): the first image of a GIF87a
// or GIF89a file on its logical screen.
//
//   "GIF87a" or "GIF89a", screen width and height (16-bit), flags (bit 7 a
//   global colour table of 2^(bits 0-2 + 1) entries), background, aspect;
//   then blocks: 0x21 extensions (0xF9 the graphic control with the
//   transparent index), 0x2C an image (left, top, width, height, flags:
//   bit 7 a local colour table, bit 6 interlaced; the LZW minimum code size
//   and the data in sub-blocks of up to 255 bytes, ended by an empty one),
//   0x3B the end.
//
// The screen outside the image is transparent.  LZW codes start one bit
// wider than the minimum code size, with a clear and an end code after the
// colours; the table grows to 4096 entries and then stays until a clear.
// Data that ends before every pixel is decoded is refused as truncated; an
// end code before the last pixel leaves the rest transparent.
#include <array>

#include "runtime/image/byte_reader.h"

namespace dw::image {

namespace {

using detail::corrupt;

constexpr int kMaxCodes = 4096;

struct Palette {
  std::array<std::uint8_t, 768> rgb{};
  int size = 0;
};

bool readPalette(detail::ByteReader& in, int entries, Palette& p) {
  p.size = entries;
  for (int i = 0; i < entries * 3; ++i) p.rgb[i] = in.u8();
  return !in.failed();
}

// Skips sub-blocks up to and including the empty one.
bool skipSubBlocks(detail::ByteReader& in) {
  for (;;) {
    const std::uint8_t n = in.u8();
    if (in.failed()) return false;
    if (n == 0) return true;
    in.skip(n);
  }
}

// Reads codes of a growing width from the chain of sub-blocks.
class CodeStream {
 public:
  explicit CodeStream(detail::ByteReader& in) : m_in(in) {}
  // The next code, or -1 when the data (or the input) ends.
  int next(int width) {
    while (m_bitCount < width) {
      if (m_blockLeft == 0) {
        if (m_ended) return -1;
        m_blockLeft = m_in.u8();
        if (m_in.failed() || m_blockLeft == 0) {
          m_ended = true;
          return -1;
        }
      }
      const std::uint8_t b = m_in.u8();
      if (m_in.failed()) {
        m_ended = true;
        return -1;
      }
      --m_blockLeft;
      m_bits |= static_cast<std::uint32_t>(b) << m_bitCount;
      m_bitCount += 8;
    }
    const int code = static_cast<int>(m_bits & ((1u << width) - 1));
    m_bits >>= width;
    m_bitCount -= width;
    return code;
  }

 private:
  detail::ByteReader& m_in;
  std::uint32_t m_bits = 0;
  int m_bitCount = 0;
  int m_blockLeft = 0;
  bool m_ended = false;
};

// Decodes up to `pixels` colour indexes into `out`, which grows with the
// data (so a header that claims more than the data holds costs nothing);
// returns false for corrupt or truncated data.  Fewer indexes come back
// after an early end code.
bool decodeLzw(detail::ByteReader& in, int minCodeSize, std::size_t pixels,
               std::vector<std::uint8_t>& out) {
  const int clear = 1 << minCodeSize, endCode = clear + 1;
  std::array<std::uint16_t, kMaxCodes> prefix{};
  std::array<std::uint8_t, kMaxCodes> suffix{};
  std::array<std::uint8_t, kMaxCodes> first{};
  std::array<std::uint8_t, kMaxCodes + 1> stack{};
  for (int i = 0; i < clear; ++i) {
    suffix[i] = static_cast<std::uint8_t>(i);
    first[i] = static_cast<std::uint8_t>(i);
  }
  int width = minCodeSize + 1, next = clear + 2, previous = -1;
  CodeStream codes(in);
  out.clear();
  while (out.size() < pixels) {
    const int code = codes.next(width);
    if (code < 0) return false;  // the data ended before the last pixel
    if (code == clear) {
      width = minCodeSize + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == endCode) break;
    if (previous < 0) {
      if (code >= clear) return false;
      out.push_back(static_cast<std::uint8_t>(code));
      previous = code;
      continue;
    }
    if (code > next || (code == next && next >= kMaxCodes)) return false;
    // Unwind the string of `code` (or of `previous` plus its first byte
    // when the code is the one about to be added).
    int sp = 0;
    int c = code;
    if (code == next) {
      stack[sp++] = first[previous];
      c = previous;
    }
    while (c >= clear) {
      stack[sp++] = suffix[c];
      c = prefix[c];
    }
    stack[sp++] = static_cast<std::uint8_t>(c);
    const std::uint8_t head = static_cast<std::uint8_t>(c);
    while (sp > 0 && out.size() < pixels) out.push_back(stack[--sp]);
    if (next < kMaxCodes) {
      prefix[next] = static_cast<std::uint16_t>(previous);
      suffix[next] = head;
      first[next] = first[previous];
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
    previous = code;
  }
  // Only the first image is shown: what follows it is not read.
  return true;
}

}  // namespace

DecodeResult decodeGif(std::span<const std::uint8_t> bytes) {
  detail::ByteReader in(bytes);
  const auto magic = in.bytes(6);
  if (in.failed() || (magic[4] != '7' && magic[4] != '9') || magic[0] != 'G' || magic[1] != 'I' ||
      magic[2] != 'F' || magic[3] != '8' || magic[5] != 'a') {
    return corrupt("not a GIF file");
  }
  const int screenWidth = in.u16(), screenHeight = in.u16();
  const std::uint8_t flags = in.u8();
  in.skip(2);  // background, aspect
  if (in.failed()) return corrupt("truncated GIF header");
  Palette global;
  if ((flags & 0x80) && !readPalette(in, 2 << (flags & 7), global))
    return corrupt("truncated GIF colour table");
  int transparent = -1;
  for (;;) {
    const std::uint8_t block = in.u8();
    if (in.failed()) return corrupt("truncated GIF: no image");
    if (block == 0x3B) return corrupt("GIF without an image");
    if (block == 0x21) {
      const std::uint8_t label = in.u8();
      if (label == 0xF9) {
        const std::uint8_t size = in.u8();
        const std::size_t start = in.pos();
        const std::uint8_t gce = in.u8();
        in.skip(2);  // delay
        const std::uint8_t index = in.u8();
        if (in.failed() || size < 4) return corrupt("truncated GIF graphic control");
        transparent = (gce & 1) ? index : -1;
        in.seek(start + size);
      }
      if (!skipSubBlocks(in)) return corrupt("truncated GIF extension");
      continue;
    }
    if (block != 0x2C) return corrupt("unknown GIF block");
    break;
  }
  const int left = in.u16(), top = in.u16(), width = in.u16(), height = in.u16();
  const std::uint8_t imageFlags = in.u8();
  if (in.failed()) return corrupt("truncated GIF image descriptor");
  Palette local;
  if ((imageFlags & 0x80) && !readPalette(in, 2 << (imageFlags & 7), local))
    return corrupt("truncated GIF colour table");
  const Palette& palette = (imageFlags & 0x80) ? local : global;
  const int minCodeSize = in.u8();
  if (in.failed()) return corrupt("truncated GIF image");
  if (minCodeSize < 2 || minCodeSize > 8) return corrupt("bad GIF code size");
  // A screen of 0 x 0 takes the image's size, as readers commonly do.
  const int canvasW = screenWidth ? screenWidth : left + width;
  const int canvasH = screenHeight ? screenHeight : top + height;
  if (!detail::sizeAllowed(canvasW, canvasH) || !detail::sizeAllowed(width, height))
    return corrupt("GIF picture too large or empty");
  // One LZW code (of at least 3 bits) stands for at most 4096 pixels: a
  // stream shorter than that bound cannot describe the image.
  const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
  if (in.remaining() < pixels / 4096) return corrupt("truncated GIF data");
  // A screen far larger than its only image shown is not a picture anyone
  // drew; refusing it keeps a few bytes from costing a large canvas.
  const std::uint64_t screen = static_cast<std::uint64_t>(canvasW) * canvasH;
  if (screen > (1u << 20) && screen / 64 > pixels) return corrupt("GIF screen out of proportion");

  std::vector<std::uint8_t> indexes;
  if (!decodeLzw(in, minCodeSize, pixels, indexes)) return corrupt("corrupt or truncated GIF data");
  const long done = static_cast<long>(indexes.size());

  Image img;
  img.allocate(canvasW, canvasH);
  // Row order of interlaced images: every 8th from 0, from 4, every 4th
  // from 2, every 2nd from 1.
  std::vector<int> rows;
  rows.reserve(height);
  if (imageFlags & 0x40) {
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = starts[pass]; y < height; y += steps[pass]) rows.push_back(y);
  } else {
    for (int y = 0; y < height; ++y) rows.push_back(y);
  }
  for (long i = 0; i < done; ++i) {
    const int x = left + static_cast<int>(i % width);
    const int y = top + rows[static_cast<std::size_t>(i / width)];
    if (x >= canvasW || y >= canvasH) continue;
    const int index = indexes[i];
    if (index == transparent) continue;
    if (index < palette.size) {
      img.set(x, y, palette.rgb[index * 3], palette.rgb[index * 3 + 1], palette.rgb[index * 3 + 2]);
    } else if (palette.size == 0) {
      // No colour table at all: grey levels of the code size.
      const int v = index * 255 / ((1 << minCodeSize) - 1);
      img.set(x, y, std::uint8_t(v), std::uint8_t(v), std::uint8_t(v));
    } else {
      img.set(x, y, 0, 0, 0);
    }
  }
  return detail::decoded(std::move(img));
}

}  // namespace dw::image
