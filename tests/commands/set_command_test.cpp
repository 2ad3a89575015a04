// Tests of the settings and .set: every item and value as a transcript, the
// "all" lines and their use as restoring statements, the change records of
// the dialog operations, the File reaction on a real log file, and the help
// shown while the console is idle.
#include "commands/set_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "host/context.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

void Execute(Context& ctx, const std::string& text) {
  const char* cursor = text.c_str();
  ExecuteStatements(ctx, cursor);
}

struct Transcript {
  const char* statements;
  const char* console;
};

constexpr const char* kAllLines =
    "  .Set Echo On\r\n  .Set Epower On\r\n  .Set File Off\r\n  .Set Format \"%.8G%S  \"\r\n"
    "  .Set Help to \"\"\r\n  .Set Name On\r\n  .Set Talk On\r\n  .Set Trace off\r\n"
    "  .Set Watch On\r\n";

TEST(SetCommand, Transcripts) {
  const Transcript cases[] = {
      {".set", kAllLines},
      {".set all", kAllLines},
      {".SET A", kAllLines},
      {".s all echo", kAllLines},
      {".set echo", "  .Set Echo On\r\n"},
      {".set echo OFF; .set ECHO", "  .Set Echo Off\r\n"},
      {".set echo all", "  .Set Echo On\r\n"},
      {".set ec off; .set ec on; .set ec", "  .Set Echo On\r\n"},
      {".set e off; .set echo; .set epower", "  .Set Echo On\r\n  .Set Epower On\r\n"},
      {".set ep off; .set epower", "  .Set Epower Off\r\n"},
      {".set n off; .set name", "  .Set Name Off\r\n"},
      {".set name off; 1+2", "  3  "},
      {".set ta off; .set talk", "  .Set Talk Off\r\n"},
      {".set w off; .set watch", "  .Set Watch Off\r\n"},
      {".set watch", "  .Set Watch On\r\n"},
      {".set trace", "  .Set Trace off\r\n"},
      {".set trace on; .set t", "  .Set Trace formula\r\n"},
      {".set trace foo", "  .Set Trace off\r\n"},
      {".set t command; .set t", "  .Set Trace command\r\n"},
      {".set t CALC; .set t", "  .Set Trace calc\r\n"},
      {".set t formula; .set t off; .set t", "  .Set Trace off\r\n"},
      {".set format", "  .Set Format \"%.8G%S  \"\r\n"},
      {".set fo \"%.3F%S\"; .set fo", "  .Set Format \"%.3F%S\"\r\n"},
      {".set fo \"<%.2f>\"; 1/3", "  1/3=<0.33>"},
      {".set file", "  .Set File Off\r\n"},
      {".set log", "  .Set File Off\r\n"},
      {".set file off", ""},
      {".set help", "  .Set Help to \"\"\r\n"},
      {".set help to x.ZHP; .set help", "  .Set Help to \"x.ZHP\"\r\n"},
      {".set h x.ZHP", "  .Set Help to \"\"\r\n"},
      {".set help to \"d:\\h 1.ZHP\"; .set help", "  .Set Help to \"d:\\h 1.ZHP\"\r\n"},
      {".set as", "  .Set Assist is not ready.\n"},
      {".set end", "  .Set Assist is not ready.\n"},
      {".set xyz on", ""},
      {".set en", ""},
  };
  for (const Transcript& t : cases) {
    SCOPED_TRACE(t.statements);
    Context ctx;
    Execute(ctx, t.statements);
    EXPECT_EQ(ScreenText(ctx), t.console);
  }
}

// A template the number formatter cannot use is refused, not stored.
TEST(SetCommand, RefusesUnusableFormat) {
  Context ctx;
  Execute(ctx, ".set format \"%q\"; .set format");
  EXPECT_EQ(ScreenText(ctx),
            "  ERROR: 表示書式が不正です (%q)\r\n  .Set Format \"%.8G%S  \"\r\n"_sj);
  EXPECT_EQ(ctx.settings.format, "%.8G%S  ");
  EXPECT_FALSE(SetFormat(ctx, "%q"));
  EXPECT_EQ(ctx.settings.format, "%.8G%S  ");
}

