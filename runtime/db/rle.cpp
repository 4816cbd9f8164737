// Run-length compression of page bodies (format: rle.h).
#include "runtime/db/rle.h"

namespace dw::db {
namespace {

void putCount(std::string& out, std::size_t n) {
  while (n >= 0x80) {
    out.push_back(char(0x80 | (n & 0x7F)));
    n >>= 7;
  }
  out.push_back(char(n));
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

}  // namespace

std::optional<std::string> rleCompress(std::string_view in) {
  std::string out;
  std::size_t last = 0;
  std::size_t i = 0;
  bool anyRun = false;
  while (i < in.size()) {
    std::size_t m = 1;
    while (i + m < in.size() && in[i + m] == in[i]) ++m;
    if (m >= 4) {
      putCount(out, i + 1 - last);
      out.append(in.substr(last, i + 1 - last));
      putCount(out, m - 1);
      last = i + m;
      anyRun = true;
    }
    i += m;
  }
  if (!anyRun) return std::nullopt;
  putCount(out, in.size() - last);
  out.append(in.substr(last));
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
