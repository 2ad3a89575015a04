// The built-in functions, called through whole formulas.
#include "engine/builtins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "base/sjis_literal.h"
#include "engine/eval.h"
#include "engine/tempvar.h"
#include "host/context.h"
#include "support/param_names.h"

namespace zemu {
namespace {

struct PrintedCase {
  const char* formula;
  const char* printed;  // ValueText in the default format
};

class BuiltinPrintedTest : public testing::TestWithParam<PrintedCase> {};

TEST_P(BuiltinPrintedTest, Prints) {
  Context ctx;
  EXPECT_EQ(ValueText(ctx, EvalText(ctx, GetParam().formula)), GetParam().printed)
      << GetParam().formula;
}

INSTANTIATE_TEST_SUITE_P(
    NamesAndCase, BuiltinPrintedTest,
    testing::Values(PrintedCase{"sin(0)", "0  "}, PrintedCase{"SIN(0)", "0  "},
                    PrintedCase{"Sin(0)", "0  "}, PrintedCase{"sin 0", "0  "},
                    PrintedCase{"pi", "3.1415927  "}, PrintedCase{"pi()", "3.1415927  "},
                    PrintedCase{"pi ( )", "3.1415927  "}, PrintedCase{"π"_sj, "3.1415927  "},
                    PrintedCase{"π()"_sj, "3.1415927  "}, PrintedCase{"PI*2", "6.2831853  "},
                    PrintedCase{"foo(1)", "ERROR: fooは、未定義です。"_sj},
                    PrintedCase{"FOO", "ERROR: fooは、未定義です。"_sj},
                    PrintedCase{"si(0)", "ERROR: siは、未定義です。"_sj},
                    PrintedCase{"sine(0)", "ERROR: sineは、未定義です。"_sj},
                    // A trail byte in the range A-Z stays as it is: "ア" is 0x83 0x41.
                    PrintedCase{"Xア"_sj, "ERROR: xアは、未定義です。"_sj}),
    NameBy<&PrintedCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    RangesAndWrapping, BuiltinPrintedTest,
    testing::Values(
        PrintedCase{"acos(1.0000001)", "ERROR: acos(><)"},
        PrintedCase{"acos(-1.0000001)", "ERROR: acos(><)"},
        PrintedCase{"asin(2)", "ERROR: asin(><)"}, PrintedCase{"log(-1)", "ERROR: log(x<0)"},
        PrintedCase{"ln(-1)", "ERROR: log(x<0)"}, PrintedCase{"log10(-0.5)", "ERROR: log10(x<0)"},
        PrintedCase{"sqrt(-4)", "ERROR: sqrt(x<0)"}, PrintedCase{"root(-4)", "ERROR: sqrt(x<0)"},
        PrintedCase{"abs(sqrt(-4))", "ERROR: abs(sqrt(x<0))"},
        PrintedCase{"int(foo)", "ERROR: int(fooは、未定義です。)"_sj},
        PrintedCase{"floor(foo)", "ERROR: int(fooは、未定義です。)"_sj},
        PrintedCase{"ln(foo)", "ERROR: log(fooは、未定義です。)"_sj},
        PrintedCase{"sqrt(foo)", "ERROR: root(fooは、未定義です。)"_sj},
        PrintedCase{"cos(1/0)", "ERROR: cos(Divide By 0)"},
        PrintedCase{"sq(cubic(abs(frag(foo))))",
                    "ERROR: sq(cubic(abs(frag(fooは、未定義です。))))"_sj},
        PrintedCase{"exp(sign(atan(tan(sin(x)))))",
                    "ERROR: exp(sign(atan(tan(sin(xは、未定義です。)))))"_sj},
        PrintedCase{"sign(5[m])", "1[m]  "}, PrintedCase{"abs(-3[m])", "3[m]  "},
        PrintedCase{"int(2.5[m])", "2[m]  "}, PrintedCase{"frag(2.5[m])", "0.5[m]  "},
        PrintedCase{"sq(3[m])", "9  "}, PrintedCase{"sqrt(9[m])", "3  "}),
    NameBy<&PrintedCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Pairs, BuiltinPrintedTest,
    testing::Values(PrintedCase{"mod(10,0)", "ERROR: mod(x,ZERO)"},
                    PrintedCase{"mod 10", "ERROR: mod(No Args)"},
                    PrintedCase{"mod(10,3", "ERROR: mod(No ')')"},
                    PrintedCase{"mod(10,foo)", "ERROR: mod(fooは、未定義です。)"_sj},
                    PrintedCase{"mod(foo,3)", "ERROR: mod(fooは、未定義です。)"_sj},
                    PrintedCase{"mod(10)", "ERROR: mod()"},
                    PrintedCase{"intproduct(1)", "ERROR: intproduct()"},
                    PrintedCase{"intproduct 1", "ERROR: intproduct()"},
                    PrintedCase{"intproduct(foo,3)", "ERROR: intproduct()"}),
    NameBy<&PrintedCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Conditions, BuiltinPrintedTest,
    testing::Values(PrintedCase{"and", "ERROR: and()"}, PrintedCase{"and 1", "ERROR: and()"},
                    PrintedCase{"or", "ERROR: or()"}, PrintedCase{"comp", "ERROR: comp()"},
                    PrintedCase{"not 1", "ERROR: not(XX)"}, PrintedCase{"if 1", "ERROR: if(XX)"},
                    PrintedCase{"if(1<2,2[m],3)", "2[m]  "},
                    PrintedCase{"if(1<2,foo,3)", "ERROR: fooは、未定義です。"_sj},
                    // Without both branches, or with a condition that cannot be
                    // read, there is nothing to choose from.
                    PrintedCase{"if(1>2,3)", "ERROR: if(XX)"},
                    PrintedCase{"if(1)+5", "ERROR: if(XX)"},
                    PrintedCase{"if(1<2)", "ERROR: if(XX)"},
                    PrintedCase{"if(foo<1,3,4)", "ERROR: if(XX)"},
                    PrintedCase{"if()", "ERROR: if(XX)"},
                    // A failed right operand makes the condition false; the
                    // branches after it are still read as branches.
                    PrintedCase{"if(1<foo,3,4)", "4  "}),
    NameBy<&PrintedCase::formula>());

INSTANTIATE_TEST_SUITE_P(Lists, BuiltinPrintedTest,
                         testing::Values(PrintedCase{"max", "ERROR: max()"},
                                         PrintedCase{"min 1", "ERROR: min()"},
                                         PrintedCase{"max(foo,1)", "ERROR: fooは、未定義です。"_sj},
                                         PrintedCase{"max(1,foo)", "1  "},
                                         // The winner keeps the unit it was read with.
                                         PrintedCase{"max(1[m],2)", "2  "},
                                         PrintedCase{"max(2,1[m])", "2  "},
                                         PrintedCase{"min(3[s],5)", "3[s]  "}),
                         NameBy<&PrintedCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    NotReady, BuiltinPrintedTest,
    testing::Values(PrintedCase{"average(1,2)", "ERROR: average() is not ready."},
                    PrintedCase{"dim(1)", "ERROR: dim() is not ready."},
                    PrintedCase{"det(1)", "ERROR: det() is not ready."},
                    PrintedCase{"inpr(1)", "ERROR: inpr() is not ready on this version."},
                    PrintedCase{"lookup(1)", "ERROR: lookup() is not ready."},
                    PrintedCase{"sigma(1)", "ERROR: sigma() is not ready."},
                    PrintedCase{"SUM(1)", "ERROR: sum() is not ready."}),
    NameBy<&PrintedCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    PowerPrefix, BuiltinPrintedTest,
    testing::Values(PrintedCase{"cos^2(0)", "1  "}, PrintedCase{"abs^2(-3[m])", "9  "},
                    PrintedCase{"sqrt^2(-4)", "ERROR: sqrt(x<0)"},
                    PrintedCase{"foo^2(1)", "ERROR: fooは、未定義です。"_sj},
                    PrintedCase{"average^2(1)", "ERROR: average() is not ready."},
                    // A power that is not a number is passed over.
                    PrintedCase{"cos^foo(0)", "ERROR: cos(fooは、未定義です。)"_sj}),
    NameBy<&PrintedCase::formula>());

struct NumberCase {
  const char* formula;
  double number;
};

class BuiltinNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(BuiltinNumberTest, Computes) {
  Context ctx;
  Value v = EvalText(ctx, GetParam().formula);
  ASSERT_TRUE(v.IsNumber()) << GetParam().formula << ": " << v.text;
  EXPECT_NEAR(v.number, GetParam().number, 1e-12 * std::max(1.0, std::fabs(GetParam().number)))
      << GetParam().formula;
  EXPECT_EQ(v.unit, "") << GetParam().formula;
}

INSTANTIATE_TEST_SUITE_P(
    Mathematics, BuiltinNumberTest,
    testing::Values(
        NumberCase{"abs(12.34)", 12.34}, NumberCase{"abs(-12.34)", 12.34}, NumberCase{"acos(1)", 0},
        NumberCase{"acos(-1)", M_PI}, NumberCase{"asin(1)", M_PI / 2},
        NumberCase{"atan(1)", M_PI / 4}, NumberCase{"cos(pi)", -1}, NumberCase{"sin(pi/2)", 1},
        NumberCase{"tan(pi/4)", 1}, NumberCase{"cubic(-2)", -8}, NumberCase{"sq(12)", 144},
        NumberCase{"exp(1)", M_E}, NumberCase{"log(exp(2))", 2}, NumberCase{"ln(1)", 0},
        NumberCase{"log10(1000)", 3}, NumberCase{"sqrt(9)", 3}, NumberCase{"sqrt(144)", 12},
        NumberCase{"root(2)", M_SQRT2}, NumberCase{"int(12.34)", 12},
        NumberCase{"int(-12.34)", -13}, NumberCase{"floor(-0.5)", -1},
        NumberCase{"frag(12.34)", 12.34 - 12}, NumberCase{"frag(-12.34)", -12.34 + 13},
        NumberCase{"sign(123)", 1}, NumberCase{"sign(-123)", -1}, NumberCase{"sign(0)", 0},
        NumberCase{"pi", 3.141592653589793}),
    NameBy<&NumberCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    ArgumentForms, BuiltinNumberTest,
    testing::Values(
        // One item: the ^ after it belongs to the item, and no parentheses are needed.
        NumberCase{"sin(2)^2", std::sin(4.0)}, NumberCase{"sin 2", std::sin(2.0)},
        NumberCase{"sq 3+1", 10},
        // The power prefix applies to the result.
        NumberCase{"cos^2(2)", std::cos(2.0) * std::cos(2.0)}, NumberCase{"cos ^ 2 (0)", 1},
        NumberCase{"pi^2", M_PI* M_PI}, NumberCase{"abs^0.5(-16)", 4},
        // Each call ends at its own parenthesis and the formula goes on.
        NumberCase{"if(comp(1<2),5,6)", 5}, NumberCase{"if(not(1),5,6)+1", 7},
        NumberCase{"if(and(1<2,1),5,6)*2", 10}, NumberCase{"and(1<2,2=3,3<4)+5", 5},
        NumberCase{"or(1<2,foo,bar)+5", 6}, NumberCase{"max(1,(2),3)+1", 4},
        NumberCase{"comp((1+2),>,(3))", 0}, NumberCase{"pi(2)", M_PI * 2}),
    NameBy<&NumberCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Conditions, BuiltinNumberTest,
    testing::Values(NumberCase{"and(1<2,2<3,3<4)", 1}, NumberCase{"and(1<2,2=3,3<4)", 0},
                    NumberCase{"and(1)", 1}, NumberCase{"and(0)", 0}, NumberCase{"and(foo,1<2)", 0},
                    NumberCase{"or(1>2,3<4,5>6)", 1}, NumberCase{"or(1>2,3>4,5>6)", 0},
                    NumberCase{"or(foo,1<2)", 0}, NumberCase{"or(1,eq,2,2,ne,2,3,ge,3)", 1},
                    NumberCase{"comp(1+2,>,3)", 0}, NumberCase{"comp(3,=,3)", 1},
                    NumberCase{"comp(2)", 1}, NumberCase{"not(1)", 0}, NumberCase{"not(0)", 1},
                    NumberCase{"not(1<2)", 0}, NumberCase{"not(1>2)", 1},
                    NumberCase{"if(1<2,3,4)", 3}, NumberCase{"if(1,<,2,3,4)", 3},
                    NumberCase{"if(1>2,3,4)", 4}, NumberCase{"if(1<2,3,sqrt(-1))", 3},
                    NumberCase{"if(1>2,sqrt(-1),4)", 4}, NumberCase{"if(2,3,4)", 3},
                    NumberCase{"if(0,3,4)", 4}, NumberCase{"if(1>2,(3),max(4,5))", 5}),
    NameBy<&NumberCase::formula>());

// Where the call ends after the branch it chose: the text after it counts
// once, whatever stands in the branch it stepped over.
INSTANTIATE_TEST_SUITE_P(
    IfEnds, BuiltinNumberTest,
    testing::Values(NumberCase{"if(1,2,(3),4)+1", 3}, NumberCase{"if(1,2,f(3,4))*3", 6},
                    NumberCase{"if(1,(2),3)*2", 4}, NumberCase{"if(1<2,2,3 4)+1", 3},
                    NumberCase{"if(1,2,[m])+1", 3}, NumberCase{"if(1,2)+1", 3},
                    NumberCase{"if(1,2,3]+1", 6}, NumberCase{"if(1,if(0,1,2),3)*10", 20},
                    NumberCase{"if(0,2,3)+if(1,4,5)", 7}),
    NameBy<&NumberCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    Lists, BuiltinNumberTest,
    testing::Values(NumberCase{"max(1,2,3,4)", 4}, NumberCase{"min(1,2,3,4)", 1},
                    NumberCase{"max(5)", 5}, NumberCase{"min(4,-2,7)", -2},
                    NumberCase{"max( 1 , 3 , 2 )", 3},
                    // A value that fails is passed over; the values after it still count.
                    NumberCase{"max(1,foo,7)", 7}, NumberCase{"min(5,sqrt(-1),2)", 2}),
    NameBy<&NumberCase::formula>());

INSTANTIATE_TEST_SUITE_P(
    IntegerFunctions, BuiltinNumberTest,
    testing::Values(NumberCase{"mod(10,3)", 1}, NumberCase{"mod(-10,3)", -1},
                    NumberCase{"mod(10,-3)", 1}, NumberCase{"mod(7.5,2)", 1.5},
                    // Quotients beyond 2^31 must not wrap around.
                    NumberCase{"mod(1e10+1,3)", 2}, NumberCase{"mod(1e12,7)", 1},
                    NumberCase{"mod(-1e12,7)", -1}, NumberCase{"mod(4294967296*3+5,4294967296)", 5},
                    NumberCase{"intproduct(100000,100000)", 1410065408},
                    NumberCase{"intproduct(65536,65537)", 65536},
                    NumberCase{"intproduct(65536,65536)", 0}, NumberCase{"intproduct(2.5,2)", 6},
                    NumberCase{"intproduct(-2,3)", 4294967293.0},
                    NumberCase{"intproduct(4294967297,3)", 3},
                    NumberCase{"intproduct(1e300,3)", 0}),
    NameBy<&NumberCase::formula>());

// Where the cursor stands after a call.
struct CursorCase {
  const char* name;
  const char* arguments;
  const char* rest;  // what is left unread
};

class BuiltinCursorTest : public testing::TestWithParam<CursorCase> {};

TEST_P(BuiltinCursorTest, LeavesRest) {
  Context ctx;
  const char* cursor = GetParam().arguments;
  CallBuiltin(ctx, GetParam().name, cursor);
  EXPECT_STREQ(cursor, GetParam().rest) << GetParam().name << GetParam().arguments;
}

INSTANTIATE_TEST_SUITE_P(
    Consumed, BuiltinCursorTest,
    testing::Values(CursorCase{"foo", "(1)+2", "(1)+2"}, CursorCase{"average", "(1,2)", "(1,2)"},
                    CursorCase{"pi", "(2)", "(2)"}, CursorCase{"pi", "( )*2", "*2"},
                    CursorCase{"and", "1", "1"}, CursorCase{"mod", " 10;x", ""},
                    CursorCase{"mod", "(10,3),4", ",4"}, CursorCase{"sin", "(0)^2;x", ";x"},
                    CursorCase{"and", "(1<2,2=3,(3<4))+1", "+1"},
                    CursorCase{"or", "(1<2,x,y;z", "x,y;z"}, CursorCase{"not", "(1)),2", "),2"},
                    CursorCase{"comp", "(1<2)),2", "),2"}, CursorCase{"max", "(1,[a)b],2)+1", "+1"},
                    CursorCase{"if", "(1<2,3,{4)})-1", "-1"}),
    (NameBy<&CursorCase::name, &CursorCase::arguments>()));

// A toolkit that keeps what the status lines show.
class StatusToolkit : public NullToolkit {
 public:
  void SetStatusLine(int line, const std::string& text) override {
    lines[line] = text;
    ++writes;
  }
  std::map<int, std::string> lines;
  int writes = 0;
};

TEST(BuiltinHelpTest, AssistShowsInnermostCallLast) {
  StatusToolkit toolkit;
  Context ctx(&toolkit);
  ctx.runState = RunState::Idle;
  EvalText(ctx, "sin(cos(0))");
  EXPECT_EQ(toolkit.lines[1], "cos()は、三角関数です。引数の単位は、ラジアン[rad]です。"_sj);
  EXPECT_EQ(toolkit.lines[2], "cos^2(x)は、(cos(x))^2 のことです。  cos(x)^2は、cos(x^2)です。"_sj);
}

TEST(BuiltinHelpTest, SingleLineHelpClearsSecondLine) {
  StatusToolkit toolkit;
  Context ctx(&toolkit);
  ctx.runState = RunState::Idle;
  toolkit.lines[2] = "old";
  EvalText(ctx, "acos(1)");
  EXPECT_EQ(toolkit.lines[1], "acos()は、三角関数cos()の逆関数です。"_sj);
  EXPECT_EQ(toolkit.lines[2], "");
}

TEST(BuiltinHelpTest, AliasShowsTheEntrysHelp) {
  StatusToolkit toolkit;
  Context ctx(&toolkit);
  ctx.runState = RunState::Idle;
  EvalText(ctx, "π"_sj);
  EXPECT_EQ(toolkit.lines[1],
            "pi,pi(),π,π()は、いずれも、3.1415926535897932385を返す関数です。"_sj);
  EXPECT_EQ(toolkit.lines[2], "小学生がpi=3としたいときには、pi=3と関数定義してください。"_sj);
}

TEST(BuiltinHelpTest, NothingShownForNotReadyUnknownOrRunning) {
  StatusToolkit toolkit;
  Context ctx(&toolkit);
  ctx.runState = RunState::Idle;
  EvalText(ctx, "average(1)");
  EvalText(ctx, "foo(1)");
  EXPECT_EQ(toolkit.writes, 0);
  ctx.runState = RunState::Running;
  EvalText(ctx, "sin(0)");
  EXPECT_EQ(toolkit.writes, 0);
}

struct TraceCase {
  TraceLevel level;
  const char* formula;
  const char* line;  // the trace line, or "" for none
};

class BuiltinTraceTest : public testing::TestWithParam<TraceCase> {};

TEST_P(BuiltinTraceTest, WritesFuncLine) {
  Context ctx;
  ctx.settings.trace = GetParam().level;
  EvalText(ctx, GetParam().formula);
  std::string screen = ScreenText(ctx);
  if (*GetParam().line == '\0') {
    EXPECT_EQ(screen.find("Func("), std::string::npos) << screen;
  } else {
    EXPECT_NE(screen.find(GetParam().line), std::string::npos) << screen;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, BuiltinTraceTest,
    testing::Values(TraceCase{TraceLevel::Calc, "sin(0)", "Func(sin)=0  "},
                    TraceCase{TraceLevel::System, "SIN(0)", "Func(sin)=0  "},
                    TraceCase{TraceLevel::Calc, "cos^2(0)", "Func(cos^2  )=1  "},
                    TraceCase{TraceLevel::Calc, "foo", "Func(foo)=ERROR: fooは、未定義です。"_sj},
                    TraceCase{TraceLevel::Calc, "sum(1)", "Func(sum)=ERROR: sum() is not ready."},
                    TraceCase{TraceLevel::Formula, "sin(0)", ""},
                    TraceCase{TraceLevel::Off, "sin(0)", ""}),
    NameBy<&TraceCase::formula>());

TEST(BuiltinUndefinedTest, PowerIsErrorAndIntProductCountsZero) {
  Context ctx;
  PushTempVar(ctx, "u", Value{});
  Value v = EvalText(ctx, "if^2(1,u,0)");
  EXPECT_EQ(ValueText(ctx, v), "ERROR: 実数しか累乗^ができません。"_sj);
  EXPECT_EQ(ValueText(ctx, EvalText(ctx, "if(1,u,0)")), "Undefined");
  EXPECT_EQ(ValueText(ctx, EvalText(ctx, "intproduct(u,3)")), "0  ");
}

}  // namespace
}  // namespace zemu
