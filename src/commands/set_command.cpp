// The .set command and the setting operations shared with the options dialog.
#include "commands/set_command.h"

#include <array>
#include <cerrno>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "base/value.h"
#include "commands/assist.h"
#include "commands/dispatcher.h"
#include "host/context.h"
#include "platform/files.h"

namespace zemu {

namespace {

// The items of .set, in the order in which they are tested.
enum class Item { All, Assist, Echo, End, Epower, File, Format, Help, Name, Talk, Trace, Watch };

struct ItemEntry {
  const char* pattern;  // the "." marks the shortest accepted form
  Item item;
  bool inAll;  // shown by "all" mode
  AssistLines help;
};

const std::array<ItemEntry, 13> kItems{{
    {"a.ll",
     Item::All,
     false,
     {"ZEMUの諸設定を表示・変更する命令です。メニューの設定(S)と同等です。"_sj,
      "> .set (項目) [設定値];　　設定値を省略すると現在の値を表示します。"_sj,
      "項目には、name, file, format, echo, talk, trace, watch などがあります。"_sj}},
    {"as.sist",
     Item::Assist,
     false,
     {"現在、使用されていない項目名です。"_sj, "> .set assist;", ""}},
    {"ec.ho",
     Item::Echo,
     true,
     {"展開実行する文を画面に表示するかどうかの設定です。"_sj, "> .set echo [on/all/off];", ""}},
    {"end", Item::End, false, {"現在、使用されていない項目名です。"_sj, "> .set end;", ""}},
    {"ep.ower",
     Item::Epower,
     true,
     {"数値の表記で、10のべき乗を示すEを使用/不使用を設定します。"_sj, ".set epower [on/off];",
      "onのとき1.23e+5=12300  offのとき1.23e+5=123×e+5"_sj}},
    {"fi.le",
     Item::File,
     true,
     {"ZEMUの実行経過をファイルに記録します。"_sj, "> .set file [on/off/to (ファイル名)];"_sj,
      "offで書き込みの一時停止できます。再開はonです。"_sj}},
    {"lo.g",
     Item::File,
     false,
     {"ZEMUの実行経過をファイルに記録します。"_sj, "> .set file [on/off/to (ファイル名)];"_sj,
      "offで書き込みの一時停止できます。再開はonです。"_sj}},
    {"fo.rmat",
     Item::Format,
     true,
     {"計算結果の値の表示書式を設定します。"_sj,
      "> .set format [abc1]%[+- #][123][.45]l{f|e|g}[abc2][%s][abc3];",
      "C言語の書式文字列で、数値と単位の書式を記述できます。"_sj}},
    {"h.elp",
     Item::Help,
     true,
     {"標準のヘルプファイル(.ZHP)を指定します。"_sj, "> .set help to [ヘルプファイル名];"_sj, ""}},
    {"n.ame",
     Item::Name,
     true,
     {"計算結果の表示の前に計算式を書くかどうかを設定します。"_sj, "> .set name [on/off];", ""}},
    {"ta.lk",
     Item::Talk,
     true,
     {"関数や手続きの登録を復唱するかどうかを設定します。"_sj, "> .set talk [on/off];", ""}},
    {"t.race",
     Item::Trace,
     true,
     {"関数や変数の評価を逐次トレース表示するかどうかを設定します。"_sj,
      "> .set trace [off/command/formula/calc/system];", ""}},
    {"w.atch",
     Item::Watch,
     true,
     {"$の付いた関数や手続きを画面上部に常時表示するかどうかを設定します。"_sj,
      "> .set watch [on/off];", ""}},
}};

constexpr std::array<std::string_view, 5> kTraceNames{"off", "command", "formula", "calc",
                                                      "system"};

bool Settings::*SwitchMember(Switch which) {
  switch (which) {
    case Switch::Echo:
      return &Settings::echo;
    case Switch::Epower:
      return &Settings::epower;
    case Switch::Name:
      return &Settings::name;
    case Switch::Talk:
      return &Settings::talk;
    case Switch::Watch:
      break;
  }
  return &Settings::watch;
}

// The change record of the dialog; .set makes none.
void EchoChange(Context& ctx, const std::string& line) {
  if (!ctx.settings.setCommandRunning) ScreenOut(ctx, ChannelEcho, line);
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string OnOff(bool on) { return on ? "On\r\n" : "Off\r\n"; }

std::string SwitchLine(const Context& ctx, std::string_view prefix, Switch which) {
  return std::string(prefix) + ".Set " + std::string(SwitchName(which)) + " " +
         OnOff(SwitchValue(ctx, which));
}

std::string FileLine(const Context& ctx, std::string_view prefix) {
  if (!ctx.settings.file) return std::string(prefix) + ".Set File Off\r\n";
  return std::string(prefix) + ".Set File On to " + Quoted(ctx.settings.logFileName) + "\r\n";
}

std::string FormatLine(const Context& ctx, std::string_view prefix) {
  return std::string(prefix) + ".Set Format " + Quoted(ctx.settings.format) + "\r\n";
}

std::string HelpLine(const Context& ctx, std::string_view prefix) {
  return std::string(prefix) + ".Set Help to " + Quoted(ctx.settings.helpFileName) + "\r\n";
}

std::string TraceLine(const Context& ctx, std::string_view prefix) {
  return std::string(prefix) + ".Set Trace " + std::string(TraceLevelName(ctx.settings.trace)) +
         "\r\n";
}

void PrintLine(Context& ctx, const std::string& line) { ScreenOut(ctx, ChannelLine, line); }

// A switch item: "on" and "off" set it, any other value shows it.
void SetSwitchItem(Context& ctx, std::string_view prefix, Switch which, const std::string& value) {
  if (value == "on") {
    SetSwitch(ctx, which, true);
  } else if (value == "off") {
    SetSwitch(ctx, which, false);
  } else {
    PrintLine(ctx, SwitchLine(ctx, prefix, which));
  }
}

// File on; a log that cannot be opened is reported.
void TurnFileOn(Context& ctx) {
  errno = 0;
  if (!SetFile(ctx, true)) ReportLogOpenFailure(ctx, errno);
}

// "to": a new log file name read at the cursor; no name leaves File off.
void SetFileTo(Context& ctx, const char*& cursor) {
  CloseLogFile(ctx);
  std::string name = ReadFileName(cursor);
  SetFile(ctx, false);
  if (name.empty()) return;
  ctx.settings.logFileName = name;
  ctx.observer->SettingsChanged();
  TurnFileOn(ctx);
}

void SetFileItem(Context& ctx, std::string_view prefix, const std::string& value,
                 const char*& cursor) {
  if (value == "on") {
    const char* p = cursor;
    if (AsciiLowerText(ReadName(p)) != "to") {
      TurnFileOn(ctx);
      return;
    }
    // "on to": the current log is opened first, as for "on" alone; when it
    // cannot be, that is not reported, for the name that follows replaces it.
    SetFile(ctx, true);
    cursor = p;
    SetFileTo(ctx, cursor);
  } else if (value == "off") {
    SetFile(ctx, false);
  } else if (value == "to") {
    SetFileTo(ctx, cursor);
  } else {
    PrintLine(ctx, FileLine(ctx, prefix));
  }
}

void SetFormatItem(Context& ctx, std::string_view prefix, const std::string& rawValue) {
  if (rawValue.empty()) {
    PrintLine(ctx, FormatLine(ctx, prefix));
  } else if (!SetFormat(ctx, rawValue)) {
    ErrorOut(ctx, std::string(prefix) + FormatErrorText(rawValue) + "\r\n");
  }
}

void SetHelpItem(Context& ctx, std::string_view prefix, const std::string& value,
                 const char*& cursor) {
  if (value == "to") {
    SetHelpFileName(ctx, ReadFileName(cursor));
  } else {
    PrintLine(ctx, HelpLine(ctx, prefix));
  }
}

void SetTraceItem(Context& ctx, std::string_view prefix, const std::string& value) {
  for (std::size_t level = 0; level < kTraceNames.size(); ++level) {
    if (value == kTraceNames[level]) {
      SetTrace(ctx, static_cast<TraceLevel>(level));
      return;
    }
  }
  if (value == "on") {
    SetTrace(ctx, TraceLevel::Formula);
  } else {
    PrintLine(ctx, TraceLine(ctx, prefix));
  }
}

void RunItem(Context& ctx, std::string_view prefix, Item item, const std::string& rawValue,
             const char*& cursor) {
  const std::string value = AsciiLowerText(rawValue);
  switch (item) {
    case Item::All:
      break;
    case Item::Assist:
    case Item::End:
      PrintLine(ctx, std::string(prefix) + ".Set Assist is not ready.\n");
      break;
    case Item::Echo:
      SetSwitchItem(ctx, prefix, Switch::Echo, value);
      break;
    case Item::Epower:
      SetSwitchItem(ctx, prefix, Switch::Epower, value);
      break;
    case Item::File:
      SetFileItem(ctx, prefix, value, cursor);
      break;
    case Item::Format:
      SetFormatItem(ctx, prefix, rawValue);
      break;
    case Item::Help:
      SetHelpItem(ctx, prefix, value, cursor);
      break;
    case Item::Name:
      SetSwitchItem(ctx, prefix, Switch::Name, value);
      break;
    case Item::Talk:
      SetSwitchItem(ctx, prefix, Switch::Talk, value);
      break;
    case Item::Trace:
      SetTraceItem(ctx, prefix, value);
      break;
    case Item::Watch:
      SetSwitchItem(ctx, prefix, Switch::Watch, value);
      break;
  }
}

// The status-line help for a typed item: the item's own, or the general help
// for "all", no item or an item that matches nothing.
void ShowSetAssist(Context& ctx, const std::string& item, bool allMode) {
  if (!allMode) {
    for (const ItemEntry& entry : kItems) {
      if (MatchCommandWord(item.c_str(), entry.pattern)) {
        ShowStatusLines(ctx, entry.help);
        return;
      }
    }
  }
  ShowStatusLines(ctx, kItems[0].help);
}

}  // namespace

std::string_view SwitchName(Switch which) {
  switch (which) {
    case Switch::Echo:
      return "Echo";
    case Switch::Epower:
      return "Epower";
    case Switch::Name:
      return "Name";
    case Switch::Talk:
      return "Talk";
    case Switch::Watch:
      break;
  }
  return "Watch";
}

bool SwitchValue(const Context& ctx, Switch which) { return ctx.settings.*SwitchMember(which); }

std::string_view TraceLevelName(TraceLevel level) {
  auto index = static_cast<std::size_t>(level);
  return index < kTraceNames.size() ? kTraceNames[index] : kTraceNames[0];
}

void SetSwitch(Context& ctx, Switch which, bool on) {
  if (ctx.settings.*SwitchMember(which) == on) return;
  SetSwitchUnrecorded(ctx, which, on);
  EchoChange(ctx, "M .Set " + std::string(SwitchName(which)) + " " + OnOff(on));
}

void SetSwitchUnrecorded(Context& ctx, Switch which, bool on) {
  bool& field = ctx.settings.*SwitchMember(which);
  if (field == on) return;
  field = on;
  ctx.observer->SettingsChanged();
}

bool SetFormat(Context& ctx, std::string_view format) {
  if (!FormatNumber(format, 0.0, "")) return false;
  if (ctx.settings.format == format) return true;
  ctx.settings.format = format;
  ctx.observer->SettingsChanged();
  EchoChange(ctx, "M .Set Format " + Quoted(format) + "\r\n");
  return true;
}

void SetTrace(Context& ctx, TraceLevel level) {
  if (ctx.settings.trace == level) return;
  ctx.settings.trace = level;
  ctx.observer->SettingsChanged();
  EchoChange(ctx, "M .Set Trace " + std::string(TraceLevelName(level)) + "\r\n");
}

void SetHelpFileName(Context& ctx, std::string_view name) {
  if (ctx.settings.helpFileName == name) return;
  ctx.settings.helpFileName = name;
  ctx.observer->SettingsChanged();
  EchoChange(ctx, "M .Set Help to " + Quoted(name) + "\r\n");
}

void SetLogMode(Context& ctx, LogMode mode) {
  if (ctx.settings.logMode == mode) return;
  ctx.settings.logMode = mode;
  ctx.observer->SettingsChanged();
}

bool SetFile(Context& ctx, bool on) {
  if (ctx.settings.file == on) return on;
  if (on) {
    if (!OpenLogFile(ctx)) return false;
    ctx.settings.file = true;
    ctx.observer->SettingsChanged();
    ScreenOut(ctx, ChannelEcho, "M .Set File On to " + Quoted(ctx.settings.logFileName) + "\r\n");
    return true;
  }
  ScreenOut(ctx, ChannelEcho, "M .Set File Off\r\n");
  ctx.settings.file = false;
  ctx.observer->SettingsChanged();
  CloseLogFile(ctx);
  return false;
}

bool ChangeLogFileName(Context& ctx, std::string_view name) {
  if (ctx.settings.file) {
    CloseLogFile(ctx);
    ctx.settings.file = false;
  }
  ctx.settings.logFileName = name;
  ctx.observer->SettingsChanged();
  return SetFile(ctx, true);
}

void ReportLogOpenFailure(Context& ctx, int error) {
  const std::string reason = error != 0 ? ErrorText(error) : "unknown error";
  ErrorOut(ctx, "  ERROR: ログファイル"_sj + ctx.settings.logFileName + "を開けません。("_sj +
                    reason + ")\r\n");
}

std::vector<std::string> SettingsLines(const Context& ctx, std::string_view prefix) {
  return {
      SwitchLine(ctx, prefix, Switch::Echo),
      SwitchLine(ctx, prefix, Switch::Epower),
      FileLine(ctx, prefix),
      FormatLine(ctx, prefix),
      HelpLine(ctx, prefix),
      SwitchLine(ctx, prefix, Switch::Name),
      SwitchLine(ctx, prefix, Switch::Talk),
      TraceLine(ctx, prefix),
      SwitchLine(ctx, prefix, Switch::Watch),
  };
}

void ShowSettings(Context& ctx, std::string_view prefix) {
  for (const std::string& line : SettingsLines(ctx, prefix)) PrintLine(ctx, line);
}

void SetCommand(Context& ctx, std::string_view prefix, const char*& cursor) {
  const std::string item = AsciiLowerText(ReadName(cursor));
  std::string rawValue = ReadName(cursor);
  const bool allMode = item.empty() || MatchCommandWord(item.c_str(), kItems[0].pattern);
  if (allMode) rawValue.clear();
  if (InAssistMode(ctx)) {
    ShowSetAssist(ctx, item, allMode);
    return;
  }
  ctx.settings.setCommandRunning = true;
  for (const ItemEntry& entry : kItems) {
    if (allMode ? entry.inAll : MatchCommandWord(item.c_str(), entry.pattern)) {
      RunItem(ctx, prefix, entry.item, rawValue, cursor);
    }
  }
  ctx.settings.setCommandRunning = false;
}

std::vector<std::string> SetItemWords() {
  std::vector<std::string> words;
  for (const ItemEntry& entry : kItems) words.emplace_back(entry.pattern);
  return words;
}

}  // namespace zemu
