// Tests of .if, .for and .while: transcripts of statements and the console
// text they leave, how break, continue and stop travel through nested
// blocks, the scanners' narrower word recognition, the loop variable's
// binding, and pause, restart and abort delivered while a loop runs.
#include "commands/control_flow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <regex>
#include <string>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "engine/tempvar.h"
#include "host/context.h"
#include "host/guard.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu {
namespace {

double NumberOf(Context& ctx, const char* formula) { return EvalText(ctx, formula).number; }

struct Transcript {
  const char* statements;
  const char* console;
};

void CheckTranscripts(const Transcript* begin, const Transcript* end) {
  for (const Transcript* t = begin; t != end; ++t) {
    SCOPED_TRACE(t->statements);
    Context ctx;
    Execute(ctx, t->statements);
    EXPECT_EQ(ScreenText(ctx), t->console);
    EXPECT_EQ(ctx.tempVars.Count(), 0);
  }
}

constexpr const char* kForSyntax = "  ERROR: .for (name),(initial),(end)[,(step)];\r\n";
constexpr const char* kForRange =
    "  ERROR: .for (name),(initial),(end)[,(step)]; 範囲が実数ではありません。\r\n"_sj;
constexpr const char* kUndefinedXyz = "  Error: .xyz is undefined command.\r\n";

TEST(ForCommand, Transcripts) {
  const Transcript cases[] = {
      {".for i,1,3; i; .blockend; 10", "  i=1  i=2  i=3  10=10  "},
      {".FOR i,1,3; i", "  i=1  i=2  i=3  "},
      {".f i,3,1; i", "  i=3  i=2  i=1  "},
      {".for i,1,1; i", "  i=1  "},
      {".for i,1,3,2; i", "  i=1  i=3  "},
      {".for i,2,-2,-2; i", "  i=2  i=0  i=-2  "},
      {".for i,1,3,0; i; .blockend; 7", "  7=7  "},
      {".for i,1,3,-1; i; .blockend; 7", "  7=7  "},
      {".for i, 1 , 3 ; i", "  i=1  i=2  i=3  "},
      {".for i ,1,3; i", kForSyntax},  // no blank between the name and its comma
      {".for i,1; 2", kForSyntax},
      {".for i; 2", kForSyntax},
      {".for 5,1,2; 2", kForSyntax},
      {".for i,1,\"a\"; 3", kForRange},
      // An initial value in error leaves the cursor before it, not on a comma.
      {".for i,x,3; 3", kForSyntax},
      {".for i,1,3,y; 3", kForRange},
      // The loop variable hides a definition of its name while the loop runs.
      {"i<100; .for i,1,2; i; .blockend; i", "  i=100  i=1  i=2  i=100  "},
      {".for i,1,2; .for j,1,2; i*10+j", "  i*10+j=11  i*10+j=12  i*10+j=21  i*10+j=22  "},
      {".for i,1,2; .for i,5,6; i; .blockend; i", "  i=5  i=6  i=1  i=5  i=6  i=2  "},
      {".for d,1[m],3[m]; d", "  d=1[m]  d=2[m]  d=3[m]  "},
      // A stop in the body ends the loop; the statements after the block run.
      {".for i,1,3; i; .xyz; .blockend; 9",
       "  i=1  \r\n  Error: .xyz is undefined command.\r\n  9=9  "},
      {".for i,1,3; i; .break; 0; .blockend; 9", "  i=1  9=9  "},
      {".for i,1,2; i; .continue; 0; .blockend; 9", "  i=1  i=2  9=9  "},
      // .else and .elseif met in a loop body only end the pass.
      {".for i,1,2; i; .else; 0; .blockend; 9", "  i=1  i=2  9=9  "},
      // A step too small to change the variable ends the loop after one pass.
      {".set talk off; n<0; .for i,1e20,2e20,1; n<n+1; .blockend; n", "  n=1  "},
  };
  CheckTranscripts(std::begin(cases), std::end(cases));
}

TEST(ForCommand, WidenedEndReachesTheLastInexactValue) {
  Context ctx;
  Execute(ctx, ".set talk off; n<0; .for i,0,1,0.1; n<n+1; last<i; .blockend");
  EXPECT_EQ(NumberOf(ctx, "n"), 11);
  EXPECT_NEAR(NumberOf(ctx, "last"), 1.0, 1e-9);
}

TEST(ForCommand, ErrorsPushNothingAndStop) {
  for (const char* text : {".for i,1; 5", ".for i,1,\"a\"; 5"}) {
    SCOPED_TRACE(text);
    Context ctx;
    const char* p = text + 4;  // after the command word
    EXPECT_EQ(ForCommand(ctx, p), StatusStop);
    EXPECT_EQ(ctx.tempVars.Count(), 0);
    EXPECT_EQ(Execute(ctx, text), StatusStop);
  }
}

TEST(ForCommand, LeavesTheCursorAfterItsBlock) {
  Context ctx;
  const char* text = ".for i,1,2; i; .blockend; 5";
  const char* p = text + 4;
  EXPECT_EQ(ForCommand(ctx, p), StatusDone);
  EXPECT_EQ(p - text, 24);  // on the ";" after .blockend
}

TEST(IfCommand, Transcripts) {
  const Transcript cases[] = {
      {".if 0; 1; .else; 2; .blockend; 3", "  2=2  3=3  "},
      {".if 1; 1; .else; 2; .blockend; 3", "  1=1  3=3  "},
      {".if 1; 1; .blockend; 3", "  1=1  3=3  "},
      {".if 0; 1; .blockend; 3", "  3=3  "},
      {".if 0; 1; .elseif 1; 2; .else; 4; .blockend; 5", "  2=2  5=5  "},
      {".if 0; 1; .elseif 0; 2; .elseif 1>0; 3; .else; 4; .blockend; 5", "  3=3  5=5  "},
      {".if 0; 1; .elseif 0; 2; .else; 4; .blockend; 5", "  4=4  5=5  "},
      {".if 1,gt,0; 1; .blockend; 2", "  1=1  2=2  "},
      {".if 1e-9; 1; .else; 2", "  2=2  "},
      // Without a .blockend the branch runs to the end of the text.
      {".if 1; 1; 2", "  1=1  2=2  "},
      {".if 0; 1; 2", ""},
      {".if 1; 1; .blockend; 2}3", "  1=1  2=2  "},
      {".if 0; 1}2", ""},
      // The scanners take only full words, except for .blockend.
      {".if 0; 1; .el; 2; .blockend; 3", "  3=3  "},
      {".if 0; 1; .els; 2; .elsei 1; 4; .bl; 3", "  3=3  "},
      {".if 0; 1; .ELSE; 2; .BLOCK; 3", "  2=2  3=3  "},
      {".if 0; 1; .else ; 2; .blockend; 3", "  2=2  3=3  "},
      // Nested .if and .for blocks are skipped whole.
      {".if 0; .if 1; 1; .else; 2; .blockend; .else; 3; .blockend; 4", "  3=3  4=4  "},
      {".if 1; 1; .else; .if 1; 2; .blockend; 3; .blockend; 4", "  1=1  4=4  "},
      {".if 0; .for i,1,2; 1; .blockend; 2; .else; 3; .blockend; 4", "  3=3  4=4  "},
      // .while does not nest for the scanners: its .blockend ends the branch.
      {".if 0; .while 1; 1; .blockend; 2; .blockend; 3", "  2=2  "},
      // An abbreviated .f is no nested block to them either.
      {".if 0; .f i,1,2; 1; .bl; 2; .bl; 3", "  2=2  "},
      // A stop inside an .if is passed up and ends the text.
      {".if 1; .xyz; .blockend; 3", kUndefinedXyz},
      {".if 0; 1; .else; .xyz; .blockend; 3", kUndefinedXyz},
      // A break ends the enclosing text as well.
      {".if 1; 1; .break; 2; .blockend; 3", "  1=1  "},
      {".while 1; .if 1; .break; .blockend; 1; .blockend; 2", "  2=2  "},
  };
  CheckTranscripts(std::begin(cases), std::end(cases));
}

// A stored procedure named like a branch word hides it from the scanner.
TEST(IfCommand, ProcedureNamedElseIsAnOrdinaryStatementToTheScanner) {
  Context ctx;
  Execute(ctx, "else>7");
  Execute(ctx, ".if 0; 1; .else; 2; .blockend; 3");
  EXPECT_EQ(ScreenText(ctx), "  3=3  ");
}

struct StatusCase {
  const char* statements;
  StatementStatus status;
};

TEST(IfCommand, StatusTravelsToTheCaller) {
  const StatusCase cases[] = {
      {".if 1; .break; .blockend", StatusBreak},
      {".if 1; .continue; .blockend", StatusContinue},
      {".if 1; .xyz; .blockend", StatusStop},
      {".if 0; .break; .else; .continue; .blockend", StatusContinue},
      {".if 1; .if 1; .break; .blockend; .blockend", StatusBreak},
      {".if 1; 1; .blockend", StatusDone},
      {".if 1; .else; .blockend", StatusDone},
      {".if 0; 1", StatusDone},
  };
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(c.statements);
    Context ctx;
    const char* p = c.statements + 3;
    EXPECT_EQ(IfCommand(ctx, p), c.status);
  }
}

