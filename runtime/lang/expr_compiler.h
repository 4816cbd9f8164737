// The expression compiler: filter text in, expression tree out.
//
// The text is read by the lexer (expr_lexer.h) and parsed by recursive
// descent over ten levels, loosest first: OR/XOR, AND, NOT, comparisons,
// "&", "+"/"-", "*"/"/"/"%", "^", signs, primaries.  Every binary level is
// left-associative; signs bind tighter than "^" (so -2 ^ 2 is 4).  Names are
// looked up in the current symbol table: an unknown name posts 801.
//
// Nesting is bounded: more than kMaxNesting open parentheses, calls or
// subscripts, or a tree deeper than kMaxTreeDepth, make the compile fail
// instead of exhausting the stack.
//
// Thread-safety: compiling reads the current language state's symbol table,
// so only the thread holding the Runtime lock compiles.
#pragma once

#include <string>
#include <string_view>

#include "runtime/lang/expr_tree.h"

namespace dw::lang {

inline constexpr int kMaxNesting = 100;

// Compiles a text.  Returns nothing when the text is not one complete valid
// expression; reason (when given) then says why, in a short English phrase.
ExprTree compileExpression(std::string_view text, std::string* reason = nullptr);
// The same; offset (when given) receives where in the text the token of
// the failure starts (0-based), for messages that point at it.
ExprTree compileExpression(std::string_view text, std::string* reason, std::size_t* offset);

}  // namespace dw::lang
