// Storing definitions and looking names up in a sheet of 10, 1 000 and
// 100 000 definitions: the costs that a user typing into a large sheet pays
// for every statement.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "definitions/statements.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "engine/eval.h"
#include "host/context.h"

namespace {

using namespace zemu;

std::string FunctionText(int i) { return "fn" + std::to_string(i) + "(x)=x+" + std::to_string(i); }

// Fills the CurrentSheet with `count` functions fn0 .. fn<count-1>, stored
// as the dispatcher stores them.
void FillSheet(Context& ctx, int count) {
  TDefine& sheet = CurrentSheet(ctx);
  for (int i = 0; i < count; ++i) {
    auto d = std::make_shared<Definition>(FunctionText(i));
    AnalyseDefinition(ctx, *d);
    StoreDefinition(ctx, sheet, std::move(d));
  }
}

std::shared_ptr<Definition> Analysed(Context& ctx, const std::string& text) {
  auto d = std::make_shared<Definition>(text);
  AnalyseDefinition(ctx, *d);
  return d;
}

// A new name: the whole sheet is scanned, then a row is appended (and taken
// away again so that the sheet keeps its size).
void BM_StoreNewName(benchmark::State& state) {
  Context ctx;
  FillSheet(ctx, static_cast<int>(state.range(0)));
  TDefine& sheet = CurrentSheet(ctx);
  for (auto _ : state) {
    int row = StoreDefinition(ctx, sheet, Analysed(ctx, "fresh(x)=x*2"));
    DeleteRow(ctx, sheet, row);
  }
}

// Replacing the top row: the whole sheet is scanned and every cached value
// is forgotten.
void BM_StoreReplaceTop(benchmark::State& state) {
  Context ctx;
  FillSheet(ctx, static_cast<int>(state.range(0)));
  TDefine& sheet = CurrentSheet(ctx);
  for (auto _ : state) StoreDefinition(ctx, sheet, Analysed(ctx, "fn0(x)=x*3"));
}

// A variable assignment to a new name, as typed at the console.
void BM_StoreNewVariable(benchmark::State& state) {
  Context ctx;
  FillSheet(ctx, static_cast<int>(state.range(0)));
  TDefine& sheet = CurrentSheet(ctx);
  for (auto _ : state) {
    int row = StoreDefinition(ctx, sheet, Analysed(ctx, "total<1/3"));
    DeleteRow(ctx, sheet, row);
  }
}

// Looking up the oldest name (the last one the bottom-up scan reaches).
void BM_FindOldestName(benchmark::State& state) {
  Context ctx;
  FillSheet(ctx, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const char* cursor = "fn0(2)";
    benchmark::DoNotOptimize(FindDefinition(ctx, cursor, 0));
  }
}

// Looking up a name that is in no sheet.
void BM_FindMissingName(benchmark::State& state) {
  Context ctx;
  FillSheet(ctx, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const char* cursor = "missing";
    benchmark::DoNotOptimize(FindDefinition(ctx, cursor, 0));
  }
}

// A formula that calls the oldest function: lookup, binding and evaluation.
void BM_EvalCallOldest(benchmark::State& state) {
  Context ctx;
  FillSheet(ctx, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(EvalText(ctx, "fn0(2)*2"));
}

#define ZEMU_SHEET_SIZES Arg(10)->Arg(1000)->Arg(100000)

BENCHMARK(BM_StoreNewName)->ZEMU_SHEET_SIZES;
BENCHMARK(BM_StoreReplaceTop)->ZEMU_SHEET_SIZES;
BENCHMARK(BM_StoreNewVariable)->ZEMU_SHEET_SIZES;
BENCHMARK(BM_FindOldestName)->ZEMU_SHEET_SIZES;
BENCHMARK(BM_FindMissingName)->ZEMU_SHEET_SIZES;
BENCHMARK(BM_EvalCallOldest)->ZEMU_SHEET_SIZES;

}  // namespace
