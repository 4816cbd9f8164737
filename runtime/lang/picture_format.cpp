// FORMAT: values to text through a compiled picture (see picture.h and
// docs/pictures.md).
//
// Each picture type has its own formatter; all of them walk the positions
// once, left to right, except numbers and patterns, whose digits are placed
// from the right.  An implied decimal point and the key-in "|" print nothing,
// and unused month-name positions are left out, so the text can be shorter
// than the picture.
#include <cmath>
#include <cstdio>

#include "runtime/lang/chartab.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/intl.h"
#include "runtime/lang/picture.h"
#include "runtime/lang/picture_number.h"

namespace dw::lang {
namespace {

using detail::DecimalText;
using K = PositionKind;

constexpr char kSkip = '\0';  // marks an output slot that prints nothing

std::string collect(const std::string& slots) {
  std::string out;
  out.reserve(slots.size());
  for (char c : slots) {
    if (c != kSkip) out.push_back(c);
  }
  return out;
}

bool isPoint(K k) {
  return k == K::DecimalPoint || k == K::ImpliedPoint;
}
bool isNumberDigit(K k) {
  return k == K::Digit || k == K::DigitFill;
}

// A zero under "B": blanks as wide as the text would be (an implied point
// takes no column).
std::string blanksFor(const CompiledPicture& p) {
  std::size_t n = 0;
  for (const auto& q : p.positions) n += q.kind == K::ImpliedPoint ? 0 : 1;
  return std::string(n, ' ');
}

std::string formatNumber(DecimalText d, const CompiledPicture& p) {
  d.roundTo(p.decimals);
  const auto& pos = p.positions;
  if (d.isZero() && p.blankWhenZero) return blanksFor(p);
  std::size_t point = pos.size();
  int intDigits = 0;
  for (std::size_t i = 0; i < pos.size(); ++i) {
    if (isPoint(pos[i].kind)) {
      point = i;
      break;
    }
    if (isNumberDigit(pos[i].kind)) ++intDigits;
  }
  const bool overflow = static_cast<int>(d.integer.size()) > intDigits;
  const bool negative = d.negative && !d.isZero();
  std::string out(pos.size(), ' ');
  // The integer area, right to left.
  int k = 0;  // digit positions placed so far
  for (std::size_t n = point; n-- > 0;) {
    const PicturePosition& q = pos[n];
    if (isNumberDigit(q.kind)) {
      if (overflow) {
        out[n] = '#';
      } else if (k < static_cast<int>(d.integer.size())) {
        out[n] = d.integer[d.integer.size() - 1 - k];
      } else {
        out[n] = q.kind == K::Digit ? '0' : q.ch;
      }
      ++k;
    } else if (q.kind == K::Grouping) {
      // A separator without a significant digit to its left prints the
      // area's fill; between zeros of a zero fill it still separates.  The
      // area's leftmost separator has no digit to its left at all.
      char fill = n + 1 < pos.size() && pos[n + 1].kind == K::DigitFill ? pos[n + 1].ch : ' ';
      bool leftmost = n == 0 || !isNumberDigit(pos[n - 1].kind);
      bool significant = static_cast<int>(d.integer.size()) > k;
      out[n] = overflow ? '#' : significant ? q.ch : (fill == '0' && !leftmost) ? q.ch : fill;
    }
  }
  std::size_t f = 0;
  for (std::size_t n = 0; n < pos.size(); ++n) {
    const PicturePosition& q = pos[n];
    if (n > point && q.kind == K::Digit) {
      out[n] = overflow ? '#' : f < d.fraction.size() ? d.fraction[f] : '0';
      ++f;
    } else if (q.kind == K::DecimalPoint || q.kind == K::Currency || q.kind == K::Literal) {
      out[n] = q.ch;
    } else if (q.kind == K::ImpliedPoint) {
      out[n] = kSkip;
    } else if (q.kind == K::Sign) {
      out[n] = negative ? q.ch : ' ';
    }
  }
  return collect(out);
}

std::string formatScientific(double v, const CompiledPicture& p) {
  const auto& pos = p.positions;
  if (!std::isfinite(v)) v = 0;
  if (v == 0 && p.blankWhenZero) return blanksFor(p);
  std::string text(p.decimals + 32, '\0');
  int n = std::snprintf(text.data(), text.size(), "%.*e", p.decimals, std::fabs(v));
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  // text: d[.ddd]e±xx
  std::size_t e = text.find('e');
  std::string mantissa;
  for (std::size_t i = 0; i < e; ++i) {
    if (text[i] != '.') mantissa.push_back(text[i]);
  }
  int exponent = std::atoi(text.c_str() + e + 1);
  std::string expDigits = std::to_string(std::abs(exponent));
  if (expDigits.size() > 3) expDigits = "###";
  expDigits.insert(0, 3 - expDigits.size(), '0');
  std::string out(pos.size(), ' ');
  std::size_t m = 0;
  bool afterE = false;
  bool unitsDone = false;
  std::size_t x = 0;
  for (std::size_t i = 0; i < pos.size(); ++i) {
    const PicturePosition& q = pos[i];
    switch (q.kind) {
      case K::Sign:
        out[i] = v < 0 ? '-' : ' ';
        break;
      case K::DigitFill:
        out[i] = q.ch;
        break;
      case K::Grouping:
        // The mantissa has one integer digit, so no significant digit ever
        // stands to the left of a separator.
        out[i] = ' ';
        break;
      case K::Digit:
        if (afterE) {
          out[i] = expDigits[x++];
        } else if (!unitsDone) {
          out[i] = mantissa[m++];
          unitsDone = true;
        } else {
          out[i] = m < mantissa.size() ? mantissa[m++] : '0';
        }
        break;
      case K::DecimalPoint:
        out[i] = q.ch;
        break;
      case K::ImpliedPoint:
        out[i] = kSkip;
        break;
      case K::ExponentSign:
        out[i] = exponent < 0 ? '-' : '+';
        break;
      case K::Literal:
        out[i] = q.ch;
        afterE = true;
        break;
      default:
        out[i] = q.ch;
        break;
    }
  }
  return collect(out);
}

// The number of digit positions of the field that starts at i.
std::size_t runLength(const std::vector<PicturePosition>& pos, std::size_t i) {
  std::size_t n = i;
  while (n < pos.size() && pos[n].kind == pos[i].kind) ++n;
  return n - i;
}

// Prints a field's value into its run of digit positions; a zero first digit
// prints the position's fill.
void putDigits(std::string& out, const std::vector<PicturePosition>& pos, std::size_t i,
               std::size_t count, long value) {
  std::size_t start = out.size();
  out.append(count, '0');
  for (std::size_t k = count; k-- > 0;) {
    out[start + k] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  if (out[start] == '0') out[start] = pos[i].ch;
}

std::string formatDate(long value, const CompiledPicture& p) {
  const auto& pos = p.positions;
  if (value == 0 && p.blankWhenZero) return std::string(pos.size(), ' ');
  int dayNumber = value < kFirstDay || value > kLastDay ? 0 : static_cast<int>(value);
  DateRecord r = calendarOf(dayNumber);
  bool valid = dayNumber != 0;
  std::string out;
  for (std::size_t i = 0; i < pos.size();) {
    const PicturePosition& q = pos[i];
    std::size_t n = runLength(pos, i);
    if (q.kind == K::MonthDigit || q.kind == K::DayDigit || q.kind == K::YearDigit) {
      if (!valid) {
        out.append(n, ' ');
      } else {
        long field = q.kind == K::MonthDigit ? r.month : q.kind == K::DayDigit ? r.day : r.year;
        long modulus = 1;
        for (std::size_t k = 0; k < n; ++k) modulus *= 10;
        putDigits(out, pos, i, n, field % modulus);
      }
      i += n;
    } else if (q.kind == K::MonthName) {
      if (!valid) {
        out.append(n, ' ');
      } else {
        std::string name = monthName(r.month).substr(0, n);
        out += p.upperNames ? upper(name) : name;
      }
      i += n;
    } else {
      out.push_back(q.ch);
      ++i;
    }
  }
  return out;
}

std::string formatTime(long value, const CompiledPicture& p) {
  const auto& pos = p.positions;
  if (value == 0 && p.blankWhenZero) return std::string(pos.size(), ' ');
  bool valid = value >= 1 && value <= kLastTime;
  TimeRecord r = timeRecordOf(valid ? static_cast<int>(value) : 0);
  bool twelveHour = false;
  for (const auto& q : pos) twelveHour = twelveHour || q.kind == K::AmPm;
  bool pm = r.hour >= 12;
  int hour = r.hour;
  if (twelveHour) hour = r.hour % 12 == 0 ? 12 : r.hour % 12;
  const std::string& marker = p.localeMarkers ? (pm ? intlSettings().s2359 : intlSettings().s1159)
                                              : (pm ? pmMarker() : amMarker());
  std::string out;
  for (std::size_t i = 0; i < pos.size();) {
    const PicturePosition& q = pos[i];
    if (q.kind == K::HourDigit || q.kind == K::MinuteDigit || q.kind == K::SecondDigit) {
      std::size_t n = runLength(pos, i);
      if (!valid) {
        out.append(n, ' ');
      } else {
        int field = q.kind == K::HourDigit ? hour : q.kind == K::MinuteDigit ? r.minute : r.second;
        putDigits(out, pos, i, n, field);
      }
      i += n;
    } else if (q.kind == K::AmPm) {
      out.push_back(valid && !marker.empty() ? marker[0] : ' ');
      if (i + 1 < pos.size()) out.push_back(valid && marker.size() > 1 ? marker[1] : ' ');
      i += 2;
    } else {
      out.push_back(q.ch);
      ++i;
    }
  }
  return out;
}

std::string formatPattern(DecimalText d, const CompiledPicture& p) {
  d.roundTo(0);
  const auto& pos = p.positions;
  if (d.isZero() && p.blankWhenZero) return blanksFor(p);
  int digits = 0;
  for (const auto& q : pos) digits += isNumberDigit(q.kind) ? 1 : 0;
  bool overflow = static_cast<int>(d.integer.size()) > digits;
  std::string value(static_cast<std::size_t>(digits) - (overflow ? 0 : d.integer.size()), '0');
  if (!overflow) value += d.integer;
  std::string out;
  std::size_t k = 0;
  bool significant = false;
  for (const auto& q : pos) {
    if (!isNumberDigit(q.kind)) {
      out.push_back(q.ch);
      continue;
    }
    char c = overflow ? '#' : value[k++];
    significant = significant || c != '0';
    out.push_back(!significant && q.kind == K::DigitFill ? ' ' : c);
  }
  return out;
}

bool isKeyInput(K k) {
  return k == K::Digit || k == K::DigitFill || k == K::KeyLetter || k == K::KeyUpper ||
         k == K::KeyLower || k == K::KeyAny;
}

char forceCase(K kind, char c) {
  if (kind == K::KeyUpper) return toUpper(c);
  if (kind == K::KeyLower) return toLower(c);
  return c;
}

// A key-in value is its full text when it already has the picture's
// literals in place; otherwise its characters fill the input positions.
std::string formatKeyIn(std::string_view v, const CompiledPicture& p) {
  std::vector<PicturePosition> shown;
  for (const auto& q : p.positions) {
    if (q.kind != K::KeyOptional) shown.push_back(q);
  }
  bool fullText = v.size() == shown.size();
  for (std::size_t i = 0; fullText && i < shown.size(); ++i) {
    fullText = isKeyInput(shown[i].kind) || v[i] == shown[i].ch;
  }
  std::string out;
  std::size_t k = 0;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const PicturePosition& q = shown[i];
    if (!isKeyInput(q.kind)) {
      out.push_back(q.ch);
    } else if (fullText) {
      out.push_back(forceCase(q.kind, v[i]));
    } else {
      out.push_back(k < v.size() ? forceCase(q.kind, v[k++]) : ' ');
    }
  }
  return out;
}

long toWhole(double v) {
  if (!std::isfinite(v) || v > 2147483647.0 || v < -2147483648.0) return 0;
  return static_cast<long>(v);
}

DecimalText decimalOfText(std::string_view text) {
  DecimalText d;
  if (!detail::parseDecimal(text, d)) d = DecimalText();
  return d;
}

}  // namespace

std::string format(double value, const CompiledPicture& p) {
  if (!p.valid) return {};
  switch (p.type) {
    case PictureType::Number:
      return formatNumber(detail::decimalFromDouble(value), p);
    case PictureType::Scientific:
      return formatScientific(value, p);
    case PictureType::Date:
      return formatDate(toWhole(value), p);
    case PictureType::Time:
      return formatTime(toWhole(value), p);
    case PictureType::Pattern:
      return formatPattern(detail::decimalFromDouble(value), p);
    case PictureType::String:
    case PictureType::KeyIn:
      return format(detail::numberToText(value), p);
  }
  return {};
}

std::string format(std::string_view value, const CompiledPicture& p) {
  if (!p.valid) return {};
  switch (p.type) {
    case PictureType::Number:
      return formatNumber(decimalOfText(value), p);
    case PictureType::Pattern:
      return formatPattern(decimalOfText(value), p);
    case PictureType::String:
      return std::string(value.substr(0, static_cast<std::size_t>(p.length)));
    case PictureType::KeyIn:
      return formatKeyIn(value, p);
    default:
      return format(detail::decimalToDouble(decimalOfText(value)), p);
  }
}

std::string format(double value, std::string_view picture) {
  return format(value, compilePicture(picture));
}

std::string format(std::string_view value, std::string_view picture) {
  return format(value, compilePicture(picture));
}

}  // namespace dw::lang
