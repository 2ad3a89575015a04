// The window against the terminal on the same work, side by side in one run:
// the start-up that opens a sheet of N variables (`> vK<K`), and a Talk-off
// loop of 2*10^4 passes that stores a variable into that sheet, the current
// one, while it is shown. The terminal is the calculator with the terminal's
// toolkit, writing to /dev/null; the window is the console window with its
// sheet windows on the offscreen platform, the line typed as key events.
// Each window run ends once the events it left are delivered, so that the
// grid's redraws count.
//
// rss_MB is what the process's resident memory grew by over the timed part
// (freed memory handed back first): the sheet's rows and what shows them.
// ZEMU_BENCH_PASSES=N shortens the loop (to time a slow build).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "console/calculator.h"
#include "console/startup.h"
#include "engine/eval.h"
#include "gui/console_edit.h"
#include "gui/main_window.h"
#include "gui/sheet_windows.h"
#include "tty/terminal_io.h"
#include "tty/terminal_toolkit.h"

namespace {

using namespace zemu;

constexpr int kPasses = 20000;
constexpr const char* kLoop = "s<0; .for i,1,%d; s<s+i;";

int Passes() {
  const char* setting = std::getenv("ZEMU_BENCH_PASSES");
  return setting != nullptr && std::atoi(setting) > 0 ? std::atoi(setting) : kPasses;
}

// The sheet file of `rows` variables, written once per size.
const std::string& SheetFile(int rows) {
  static QTemporaryDir folder;
  static std::map<int, std::string> files;
  std::string& name = files[rows];
  if (name.empty()) {
    name = folder.path().toStdString() + "/vars" + std::to_string(rows) + ".ZDF";
    std::ofstream out(name, std::ios::binary);
    for (int k = 1; k <= rows; ++k) out << "> v" << k << '<' << k << "\r\n";
  }
  return name;
}

StartupOptions Options(int rows) {
  StartupOptions options;
  options.programPath = "/nonexistent/zemu";
  options.initialFile = "/dev/null";
  options.openFiles = {SheetFile(rows)};
  return options;
}

std::size_t ResidentBytes() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The terminal front end's parts, on a pipe that reads and writes nothing.
class TerminalFront {
 public:
  TerminalFront()
      : in_(std::fopen("/dev/null", "r")),
        out_(std::fopen("/dev/null", "w")),
        io_(in_, out_, false, tty::TerminalEncoding::Utf8),
        toolkit_(io_),
        calc_(&toolkit_) {
    toolkit_.SetCalculator(&calc_);
  }
  ~TerminalFront() {
    std::fclose(in_);
    std::fclose(out_);
  }
  void Start(const StartupOptions& options) { calc_.Start(options); }
  void Enter(const std::string& line) { calc_.EnterLine(line); }
  void Settle() {}
  Context& context() { return calc_.context(); }

 private:
  std::FILE* in_;
  std::FILE* out_;
  tty::TerminalIo io_;
  tty::TerminalToolkit toolkit_;
  Calculator calc_;
};

// The console window and the sheet windows, as the program makes them.
class WindowFront {
 public:
  WindowFront() : sheets_(window_.context(), &window_) {}
  void Start(const StartupOptions& options) {
    window_.Start(options);
    Settle();
  }
  // Types the line and Enter into the console.
  void Enter(const std::string& line) {
    QWidget* screen = window_.screenEdit();
    for (char c : line) {
      QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                    QString(QChar::fromLatin1(c)));
      QCoreApplication::sendEvent(screen, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(screen, &enter);
    Settle();
  }
  // Delivers what the run left: the grid's last changes and redraws.
  void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }
  Context& context() { return window_.context(); }

 private:
  gui::TZemuMain window_;
  gui::SheetWindows sheets_;
};

template <class Front>
void BM_OpenSheet(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  SheetFile(rows);
  double grown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto front = std::make_unique<Front>();
    malloc_trim(0);
    const std::size_t before = ResidentBytes();
    state.ResumeTiming();
    front->Start(Options(rows));
    state.PauseTiming();
    grown += static_cast<double>(ResidentBytes() - before) / (1024.0 * 1024.0);
    if (EvalText(front->context(), "v" + std::to_string(rows)).number != rows) {
      state.SkipWithError("the sheet did not load");
    }
    front.reset();
    state.ResumeTiming();
  }
  state.counters["rss_MB"] = benchmark::Counter(grown, benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations() * rows);
}

template <class Front>
void BM_LoopBesideSheet(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const int passes = Passes();
  char loop[64];
  std::snprintf(loop, sizeof loop, kLoop, passes);
  SheetFile(rows);
  for (auto _ : state) {
    state.PauseTiming();
    auto front = std::make_unique<Front>();
    front->Start(Options(rows));
    front->Enter(".set talk off;");
    state.ResumeTiming();
    front->Enter(loop);
    state.PauseTiming();
    const double sum = static_cast<double>(passes) * (passes + 1) / 2;
    if (EvalText(front->context(), "s").number != sum) state.SkipWithError("wrong sum");
    front.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * passes);
}

BENCHMARK_TEMPLATE(BM_OpenSheet, TerminalFront)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_OpenSheet, WindowFront)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LoopBesideSheet, TerminalFront)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LoopBesideSheet, WindowFront)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
