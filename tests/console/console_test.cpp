// The console's logic on its text model: Enter and the prompt, the '&' key,
// the assist search, the run-state menu items, find-next and the key wait.
#include "console/console.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

#include "base/sjis_literal.h"
#include "commands/assist.h"
#include "console/menu.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/guard.h"
#include "host/output.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

class ConsoleTest : public testing::Test {
 protected:
  ConsoleTest() {
    ctx_.settings.name = false;  // results print without their formula
    ShowPrompt(ctx_);
  }
  void Type(std::string_view keys) {
    for (char key : keys) TypeKey(ctx_, key);
  }
  std::string Screen() const { return ScreenText(ctx_); }
  TextControl& screen() { return *ctx_.console.screen; }

  ScriptedToolkit toolkit_;
  Context ctx_{&toolkit_};
};

TEST_F(ConsoleTest, FirstPromptEndsTheStartUpRun) {
  EXPECT_EQ(Screen(), "> ");
  EXPECT_EQ(ctx_.runState, RunState::Idle);
  EXPECT_EQ(ctx_.output.savedScreenText, "");
}

TEST_F(ConsoleTest, EnterEchoesLineThenResultThenPrompt) {
  Type("1+2\r");
  EXPECT_EQ(Screen(), "> 1+2\r\n  3  \r\n> ");
  Type("\"a\";\"b\"\r");
  EXPECT_EQ(Screen(), "> 1+2\r\n  3  \r\n> \"a\";\"b\"\r\n  ab\r\n> ");
  EXPECT_EQ(ctx_.runState, RunState::Idle);
  EXPECT_EQ(toolkit_.assistTimer, kAssistDelayKey);
}

// The input line holds kInputLineMax bytes, its "> " included: a line of
// that length runs, one byte more is refused.
TEST_F(ConsoleTest, InputLineAtTheLimitAndOnePast) {
  const struct {
    std::size_t length;
    char value;
    bool runs;
  } cases[] = {{kInputLineMax, '7', true}, {kInputLineMax + 1, '8', false}};
  for (const auto& c : cases) {
    std::string typing = std::string("a<") + c.value;
    typing.resize(c.length - 2, ' ');
    InsertTypedText(ctx_, typing);
    Type("\r");
    const std::string result = std::string("\r\n  ") + c.value + "  \r\n";
    EXPECT_EQ(Screen().find(result) != std::string::npos, c.runs) << c.length;
    EXPECT_EQ(Screen().ends_with("までです。\r\n> "_sj + typing), !c.runs) << c.length;
    ClearTypedLine(ctx_);
  }
}

TEST_F(ConsoleTest, EnterOnOlderLineRunsItAtTheBottom) {
  Type("1+2\r");
  screen().SetCaret(1);
  Type("\r");
  EXPECT_EQ(Screen(), "> 1+2\r\n  3  \r\n> 1+2\r\n  3  \r\n> ");
}

TEST_F(ConsoleTest, TypingAfterPromptIsDroppedFromTheEcho) {
  Type("9");
  screen().SetCaret(0);  // Enter on the same line, caret anywhere in it
  Type("\r");
  EXPECT_EQ(Screen(), "> 9\r\n  9  \r\n> ");
}

TEST_F(ConsoleTest, EnterWhileLineRunsIsIgnored) {
  // The events arrive at the line's first statement guard; the Enter comes
  // while the run is paused inside it.
  toolkit_.events.push_back([this] { StopComputation(ctx_); });
  toolkit_.events.push_back([this] { TypeKey(ctx_, '\r'); });
  toolkit_.events.push_back([this] { RestartComputation(ctx_); });
  Type("1+2\r");
  EXPECT_TRUE(toolkit_.events.empty());
  EXPECT_EQ(Screen(), "> 1+2\r\n  3  \r\n> ");
}

TEST_F(ConsoleTest, PromptRefreshesWatchedDefinitions) {
  Type("$w=2*3 'six\r");
  EXPECT_EQ(ctx_.console.watchScreen->Text(), "  w=6  \t\t'six");
  EXPECT_EQ(ctx_.console.ownWatchScreen.Height(), 24);  // one and a half lines of 16
  EXPECT_FALSE(ctx_.defines.watchRefreshNeeded);
  EXPECT_EQ(Screen(), "> $w=2*3 'six\r\n> ");
}

