// The fuzz targets' entry points: a program per input (a fresh Context
// with a scripted toolkit that aborts endless runs), the files an input
// needs in a scratch folder that is the working folder, and the checks made
// after each run.
//
// Inputs name files of their own (.do, .set log, .help): the scratch folder
// is the working folder and is emptied before each input, and while an
// input runs no file outside it is opened for writing (see __wrap_fopen).
#include "fuzz/entries.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "commands/help.h"
#include "console/console.h"
#include "console/menu.h"
#include "definitions/store.h"
#include "engine/tempvar.h"
#include "host/context.h"
#include "host/output.h"
#include "sheet/file_format.h"
#include "sheet/sheet_ops.h"
#include "support/scripted_toolkit.h"

// The executables that call these entries link with -Wl,--wrap=fopen.
extern "C" std::FILE* __real_fopen(const char* path, const char* mode);

namespace zemu::fuzz {

namespace {

// Definitions made before the typed lines: one of each kind, a unit
// conversion and prefix, and procedures with loops, so that short inputs
// reach deep code.
constexpr const char* kPreload[] = {
    "f(x)=x*2 'twice",
    "g(x,y)=f(x)+y[m]",
    "$h=f(a)+1",
    "a<3",
    "b<a*2[km]",
    "s<0",
    "[km][m]=1000",
    "[k]]=1000",
    "[degC][K](x)=x+273.15",
    "p>.for i,1,%1; s<s+i; .blockend",
    "q>.if %1>1; \"big\"; .elseif %1; \"one\"; .else; \"none\"; .blockend",
    "w>n<0; .while n<3; n<n+1; .if n=2; .continue; .blockend; n; .blockend",
    "1=a description",
};

// What the statement guard writes when the stack reserve is reached.
constexpr const char* kStackLowLine = "  ERROR: stack memory near to over.\r\n";

// What a save says of a definition too long to be read back whole.
constexpr const char* kTooLongToReadBack = "の定義が長すぎて、"_sj;

// The longest key line of a help input.
constexpr std::size_t kKeyLineMax = 64;

// The bound the console's cap keeps its text within, with room for the
// piece written last.
constexpr std::size_t kScreenBound = kScreenCap + 16384;

void RemoveScratchFolder();
bool scratchMade = false;  // the scratch folder exists and is the working folder

// A failed check: the input is the finding (libFuzzer keeps it), and the
// scratch folder goes, as it would at a normal end.
[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "zemu fuzz: %s\n", what);
  if (scratchMade) {
    scratchMade = false;  // once: removing it may fail too
    RemoveScratchFolder();
  }
  std::abort();
}

void Check(bool holds, const char* what) {
  if (!holds) Fail(what);
}

void EmptyScratchFolder();

// The scratch folder, made once per process and entered; it goes when the
// process ends normally.
const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/zemu-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
      Fail("cannot make the scratch folder");
    }
    scratchMade = true;
    return pattern;
  }();
  static const bool removedAtExit = std::atexit(RemoveScratchFolder) == 0;
  (void)removedAtExit;
  return folder;
}

void RemoveScratchFolder() {
  EmptyScratchFolder();
  rmdir(ScratchFolder().c_str());
}

void EmptyScratchFolder() {
  const std::string& folder = ScratchFolder();
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) Fail("cannot read the scratch folder");
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(folder + "/" + name);
  }
  closedir(dir);
  for (const std::string& name : names) unlink(name.c_str());
}

// True while an input runs: the write guard is armed.
bool running = false;

std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
  const std::string path = ScratchFolder() + "/" + name;
  std::FILE* file = __real_fopen(path.c_str(), "wb");
  if (file == nullptr) Fail("cannot write a scratch file");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

std::string ReadScratchFile(const std::string& path) {
  std::string content;
  if (std::FILE* file = __real_fopen(path.c_str(), "rb")) {
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    std::fclose(file);
  }
  return content;
}

// A scripted toolkit that aborts the run after a budget of event
// deliveries, as a user ends an endless computation.
class BudgetToolkit : public ScriptedToolkit {
 public:
  void Attach(Context& ctx) override {
    ctx_ = &ctx;
    ScriptedToolkit::Attach(ctx);
  }
  void ProcessPendingEvents() override {
    ScriptedToolkit::ProcessPendingEvents();
    if (left_ > 0 && --left_ == 0) {
      AbortComputation(*ctx_);
      aborted_ = true;
    }
  }
  // A new run gets the whole budget.
  void Renew() { left_ = kEventBudget; }
  // Whether a run of this program was aborted.
  bool aborted() const { return aborted_; }

