// The picture compiler: picture text -> CompiledPicture (see picture.h and
// docs/pictures.md for the grammar of each type).
//
// Invariants of a valid compiled picture: at most 255 positions; number
// pictures have exactly `width` positions; a string picture has no
// positions and 1 <= length <= 255.
#include <array>

#include "runtime/lang/intl.h"
#include "runtime/lang/picture.h"
#include "runtime/lang/picture_layout.h"

namespace dw::lang {
namespace detail {
namespace {

constexpr std::array<std::string_view, 17> kDateLayouts = {
    "",           "Mm/dd/yy",   "Mm/dd/yyyy", "NNN Dd, yyyy", "NNNNNNNNNNNN Dd, yyyy",
    "Dd/mm/yy",   "Dd/mm/yyyy", "Dd_NNN_yy",  "Dd_NNN_yyyy",  "yy/mm/dd",
    "yyyy/mm/dd", "yymmdd",     "yyyymmdd",   "mm/yy",        "mm/yyyy",
    "yy/mm",      "yyyy/mm",
};
constexpr std::array<std::string_view, 7> kTimeLayouts = {
    "", "Hh:mm", "Hhmm", "Hh:mmXM", "Hh:mm:ss", "Hhmmss", "Hh:mm:ssXM",
};

PicturePosition digitPosition(char letter, PositionKind kind) {
  bool upper = letter >= 'A' && letter <= 'Z';
  return {upper ? ' ' : '0', kind};
}

}  // namespace

std::string_view dateLayout(int number) {
  return number >= 1 && number <= 16 ? kDateLayouts[number] : std::string_view();
}

std::string_view timeLayout(int number) {
  return number >= 1 && number <= 6 ? kTimeLayouts[number] : std::string_view();
}

void appendLayout(LayoutKind kind, std::string_view tmpl, char fill,
                  std::vector<PicturePosition>& out) {
  for (std::size_t i = 0; i < tmpl.size(); ++i) {
    char c = tmpl[i];
    PicturePosition p{c, PositionKind::Literal};
    if ((c == '%' || c == '\\') && i + 1 < tmpl.size()) {
      p = {tmpl[++i], c == '%' ? PositionKind::Separator : PositionKind::Literal};
    } else if (kind == LayoutKind::Date) {
      switch (c) {
        case 'M':
        case 'm':
          p = digitPosition(c, PositionKind::MonthDigit);
          break;
        case 'D':
        case 'd':
          p = digitPosition(c, PositionKind::DayDigit);
          break;
        case 'y':
          p = digitPosition(c, PositionKind::YearDigit);
          break;
        case 'N':
          p = {' ', PositionKind::MonthName};
          break;
        case '/':
        case ',':
          p = {c, PositionKind::Separator};
          break;
        case '_':
          p = {' ', PositionKind::Separator};
          break;
        default:
          break;
      }
    } else {
      switch (c) {
        case 'H':
        case 'h':
          p = digitPosition(c, PositionKind::HourDigit);
          break;
        case 'm':
          p = digitPosition(c, PositionKind::MinuteDigit);
          break;
        case 's':
          p = digitPosition(c, PositionKind::SecondDigit);
          break;
        case 'X':
          p = {'X', PositionKind::AmPm};
          break;
        case ':':
          p = {c, PositionKind::Separator};
          break;
        default:
          break;
      }
    }
    bool fillable = p.kind == PositionKind::MonthDigit || p.kind == PositionKind::DayDigit ||
                    p.kind == PositionKind::YearDigit || p.kind == PositionKind::MonthName ||
                    p.kind == PositionKind::HourDigit || p.kind == PositionKind::MinuteDigit ||
                    p.kind == PositionKind::SecondDigit;
    if (fillable && fill != 0) p.ch = fill;
    out.push_back(p);
  }
}

std::string patternFromPositions(const std::vector<PicturePosition>& positions) {
  std::string out;
  PositionKind previous = PositionKind::Literal;
  bool afterAmPm = false;
  for (const PicturePosition& p : positions) {
    bool first = p.kind != previous;
    char letter = p.ch;
    switch (p.kind) {
      case PositionKind::MonthDigit:
        letter = first && p.ch == ' ' ? 'M' : 'm';
        break;
      case PositionKind::DayDigit:
        letter = first && p.ch == ' ' ? 'D' : 'd';
        break;
      case PositionKind::YearDigit:
        letter = 'y';
        break;
      case PositionKind::MonthName:
        letter = 'N';
        break;
      case PositionKind::HourDigit:
        letter = first && p.ch == ' ' ? 'H' : 'h';
        break;
      case PositionKind::MinuteDigit:
        letter = 'm';
        break;
      case PositionKind::SecondDigit:
        letter = 's';
        break;
      case PositionKind::AmPm:
        letter = 'P';
        break;
      default:
        letter = afterAmPm ? 'P' : p.ch;
        break;
    }
    afterAmPm = p.kind == PositionKind::AmPm;
    out.push_back(letter);
    previous = p.kind;
  }
  return out;
}

}  // namespace detail

namespace {

using detail::LayoutKind;

constexpr std::size_t kMaxBody = 255;  // the text after "@" is shorter than 256
constexpr int kMaxWidth = 255;

// A cursor over the body of a picture (the text after the type letter).
struct Cursor {
  std::string_view s;
  std::size_t i = 0;
  bool atEnd() const { return i >= s.size(); }
  char peek(std::size_t ahead = 0) const { return i + ahead < s.size() ? s[i + ahead] : '\0'; }
  bool take(char c) {
    if (peek() != c || atEnd()) return false;
    ++i;
    return true;
  }
  // Reads 1..maxDigits decimal digits; -1 when none.
  int number(int maxDigits) {
    int value = -1;
    for (int n = 0; n < maxDigits && peek() >= '0' && peek() <= '9' && !atEnd(); ++n) {
      value = (value < 0 ? 0 : value * 10) + (s[i++] - '0');
    }
    return value;
  }
};

bool isDigitChar(char c) {
  return c >= '0' && c <= '9';
}

char separatorFor(char suffix) {
  switch (suffix) {
    case '.':
      return '.';
    case '-':
      return '-';
    case '_':
      return ' ';
    case '`':
      return ',';
    default:
      return 0;
  }
}

char fillFor(char c) {
  switch (c) {
    case '0':
      return '0';
    case '_':
      return ' ';
    case '*':
      return '*';
    default:
      return 0;
  }
}

void applySeparator(CompiledPicture& p, char sep) {
  if (sep == 0) return;
  for (PicturePosition& pos : p.positions) {
    if (pos.kind == PositionKind::Separator) pos.ch = sep;
  }
}

// "@d" [fill] number [separator], "@t" likewise.
bool compileDateTime(Cursor c, CompiledPicture& p, LayoutKind kind) {
  char fill = 0;
  if (c.peek() == '0' || c.peek() == '_' || c.peek() == '*') fill = fillFor(c.s[c.i++]);
  int number = c.number(2);
  char sep = 0;
  if (!c.atEnd()) {
    sep = separatorFor(c.s[c.i++]);
    if (sep == 0 || !c.atEnd()) return false;
  }
  p.number = number;
  if (kind == LayoutKind::Date) {
    if (number < 1 || number > 18) return false;
    p.type = PictureType::Date;
    p.upperNames = number != 4 && number != 18;
    std::string_view layout =
        number <= 16 ? detail::dateLayout(number) : std::string_view(localeDateTemplate(number));
    detail::appendLayout(kind, layout, fill, p.positions);
  } else {
    if (number < 1 || number > 8) return false;
    p.type = PictureType::Time;
    p.localeMarkers = number >= 7;
    std::string_view layout =
        number <= 6 ? detail::timeLayout(number) : std::string_view(localeTimeTemplate(number));
    detail::appendLayout(kind, layout, fill, p.positions);
  }
  applySeparator(p, sep);
  return true;
}

// A currency: "$" or text between two "~".
bool takeCurrency(Cursor& c, std::string& currency) {
  if (c.take('$')) {
    currency.assign(1, '$');
    return true;
  }
  if (c.peek() != '~' || c.atEnd()) return false;
  std::size_t close = c.s.find('~', c.i + 1);
  if (close == std::string_view::npos || close == c.i + 1) return false;
  currency = std::string(c.s.substr(c.i + 1, close - c.i - 1));
  c.i = close + 1;
  return true;
}

struct NumberParts {
  std::string leadCurrency, trailCurrency;
  char leadSign = 0, trailSign = 0;  // '-', '(' / '-', ')'
  char fill = 0;
  int width = 0;
  char group = 0;  // printed grouping character, 0 for none
  char point = 0;  // printed decimal point; 'v' for an implied one; 0 for none
  int decimals = 0;
};

bool parseNumberPicture(Cursor c, NumberParts& n, bool scientific) {
  if (!scientific) {
    takeCurrency(c, n.leadCurrency);
    if (c.peek() == '-' || c.peek() == '(') n.leadSign = c.s[c.i++];
    if (c.peek() == '_' || c.peek() == '*' || (c.peek() == '0' && isDigitChar(c.peek(1)))) {
      n.fill = fillFor(c.s[c.i++]);
    }
  }
  n.width = c.number(3);
  if (n.width < 1 || n.width > kMaxWidth) return false;
  bool explicitGroup = false;
  char groupChar = ',';
  char c0 = c.peek();
  if (!c.atEnd() && (c0 == '.' || c0 == '`' || c0 == '_') && !isDigitChar(c.peek(1))) {
    groupChar = c0 == '.' ? '.' : c0 == '`' ? ',' : ' ';
    explicitGroup = true;
    ++c.i;
  }
  char p0 = c.peek();
  if (!c.atEnd() && (p0 == '.' || p0 == '`' || p0 == 'v' || p0 == 'V')) {
    ++c.i;
    n.decimals = c.number(3);
    if (n.decimals < 0 || n.decimals > kMaxWidth) return false;
    n.point = p0 == '.' ? '.' : p0 == '`' ? ',' : 'v';
    if (p0 == '`' && !explicitGroup) groupChar = '.';
  }
  if (explicitGroup || n.fill == 0) n.group = groupChar;
  if (!scientific) {
    if (n.leadSign == '(') {
      if (!c.take(')')) return false;
      n.trailSign = ')';
    } else if (n.leadSign == 0 && c.peek() == '-' && !c.atEnd()) {
      n.trailSign = '-';
      ++c.i;
    }
    if (n.leadCurrency.empty()) takeCurrency(c, n.trailCurrency);
  }
  return c.atEnd();
}

void pushRepeated(std::vector<PicturePosition>& out, std::string_view text, PositionKind kind) {
  for (char ch : text) out.push_back({ch, kind});
}

// The integer digit positions: a grouping separator after every three
// digit positions, counting left from the decimal point.
void pushIntegerArea(std::vector<PicturePosition>& out, int count, char fill, char group) {
  std::vector<PicturePosition> area;
  for (int k = 0; k < count; ++k) {
    if (group != 0 && k % 4 == 3) {
      area.push_back({group, PositionKind::Grouping});
    } else if (k == 0) {
      area.push_back({'0', PositionKind::Digit});
    } else {
      area.push_back({fill, PositionKind::DigitFill});
    }
  }
  out.insert(out.end(), area.rbegin(), area.rend());
}

bool compileNumber(Cursor c, CompiledPicture& p) {
  NumberParts n;
  if (!parseNumberPicture(c, n, false)) return false;
  int fixed = static_cast<int>(n.leadCurrency.size() + n.trailCurrency.size()) +
              (n.leadSign ? 1 : 0) + (n.trailSign ? 1 : 0) + (n.point ? 1 : 0) + n.decimals;
  if (n.width < fixed) return false;
  p.type = PictureType::Number;
  p.decimals = n.decimals;
  auto& out = p.positions;
  pushRepeated(out, n.leadCurrency, PositionKind::Currency);
  if (n.leadSign) out.push_back({n.leadSign, PositionKind::Sign});
  pushIntegerArea(out, n.width - fixed, n.fill ? n.fill : ' ', n.group);
  if (n.point == 'v') {
    out.push_back({'v', PositionKind::ImpliedPoint});
  } else if (n.point) {
    out.push_back({n.point, PositionKind::DecimalPoint});
  }
  for (int k = 0; k < n.decimals; ++k) out.push_back({'0', PositionKind::Digit});
  if (n.trailSign) out.push_back({n.trailSign, PositionKind::Sign});
  pushRepeated(out, n.trailCurrency, PositionKind::Currency);
  return true;
}

// "@e" width [grouping] [point digits]: sign, mantissa, point, digits, E±ddd.
// The mantissa area is what the width leaves; its separators (when grouped)
// count as positions.
bool compileScientific(Cursor c, CompiledPicture& p) {
  NumberParts n;
  if (!parseNumberPicture(c, n, true) || n.width < 7) return false;
  int integerDigits = n.width - 1 - (n.point ? 1 : 0) - n.decimals - 5;
  if (integerDigits < 1) return false;
  p.type = PictureType::Scientific;
  p.decimals = n.decimals;
  auto& out = p.positions;
  out.push_back({'-', PositionKind::Sign});
  // With more than three digits after the point the mantissa area is
  // grouped every three positions, like the integer area of a number.
  pushIntegerArea(out, integerDigits, ' ', n.decimals > 3 ? n.group : 0);
  if (n.point == 'v') {
    out.push_back({'v', PositionKind::ImpliedPoint});
  } else if (n.point) {
    out.push_back({n.point, PositionKind::DecimalPoint});
  }
  for (int k = 0; k < n.decimals; ++k) out.push_back({'0', PositionKind::Digit});
  out.push_back({'E', PositionKind::Literal});
  out.push_back({'+', PositionKind::ExponentSign});
  for (int k = 0; k < 3; ++k) out.push_back({'0', PositionKind::Digit});
  return true;
}

bool compileString(Cursor c, CompiledPicture& p) {
  int length = c.number(3);
  if (length < 1 || length > kMaxWidth || !c.atEnd()) return false;
  p.type = PictureType::String;
  p.length = length;
  return true;
}

// "@p" ... "p" and "@k" ... "k": body is the text between the letters.
bool compileLiteralPattern(std::string_view body, CompiledPicture& p, bool keyIn) {
  auto& out = p.positions;
  for (std::size_t i = 0; i < body.size(); ++i) {
    char ch = body[i];
    if (!keyIn) {
      if (ch == '#') {
        out.push_back({'0', PositionKind::Digit});
      } else if (ch == '<') {
        out.push_back({' ', PositionKind::DigitFill});
      } else {
        out.push_back({ch, PositionKind::Literal});
      }
      continue;
    }
    switch (ch) {
      case '#':
        out.push_back({'0', PositionKind::Digit});
        break;
      case '<':
        out.push_back({' ', PositionKind::DigitFill});
        break;
      case '@':
        out.push_back({' ', PositionKind::KeyLetter});
        break;
      case '^':
        out.push_back({' ', PositionKind::KeyUpper});
        break;
      case '_':
        out.push_back({' ', PositionKind::KeyLower});
        break;
      case '?':
        out.push_back({' ', PositionKind::KeyAny});
        break;
      case '|':
        out.push_back({'|', PositionKind::KeyOptional});
        break;
      case '\\':
        if (i + 1 >= body.size()) return false;
        out.push_back({body[++i], PositionKind::Literal});
        break;
      default:
        out.push_back({ch, PositionKind::Literal});
        break;
    }
  }
  p.type = keyIn ? PictureType::KeyIn : PictureType::Pattern;
  return !out.empty() && out.size() <= static_cast<std::size_t>(kMaxWidth);
}

bool compileBody(char letter, std::string_view body, CompiledPicture& p) {
  Cursor c{body};
  switch (letter) {
    case 'n':
      return compileNumber(c, p);
    case 'e':
      return compileScientific(c, p);
    case 'd':
      return compileDateTime(c, p, LayoutKind::Date);
    case 't':
      return compileDateTime(c, p, LayoutKind::Time);
    case 's':
      return compileString(c, p);
    case 'p':
    case 'k': {
      // The closing letter repeats the opening one; at least two characters
      // stand between them.
      if (body.size() < 3 || (body.back() | 0x20) != letter) return false;
      return compileLiteralPattern(body.substr(0, body.size() - 1), p, letter == 'k');
    }
    default:
      return false;
  }
}

}  // namespace

std::uint8_t CompiledPicture::valueClass() const {
  switch (type) {
    case PictureType::Date:
    case PictureType::Time:
      return 1;
    case PictureType::Number:
    case PictureType::Pattern:
      return 3;
    case PictureType::Scientific:
      return 2;
    default:
      return 0;
  }
}

int CompiledPicture::positionCount() const {
  return type == PictureType::String ? length : static_cast<int>(positions.size());
}

std::vector<std::uint8_t> CompiledPicture::encode() const {
  if (!valid) return {0, 0};
  std::vector<std::uint8_t> bytes;
  bytes.push_back(static_cast<std::uint8_t>(static_cast<int>(type) | valueClass() << 3 |
                                            (blankWhenZero ? 0x80 : 0)));
  bytes.push_back(static_cast<std::uint8_t>(positionCount()));
  for (const PicturePosition& p : positions) {
    bytes.push_back(static_cast<std::uint8_t>(p.ch));
    bytes.push_back(static_cast<std::uint8_t>(p.kind));
  }
  return bytes;
}

CompiledPicture compilePicture(std::string_view text) {
  CompiledPicture p;
  if (text.size() < 2 || text[0] != '@' || text.size() - 1 > kMaxBody) return {};
  char letter = static_cast<char>(text[1] | 0x20);
  std::string_view body = text.substr(2);
  bool blank = false;
  // A final "B" needs at least two characters before it (after the "@"); a
  // "b" that closes nothing else in a pattern or key-in picture.
  if (!body.empty() && (body.back() == 'B' || body.back() == 'b') && text.size() - 1 >= 3 &&
      letter != 'p' && letter != 'k') {
    blank = true;
    body.remove_suffix(1);
  } else if ((letter == 'p' || letter == 'k') && body.size() >= 2 &&
             (body.back() == 'B' || body.back() == 'b') &&
             (body[body.size() - 2] | 0x20) == letter) {
    blank = true;
    body.remove_suffix(1);
  }
  if (!compileBody(letter, body, p)) return {};
  p.valid = true;
  p.blankWhenZero = blank;
  return p;
}

}  // namespace dw::lang
