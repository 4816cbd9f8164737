// The lexer of expression texts; see expr_lexer.h for the token forms.
#include "runtime/lang/expr_lexer.h"

#include <charconv>
#include <limits>

namespace dw::lang {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int digitValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The value of digits in a base, or false when one is out of the base or
// the value does not fit.
bool parseBased(std::string_view digits, int base, std::int64_t* out) {
  std::uint64_t value = 0;
  const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  for (char c : digits) {
    int d = digitValue(c);
    if (d >= base) return false;
    if (value > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) {
      return false;
    }
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
  }
  *out = static_cast<std::int64_t>(value);
  return true;
}

const std::string_view kSingles = "+-*/%^&=<>~,:()[]";

}  // namespace

Token ExprLexer::error(std::size_t at, std::string reason) {
  Token t;
  t.kind = TokenKind::kError;
  t.offset = at;
  t.text = std::move(reason);
  m_pos = m_text.size();
  return t;
}

Token ExprLexer::next() {
  while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t')) ++m_pos;
  Token t;
  t.offset = m_pos;
  if (m_pos >= m_text.size()) return t;
  char c = m_text[m_pos];
  if (isLetter(c) || c == '?' || c == '_') return readName();
  if (isDigit(c)) return readNumber();
  if (c == '.' && m_pos + 1 < m_text.size() && isDigit(m_text[m_pos + 1])) return readNumber();
  if (c == '\'') return readString();
  if (c == '@') return readPicture();
  if (kSingles.find(c) != std::string_view::npos) {
    t.kind = TokenKind::kChar;
    t.ch = c;
    ++m_pos;
    return t;
  }
  return error(m_pos, "unexpected character");
}

Token ExprLexer::readName() {
  Token t;
  t.kind = TokenKind::kName;
  t.offset = m_pos;
  std::size_t end = m_pos + 1;
  while (end < m_text.size()) {
    char c = m_text[end];
    if (!isLetter(c) && !isDigit(c) && c != '_' && c != ':') break;
    ++end;
  }
  if (end < m_text.size() && (m_text[end] == '#' || m_text[end] == '$' || m_text[end] == '\'')) {
    ++end;
  }
  t.text = std::string(m_text.substr(m_pos, end - m_pos));
  m_pos = end;
  return t;
}

Token ExprLexer::readNumber() {
  const std::size_t start = m_pos;
  std::size_t end = m_pos;
  std::string run;
  while (end < m_text.size() && (isDigit(m_text[end]) || isLetter(m_text[end]))) {
    run.push_back(upper(m_text[end]));
    ++end;
  }
  Token t;
  t.offset = start;
  if (run.size() >= 2) {
    char last = run.back();
    std::string_view body(run.data(), run.size() - 1);
    int base = last == 'H' ? 16 : last == 'O' ? 8 : last == 'B' ? 2 : 0;
    if (base != 0 && parseBased(body, base, &t.integer)) {
      t.kind = TokenKind::kInteger;
      m_pos = end;
      return t;
    }
  }
  for (char c : run) {
    if (!isDigit(c)) return error(start, "invalid number");
  }
  // A decimal integer, or a real when a fraction follows.
  std::string literal = run;
  bool real = false;
  if (end + 1 < m_text.size() && m_text[end] == '.' && isDigit(m_text[end + 1])) {
    real = true;
    literal.push_back('.');
    ++end;
    while (end < m_text.size() && isDigit(m_text[end])) literal.push_back(m_text[end++]);
    if (end < m_text.size() && (m_text[end] == 'E' || m_text[end] == 'e')) {
      std::size_t e = end + 1;
      std::string exponent = "e";
      if (e < m_text.size() && (m_text[e] == '+' || m_text[e] == '-'))
        exponent.push_back(m_text[e++]);
      if (e >= m_text.size() || !isDigit(m_text[e])) return error(end, "exponent without digits");
      while (e < m_text.size() && isDigit(m_text[e])) exponent.push_back(m_text[e++]);
      literal += exponent;
      end = e;
    }
  }
  m_pos = end;
  if (!real) {
    if (!parseBased(run, 10, &t.integer)) return error(start, "number too large");
    t.kind = TokenKind::kInteger;
    return t;
  }
  if (literal.front() == '.') literal.insert(literal.begin(), '0');
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too small reads as zero; too large cannot be held.
    std::size_t epos = literal.find('e');
    if (epos == std::string::npos || literal[epos + 1] != '-') {
      return error(start, "number too large");
    }
    value = 0.0;
  } else if (ec != std::errc() || ptr != literal.data() + literal.size()) {
    return error(start, "invalid number");
  }
  t.kind = TokenKind::kReal;
  t.real = value;
  return t;
}

Token ExprLexer::readString() {
  const std::size_t start = m_pos;
  Token t;
  t.kind = TokenKind::kString;
  t.offset = start;
  std::size_t i = m_pos + 1;
  while (true) {
    if (i >= m_text.size()) return error(start, "missing closing quote");
    if (m_text[i] == '\'') {
      if (i + 1 < m_text.size() && m_text[i + 1] == '\'') {
        t.text.push_back('\'');
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    t.text.push_back(m_text[i++]);
  }
  m_pos = i;
  return t;
}

Token ExprLexer::readPicture() {
  const std::size_t start = m_pos;
  std::size_t i = m_pos + 1;
  if (i < m_text.size() && (m_text[i] == 'p' || m_text[i] == 'P')) {
    // A pattern runs to its closing letter, which repeats the opening one.
    char close = m_text[i];
    std::size_t end = m_text.find(close, i + 1);
    if (end == std::string_view::npos) return error(start, "unterminated pattern picture");
    i = end + 1;
    if (i < m_text.size() && (m_text[i] == 'B' || m_text[i] == 'b')) ++i;
  } else {
    const bool number = i < m_text.size() && (m_text[i] == 'n' || m_text[i] == 'N');
    bool currency = false;
    int depth = 0;
    for (; i < m_text.size(); ++i) {
      char c = m_text[i];
      if (number && c == '~') {
        currency = !currency;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (depth == 0) break;
        --depth;
      } else if (depth == 0 && c == ',') {
        break;
      } else if (depth == 0 && !currency && (c == ' ' || c == '\t')) {
        break;
      }
    }
    // A "(" left open would swallow the rest of any text printed after it.
    if (depth > 0) return error(start, "unbalanced parentheses in picture");
  }
  Token t;
  t.kind = TokenKind::kPicture;
  t.offset = start;
  t.text = std::string(m_text.substr(start, i - start));
  m_pos = i;
  return t;
}

}  // namespace dw::lang
