// Definitions typed as statements: the console text they leave, the sheet
// rows and the temporary-variable table afterwards.
#include <gtest/gtest.h>

#include <string>

#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "define_helpers.h"
#include "engine/tempvar.h"
#include "support/param_names.h"

namespace zemu {
namespace {

struct Transcript {
  const char* statements;
  const char* console;
};

std::string RunLine(Context& ctx, const char* statements) {
  const char* cursor = statements;
  ExecuteStatements(ctx, cursor);
  return ScreenText(ctx);
}

class DefinitionTranscriptTest : public testing::TestWithParam<Transcript> {};

TEST_P(DefinitionTranscriptTest, LeavesConsoleText) {
  Context ctx;
  EXPECT_EQ(RunLine(ctx, GetParam().statements), GetParam().console) << GetParam().statements;
  EXPECT_EQ(ctx.tempVars.Count(), 0) << GetParam().statements;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, DefinitionTranscriptTest,
    testing::Values(
        Transcript{"f(x)=x*2; f(3); f(3,4)", "  f(3)=6  \r\n  =ERROR: 引数が多い\r\n"_sj},
        Transcript{"a<1/3", "  a=0.33333333  "}, Transcript{"$a<2*3", "  a=6  "},
        // An error has a line of its own.
        Transcript{"a<1/0; a", "  a=ERROR: Divide By 0\r\n  =ERROR: Divide By 0\r\n"},
        Transcript{"n<n+1", "  n=ERROR: nは、未定義です。\r\n"_sj},
        Transcript{"f(x,y)=x+y; f(2, x*10)", "  f(2, x*10)=22  "},
        Transcript{"g(y)=f(1); f(x)=x+y; g(5)", "  g(5)=6  "},
        Transcript{"f(x)=x; f<5; f; f(2)", "  f=5  f=5  f(2)=2  "},
        Transcript{"x<5; f(x)=x+1; f(1); x", "  x=5  f(1)=2  x=5  "},
        // A function that redefines itself while it runs.
        Transcript{"f(x)={f(y)=y*10}x; f(2); f(2)", "  f(2)=2  f(2)=20  "},
        // A variable whose right-hand side deletes the row it replaces.
        Transcript{"a<1; a<{.delete a}3; a", "  a=1  a=3  a=3  "},
        // A value computed with a caller's binding is not kept for
        // the next caller: a parameter and a loop variable.
        Transcript{"x<5; g=x*2; f(x)=g; f(3); f(4); g", "  x=5  f(3)=6  f(4)=8  g=10  "},
        Transcript{"gg=i*2; .for i,1,3; gg", "  gg=2  gg=4  gg=6  "},
        Transcript{"k(y)=y+1; m=k(2); .for i,1,2; m*i", "  m*i=3  m*i=6  "},
        // The stack message comes once, and the line stops there.
        Transcript{"f(x)=f(x); f(1); 2",
                   "  ERROR: stack memory near to over.\r\n"
                   "  =ERROR: Stack Over\r\n"}),
    NameBy<&Transcript::statements>());

// Lookups that the evaluator remembers must see every change of the rows:
// names defined, deleted, moved or shadowed while a loop or a call runs.
INSTANTIATE_TEST_SUITE_P(
    Stale, DefinitionTranscriptTest,
    testing::Values(
        Transcript{"if(1,2,3); if(x)=x*5; if(2)", "  if(1,2,3)=2  if(2)=10  "},
        Transcript{"f(x)=1; f(0); .delete f; f(0)",
                   "  f(0)=1  \r\n  =ERROR: fは、未定義です。\r\n"_sj},
        Transcript{"a=1; b=2; b; .delete a; b; a=3; b", "  b=2  b=2  b=2  "},
        Transcript{"a=1; a; .new; a; a=2; a", "  a=1  a=1  a=2  "},
        Transcript{"f(x)=1; s<0; .for i,1,4; s<s+f(i); .if i=2; f(x)=x*10; .blockend; s",
                   "  s=0  s=1  s=1  s=2  s=2  s=32  s=32  s=72  s=72  "},
        Transcript{"f(x)=1; g(n)={.delete f}f(n); g(1); g(2)",
                   "  =ERROR: fは、未定義です。\r\n  =ERROR: fは、未定義です。\r\n"_sj}),
    NameBy<&Transcript::statements>());

TEST(DefinitionTranscriptTest, DescriptionsAreNumberedInOrder) {
  Context ctx;
  RunLine(ctx, "=first; =second; 7=seventh; =third");
  EXPECT_EQ(testing_defs::TextAt(ctx, 1), "1=first");
  EXPECT_EQ(testing_defs::TextAt(ctx, 2), "2=second");
  EXPECT_EQ(testing_defs::TextAt(ctx, 3), "7=seventh");
  EXPECT_EQ(testing_defs::TextAt(ctx, 4), "3=third");
}

TEST(DefinitionTranscriptTest, ProcedureTakesRestOfLine) {
  Context ctx;
  RunLine(ctx, "p>a;b;c");
  RunLine(ctx, "q>(a;b;c); 1+1");
  EXPECT_EQ(testing_defs::TextAt(ctx, 1), "p>a;b;c");
  EXPECT_EQ(testing_defs::TextAt(ctx, 2), "q>(a;b;c); 1+1");
  EXPECT_EQ(ScreenText(ctx), "");
}

TEST(DefinitionTranscriptTest, NewSheetReceivesLaterDefinitions) {
  Context ctx;
  RunLine(ctx, "g=1; .new; g=2; g");
  ASSERT_EQ(ctx.defines.sheets.size(), 2u);
  EXPECT_EQ(ctx.defines.sheets[1]->name, "ZEMU1.ZDF");
  EXPECT_EQ(ScreenText(ctx), "  g=2  ");
  const char* qualified = "ZEMU0.ZDF!g";
  DefinitionRef ref = FindDefinition(ctx, qualified, 0);
  EXPECT_EQ(ref.sheet, ctx.defines.sheets[0].get());
  EXPECT_EQ(ref.row, 1);
}

}  // namespace
}  // namespace zemu