TEST(WhileCommand, Transcripts) {
  const Transcript cases[] = {
      {"x<0; .while x<3; x<x+1; .blockend; x", "  x=0  x=1  x=2  x=3  x=3  "},
      {"x<5; .while x<3; x<x+1; .blockend; x", "  x=5  x=5  "},
      {"x<0; .w x,lt,2; x<x+1", "  x=0  x=1  x=2  "},
      {"x<0; .while x<3; x<x+1; .if x==2; .break; .blockend; .blockend; x",
       "  x=0  x=1  x=2  x=2  "},
      {"x<0; .while x<3; x<x+1; .if x<3; .continue; .blockend; 9; .blockend",
       "  x=0  x=1  x=2  x=3  9=9  "},
      // An error in the body ends the loop; what follows its block still runs.
      {".while 1; .xyz; .blockend; 9", "  Error: .xyz is undefined command.\r\n  9=9  "},
      {".while undefinedname; 1; .blockend; 9", "  9=9  "},
      {".while; 1", ""},
  };
  CheckTranscripts(std::begin(cases), std::end(cases));
}

TEST(Blocks, StrayBlockEndEndsTheText) {
  Context ctx;
  EXPECT_EQ(Execute(ctx, "1; .blockend; 2"), StatusBlockEnd);
  EXPECT_EQ(ScreenText(ctx), "  1=1  ");
}

