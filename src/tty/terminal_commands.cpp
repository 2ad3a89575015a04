// Start-up, end and the terminal commands of the terminal front end. Each
// command does what its menu item does, with the same "M ..." echo line.
#include "tty/terminal_commands.h"

#include <cstdlib>
#include <string_view>

#include "console/console.h"
#include "console/menu.h"
#include "host/output.h"
#include "host/context.h"
#include "definitions/store.h"
#include "base/scan.h"
#include "sheet/sheet_ops.h"
#include "base/sjis_literal.h"

namespace zemu::tty {

namespace {

constexpr const char* kCommandHelp =
    "  端末コマンド (行頭に : を付けます。N はシートの番号か名前、省略時は現在のシート):\r\n"_sj
    "    :sheets           シートの一覧\r\n"_sj
    "    :new              新しいシートを開く            (ﾌｧｲﾙ - 新規作成)\r\n"_sj
    "    :open [ファイル]  定義ファイルをシートとして開く (ﾌｧｲﾙ - ﾌｧｲﾙを開く)\r\n"_sj
    "    :run [ファイル]   手続きファイルを実行する       (ﾌｧｲﾙ - ﾌｧｲﾙを実行する)\r\n"_sj
    "    :save [N]         上書き保存\r\n"_sj
    "    :saveas [ファイル] 名前を付けて保存 (現在のシート)\r\n"_sj
    "    :forget [N]       計算値を全て忘れる\r\n"_sj
    "    :close [N]        シートを閉じる\r\n"_sj
    "    :show N / :hide N / :select N   シートを表示する / 隠す / 現在のシートにする\r\n"_sj
    "    :watch            ウォッチ画面の行を表示する\r\n"_sj
    "    :help             この一覧\r\n"_sj;

constexpr const char* kCommandWords[] = {"sheets", "new",  "open", "run",    "save",  "saveas", "forget",
                                         "close",  "show", "hide", "select", "watch", "help"};

struct CommandLine {
  std::string word;      // the command word, lower case
  std::string argument;  // the rest, blanks trimmed, one pair of quotes removed
};

CommandLine SplitCommand(const std::string& line) {
  CommandLine command;
  std::size_t at = 1;
  while (at < line.size() && IsNameChar(static_cast<unsigned char>(line[at]))) {
    char c = line[at++];
    command.word += AsciiLower(c);
  }
  std::string_view rest = std::string_view(line).substr(at);
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
    rest = rest.substr(1, rest.size() - 2);
  }
  command.argument = rest;
  return command;
}

// The sheet named by `which`: its number in the list (from 1) or its name;
// the CurrentSheet when empty. Null when there is no such sheet.
TDefine* FindSheet(Context& ctx, const std::string& which) {
  if (which.empty()) return &CurrentSheet(ctx);
  std::vector<std::unique_ptr<TDefine>>& sheets = ctx.defines.sheets;
  char* end = nullptr;
  long number = std::strtol(which.c_str(), &end, 10);
  if (end != which.c_str() && *end == '\0') {
    return number >= 1 && number <= static_cast<long>(sheets.size()) ? sheets[number - 1].get()
                                                                       : nullptr;
  }
  for (const std::unique_ptr<TDefine>& sheet : sheets) {
    if (sheet->name == which) return sheet.get();
  }
  return nullptr;
}

void ListSheets(Context& ctx) {
  const TDefine* current = &CurrentSheet(ctx);
  int number = 1;
  for (const std::unique_ptr<TDefine>& sheet : ctx.defines.sheets) {
    std::string line = "  " + std::to_string(number++) + (sheet.get() == current ? " *" : "  ");
    line += sheet->name.empty() ? "(名前なし)"_sj : sheet->name;
    line += "  定義"_sj + std::to_string(sheet->RowCount() - 2) + "件"_sj;
    if (sheet->modified) line += "  未保存"_sj;
    if (!sheet->keptLines.empty()) {
      line += "  書き戻す行"_sj + std::to_string(sheet->keptLines.size()) + "件"_sj;
    }
    if (!sheet->layout.shown) line += "  非表示"_sj;
    ScreenOut(ctx, ChannelLine, line + "\r\n");
  }
}

}  // namespace

bool EndTerminal(Context& ctx, bool ask) {
  if (ask) return QueryEndProgram(ctx);
  ReportUnsavedSheets(ctx);
  return true;
}

std::vector<std::string> TerminalCommandWords() {
  return {std::begin(kCommandWords), std::end(kCommandWords)};
}

bool RunTerminalCommand(Context& ctx, const std::string& line,
                        const std::function<void()>& showWatch) {
  if (line.empty() || line[0] != ':') return false;
  CommandLine command = SplitCommand(line);
  const std::string& arg = command.argument;
  const std::string& word = command.word;
  // A line stopped by an error leaves no prompt: the menus wait for one.
  if (ctx.runState != RunState::Idle) ShowPrompt(ctx);

  if (word == "new") {
    MenuNew(ctx);
  } else if (word == "open") {
    MenuOpen(ctx, arg);
  } else if (word == "run") {
    MenuRunFile(ctx, arg);
  } else if (word == "saveas") {
    MenuSaveAs(ctx, arg);
  } else if (word == "save" || word == "forget" || word == "close" || word == "show" ||
             word == "hide" || word == "select") {
    TDefine* sheet = FindSheet(ctx, arg);
    if (sheet == nullptr || (arg.empty() && (word == "show" || word == "hide" || word == "select"))) {
      ScreenOut(ctx, ChannelError, "  ERROR: シート "_sj + arg + " はありません。\r\n"_sj);
    } else if (word == "save") {
      SheetMenuSave(ctx, *sheet);
    } else if (word == "forget") {
      SheetMenuForgetAll(ctx, *sheet, true);  // the command is the answer
    } else if (word == "close") {
      if (!SheetMenuClose(ctx, *sheet)) {
        ScreenOut(ctx, ChannelError, "  シートを閉じませんでした。\r\n"_sj);
      }
    } else if (word == "select") {
      SheetActivated(ctx, *sheet);
    } else if (sheet->layout.shown != (word == "show")) {
      MenuChooseSheet(ctx, *sheet);
    }
  } else if (word == "sheets") {
    ListSheets(ctx);
  } else if (word == "watch") {
    showWatch();
  } else if (word == "help") {
    ScreenOut(ctx, ChannelLine, kCommandHelp);
  } else {
    ScreenOut(ctx, ChannelError,
              "  ERROR: 端末コマンド :"_sj + word + " はありません。:help で一覧を表示します。\r\n"_sj);
  }
  return true;
}

}  // namespace zemu::tty
