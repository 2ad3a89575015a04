// Classification of definition statements: kinds, parts and offsets.
#include <gtest/gtest.h>

#include <string>

#include "base/sjis_literal.h"
#include "definitions/statements.h"
#include "definitions/store.h"
#include "host/context.h"
#include "support/param_names.h"

namespace zemu {
namespace {

struct AnalyseCase {
  const char* text;
  std::int32_t kind;
  const char* stored;  // the text after the cut
  const char* name;
  const char* head;
  const char* body;  // from bodyStart
  const char* comment;
  const char* unit;
};

class AnalyseTest : public testing::TestWithParam<AnalyseCase> {};

TEST_P(AnalyseTest, ClassifiesAndCuts) {
  const AnalyseCase& c = GetParam();
  Context ctx;
  Definition d(c.text);
  AnalyseDefinition(ctx, d);
  EXPECT_EQ(d.kind, c.kind) << c.text;
  EXPECT_EQ(d.text, c.stored) << c.text;
  EXPECT_EQ(d.length, static_cast<std::int32_t>(d.text.size()));
  EXPECT_EQ(d.Name(), c.name) << c.text;
  EXPECT_EQ(d.Head(), c.head) << c.text;
  EXPECT_EQ(d.text.substr(static_cast<std::size_t>(d.bodyStart)), c.body) << c.text;
  EXPECT_EQ(d.Comment(), c.comment) << c.text;
  EXPECT_EQ(d.Unit(), c.unit) << c.text;
  EXPECT_NE(d.flags & static_cast<std::uint32_t>(c.kind), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AnalyseTest,
    testing::Values(
        AnalyseCase{"f(x,y)=x*y 'area[m2]", FunctionKind, "f(x,y)=x*y 'area[m2]", "f", "f(x,y)",
                    "x*y 'area[m2]", "'area[m2]", "[m2]"},
        AnalyseCase{"g=2", FunctionKind, "g=2", "g", "g", "2", "", ""},
        AnalyseCase{"a<3*4", VariableKind, "a<3*4", "a", "a", "3*4", "", ""},
        AnalyseCase{"p>.for i,1,3; i;", ProcedureKind, "p>.for i,1,3; i;", "p", "p",
                    ".for i,1,3; i;", "", ""},
        AnalyseCase{"p>(a;b;c)", ProcedureKind, "p>(a;b;c)", "p", "p", "(a;b;c)", "", ""},
        AnalyseCase{"p>a;b}c", ProcedureKind, "p>a;b", "p", "p", "a;b", "", ""},
        AnalyseCase{"[km][m]=1000", ConversionKind, "[km][m]=1000", "[km][m]", "[km][m]", "1000",
                    "", ""},
        AnalyseCase{"[k]]=1000", ConversionKind, "[k]]=1000", "[k]]", "[k]]", "1000", "", ""},
        AnalyseCase{"[in][cm](x)=x*2.54", ConversionKind, "[in][cm](x)=x*2.54", "[in][cm]",
                    "[in][cm](x)", "x*2.54", "", ""},
        AnalyseCase{"12=the twelfth note", DescriptionKind, "12=the twelfth note", "12", "12",
                    "the twelfth note", "", ""},
        AnalyseCase{"12;", FormulaKind, "12", "12", "12", "12", "", ""},
        AnalyseCase{"f=", ShowKind, "f=", "f", "f", "", "", ""},
        AnalyseCase{"a=;b", ShowKind, "a=", "a", "a", "", "", ""},
        AnalyseCase{"a= 'c", ShowKind, "a= 'c", "a", "a", "'c", "'c", ""},
        AnalyseCase{"a =3", FormulaKind, "a =3", "a", "a", "a =3", "", ""},
        AnalyseCase{"1+2*3", FormulaKind, "1+2*3", "1", "1", "1+2*3", "", ""},
        AnalyseCase{"_x=1", FormulaKind, "_x=1", "", "", "_x=1", "", ""},
        AnalyseCase{".list a", CommandKind, ".list a", "", "", ".list a", "", ""},
        AnalyseCase{"f(x)=x 'note", FunctionKind, "f(x)=x 'note", "f", "f(x)", "x 'note", "'note",
                    ""},
        AnalyseCase{"f(x)=x 'note[m]", FunctionKind, "f(x)=x 'note[m]", "f", "f(x)", "x 'note[m]",
                    "'note[m]", "[m]"},
        AnalyseCase{"f(x)=x 'note[m", FunctionKind, "f(x)=x 'note[m", "f", "f(x)", "x 'note[m",
                    "'note[m", ""},
        AnalyseCase{"f[m]=5", FunctionKind, "f[m]=5", "f", "f[m]", "5", "", "[m]"},
        AnalyseCase{"f(x)[m]=x 'c[km]", FunctionKind, "f(x)[m]=x 'c[km]", "f", "f(x)[m]",
                    "x 'c[km]", "'c[km]", "[km]"},
        AnalyseCase{"g(t[s])=t", FunctionKind, "g(t[s])=t", "g", "g(t[s])", "t", "", ""},
        AnalyseCase{"f(x)=x; g=2", FunctionKind, "f(x)=x", "f", "f(x)", "x", "", ""},
        AnalyseCase{"f(x)=x 'a;b", FunctionKind, "f(x)=x 'a", "f", "f(x)", "x 'a", "'a", ""},
        AnalyseCase{"f(x)=x 'c (a;b)", FunctionKind, "f(x)=x 'c (a", "f", "f(x)", "x 'c (a",
                    "'c (a", ""},
        // Shift-JIS names: trail bytes 0x5C and 0x7C, half-width katakana.
        AnalyseCase{"表(x)=x*2"_sj, FunctionKind, "表(x)=x*2"_sj, "表"_sj, "表(x)"_sj, "x*2", "",
                    ""},
        AnalyseCase{"ソ<1"_sj, VariableKind, "ソ<1"_sj, "ソ"_sj, "ソ"_sj, "1", "", ""},
        AnalyseCase{"ポ2=3"_sj, FunctionKind, "ポ2=3"_sj, "ポ2"_sj, "ポ2"_sj, "3", "", ""},
        AnalyseCase{"ｶ=1"_sj, FunctionKind, "ｶ=1"_sj, "ｶ"_sj, "ｶ"_sj, "1", "", ""},
        AnalyseCase{"長さ<2 'c[m]"_sj, VariableKind, "長さ<2 'c[m]"_sj, "長さ"_sj, "長さ"_sj,
                    "2 'c[m]", "'c[m]", "[m]"}),
    NameBy<&AnalyseCase::text>());

struct MarkCase {
  const char* text;
  std::uint32_t marks;
  const char* name;
};

class MarkTest : public testing::TestWithParam<MarkCase> {};

TEST_P(MarkTest, SetsMarkFlags) {
  Context ctx;
  Definition d(GetParam().text);
  AnalyseDefinition(ctx, d);
  EXPECT_EQ(d.flags & (MarkBang | MarkWatch), GetParam().marks) << GetParam().text;
  EXPECT_EQ(d.Name(), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Marks, MarkTest,
                         testing::Values(MarkCase{"$f(x)=x", MarkWatch, "f"},
                                         MarkCase{"!f=1", MarkBang, "f"},
                                         MarkCase{"! $ f=1", MarkBang | MarkWatch, "f"},
                                         MarkCase{"$ $a<1", MarkWatch, "a"},
                                         MarkCase{"f=1", 0u, "f"}),
                         NameBy<&MarkCase::text>());

TEST(AnalyseDefinitionTest, CachedValueStateFollowsKind) {
  Context ctx;
  Definition f("f(x)=x");
  Definition note("3=note");
  Definition proc("p>1");
  EXPECT_EQ(f.value.text, "解析前"_sj);
  AnalyseDefinition(ctx, f);
  AnalyseDefinition(ctx, note);
  AnalyseDefinition(ctx, proc);
  EXPECT_EQ(f.value.kind, ValueKind::Undefined);
  EXPECT_EQ(f.value.text, "計算前"_sj);
  EXPECT_EQ(note.value.text, "解析前"_sj);
  EXPECT_EQ(proc.value.text, "解析前"_sj);
}

TEST(AnalyseDefinitionTest, NumbersDescriptionsWithoutNumber) {
  Context ctx;
  Definition first("=first");
  Definition second("=second;x");
  AnalyseDefinition(ctx, first);
  AnalyseDefinition(ctx, second);
  EXPECT_EQ(first.text, "1=first");
  EXPECT_EQ(first.kind, DescriptionKind);
  EXPECT_EQ(first.Name(), "1");
  EXPECT_EQ(second.text, "2=second");
  EXPECT_EQ(ctx.defines.autoNumber, 3);
  // Analysing again does not number again.
  AnalyseDefinition(ctx, first);
  EXPECT_EQ(first.text, "1=first");
  EXPECT_EQ(ctx.defines.autoNumber, 3);
}

TEST(AnalyseDefinitionTest, FlagsAreOnlyEverAdded) {
  Context ctx;
  Definition d("$a<1");
  AnalyseDefinition(ctx, d);
  d.text = "a<2";
  AnalyseDefinition(ctx, d);
  EXPECT_EQ(d.flags, MarkWatch | VariableKind);
}

}  // namespace
}  // namespace zemu
