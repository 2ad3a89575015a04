// Speed of the statement loop: a .for of a million passes with an assignment,
// and a recursive function through if(), both run by ExecuteStatements as a
// console line would be.
#include <benchmark/benchmark.h>

#include <string>

#include "commands/dispatcher.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "host/context.h"

namespace {

zemu::StatementStatus Execute(zemu::Context& ctx, const std::string& text) {
  const char* p = text.c_str();
  return zemu::ExecuteStatements(ctx, p);
}

// .for i,1,1000000; s<s+i: one variable rewritten a million times.
void BM_ForLoopAssignment(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    zemu::Context ctx;
    ctx.settings.talk = false;
    Execute(ctx, "s<0");
    state.ResumeTiming();
    Execute(ctx, ".for i,1,1000000; s<s+i; .blockend");
    state.PauseTiming();
    const double sum = zemu::EvalText(ctx, "s").number;
    if (sum != 500000500000.0) state.SkipWithError("wrong sum");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_ForLoopAssignment)->Unit(benchmark::kMillisecond);

// fib(22) through if(): 57313 calls of a user function.
void BM_RecursiveFibonacci(benchmark::State& state) {
  zemu::Context ctx;
  ctx.settings.talk = false;
  Execute(ctx, "fib(n)=if(n<2,n,fib(n-1)+fib(n-2))");
  for (auto _ : state) {
    state.PauseTiming();
    ctx.console.screen->SetText("");
    zemu::ForgetValues(ctx, zemu::CurrentSheet(ctx), false);
    state.ResumeTiming();
    Execute(ctx, "r<fib(22)");
  }
  if (zemu::EvalText(ctx, "r").number != 17711) state.SkipWithError("wrong fib(22)");
}
BENCHMARK(BM_RecursiveFibonacci)->Unit(benchmark::kMillisecond);

}  // namespace
