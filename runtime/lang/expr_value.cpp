// Conversions between expression values.
#include "runtime/lang/expr_value.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace dw::lang {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The length of the number at the start of text (after blanks), or 0.
std::size_t scanNumber(std::string_view text, std::size_t start) {
  std::size_t i = start;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    std::size_t j = i + 1;
    std::size_t fraction = 0;
    while (j < text.size() && isDigit(text[j])) ++j, ++fraction;
    if (digits + fraction > 0) {
      i = j;
      digits += fraction;
    }
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && isDigit(text[j])) {
      while (j < text.size() && isDigit(text[j])) ++j;
      i = j;
    }
  }
  return i - start;
}

std::size_t skipBlanks(std::string_view text, std::size_t i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

}  // namespace

double numberFromText(std::string_view text) {
  std::size_t start = skipBlanks(text, 0);
  std::size_t len = scanNumber(text, start);
  if (len == 0) return 0.0;
  std::string literal(text.substr(start, len));
  if (literal[0] == '+') literal.erase(0, 1);
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone here: decide between 0 and infinity.
    std::size_t e = literal.find_first_of("eE");
    bool tiny = e != std::string::npos && literal[e + 1] == '-';
    double magnitude = tiny ? 0.0 : std::numeric_limits<double>::max();
    value = literal[0] == '-' ? -magnitude : magnitude;
  }
  return value;
}

bool isNumericText(std::string_view text) {
  std::size_t start = skipBlanks(text, 0);
  std::size_t len = scanNumber(text, start);
  if (len == 0) return false;
  return skipBlanks(text, start + len) == text.size();
}

std::int64_t truncateReal(double r) {
  if (std::isnan(r)) return 0;
  // 2^63 is exactly representable; everything at or beyond it saturates.
  constexpr double kLimit = 9223372036854775808.0;
  if (r >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (r <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(r);
}

std::string textFromReal(double r) {
  if (std::isnan(r)) return "0";
  if (std::isinf(r))
    r = r > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
  if (r == 0.0) return "0";
  char buffer[1200];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, r, std::chars_format::fixed);
  if (ec != std::errc()) return "0";
  return std::string(buffer, ptr);
}

std::optional<int> compareReals(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::nullopt;
  double diff = a - b;
  if (diff == 0.0) return 0;
  if (std::isfinite(a) && std::isfinite(b) && std::isfinite(diff)) {
    auto exponentOf = [](double v) { return v == 0.0 ? std::ilogb(1.0) : std::ilogb(v); };
    int d = std::ilogb(diff);
    if (d + 50 < exponentOf(a) || d + 50 < exponentOf(b)) return 0;
  }
  return a < b ? -1 : 1;
}

bool isBlankText(std::string_view text) {
  for (char c : text) {
    if (c != ' ') return false;
  }
  return true;
}

std::int64_t Value::asInteger() const {
  switch (type) {
    case ResultType::kTruth:
    case ResultType::kInteger:
      return integer;
    case ResultType::kReal:
      return truncateReal(real);
    case ResultType::kPicture:
    case ResultType::kString:
      break;
  }
  return truncateReal(numberFromText(text));
}

double Value::asReal() const {
  switch (type) {
    case ResultType::kTruth:
    case ResultType::kInteger:
      return static_cast<double>(integer);
    case ResultType::kReal:
      return real;
    case ResultType::kPicture:
    case ResultType::kString:
      break;
  }
  return numberFromText(text);
}

std::string Value::asString() const {
  switch (type) {
    case ResultType::kTruth:
    case ResultType::kInteger:
      return std::to_string(integer);
    case ResultType::kReal:
      return textFromReal(real);
    case ResultType::kPicture:
    case ResultType::kString:
      break;
  }
  return text;
}

bool Value::asTruth() const {
  switch (type) {
    case ResultType::kTruth:
    case ResultType::kInteger:
      return integer != 0;
    case ResultType::kReal:
      return real != 0.0;
    case ResultType::kPicture:
    case ResultType::kString:
      break;
  }
  return !isBlankText(text);
}

}  // namespace dw::lang
