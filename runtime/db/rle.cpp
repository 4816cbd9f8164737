// Run-length compression of page bodies (format: rle.h).
#include "runtime/db/rle.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Bit k of the result's word k / 64 is set when bytes k and k + 1 are
// equal.  Computed without branches on the data, which is what makes the
// run search fast on text where runs come and go unpredictably.
std::vector<std::uint64_t> equalNext(const char* p, std::size_t size) {
  std::vector<std::uint64_t> eq(size / 64 + 2, 0);
  std::size_t base = 0;
#if defined(__SSE2__)
  // Sixteen comparisons at once while 17 bytes remain.
  for (; base + 64 + 1 <= size; base += 64) {
    std::uint64_t word = 0;
    for (int part = 0; part < 4; ++part) {
      const char* q = p + base + 16 * std::size_t(part);
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 1));
      const auto bits = std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
      word |= std::uint64_t(bits) << (16 * part);
    }
    eq[base / 64] = word;
  }
#endif
  for (; base + 1 < size; base += 64) {
    const std::size_t n = std::min<std::size_t>(64, size - 1 - base);
    std::uint64_t word = 0;
    for (std::size_t k = 0; k < n; ++k) {
      word |= std::uint64_t(p[base + k] == p[base + k + 1]) << k;
    }
    eq[base / 64] = word;
  }
  return eq;
}

// Bits of word w shifted down by s (1 or 2), the next word's low bits
// coming in at the top.
inline std::uint64_t down(const std::vector<std::uint64_t>& v, std::size_t w, int s) {
  return (v[w] >> s) | (v[w + 1] << (64 - s));
}

}  // namespace

std::size_t rleCompressInto(std::string_view in, char* out) {
  const char* p = in.data();
  const std::size_t size = in.size();
  if (size < 4) return 0;
  // A run of 4 or more equal bytes begins at k when bytes k..k+3 are equal
  // (a window) and k - 1 is not a window; runs are maximal, so the next
  // such start always lies past the end of the previous run.
  const std::vector<std::uint64_t> eq = equalNext(p, size);
  const std::size_t words = (size + 63) / 64;
  char* at = nullptr;
  std::size_t last = 0;
  std::uint64_t prevTop = 0;  // whether the last position of the previous word is a window
  for (std::size_t w = 0; w < words; ++w) {
    const std::uint64_t window = eq[w] & down(eq, w, 1) & down(eq, w, 2);
    std::uint64_t starts = window & ~((window << 1) | prevTop);
    prevTop = window >> 63;
    while (starts != 0) {
      const std::size_t i = w * 64 + std::size_t(std::countr_zero(starts));
      starts &= starts - 1;
      if (i < last) continue;  // inside the run just written (cannot start one)
      // The run ends after the first position from i whose byte differs
      // from the next one.
      std::size_t k = i + 3;
      std::uint64_t rest = ~eq[k / 64] >> (k % 64);
      while (rest == 0) {
        k = (k / 64 + 1) * 64;
        rest = ~eq[k / 64];
      }
      k += std::size_t(std::countr_zero(rest));
      const std::size_t end = std::min(k + 1, size);
      if (at == nullptr) at = out;
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
    }
  }
  if (at == nullptr) return 0;
  at = putCount(at, size - last);
  std::memcpy(at, p + last, size - last);
  at += size - last;
  return std::size_t(at - out);
}

std::optional<std::string> rleCompress(std::string_view in) {
  std::string out(rleCompressRoom(in.size()), '\0');
  const std::size_t n = rleCompressInto(in, out.data());
  if (n == 0) return std::nullopt;
  out.resize(n);
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
