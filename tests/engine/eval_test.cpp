// The formula evaluator: formulas in, printed values out.
#include "engine/eval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/output.h"
#include "support/param_names.h"

namespace zemu {
namespace {

struct FormulaCase {
  const char* formula;
  const char* printed;  // ValueText in the default format
};

std::string Evaluate(Context& ctx, const std::string& formula) {
  return ValueText(ctx, EvalText(ctx, formula));
}

class EvalFormulaTest : public testing::TestWithParam<FormulaCase> {};

TEST_P(EvalFormulaTest, PrintsValue) {
  Context ctx;
  EXPECT_EQ(Evaluate(ctx, GetParam().formula), GetParam().printed) << GetParam().formula;
}

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, EvalFormulaTest,
    testing::Values(FormulaCase{"", "0  "}, FormulaCase{"1+", "1  "}, FormulaCase{"1+2*3", "7  "},
                    FormulaCase{"-3", "-3  "}, FormulaCase{"2*-3", "ERROR: -"},
                    FormulaCase{"2+-3", "ERROR: -"}, FormulaCase{"2--3", "ERROR: -"},
                    FormulaCase{"()", "ERROR: )"}, FormulaCase{"(1+2", "ERROR: Missing ')'"},
                    FormulaCase{"6/2 3", "1  "}, FormulaCase{"2 3", "6  "},
                    FormulaCase{"2(3)", "6  "}, FormulaCase{"2(1+2)", "6  "},
                    FormulaCase{"2^3^2", "512  "}, FormulaCase{"-2^2", "-4  "},
                    FormulaCase{"2 ^ 3", "8  "}, FormulaCase{"1/3", "0.33333333  "},
                    FormulaCase{"5/0", "ERROR: Divide By 0"}, FormulaCase{"5*0", "0  "},
                    FormulaCase{"1+&\r\n2", "3  "}, FormulaCase{"2* ", "ERROR: "},
                    FormulaCase{"1.2.3", "0.36  "}, FormulaCase{"{}7", "7  "},
                    FormulaCase{"{1+2", "ERROR: Missing '}'"}, FormulaCase{"2;3", "2  "}),
    NameBy<&FormulaCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Units, EvalFormulaTest,
    testing::Values(FormulaCase{"2[km][m]", "2[m]  "}, FormulaCase{"2[m]+3", "5[m]  "},
                    FormulaCase{"2 [m]+3", "2[m]  "}, FormulaCase{"3[m]^2", "9  "},
                    FormulaCase{"2*3[m]", "6[m]  "}, FormulaCase{"3[m]*2", "6  "},
                    FormulaCase{"(1+2)[s]", "3[s]  "}),
    NameBy<&FormulaCase::formula>());

INSTANTIATE_TEST_SUITE_P(Literals, EvalFormulaTest,
                         testing::Values(FormulaCase{"0x1F", "31  "}, FormulaCase{"0b101", "5  "},
                                         FormulaCase{"0o17", "15  "}, FormulaCase{"0d12", "12  "},
                                         FormulaCase{"012", "12  "}, FormulaCase{"0x", "0  "},
                                         FormulaCase{"0x1.8", "1.5  "},
                                         FormulaCase{"0b0.1", "0.5  "}, FormulaCase{"0b1e3", "8  "},
                                         FormulaCase{"0x1E", "30  "},
                                         FormulaCase{"12.34E-5", "0.0001234  "},
                                         FormulaCase{"12.34E5", "1234000  "},
                                         FormulaCase{"1e+", "1  "}, FormulaCase{".5", "0.5  "},
                                         FormulaCase{"1e400", "INF  "}),
                         NameBy<&FormulaCase::formula>());

TEST(EvalNamesTest, UnknownNameIsUndefinedBuiltin) {
  Context ctx;
  EXPECT_EQ(Evaluate(ctx, "Abc+1"), "ERROR: abcは、未定義です。"_sj);
  // The message is Shift-JIS: "は" is 0x82 0xCD.
  Value v = EvalText(ctx, "x");
  EXPECT_EQ(v.text, "x\x82\xcd\x81\x41\x96\xa2\x92\xe8\x8b\x60\x82\xc5\x82\xb7\x81\x42");
}

TEST(EvalNamesTest, EpowerOffReadsNamesAfterTheMantissa) {
  Context ctx;
  ctx.settings.epower = false;
  // 2e3 is 2 times the name e3, which is not defined.
  EXPECT_EQ(Evaluate(ctx, "2e3"), "ERROR: e3は、未定義です。"_sj);
  EXPECT_EQ(Evaluate(ctx, "0x1F"), "31  ");
}

TEST(EvalCursorTest, StopsBeforeWhatCannotContinueAFormula) {
  struct {
    const char* text;
    const char* rest;
  } cases[] = {{"1+2;3", ";3"},    {"1+2 ,x", ",x"},  {"3 < 4", "< 4"},
               {"(1) = 2", "= 2"}, {"2 [m]+3", "+3"}, {"1+2 ' note", "' note"}};
  for (const auto& c : cases) {
    Context ctx;
    const char* p = c.text;
    EvalFormula(ctx, p);
    EXPECT_STREQ(p, c.rest) << c.text;
  }
}

TEST(EvalCursorTest, ErrorLeavesCursorWhereTheFormulaBegan) {
  Context ctx;
  const char* text = "1+(2";
  const char* p = text;
  EXPECT_TRUE(EvalFormula(ctx, p).IsError());
  EXPECT_EQ(p, text);
}

TEST(EvalConditionTest, OperatorsAndBareConditions) {
  struct {
    const char* text;
    bool holds;
    const char* rest;
  } cases[] = {
      {"1<2", true, ""},           {"1,<,2", true, ""},   {"1,lt,2", true, ""},
      {"2,LE,2", true, ""},        {"1=1", true, ""},     {"1==1", true, ""},
      {"1=<2", true, ""},          {"3=>2", true, ""},    {"1<>2", true, ""},
      {"1><2", true, ""},          {"1!=1", false, ""},   {"2>=3", false, ""},
      {"-1", false, ""},           {"1e-10", false, ""},  {"2e-9", true, ""},
      {"1)x", true, "x"},          {"1,ne,2,", true, ""}, {"1[km]>2[m]", false, ""},
      {"1 eq 1", false, "1 eq 1"}, {"1<x,3", false, "3"}, {"1<(x,y),3", false, "3"},
      {"1<y)", false, ")"},
  };
  for (const auto& c : cases) {
    Context ctx;
    const char* p = c.text;
    EXPECT_EQ(EvalCondition(ctx, p), c.holds) << c.text;
    EXPECT_STREQ(p, c.rest) << c.text;
  }
}

TEST(ReadTwoArgsTest, ReadsAPairOrGivesUpTheStatement) {
  struct {
    const char* text;
    bool ok;
    const char* first;  // ValueText of the first output
    const char* rest;
  } cases[] = {
      {"(1,2)+5", true, "1  ", "+5"},
      {"1,2", false, "ERROR: No Args", ""},
      {"(1 2)", false, "2  ", ""},
      {"(1,2", false, "ERROR: No ')'", ""},
      {"(1,2/0)", false, "ERROR: Divide By 0", ""},
  };
  for (const auto& c : cases) {
    Context ctx;
    const char* p = c.text;
    Value a, b;
    EXPECT_EQ(ReadTwoArgs(ctx, p, a, b), c.ok) << c.text;
    EXPECT_EQ(ValueText(ctx, a), c.first) << c.text;
    EXPECT_STREQ(p, c.rest) << c.text;
  }
}

TEST(EvalTraceTest, WritesEnterAndLeaveLinesAtCalcLevel) {
  Context ctx;
  ctx.settings.trace = TraceLevel::Calc;
  EvalText(ctx, "2*3");
  const std::string out = ScreenText(ctx);
  for (const char* line : {"CALC > 2*3", "TERM > 2*3", "ITEM > 2*3", "ITEM = 2  ", "ITEM > 3",
                           "ITEM = 3  ", "TERM = 6  ", "CALC = 6  "}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
}

TEST(EvalLimitsTest, DeepNestingEndsInAnError) {
  for (char open : {'(', '{'}) {
    Context ctx;
    std::string formula(100000, open);
    formula += '1';
    Value v = EvalText(ctx, formula);
    // Parentheses pass the guard's error up unchanged; an unclosed brace
    // group may report its missing brace instead.
    EXPECT_TRUE(v.IsError());
    if (open == '(') {
      EXPECT_EQ(ValueText(ctx, v), "ERROR: Stack Over");
      EXPECT_NE(ScreenText(ctx).find("  ERROR: stack memory near to over.\r\n"), std::string::npos);
    }
  }
}

TEST(EvalLimitsTest, LongFlatFormula) {
  Context ctx;
  std::string formula = "0";
  while (formula.size() < (1u << 20)) formula += "+1";
  EXPECT_EQ(ValueText(ctx, EvalText(ctx, formula)), "524288  ");
}

TEST(EvalLiteralTest, FullPrecisionTextReadsBackAsTheSameDouble) {
  Context ctx;
  std::mt19937_64 random(12345);
  for (int i = 0; i < 5000; ++i) {
    std::uint64_t bits = random();
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    char text[64];
    std::snprintf(text, sizeof text, "%.17G", std::fabs(x));
    Value v = EvalText(ctx, text);
    ASSERT_TRUE(v.IsNumber()) << text;
    EXPECT_EQ(v.number, std::fabs(x)) << text;
  }
}

}  // namespace
}  // namespace zemu

