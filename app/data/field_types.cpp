// Blank trimming and packed decimals of the record field types
// (see field_types.h).
#include "app/data/field_types.h"

#include <limits>

namespace dw::app {

namespace {
constexpr unsigned char kNegativeSign = 0xF;
}

std::string_view trimRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

std::int64_t packedDecimalLimit(std::size_t size) {
  // 19 nines (ten bytes) exceed a 64-bit number: the limit is then its own.
  if (2 * size - 1 >= 19) return std::numeric_limits<std::int64_t>::max();
  std::int64_t limit = 0;
  for (std::size_t digit = 0; digit + 1 < 2 * size; ++digit) limit = limit * 10 + 9;
  return limit;
}

bool packDecimal(unsigned char* bytes, std::size_t size, std::int64_t value) {
  if (size == 0 || size > 10) return false;
  const std::int64_t limit = packedDecimalLimit(size);
  // -limit..limit; INT64_MIN has no positive partner, so test before negating.
  if (value < -limit || value > limit) return false;
  const bool negative = value < 0;
  std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(-value) : value;
  // Digits fill the nibbles from the last one backward; the first nibble of
  // the first byte is the sign.
  for (std::size_t i = size; i-- > 0;) {
    const unsigned low = magnitude % 10;
    magnitude /= 10;
    unsigned high = 0;
    if (i > 0) {
      high = magnitude % 10;
      magnitude /= 10;
    } else {
      high = negative ? kNegativeSign : 0;
    }
    bytes[i] = static_cast<unsigned char>(high << 4 | low);
  }
  return true;
}

std::optional<std::int64_t> unpackDecimal(const unsigned char* bytes, std::size_t size) {
  if (size == 0 || size > 10) return std::nullopt;
  std::uint64_t value = 0;  // at most 19 digits: fits
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned high = bytes[i] >> 4, low = bytes[i] & 0x0F;
    if (i > 0) {
      if (high > 9) return std::nullopt;
      value = value * 10 + high;
    }
    if (low > 9) return std::nullopt;
    value = value * 10 + low;
  }
  // Beyond the 64-bit range (only ten-byte decimals get there).
  if (value > static_cast<std::uint64_t>(packedDecimalLimit(size))) return std::nullopt;
  const auto v = static_cast<std::int64_t>(value);
  return (bytes[0] >> 4) != 0 ? -v : v;
}

}  // namespace dw::app
