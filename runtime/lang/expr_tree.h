// Compiled expressions: the tree that the compiler builds from a filter text
// and that the evaluator walks for every candidate record.
//
// A node is a constant, a bound variable (by the variable's address and
// type, captured when the text was compiled), a call of a built-in function,
// a unary operator (negate, NOT), a binary operator, or a subscript of a
// text.  Every node knows its result type, fixed at compile time.
//
// Invariants: a tree is never deeper than kMaxTreeDepth nodes (the compiler
// refuses deeper texts), so every walk over it may recurse; unary operators
// have one child, binary operators two, a subscript two (one index) or three
// (a range), a call at most its function's maximum number of arguments.
//
// A tree belongs to the thread that compiled it; `cached` values are set
// only by prepareScan (expr_key_range.h) and read by the evaluator.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/lang/expr_value.h"
#include "runtime/lang/symbol_table.h"

namespace dw::lang {

inline constexpr int kMaxTreeDepth = 500;

enum class NodeKind : std::uint8_t {
  kConstant,
  kVariable,
  kCall,
  kUnary,
  kBinary,
  kSubscript,
};

struct ExprNode {
  NodeKind kind = NodeKind::kConstant;
  ResultType type = ResultType::kInteger;
  OpCode op = OpCode::kAdd;  // kUnary, kBinary, kSubscript
  Value constant;            // kConstant (kPicture keeps its text)
  std::string name;          // kVariable, kCall: the name as the table holds it
  BoundVariable variable;    // kVariable
  BuiltinId function{};      // kCall
  std::vector<std::unique_ptr<ExprNode>> children;
  int height = 1;                       // nodes on the longest path down from here
  mutable std::optional<Value> cached;  // a value computed once before a scan
};

using ExprTree = std::unique_ptr<ExprNode>;

// Whether two trees have the same shape, operators, constants, variables
// and functions (names compared without regard to case).
bool sameTree(const ExprNode& a, const ExprNode& b);

// Number of nodes on the longest path from the root.
int treeDepth(const ExprNode& node);

}  // namespace dw::lang