// Each "all" line is a statement that restores its setting.
TEST(SetCommand, AllLinesRestoreTheSettings) {
  Context changed;
  Execute(changed, ".set echo off; .set ep off; .set fo \"%.4G%S\"; .set h to a.ZHP");
  Execute(changed, ".set n off; .set ta off; .set t calc; .set w off");
  Context fresh;
  for (const std::string& line : SettingsLines(changed, "> ")) {
    ASSERT_EQ(line.substr(0, 2), "> ");
    Execute(fresh, line.substr(1));
  }
  EXPECT_EQ(SettingsLines(fresh, ""), SettingsLines(changed, ""));
  EXPECT_EQ(ScreenText(fresh), "");
}

struct EchoCase {
  void (*change)(Context&);
  const char* console;
};

// Changes made outside .set are recorded as "M .Set" lines; repeating the
// current value records nothing; .set itself records nothing.
TEST(SetCommand, DialogChangesAreEchoed) {
  const EchoCase cases[] = {
      {[](Context& c) { SetSwitch(c, Switch::Name, false); }, "M .Set Name Off\r\n"},
      {[](Context& c) { SetSwitch(c, Switch::Epower, false); }, "M .Set Epower Off\r\n"},
      {[](Context& c) { SetSwitch(c, Switch::Talk, true); }, ""},
      {[](Context& c) { SetSwitch(c, Switch::Echo, false); }, ""},
      {[](Context& c) {
         SetSwitch(c, Switch::Echo, false);
         SetSwitch(c, Switch::Echo, true);
       },
       "M .Set Echo On\r\n"},
      {[](Context& c) { SetFormat(c, "%.3G%S"); }, "M .Set Format \"%.3G%S\"\r\n"},
      {[](Context& c) { SetFormat(c, "%.8G%S  "); }, ""},
      {[](Context& c) { SetTrace(c, TraceLevel::Calc); }, "M .Set Trace calc\r\n"},
      {[](Context& c) { SetHelpFileName(c, "a.ZHP"); }, "M .Set Help to \"a.ZHP\"\r\n"},
      {[](Context& c) { SetLogMode(c, LogMode::Data); }, ""},
      {[](Context& c) { Execute(c, ".set name off; .set fo \"%G\"; .set t calc; .set h to x"); },
       ""},
  };
  for (const EchoCase& c : cases) {
    Context ctx;
    c.change(ctx);
    EXPECT_EQ(ScreenText(ctx), c.console);
    EXPECT_FALSE(ctx.settings.setCommandRunning);
  }
}

class SetFileTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseLogFile(ctx_); }
  std::string PathOf(const char* name) const { return (dir_ / name).string(); }
  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  ScratchFolder scratch_;
  const std::filesystem::path dir_ = scratch_.path();
  Context ctx_;
};

TEST_F(SetFileTest, ToOpensTheLogAndOffClosesIt) {
  const std::string log = PathOf("a.log");
  Execute(ctx_, ".set file to \"" + log + "\"; 1+2; .set file off; 3");
  EXPECT_FALSE(ctx_.settings.file);
  EXPECT_EQ(ctx_.settings.logFileName, log);
  const std::string on = "M .Set File On to \"" + log + "\"\r\n";
  EXPECT_EQ(ScreenText(ctx_), on + "  1+2=3  \r\nM .Set File Off\r\n  3=3  ");
  EXPECT_EQ(Contents(log), on + "  1+2=3  \r\nM .Set File Off\r\n");
}

TEST_F(SetFileTest, OnUsesTheLogNameAndAppends) {
  const std::string log = PathOf("b.log");
  { std::ofstream(log, std::ios::binary) << "old\r\n"; }
  ctx_.settings.logFileName = log;
  Execute(ctx_, ".set file on; .set file; .set file on; 5");
  EXPECT_TRUE(ctx_.settings.file);
  SetFile(ctx_, false);
  const std::string on = "M .Set File On to \"" + log + "\"\r\n";
  EXPECT_EQ(Contents(log), "old\r\n" + on + "  .Set File On to \"" + log + "\"\r\n  5=5  " +
                               "\r\nM .Set File Off\r\n");
}

