// Evaluating and printing formulas: the work behind every typed line and
// every assist refresh.
#include <benchmark/benchmark.h>

#include "engine/eval.h"
#include "host/context.h"

namespace {

void BM_EvalFormula(benchmark::State& state) {
  zemu::Context ctx;
  const std::string formula = "(1+2*3/4-2^0.5)*0x1F+12.34E-5";
  for (auto _ : state) benchmark::DoNotOptimize(zemu::EvalText(ctx, formula));
}
BENCHMARK(BM_EvalFormula);

void BM_ValueText(benchmark::State& state) {
  zemu::Context ctx;
  zemu::Value value = zemu::MakeNumber(1.0 / 3.0, "[m]");
  for (auto _ : state) benchmark::DoNotOptimize(zemu::ValueText(ctx, value));
}
BENCHMARK(BM_ValueText);

void BM_ValueFullText(benchmark::State& state) {
  zemu::Value value = zemu::MakeNumber(0.1);
  for (auto _ : state) benchmark::DoNotOptimize(zemu::ValueFullText(value));
}
BENCHMARK(BM_ValueFullText);

}  // namespace
