// Unit conversion with the user's conversion definitions.
#include "engine/units.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "definitions/statements.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "engine/eval.h"
#include "engine/unit_chain.h"
#include "host/context.h"
#include "support/param_names.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu {
namespace {

void Define(Context& ctx, const std::string& text) {
  auto d = std::make_shared<Definition>(text);
  AnalyseDefinition(ctx, *d);
  StoreDefinition(ctx, CurrentSheet(ctx), d);
}

struct ConvertCase {
  std::vector<const char*> definitions;
  const char* formula;
  const char* printed;  // ValueText in the default format
};

class ConvertUnitTest : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertUnitTest, Converts) {
  Context ctx;
  for (const char* text : GetParam().definitions) Define(ctx, text);
  EXPECT_EQ(ValueText(ctx, EvalText(ctx, GetParam().formula)), GetParam().printed)
      << GetParam().formula;
}

const std::vector<const char*> kNone;
const std::vector<const char*> kKilometre = {"[km][m]=1000"};
const std::vector<const char*> kPrefixes = {"[k]]=1000", "[d]]=0.1"};
const std::vector<const char*> kCelsius = {"[degC][K](x)=x+273.15"};

INSTANTIATE_TEST_SUITE_P(
    NoConversionNeeded, ConvertUnitTest,
    testing::Values(ConvertCase{kNone, "(3[m])[m]", "3[m]  "}, ConvertCase{kNone, "3[m]", "3[m]  "},
                    ConvertCase{kNone, "(3[])[m]", "3[m]  "},
                    ConvertCase{kNone, "(2[s])[m]", "ERROR: 未定義単位変換: [s][m]"_sj},
                    ConvertCase{kNone, "1[m]-2[s]", "ERROR: 未定義単位変換: [s][m]"_sj},
                    ConvertCase{kNone, "1[m]+2[s]", "ERROR: 未定義単位変換: [s][m]"_sj}),
    NameBy<&ConvertCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Factors, ConvertUnitTest,
    testing::Values(ConvertCase{kKilometre, "(2[km])[m]", "2000[m]  "},
                    ConvertCase{kKilometre, "(2000[m])[km]", "2[km]  "},
                    ConvertCase{kKilometre, "1[km]+500[m]", "1.5[km]  "},
                    ConvertCase{kKilometre, "500[m]+1[km]", "1500[m]  "},
                    ConvertCase{kKilometre, "max(500[m],1[km])", "1[km]  "},
                    ConvertCase{kKilometre, "min(1[km],1500[m])", "1[km]  "},
                    ConvertCase{kKilometre, "max(1[km],2[s])", "1[km]  "},
                    // The definition found first wins: forward before reverse.
                    ConvertCase{{"[a][b]=2", "[b][a]=10"}, "(1[a])[b]", "2[b]  "},
                    ConvertCase{{"[a][b]=2", "[b][a]=10"}, "(1[b])[a]", "10[a]  "},
                    // A factor of 0 works forwards only.
                    ConvertCase{{"[x][y]=0"}, "(5[x])[y]", "0[y]  "},
                    ConvertCase{{"[x][y]=0"}, "(5[y])[x]", "ERROR: 単位変換係数＝ゼロ: [y][x]"_sj},
                    // A factor that cannot be computed fails the conversion.
                    ConvertCase{{"[p][q]=foo"}, "(5[p])[q]", "ERROR: fooは、未定義です。"_sj},
                    ConvertCase{{"[p][q]=foo"}, "(5[q])[p]", "ERROR: fooは、未定義です。"_sj},
                    // Unit names are compared byte for byte, ? and # included.
                    ConvertCase{{"[#][z]=5"}, "(1[a])[z]", "ERROR: 未定義単位変換: [a][z]"_sj},
                    ConvertCase{{"[#][z]=5"}, "(1[#])[z]", "5[z]  "},
                    ConvertCase{{"[a?][b]=3"}, "(1[ab])[b]", "ERROR: 未定義単位変換: [ab][b]"_sj}),
    NameBy<&ConvertCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Prefixes, ConvertUnitTest,
    testing::Values(ConvertCase{kPrefixes, "(2[km])[m]", "2000[m]  "},
                    ConvertCase{kPrefixes, "(2[m])[km]", "0.002[km]  "},
                    ConvertCase{kPrefixes, "(2[km])[dm]", "20000[dm]  "},
                    ConvertCase{kPrefixes, "(20000[dm])[km]", "2[km]  "},
                    ConvertCase{kPrefixes, "(2[kg])[g]", "2000[g]  "},
                    // A plain definition named by the prefix serves too.
                    ConvertCase{{"k=1000"}, "(2[km])[m]", "2000[m]  "},
                    ConvertCase{{"k<1000"}, "(3000[m])[km]", "3[km]  "},
                    // The bracketed prefix comes before the plain name.
                    ConvertCase{{"[k]]=1000", "k=7"}, "(2[km])[m]", "2000[m]  "},
                    // A double-byte prefix is counted in bytes.
                    ConvertCase{{"[μ]]=0.000001"_sj}, "(3[μm])[m]"_sj, "3E-6[m]  "},
                    ConvertCase{{"[μ]]=0.000001"_sj}, "(3[m])[μm]"_sj, "3000000[μm]  "_sj},
                    // No single step joins them; a chain by way of [m] does.
                    ConvertCase{{"[μ]]=0.000001"_sj, "[k]]=1000"}, "(1[μm])[km]"_sj, "1E-9[km]  "},
                    // Two prefixes need the bare unit in between.
                    ConvertCase{{"[km][m]=1000", "[cm][m]=0.01"}, "(1[km])[cm]", "100000[cm]  "},
                    ConvertCase{{"[k]]=1000"}, "(1[km])[cm]", "ERROR: 未定義単位変換: [m][cm]"_sj},
                    ConvertCase{kNone, "(1[km])[cm]", "ERROR: 未定義単位変換: [km][m]"_sj}),
    NameBy<&ConvertCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Functions, ConvertUnitTest,
    testing::Values(ConvertCase{kCelsius, "(20[degC])[K]", "293.15[K]  "},
                    ConvertCase{kCelsius, "(-40[degC])[K]", "233.15[K]  "},
                    ConvertCase{kCelsius, "(293.15[K])[degC]",
                                "ERROR: 未定義単位変換関数: [K][degC]()"_sj},
                    ConvertCase{kCelsius, "(20[degC])[K]+(30[degC])[K]", "596.3[K]  "},
                    // The argument is written with 15 digits.
                    ConvertCase{{"[a][b](x)=x*2"}, "(1.5e20[a])[b]", "3E20[b]  "},
                    ConvertCase{{"[a][b](x)=foo"}, "(1[a])[b]", "ERROR: fooは、未定義です。"_sj}),
    NameBy<&ConvertCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Angles, ConvertUnitTest,
    testing::Values(ConvertCase{{"[deg][rad]=pi/180"}, "cos(60[deg])", "0.5  "},
                    ConvertCase{{"[deg][rad]=pi/180"}, "sin(90[deg])", "1  "},
                    ConvertCase{{"[rad][deg]=180/pi"}, "tan(45[deg])", "1  "},
                    ConvertCase{kNone, "cos(0[rad])", "1  "},
                    ConvertCase{kNone, "cos(1[s])", "ERROR: cos(未定義単位変換: [s][rad])"_sj}),
    NameBy<&ConvertCase::formula>());

