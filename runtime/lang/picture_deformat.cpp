// DEFORMAT: text back to values through a compiled picture (see picture.h
// and docs/pictures.md).
//
// Dates and times are read field by field in the picture's order rather
// than column by column, so text typed without the picture's padding
// ("5/1/96" for "@d1") reads as well as FORMAT's own output.  Numbers take
// every digit, the picture's decimal point and a "-" or "(" anywhere.
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "runtime/lang/chartab.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/intl.h"
#include "runtime/lang/picture.h"
#include "runtime/lang/picture_layout.h"
#include "runtime/lang/picture_number.h"

namespace dw::lang {
namespace {

using K = PositionKind;

bool asciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// A text read field by field.  When the text has exactly one character per
// position (FORMAT's own output) each field is read from its columns, so
// a blank leading zero cannot shift the fields of a picture without
// separators; otherwise fields are found by skipping to the next digits or
// letters, so "5/1/96" reads as well as " 5/01/96".
struct Reader {
  std::string_view text;
  bool aligned = false;
  std::size_t i = 0;

  // The digits of the field of n positions that starts at position pos.
  long digits(std::size_t pos, std::size_t n) {
    long v = 0;
    if (aligned) {
      for (char c : text.substr(pos, n)) {
        if (asciiDigit(c)) v = v * 10 + (c - '0');
      }
      i = pos + n;
      return v;
    }
    while (i < text.size() && !asciiDigit(text[i])) ++i;
    for (std::size_t k = 0; k < n && i < text.size() && asciiDigit(text[i]); ++k) {
      v = v * 10 + (text[i++] - '0');
    }
    return v;
  }