 private:
  Context* ctx_ = nullptr;
  int left_ = kEventBudget;
  bool aborted_ = false;
};

// One program: the toolkit outlives its context. The help file setting
// points into the scratch folder, so that no input reaches the real one.
// With ZEMU_FUZZ_SHOW set, the console text is written to stderr at the end
// (in UTF-8), to see what an input does. With ZEMU_FUZZ_STEADY set, window
// events come after a fixed number of guard checks, whatever the machine's
// speed, so that an endless input is aborted at the same point in every run
// and two runs print the same.
struct Program {
  BudgetToolkit toolkit;
  Context ctx{&toolkit};
  Program() {
    ctx.settings.helpFileName = ScratchFolder() + "/zemu.ZHP";
    if (std::getenv("ZEMU_FUZZ_STEADY") != nullptr) ctx.guard.eventIntervalMs = 0;
  }
  ~Program() {
    if (std::getenv("ZEMU_FUZZ_SHOW") != nullptr) {
      std::fprintf(stderr, "%s\n----\n", SjisToUtf8(ScreenText(ctx)).c_str());
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
};

// What must hold after every run, however it ended.
void CheckAfterRun(const Context& ctx) {
  Check(ctx.tempVars.Count() == 0, "temporary variables left behind");
  Check(ctx.output.traceDepth >= 0, "negative trace depth");
  Check(ScreenText(ctx).size() <= kScreenBound, "the console outgrew its cap");
}

// Marks the input's run: the scratch folder is emptied first, the write
// guard is armed for the time of the run.
class InputRun {
 public:
  InputRun() {
    EmptyScratchFolder();
    running = true;
  }
  ~InputRun() { running = false; }
  InputRun(const InputRun&) = delete;
  InputRun& operator=(const InputRun&) = delete;
};

// Runs definitions as a file's lines run: the context is Running.
void Preload(Context& ctx) {
  for (const char* text : kPreload) {
    const char* cursor = text;
    ExecuteStatements(ctx, cursor);
  }
}

// One line as the terminal enters it: a line ending in "&" continues on the
// next. Before Enter the assist timer fires, which must store nothing and
// leave the typed line as it is; with Trace off it writes nothing either.
void EnterLine(Program& program, std::string_view line) {
  Context& ctx = program.ctx;
  const bool continued = !line.empty() && line.back() == '&';
  if (continued) line.remove_suffix(1);
  TextControl& screen = *ctx.console.screen;
  screen.SetCaret(screen.Length());
  InsertTypedText(ctx, line);
  if (ctx.runState == RunState::Idle) {
    const std::string before = screen.Text();
    const std::string typed = TypedLine(ctx);
    // A definition that recurses without end reaches the stack reserve
    // while it is explained, and the guard says so.
    const std::string stackLow = ctx.output.savedScreenText + kStackLowLine + typed;
    const int rows = CurrentSheet(ctx).RowCount();
    AssistTimerTimer(ctx);
    Check(ctx.settings.trace != TraceLevel::Off || screen.Text() == before ||
              screen.Text() == stackLow,
          "the assist mode wrote on the console");
    Check(TypedLine(ctx) == typed, "the assist mode changed the typed line");
    Check(CurrentSheet(ctx).RowCount() == rows, "the assist mode stored a definition");
  }
  program.toolkit.Renew();
  TypeKey(ctx, continued ? '&' : '\r');
  if (!continued) CheckAfterRun(ctx);
}

// The file name a sheet input is saved under: its header chooses the kind.
std::string SheetFileName(std::string_view bytes) {
  if (bytes.starts_with(kInitialHeader)) return "f.INI";
  if (bytes.starts_with(kProjectHeader)) return "f.zpj";
  return "f.ZDF";
}

// Opens `path` as a sheet of a program that has just started.
TDefine& OpenAsSheet(Program& program, const std::string& path) {
  program.toolkit.Renew();
  TDefine& sheet = OpenSheet(program.ctx, path);
  ShowPrompt(program.ctx);
  CheckAfterRun(program.ctx);
  return sheet;
}

// Opens `path` as a sheet in a new program and saves it from the menu;
// returns the name saved under (empty when the sheet was not saved) and the
// saved file's bytes. `settled` turns false when a run was aborted or a
// definition was too long to be read back.
std::string OpenAndSave(const std::string& path, std::string& content, bool& settled) {
  Program program;
  TDefine& sheet = OpenAsSheet(program, path);
  std::string saved;
  RunMenuAction(program.ctx, [&] { saved = SaveFromMenu(program.ctx, sheet, false); });
  content = ReadScratchFile(saved);
  settled = settled && !program.toolkit.aborted() &&
            ScreenText(program.ctx).find(kTooLongToReadBack) == std::string::npos;
  return saved;
}

}  // namespace

int RunStatements(const std::uint8_t* data, std::size_t size) {
  InputRun run;
  Program program;
  Preload(program.ctx);
  ShowPrompt(program.ctx);
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty() && program.toolkit.exitRequests == 0) {
    const std::size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // The terminal reports a line with a NUL byte and does not enter it.
    if (line.find('\0') == std::string_view::npos) EnterLine(program, line);
  }
  return 0;
}

