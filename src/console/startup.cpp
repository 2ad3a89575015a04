// Start-up: the command line, the program's path and InitialDefines.
#include "console/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/output.h"
#include "platform/files.h"
#include "sheet/ini.h"
#include "sheet/sheet_ops.h"

namespace zemu {

namespace {

constexpr std::string_view kOptionMark = "--";
constexpr std::string_view kIniOption = "--ini";
constexpr std::string_view kIniOptionWithValue = "--ini=";
constexpr std::string_view kOpenOption = "--open";
constexpr std::string_view kOpenOptionWithValue = "--open=";

// The shared data folder of an installed program, from the program's folder.
#ifdef ZEMU_DATA_FROM_PROGRAM
constexpr const char* kDataFromProgram = ZEMU_DATA_FROM_PROGRAM;
#else
constexpr const char* kDataFromProgram = "../share/zemu/";
#endif

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// $XDG_CONFIG_HOME/zemu/, or ~/.config/zemu/; empty when there is no home.
std::string UserConfigFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::string(home) + "/.config";
  } else {
    return {};
  }
  return base + "/zemu/";
}

// `path` up to and with its last '/'; "./" when it has none.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}
std::string BaseNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The file beside the program with `extension`, else the same name in the
// shared data folder of an installed program; empty when neither exists.
std::string ShippedFile(const std::string& programPath, std::string_view extension) {
  const std::string beside = ReplaceExtension(programPath, extension);
  if (Exists(beside)) return beside;
  const std::string shared = FolderOf(programPath) + kDataFromProgram +
                             ReplaceExtension(BaseNameOf(programPath), extension);
  return Exists(shared) ? std::filesystem::path(shared).lexically_normal().string() : std::string();
}

// Opens the file a start-up option names (its name as the disk holds it) as
// a sheet; a name that Shift-JIS cannot hold is reported, and an empty sheet
// takes its place.
TDefine& OpenStartupSheet(Context& ctx, const std::string& diskName) {
  bool exact = true;
  const std::string name = StatementName(ctx.files, diskName, &exact);
  if (exact) return OpenSheet(ctx, name);
  ErrorOut(ctx, "  ERROR: ファイル名"_sj + name +
                    "はシフトJISにない文字を含むので、開けません。\r\n"_sj);
  return OpenSheet(ctx, "");
}

void ReadMainFormPlace(Context& ctx, const std::string& initialFile) {
  const IniSection keys = ReadIniSection(initialFile, "MainForm");
  ctx.mainForm.given = ReadIniPlace(keys, ctx.mainForm.place);
}

}  // namespace

std::string ProgramPath(const char* argv0) {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length > 0) return std::string(buffer, static_cast<std::size_t>(length));
  return argv0 != nullptr ? argv0 : "";
}

StartupOptions ReadCommandLine(int argc, const char* const* argv) {
  StartupOptions options;
  options.programPath = ProgramPath(argc > 0 ? argv[0] : nullptr);
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (!word.starts_with(kOptionMark)) {
      options.arguments.emplace_back(word);
    } else if (word == kIniOption && i + 1 < argc) {
      options.initialFile = argv[++i];
    } else if (word.starts_with(kIniOptionWithValue)) {
      options.initialFile = word.substr(kIniOptionWithValue.size());
    } else if (word == kOpenOption && i + 1 < argc) {
      options.openFiles.emplace_back(argv[++i]);
    } else if (word.starts_with(kOpenOptionWithValue)) {
      options.openFiles.emplace_back(word.substr(kOpenOptionWithValue.size()));
    }
  }
  return options;
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  const bool hasExtension =
      dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
  std::string result(hasExtension ? path.substr(0, dot) : path);
  result += extension;
  return result;
}

std::string InitialFileName(const StartupOptions& options) {
  if (!options.initialFile.empty()) return options.initialFile;
  return ReplaceExtension(options.programPath, ".INI");
}

void LocateShippedFiles(StartupOptions& options) {
  if (options.helpFile.empty()) options.helpFile = ShippedFile(options.programPath, ".ZHP");
  if (options.dataFolder.empty()) {
    const std::string help = ShippedFile(options.programPath, ".ZHP");
    if (!help.empty()) options.dataFolder = FolderOf(help);
  }
  if (!options.initialFile.empty()) return;
  const std::string beside = ReplaceExtension(options.programPath, ".INI");
  if (access(beside.c_str(), W_OK) == 0) return;
  const std::string folder = UserConfigFolder();
  const std::string shipped = ShippedFile(options.programPath, ".INI");
  if (folder.empty() || shipped.empty()) return;
  const std::string own = folder + ReplaceExtension(BaseNameOf(options.programPath), ".INI");
  if (Exists(own)) {
    options.initialFile = own;
    return;
  }
  // The folder above zemu/ ($XDG_CONFIG_HOME or ~/.config) may be missing too.
  for (const std::string& made : {FolderOf(folder.substr(0, folder.size() - 1)), folder}) {
    if (::mkdir(made.c_str(), 0755) != 0 && errno != EEXIST) options.initialFolderError = errno;
  }
  options.initialFile = shipped;
  options.initialSaveName = own;
}

void InitialDefines(Context& ctx, const StartupOptions& options) {
  ctx.output.outputSwitch = true;
  CloseLogFile(ctx);
  ctx.settings.file = false;
  ScreenOut(ctx, ChannelLine, kBanner);
  ctx.settings.helpFileName = StatementName(
      ctx.files,
      options.helpFile.empty() ? ReplaceExtension(options.programPath, ".ZHP") : options.helpFile);
  ctx.observer->SettingsChanged();
  ctx.console.watchScreen->SetHeight(0);
  ctx.dataFolder = StatementName(
      ctx.files, options.dataFolder.empty() ? FolderOf(options.programPath) : options.dataFolder);

  const std::string initialFile = InitialFileName(options);
  ReadMainFormPlace(ctx, initialFile);
  ctx.deferSheetLoads = options.deferOpenedSheets;
  TDefine& initialSheet = OpenStartupSheet(ctx, initialFile);
  ctx.deferSheetLoads = false;
  if (!options.initialSaveName.empty()) {
    // The shipped file was read; the sheet is the user's own file from now on.
    SetSheetName(ctx, initialSheet, StatementName(ctx.files, options.initialSaveName), true);
    initialSheet.source = SheetSource{StampOf(ctx.files, initialSheet.name), false, {}};
    if (options.initialFolderError != 0) {
      ErrorOut(ctx, "  ERROR: 初期定義ファイルを保存するフォルダを作れません（"_sj +
                        ErrorText(options.initialFolderError) + "）。"_sj + initialSheet.name +
                        "には保存できません。\r\n"_sj);
    }
  }
  for (const std::string& file : options.openFiles) OpenStartupSheet(ctx, file);
  if (options.arguments.size() >= kFileArgumentCount) {
    OpenStartupSheet(ctx, options.arguments.front());
  } else if (options.openFiles.empty()) {
    OpenSheet(ctx, "");
  }
  if (options.arguments.size() == 1) {
    const std::string file = StatementName(ctx.files, options.arguments.front());
    ScreenOut(ctx, ChannelError,
              "  " + file + " は開きません（引数が三つ以上のときだけ最初の引数を開きます）。"_sj +
                  "シートとして開くには --open "_sj + file + " とします。\r\n"_sj);
  }
  ShowPrompt(ctx);
  ArmAssistTimer(ctx, kAssistDelayStartup);
}

}  // namespace zemu
