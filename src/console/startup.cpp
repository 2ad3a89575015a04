// Start-up: the command line, the program's path and InitialDefines.
#include "console/startup.h"

#include <unistd.h>

#include <climits>

#include "console/console.h"
#include "console/output.h"
#include "context.h"
#include "sheet/ini.h"
#include "sheet/sheet_ops.h"

namespace zemu {

namespace {

constexpr std::string_view kOptionMark = "--";
constexpr std::string_view kIniOption = "--ini";
constexpr std::string_view kIniOptionWithValue = "--ini=";

void ReadMainFormPlace(Context& ctx, const std::string& initialFile) {
  const IniSection keys = ReadIniSection(initialFile, "MainForm");
  WindowPlace& place = ctx.mainForm.place;
  place.top = IniInteger(keys, "Top", place.top);
  place.left = IniInteger(keys, "Left", place.left);
  place.height = IniInteger(keys, "Height", place.height);
  place.width = IniInteger(keys, "Width", place.width);
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

void InitialDefines(Context& ctx, const StartupOptions& options) {
  ctx.output.outputSwitch = true;
  CloseLogFile(ctx);
  ctx.settings.file = false;
  ScreenOut(ctx, ChannelLine, kBanner);
  ctx.settings.helpFileName = ReplaceExtension(options.programPath, ".ZHP");
  ctx.observer->SettingsChanged();
  ctx.console.watchScreen->SetHeight(0);

  const std::string initialFile = InitialFileName(options);
  ReadMainFormPlace(ctx, initialFile);
  OpenSheet(ctx, initialFile);
  if (options.arguments.size() >= kFileArgumentCount) {
    OpenSheet(ctx, options.arguments.front());
  } else {
    OpenSheet(ctx, "");
  }
  ShowPrompt(ctx);
  ArmAssistTimer(ctx, kAssistDelayStartup);
}

}  // namespace zemu