TEST_F(ConsoleTest, AmpersandBreaksLineAndEnterJoinsIt) {
  Type("1+&2");
  EXPECT_EQ(Screen(), "> 1+&\r\n& 2");
  screen().SetCaret(3);  // Enter on the first of the two lines
  Type("\r");
  EXPECT_EQ(Screen(), "> 1+&\r\n& 2\r\n  3  \r\n> ");
}

TEST_F(ConsoleTest, AmpersandLeavesSelectedTextInPlace) {
  Type("12");
  screen().Select(2, 1);
  Type("&");
  EXPECT_EQ(Screen(), "> &\r\n& 12");
}

TEST_F(ConsoleTest, StoppedLineLeavesNoPromptAndKeepsItsOutput) {
  Type(".nosuch\r");
  std::string afterError = Screen();
  EXPECT_NE(afterError.find("  Error: .nosuch is undefined command.\r\n"), std::string::npos);
  EXPECT_EQ(afterError.substr(afterError.size() - 2), "\r\n");  // no prompt
  EXPECT_EQ(ctx_.runState, RunState::Running);
  EXPECT_FALSE(IsMenuCommandEnabled(ctx_, MenuCommand::FileNew));
  Type(" 2\r");  // typed on the empty line below the error; its first column is the prompt
  EXPECT_EQ(Screen(), afterError + ">2\r\n  2  \r\n> ");
  EXPECT_EQ(ctx_.runState, RunState::Idle);
}

TEST_F(ConsoleTest, IdleMenuActionKeepsOnePromptLine) {
  Type("1+");
  RunMenuAction(ctx_, [this] { ScreenOut(ctx_, ChannelEcho, "M .New\n"); });
  EXPECT_EQ(Screen(), "M .New\n> 1+");
  EXPECT_EQ(ctx_.runState, RunState::Idle);
}

TEST_F(ConsoleTest, MenuActionsDoNothingWhileRunning) {
  BeginRun(ctx_);
  bool ran = false;
  RunMenuAction(ctx_, [&ran] { ran = true; });
  EXPECT_FALSE(ran);
  EXPECT_EQ(ctx_.runState, RunState::Running);
  EXPECT_FALSE(FindNext(ctx_, ">"));
}

struct StartCase {
  const char* name;
  std::string text;
  std::size_t caret;
  std::size_t start;
};

class StatementStartTest : public testing::TestWithParam<StartCase> {};

TEST_P(StatementStartTest, FindsStatementUnderCaret) {
  EXPECT_EQ(StatementStartAt(GetParam().text, GetParam().caret), GetParam().start);
}

