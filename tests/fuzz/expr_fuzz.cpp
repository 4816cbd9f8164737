// Fuzz target of the expression compiler: any text either fails to compile
// or gives a tree that evaluates in every way without fault and that prints
// to a text which compiles to the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/lang/expr_compiler.h"
#include "runtime/lang/expr_eval.h"
#include "runtime/lang/expr_key_range.h"
#include "runtime/lang/expr_print.h"
#include "runtime/lang/symbol_table.h"

namespace {

struct Variables {
  std::int32_t date = 80000;
  std::uint8_t flag = 1;
  double amount = 12.5;
  char category[10] = {'W', 'o', 'r', 'k', ' ', ' ', ' ', ' ', ' ', ' '};
  char note[8] = "memo";
  unsigned char decimal[3] = {0x10, 0x23, 0x45};
  std::string text = "text";

  Variables() {
    using namespace dw::lang;
    BIND("SCH:Date", date);
    BIND("Flag", flag);
    BIND("Amount", amount);
    bindText("SCH:Category", category, sizeof category, VarType::kString);
    bindText("Note", note, sizeof note, VarType::kCString);
    bindDecimal("Dec", decimal, sizeof decimal);
    BIND("T", text);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dw::lang;
  static Variables variables;
  std::string text(reinterpret_cast<const char*>(data), size);
  ExprTree tree = compileExpression(text);
  if (!tree) return 0;

  (void)evalTruth(*tree);
  (void)evalInteger(*tree);
  (void)evalReal(*tree);
  (void)evalString(*tree);

  const std::string printed = exprToText(*tree);
  ExprTree again = compileExpression(printed);
  if (!again || !sameTree(*tree, *again)) {
    std::fprintf(stderr, "round trip failed:\n  %s\n  %s\n", text.c_str(), printed.c_str());
    std::abort();
  }

  RecordTest isField = variablesIn(
      {{&variables.date, sizeof variables.date}, {variables.category, sizeof variables.category}});
  KeyRangePlan plan = planKeyRange(*tree, {"SCH:Date", "SCH:Category"}, isField);
  (void)resolveKeyRange(plan);
  prepareScan(*tree, isField);
  (void)evalTruth(*tree);
  endScan(*tree);
  return 0;
}
