// Run-length compression of page bodies (format: rle.h).
#include "runtime/db/rle.h"

#include <cstring>

namespace dw::db {
namespace {

// Writes a count at `at`; returns the position after it.
inline char* putCount(char* at, std::size_t n) {
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

// The first run of 4 or more equal bytes at or after `from`, which must be
// where a run of equal bytes begins: its start, or size when there is none;
// `end` receives the index just past the run.  The four-byte window is
// tested from its right end, so a mismatch there skips three places.  Each
// skip lands just past a change of byte, so `i` is always where a run
// begins and a window found at `i` is a run's start.
inline std::size_t nextRun(const char* p, std::size_t size, std::size_t from, std::size_t& end) {
  std::size_t i = from;
  while (i + 3 < size) {
    if (p[i + 3] != p[i + 2]) {
      i += 3;
    } else if (p[i + 2] != p[i + 1]) {
      i += 2;
    } else if (p[i + 1] != p[i]) {
      i += 1;
    } else {
      const char c = p[i];
      end = i + 4;
      std::uint64_t same = 0;
      std::memset(&same, c, 8);
      while (end + 8 <= size) {
        std::uint64_t next;
        std::memcpy(&next, p + end, 8);
        if (next != same) break;
        end += 8;
      }
      while (end < size && p[end] == c) ++end;
      return i;
    }
  }
  return size;
}

}  // namespace

std::optional<std::string> rleCompress(std::string_view in) {
  const char* p = in.data();
  const std::size_t size = in.size();
  std::size_t end = 0;
  std::size_t i = nextRun(p, size, 0, end);
  if (i == size) return std::nullopt;
  // Each group turns literal + r input bytes (r >= 3) into the literal and
  // two counts of at most 1 + n / 128 bytes each, so the output never
  // outgrows the input by more than a quarter plus the last count; the
  // 16 bytes beyond that leave room for the fixed-size literal copies.
  std::string out(size + size / 4 + 32, '\0');
  char* at = out.data();
  std::size_t last = 0;
  while (i != size) {
    const std::size_t literal = i + 1 - last;
    at = putCount(at, literal);
    if (literal <= 16 && last + 16 <= size) {
      std::memcpy(at, p + last, 16);  // a fixed-size copy; the excess is overwritten
    } else {
      std::memcpy(at, p + last, literal);
    }
    at += literal;
    at = putCount(at, end - i - 1);
    last = end;
    i = nextRun(p, size, last, end);
  }
  at = putCount(at, size - last);
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
