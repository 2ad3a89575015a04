// The program's command line.
#include "tty/command_line.h"

#include <string_view>

#include "base/sjis_literal.h"

#ifndef ZEMU_VERSION
#define ZEMU_VERSION "0"
#endif

namespace zemu::tty {

namespace {

constexpr const char* kUsage =
    "使い方: zemu [オプション] [定義ファイル 引数 引数]\n"
    "単位つき数式電卓 ZEMU。画面があれば窓を開き、なければ端末で動きます。\n"
    "\n"
    "  --tty             窓を開かずに端末で動かす\n"
    "  -e 文             文を実行し、その出力だけを書いて終わる（何度でも書ける）\n"
    "  --batch ファイル  ファイルの各行を文として同じように実行する（- は標準入力）\n"
    "  --open ファイル   定義ファイルをシートとして開く（何度でも書ける）\n"
    "  --ini ファイル    初期定義ファイルを指定する\n"
    "  --sjis            端末の文字をシフトJISとして読み書きする\n"
    "  --utf8            端末の文字を UTF-8 として読み書きする（既定はロケールに従う）\n"
    "  -h, --help        この説明を表示する\n"
    "  --version         版を表示する\n"
    "\n"
    "引数が三つ以上あるときは、最初の引数を定義ファイルとして開きます。\n"
    "端末では、行頭に : を付けた端末コマンド（:help で一覧）が使えます。\n"
    "Tab で命令・定義・関数・単位・ファイル名を補完し、Ctrl-X ? か F1 で\n"
    "打ち込み中の文の説明を表示します。Ctrl-C は計算の中止、Ctrl-D は終了です。\n"
    "\n"
    "終了状態: 0 正常。1 標準入力が端末でないとき（-e と --batch では常に）、\n"
    "文がエラーを報告したか、行の実行が止まった。2 オプションの誤り。\n"_sj;

struct OptionWord {
  std::string name;   // "--ini" or "-e"
  std::string value;  // after '=' when given so
  bool hasValue = false;
};

OptionWord SplitOption(std::string_view word) {
  OptionWord option;
  const std::size_t equals = word.find('=');
  if (word.starts_with("--") && equals != std::string_view::npos) {
    option.name = word.substr(0, equals);
    option.value = word.substr(equals + 1);
    option.hasValue = true;
  } else {
    option.name = word;
  }
  return option;
}

CommandLine Fault(CommandLine line, const std::string& text) {
  line.action = CommandLine::Action::Fault;
  line.fault = text;
  return line;
}

}  // namespace

CommandLine ReadProgramOptions(int argc, const char* const* argv) {
  CommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (optionsEnded || word == "-" || !word.starts_with('-')) {
      line.startup.arguments.emplace_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    OptionWord option = SplitOption(word);
    const std::string& name = option.name;
    const bool takesValue =
        name == "-e" || name == "--batch" || name == "--open" || name == "--ini";
    if (takesValue && !option.hasValue) {
      if (i + 1 >= argc) return Fault(line, "zemu: " + name + " の後に値がありません。"_sj);
      option.value = argv[++i];
    } else if (!takesValue && option.hasValue) {
      return Fault(line, "zemu: " + name + " は値を取りません。"_sj);
    }
    if (name == "-h" || name == "--help") {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (name == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    }
    if (name == "--tty") {
      line.terminal = true;
    } else if (name == "--sjis" || name == "--utf8") {
      line.terminal = true;
      line.encoding = name == "--sjis" ? TerminalEncoding::ShiftJis : TerminalEncoding::Utf8;
    } else if (name == "-e") {
      line.terminal = true;
      line.batch.push_back({"-e", option.value, false});
    } else if (name == "--batch") {
      line.terminal = true;
      line.batch.push_back({option.value, "", true});
    } else if (name == "--open") {
      line.startup.openFiles.push_back(option.value);
    } else if (name == "--ini") {
      line.startup.initialFile = option.value;
    } else {
      return Fault(line, "zemu: "_sj + name + " というオプションはありません。"_sj);
    }
  }
  return line;
}

std::string UsageText() { return kUsage; }

std::string VersionText() { return std::string("zemu ") + ZEMU_VERSION; }

}  // namespace zemu::tty
