// Speed of unit conversion in the statement loop: a .for of a million passes
// that converts with one definition, and the same loop converting along a
// chain of three (its first pass finds the chain, the others take the one
// kept). The chained loop should stay within 1.5 times the direct one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "commands/dispatcher.h"
#include "engine/eval.h"
#include "host/context.h"

namespace {

zemu::StatementStatus Execute(zemu::Context& ctx, const std::string& text) {
  const char* p = text.c_str();
  return zemu::ExecuteStatements(ctx, p);
}

// yd -> ft -> in -> cm, each a factor of its own; in -> cm is also direct.
void ConversionLoop(benchmark::State& state, const char* formula, double last) {
  for (auto _ : state) {
    state.PauseTiming();
    zemu::Context ctx;
    ctx.settings.talk = false;
    Execute(ctx, "[yd][ft]=3; [ft][in]=12; [in][cm]=2.54; x<0");
    state.ResumeTiming();
    Execute(ctx, std::string(".for i,1,1000000; x<") + formula + "; .blockend");
    state.PauseTiming();
    const double x = zemu::EvalText(ctx, "x").number;
    if (std::abs(x - last) > 1e-9 * last) state.SkipWithError("wrong result");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}

void BM_ForLoopDirectConversion(benchmark::State& state) {
  ConversionLoop(state, "(i[in])[cm]", 2540000.0);
}
BENCHMARK(BM_ForLoopDirectConversion)->Unit(benchmark::kMillisecond);

void BM_ForLoopChainedConversion(benchmark::State& state) {
  ConversionLoop(state, "(i[yd])[cm]", 91440000.0);
}
BENCHMARK(BM_ForLoopChainedConversion)->Unit(benchmark::kMillisecond);

}  // namespace
