// A bounds-checked reader of little-endian fields over untrusted bytes, for
// the picture readers: a read past the end gives 0 and sets failed(), so a
// reader checks once after a group of fields instead of before each one.
// Also the shared result helpers of the readers.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "runtime/image/image.h"

namespace dw::image::detail {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t pos = 0)
      : m_bytes(bytes), m_pos(pos) {}

  std::size_t pos() const { return m_pos; }
  std::size_t size() const { return m_bytes.size(); }
  std::size_t remaining() const { return m_pos < m_bytes.size() ? m_bytes.size() - m_pos : 0; }
  bool failed() const { return m_failed; }
  bool atEnd() const { return m_pos >= m_bytes.size(); }

  void seek(std::size_t pos) {
    if (pos > m_bytes.size()) m_failed = true;
    m_pos = pos;
  }
  void skip(std::size_t n) {
    if (n > remaining()) {
      m_failed = true;
      m_pos = m_bytes.size();
    } else {
      m_pos += n;
    }
  }
  std::uint8_t u8() {
    if (m_pos >= m_bytes.size()) {
      m_failed = true;
      return 0;
    }
    return m_bytes[m_pos++];
  }
  std::uint16_t u16() {
    const std::uint16_t lo = u8();
    return static_cast<std::uint16_t>(lo | (u8() << 8));
  }
  std::uint32_t u32() {
    const std::uint32_t lo = u16();
    return lo | (static_cast<std::uint32_t>(u16()) << 16);
  }
  std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
  // `n` bytes from the current position, or an empty span (and failed())
  // when fewer remain.
  std::span<const std::uint8_t> bytes(std::size_t n) {
    if (n > remaining()) {
      m_failed = true;
      m_pos = m_bytes.size();
      return {};
    }
    std::span<const std::uint8_t> s = m_bytes.subspan(m_pos, n);
    m_pos += n;
    return s;
  }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_pos;
  bool m_failed = false;
};

inline DecodeResult corrupt(std::string why) {
  DecodeResult r;
  r.status = DecodeStatus::Corrupt;
  r.error = std::move(why);
  return r;
}
inline DecodeResult unsupported(std::string why) {
  DecodeResult r;
  r.status = DecodeStatus::Unsupported;
  r.error = std::move(why);
  return r;
}
inline DecodeResult decoded(Image image) {
  DecodeResult r;
  r.status = DecodeStatus::Ok;
  r.image = std::move(image);
  return r;
}

// True when a width and height may be decoded.
inline bool sizeAllowed(std::int64_t w, std::int64_t h) {
  return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide &&
         static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) <= kMaxPixels;
}

// Decodes a device-independent bitmap (the header at `header` of `bytes`,
// its colour table after it).  `pixels` is where the pixel rows start, or 0
// to take them right after the colour table.  An icon's bitmap holds its
// picture and then a 1-bit mask, with the height of both in the header.
enum class DibKind : std::uint8_t { Bitmap, Icon };
DecodeResult decodeDib(std::span<const std::uint8_t> bytes, std::size_t header, std::size_t pixels,
                       DibKind kind);

}  // namespace dw::image::detail
