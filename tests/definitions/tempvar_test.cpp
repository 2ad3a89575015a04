// The temporary-variable table: push, pop, find, get.
#include "engine/tempvar.h"

#include <gtest/gtest.h>

#include "base/sjis_literal.h"
#include "host/context.h"
#include "support/param_names.h"

namespace zemu {
namespace {

TEST(TempVarTest, NewestBindingWinsAndPopsUncover) {
  Context ctx;
  PushTempVar(ctx, "x", MakeNumber(1));
  PushTempVar(ctx, "y", MakeNumber(2));
  PushTempVar(ctx, "x", MakeNumber(3));
  EXPECT_EQ(FindTempVar(ctx, "x"), 0);
  EXPECT_EQ(GetTempVar(ctx).number, 3);
  EXPECT_EQ(FindTempVar(ctx, "y"), 1);
  EXPECT_EQ(GetTempVar(ctx).number, 2);
  PopTempVar(ctx);
  EXPECT_EQ(FindTempVar(ctx, "x"), 1);
  EXPECT_EQ(GetTempVar(ctx).number, 1);
  PopTempVars(ctx, 0);
  PopTempVars(ctx, -2);
  EXPECT_EQ(ctx.tempVars.Count(), 2);
  PopTempVars(ctx, 5);  // more than there are: the table just ends empty
  EXPECT_EQ(ctx.tempVars.Count(), 0);
  EXPECT_EQ(FindTempVar(ctx, "x"), -1);
}

struct NameCase {
  const char* bound;
  const char* probe;
  bool found;
};

class TempVarNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(TempVarNameTest, ComparesWithoutCaseButDoubleBytesExactly) {
  Context ctx;
  PushTempVar(ctx, GetParam().bound, MakeNumber(1));
  EXPECT_EQ(FindTempVar(ctx, GetParam().probe) == 0, GetParam().found)
      << GetParam().bound << " / " << GetParam().probe;
}

INSTANTIATE_TEST_SUITE_P(
    Names, TempVarNameTest,
    testing::Values(NameCase{"X", "x", true}, NameCase{"abc", "ABC", true},
                    NameCase{"ab", "abc", false}, NameCase{"長さ"_sj, "長さ"_sj, true},
                    // ア is 83 41 and ヂ is 83 61: their trail bytes differ only by case.
                    NameCase{"ア"_sj, "ヂ"_sj, false}, NameCase{"表"_sj, "表"_sj, true},
                    NameCase{"ソx"_sj, "ソX"_sj, true}, NameCase{"", "x", false}),
    (NameBy<&NameCase::bound, &NameCase::probe>()));

TEST(TempVarTest, GetWithoutCurrentIndexIsAnError) {
  Context ctx;
  ctx.settings.trace = TraceLevel::Calc;
  FindTempVar(ctx, "x");
  Value v = GetTempVar(ctx);
  EXPECT_EQ(v.kind, ValueKind::Error);
  EXPECT_EQ(v.text, "Undefined in TempVar");
  EXPECT_NE(ScreenText(ctx).find("TempVar: Undefined"), std::string::npos);
}

TEST(TempVarTest, PopLeavesCurrentIndexStale) {
  Context ctx;
  PushTempVar(ctx, "x", MakeNumber(1));
  EXPECT_EQ(ctx.tempVars.currentIndex, 0);
  PopTempVar(ctx);
  EXPECT_EQ(ctx.tempVars.currentIndex, 0);
  EXPECT_EQ(GetTempVar(ctx).text, "Undefined in TempVar");
}

TEST(TempVarTest, TracesReadsFromCalcLevel) {
  Context ctx;
  PushTempVar(ctx, "x", MakeNumber(3));
  ctx.settings.trace = TraceLevel::Formula;
  FindTempVar(ctx, "x");
  GetTempVar(ctx);
  EXPECT_EQ(ScreenText(ctx).find("TempVar"), std::string::npos);
  ctx.settings.trace = TraceLevel::Calc;
  GetTempVar(ctx);
  EXPECT_NE(ScreenText(ctx).find("TempVar: x=" + ValueText(ctx, MakeNumber(3))), std::string::npos);
}

TEST(TempVarTest, SetNewestOverwritesInPlace) {
  Context ctx;
  SetNewestTempVar(ctx, MakeNumber(9));  // empty table: nothing happens
  PushTempVar(ctx, "i", MakeNumber(1));
  PushTempVar(ctx, "j", MakeNumber(1));
  SetNewestTempVar(ctx, MakeNumber(2));
  FindTempVar(ctx, "j");
  EXPECT_EQ(GetTempVar(ctx).number, 2);
  FindTempVar(ctx, "i");
  EXPECT_EQ(GetTempVar(ctx).number, 1);
}

}  // namespace
}  // namespace zemu