TEST(Blocks, DeepNestingWithinOneLine) {
  constexpr int kDepth = 150;
  for (const char* opener : {".if 1;", ".for i,1,1;"}) {
    SCOPED_TRACE(opener);
    std::string text;
    for (int i = 0; i < kDepth; ++i) text += opener;
    text += "7;.break;";
    for (int i = 0; i < kDepth; ++i) text += ".blockend;";
    text += "8";
    Context ctx;
    Execute(ctx, text);
    const std::string expected = std::string(opener) == ".if 1;" ? "  7=7  " : "  7=7  8=8  ";
    EXPECT_EQ(ScreenText(ctx), expected);
    EXPECT_EQ(ctx.tempVars.Count(), 0);
  }
}

TEST(Blocks, ScannersStopAtTheEndOfTheTextOrABrace) {
  struct ScanCase {
    const char* text;
    std::ptrdiff_t skipEnd;    // where SkipBlock leaves the cursor
    std::ptrdiff_t branchEnd;  // where ScanBranch leaves it
    StatementStatus branch;
  };
  const ScanCase cases[] = {
      {"1; .blockend; 2", 12, 12, StatusBlockEnd},
      {"1; .bl x; 2", 8, 6, StatusBlockEnd},
      {"1; .else; 2; .blockend", 22, 8, StatusElse},
      {"1; .elseif x; 2", 15, 10, StatusElseIf},
      {"1; .if 1; .blockend; .blockend; 2", 30, 30, StatusBlockEnd},
      {"1; .for i,1,2; 3; .blockend; 4", 30, 30, StatusBlockEnd},
      {"1; 2} .blockend", 4, 4, StatusBlockEnd},
      {"", 0, 0, StatusBlockEnd},
      {". ;.blockend", 12, 12, StatusBlockEnd},
      {".\"bl\"; 2", 5, 5, StatusBlockEnd},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.text);
    Context ctx;
    const char* p = c.text;
    SkipBlock(ctx, p);
    EXPECT_EQ(p - c.text, c.skipEnd);
    p = c.text;
    EXPECT_EQ(ScanBranch(ctx, p), c.branch);
    EXPECT_EQ(p - c.text, c.branchEnd);
  }
}

