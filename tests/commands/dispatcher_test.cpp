// Tests of the statement dispatcher: transcripts of statements and the
// console text they leave, the command table's abbreviations and the status
// and cursor each statement hands back, the definition branches, and the
// assist texts shown while the console is idle.
#include "commands/dispatcher.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis_literal.h"
#include "definitions/store.h"
#include "host/context.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

struct Outcome {
  StatementStatus status;
  std::ptrdiff_t cursorOffset;  // where the caller's cursor was left
};

void ClearConsole(Context& ctx) {
  ctx.output = OutputState{};
  ctx.console.screen->SetText("");
}

Outcome Execute(Context& ctx, const char* text) {
  const char* cursor = text;
  StatementStatus status = ExecuteStatements(ctx, cursor);
  return {status, cursor - text};
}

struct Transcript {
  const char* statements;
  const char* console;
};

// A fresh program per case: settings at their defaults, one empty sheet.
TEST(Dispatcher, Transcripts) {
  const Transcript cases[] = {
      {"1+2", "  1+2=3  "},
      {"1+2;3*4", "  1+2=3  3*4=12  "},
      {"1+2 'sum", "  1+2 =3  "},
      {"1+2;;3+4", "  1+2=3  "},
      {"1+2;'note;3+4", "  1+2=3  "},
      {"1+2; .xyz; 3+4", "  1+2=3  \r\n  Error: .xyz is undefined command.\r\n"},
      {".XyZ", "  Error: .xyz is undefined command.\r\n"},
      {".set name off; 1+2", "  3  "},
      {"a<1+2", "  a=3  "},
      {".set name off; a<1+2", "  3  "},
      {".set talk off; a<1+2", ""},
      {"f(x)=x*2; f(3)", "  f(3)=6  "},
      {"[km][m]=1000; =first; (2[km])[m]", "  (2[km])[m]=2000[m]  "},
      {"p>a<1;b<2", ""},
      {"{p>\"in\"}1; 2", "  {p>\"in\"}1=1  2=2  "},
      {"\"abc\"", "  abc"},
      {"\"abc\" 1+2", "  abc1+2=3  "},
      {"\"a\\tb\\\"c\\r\\nd\"", "  a\tb\"c\r\nd"},
      {"\"x\\y\"", "  x\\y"},
      // 表 ends in the byte of "\"; before a quote it does not escape it.
      {"\"\x95\x5c\";1",
       "  \x95\x5c"
       "1=1  "},
      {"\"open", "  open"},
      {".end; 1+2", ""},
      {" 1 + 2 ", "  1 + 2 =3  "},
  };
  for (const Transcript& t : cases) {
    SCOPED_TRACE(t.statements);
    Context ctx;
    Execute(ctx, t.statements);
    EXPECT_EQ(ScreenText(ctx), t.console);
  }
}

struct CommandCase {
  const char* statements;
  StatementStatus status;
  std::ptrdiff_t cursorOffset;
};

// Command words: required letters before the table's period, optional ones
// after it, any case. Block statements hand back their own end; everything
// else leaves the caller's cursor where it was.
TEST(Dispatcher, CommandWordsAndStatus) {
  const CommandCase cases[] = {
      {".bl", StatusBlockEnd, 3},
      {".BL; 1", StatusBlockEnd, 3},
      {".Block;", StatusBlockEnd, 6},
      {".blockend x y;z", StatusBlockEnd, 13},
      {".b", StatusStop, 0},
      {".blockendx", StatusStop, 0},
      {".br", StatusBreak, 3},
      {"1; .break; 2", StatusBreak, 9},
      {".c", StatusContinue, 2},
      {".continue", StatusContinue, 9},
      {".el", StatusElse, 3},
      {".els", StatusElse, 4},
      {".elsei 1<2", StatusElseIf, 10},
      {".elseif", StatusElseIf, 7},
      {".e", StatusStop, 0},
      {".en", StatusStop, 0},
      {".end", StatusStop, 0},
      {".del x", StatusDone, 0},
      {".de", StatusStop, 0},
      {".d", StatusStop, 0},
      {".n", StatusDone, 0},
      {".s name", StatusDone, 0},
      {".", StatusStop, 0},
      {"1+2", StatusDone, 0},
      {"{.br}1", StatusDone, 0},
      {"1;;.xyz", StatusDone, 0},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.statements);
    Context ctx;
    Outcome run = Execute(ctx, c.statements);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.cursorOffset, c.cursorOffset);
  }
}

TEST(Dispatcher, StopsAtClosingBraceWithoutConsumingIt) {
  Context ctx;
  Outcome run = Execute(ctx, "1;2}3");
  EXPECT_EQ(run.status, StatusDone);
  EXPECT_EQ(ScreenText(ctx), "  1=1  2=2  ");
}

TEST(Dispatcher, EndAsksTheToolkitToExit) {
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  EXPECT_EQ(Execute(ctx, ".end").status, StatusStop);
  EXPECT_EQ(toolkit.exitRequests, 1);
}