TEST(ConvertUnitDirectTest, LeavesNonNumbersAndEmptyUnitAlone) {
  Context ctx;
  Value error = MakeError("x");
  ConvertUnit(ctx, error, "[m]");
  EXPECT_EQ(error.unit, "");
  EXPECT_EQ(error.text, "x");
  Value number = MakeNumber(3.0, "[m]");
  ConvertUnit(ctx, number, "");
  EXPECT_EQ(number.unit, "[m]");
  EXPECT_EQ(number.number, 3.0);
}

TEST(ConvertUnitDirectTest, ErrorReplacesWholeValue) {
  Context ctx;
  Value v = MakeNumber(2.0, "[s]");
  v.text = "note";
  ConvertUnit(ctx, v, "[m]");
  EXPECT_TRUE(v.IsError());
  EXPECT_EQ(v.number, 0.0);
  EXPECT_EQ(v.unit, "");
  EXPECT_EQ(v.text, "未定義単位変換: [s][m]"_sj);
}

TEST(ConvertUnitDirectTest, FunctionArgumentFollowsEpower) {
  Context ctx;
  Define(ctx, "[a][b](x)=x*2");
  ctx.settings.epower = false;
  Value v = MakeNumber(1.5e20, "[a]");
  ConvertUnit(ctx, v, "[b]");
  EXPECT_TRUE(v.IsError());
  ctx.settings.epower = true;
  v = MakeNumber(1.5e20, "[a]");
  ConvertUnit(ctx, v, "[b]");
  EXPECT_EQ(v.number, 3e20);
}