int RunSheet(const std::uint8_t* data, std::size_t size) {
  InputRun run;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string path = WriteScratchFile(SheetFileName(bytes), bytes);
  // The first save may tidy the texts (leading digits go, a lone CR becomes
  // a line break); from then on a saved sheet reads back as itself.
  bool settled = true;
  std::string saved[3];
  for (std::string& content : saved) {
    if (path.empty()) return 0;
    path = OpenAndSave(path, content, settled);
  }
  Check(!settled || saved[1] == saved[2], "a saved sheet read back saves differently");
  return 0;
}

int RunHelp(const std::uint8_t* data, std::size_t size) {
  InputRun run;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // A short first line holds the keys, and after a NUL byte (which no key
  // types) the text for the input box; the rest is the help file.
  std::string_view keys;
  if (const std::size_t end = input.find('\n'); end <= kKeyLineMax) {
    keys = input.substr(0, end);
    input.remove_prefix(end + 1);
  }
  std::string_view answer;
  if (const std::size_t nul = keys.find('\0'); nul != std::string_view::npos) {
    answer = keys.substr(nul + 1);
    keys = keys.substr(0, nul);
  }
  const std::string path = WriteScratchFile("h.ZHP", input);
  Program program;
  Context& ctx = program.ctx;
  ctx.settings.helpFileName = path;
  // The second showing finds the index that the first appended.
  for (int showing = 0; showing < 2; ++showing) {
    program.toolkit.keys.assign(keys.begin(), keys.end());
    program.toolkit.inputs.assign(1, std::string(answer));
    program.toolkit.Renew();
    BeginRun(ctx);
    ShowHelp(ctx, path, "");
    ShowPrompt(ctx);
    CheckAfterRun(ctx);
  }
  return 0;
}

std::span<const Target> Targets() {
  static constexpr Target kTargets[] = {
      {"statements", RunStatements},
      {"sheet", RunSheet},
      {"help", RunHelp},
  };
  return kTargets;
}

}  // namespace zemu::fuzz

// While an input runs, a file is opened for writing only inside the scratch
// folder, or under a libFuzzer artifact name (a crash is written while the
// input still runs); elsewhere the open fails as if access were denied.
extern "C" std::FILE* __wrap_fopen(const char* path, const char* mode) {
  using zemu::fuzz::running;
  const std::string_view how(mode);
  const bool writes = how.find_first_of("wa+") != std::string_view::npos;
  if (running && writes) {
    const std::string_view name(path);
    const std::string& folder = zemu::fuzz::ScratchFolder();
    const std::size_t slash = name.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const bool inScratch = slash == std::string_view::npos ||
                           (name.starts_with(folder + "/") && name.rfind('/') == folder.size());
    bool artifact = false;
    for (const char* prefix : {"crash-", "leak-", "timeout-", "oom-", "slow-unit-"}) {
      artifact = artifact || base.starts_with(prefix);
    }
    if (!inScratch && !artifact) {
      errno = EACCES;
      return nullptr;
    }
  }
  return __real_fopen(path, mode);
}