  // The letters of a month-name field.
  std::string_view letters(std::size_t pos, std::size_t n) {
    if (aligned) {
      std::string_view f = text.substr(pos, n);
      std::size_t end = f.find_last_not_of(' ');
      i = pos + n;
      return f.substr(0, end == std::string_view::npos ? 0 : end + 1);
    }
    while (i < text.size() && !isAlpha(static_cast<unsigned char>(text[i]))) ++i;
    std::size_t start = i;
    while (i < text.size() && isAlpha(static_cast<unsigned char>(text[i]))) ++i;
    return text.substr(start, i - start);
  }
};

// The month whose abbreviation the first three letters name (1..12), or 0.
int monthFromName(std::string_view word) {
  if (word.empty()) return 0;
  std::string_view three = word.substr(0, 3);
  for (int m = 1; m <= 12; ++m) {
    if (compareStringsNoCase(three, monthAbbreviation(m)) == 0) return m;
  }
  return 0;
}

std::size_t runLength(const std::vector<PicturePosition>& pos, std::size_t i) {
  std::size_t n = i;
  while (n < pos.size() && pos[n].kind == pos[i].kind) ++n;
  return n - i;
}

double deformatDate(std::string_view text, const CompiledPicture& p) {
  Reader r{text, text.size() == p.positions.size()};
  long month = 0, day = 0, year = 0;
  bool hasDay = false;
  bool unknownName = false;
  const auto& pos = p.positions;
  for (std::size_t i = 0; i < pos.size();) {
    std::size_t n = runLength(pos, i);
    switch (pos[i].kind) {
      case K::MonthDigit:
        month = r.digits(i, n);
        break;
      case K::DayDigit:
        day = r.digits(i, n);
        hasDay = true;
        break;
      case K::YearDigit:
        year = r.digits(i, n);
        break;
      case K::MonthName: {
        std::string_view word = r.letters(i, n);
        month = monthFromName(word);
        unknownName = !word.empty() && month == 0;
        break;
      }
      default:
        break;
    }
    i += n;
  }
  if (unknownName) return -1;
  if (month == 0 && day == 0 && year == 0) return 0;
  if (!hasDay) day = 1;  // @d13 to @d16 name no day
  return date(month, day, year);
}

double deformatTime(std::string_view text, const CompiledPicture& p) {
  Reader r{text, text.size() == p.positions.size()};
  long hour = 0, minute = 0, second = 0;
  const auto& pos = p.positions;
  for (std::size_t i = 0; i < pos.size();) {
    std::size_t n = runLength(pos, i);
    switch (pos[i].kind) {
      case K::HourDigit:
        hour = r.digits(i, n);
        break;
      case K::MinuteDigit:
        minute = r.digits(i, n);
        break;
      case K::SecondDigit:
        second = r.digits(i, n);
        break;
      default:
        break;
    }
    i += n;
  }
  const std::string& am = p.localeMarkers ? intlSettings().s1159 : amMarker();
  const std::string& pm = p.localeMarkers ? intlSettings().s2359 : pmMarker();
  bool twelveAm = false;
  for (char c : text.substr(std::min(r.i, text.size()))) {
    if (!isAlpha(static_cast<unsigned char>(c))) continue;
    if (!pm.empty() && toUpper(c) == toUpper(pm[0])) {
      if (hour != 12) hour += 12;
    } else if (!am.empty() && toUpper(c) == toUpper(am[0]) && hour == 12) {
      hour = 0;
      twelveAm = true;
    }
    break;
  }
  if (hour > 23 || minute > 59 || second > 59) return -1;
  if (hour == 0 && minute == 0 && second == 0) return twelveAm ? 1 : 0;
  return static_cast<double>(hour * 360000 + minute * 6000 + second * 100 + 1);
}

// The character read as the decimal point: the picture's own, else "."
// (typed text), unless "." groups the digits of this picture.
char printedPoint(const CompiledPicture& p) {
  bool dotGroups = false;
  for (const auto& q : p.positions) {
    if (q.kind == K::DecimalPoint) return q.ch;
    dotGroups = dotGroups || (q.kind == K::Grouping && q.ch == '.');
  }
  return dotGroups ? '\0' : '.';
}

// The text of the currency positions that stand at one end of a number
// picture (leading when atStart, else trailing).
std::string currencyText(const CompiledPicture& p, bool atStart) {
  std::string out;
  const auto& pos = p.positions;
  if (atStart) {
    for (std::size_t i = 0; i < pos.size() && pos[i].kind == K::Currency; ++i) out += pos[i].ch;
  } else {
    std::size_t i = pos.size();
    while (i > 0 && pos[i - 1].kind == K::Currency) --i;
    for (; i < pos.size(); ++i) out += pos[i].ch;
  }
  return out;
}

// The text without the picture's currency, so that digits, signs and points
// inside a currency text ("SFr.", "~kr-1~") are not read as the number's.
std::string_view withoutCurrency(std::string_view text, const CompiledPicture& p) {
  std::string lead = currencyText(p, true);
  std::string trail = currencyText(p, false);
  std::size_t first = text.find_first_not_of(' ');
  if (!lead.empty() && first != std::string_view::npos && text.substr(first).starts_with(lead)) {
    text.remove_prefix(first + lead.size());
  }
  std::size_t last = text.find_last_not_of(' ');
  if (!trail.empty() && last != std::string_view::npos &&
      text.substr(0, last + 1).ends_with(trail)) {
    text = text.substr(0, last + 1 - trail.size());
  }
  return text;
}

bool hasImpliedPoint(const CompiledPicture& p) {
  for (const auto& q : p.positions) {
    if (q.kind == K::ImpliedPoint) return true;
  }
  return false;
}

double readDigits(const std::string& integer, const std::string& fraction, bool negative,
                  int exponent) {
  std::string t;
  if (negative) t.push_back('-');
  t.append(integer.empty() ? std::string_view("0") : std::string_view(integer));
  if (!fraction.empty()) t.append(1, '.').append(fraction);
  if (exponent != 0) t.append(1, 'e').append(std::to_string(exponent));
  double v = 0;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return std::isfinite(v) ? v : 0;
}

double deformatNumber(std::string_view text, const CompiledPicture& p) {
  text = withoutCurrency(text, p);
  const char point = printedPoint(p);
  const bool implied = hasImpliedPoint(p);
  bool scientific = p.type == PictureType::Scientific;
  std::string integer, fraction;
  bool negative = false;
  bool seenPoint = false;
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (asciiDigit(c)) {
      (seenPoint ? fraction : integer) += c;
    } else if (c == point && point != '\0' && !implied && !seenPoint) {
      seenPoint = true;
    } else if (c == '-' || c == '(') {
      negative = true;
    } else if (scientific && (c == 'E' || c == 'e')) {
      break;
    }
  }
  int exponent = 0;
  if (i < text.size()) {
    bool expNegative = false;
    long e = 0;
    for (++i; i < text.size(); ++i) {
      if (text[i] == '-') expNegative = true;
      if (asciiDigit(text[i]) && e < 100000) e = e * 10 + (text[i] - '0');
    }
    exponent = static_cast<int>(expNegative ? -e : e);
  }
  if (implied && !seenPoint && p.decimals > 0) {
    std::size_t d = static_cast<std::size_t>(p.decimals);
    std::string padded(d > integer.size() ? d - integer.size() : 0, '0');
    padded += integer;
    std::size_t split = padded.size() - d;
    fraction.assign(padded, split, d);
    integer.assign(padded, 0, split);
  }
  return readDigits(integer, fraction, negative, exponent);
}

double deformatPattern(std::string_view text, const CompiledPicture& p) {
  std::string digits;
  const auto& pos = p.positions;
  if (text.size() == pos.size()) {
    for (std::size_t i = 0; i < pos.size(); ++i) {
      if ((pos[i].kind == K::Digit || pos[i].kind == K::DigitFill) && asciiDigit(text[i])) {
        digits += text[i];
      }
    }
  } else {
    for (char c : text) {
      if (asciiDigit(c)) digits += c;
    }
  }
  return readDigits(digits, "", false, 0);
}

std::string deformatKeyIn(std::string_view text, const CompiledPicture& p) {
  std::string out;
  std::size_t i = 0;
  for (const auto& q : p.positions) {
    if (q.kind == K::KeyOptional) continue;
    char c = i < text.size() ? text[i] : ' ';
    ++i;
    if (q.kind == K::KeyUpper) c = toUpper(c);
    if (q.kind == K::KeyLower) c = toLower(c);
    out.push_back(c);
  }
  std::size_t end = out.find_last_not_of(' ');
  out.resize(end == std::string::npos ? 0 : end + 1);
  return out;
}

}  // namespace

