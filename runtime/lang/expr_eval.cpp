// Evaluation of expression trees; the built-ins are in expr_builtins.cpp.
#include "runtime/lang/expr_eval.h"

#include <cmath>
#include <cstring>

#include "runtime/lang/errors.h"
#include "runtime/lang/expr_compiler.h"
#include "runtime/lang/expr_runtime.h"
#include "runtime/lang/expr_state.h"
#include "runtime/lang/language_state.h"

namespace dw::lang {
namespace {

template <typename T>
T load(const void* address) {
  T value;
  std::memcpy(&value, address, sizeof value);
  return value;
}

// A packed decimal: the first nibble is the sign (0 positive), then the
// digits, most significant first.
double readDecimal(const unsigned char* bytes, std::uint32_t size, std::uint8_t places) {
  double value = 0.0;
  for (std::uint32_t i = 0; i < size; ++i) {
    int high = bytes[i] >> 4, low = bytes[i] & 0x0F;
    if (i > 0) value = value * 10 + (high > 9 ? 0 : high);
    value = value * 10 + (low > 9 ? 0 : low);
  }
  value /= std::pow(10.0, places);
  return size > 0 && (bytes[0] >> 4) != 0 ? -value : value;
}

std::string readText(const char* text, std::uint32_t size, bool stopAtZero) {
  std::size_t len = size;
  if (stopAtZero) {
    const void* zero = std::memchr(text, 0, size);
    if (zero) len = static_cast<std::size_t>(static_cast<const char*>(zero) - text);
  }
  return std::string(text, len);
}

// The saturating negation of an integer.
std::int64_t negate(std::int64_t i) {
  return i == INT64_MIN ? INT64_MAX : -i;
}

double arithmetic(OpCode op, double a, double b) {
  switch (op) {
    case OpCode::kPower: {
      double r = std::pow(a, b);
      return std::isnan(r) ? 0.0 : r;
    }
    case OpCode::kMultiply:
      return a * b;
    case OpCode::kDivide:
      return b == 0.0 ? 0.0 : a / b;
    case OpCode::kModulus:
      return b == 0.0 ? 0.0 : std::fmod(a, b);
    case OpCode::kAdd:
      return a + b;
    case OpCode::kSubtract:
      return a - b;
    default:
      return 0.0;
  }
}

// -1, 0 or 1, or nullopt for reals that do not compare (NaN).
std::optional<int> compareOperands(const ExprNode& a, const ExprNode& b) {
  if (isIntegral(a.type) && isIntegral(b.type)) {
    std::int64_t x = evalInteger(a), y = evalInteger(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (isText(a.type) && isText(b.type)) {
    int c = exprrt::compareText(evalString(a), evalString(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  return compareReals(evalReal(a), evalReal(b));
}

bool comparison(OpCode op, const ExprNode& a, const ExprNode& b) {
  std::optional<int> c = compareOperands(a, b);
  if (!c) return op == OpCode::kNotEqual;
  switch (op) {
    case OpCode::kEqual:
      return *c == 0;
    case OpCode::kNotEqual:
      return *c != 0;
    case OpCode::kLess:
      return *c < 0;
    case OpCode::kGreater:
      return *c > 0;
    case OpCode::kLessEqual:
      return *c <= 0;
    case OpCode::kGreaterEqual:
      return *c >= 0;
    default:
      return false;
  }
}

// Integer and truth values of the operators that give them directly.
std::int64_t logical(const ExprNode& node) {
  const ExprNode& a = *node.children[0];
  if (node.op == OpCode::kNot) return evalTruth(a) ? 0 : 1;
  const ExprNode& b = *node.children[1];
  switch (node.op) {
    case OpCode::kAnd: {
      bool x = evalTruth(a), y = evalTruth(b);
      return x && y;
    }
    case OpCode::kOr: {
      bool x = evalTruth(a), y = evalTruth(b);
      return x || y;
    }
    case OpCode::kXor: {
      bool x = evalTruth(a), y = evalTruth(b);
      return x != y;
    }
    default:
      return comparison(node.op, a, b);
  }
}

bool givesTruth(const ExprNode& node) {
  return (node.kind == NodeKind::kUnary && node.op == OpCode::kNot) ||
         (node.kind == NodeKind::kBinary && node.op >= OpCode::kEqual && node.op <= OpCode::kXor);
}

Value callNode(const ExprNode& node) {
  std::vector<Value>& stack = currentLanguageState().valueStack();
  const std::size_t base = stack.size();
  for (const auto& arg : node.children) {
    Value v = evaluate(*arg);
    currentLanguageState().valueStack().push_back(std::move(v));
  }
  std::vector<Value>& after = currentLanguageState().valueStack();
  Value result = callBuiltin(node.function, after.data() + base, node.children.size());
  after.resize(base);
  return result;
}

std::string subscript(const ExprNode& node) {
  std::string text = evalString(*node.children[0]);
  const std::int64_t len = static_cast<std::int64_t>(text.size());
  std::int64_t first = evalInteger(*node.children[1]);
  std::int64_t last = node.op == OpCode::kSubscriptRange ? evalInteger(*node.children[2]) : first;
  if (first < 1) first = 1;
  if (last > len) last = len;
  if (first > last) return {};
  return text.substr(static_cast<std::size_t>(first - 1),
                     static_cast<std::size_t>(last - first + 1));
}

}  // namespace

Value readVariable(const BoundVariable& v) {
  if (!v.address) return Value::ofInteger(0);
  switch (v.type) {
    case VarType::kByte:
      return Value::ofInteger(load<std::uint8_t>(v.address));
    case VarType::kShort:
      return Value::ofInteger(load<std::int16_t>(v.address));
    case VarType::kUShort:
      return Value::ofInteger(load<std::uint16_t>(v.address));
    case VarType::kLong:
      return Value::ofInteger(load<std::int32_t>(v.address));
    case VarType::kULong:
      return Value::ofInteger(load<std::uint32_t>(v.address));
    case VarType::kSReal:
      return Value::ofReal(load<float>(v.address));
    case VarType::kReal:
      return Value::ofReal(load<double>(v.address));
    case VarType::kDecimal:
      return Value::ofReal(
          readDecimal(static_cast<const unsigned char*>(v.address), v.size, v.decimalPlaces));
    case VarType::kString:
      return Value::ofString(readText(static_cast<const char*>(v.address), v.size, false));
    case VarType::kCString:
    case VarType::kMemo:
      return Value::ofString(readText(static_cast<const char*>(v.address), v.size, true));
    case VarType::kStdString:
      return Value::ofString(*static_cast<const std::string*>(v.address));
  }
  return Value::ofInteger(0);
}

Value evaluate(const ExprNode& node) {
  if (node.cached) return *node.cached;
  switch (node.kind) {
    case NodeKind::kConstant:
      return node.constant;
    case NodeKind::kVariable:
      return readVariable(node.variable);
    case NodeKind::kCall:
      return callNode(node);
    case NodeKind::kSubscript:
      return Value::ofString(subscript(node));
    case NodeKind::kUnary:
    case NodeKind::kBinary:
      break;
  }
  switch (node.type) {
    case ResultType::kTruth:
      return Value::ofTruth(evalInteger(node) != 0);
    case ResultType::kInteger:
      return Value::ofInteger(evalInteger(node));
    case ResultType::kReal:
      return Value::ofReal(evalReal(node));
    case ResultType::kPicture:
    case ResultType::kString:
      break;
  }
  return Value::ofString(evalString(node));
}

std::int64_t evalInteger(const ExprNode& node) {
  if (node.cached) return node.cached->asInteger();
  if (node.kind == NodeKind::kUnary && node.op == OpCode::kNegate) {
    return negate(evalInteger(*node.children[0]));
  }
  if (givesTruth(node)) return logical(node);
  if (node.kind == NodeKind::kBinary || node.kind == NodeKind::kUnary) {
    return truncateReal(evalReal(node));
  }
  return evaluate(node).asInteger();
}

double evalReal(const ExprNode& node) {
  if (node.cached) return node.cached->asReal();
  if (node.kind == NodeKind::kUnary) {
    if (node.op == OpCode::kNegate) return -evalReal(*node.children[0]);
    std::optional<int> c = compareReals(evalReal(*node.children[0]), 0.0);
    return c && *c == 0 ? 1.0 : 0.0;
  }
  if (node.kind == NodeKind::kBinary) {
    if (node.op == OpCode::kConcat) return numberFromText(evalString(node));
    if (givesTruth(node)) return static_cast<double>(logical(node));
    return arithmetic(node.op, evalReal(*node.children[0]), evalReal(*node.children[1]));
  }
  return evaluate(node).asReal();
}

std::string evalString(const ExprNode& node) {
  if (node.cached) return node.cached->asString();
  if (node.kind == NodeKind::kBinary && node.op == OpCode::kConcat) {
    return evalString(*node.children[0]) + evalString(*node.children[1]);
  }
  return evaluate(node).asString();
}

bool evalTruth(const ExprNode& node) {
  if (node.cached) return node.cached->asTruth();
  if (isIntegral(node.type)) return evalInteger(node) != 0;
  if (node.type == ResultType::kReal) return evalReal(node) != 0.0;
  return !isBlankText(evalString(node));
}

std::string EVALUATE(std::string_view text) {
  clearError();
  ExprTree tree = compileExpression(text);
  if (!tree) {
    if (errorCode() != err::kExprNoBind) postError(err::kExprInvalid);
    return {};
  }
  return evaluate(*tree).asString();
}

}  // namespace dw::lang