TEST(Dispatcher, DefinitionsGoToTheCurrentSheet) {
  Context ctx;
  Execute(ctx, "f(x)=x*2; a<3; p>a;b;c");
  TDefine& sheet = CurrentSheet(ctx);
  ASSERT_EQ(sheet.RowCount(), 5);  // heading, f, a, p, empty row
  EXPECT_EQ(DefinitionAt(sheet, 1)->text, "f(x)=x*2");
  EXPECT_EQ(DefinitionAt(sheet, 3)->text, "p>a;b;c");
  EXPECT_EQ(DefinitionAt(sheet, 3)->kind, ProcedureKind);

  // name= lists; it stores nothing.
  Execute(ctx, "f=");
  EXPECT_EQ(CurrentSheet(ctx).RowCount(), 5);
}

TEST(Dispatcher, NewMakesAnEmptyCurrentSheet) {
  Context ctx;
  Execute(ctx, "a<1; .new; b<2");
  ASSERT_EQ(ctx.defines.sheets.size(), 2u);
  EXPECT_EQ(ctx.defines.current, ctx.defines.sheets[1].get());
  EXPECT_EQ(ctx.defines.sheets[0]->RowCount(), 3);
  ASSERT_EQ(ctx.defines.sheets[1]->RowCount(), 3);
  EXPECT_EQ(DefinitionAt(*ctx.defines.sheets[1], 1)->Name(), "b");
}

TEST(Dispatcher, DeleteRemovesTheBottomRowOfEachListedName) {
  struct Case {
    const char* statement;
    const char* remainingNames;
  };
  const Case cases[] = {
      {".delete a, b", "ac"}, {".del a,b,c", "a"}, {".delete a b", "abc"},
      {".delete x", "abca"},  {".delete", "abca"}, {".delete 1, a", "abca"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    Context ctx;
    // A marked definition always takes a new row: two rows are named a.
    Execute(ctx, "a<1; b<2; x(t)=t; c<3; $a(t)=t; .delete x");
    ClearConsole(ctx);
    Execute(ctx, c.statement);
    std::string names;
    TDefine& sheet = CurrentSheet(ctx);
    for (int row = 1; row < sheet.RowCount() - 1; ++row) names += DefinitionAt(sheet, row)->Name();
    EXPECT_EQ(names, c.remainingNames);
    EXPECT_EQ(ScreenText(ctx), "");
  }
}

// A stored procedure takes precedence over the command word it spells.
TEST(Dispatcher, ProcedureHidesCommandWord) {
  Context ctx;
  Execute(ctx, "set>\"ran\"");
  Execute(ctx, ".set");
  EXPECT_EQ(ScreenText(ctx).find(".Set Echo"), std::string::npos);
}

struct AssistCase {
  const char* statements;
  const char* line1;
  const char* line2;
  const char* line3;
};

// While idle nothing runs; the first statement is explained.
TEST(Dispatcher, AssistTexts) {
  const AssistCase cases[] = {
      {"", "計算式あるいは命令などを入力して下さい."_sj,
       "> (式); (関数名)=(定義式); (変数名)<(式); (手続き名)>(文;文;文)"_sj, "> .(命令文)"_sj},
      {"  ", "計算式あるいは命令などを入力して下さい."_sj,
       "> (式); (関数名)=(定義式); (変数名)<(式); (手続き名)>(文;文;文)"_sj, "> .(命令文)"_sj},
      {"1+2; .end", "計算式です。"_sj, "> (数式);"_sj, "現在の計算結果は、3   です。"_sj},
      {".bl", "複文ブロックの末尾を表す制御命令です。"_sj,
       "> (制御命令); (複文); (複文); .blockend;"_sj, ""},
      {".END", "プログラムを終了する命令です。"_sj, "> .end;", ""},
      {".del a", "定義を取り消す命令です。複数の定義をまとめて取り消せます。"_sj,
       "> .delete (定義名),[定義名1]...;"_sj, ""},
      {".do p", "定義された手続き、あるいは、手続きファイルを実行する命令です。"_sj,
       "> .do (手続き名) [パラメータ１]... ;"_sj,
       "> .do (手続きファイル名[.ZDF]) [パラメータ１]... ;"_sj},
      {".new", "新しい定義シートを作成する命令です。"_sj, "> .new;", ""},
      {".xyz", "有効な命令文ではありません。命令はピリオド.で始まります。"_sj,
       " 主な命令： .end; .set; .list; .do; .new; .help"_sj,
       " 主な制御命令： .if; .for; .while: "_sj},
      {".proc 1", "定義された手続きの実行命令です。.do命令の省略形です。"_sj,
       "> .(手続き名) [パラメータ１]... ;"_sj, "> .do (手続き名) [パラメータ１]... ;"_sj},
      {"\"abc\"", "文字列は、そのまま結果に印字されます。"_sj, "> \"文字列\";"_sj, ""},
      {"a<3", "変数定義文です。代入記号は < です。"_sj, "> (関数名)<(数式)['コメント];"_sj, ""},
      {"g(x)=x", "関数定義文です。記号は = です。"_sj,
       "> (関数名)[(引数)]=(定義する数式)['コメント[単位]];"_sj, ""},
      {"g=", "関数定義文です。定義の数式がない場合は、現在の定義を表示する命令になります。"_sj,
       "> (関数名)[(引数)]=(定義する数式)['コメント[単位]];"_sj,
       "> (関数名)=;  これは、.list (関数名)と同じ。指定された関数定義を表示します。"_sj},
      {"[km][m]=1000", "単位変換定義文です。記号は = です。"_sj,
       "> [単位１][単位２]=(数式)['コメント];"_sj, "> [単位接頭詞]]=(数式)['コメント]"_sj},
      {"=note", "説明定義文です。記号は = です。"_sj, "> [正の整数]=(説明文);"_sj, ""},
      {"q>a;b", "手続き定義文です。記号は > です。"_sj, "> (手続き名)>(文;文;文)"_sj,
       "行の残り全体(}まで)が手続きの本体です。%1～%9はパラメータに置き換わります。"_sj},
  };
  for (const AssistCase& c : cases) {
    SCOPED_TRACE(c.statements);
    ScriptedToolkit toolkit;
    Context ctx(&toolkit);
    Execute(ctx, "proc>1");
    ClearConsole(ctx);
    const int rowsBefore = CurrentSheet(ctx).RowCount();
    ctx.runState = RunState::Idle;
    Outcome run = Execute(ctx, c.statements);
    EXPECT_EQ(run.status, StatusAssist);
    EXPECT_EQ(run.cursorOffset, 0);
    EXPECT_EQ(toolkit.statusLines[0], c.line1);
    EXPECT_EQ(toolkit.statusLines[1], c.line2);
    EXPECT_EQ(toolkit.statusLines[2], c.line3);
    EXPECT_EQ(toolkit.exitRequests, 0);
    EXPECT_EQ(ScreenText(ctx), "");
    EXPECT_EQ(CurrentSheet(ctx).RowCount(), rowsBefore);
    EXPECT_EQ(ctx.defines.sheets.size(), 1u);
  }
}

// Explaining "=text" must not use up the number it would be stored under.
TEST(Dispatcher, AssistKeepsDescriptionNumbering) {
  Context ctx;
  ctx.runState = RunState::Idle;
  Execute(ctx, "=first");
  Execute(ctx, "=first");
  ctx.runState = RunState::Running;
  Execute(ctx, "=first");
  EXPECT_EQ(DefinitionAt(CurrentSheet(ctx), 1)->text, "1=first");
}

}  // namespace
}  // namespace zemu