TEST(ConvertUnitDirectTest, FunctionArgumentHas15Digits) {
  Context ctx;
  Define(ctx, "[a][b](x)=x*3");
  Value v = MakeNumber(1.0 / 3.0, "[a]");
  ConvertUnit(ctx, v, "[b]");
  ASSERT_TRUE(v.IsNumber());
  EXPECT_EQ(v.unit, "[b]");
  EXPECT_DOUBLE_EQ(v.number, 0.999999999999999);
  EXPECT_NE(v.number, 1.0);
}

// A conversion that needs itself ends in the evaluator's stack check.
TEST(ConvertUnitDirectTest, CircularConversionStops) {
  Context ctx;
  Define(ctx, "[a][b]=(1[b])[a]");
  EXPECT_EQ(ValueText(ctx, EvalText(ctx, "(1[a])[b]")), "ERROR: Stack Over");
}

// Where no single conversion joins two units, a chain does: the shortest; of
// those as short, the one whose first steps use newer definitions.
const std::vector<const char*> kShortcut = {"[a][b]=2", "[b][c]=3", "[c][d]=5", "[a][x]=10",
                                            "[x][d]=1"};
const std::vector<const char*> kPrefixChain = {"[k]]=1000", "[μ]]=0.000001"_sj, "[in][m]=0.0254"};
const std::vector<const char*> kApart = {"[m]]=0.001", "[k]]=1000", "[in][m]=0.0254",
                                         "[min][s]=60"};

INSTANTIATE_TEST_SUITE_P(
    Chains, ConvertUnitTest,
    testing::Values(
        ConvertCase{kShortcut, "(1[a])[d]", "10[d]  "},
        ConvertCase{kShortcut, "(10[d])[a]", "1[a]  "},
        ConvertCase{{"[a][b]=2", "[b][c]=3", "[a][x]=5", "[x][c]=7"}, "(1[a])[c]", "35[c]  "},
        ConvertCase{{"[a][x]=5", "[x][c]=7", "[a][b]=2", "[b][c]=3"}, "(1[a])[c]", "6[c]  "},
        // Functions forwards only.
        ConvertCase{{"[a][b](x)=x+1", "[b][c]=2"}, "(1[a])[c]", "4[c]  "},
        ConvertCase{{"[a][b](x)=x+1", "[b][c]=2"}, "(4[c])[a]", "ERROR: 未定義単位変換: [c][a]"_sj},
        // Cycles.
        ConvertCase{{"[a][b]=2", "[b][c]=3", "[c][a]=5", "[c][d]=7"}, "(1[a])[d]", "1.4[d]  "},
        ConvertCase{
            {"[a][b]=2", "[b][c]=3", "[c][a]=5"}, "(1[a])[z]", "ERROR: 未定義単位変換: [a][z]"_sj},
        ConvertCase{{"[a][b]=2", "[c][d]=3"}, "(1[a])[d]", "ERROR: 未定義単位変換: [a][d]"_sj},
        // Prefixes either way, double-byte ones too.
        ConvertCase{kPrefixChain, "(1[in])[km]", "2.54E-5[km]  "},
        ConvertCase{kPrefixChain, "(1[km])[in]", "39370.079[in]  "},
        ConvertCase{kPrefixChain, "(1[in])[μm]"_sj, "25400[μm]  "_sj},
        ConvertCase{kPrefixChain, "(25400[μm])[in]"_sj, "1[in]  "},
        // A prefix does not join quantities that the definitions keep apart.
        ConvertCase{kApart, "(1[min])[km]", "ERROR: 未定義単位変換: [min][km]"_sj},
        ConvertCase{kApart, "1[km]+1[min]", "ERROR: 未定義単位変換: [min][km]"_sj},
        // A step fails as the single conversion would.
        ConvertCase{{"[a][b]=0", "[b][c]=2"}, "(1[c])[a]", "ERROR: 単位変換係数＝ゼロ: [b][a]"_sj}),
    NameBy<&ConvertCase::formula>());

