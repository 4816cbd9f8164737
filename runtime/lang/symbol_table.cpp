// Symbol tables: the ordered tree of names, the built-ins, BIND and scopes.
#include "runtime/lang/symbol_table.h"

#include <algorithm>

#include "runtime/lang/errors.h"
#include "runtime/lang/expr_runtime.h"
#include "runtime/lang/expr_state.h"
#include "runtime/lang/language_state.h"

namespace dw::lang {
namespace {

struct BuiltinEntry {
  const char* name;
  SymbolKind kind;
  std::uint8_t maxArgs;
  ResultType type;
  OpCode op;
};

constexpr ResultType kI = ResultType::kInteger;
constexpr ResultType kR = ResultType::kReal;
constexpr ResultType kS = ResultType::kString;
constexpr SymbolKind kF = SymbolKind::kFunction;
constexpr SymbolKind kO = SymbolKind::kOperator;

// In insertion order; functions are numbered by their place among the
// functions (BuiltinId), operators carry their operator code.
constexpr BuiltinEntry kBuiltins[] = {
    {"INT", kF, 1, kI, {}},      {"CENTER", kF, 2, kS, {}},
    {"ASIN", kF, 1, kR, {}},     {"AGE", kF, 2, kS, {}},
    {"ABS", kF, 1, kR, {}},      {"ACOS", kF, 1, kR, {}},
    {"ALL", kF, 2, kS, {}},      {"AND", kO, 0, ResultType::kTruth, OpCode::kAnd},
    {"BOR", kF, 2, kI, {}},      {"ATAN", kF, 1, kR, {}},
    {"BAND", kF, 2, kI, {}},     {"BSHIFT", kF, 2, kI, {}},
    {"BXOR", kF, 2, kI, {}},     {"DAY", kF, 1, kI, {}},
    {"CLOCK", kF, 0, kI, {}},    {"CHR", kF, 1, kS, {}},
    {"CLIP", kF, 1, kS, {}},     {"COS", kF, 1, kR, {}},
    {"DATE", kF, 3, kI, {}},     {"INRANGE", kF, 3, kI, {}},
    {"DEFORMAT", kF, 2, kS, {}}, {"FORMAT", kF, 2, kS, {}},
    {"INSTRING", kF, 4, kI, {}}, {"RANDOM", kF, 2, kI, {}},
    {"LOWER", kF, 1, kS, {}},    {"LOG10", kF, 1, kR, {}},
    {"LEFT", kF, 2, kS, {}},     {"LEN", kF, 1, kI, {}},
    {"LOGE", kF, 1, kR, {}},     {"NOT", kO, 0, ResultType::kTruth, OpCode::kNot},
    {"MEMORY", kF, 1, kI, {}},   {"MONTH", kF, 1, kI, {}},
    {"NUMERIC", kF, 1, kI, {}},  {"OR", kO, 0, ResultType::kTruth, OpCode::kOr},
    {"TAN", kF, 1, kR, {}},      {"SIN", kF, 1, kR, {}},
    {"RIGHT", kF, 1, kS, {}},    {"ROUND", kF, 2, kR, {}},
    {"SQRT", kF, 1, kR, {}},     {"SUB", kF, 3, kS, {}},
    {"VAL", kF, 1, kI, {}},      {"TODAY", kF, 0, kI, {}},
    {"UPPER", kF, 1, kS, {}},    {"XOR", kO, 0, ResultType::kTruth, OpCode::kXor},
    {"YEAR", kF, 1, kI, {}},
};

}  // namespace

ResultType BoundVariable::resultType() const {
  switch (type) {
    case VarType::kByte:
    case VarType::kShort:
    case VarType::kUShort:
    case VarType::kLong:
    case VarType::kULong:
      return ResultType::kInteger;
    case VarType::kString:
    case VarType::kCString:
    case VarType::kMemo:
    case VarType::kStdString:
      return ResultType::kString;
    case VarType::kSReal:
    case VarType::kReal:
    case VarType::kDecimal:
      break;
  }
  return ResultType::kReal;
}

int compareNames(std::string_view a, std::string_view b) {
  return exprrt::compareNoCase(a, b);
}

void SymbolTable::ensureBuiltins() {
  if (!m_nodes.empty()) return;
  m_nodes.reserve(std::size(kBuiltins) + 1);
  Symbol root;
  root.kind = SymbolKind::kRoot;
  root.name = kRootName;
  m_nodes.push_back(Node{std::move(root), -1, -1});
  std::uint8_t function = 0;
  for (const BuiltinEntry& e : kBuiltins) {
    Symbol s;
    s.kind = e.kind;
    s.name = e.name;
    s.type = e.type;
    s.maxArgs = e.maxArgs;
    s.op = e.op;
    if (e.kind == SymbolKind::kFunction) s.function = static_cast<BuiltinId>(function++);
    insert(std::move(s));
  }
}

std::int32_t SymbolTable::insert(Symbol symbol) {
  std::int32_t at = 0;
  while (true) {
    int c = compareNames(symbol.name, m_nodes[at].symbol.name);
    if (c == 0) {
      m_nodes[at].symbol = std::move(symbol);
      return at;
    }
    std::int32_t& link = c < 0 ? m_nodes[at].left : m_nodes[at].right;
    if (link < 0) {
      m_nodes.push_back(Node{std::move(symbol), -1, -1});
      // The push may have moved the nodes: link the new one by index.
      std::int32_t added = static_cast<std::int32_t>(m_nodes.size() - 1);
      (c < 0 ? m_nodes[at].left : m_nodes[at].right) = added;
      return added;
    }
    at = link;
  }
}

const Symbol* SymbolTable::find(std::string_view name) {
  ensureBuiltins();
  std::int32_t at = 0;
  while (at >= 0) {
    int c = compareNames(name, m_nodes[at].symbol.name);
    if (c == 0) return &m_nodes[at].symbol;
    at = c < 0 ? m_nodes[at].left : m_nodes[at].right;
  }
  return nullptr;
}

bool SymbolTable::bind(std::string_view name, const BoundVariable& variable) {
  if (name.empty() || name.size() > kMaxBindName) return false;
  ensureBuiltins();
  Symbol s;
  s.kind = SymbolKind::kVariable;
  s.name = std::string(name);
  s.type = variable.resultType();
  s.variable = variable;
  insert(std::move(s));
  return true;
}

std::size_t SymbolTable::depth() const {
  if (m_nodes.empty()) return 0;
  // Breadth-first by levels, so that a degenerate tree costs no stack.
  std::vector<std::int32_t> level{0}, next;
  std::size_t depth = 0;
  while (!level.empty()) {
    ++depth;
    next.clear();
    for (std::int32_t i : level) {
      if (m_nodes[i].left >= 0) next.push_back(m_nodes[i].left);
      if (m_nodes[i].right >= 0) next.push_back(m_nodes[i].right);
    }
    level.swap(next);
  }
  return depth;
}

std::vector<std::string> SymbolTable::names() const {
  std::vector<std::string> out;
  std::vector<std::int32_t> stack;
  std::int32_t at = m_nodes.empty() ? -1 : 0;
  while (at >= 0 || !stack.empty()) {
    while (at >= 0) {
      stack.push_back(at);
      at = m_nodes[at].left;
    }
    at = stack.back();
    stack.pop_back();
    out.push_back(m_nodes[at].symbol.name);
    at = m_nodes[at].right;
  }
  return out;
}

// --- the current state ------------------------------------------------------

bool bindVariable(std::string_view name, const BoundVariable& variable) {
  return currentLanguageState().currentTable().bind(name, variable);
}

namespace {
template <typename T>
bool bindScalar(std::string_view name, T& variable, VarType type) {
  return bindVariable(name, BoundVariable{type, &variable, sizeof(T), 0});
}
}  // namespace

bool BIND(std::string_view name, std::uint8_t& v) {
  return bindScalar(name, v, VarType::kByte);
}
bool BIND(std::string_view name, std::int16_t& v) {
  return bindScalar(name, v, VarType::kShort);
}
bool BIND(std::string_view name, std::uint16_t& v) {
  return bindScalar(name, v, VarType::kUShort);
}
bool BIND(std::string_view name, std::int32_t& v) {
  return bindScalar(name, v, VarType::kLong);
}
bool BIND(std::string_view name, std::uint32_t& v) {
  return bindScalar(name, v, VarType::kULong);
}
bool BIND(std::string_view name, float& v) {
  return bindScalar(name, v, VarType::kSReal);
}
bool BIND(std::string_view name, double& v) {
  return bindScalar(name, v, VarType::kReal);
}
bool BIND(std::string_view name, std::string& v) {
  return bindVariable(name, BoundVariable{VarType::kStdString, &v, 0, 0});
}

bool bindText(std::string_view name, char* buffer, std::uint32_t size, VarType type) {
  return bindVariable(name, BoundVariable{type, buffer, size, 0});
}

bool bindDecimal(std::string_view name, void* buffer, std::uint32_t size,
                 std::uint8_t decimalPlaces) {
  return bindVariable(name, BoundVariable{VarType::kDecimal, buffer, size, decimalPlaces});
}

void PUSHSCOPE() {
  currentLanguageState().pushScope();
}

void POPSCOPE() {
  if (!currentLanguageState().popScope()) postError(err::kExprScopeMismatch);
}

void clearBindings() {
  currentLanguageState().currentTable().clear();
}

const Symbol* lookupSymbol(std::string_view name) {
  return currentLanguageState().currentTable().find(name);
}

}  // namespace dw::lang