namespace zemu {
namespace {

// Every cell of every sheet, the texts written out, and the console.
std::string SheetsAfter(const std::string& script, std::uint32_t enabled) {
  Context ctx;
  ctx.caches.enabled = enabled;
  Execute(ctx, script.c_str());
  std::string seen = ScreenText(ctx);
  for (const auto& sheet : ctx.defines.sheets) {
    for (int row = 1; row < sheet->RowCount(); ++row) {
      for (int column : {TypeColumn, NameColumn, ValueColumn, TextColumn}) {
        seen += "|" + SheetCellText(*sheet, row, column);
      }
      if (const auto d = DefinitionAt(*sheet, row)) seen += "|" + d->text;
    }
  }
  return seen;
}

// A variable assigned again by a statement analysed before goes into its
// row's own definition, or is placed as usual where that would differ: a
// mark, a comment, another case, a function of its name, a value that is
// no number or has a unit, Talk, a right-hand side that redefines it.
TEST(KnownAssignmentTest, LeavesWhatPlacingANewDefinitionLeaves) {
  for (const char* script :
       {"s<0; .for i,1,5; s<s+i; s", "$s<0; .for i,1,3; s<s+i; s",
        "s<0 'note; .for i,1,3; s<s+i; s", "S<1; .for i,1,2; s<S+1; s",
        "s(x)=x; s<1; .for i,1,2; s<s+1; s(4)", ".set talk on; s<1; .for i,1,3; s<s*2",
        "s<1; .for i,1,2; s<1/0; s", "s<1[m]; .for i,1,2; s<s+1[m]; s",
        "s<1; .for i,1,3; s<{s<5}s+1; s", "f(x)=x*2; s<1; .for i,1,3; s<f(s); f(1)",
        "s<0; .for s,1,3; s<s+10; s", "b=2; s<0; .for i,1,3; s<s+b; s",
        "s<0; .for i,1,3; s<s+i[m]; s",
        "g(n)=if(n<1,0,g(n-1)+n); s<0; .for i,1,4; s<s+g(i)-g(i-1)/2; g(2)"}) {
    EXPECT_EQ(SheetsAfter(script, kAllCaches),
              SheetsAfter(script, kAllCaches & ~(kAssignCache | kAnalysisCache)))
        << script;
  }
}

}  // namespace
}  // namespace zemu
