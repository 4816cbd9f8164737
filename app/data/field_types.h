// Field types of the application's record buffers.
//
// A record buffer is the exact byte image that the database stores, so every
// field type here has alignment 1, no padding and a size equal to its stored
// width; a record struct made of them has the layout its members spell out,
// which static_asserts on offsetof/sizeof check beside each record.
//
//  - Num<T>: a little-endian number of sizeof(T) bytes (BYTE, SHORT, LONG).
//    Reads and writes go through memcpy, so no misaligned access happens
//    whatever the offset.  (On a big-endian host the bytes would need a swap;
//    the platform layer supports little-endian hosts only.)
//  - Text<N>: STRING(N), N bytes of text padded with blanks.  Compared with
//    trailing blanks ignored; set() pads or cuts to N.
//  - CText<N>: CSTRING(N), at most N-1 characters ended by a zero byte
//    within the N bytes.  set() cuts to N-1 and zero-fills the rest.
//  - Decimal<N>: DECIMAL of N bytes with no decimal places, packed: the high
//    nibble of the first byte is the sign (0 positive, 0xF negative), then
//    2N-1 digits, most significant first, one per nibble.
//
// Values of these types are plain bytes: any thread may use one that it owns;
// the process-wide record buffers are guarded by the Runtime lock.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace dw::app {

static_assert(std::endian::native == std::endian::little,
              "record numbers are stored in the host's order, which must be little-endian");

template <typename T>
struct Num {
  unsigned char bytes[sizeof(T)];

  T get() const {
    T v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
  }
  void set(T v) { std::memcpy(bytes, &v, sizeof v); }
  operator T() const { return get(); }
  Num& operator=(T v) {
    set(v);
    return *this;
  }
  Num& operator+=(T v) {
    set(static_cast<T>(get() + v));
    return *this;
  }
  Num& operator-=(T v) {
    set(static_cast<T>(get() - v));
    return *this;
  }
};

using Byte = std::uint8_t;  // BYTE: one byte needs no wrapper
using Short = Num<std::int16_t>;
using Long = Num<std::int32_t>;

// Text with trailing blanks removed.
std::string_view trimRight(std::string_view text);

template <std::size_t N>
struct Text {
  char bytes[N];

  static constexpr std::size_t size() { return N; }
  // The whole field, blanks included.
  std::string_view raw() const { return {bytes, N}; }
  // The text without its trailing blanks.
  std::string_view trimmed() const { return trimRight(raw()); }
  std::string str() const { return std::string(trimmed()); }
  void set(std::string_view text) {
    const std::size_t n = std::min(text.size(), N);
    std::memcpy(bytes, text.data(), n);
    std::memset(bytes + n, ' ', N - n);
  }
  void clear() { std::memset(bytes, ' ', N); }
  bool isBlank() const { return trimmed().empty(); }
  Text& operator=(std::string_view text) {
    set(text);
    return *this;
  }
  // Compared as stored texts are: trailing blanks do not count.
  bool operator==(std::string_view text) const { return trimmed() == trimRight(text); }
};

template <std::size_t N>
struct CText {
  static_assert(N >= 1, "a CSTRING holds at least its terminator");
  char bytes[N];

  static constexpr std::size_t size() { return N; }
  // The text up to the first zero byte (or all N bytes when none is found,
  // as a damaged record may have).
  std::string_view view() const {
    const void* zero = std::memchr(bytes, 0, N);
    return {bytes, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : N};
  }
  std::string str() const { return std::string(view()); }
  void set(std::string_view text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(bytes, text.data(), n);
    std::memset(bytes + n, 0, N - n);
  }
  void clear() { std::memset(bytes, 0, N); }
  CText& operator=(std::string_view text) {
    set(text);
    return *this;
  }
  bool operator==(std::string_view text) const { return view() == text; }
};

// Packed decimal helpers over raw bytes (size 1..10, no decimal places).
// The largest magnitude `size` bytes can hold: 2*size-1 nines, or the
// largest 64-bit number for ten bytes.
std::int64_t packedDecimalLimit(std::size_t size);
// Stores value; false (and the bytes unchanged) when it does not fit.
bool packDecimal(unsigned char* bytes, std::size_t size, std::int64_t value);
// The stored value; nullopt when a digit nibble is not 0..9 or the value
// lies beyond the 64-bit range.
std::optional<std::int64_t> unpackDecimal(const unsigned char* bytes, std::size_t size);

template <std::size_t N>
struct Decimal {
  static_assert(N >= 1 && N <= 10, "at most 19 digits fit a 64-bit number");
  unsigned char bytes[N];

  static constexpr std::size_t size() { return N; }
  static std::int64_t limit() { return packedDecimalLimit(N); }
  bool set(std::int64_t value) { return packDecimal(bytes, N, value); }
  std::optional<std::int64_t> value() const { return unpackDecimal(bytes, N); }
  // The value, or 0 for bytes that are not a packed decimal.
  std::int64_t get() const { return value().value_or(0); }
  void clear() { std::memset(bytes, 0, N); }
};

}  // namespace dw::app
