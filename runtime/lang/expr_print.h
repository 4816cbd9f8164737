// Turning an expression tree back into text.
//
// Operators print with their texts (" + ", " AND ", "~", "-", ...), calls as
// NAME(arg, arg), subscripts as x[i] and x[i : j].  Parentheses are added
// only where the grammar's levels need them (and around the right operand
// of a left-associative operator of the same level), so that compiling the
// printed text again, with the same bindings, gives the same tree.
#pragma once

#include <string>

#include "runtime/lang/expr_tree.h"

namespace dw::lang {

std::string exprToText(const ExprNode& node);

// The text of a constant as it would be written in an expression: integers
// in decimal, reals with a decimal point, strings quoted.
std::string constantText(const Value& value);

}  // namespace dw::lang
