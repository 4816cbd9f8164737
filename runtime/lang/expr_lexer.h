// The lexer of expression texts.
//
// Tokens: names (a letter, "?" or "_", then letters, digits, "_" and ":",
// optionally ended by one "#", "$" or quote); numbers (a run of digits and
// letters that ends in H, O or B for a based integer, else decimal digits,
// optionally followed by "." digits and an exponent "E" [sign] digits);
// strings in single quotes with doubled quotes inside; pictures from "@";
// the single characters + - * / % ^ & = < > ~ , : ( ) [ ]; and the end.
// Blanks and tabs between tokens are skipped.  Anything else is an error
// token that carries its reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dw::lang {

enum class TokenKind : std::uint8_t {
  kEnd,
  kName,
  kInteger,
  kReal,
  kString,
  kPicture,
  kChar,
  kError,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // name, string contents, picture, error reason
  std::int64_t integer = 0;
  double real = 0.0;
  char ch = 0;             // kChar
  std::size_t offset = 0;  // where the token starts in the text
};

class ExprLexer {
 public:
  explicit ExprLexer(std::string_view text) : m_text(text) {}
  Token next();

 private:
  Token readName();
  Token readNumber();
  Token readString();
  Token readPicture();
  Token error(std::size_t at, std::string reason);

  std::string_view m_text;
  std::size_t m_pos = 0;
};

}  // namespace dw::lang