TEST_F(SetFileTest, OnToSwitchesToTheNamedLog) {
  const std::string first = PathOf("first.log");
  const std::string second = PathOf("second.log");
  Execute(ctx_, ".set file to \"" + first + "\"; 1; .set file on to \"" + second + "\"; 2");
  EXPECT_TRUE(ctx_.settings.file);
  EXPECT_EQ(ctx_.settings.logFileName, second);
  SetFile(ctx_, false);
  EXPECT_EQ(Contents(first), "M .Set File On to \"" + first + "\"\r\n  1=1  ");
  EXPECT_EQ(Contents(second),
            "M .Set File On to \"" + second + "\"\r\n  2=2  \r\nM .Set File Off\r\n");
}

TEST_F(SetFileTest, ToWithoutNameLeavesFileOff) {
  const std::string log = PathOf("c.log");
  Execute(ctx_, ".set file to \"" + log + "\"; .set file to; 7");
  EXPECT_FALSE(ctx_.settings.file);
  EXPECT_EQ(ctx_.settings.logFileName, log);
  EXPECT_EQ(Contents(log), "M .Set File On to \"" + log + "\"\r\n");
}

// File stays off and the reason is told, once for each try; "on to" opens
// the current log first, which is not told when only the new name counts.
TEST_F(SetFileTest, LogThatCannotBeOpenedLeavesFileOffAndIsReported) {
  { std::ofstream(PathOf("plain"), std::ios::binary) << "x"; }
  const std::string bad = PathOf("plain/x.log");
  const std::string good = PathOf("good.log");
  const std::string report =
      "  ERROR: ログファイル"_sj + bad + "を開けません。(Not a directory)\r\n"_sj;
  const struct {
    std::string statements;
    std::string screen;
    bool file;
  } cases[] = {
      {".set file to \"" + bad + "\"", report, false},
      {".set file on", report, false},
      {".set file on to \"" + good + "\"", "M .Set File On to \"" + good + "\"\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statements);
    Context ctx;
    ctx.settings.logFileName = bad;
    Execute(ctx, c.statements);
    EXPECT_EQ(ctx.settings.file, c.file);
    EXPECT_EQ(ScreenText(ctx), c.screen);
  }
  EXPECT_FALSE(ChangeLogFileName(ctx_, bad));
  EXPECT_FALSE(ctx_.settings.file);
}

// An unquoted name runs to a blank or the statement's end, whatever bytes
// it holds; the log is opened under the name as the disk spells it.
TEST_F(SetFileTest, NamesRunToABlankOrTheEndOfTheStatement) {
  ctx_.files.nameCodeset = "UTF-8";
  const struct {
    const char* name;
    bool quoted;
    const char* after;
    const char* onDisk;
  } cases[] = {
      {"a-b.log", false, "", "a-b.log"},
      {"x+1.log", false, "; 5", "x+1.log"},
      {"my log.txt", true, "", "my log.txt"},
      {"\x83\x7D-1.log", false, " ", "\xE3\x83\x9E-1.log"},  // a character whose trail byte is '}'
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.onDisk);
    const std::string name = c.quoted ? "\"" + PathOf(c.name) + "\"" : PathOf(c.name);
    Execute(ctx_, ".set file to " + name + c.after + "; .set file off");
    EXPECT_EQ(Contents(PathOf(c.onDisk)), "M .Set File On to \"" + PathOf(c.name) + "\"\r\n" +
                                              (c.after[0] == ';' ? "  5=5  \r\n" : "") +
                                              "M .Set File Off\r\n");
  }
  Execute(ctx_, ".set help to h-1.ZHP; .set help");
  EXPECT_TRUE(ScreenText(ctx_).ends_with("  .Set Help to \"h-1.ZHP\"\r\n")) << ScreenText(ctx_);
}

