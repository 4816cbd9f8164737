// Expression evaluator speed: compiling the schedule filters, and
// evaluating a compiled filter per record as a filtered view does.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "runtime/lang/expr_compiler.h"
#include "runtime/lang/expr_eval.h"
#include "runtime/lang/expr_key_range.h"
#include "runtime/lang/symbol_table.h"

namespace {

struct Record {
  std::int32_t date = 80000;
  char category[20] = {};
};

struct Bindings {
  Record record;
  std::int32_t selected = 80000;
  char reset[20] = {};
  Bindings() {
    std::memcpy(record.category, "Work                ", 20);
    std::memcpy(reset, "work                ", 20);
    dw::lang::BIND("SCH:Date", record.date);
    dw::lang::BIND("SelectedDay", selected);
    dw::lang::bindText("SCH:Category", record.category, 20, dw::lang::VarType::kString);
    dw::lang::bindText("BRW1::Sort2:Reset:CAT:Category", reset, 20, dw::lang::VarType::kString);
  }
};

Bindings& bindings() {
  static Bindings b;
  return b;
}

const char* kFilter = "UPPER(SCH:Category) = UPPER(BRW1::Sort2:Reset:CAT:Category)";

void BM_CompileFilter(benchmark::State& state) {
  bindings();
  for (auto _ : state) benchmark::DoNotOptimize(dw::lang::compileExpression(kFilter));
}
BENCHMARK(BM_CompileFilter);

void BM_EvaluateDateFilter(benchmark::State& state) {
  Bindings& b = bindings();
  dw::lang::ExprTree tree = dw::lang::compileExpression("(SCH:Date=SelectedDay)");
  for (auto _ : state) {
    ++b.record.date;
    benchmark::DoNotOptimize(dw::lang::evalTruth(*tree));
  }
}
BENCHMARK(BM_EvaluateDateFilter);

void BM_EvaluateCategoryFilter(benchmark::State& state) {
  bindings();
  dw::lang::ExprTree tree = dw::lang::compileExpression(kFilter);
  for (auto _ : state) benchmark::DoNotOptimize(dw::lang::evalTruth(*tree));
}
BENCHMARK(BM_EvaluateCategoryFilter);

// The same filter with the record-independent side evaluated once per scan.
void BM_EvaluateCategoryFilterPrepared(benchmark::State& state) {
  Bindings& b = bindings();
  dw::lang::ExprTree tree = dw::lang::compileExpression(kFilter);
  dw::lang::prepareScan(*tree, dw::lang::variablesIn({{&b.record, sizeof b.record}}));
  for (auto _ : state) benchmark::DoNotOptimize(dw::lang::evalTruth(*tree));
  dw::lang::endScan(*tree);
}
BENCHMARK(BM_EvaluateCategoryFilterPrepared);

}  // namespace

BENCHMARK_MAIN();