TEST(Blocks, AssistModeExplainsWithoutRunning) {
  struct AssistCase {
    const char* statement;
    const char* line1;
  };
  const AssistCase cases[] = {
      {".if x<1; y<1", "評価式の値により実行する複文を切り替える制御命令です。"_sj},
      {".for i,1,3; y<1", "パラメータを変化させながら、繰返し実行する制御命令です。"_sj},
      {".while 1; y<1", "評価式の値が(1e-9)以上の間、複文を繰返し実行する制御命令です。"_sj},
  };
  for (const AssistCase& c : cases) {
    SCOPED_TRACE(c.statement);
    ScriptedToolkit toolkit;
    Context ctx(&toolkit);
    ctx.runState = RunState::Idle;
    EXPECT_EQ(Execute(ctx, c.statement), StatusAssist);
    EXPECT_EQ(toolkit.statusLines[0], c.line1);
    EXPECT_EQ(toolkit.statusLines[2], "");
    EXPECT_EQ(CurrentSheet(ctx).RowCount(), 2);  // nothing stored
    EXPECT_EQ(ctx.tempVars.Count(), 0);
  }
}

// Events that do nothing: each delivery is a few milliseconds after the one
// before, so what is queued after them happens while the run is under way.
void QueueIdleEvents(ScriptedToolkit& toolkit, int count) {
  for (int i = 0; i < count; ++i) toolkit.events.push_back([] {});
}

// The definition text of `name`, read without evaluating anything (events
// run inside the guard, where evaluating would re-enter it).
std::string StoredText(Context& ctx, const char* name) {
  const char* probe = name;
  DefinitionRef ref = FindDefinition(ctx, probe, 0);
  return ref ? DefinitionAt(*ref.sheet, ref.row)->text : "";
}

TEST(Guard, PauseHoldsTheLoopUntilRestartAndAbortEndsIt) {
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  std::string atPause;
  std::string atRestart;
  std::string pausedLine;
  QueueIdleEvents(toolkit, 2);
  toolkit.events.push_back([&] {
    StopComputation(ctx);
    atPause = StoredText(ctx, "n");
    pausedLine = toolkit.statusLines[0];
  });
  // Delivered by the pause wait itself.
  toolkit.events.push_back([&] {
    atRestart = StoredText(ctx, "n");
    RestartComputation(ctx);
  });
  toolkit.events.push_back([&] { AbortComputation(ctx); });

  Execute(ctx, ".set talk off; n<0; .while 1; n<n+1; .blockend; 5");

  EXPECT_TRUE(toolkit.events.empty());
  EXPECT_EQ(pausedLine, "  計算の実行が停止されています。"_sj);
  EXPECT_EQ(atPause, atRestart);
  EXPECT_NE(StoredText(ctx, "n"), atRestart);  // it went on after the restart
  const std::string console = ScreenText(ctx);
  EXPECT_EQ(console.find("5=5"), std::string::npos);
  EXPECT_EQ(console.rfind("  ABORT: Abort by user.\r\n"),
            console.size() - std::string("  ABORT: Abort by user.\r\n").size());
}

