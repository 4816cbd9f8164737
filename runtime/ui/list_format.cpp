// List format strings (see list_format.h and docs/lists.md).
//
// One reader serves validation and parsing, so that the two can never
// disagree about where a column ends: it reads fields left to right and
// stops at the first character the grammar cannot take, remembering that
// position.  Parsing runs the same reader with a layout to fill.
#include "runtime/ui/list_format.h"

#include <algorithm>
#include <cstdlib>

namespace dw::ui {

namespace {

// Pixel values are kept within what a screen can hold, whatever the text says.
constexpr std::int64_t kMaxPixels = 1'000'000;
constexpr std::int64_t kMaxInteger = 1'000'000'000;

ListAlign alignOf(char ch) {
  switch (ch) {
    case 'R':
      return ListAlign::Right;
    case 'C':
      return ListAlign::Centre;
    case 'D':
      return ListAlign::Decimal;
    default:
      return ListAlign::Left;
  }
}

bool isAlignLetter(char ch) {
  return ch == 'L' || ch == 'R' || ch == 'C' || ch == 'D';
}

// What the options after a column (or a group's "]") set.
struct Options {
  std::uint32_t flags = 0;
  std::uint8_t treeFlags = 0;
  std::string header;
  bool headerAlignGiven = false;
  ListAlign headerAlign = ListAlign::Left;
  std::int64_t headerIndent = 0;
  std::string picture;
  std::int64_t sourceField = 0;
  std::int64_t scrollWidth = 0;
  std::int64_t headerOption = 0;
};

class Reader {
 public:
  Reader(std::string_view text, ListLayout* out, ListScale scale)
      : m_text(text), m_out(out), m_scale(scale) {}

  // 0 when everything was read, else the 1-based failing position.
  int run() {
    while (!atEnd()) {
      const bool ok = peek() == '[' ? group() : column(-1);
      if (!ok) return static_cast<int>(m_pos) + 1;
    }
    if (m_out) finish();
    return 0;
  }

 private:
  bool atEnd() const { return m_pos >= m_text.size(); }
  char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
  static bool digit(char ch) { return ch >= '0' && ch <= '9'; }

  // At most one "-", then at least one digit.  Saturates rather than
  // overflowing.
  bool integer(std::int64_t& value) {
    bool negative = false;
    if (peek() == '-') {
      negative = true;
      ++m_pos;
    }
    if (!digit(peek())) return false;
    std::int64_t v = 0;
    while (digit(peek())) {
      v = std::min(kMaxInteger, v * 10 + (peek() - '0'));
      ++m_pos;
    }
    value = negative ? -v : v;
    return true;
  }

  // "(" integer ")" at the current position.
  bool parenthesised(std::int64_t& value) {
    ++m_pos;  // "("
    if (!integer(value)) return false;
    if (peek() != ')') return false;
    ++m_pos;
    return true;
  }

  // Text up to the next `close`; the position ends after it.
  bool delimited(char close, std::string& out) {
    const std::size_t start = ++m_pos;
    const std::size_t end = m_text.find(close, start);
    if (end == std::string_view::npos) {
      m_pos = m_text.size();
      return false;
    }
    out.assign(m_text.substr(start, end - start));
    m_pos = end + 1;
    return true;
  }

