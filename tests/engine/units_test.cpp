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
#include "host/context.h"
#include "support/param_names.h"

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
                    ConvertCase{{"[μ]]=0.000001"_sj, "[k]]=1000"},
                                "(1[μm])[km]"_sj,
                                "ERROR: 未定義単位変換: [μm][km]"_sj},
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

}  // namespace
}  // namespace zemu