TEST_F(SetFileTest, DialogLogNameChangeReopensOnce) {
  const std::string first = PathOf("d1.log");
  const std::string second = PathOf("d2.log");
  EXPECT_TRUE(ChangeLogFileName(ctx_, first));
  EXPECT_TRUE(ChangeLogFileName(ctx_, second));
  EXPECT_EQ(ScreenText(ctx_),
            "M .Set File On to \"" + first + "\"\r\nM .Set File On to \"" + second + "\"\r\n");
  SetFile(ctx_, false);
  EXPECT_EQ(Contents(first), "M .Set File On to \"" + first + "\"\r\n");
}

struct SetAssistCase {
  const char* statement;
  const char* line1;
  const char* line2;
  const char* line3;
};

// While idle .set changes nothing and explains the item.
TEST(SetCommand, AssistTexts) {
  const SetAssistCase cases[] = {
      {".set", "ZEMUの諸設定を表示・変更する命令です。メニューの設定(S)と同等です。"_sj,
       "> .set (項目) [設定値];　　設定値を省略すると現在の値を表示します。"_sj,
       "項目には、name, file, format, echo, talk, trace, watch などがあります。"_sj},
      {".set xyz", "ZEMUの諸設定を表示・変更する命令です。メニューの設定(S)と同等です。"_sj,
       "> .set (項目) [設定値];　　設定値を省略すると現在の値を表示します。"_sj,
       "項目には、name, file, format, echo, talk, trace, watch などがあります。"_sj},
      {".set echo off", "展開実行する文を画面に表示するかどうかの設定です。"_sj,
       "> .set echo [on/all/off];", ""},
      {".set ep off", "数値の表記で、10のべき乗を示すEを使用/不使用を設定します。"_sj,
       ".set epower [on/off];", "onのとき1.23e+5=12300  offのとき1.23e+5=123×e+5"_sj},
      {".set lo to x.log", "ZEMUの実行経過をファイルに記録します。"_sj,
       "> .set file [on/off/to (ファイル名)];"_sj,
       "offで書き込みの一時停止できます。再開はonです。"_sj},
      {".set format \"%G\"", "計算結果の値の表示書式を設定します。"_sj,
       "> .set format [abc1]%[+- #][123][.45]l{f|e|g}[abc2][%s][abc3];",
       "C言語の書式文字列で、数値と単位の書式を記述できます。"_sj},
      {".set h to x", "標準のヘルプファイル(.ZHP)を指定します。"_sj,
       "> .set help to [ヘルプファイル名];"_sj, ""},
      {".set n off", "計算結果の表示の前に計算式を書くかどうかを設定します。"_sj,
       "> .set name [on/off];", ""},
      {".set ta off", "関数や手続きの登録を復唱するかどうかを設定します。"_sj,
       "> .set talk [on/off];", ""},
      {".set t calc", "関数や変数の評価を逐次トレース表示するかどうかを設定します。"_sj,
       "> .set trace [off/command/formula/calc/system];", ""},
      {".set w off", "$の付いた関数や手続きを画面上部に常時表示するかどうかを設定します。"_sj,
       "> .set watch [on/off];", ""},
      {".set as", "現在、使用されていない項目名です。"_sj, "> .set assist;", ""},
      {".set end", "現在、使用されていない項目名です。"_sj, "> .set end;", ""},
  };
  for (const SetAssistCase& c : cases) {
    SCOPED_TRACE(c.statement);
    ScriptedToolkit toolkit;
    Context ctx(&toolkit);
    ctx.runState = RunState::Idle;
    const std::vector<std::string> before = SettingsLines(ctx, "");
    Execute(ctx, c.statement);
    EXPECT_EQ(toolkit.statusLines[0], c.line1);
    EXPECT_EQ(toolkit.statusLines[1], c.line2);
    EXPECT_EQ(toolkit.statusLines[2], c.line3);
    EXPECT_EQ(SettingsLines(ctx, ""), before);
    EXPECT_EQ(ScreenText(ctx), "");
  }
}

}  // namespace
}  // namespace zemu
