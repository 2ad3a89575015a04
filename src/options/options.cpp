// The options dialog's actions on the settings.
#include "options/options.h"

#include <cerrno>

#include "base/value.h"
#include "console/console.h"
#include "host/context.h"
#include "host/output.h"

namespace zemu {

namespace {

constexpr const char* kLogDialogTitle = "ログファイル名の選択"_sj;
// The first pair covers both log extensions, separated by ';'.
constexpr const char* kLogDialogFilter =
    "ログファイル(*.log, *.zmr)|*.log;*.zmr|全てのファイル(*.*)|*.*"_sj;
constexpr const char* kLogExtension = "zmr";
constexpr const char* kHelpDialogTitle = "ZEMU ﾍﾙﾌﾟﾌｧｲﾙの検索"_sj;
constexpr const char* kHelpDialogFilter = "ZEMU　ﾍﾙﾌﾟﾌｧｲﾙ(*.ZHP)|*.ZHP|全てのﾌｧｲﾙ(*.*)|*.*"_sj;
constexpr const char* kHelpExtension = "ZHP";

// The name with ".ext" added when its last path component has no dot.
std::string WithDefaultExtension(std::string name, const std::string& extension) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (name.find('.', base) == std::string::npos) name += "." + extension;
  return name;
}

// Turns File on under the log file name `name`, closing any log open first.
void ReopenLog(Context& ctx, std::string_view name) {
  errno = 0;
  if (!ChangeLogFileName(ctx, name)) ReportLogOpenFailure(ctx, errno);
}

}  // namespace

FileDialogRequest LogFileDialog(const Context& ctx) {
  return {kLogDialogTitle, kLogDialogFilter, kLogExtension, ctx.settings.logFileName};
}

FileDialogRequest HelpFileDialog(const Context& ctx) {
  return {kHelpDialogTitle, kHelpDialogFilter, kHelpExtension, ctx.settings.helpFileName};
}

void ClickSwitch(Context& ctx, Switch which, bool on) {
  PromptLineAside aside(ctx, false);
  SetSwitch(ctx, which, on);
}

void ClickFile(Context& ctx, bool on) {
  PromptLineAside aside(ctx, false);
  errno = 0;
  if (SetFile(ctx, on) != on) ReportLogOpenFailure(ctx, errno);
}

void ChooseLogMode(Context& ctx, LogMode mode) { SetLogMode(ctx, mode); }

void ChooseTrace(Context& ctx, TraceLevel level) {
  PromptLineAside aside(ctx, false);
  SetTrace(ctx, level);
}

const std::string& FieldSetting(const Context& ctx, OptionsField field) {
  switch (field) {
    case OptionsField::LogFileName:
      return ctx.settings.logFileName;
    case OptionsField::Format:
      return ctx.settings.format;
    case OptionsField::HelpFileName:
      break;
  }
  return ctx.settings.helpFileName;
}

void LeaveField(Context& ctx, OptionsField field, std::string_view text) {
  if (text == FieldSetting(ctx, field)) return;
  PromptLineAside aside(ctx, false);
  switch (field) {
    case OptionsField::LogFileName:
      ReopenLog(ctx, text);
      break;
    case OptionsField::Format:
      if (!SetFormat(ctx, text)) {
        ErrorOut(ctx, "  " + FormatErrorText(text) + "\r\n");
      }
      break;
    case OptionsField::HelpFileName:
      SetHelpFileName(ctx, text);
      break;
  }
}

bool BrowseLogFile(Context& ctx) {
  const FileDialogRequest request = LogFileDialog(ctx);
  const std::string chosen = ctx.toolkit->SaveFileDialog(request);
  if (chosen.empty()) return false;
  PromptLineAside aside(ctx, false);
  ReopenLog(ctx, WithDefaultExtension(chosen, request.defaultExtension));
  return true;
}

bool BrowseHelpFile(Context& ctx) {
  const FileDialogRequest request = HelpFileDialog(ctx);
  const std::string chosen = ctx.toolkit->OpenFileDialog(request);
  if (chosen.empty()) return false;
  LeaveField(ctx, OptionsField::HelpFileName,
             WithDefaultExtension(chosen, request.defaultExtension));
  return true;
}

}  // namespace zemu