  // The options of a column or group, in any order, until a character none
  // of them takes.
  bool options(Options& o) {
    for (;;) {
      const char ch = peek();
      switch (ch) {
        case '#': {
          ++m_pos;
          std::int64_t n = 0;
          if (!integer(n) || peek() != '#') return false;
          ++m_pos;
          o.sourceField = n;
          break;
        }
        case '/':
          o.flags |= listflag::kNewLine;
          ++m_pos;
          break;
        case '?':
          o.flags |= listflag::kDefault;
          ++m_pos;
          break;
        case '@':
          if (!delimited('@', o.picture)) return false;
          break;
        case '*':
          o.flags |= listflag::kColour, ++m_pos;
          break;
        case 'F':
        case 'f':
          o.flags |= listflag::kFixed, ++m_pos;
          break;
        case 'I':
        case 'i':
          o.flags |= listflag::kIcon, ++m_pos;
          break;
        case 'M':
        case 'm':
          o.flags |= listflag::kResize, ++m_pos;
          break;
        case '_':
          o.flags |= listflag::kUnderline, ++m_pos;
          break;
        case '|':
          o.flags |= listflag::kRightBorder, ++m_pos;
          break;
        case 'H':
        case 'h':
        case 'S':
        case 's': {
          const bool header = ch == 'H' || ch == 'h';
          o.flags |= header ? listflag::kHeaderOption : listflag::kScroll;
          ++m_pos;
          if (peek() == '(') {
            std::int64_t n = 0;
            if (!parenthesised(n)) return false;
            (header ? o.headerOption : o.scrollWidth) = n;
          }
          break;
        }
        case 'T':
        case 't':
          o.flags |= listflag::kTree;
          ++m_pos;
          if (peek() == '(') {
            ++m_pos;
            for (;;) {
              const char t = peek();
              if (t == ')') break;
              if (t == 'L')
                o.treeFlags |= treeflag::kLines;
              else if (t == '1')
                o.treeFlags |= treeflag::kLevel1;
              else if (t == 'B')
                o.treeFlags |= treeflag::kBoxes;
              else if (t == 'I')
                o.treeFlags |= treeflag::kIndent;
              else
                return false;
              ++m_pos;
            }
            ++m_pos;
          }
          break;
        case '~':
          if (!delimited('~', o.header)) return false;
          o.flags |= listflag::kHeader;
          if (isAlignLetter(peek())) {
            o.headerAlignGiven = true;
            o.headerAlign = alignOf(peek());
            ++m_pos;
            if (peek() == '(' && !parenthesised(o.headerIndent)) return false;
          }
          break;
        default:
          return true;
      }
    }
  }

  bool column(int groupIndex) {
    std::int64_t width = 0;
    if (!integer(width)) return false;
    if (!isAlignLetter(peek())) return false;
    const ListAlign align = alignOf(peek());
    ++m_pos;
    std::int64_t indent = 0;
    if (width != 0 && peek() == '(' && !parenthesised(indent)) return false;
    Options o;
    if (!options(o)) return false;
    if (m_out) addColumn(width, align, indent, o, groupIndex);
    return true;
  }

  bool group() {
    ++m_pos;  // "["
    const int groupIndex = m_out ? static_cast<int>(m_out->groups.size()) : -1;
    if (m_out) m_out->groups.emplace_back();
    const std::size_t first = m_out ? m_out->columns.size() : 0;
    do {
      if (!column(groupIndex)) return false;
    } while (peek() != ']');
    ++m_pos;
    std::int64_t indent = 0;
    if (peek() == '(' && !parenthesised(indent)) return false;
    Options o;
    if (!options(o)) return false;
    if (m_out) {
      ListGroup& g = m_out->groups[static_cast<std::size_t>(groupIndex)];
      g.firstColumn = static_cast<int>(first);
      g.lastColumn = static_cast<int>(m_out->columns.size()) - 1;
      g.left = m_out->columns[first].left;
      g.right = m_out->columns.back().right;
      g.indent = m_scale.toPixels(indent);
      g.header = o.header;
      g.headerAlign = o.headerAlign;
      g.headerIndent = m_scale.toPixels(o.headerIndent);
      g.flags = o.flags & ~listflag::kDefault;
      g.treeFlags = o.treeFlags;
      g.scrollWidth = m_scale.toPixels(o.scrollWidth);
      g.headerOption = static_cast<int>(o.headerOption);
    }
    return true;
  }

