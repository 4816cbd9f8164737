// The built-in functions of expressions.  Each takes its arguments as values
// (any of them may be missing: a missing argument reads as 0 or an empty
// text unless the function gives it a default) and returns a value of the
// function's result type.  Results outside a function's domain are 0.
#include <algorithm>
#include <cmath>
#include <random>

#include "runtime/lang/expr_eval.h"
#include "runtime/lang/expr_runtime.h"

namespace dw::lang {
namespace {

constexpr std::int64_t kMaxTextLength = 65535;

struct Args {
  const Value* values;
  std::size_t count;

  bool has(std::size_t i) const { return i < count; }
  std::int64_t integer(std::size_t i, std::int64_t fallback = 0) const {
    return has(i) ? values[i].asInteger() : fallback;
  }
  double real(std::size_t i) const { return has(i) ? values[i].asReal() : 0.0; }
  std::string text(std::size_t i) const { return has(i) ? values[i].asString() : std::string(); }
};

Value real(double r) {
  return Value::ofReal(std::isfinite(r) ? r : 0.0);
}

// The 32-bit pattern of an integer argument, as bit operations see it.
std::uint32_t bits(std::int64_t v) {
  return static_cast<std::uint32_t>(v);
}
Value fromBits(std::uint32_t b) {
  return Value::ofInteger(static_cast<std::int32_t>(b));
}

// A length argument clamped to what a text can hold.
std::size_t lengthOf(std::int64_t n) {
  return static_cast<std::size_t>(std::clamp<std::int64_t>(n, 0, kMaxTextLength));
}

std::string trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

// CENTER, LEFT and RIGHT: the text without its outer blanks, placed in a
// field of the given width (default: the text's own length).
Value justify(const Args& a, int where) {
  std::string s = a.text(0);
  std::size_t width = a.has(1) ? lengthOf(a.integer(1)) : s.size();
  std::string core = trimmed(s);
  if (core.size() > width) core.resize(width);
  std::size_t pad = width - core.size();
  std::size_t before = where < 0 ? 0 : (where > 0 ? pad : pad / 2);
  return Value::ofString(std::string(before, ' ') + core + std::string(pad - before, ' '));
}

// INSTRING(needle, haystack, step, start): the step number at which needle
// occurs, searching from start in steps of step (a negative step searches
// backwards); 0 when it does not occur.
Value instring(const Args& a) {
  std::string needle = a.text(0), hay = a.text(1);
  const std::int64_t len = static_cast<std::int64_t>(hay.size());
  const std::int64_t n = static_cast<std::int64_t>(needle.size());
  std::int64_t step = a.integer(2, 1), start = a.integer(3, 1);
  if (step == 0 || n == 0 || n > len) return Value::ofInteger(0);
  // Steps longer than the text visit one place only; clamping keeps the
  // arithmetic below in range.
  step = std::clamp<std::int64_t>(step, -(len + 1), len + 1);
  const std::int64_t lastStart = len - n + 1;
  const std::int64_t magnitude = step < 0 ? -step : step;
  std::int64_t pos = step > 0 ? std::max<std::int64_t>(start, 1) : std::min(start, lastStart);
  for (; pos >= 1 && pos <= lastStart; pos += step) {
    if (hay.compare(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(n), needle) == 0) {
      return Value::ofInteger((pos - 1) / magnitude + 1);
    }
  }
  return Value::ofInteger(0);
}

// SUB(text, start, length): a negative start counts from the end; the
// length defaults to the rest of the text.
Value sub(const Args& a) {
  std::string s = a.text(0);
  const std::int64_t len = static_cast<std::int64_t>(s.size());
  std::int64_t start = a.integer(1, 1);
  if (start < 0) start = len + start + 1;
  if (start < 1) start = 1;
  std::int64_t count = a.has(2) ? a.integer(2) : len - start + 1;
  if (start > len || count <= 0) return Value::ofString({});
  count = std::min(count, len - start + 1);
  return Value::ofString(
      s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

Value random(const Args& a) {
  static std::mt19937_64 engine{std::random_device{}()};
  std::int64_t low = a.integer(0), high = a.integer(1);
  if (low > high) std::swap(low, high);
  std::uniform_int_distribution<std::int64_t> pick(low, high);
  return Value::ofInteger(pick(engine));
}

Value round(const Args& a) {
  double x = a.real(0), step = a.has(1) ? std::fabs(a.real(1)) : 1.0;
  if (step == 0.0 || !std::isfinite(step)) return real(x);
  double q = std::round(x / step);  // halves away from zero
  // A decimal step such as .01 is not exact in binary: scale it to a whole
  // number first, so that 314 steps of .01 give 3.14 and not 3.1400000000000001.
  double scale = 1.0;
  for (int digits = 0; digits <= 15; ++digits, scale *= 10) {
    double whole = step * scale;
    if (std::fabs(whole - std::round(whole)) < 1e-9 * whole) {
      return real(q * std::round(whole) / scale);
    }
  }
  return real(q * step);
}

Value all(const Args& a) {
  std::string unit = a.text(0);
  std::size_t width = a.has(1) ? lengthOf(a.integer(1)) : 255;
  if (unit.empty()) unit.assign(1, ' ');
  std::string out;
  out.reserve(width);
  while (out.size() < width) out += unit;
  out.resize(width);
  return Value::ofString(std::move(out));
}

Value memory() {
  // The bytes a program may still allocate, as a LONG; the runtime has no
  // fixed heap, so it reports the largest LONG.
  return Value::ofInteger(INT32_MAX);
}

Value bshift(const Args& a) {
  std::uint32_t v = bits(a.integer(0));
  std::int64_t n = a.integer(1);
  if (n >= 32 || n <= -32) return Value::ofInteger(0);
  return fromBits(n >= 0 ? v << n : v >> -n);
}

Value mathOf(BuiltinId f, double x) {
  switch (f) {
    case BuiltinId::kAsin:
      return real(x < -1 || x > 1 ? 0.0 : std::asin(x));
    case BuiltinId::kAcos:
      return real(x < -1 || x > 1 ? 0.0 : std::acos(x));
    case BuiltinId::kAtan:
      return real(std::atan(x));
    case BuiltinId::kSin:
      return real(std::sin(x));
    case BuiltinId::kCos:
      return real(std::cos(x));
    case BuiltinId::kTan:
      return real(std::tan(x));
    case BuiltinId::kSqrt:
      return real(x < 0 ? 0.0 : std::sqrt(x));
    case BuiltinId::kLog10:
      return real(x <= 0 ? 0.0 : std::log10(x));
    case BuiltinId::kLoge:
      return real(x <= 0 ? 0.0 : std::log(x));
    case BuiltinId::kAbs:
      return real(std::fabs(x));
    default:
      return real(0.0);
  }
}

Value textFunction(BuiltinId f, const Args& a) {
  switch (f) {
    case BuiltinId::kCenter:
      return justify(a, 0);
    case BuiltinId::kLeft:
      return justify(a, -1);
    case BuiltinId::kRight:
      return justify(a, 1);
    case BuiltinId::kAll:
      return all(a);
    case BuiltinId::kChr:
      return Value::ofString(std::string(1, static_cast<char>(bits(a.integer(0)) & 0xFF)));
    case BuiltinId::kClip: {
      std::string s = a.text(0);
      s.erase(s.find_last_not_of(' ') + 1);
      return Value::ofString(std::move(s));
    }
    case BuiltinId::kLower:
      return Value::ofString(exprrt::lowerText(a.text(0)));
    case BuiltinId::kUpper:
      return Value::ofString(exprrt::upperText(a.text(0)));
    case BuiltinId::kSub:
      return sub(a);
    case BuiltinId::kFormat: {
      double number = a.real(0);
      return Value::ofString(exprrt::format(number, a.text(0), a.text(1)));
    }
    case BuiltinId::kDeformat:
      return Value::ofString(exprrt::deformat(a.text(0), a.text(1)));
    case BuiltinId::kAge:
      return Value::ofString(exprrt::age(a.integer(0), a.has(1) ? a.integer(1) : exprrt::today()));
    default:
      return Value::ofString({});
  }
}

}  // namespace

Value callBuiltin(BuiltinId f, const Value* values, std::size_t count) {
  const Args a{values, count};
  switch (f) {
    case BuiltinId::kInt:
      return Value::ofInteger(a.integer(0));
    case BuiltinId::kBor:
      return fromBits(bits(a.integer(0)) | bits(a.integer(1)));
    case BuiltinId::kBand:
      return fromBits(bits(a.integer(0)) & bits(a.integer(1)));
    case BuiltinId::kBxor:
      return fromBits(bits(a.integer(0)) ^ bits(a.integer(1)));
    case BuiltinId::kBshift:
      return bshift(a);
    case BuiltinId::kDay:
      return Value::ofInteger(exprrt::dayOf(a.integer(0)));
    case BuiltinId::kMonth:
      return Value::ofInteger(exprrt::monthOf(a.integer(0)));
    case BuiltinId::kYear:
      return Value::ofInteger(exprrt::yearOf(a.integer(0)));
    case BuiltinId::kDate:
      return Value::ofInteger(exprrt::date(a.integer(0), a.integer(1), a.integer(2)));
    case BuiltinId::kToday:
      return Value::ofInteger(exprrt::today());
    case BuiltinId::kClock:
      return Value::ofInteger(exprrt::clock());
    case BuiltinId::kInrange: {
      double x = a.real(0);
      std::optional<int> low = compareReals(x, a.real(1)), high = compareReals(x, a.real(2));
      return Value::ofInteger(low && high && *low >= 0 && *high <= 0);
    }
    case BuiltinId::kInstring:
      return instring(a);
    case BuiltinId::kRandom:
      return random(a);
    case BuiltinId::kLen:
      return Value::ofInteger(static_cast<std::int64_t>(a.text(0).size()));
    case BuiltinId::kMemory:
      return memory();
    case BuiltinId::kNumeric:
      return Value::ofInteger(isNumericText(a.text(0)));
    case BuiltinId::kVal: {
      std::string s = a.text(0);
      return Value::ofInteger(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
    }
    case BuiltinId::kRound:
      return round(a);
    case BuiltinId::kAsin:
    case BuiltinId::kAcos:
    case BuiltinId::kAtan:
    case BuiltinId::kSin:
    case BuiltinId::kCos:
    case BuiltinId::kTan:
    case BuiltinId::kSqrt:
    case BuiltinId::kLog10:
    case BuiltinId::kLoge:
    case BuiltinId::kAbs:
      return mathOf(f, a.real(0));
    default:
      return textFunction(f, a);
  }
}

}  // namespace dw::lang
