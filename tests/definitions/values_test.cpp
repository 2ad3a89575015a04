// Values of definitions in formulas: argument binding, dynamic resolution of
// names, cached values, units, variables and the limits of recursion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "define_helpers.h"
#include "engine/tempvar.h"
#include "support/param_names.h"

namespace zemu {
namespace {

using testing_defs::Define;
using testing_defs::Eval;
using testing_defs::TextAt;

struct TranscriptCase {
  const char* topic;
  std::vector<const char*> definitions;
  const char* formula;
  const char* printed;
};

class DefinitionValueTest : public testing::TestWithParam<TranscriptCase> {};

// Every case must also leave the temporary-variable table empty.
TEST_P(DefinitionValueTest, Prints) {
  const TranscriptCase& c = GetParam();
  Context ctx;
  for (const char* text : c.definitions) Define(ctx, text);
  EXPECT_EQ(Eval(ctx, c.formula), c.printed) << c.topic;
  EXPECT_EQ(ctx.tempVars.Count(), 0) << c.topic;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, DefinitionValueTest,
    testing::Values(
        TranscriptCase{"one argument", {"f(x)=x*2"}, "f(3)", "6  "},
        TranscriptCase{"no parameters", {"g=5"}, "g+g()", "10  "},
        TranscriptCase{"too many", {"f(x)=x*2"}, "f(3,4)", "ERROR: 引数が多い"_sj},
        TranscriptCase{"arguments to none", {"g=5"}, "g(1)", "ERROR: 引数が多い"_sj},
        TranscriptCase{"missing from store", {"f(x,y)=x+y", "y<10"}, "f(1)", "11  "},
        TranscriptCase{"earlier parameter", {"f(x,y)=x+y", "x<100"}, "f(2, x*10)", "22  "},
        TranscriptCase{"parameter hides definition", {"x<5", "f(x)=x+1"}, "f(1)+x", "7  "},
        TranscriptCase{"parameter hides built-in", {"h(sin)=sin*2"}, "h(3)", "6  "},
        TranscriptCase{"case-blind parameter", {"k(X)=x+1"}, "k(1)", "2  "},
        TranscriptCase{"dynamic resolution", {"g(y)=f(1)", "f(x)=x+y"}, "g(5)", "6  "},
        TranscriptCase{"recursion", {"fact(n)=if(n<2,1,n*fact(n-1))"}, "fact(5)", "120  "},
        TranscriptCase{"nested call", {"f(x)=x*2"}, "f(f(f(1)))", "8  "},
        TranscriptCase{"failed argument", {"f(x,y)=x+y"}, "f(1/0,2)", "ERROR: Divide By 0"},
        TranscriptCase{"argument error in group", {"f(x,y)=y"}, "f((1/0),7)", "7  "},
        TranscriptCase{"double-byte name", {"表(ソ)=ソ*3"_sj}, "表(2)"_sj, "6  "}),
    NameBy<&TranscriptCase::topic>());

INSTANTIATE_TEST_SUITE_P(
    Units, DefinitionValueTest,
    testing::Values(
        TranscriptCase{"unit parameter", {"[min][s]=60", "g(t[s])=t"}, "g(2[min])", "120[s]  "},
        TranscriptCase{"plain to unit parameter", {"g(t[s])=t"}, "g(2)", "2[s]  "},
        TranscriptCase{"comment without unit", {"f(x)=x 'note"}, "f(2)", "2  "},
        TranscriptCase{"comment unit", {"f(x)=x 'note[m]"}, "f(2)", "2[m]  "},
        TranscriptCase{"head unit", {"f(x)[m]=x"}, "f(2)", "2[m]  "},
        TranscriptCase{"conversion factor", {"[km][m]=1000"}, "(2[km])[m]", "2000[m]  "},
        TranscriptCase{
            "conversion function", {"[in][cm](x)=x*2.54"}, "(10[in])[cm]", "25.4[cm]  "}),
    NameBy<&TranscriptCase::topic>());

INSTANTIATE_TEST_SUITE_P(
    Kinds, DefinitionValueTest,
    testing::Values(TranscriptCase{"procedure", {"p>1;2"}, "p", "ERROR: NotFormula"},
                    TranscriptCase{
                        "variable beside function", {"f(x)=x*2", "f<5"}, "f*10+f(3)", "56  "},
                    TranscriptCase{"variable of variable", {"a<2", "b<a*3", "a<100"}, "b", "6  "},
                    TranscriptCase{"redefined function", {"f(x)=x*2", "f(x)=x*3"}, "f(2)", "6  "}),
    NameBy<&TranscriptCase::topic>());

TEST(DefinitionValueTest, FunctionCacheStates) {
  Context ctx;
  Define(ctx, "f(x)=x*2");
  Define(ctx, "g=2+3");
  TDefine& sheet = CurrentSheet(ctx);
  EXPECT_EQ(Eval(ctx, "f(3)"), "6  ");
  EXPECT_EQ(DefinitionAt(sheet, 1)->value.text, "引数次第"_sj);
  EXPECT_EQ(SheetCellText(sheet, 1, ValueColumn), ValueText(ctx, DefinitionAt(sheet, 1)->value));
  EXPECT_EQ(Eval(ctx, "f(3,4)"), "ERROR: 引数が多い"_sj);
  EXPECT_EQ(DefinitionAt(sheet, 1)->value.text, "引数が多い"_sj);
  EXPECT_EQ(Eval(ctx, "g"), "5  ");
  EXPECT_EQ(DefinitionAt(sheet, 2)->value.number, 5);
  EXPECT_EQ(SheetCellText(sheet, 2, ValueColumn), "5  ");
}

TEST(DefinitionValueTest, TooManyArgumentsLeavesCursorOnParenthesis) {
  Context ctx;
  Define(ctx, "f(x)=x");
  std::shared_ptr<Definition> d = DefinitionAt(CurrentSheet(ctx), 1);
  const char* call = "(1,2)+1";
  Value v = GetDefinitionValue(ctx, *d, call);
  EXPECT_EQ(v.text, "引数が多い"_sj);
  EXPECT_STREQ(call, "(1,2)+1");
  const char* good = "(1)+1";
  EXPECT_EQ(GetDefinitionValue(ctx, *d, good).number, 1);
  EXPECT_STREQ(good, "+1");
  const char* empty = "()*2";
  GetDefinitionValue(ctx, *d, empty);
  EXPECT_STREQ(empty, "*2");
  EXPECT_EQ(ctx.tempVars.Count(), 0);
}

TEST(DefinitionValueTest, EndlessRecursionStopsWithStackOver) {
  Context ctx;
  Define(ctx, "f(x)=f(x)");
  EXPECT_EQ(Eval(ctx, "f(1)"), "ERROR: Stack Over");
  EXPECT_EQ(ctx.tempVars.Count(), 0);
  EXPECT_NE(ScreenText(ctx).find("stack memory near to over"), std::string::npos);
  // The program goes on normally afterwards.
  Define(ctx, "f(x)=x+1");
  EXPECT_EQ(Eval(ctx, "f(1)"), "2  ");
}

TEST(DefinitionValueTest, RowOutsideSheetIsUndefined) {
  Context ctx;
  Define(ctx, "g=1");
  TDefine& sheet = CurrentSheet(ctx);
  ctx.settings.trace = TraceLevel::Command;
  for (int row : {-1, 0, 2, 3}) {
    const char* none = "";
    EXPECT_EQ(ValueText(ctx, ValueOfRow(ctx, sheet, row, none)), "ERROR: 未定義式"_sj) << row;
  }
  EXPECT_NE(ScreenText(ctx).find("GET(2)=未定義式"_sj), std::string::npos);
  EXPECT_EQ(UndefinedDefinitionError().text, "未定義"_sj);
}

TEST(DefinitionValueTest, TracesDefinitionReads) {
  Context ctx;
  Define(ctx, "f(x)=x*2");
  ctx.settings.trace = TraceLevel::Formula;
  Eval(ctx, "f(3)");
  EXPECT_NE(ScreenText(ctx).find("GET(f)=6  "), std::string::npos);
  EXPECT_NE(ScreenText(ctx).find("GET(1)=6  "), std::string::npos);
}

TEST(VariableValueTest, ErrorKeepsFormula) {
  Context ctx;
  Define(ctx, "a<1/0");
  EXPECT_EQ(TextAt(ctx, 1), "a<1/0");
  EXPECT_EQ(Eval(ctx, "a"), "ERROR: Divide By 0");
  // A variable that names itself before it exists reports the missing name
  // instead of calling itself without end.
  Define(ctx, "n<n+1");
  EXPECT_EQ(Eval(ctx, "n"), "ERROR: nは、未定義です。"_sj);
  EXPECT_EQ(TextAt(ctx, 2), "n<n+1");
  // Once a value can be computed, the text is rewritten with it.
  Define(ctx, "b<1");
  Define(ctx, "a<b/4");
  EXPECT_EQ(TextAt(ctx, 1), "a<0.25 ");
}

TEST(VariableValueTest, DeclaredUnitFromTheStart) {
  Context ctx;
  Define(ctx, "a<3 'len[m]");
  EXPECT_EQ(TextAt(ctx, 1), "a<3[m]     'len[m]");
  EXPECT_EQ(Eval(ctx, "a"), "3[m]  ");
  ForgetValues(ctx, CurrentSheet(ctx), true);
  EXPECT_EQ(Eval(ctx, "a"), "3[m]  ");
  EXPECT_EQ(TextAt(ctx, 1), "a<3[m]     'len[m]");
  Define(ctx, "b[s]<4");
  EXPECT_EQ(Eval(ctx, "b"), "4[s]  ");
}

TEST(VariableValueTest, SelfReferenceUsesOldValue) {
  Context ctx;
  Define(ctx, "i<1");
  Define(ctx, "i<i+1");
  Define(ctx, "i<i*10");
  EXPECT_EQ(Eval(ctx, "i"), "20  ");
  EXPECT_EQ(CurrentSheet(ctx).RowCount(), 3);
}

TEST(VariableValueTest, ValueOfRowKeepsTextCellInStep) {
  Context ctx;
  Define(ctx, "a<2");
  std::shared_ptr<Definition> d = DefinitionAt(CurrentSheet(ctx), 1);
  d->text = "a<1+1";  // as read from a file, never evaluated
  AnalyseDefinition(ctx, *d);
  EXPECT_EQ(Eval(ctx, "a"), "2  ");
  EXPECT_EQ(d->text, "a<2 ");
  EXPECT_EQ(SheetCellText(CurrentSheet(ctx), 1, TextColumn), "a<2 ");
}

// A function's body remembers the walks of its if() calls: every call reads
// as the same formula typed alone, whichever branch it takes, and a body
// put in the same memory with other brackets is walked anew.
TEST(DefinitionValueTest, IfInBodyReadsAsTypedAlone) {
  const std::string formulas[] = {
      "if(q,2,(3),4)+1",       "if(q,2,f(3,4))*3", "if(q,(2),3)*2", "if(q<1,2,3 4)+1",
      "if(q,2,[m])+1",         "if(q,2)+1",        "if(q,2,3]+1",   "if(q,if(q,1,2),3)*10",
      "if(q,2,3)+if(1-q,4,5)", "if(q,<,1,3,4)"};
  for (const std::string& formula : formulas) {
    Context ctx;
    Define(ctx, "g(q)=" + formula);
    for (const char* q : {"1", "0", "1", "0"}) {
      std::string alone = formula;
      for (std::size_t at; (at = alone.find('q')) != std::string::npos;) alone.replace(at, 1, q);
      EXPECT_EQ(Eval(ctx, std::string("g(") + q + ")"), Eval(ctx, alone)) << formula << " q=" << q;
    }
  }
  Context ctx;
  const int row = Define(ctx, "g(q)=if(q,(1),22)+3");
  EXPECT_EQ(Eval(ctx, "g(1)*10+g(0)"), "65  ");
  std::shared_ptr<Definition> d = DefinitionAt(CurrentSheet(ctx), row);
  const char* before = d->text.data();
  d->Reset("g(q)=if(q,1,(22))+3");
  AnalyseDefinition(ctx, *d);
  ASSERT_EQ(d->text.data(), before);
  EXPECT_EQ(Eval(ctx, "g(1)*10+g(0)"), "65  ");
  d->Reset("g(q)=if(q,1,22)*(3)");
  AnalyseDefinition(ctx, *d);
  EXPECT_EQ(Eval(ctx, "g(1)*10+g(0)"), "96  ");
}

// A body keeps what its names stood for only while the store's layout
// stands: a redefinition in place, a definition that hides a built-in, a
// deleted row and a row named by a pattern are all seen at the next call.
TEST(DefinitionValueTest, NamesInABodyFollowTheStore) {
  Context ctx;
  TDefine& sheet = CurrentSheet(ctx);
  const int h = Define(ctx, "h(x)=x+1");
  Define(ctx, "g(q)=h(q)*2+if(q,1,0)");
  EXPECT_EQ(Eval(ctx, "g(1)"), "5  ");
  Define(ctx, "h(x)=x+10");
  EXPECT_EQ(Eval(ctx, "g(1)"), "23  ");
  const int hiding = Define(ctx, "if(a,b,c)=100");
  EXPECT_EQ(Eval(ctx, "g(1)"), "122  ");
  DeleteRow(ctx, sheet, hiding);
  EXPECT_EQ(Eval(ctx, "g(1)"), "23  ");
  DeleteRow(ctx, sheet, h);
  EXPECT_EQ(Eval(ctx, "g(1)"), "ERROR: hは、未定義です。"_sj);
  Define(ctx, "h(x)=x+1");
  EXPECT_EQ(Eval(ctx, "g(1)"), "5  ");
  // A row named by a pattern matches both names of the body.
  InsertRow(ctx, sheet, 1);
  SheetRow& pattern = sheet.rows[1];
  pattern.definition = std::make_shared<Definition>("k(x)=x*7");
  AnalyseDefinition(ctx, *pattern.definition);
  pattern.cells[NameColumn] = "?";
  EXPECT_EQ(Eval(ctx, "h(1)+if(1,1,0)"), "ERROR: 引数が多い"_sj);
  EXPECT_EQ(Eval(ctx, "g(1)"), "ERROR: 引数が多い"_sj);
  DeleteRow(ctx, sheet, 1);
  EXPECT_EQ(Eval(ctx, "g(1)"), "5  ");
}

}  // namespace
}  // namespace zemu
