// A long loop while a sheet window shows the row it rewrites: .for of a
// million passes with an assignment, with and without the sheet windows
// observing the store. Events are let through as the window's toolkit does,
// so the window's redraws count; the difference is what the window costs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <string>

#include "commands/dispatcher.h"
#include "engine/eval.h"
#include "gui/sheet_windows.h"
#include "host/context.h"
#include "sheet/sheet_ops.h"

namespace {

// Delivers the window's events whenever the running loop lets them through.
class EventToolkit : public zemu::NullToolkit {
 public:
  void ProcessPendingEvents() override { QCoreApplication::processEvents(); }
};

void Execute(zemu::Context& ctx, const std::string& text) {
  const char* p = text.c_str();
  zemu::ExecuteStatements(ctx, p);
}

void BM_LoopBesideSheet(benchmark::State& state, bool withWindow) {
  for (auto _ : state) {
    state.PauseTiming();
    EventToolkit toolkit;
    auto ctx = std::make_unique<zemu::Context>(&toolkit);
    QWidget owner;
    std::unique_ptr<zemu::gui::SheetWindows> windows;
    if (withWindow) windows = std::make_unique<zemu::gui::SheetWindows>(*ctx, &owner);
    ctx->settings.talk = false;
    zemu::OpenSheet(*ctx, "");
    Execute(*ctx, "s<0");
    QCoreApplication::processEvents();
    state.ResumeTiming();
    Execute(*ctx, ".for i,1,1000000; s<s+i; .blockend");
    QCoreApplication::processEvents();  // the grid's last redraw
    state.PauseTiming();
    if (zemu::EvalText(*ctx, "s").number != 500000500000.0) state.SkipWithError("wrong sum");
    windows.reset();
    ctx.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK_CAPTURE(BM_LoopBesideSheet, no_window, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoopBesideSheet, sheet_window, true)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