TEST(Guard, AbortEndsEveryKindOfLoop) {
  for (const char* text : {".while 1; .blockend; 5", ".while 1; 1; .blockend; 5",
                           ".for i,1,1e300; .blockend; 5", ".for i,1,2,0.0000000001; .blockend; 5",
                           "p>.while 1; .blockend", "p>.for i,1,1e300; .if 1; .p; .blockend"}) {
    SCOPED_TRACE(text);
    ScriptedToolkit toolkit;
    Context ctx(&toolkit);
    // Events after a count of checks, not of milliseconds: the recursion
    // meets the abort long before the stack's reserve, on any machine.
    ctx.guard.eventIntervalMs = 0;
    QueueIdleEvents(toolkit, 3);
    toolkit.events.push_back([&] { AbortComputation(ctx); });
    Execute(ctx, text);
    if (text[0] == 'p') Execute(ctx, ".p; 5");
    const std::string console = ScreenText(ctx);
    EXPECT_NE(console.find("  ABORT: Abort by user.\r\n"), std::string::npos);
    EXPECT_EQ(console.find("5=5"), std::string::npos);
    EXPECT_EQ(ctx.tempVars.Count(), 0);
  }
}

// Wherever the abort lands in a pass (between statements, or inside the
// assignment's formula), the variable keeps a number, a new variable is not
// made from an assignment cut short, and the other definitions keep their
// values.
TEST(Guard, AnAbortedAssignmentLeavesTheVariableAsItWas) {
  for (int idle = 0; idle < 8; ++idle) {
    SCOPED_TRACE(idle);
    ScriptedToolkit toolkit;
    Context ctx(&toolkit);
    ctx.guard.eventIntervalMs = 0;
    Execute(ctx, ".set talk off; s<0; h(x)=x*3; $w=h(2)");
    QueueIdleEvents(toolkit, idle);
    toolkit.events.push_back([&] { AbortComputation(ctx); });
    Execute(ctx, ".for i,1,1e9; s<s+i; t<i*2");
    SetRunState(ctx, RunState::Running);
    for (const char* name : {"s", "t"}) {
      const std::string text = StoredText(ctx, name);
      EXPECT_TRUE(text.empty() ||
                  std::regex_match(text, std::regex(std::string(name) + "<[0-9]+ ")))
          << text;
    }
    EXPECT_EQ(EvalText(ctx, "s").kind, ValueKind::Number);
    EXPECT_EQ(EvalText(ctx, "w").number, 6);
    EXPECT_EQ(ScreenText(ctx).find("Stack Over"), std::string::npos) << ScreenText(ctx);
  }
}

// Once the stack's reserve is reached, the whole line stops: no later
// statement of it runs, and no loop reports its head as wrong.
TEST(Guard, TheStackStopEndsTheLine) {
  for (const char* line : {".p; 1+2; .for j,1,2; j", ".for k,1,2; .p; .blockend; 1+2",
                           "x<{.p}1; 1+2", ".while 1; .p; .blockend; 1+2"}) {
    SCOPED_TRACE(line);
    Context ctx;
    Execute(ctx, "p>.for i,1,3; .p");
    // The stack ends 200 KB below here, whatever the system's limit.
    ctx.guard.stackLimit = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) - 200000;
    ClearConsole(ctx);
    EXPECT_EQ(Execute(ctx, line), StatusStop);
    const std::string console = ScreenText(ctx);
    EXPECT_NE(console.find("stack memory near to over"), std::string::npos) << console;
    EXPECT_EQ(console.find("1+2"), std::string::npos) << console;
    EXPECT_EQ(console.find(".for (name)"), std::string::npos) << console;
    EXPECT_EQ(console.find("j="), std::string::npos) << console;
    EXPECT_EQ(StoredText(ctx, "x"), "");
  }
}

