// ZEMU's entry point: reads the options and starts a front end. The window
// opens when it was built and a display can be reached; otherwise, with
// --tty, or with an option that only the terminal knows, the terminal front
// end runs. Both drive the core through the same Calculator
// (console/calculator.h), whose start-up is InitialDefines (console/startup.h).
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/sjis_literal.h"
#include "console/startup.h"
#include "definitions/store.h"
#include "host/context.h"
#include "tty/command_line.h"
#include "tty/terminal.h"
#include "tty/terminal_io.h"

#ifdef ZEMU_HAVE_GUI
#include "gui/window_module.h"
#include "platform/modules.h"
#endif

namespace {

using zemu::tty::TerminalEncoding;
using zemu::operator""_sj;

#ifdef ZEMU_HAVE_GUI
// Whether a window can be shown: a display, or a Qt platform, is named.
bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* value = std::getenv(name); value != nullptr && *value != '\0') return true;
  }
  return false;
}

// The window module's entry; null, with `fault` set, when it cannot be loaded.
WindowEntry* LoadWindow(const std::string& programPath, std::string& fault) {
  return reinterpret_cast<WindowEntry*>(
      zemu::LoadModuleEntry(programPath, kWindowModuleName, kWindowEntryName, fault));
}
#endif

// The Release program's run-time tuning, compiled in only where
// cmake/Tuning.cmake defines ZEMU_TUNED (the Release program outside the
// sanitizer and fuzz builds, whose allocators want their own heap and the
// store freed). Elsewhere a run is left as the allocator and the
// destructors make it. main applies it only once the options ask for a real
// run: --help and --version start nothing.
#ifdef ZEMU_TUNED
// Row sheet100000: a sheet of many rows takes tens of megabytes, and each
// fresh 4 KiB page costs a fault. The heap is extended ahead by kHeapAhead
// at a time and what it has now is marked for 2 MiB pages, which the system
// gives where it can. Nothing else of the allocator changes.
constexpr std::size_t kHeapAhead = std::size_t{64} << 20;
constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

void PrepareHeap() {
  if (mallopt(M_TOP_PAD, static_cast<int>(kHeapAhead)) == 0) return;
  // Taking more than the heap has free extends it now, by kHeapAhead.
  void* block = std::malloc(mallinfo2().keepcost + 1);
  if (block == nullptr) return;
  const auto from = (reinterpret_cast<std::uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
  const auto to = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(kLargePage - 1);
  if (from < to) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  std::free(block);
}

// Row sheet100000: freeing a large store at exit costs as much as a tenth
// of loading it, and the process ends right after: the terminal run's
// sheets and their rows are taken out of the store and left for the system
// to free. Everything else (the output, the log file, the history) is closed
// as always.
void LeaveStore(zemu::Context& ctx) {
  zemu::TDefines& store = ctx.defines;
  static_cast<void>(new std::vector<std::unique_ptr<zemu::TDefine>>(std::move(store.sheets)));
  store.sheets.clear();
  store.current = nullptr;
  ctx.caches.spare.reset();
}
constexpr void (*kAtTerminalEnd)(zemu::Context&) = LeaveStore;
#else
void PrepareHeap() {}
constexpr void (*kAtTerminalEnd)(zemu::Context&) = nullptr;
#endif

void Print(std::FILE* stream, TerminalEncoding encoding, const std::string& sjis) {
  const std::string text = encoding == TerminalEncoding::ShiftJis ? sjis : zemu::SjisToUtf8(sjis);
  std::fputs(text.c_str(), stream);
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");  // the terminal's character set, for line editing
  zemu::tty::CommandLine line = zemu::tty::ReadProgramOptions(argc, argv);
  std::string localeNote;
  const TerminalEncoding encoding = line.encoding.value_or(zemu::tty::EncodingOfLocale(localeNote));
  switch (line.action) {
    case zemu::tty::CommandLine::Action::Help:
      Print(stdout, encoding, zemu::tty::UsageText());
      return 0;
    case zemu::tty::CommandLine::Action::Version:
      Print(stdout, encoding, zemu::tty::VersionText() + "\n");
      return 0;
    case zemu::tty::CommandLine::Action::Fault:
      Print(stderr, encoding, line.fault + "\n\n" + zemu::tty::UsageText());
      return 2;
    case zemu::tty::CommandLine::Action::Run:
      break;
  }
  PrepareHeap();
  line.startup.programPath = zemu::ProgramPath(argv[0]);
  zemu::LocateShippedFiles(line.startup);
  if (!line.terminal) {
#ifdef ZEMU_HAVE_GUI
    if (!DisplayAvailable()) {
      Print(
          stderr, encoding,
          "zemu: 画面が見つからない（DISPLAY も WAYLAND_DISPLAY もない）ので、端末で動きます。\n"_sj);
    } else {
      std::string fault;
      if (WindowEntry* window = LoadWindow(line.startup.programPath, fault)) {
        return window(&argc, argv, &line.startup);
      }
      Print(stderr, encoding,
            "zemu: 窓の部品を読み込めないので、端末で動きます: "_sj + fault + "\n");
    }
#else
    Print(stderr, encoding, "zemu: 窓の版は組み込まれていないので、端末で動きます。\n"_sj);
#endif
  }
  zemu::tty::TerminalOptions options;
  options.startup = line.startup;
  options.encoding = encoding;
  if (!line.encoding) options.localeNote = localeNote;
  options.batch = line.batch;
  options.atEnd = kAtTerminalEnd;
  return zemu::tty::RunTerminal(options);
}