PictureValue deformat(std::string_view text, const CompiledPicture& p) {
  PictureValue v;
  if (!p.valid) return v;
  switch (p.type) {
    case PictureType::Number:
    case PictureType::Scientific:
      v.number = deformatNumber(text, p);
      break;
    case PictureType::Date:
      v.number = deformatDate(text, p);
      break;
    case PictureType::Time:
      v.number = deformatTime(text, p);
      break;
    case PictureType::Pattern:
      v.number = deformatPattern(text, p);
      break;
    case PictureType::String:
      v.isText = true;
      v.text = std::string(text.substr(0, static_cast<std::size_t>(p.length)));
      break;
    case PictureType::KeyIn:
      v.isText = true;
      v.text = deformatKeyIn(text, p);
      break;
  }
  return v;
}

PictureValue deformat(std::string_view text, std::string_view picture) {
  return deformat(text, compilePicture(picture));
}

std::string entryPattern(std::string_view picture) {
  static constexpr std::string_view kDates[] = {"",
                                                "Mm/dd/yy",
                                                "Mm/dd/yyyy",
                                                "NNN Dd, yyyy",
                                                "NNNNNNNNN Dd, yyyy",
                                                "Dd/mm/yy",
                                                "Dd/mm/yyyy",
                                                "Dd NNN yy",
                                                "Dd NNN yyyy",
                                                "yy/mm/dd",
                                                "yyyy/mm/dd",
                                                "yymmdd",
                                                "yyyymmdd",
                                                "Mm/yy",
                                                "Mm/yyyy",
                                                "yy/mm",
                                                "yyyy/mm",
                                                "",
                                                "",
                                                "Dd NNNNNNNNN yyyy",
                                                "NNNNNNNNN Dd yyyy"};
  static constexpr std::string_view kTimes[] = {"",         "hh:mm",  "hhmm",      "Hh:mmPP",
                                                "hh:mm:ss", "hhmmss", "Hh:mm:ssPP"};
  if (picture.size() < 3 || picture[0] != '@') return {};
  char letter = static_cast<char>(picture[1] | 0x20);
  if (letter != 'd' && letter != 't') return {};
  // @d19 and @d20 compile for entry controls only: read their number here.
  std::string_view body = picture.substr(2);
  if (!body.empty() && (body[0] == '0' || body[0] == '_' || body[0] == '*')) body.remove_prefix(1);
  int number = 0;
  std::size_t k = 0;
  while (k < body.size() && k < 2 && asciiDigit(body[k])) number = number * 10 + (body[k++] - '0');
  char sep = 0;
  if (k < body.size()) {
    char s = body[k];
    sep = s == '.' ? '.' : s == '-' ? '-' : s == '_' ? ' ' : s == '`' ? ',' : 0;
  }
  std::string pattern;
  if (letter == 'd' && (number == 19 || number == 20)) {
    pattern = std::string(kDates[number]);
  } else {
    CompiledPicture p = compilePicture(picture);
    if (!p.valid) return {};
    if (letter == 'd') {
      pattern =
          number <= 16 ? std::string(kDates[number]) : detail::patternFromPositions(p.positions);
    } else {
      pattern =
          number <= 6 ? std::string(kTimes[number]) : detail::patternFromPositions(p.positions);
    }
  }
  if (sep != 0) {
    for (char& c : pattern) {
      if (c == '/' || c == ':') c = sep;
    }
  }
  return pattern;
}

}  // namespace dw::lang