  void addColumn(std::int64_t width, ListAlign align, std::int64_t indent, const Options& o,
                 int groupIndex) {
    ListColumn c;
    c.left = m_left;
    const int px = m_scale.toPixels(width);
    if (px <= 0) {
      c.width = 0;
      c.right = c.left - 1;
    } else {
      c.width = px;
      c.right = c.left + px;
    }
    // A zero-width column takes no room: the next one starts where it stands.
    m_left = c.width > 0 ? c.right : c.left;
    c.align = align;
    c.headerAlign = o.headerAlignGiven ? o.headerAlign : align;
    c.indent = m_scale.toPixels(indent);
    c.headerIndent = m_scale.toPixels(o.headerIndent);
    c.header = o.header;
    c.picture = o.picture;
    if (!c.picture.empty()) c.compiled = lang::compilePicture("@" + c.picture);
    c.flags = o.flags;
    c.treeFlags = o.treeFlags;
    c.scrollWidth = m_scale.toPixels(o.scrollWidth);
    c.headerOption = static_cast<int>(o.headerOption);
    c.group = groupIndex;
    // Source fields are one byte; a number outside 1..255 is not a field.
    if (o.sourceField >= 1 && o.sourceField <= 255) {
      c.sourceField = static_cast<int>(o.sourceField);
      c.valueField = c.sourceField - 1;
    } else {
      c.valueField = m_nextField;
    }
    c.colourField = c.has(listflag::kColour) ? c.valueField + 1 : -1;
    m_nextField = c.valueField + 1 + (c.colourField >= 0 ? 4 : 0);
    m_out->fieldsUsed = std::max(m_out->fieldsUsed, m_nextField);
    m_out->columns.push_back(std::move(c));
    if (o.flags & listflag::kDefault)
      m_out->defaultColumn = static_cast<int>(m_out->columns.size());
  }

  void finish() {
    m_out->fromFormat = true;
    m_out->totalWidth = m_out->columns.empty() ? 0 : std::max(0, m_out->columns.back().right);
  }

  std::string_view m_text;
  std::size_t m_pos = 0;
  ListLayout* m_out;
  ListScale m_scale;
  int m_left = 0;
  int m_nextField = 0;
};

}  // namespace

int ListScale::toPixels(std::int64_t v) const {
  // MulDiv: the product over the denominator, rounded half away from zero.
  if (denominator == 0) return 0;
  const std::int64_t product = v * numerator;
  const std::int64_t half = std::abs(static_cast<std::int64_t>(denominator)) / 2;
  std::int64_t q = (product >= 0 ? product + half : product - half) / denominator;
  return static_cast<int>(std::clamp(q, -kMaxPixels, kMaxPixels));
}

bool ListLayout::hasHeader() const {
  return std::any_of(columns.begin(), columns.end(),
                     [](const ListColumn& c) { return c.has(listflag::kHeader); });
}

int validateListFormat(std::string_view format) {
  return Reader(format, nullptr, {}).run();
}

ListLayout parseListFormat(std::string_view format, ListScale scale) {
  ListLayout layout;
  if (Reader(format, &layout, scale).run() != 0) return ListLayout{};
  return layout;
}

ListLayout defaultListLayout(const std::vector<ListAlign>& fieldAligns, int clientWidth,
                             ListScale scale) {
  ListLayout layout;
  const int count = static_cast<int>(fieldAligns.size());
  const int minimum = scale.toPixels(20);
  int left = 0;
  for (int i = 0; i < count; ++i) {
    ListColumn c;
    c.left = left;
    c.width = std::max(minimum, (clientWidth - left) / (count - i));
    c.right = left + c.width;
    c.align = c.headerAlign = fieldAligns[static_cast<std::size_t>(i)];
    c.valueField = i;
    left = c.right;
    layout.columns.push_back(std::move(c));
  }
  layout.fieldsUsed = count;
  layout.totalWidth = left;
  return layout;
}

ListLayout layoutForList(std::string_view format, const std::vector<ListAlign>& fieldAligns,
                         int clientWidth, ListScale scale) {
  if (!format.empty() && validateListFormat(format) == 0) {
    ListLayout layout = parseListFormat(format, scale);
    if (!layout.columns.empty()) return layout;
  }
  return defaultListLayout(fieldAligns, clientWidth, scale);
}

}  // namespace dw::ui
