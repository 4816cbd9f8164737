// Symbol tables of the expression evaluator: the names a filter text can use.
//
// A table is a binary search tree ordered by name, compared without regard
// to case in the runtime's collating order.  Its root is always the node
// "MMMMMMM"; the built-in function names and operator keywords are inserted
// after it in a fixed order that keeps the tree roughly balanced around the
// root.  Program variables are entered by BIND: binding a name that is
// already in the table replaces that node's meaning in place.
//
// Invariants: node 0 is the root "MMMMMMM" whenever the table is not empty;
// every left link leads to smaller names and every right link to larger
// ones; names are at most kMaxBindName characters.
//
// The tables of a thread live in its LanguageState (language_state.h) as a
// stack of scopes; the free functions at the end of this header work on the
// current state.  Only the thread that holds the Runtime lock calls them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw::lang {

// What a value is when an expression evaluates it.
enum class ResultType : std::uint8_t {
  kTruth = 0,
  kInteger = 1,
  kReal = 2,
  kPicture = 3,
  kString = 4,
};

// Truth values and integers compare and combine as integers; pictures and
// strings as text.
inline bool isIntegral(ResultType t) {
  return t == ResultType::kTruth || t == ResultType::kInteger;
}
inline bool isText(ResultType t) {
  return t == ResultType::kString || t == ResultType::kPicture;
}

// The runtime type of a bound program variable.
enum class VarType : std::uint8_t {
  kByte,       // unsigned 8-bit
  kShort,      // signed 16-bit
  kUShort,     // unsigned 16-bit
  kLong,       // signed 32-bit (also dates and times)
  kULong,      // unsigned 32-bit
  kSReal,      // 4-byte real
  kReal,       // 8-byte real
  kDecimal,    // packed decimal: sign nibble first, then digits, most significant first
  kString,     // fixed length, blank padded
  kCString,    // zero terminated within its size
  kMemo,       // memo buffer: text up to the first zero byte or the buffer's size
  kStdString,  // a std::string of the program
};

// A program variable as BIND enters it: evaluation reads the variable at
// this address each time, so it always sees the current value.
struct BoundVariable {
  VarType type = VarType::kLong;
  void* address = nullptr;
  std::uint32_t size = 0;          // bytes (strings, memos, decimals)
  std::uint8_t decimalPlaces = 0;  // DECIMAL only

  ResultType resultType() const;
  bool operator==(const BoundVariable&) const = default;
};

// Operator codes; they also order the operators from the tightest binding
// to the loosest when a tree is printed.
enum class OpCode : std::uint8_t {
  kSubscript = 0,
  kSubscriptRange = 1,
  kPower = 2,
  kMultiply = 3,
  kDivide = 4,
  kModulus = 5,
  kNegate = 6,
  kAdd = 7,
  kSubtract = 8,
  kConcat = 9,
  kEqual = 10,
  kNotEqual = 11,
  kLess = 12,
  kGreater = 13,
  kLessEqual = 14,
  kGreaterEqual = 15,
  kNot = 16,
  kAnd = 17,
  kOr = 18,
  kXor = 19,
  kArgSeparator = 20,
  kRange = 21,
};

// Built-in functions, numbered in their insertion order.
enum class BuiltinId : std::uint8_t {
  kInt,
  kCenter,
  kAsin,
  kAge,
  kAbs,
  kAcos,
  kAll,
  kBor,
  kAtan,
  kBand,
  kBshift,
  kBxor,
  kDay,
  kClock,
  kChr,
  kClip,
  kCos,
  kDate,
  kInrange,
  kDeformat,
  kFormat,
  kInstring,
  kRandom,
  kLower,
  kLog10,
  kLeft,
  kLen,
  kLoge,
  kMemory,
  kMonth,
  kNumeric,
  kTan,
  kSin,
  kRight,
  kRound,
  kSqrt,
  kSub,
  kVal,
  kToday,
  kUpper,
  kYear,
};

enum class SymbolKind : std::uint8_t {
  kRoot = 0,
  kVariable = 1,
  kOperator = 4,
  kFunction = 6,
};

inline constexpr std::size_t kMaxBindName = 99;
inline constexpr const char* kRootName = "MMMMMMM";

// One entry of a table, as a lookup returns it.
struct Symbol {
  SymbolKind kind = SymbolKind::kRoot;
  std::string name;
  ResultType type = ResultType::kInteger;
  BoundVariable variable;    // kVariable
  OpCode op = OpCode::kAnd;  // kOperator
  BuiltinId function{};      // kFunction
  std::uint8_t maxArgs = 0;  // kFunction
};

class SymbolTable {
 public:
  // Finds a name (case-insensitive); creates the root and the built-ins on
  // first use.
  const Symbol* find(std::string_view name);
  // Enters or replaces a variable.  False (and no change) when the name is
  // empty or longer than kMaxBindName.
  bool bind(std::string_view name, const BoundVariable& variable);
  // Forgets every name, the built-ins too (they return on the next use).
  void clear() { m_nodes.clear(); }
  bool empty() const { return m_nodes.empty(); }
  std::size_t size() const { return m_nodes.size(); }
  // Depth of the tree (0 when empty); for tests of its balance.
  std::size_t depth() const;
  // The names in tree order.
  std::vector<std::string> names() const;

 private:
  struct Node {
    Symbol symbol;
    std::int32_t left = -1;
    std::int32_t right = -1;
  };
  void ensureBuiltins();
  // Index of the node for name, or of the node to attach it to.
  std::int32_t insert(Symbol symbol);

  std::vector<Node> m_nodes;
};

// Compares two names as the tables order them: case-insensitive, in the
// collating order.
int compareNames(std::string_view a, std::string_view b);

// --- BIND and scopes on the current language state -------------------------

// Enters a variable into the current table.  Returns false for a name that is
// empty or longer than kMaxBindName characters.
bool bindVariable(std::string_view name, const BoundVariable& variable);

// Typed BIND for program variables.
bool BIND(std::string_view name, std::uint8_t& variable);
bool BIND(std::string_view name, std::int16_t& variable);
bool BIND(std::string_view name, std::uint16_t& variable);
bool BIND(std::string_view name, std::int32_t& variable);
bool BIND(std::string_view name, std::uint32_t& variable);
bool BIND(std::string_view name, float& variable);
bool BIND(std::string_view name, double& variable);
bool BIND(std::string_view name, std::string& variable);
// A blank-padded STRING(size), a CSTRING(size) or a memo buffer.
bool bindText(std::string_view name, char* buffer, std::uint32_t size, VarType type);
// A DECIMAL of size bytes.
bool bindDecimal(std::string_view name, void* buffer, std::uint32_t size,
                 std::uint8_t decimalPlaces = 0);

// Saves the current table and starts an empty one.
void PUSHSCOPE();
// Frees the current table and makes the saved one current; with nothing
// saved posts 802 and still clears the current table.
void POPSCOPE();
// Clears the current table.
void clearBindings();

// Looks a name up in the current table.
const Symbol* lookupSymbol(std::string_view name);

}  // namespace dw::lang