INSTANTIATE_TEST_SUITE_P(
    Assist, StatementStartTest,
    testing::Values(StartCase{"AfterPrompt", "  3\r\n> 1+2", 9, 6},
                    StartCase{"AfterSemicolon", "> 1;2+3", 6, 4},
                    StartCase{"ContinuedLine", "  3\r\n> 1+&\r\n& 2", 15, 6},
                    StartCase{"FirstLineOfText", "> 1+2", 3, 1}, StartCase{"EmptyText", "", 0, 0},
                    StartCase{"EmptyLastLine", "x\r\n", 3, 3},
                    StartCase{"KanjiWithTrailBackslash", "> \x95\x5c;\x83\x5c", 7, 5}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ConsoleTest, AssistExplainsStatementUnderCaretOnlyWhileIdle) {
  Type("7;1+2");
  screen().SetCaret(3);  // on the 7
  AssistTimerTimer(ctx_);
  EXPECT_EQ(toolkit_.statusLines[0], "計算式です。"_sj);
  EXPECT_NE(toolkit_.statusLines[2].find("7"), std::string::npos);
  EXPECT_EQ(toolkit_.assistTimer, 0);
  EXPECT_EQ(Screen(), "> 7;1+2");  // nothing executed

  toolkit_.statusLines = {};
  BeginRun(ctx_);
  AssistTimerTimer(ctx_);
  EXPECT_EQ(toolkit_.statusLines[0], "");
}

TEST_F(ConsoleTest, AssistGivesUpOnSlowFormulaAndDeliversNoEvents) {
  Type("fib(n)=if(n<2,n,fib(n-1)+fib(n-2))\r");
  bool delivered = false;
  toolkit_.events.assign(64, [&delivered] { delivered = true; });
  ctx_.guard.assistBudgetMs = 20;
  struct Case {
    const char* typed;
    const char* statusLine3;  // null: the value is shown
  };
  for (const Case& c : {Case{"fib(40)", kAssistNotComputed}, Case{"fib(10)", nullptr}}) {
    ClearTypedLine(ctx_);
    Type(c.typed);
    const auto start = std::chrono::steady_clock::now();
    AssistTimerTimer(ctx_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << c.typed;
    EXPECT_EQ(toolkit_.statusLines[2],
              c.statusLine3 ? c.statusLine3 : "現在の計算結果は、55   です。"_sj);
  }
  EXPECT_FALSE(delivered);
  Type("\r");  // an entered line keeps the normal guard
  EXPECT_NE(Screen().find("\r\n  55  \r\n> "), std::string::npos);
}

TEST_F(ConsoleTest, AbortEndsRunWithOneAbortLineAndPrompt) {
  // A fast machine prints more than the Screen's cap before the abort comes;
  // the run's output is measured from `before`, so nothing may be trimmed.
  SetScreenCap(ctx_, std::string::npos);
  Type("fib(n)=if(n<2,n,fib(n-1)+fib(n-2))\r");
  for (const char* run : {".while 1;", ".for i,1,100000000; i;", "fib(60)", "x<fib(60)"}) {
    ClearTypedLine(ctx_);
    const std::size_t before = Screen().size();
    toolkit_.events.assign(1, [this] { AbortComputation(ctx_); });
    Type(std::string(run) + "\r");
    const std::string output = Screen().substr(before);
    EXPECT_TRUE(output.ends_with("\r\n  ABORT: Abort by user.\r\n> ")) << run << ": " << output;
    EXPECT_EQ(output.find("ABORT"), output.rfind("ABORT")) << run;
    EXPECT_EQ(output.find("ERROR"), std::string::npos) << run;
  }
}

// The watch screen after an aborted run is computed afresh, not with the
// run's abort still in force.
TEST_F(ConsoleTest, WatchScreenAfterAnAbortShowsValues) {
  Type("$w=2*3; s<0\r");
  toolkit_.events.assign(1, [this] { AbortComputation(ctx_); });
  Type(".while 1; s<s+1\r");
  const std::string watch = ctx_.console.watchScreen->Text();
  EXPECT_NE(watch.find("w=6"), std::string::npos) << watch;
  EXPECT_EQ(watch.find("Stack Over"), std::string::npos) << watch;
  EXPECT_EQ(ctx_.runState, RunState::Idle);
}

struct MenuCase {
  const char* name;
  RunState before;
  void (*item)(Context&);
  RunState after;
  const char* statusLine1;
};

class RunStateMenuTest : public testing::TestWithParam<MenuCase> {};

TEST_P(RunStateMenuTest, ChangesRunState) {
  ScriptedToolkit toolkit;
  toolkit.statusLines[0] = "before";
  Context ctx(&toolkit);
  ctx.runState = GetParam().before;
  GetParam().item(ctx);
  EXPECT_EQ(ctx.runState, GetParam().after);
  EXPECT_EQ(toolkit.statusLines[0], GetParam().statusLine1);
}

INSTANTIATE_TEST_SUITE_P(
    Menu, RunStateMenuTest,
    testing::Values(
        MenuCase{"StopPauses", RunState::Running, StopComputation, RunState::Paused,
                 "  計算の実行が停止されています。"_sj},
        MenuCase{"RestartResumes", RunState::Paused, RestartComputation, RunState::Running, ""},
        MenuCase{"AbortAborts", RunState::Paused, AbortComputation, RunState::Aborted, ""},
        MenuCase{"AbortWhileRunning", RunState::Running, AbortComputation, RunState::Aborted, ""},
        MenuCase{"StopIgnoredWhenIdle", RunState::Idle, StopComputation, RunState::Idle, "before"},
        MenuCase{"RestartIgnoredWhenIdle", RunState::Idle, RestartComputation, RunState::Idle,
                 "before"},
        MenuCase{"StopKeepsAbort", RunState::Aborted, StopComputation, RunState::Aborted,
                 "before"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(PauseTest, PausedRunWaitsForRestartOrAbort) {
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  ctx.runState = RunState::Running;
  StopComputation(ctx);
  std::string pausedLine2;
  toolkit.events.push_back([&] { pausedLine2 = toolkit.statusLines[1]; });
  toolkit.events.push_back([&] { RestartComputation(ctx); });
  EXPECT_EQ(WaitWhilePaused(ctx), RunState::Running);
  EXPECT_EQ(pausedLine2,
            "      継続し再開するのは、メニューの「計算中断(A)－計算再開(R)」です。"_sj);
  EXPECT_EQ(toolkit.statusLines[1], "");

  StopComputation(ctx);
  toolkit.events.push_back([&] { AbortComputation(ctx); });
  EXPECT_TRUE(StatementGuard(ctx));
  EXPECT_NE(ScreenText(ctx).find("  ABORT: Abort by user.\r\n"), std::string::npos);
}

struct FindCase {
  const char* name;
  std::size_t selStart, selLength;
  const char* what;
  bool found;
  std::size_t foundAt;
};

class FindTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindTest, SelectsNextOccurrence) {
  Context ctx;
  ctx.runState = RunState::Idle;
  ctx.console.screen->SetText(
      "abcabc\x95\x5c"
      "abc");
  ctx.console.screen->Select(GetParam().selStart, GetParam().selLength);
  EXPECT_EQ(FindNext(ctx, GetParam().what), GetParam().found);
  std::size_t expected = GetParam().found ? GetParam().foundAt : GetParam().selStart;
  EXPECT_EQ(ctx.console.screen->SelectionStart(), expected);
}

INSTANTIATE_TEST_SUITE_P(Find, FindTest,
                         testing::Values(FindCase{"AtStartOfText", 0, 0, "a", true, 0},
                                         FindCase{"AfterSelection", 0, 1, "a", true, 3},
                                         FindCase{"InsideLongerSelection", 1, 5, "ca", true, 2},
                                         FindCase{"NotBeyondSelection", 0, 4, "bc", true, 1},
                                         FindCase{"CaseSensitive", 0, 0, "A", false, 0},
                                         FindCase{"RawBytes", 0, 0,
                                                  "\x5c"
                                                  "a",
                                                  true, 7},
                                         FindCase{"NothingAfterLast", 8, 3, "abc", false, 0}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ConsoleTest, FindTwiceFindsTheNextOne) {
  Type("1;1");
  screen().SetCaret(0);
  ASSERT_TRUE(FindNext(ctx_, "1"));
  EXPECT_EQ(screen().SelectionStart(), 2u);
  ASSERT_TRUE(FindNext(ctx_, "1"));
  EXPECT_EQ(screen().SelectionStart(), 4u);
}

TEST_F(ConsoleTest, KeyWaitTakesTheNextTypedKey) {
  BeginRun(ctx_);
  toolkit_.events.push_back([this] { TypeKey(ctx_, 'q'); });
  EXPECT_EQ(WaitForTypedKey(ctx_), 'q');
  EXPECT_EQ(Screen(), "> q");  // the key still reaches the Screen
  EXPECT_EQ(ctx_.console.keyWaitSlot, 1);

  toolkit_.events.push_back([this] { AbortComputation(ctx_); });
  EXPECT_EQ(WaitForTypedKey(ctx_), 27);
  EXPECT_TRUE(Screen().ends_with("\r\n  ABORT: Abort by user.\r\n"));  // the abort says so
}

}  // namespace
}  // namespace zemu
