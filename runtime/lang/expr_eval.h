// Evaluation of compiled expressions.
//
// A tree is evaluated as a truth value, an integer, a real or a string.
// Bound variables are read at their addresses at the moment of evaluation.
// AND, OR and XOR always evaluate both operands.  Comparisons are made as
// integers when both operands are integers or truth values, as blank-padded
// strings in the collating order when both are strings, and otherwise as
// reals that count as equal when they differ only negligibly.
//
// Evaluation never fails: a division or modulus by zero gives 0, a function
// outside its domain gives 0, a real too large for an integer saturates.
// Built-in calls take their arguments from the current language state's
// value stack, so only the thread holding the Runtime lock evaluates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/lang/expr_tree.h"

namespace dw::lang {

bool evalTruth(const ExprNode& node);
std::int64_t evalInteger(const ExprNode& node);
double evalReal(const ExprNode& node);
std::string evalString(const ExprNode& node);
// The value in the node's own result type.
Value evaluate(const ExprNode& node);

// EVALUATE(text): compiles and evaluates a text, giving its value as a
// string.  A text that does not compile gives an empty string and posts 800
// (or 801 for an unknown name); otherwise the posted error is cleared.
std::string EVALUATE(std::string_view text);

// Reads a bound variable as a value of its result type.
Value readVariable(const BoundVariable& variable);

// Calls a built-in with argument values (fewer than its maximum allowed).
Value callBuiltin(BuiltinId function, const Value* args, std::size_t count);

}  // namespace dw::lang