// Every conversion that a single step (or two by way of the bare unit) finds
// leaves the same trace, result and error as before chains were looked for,
// even where a chain exists too.
TEST(ConvertUnitTraceTest, StepsKeepTheirTrace) {
  struct TraceCase {
    const char* formula;
    const char* console;
  };
  const TraceCase cases[] = {
      {"(2[in])[m]", "T GET([in][m])=0.0254  \r\nT GET(4)=0.0254  (2[in])[m]=0.0508[m]  "},
      {"(2[m])[in]", "T GET([in][m])=0.0254  \r\nT GET(4)=0.0254  (2[m])[in]=78.740157[in]  "},
      {"(2[km])[m]", "T GET([k]])=1000  \r\nT GET(1)=1000  (2[km])[m]=2000[m]  "},
      {"(2[m])[km]", "T GET([k]])=1000  \r\nT GET(1)=1000  (2[m])[km]=0.002[km]  "},
      {"(2[km])[cm]",
       "T GET([k]])=1000  \r\nT GET(1)=1000  \r\nT GET([c]])=0.01  \r\nT GET(2)=0.01  "
       "(2[km])[cm]=200000[cm]  "},
      {"(3[μm])[m]"_sj, "T GET([μ]])=1E-6  \r\nT GET(3)=1E-6  (3[μm])[m]=3E-6[m]  "_sj},
      {"(24[in])[ft]", "T GET([ft][in])=12  \r\nT GET(5)=12  (24[in])[ft]=2[ft]  "},
      {"(20[degC])[K]", "T GET([degC][K])=293.15  \r\nT GET(6)=293.15  (20[degC])[K]=293.15[K]  "},
      {"(300[K])[degC]", "  =ERROR: 未定義単位変換関数: [K][degC]()\r\n"_sj},
      {"(5[x])[y]",
       "T GET([y][x])=0  \r\nT GET(9)=0  \r\n  =ERROR: 単位変換係数＝ゼロ: [x][y]\r\n"_sj},
      {"(1[s])[m]", "  =ERROR: 未定義単位変換: [s][m]\r\n"_sj},
      {"(1[km])[mm]",
       "T GET([k]])=1000  \r\nT GET(1)=1000  \r\n  =ERROR: 未定義単位変換: [m][mm]\r\n"_sj},
      {"1[ft]+6[in]", "T GET([ft][in])=12  \r\nT GET(5)=12  1[ft]+6[in]=1.5[ft]  "},
  };
  for (const TraceCase& c : cases) {
    Context ctx;
    for (const char* text :
         {"[k]]=1000", "[c]]=0.01", "[μ]]=0.000001"_sj, "[in][m]=0.0254", "[ft][in]=12",
          "[degC][K](x)=x+273.15", "[K][degF](x)=(x-273.15)*9/5+32", "[degF][degC](x)=(x-32)*5/9",
          "[y][x]=0", "[y][z]=2", "[z][x]=5", "[p][q]=2", "[q][r]=3"}) {
      Define(ctx, text);
    }
    Execute(ctx, "(1[p])[r]");  // a chain is kept
    ClearConsole(ctx);
    ctx.settings.trace = TraceLevel::Formula;
    Execute(ctx, c.formula);
    EXPECT_EQ(ScreenText(ctx), c.console) << c.formula;
  }
}

// What is kept for a pair goes when a conversion or prefix row changes.
TEST(ConvertUnitChainTest, FollowsTheRows) {
  Context ctx;
  auto converted = [&](const char* formula) { return ValueText(ctx, EvalText(ctx, formula)); };
  Execute(ctx, "[a][b]=2; [b][c]=3; [a][x]=5; [x][c]=7");
  EXPECT_EQ(converted("(1[a])[c]"), "35[c]  ");
  DeleteRow(ctx, CurrentSheet(ctx), 3);
  EXPECT_EQ(converted("(1[a])[c]"), "6[c]  ");
  EXPECT_EQ(converted("(6[c])[a]"), "1[a]  ");
  Execute(ctx, "[b][c](y)=y*4");
  EXPECT_EQ(converted("(6[c])[a]"), "ERROR: 未定義単位変換: [c][a]"_sj);
  Execute(ctx, ".new; [c][e]=10; [u]]=100");
  EXPECT_EQ(converted("(1[a])[e]"), "80[e]  ");
  EXPECT_EQ(converted("(1[a])[ue]"), "0.8[ue]  ");
  RemoveSheet(ctx, 1);
  EXPECT_EQ(converted("(1[a])[e]"), "ERROR: 未定義単位変換: [a][e]"_sj);
}

// While the console is idle, the status lines name the units a chain passed.
TEST(ConvertUnitChainTest, AssistNamesTheUnitsPassed) {
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  Execute(ctx, "[k]]=1000; [in][m]=0.0254");
  ctx.runState = RunState::Idle;
  Execute(ctx, "(1[in])[km]");
  EXPECT_EQ(toolkit.statusLines[0], "単位変換[in][km]は、換算の定義をつないで行います。"_sj);
  EXPECT_EQ(toolkit.statusLines[1], "[in]→[m]→[km] の順に換算しました。"_sj);
  EXPECT_EQ(toolkit.statusLines[2], "現在の計算結果は、2.54E-5[km]   です。"_sj);
}

}  // namespace
}  // namespace zemu