namespace zemu {
namespace {

TEST(EvalNamesTest, SheetQualifierPicksTheSheet) {
  Context ctx;
  const char* first = "g<5";
  ExecuteStatements(ctx, first);
  std::string firstName = CurrentSheet(ctx).name;
  NewSheet(ctx);
  const char* second = "g<7";
  ExecuteStatements(ctx, second);
  ASSERT_NE(firstName.find('.'), std::string::npos);  // sheet names carry their extension
  EXPECT_EQ(Evaluate(ctx, "g+10"), "17  ");
  EXPECT_EQ(Evaluate(ctx, firstName + "!g+10"), "15  ");
}

}  // namespace
}  // namespace zemu

namespace zemu {
namespace {

// Decimal literals read as the C library reads their text, whatever their
// form; exponents beyond the doubles give its infinity and zero.
TEST(EvalNumbersTest, DecimalLiteralsReadAsTheCLibraryDoes) {
  Context ctx;
  for (const char* literal :
       {"0.5", ".5", "7.", "1.e2", "12.34E-5", "2.5e+3", "1e400", "1e-400", "4.9e-324",
        "123456789012345678901234567890", "0.1000000000000000055511151231257827"}) {
    Value v = EvalText(ctx, literal);
    ASSERT_TRUE(v.IsNumber()) << literal;
    EXPECT_EQ(v.number, std::strtod(literal, nullptr)) << literal;
  }
  for (const char* zero : {"0d.", "0de5", "0d"}) EXPECT_EQ(EvalText(ctx, zero).number, 0) << zero;
  EXPECT_EQ(EvalText(ctx, "1e+").number, 1);
  EXPECT_EQ(EvalText(ctx, "0D12.5").number, 12.5);
}

}  // namespace
}  // namespace zemu