TEST(Guard, SystemTraceShowsTheStackBeforeEachStatement) {
  Context ctx;
  ctx.settings.trace = TraceLevel::System;
  Execute(ctx, "\"a\"; \"b\"");
  const std::string console = ScreenText(ctx);
  const std::regex line("T STACK: ([0-9A-F]{8}) ([0-9A-F]{8})");
  auto first = std::sregex_iterator(console.begin(), console.end(), line);
  ASSERT_EQ(std::distance(first, std::sregex_iterator()), 2);
  const unsigned long free = std::stoul((*first)[1].str(), nullptr, 16);
  const unsigned long used = std::stoul((*first)[2].str(), nullptr, 16);
  EXPECT_GT(free, kStackReserve);
  EXPECT_EQ((free + used) & 0xFFFFFFFFu, ctx.guard.baseline & 0xFFFFFFFFu);
}

TEST(Guard, LowStackStopsEveryLevelWithItsMessage) {
  Context ctx;
  // Pretend that the stack ends just below this frame.
  ctx.guard.stackLimit = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) - 1024;
  EXPECT_TRUE(StatementGuard(ctx));
  ResetStackWatch(ctx.guard);  // a new run
  Execute(ctx, "1; 2");
  EXPECT_EQ(ScreenText(ctx), std::string(2, ' ') + "ERROR: stack memory near to over.\r\n" +
                                 "  ERROR: stack memory near to over.\r\n");
}

// The reserve holds to the byte: with kStackReserve bytes free a run goes
// on, with one byte less it stops. The guard's system trace line says how
// much it found free, which places the pretended stack limit exactly.
TEST(Guard, StackReserveAtTheLimitAndOneBelow) {
  Context ctx;
  ctx.settings.trace = TraceLevel::System;
  const std::uintptr_t limit = ctx.guard.stackLimit;
  auto guard = [&ctx] {  // always from this one place, at one depth
    ClearConsole(ctx);
    ResetStackWatch(ctx.guard);
    return StatementGuard(ctx);
  };
  ASSERT_FALSE(guard());
  const std::string first = ScreenText(ctx);
  const std::size_t free = std::stoul(first.substr(first.find("STACK: ") + 7, 8), nullptr, 16);
  const struct {
    std::size_t short_;  // bytes below the reserve
    bool stops;
    const char* shown;
  } cases[] = {{0, false, "STACK: 00008000"}, {1, true, "STACK: 00007FFF"}};
  for (const auto& c : cases) {
    ctx.guard.stackLimit = limit + free - kStackReserve + c.short_;
    EXPECT_EQ(guard(), c.stops) << c.shown;
    const std::string console = ScreenText(ctx);
    EXPECT_NE(console.find(c.shown), std::string::npos) << console;
    EXPECT_EQ(console.find("stack memory near to over") != std::string::npos, c.stops);
  }
}

TEST(Guard, RunawayFunctionEndsWithStackOver) {
  Context ctx;
  Execute(ctx, "f(x)=f(x)+1; f(1); 5");
  const std::string console = ScreenText(ctx);
  EXPECT_NE(console.find("  ERROR: stack memory near to over.\r\n"), std::string::npos);
  EXPECT_NE(console.find("Stack Over"), std::string::npos);
  EXPECT_EQ(ctx.tempVars.Count(), 0);
}

// A long loop leaves nothing behind that grows with its passes: the
// variable's text stays one value long and the console stays capped.
TEST(Guard, LongLoopKeepsMemoryFlat) {
  Context ctx;
  Execute(ctx, "s<0; .for i,1,5000; s<s+i; .blockend");
  EXPECT_EQ(NumberOf(ctx, "s"), 12502500);
  EXPECT_LT(StoredText(ctx, "s").size(), 40u);
  EXPECT_LE(ScreenText(ctx).size(), kScreenCap + 100);
  EXPECT_EQ(ctx.tempVars.Count(), 0);
}

TEST(Guard, DeliversEventsOnlyNowAndThen) {
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  int delivered = 0;
  for (int i = 0; i < 1000; ++i) toolkit.events.push_back([&] { ++delivered; });
  for (int i = 0; i < 1000; ++i) EXPECT_FALSE(StatementGuard(ctx));
  // The first check delivers; then the clock is read only every few checks
  // and events wait a few milliseconds.
  EXPECT_GE(delivered, 1);
  EXPECT_LT(delivered, 100);
}

}  // namespace
}  // namespace zemu
