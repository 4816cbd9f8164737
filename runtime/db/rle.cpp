// Run-length compression of page bodies (format: rle.h).
#include "runtime/db/rle.h"

#include <cstring>

namespace dw::db {
namespace {

// Writes a count at `at`; returns the position after it.
char* putCountAt(char* at, std::size_t n) {
  while (n >= 0x80) {
    *at++ = char(0x80 | (n & 0x7F));
    n >>= 7;
  }
  *at++ = char(n);
  return at;
}

bool getCount(std::string_view in, std::size_t& pos, std::size_t& n) {
  n = 0;
  for (int shift = 0; shift < 28; shift += 7) {
    if (pos >= in.size()) return false;
    const auto b = static_cast<std::uint8_t>(in[pos++]);
    n |= std::size_t(b & 0x7F) << shift;
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

// Index of the first byte of the first run of 4 or more equal bytes at or
// after `from` (runs are maximal: scanning restarts past each shorter run),
// or size when there is none; `length` receives the run's length.
std::size_t nextRun(const char* p, std::size_t size, std::size_t from, std::size_t& length) {
  std::size_t i = from;
  while (i + 3 < size) {
    const char c = p[i];
    if (p[i + 1] != c) {
      i += 1;
    } else if (p[i + 2] != c) {
      i += 2;
    } else if (p[i + 3] != c) {
      i += 3;
    } else {
      std::size_t m = 4;
      while (i + m < size && p[i + m] == c) ++m;
      length = m;
      return i;
    }
  }
  return size;
}

}  // namespace

std::optional<std::string> rleCompress(std::string_view in) {
  const char* p = in.data();
  const std::size_t size = in.size();
  std::size_t length = 0;
  std::size_t i = nextRun(p, size, 0, length);
  if (i == size) return std::nullopt;
  // Each group turns at least literal + 3 input bytes into at most
  // literal + 4 output bytes (counts below 2^14 take two bytes), so the
  // output never exceeds the input by more than a quarter plus a count.
  std::string out(size + size / 4 + 8, '\0');
  char* at = out.data();
  std::size_t last = 0;
  while (i != size) {
    const std::size_t literal = i + 1 - last;
    at = putCountAt(at, literal);
    std::memcpy(at, p + last, literal);
    at += literal;
    at = putCountAt(at, length - 1);
    last = i + length;
    i = nextRun(p, size, last, length);
  }
  at = putCountAt(at, size - last);
  std::memcpy(at, p + last, size - last);
  at += size - last;
  out.resize(std::size_t(at - out.data()));
  return out;
}

std::optional<std::string> rleExpand(std::string_view in, std::size_t plainLength) {
  std::string out;
  out.reserve(plainLength);
  std::size_t pos = 0;
  std::size_t left = plainLength;
  while (true) {
    std::size_t n = 0;
    if (!getCount(in, pos, n) || n > left || n > in.size() - pos) return std::nullopt;
    out.append(in.substr(pos, n));
    pos += n;
    left -= n;
    if (left == 0) break;
    std::size_t r = 0;
    if (!getCount(in, pos, r) || r > left || (r > 0 && out.empty())) return std::nullopt;
    out.append(r, out.empty() ? '\0' : out.back());
    left -= r;
    if (left == 0) break;
  }
  return out;
}

}  // namespace dw::db
