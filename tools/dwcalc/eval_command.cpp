// dwcalc's expression command: eval EXPRESSION compiles and evaluates a text
// and prints its value (integers and truth values as decimal integers, reals
// in their shortest exact form, strings as they are).  The repeatable option
// --bind NAME=VALUE first binds a test variable: an integer (a LONG, or a
// ULONG beyond it), a real, or a string in single or double quotes (a
// doubled quote inside stands for one).
#include <charconv>
#include <cstdint>
#include <deque>
#include <string>

#include "runtime/lang/expr_compiler.h"
#include "runtime/lang/expr_eval.h"
#include "runtime/lang/expr_value.h"
#include "runtime/lang/symbol_table.h"
#include "tools/dwcalc/commands.h"

namespace dwcalc {
namespace {

// The bound variables; a deque keeps their addresses stable.
struct TestVariables {
  std::deque<std::int32_t> longs;
  std::deque<std::uint32_t> ulongs;
  std::deque<double> reals;
  std::deque<std::string> texts;
};

TestVariables& variables() {
  static TestVariables v;
  return v;
}

// The text inside matching quotes, with doubled quotes undone; false when
// value is not quoted.
bool unquote(std::string_view value, std::string& out) {
  if (value.size() < 2) return false;
  char q = value.front();
  if ((q != '\'' && q != '"') || value.back() != q) return false;
  out.clear();
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    out.push_back(value[i]);
    if (value[i] == q && i + 2 < value.size() && value[i + 1] == q) ++i;
  }
  return true;
}

std::string bindOne(std::string_view spec) {
  std::size_t eq = spec.find('=');
  if (eq == std::string_view::npos || eq == 0) return "expected NAME=VALUE";
  std::string_view name = spec.substr(0, eq), value = spec.substr(eq + 1);
  TestVariables& v = variables();
  std::string text;
  bool bound = false;
  long long integer = 0;
  if (unquote(value, text)) {
    v.texts.push_back(text);
    bound = dw::lang::BIND(name, v.texts.back());
  } else if (parseInteger(value, integer)) {
    if (integer >= INT32_MIN && integer <= INT32_MAX) {
      v.longs.push_back(static_cast<std::int32_t>(integer));
      bound = dw::lang::BIND(name, v.longs.back());
    } else if (integer > 0 && integer <= UINT32_MAX) {
      v.ulongs.push_back(static_cast<std::uint32_t>(integer));
      bound = dw::lang::BIND(name, v.ulongs.back());
    } else {
      return "integer out of range";
    }
  } else if (dw::lang::isNumericText(value) && value.find(' ') == std::string_view::npos) {
    v.reals.push_back(dw::lang::numberFromText(value));
    bound = dw::lang::BIND(name, v.reals.back());
  } else {
    return "expected an integer, a real or a quoted string";
  }
  return bound ? std::string() : "invalid name";
}

const OptionRegistrar kBind("--bind", OptionArg::Required, bindOne);

const CommandRegistrar kEval("eval", "eval EXPRESSION", [](std::string_view args) {
  std::string reason;
  dw::lang::ExprTree tree = dw::lang::compileExpression(args, &reason);
  if (!tree) return CommandResult::failure(reason);
  return CommandResult::success(dw::lang::evaluate(*tree).asString());
});

}  // namespace
}  // namespace dwcalc
