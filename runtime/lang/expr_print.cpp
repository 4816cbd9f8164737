// Printing expression trees as text; see expr_print.h.
#include "runtime/lang/expr_print.h"

#include <charconv>
#include <cmath>

#include "runtime/lang/expr_lexer.h"

namespace dw::lang {
namespace {

// Grammar levels, loosest first; a higher level binds tighter.
enum Level : int {
  kOrLevel = 1,
  kAndLevel,
  kNotLevel,
  kCompareLevel,
  kConcatLevel,
  kSumLevel,
  kProductLevel,
  kPowerLevel,
  kSignLevel,
  kPrimaryLevel,
};

int levelOf(const ExprNode& node) {
  if (node.kind != NodeKind::kUnary && node.kind != NodeKind::kBinary) return kPrimaryLevel;
  switch (node.op) {
    case OpCode::kPower:
      return kPowerLevel;
    case OpCode::kMultiply:
    case OpCode::kDivide:
    case OpCode::kModulus:
      return kProductLevel;
    case OpCode::kNegate:
      return kSignLevel;
    case OpCode::kAdd:
    case OpCode::kSubtract:
      return kSumLevel;
    case OpCode::kConcat:
      return kConcatLevel;
    case OpCode::kNot:
      return kNotLevel;
    case OpCode::kAnd:
      return kAndLevel;
    case OpCode::kOr:
    case OpCode::kXor:
      return kOrLevel;
    default:
      return kCompareLevel;
  }
}

const char* operatorText(OpCode op) {
  static const char* const kTexts[] = {
      "[",    "[",   " ^ ", " * ",  " / ",  " % ", "-",     " + ",  " - ",   " & ", " = ",
      " <> ", " < ", " > ", " <= ", " >= ", "~",   " AND ", " OR ", " XOR ", ", ",  " : ",
  };
  return kTexts[static_cast<int>(op)];
}

void print(const ExprNode& node, std::string& out);
void printIndex(const ExprNode& index, std::string& out);

// Prints a child, in parentheses when its level is below minLevel.
void printChild(const ExprNode& child, int minLevel, std::string& out) {
  if (levelOf(child) < minLevel) {
    out += '(';
    print(child, out);
    out += ')';
  } else {
    print(child, out);
  }
}

// Prints a subscript's index; a picture in it would run on over the
// closing "]", so such an index goes in parentheses.
void printIndex(const ExprNode& index, std::string& out) {
  std::string text;
  print(index, text);
  if (text.find('@') != std::string::npos) text = "(" + text + ")";
  out += text;
}

// A picture ends at a blank, "," or ")" outside its own parentheses and
// currency text.  One whose currency text is still open at its end would run
// on over whatever follows it, so such a picture goes in parentheses: a ")"
// at its own level always ends it.
std::string pictureText(const std::string& picture) {
  const std::string followed = picture + " ,";
  ExprLexer lexer(followed);
  const Token token = lexer.next();
  if (token.kind == TokenKind::kPicture && token.text == picture) return picture;
  return "(" + picture + ")";
}

void print(const ExprNode& node, std::string& out) {
  switch (node.kind) {
    case NodeKind::kConstant:
      out += node.type == ResultType::kPicture ? pictureText(node.constant.text)
                                               : constantText(node.constant);
      return;
    case NodeKind::kVariable:
      out += node.name;
      return;
    case NodeKind::kCall:
      out += node.name;
      out += '(';
      for (std::size_t i = 0; i < node.children.size(); ++i) {
        if (i > 0) out += operatorText(OpCode::kArgSeparator);
        print(*node.children[i], out);
      }
      out += ')';
      return;
    case NodeKind::kSubscript:
      if (node.children[0]->type == ResultType::kPicture) {
        // A picture runs on over "[": close it off.
        out += '(';
        print(*node.children[0], out);
        out += ')';
      } else {
        printChild(*node.children[0], kPrimaryLevel, out);
      }
      out += '[';
      printIndex(*node.children[1], out);
      if (node.children.size() > 2) {
        out += operatorText(OpCode::kRange);
        printIndex(*node.children[2], out);
      }
      out += ']';
      return;
    case NodeKind::kUnary:
      out += operatorText(node.op);
      // The operand must sit tighter than the operator itself, so that two
      // signs or two NOTs do not merge (and cancel) when read back.
      printChild(*node.children[0], node.op == OpCode::kNegate ? kPrimaryLevel : kCompareLevel,
                 out);
      return;
    case NodeKind::kBinary: {
      const int level = levelOf(node);
      printChild(*node.children[0], level, out);
      out += operatorText(node.op);
      printChild(*node.children[1], level + 1, out);
      return;
    }
  }
}

std::string realText(double r) {
  if (!std::isfinite(r)) r = std::isnan(r) ? 0.0 : std::copysign(1.7976931348623157e308, r);
  char buffer[64];
  // Plain decimals while they stay short, else a mantissa and an exponent.
  auto [fixedEnd, fixedEc] = std::to_chars(buffer, buffer + 24, r, std::chars_format::fixed);
  if (fixedEc == std::errc()) {
    std::string s(buffer, fixedEnd);
    if (s.find('.') == std::string::npos) s += ".0";
    return s;
  }
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, r, std::chars_format::scientific);
  std::string s = ec == std::errc() ? std::string(buffer, ptr) : "0e+00";
  // "d.ddde+XX" or "de+XX": the form the lexer reads is "d.dddEXX".
  std::size_t e = s.find('e');
  std::string mantissa = s.substr(0, e);
  int exponent = std::stoi(s.substr(e + 1));
  if (mantissa.find('.') == std::string::npos) mantissa += ".0";
  if (exponent == 0) return mantissa;
  return mantissa + "E" + std::to_string(exponent);
}

}  // namespace

std::string constantText(const Value& value) {
  switch (value.type) {
    case ResultType::kTruth:
    case ResultType::kInteger:
      return std::to_string(value.integer);
    case ResultType::kReal:
      return realText(value.real);
    case ResultType::kPicture:
      return value.text;
    case ResultType::kString:
      break;
  }
  std::string out = "'";
  for (char c : value.text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string exprToText(const ExprNode& node) {
  std::string out;
  print(node, out);
  return out;
}

}  // namespace dw::lang
