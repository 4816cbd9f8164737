// Decimal texts for picture formatting (see picture_number.h).
#include "runtime/lang/picture_number.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace dw::lang::detail {
namespace {

void trimLeadingZeros(std::string& digits) {
  std::size_t first = digits.find_first_not_of('0');
  digits.erase(0, first == std::string::npos ? digits.size() : first);
}

}  // namespace

bool DecimalText::isZero() const {
  return integer.find_first_not_of('0') == std::string::npos &&
         fraction.find_first_not_of('0') == std::string::npos;
}

void DecimalText::roundTo(int decimals) {
  std::size_t keep = static_cast<std::size_t>(decimals < 0 ? 0 : decimals);
  if (fraction.size() <= keep) {
    fraction.append(keep - fraction.size(), '0');
    return;
  }
  bool up = fraction[keep] >= '5';
  fraction.resize(keep);
  if (!up) return;
  std::string all = integer + fraction;
  int i = static_cast<int>(all.size()) - 1;
  while (i >= 0 && all[i] == '9') all[i--] = '0';
  if (i >= 0) {
    ++all[i];
  } else {
    all.insert(all.begin(), '1');
  }
  integer = all.substr(0, all.size() - keep);
  fraction = all.substr(all.size() - keep);
  trimLeadingZeros(integer);
}

DecimalText decimalFromDouble(double value) {
  DecimalText d;
  if (!std::isfinite(value)) return d;
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  if (ec != std::errc()) return d;
  parseDecimal(std::string_view(buf, static_cast<std::size_t>(end - buf)), d);
  return d;
}

bool parseDecimal(std::string_view text, DecimalText& out) {
  out = DecimalText();
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string_view::npos) return false;
  std::size_t last = text.find_last_not_of(" \t");
  text = text.substr(i, last - i + 1);
  i = 0;
  if (text[i] == '-' || text[i] == '+') out.negative = text[i++] == '-';
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') out.integer += text[i++], ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') out.fraction += text[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    // An exponent: go through double, which is precise enough for it.
    double v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size()) return false;
    out = decimalFromDouble(v);
    return true;
  }
  if (i != text.size()) return false;
  trimLeadingZeros(out.integer);
  return true;
}

double decimalToDouble(const DecimalText& d) {
  std::string text = (d.negative ? "-" : "") + (d.integer.empty() ? "0" : d.integer);
  if (!d.fraction.empty()) text += "." + d.fraction;
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

std::string numberToText(double value) {
  if (!std::isfinite(value)) return "0";
  DecimalText d = decimalFromDouble(value);
  std::size_t end = d.fraction.find_last_not_of('0');
  d.fraction.resize(end == std::string::npos ? 0 : end + 1);
  std::string out = d.negative && !d.isZero() ? "-" : "";
  out += d.integer.empty() ? "0" : d.integer;
  if (!d.fraction.empty()) out += "." + d.fraction;
  return out;
}

}  // namespace dw::lang::detail
