// Start-up, end and the terminal commands of the terminal front end. Each
// command does what its menu item does, with the same "M ..." echo line.
#include "tty/terminal_commands.h"

#include <cstdlib>
#include <string_view>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "console/calculator.h"
#include "console/plot_command.h"
#include "definitions/store.h"
#include "host/output.h"

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
    "    :plot 関数[,関数] 始め 終わり [下限 上限] [ファイル.svg]\r\n"_sj
    "                      引数1個の関数のグラフを描く (ファイル名があれば SVG に書き出す)\r\n"_sj
    "    :help             この一覧\r\n"_sj;

constexpr const char* kCommandWords[] = {"sheets", "new",    "open",  "run",  "save",
                                         "saveas", "forget", "close", "show", "hide",
                                         "select", "watch",  "plot",  "help"};

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
TDefine* FindSheet(Calculator& calc, const std::string& which) {
  if (which.empty()) return &calc.CurrentSheet();
  const std::vector<std::unique_ptr<TDefine>>& sheets = calc.context().defines.sheets;
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

void ListSheets(Calculator& calc) {
  const TDefine* current = &calc.CurrentSheet();
  int number = 1;
  for (const std::unique_ptr<TDefine>& sheet : calc.context().defines.sheets) {
    std::string line = "  " + std::to_string(number++) + (sheet.get() == current ? " *" : "  ");
    line += sheet->name.empty() ? "(名前なし)"_sj : sheet->name;
    line += "  定義"_sj + std::to_string(sheet->RowCount() - 2) + "件"_sj;
    if (sheet->modified) line += "  未保存"_sj;
    if (!sheet->keptLines.empty()) {
      line += "  書き戻す行"_sj + std::to_string(sheet->keptLines.size()) + "件"_sj;
    }
    if (!sheet->layout.shown) line += "  非表示"_sj;
    calc.Write(ChannelLine, line + "\r\n");
  }
}

}  // namespace

bool EndTerminal(Calculator& calc, bool ask) {
  if (ask) return calc.QueryEnd();
  calc.ReportUnsavedSheets();
  return true;
}

std::vector<std::string> TerminalCommandWords() {
  return {std::begin(kCommandWords), std::end(kCommandWords)};
}

bool RunTerminalCommand(Calculator& calc, const std::string& line, const TerminalHooks& hooks) {
  if (line.empty() || line[0] != ':') return false;
  CommandLine command = SplitCommand(line);
  const std::string& arg = command.argument;
  const std::string& word = command.word;
  // A line stopped by an error leaves no prompt: the menus wait for one.
  if (calc.runState() != RunState::Idle) calc.ShowPrompt();

  if (word == "new") {
    calc.New();
  } else if (word == "open") {
    calc.Open(arg);
  } else if (word == "run") {
    calc.RunFile(arg);
  } else if (word == "saveas") {
    calc.SaveAs(arg);
  } else if (word == "save" || word == "forget" || word == "close" || word == "show" ||
             word == "hide" || word == "select") {
    TDefine* sheet = FindSheet(calc, arg);
    if (sheet == nullptr ||
        (arg.empty() && (word == "show" || word == "hide" || word == "select"))) {
      calc.WriteError("  ERROR: シート "_sj + arg + " はありません。\r\n"_sj);
    } else if (word == "save") {
      calc.SaveSheet(*sheet);
    } else if (word == "forget") {
      calc.ForgetAll(*sheet, true);  // the command is the answer
    } else if (word == "close") {
      if (!calc.CloseSheet(*sheet)) {
        calc.Write(ChannelError, "  シートを閉じませんでした。\r\n"_sj);
      }
    } else if (word == "select") {
      calc.SelectSheet(*sheet);
    } else if (sheet->layout.shown != (word == "show")) {
      calc.ChooseSheet(*sheet);
    }
  } else if (word == "sheets") {
    ListSheets(calc);
  } else if (word == "watch") {
    hooks.showWatch();
  } else if (word == "plot") {
    Plot plot;
    if (calc.Plot(arg, plot)) hooks.drawPlot(plot);
  } else if (word == "help") {
    calc.Write(ChannelLine, kCommandHelp);
  } else {
    calc.WriteError("  ERROR: 端末コマンド :"_sj + word +
                    " はありません。:help で一覧を表示します。\r\n"_sj);
  }
  return true;
}

}  // namespace zemu::tty
