// The definition store: storing and replacing rows, lookups across sheets,
// deleting, inserting, forgetting and searching.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "define_helpers.h"
#include "support/param_names.h"
#include "support/statements.h"

namespace zemu {
namespace {

using testing_defs::Cell;
using testing_defs::Define;
using testing_defs::TextAt;

// The definition texts of the CurrentSheet, top to bottom.
std::vector<std::string> Texts(Context& ctx) {
  std::vector<std::string> texts;
  TDefine& sheet = CurrentSheet(ctx);
  for (int row = 1; row < sheet.RowCount() - 1; ++row) texts.push_back(TextAt(ctx, row));
  return texts;
}

using Texts_ = std::vector<std::string>;

TEST(StoreDefinitionTest, NewSheetHasHeadingAndEmptyRow) {
  Context ctx;
  TDefine& sheet = CurrentSheet(ctx);
  ASSERT_EQ(sheet.RowCount(), 2);
  EXPECT_EQ(sheet.rows[0].cells[NameColumn], "名前"_sj);
  EXPECT_EQ(DefinitionAt(sheet, 1), nullptr);
  EXPECT_FALSE(sheet.modified);
}

TEST(StoreDefinitionTest, ReplacementKeepsRowAndForgetsOthers) {
  Context ctx;
  Define(ctx, "g(x)=x+1");
  EXPECT_EQ(testing_defs::Eval(ctx, "g(1)"), "2  ");
  Define(ctx, "h=3");
  EXPECT_EQ(testing_defs::Eval(ctx, "h"), "3  ");
  Define(ctx, "f(x)=x*2");
  Define(ctx, "v<7");
  EXPECT_EQ(Define(ctx, "f(x)=x*3"), 3);
  EXPECT_EQ(Texts(ctx), (Texts_{"g(x)=x+1", "h=3", "f(x)=x*3", "v<7 "}));
  EXPECT_EQ(Cell(ctx, 3, ValueColumn), "計算前"_sj);
  EXPECT_EQ(Cell(ctx, 1, ValueColumn), "再計算"_sj);
  EXPECT_EQ(Cell(ctx, 2, ValueColumn), "再計算"_sj);
  EXPECT_EQ(DefinitionAt(CurrentSheet(ctx), 2)->value.text, "再計算"_sj);
  EXPECT_EQ(Cell(ctx, 4, ValueColumn), "7  ");  // variables keep their value
  EXPECT_EQ(Cell(ctx, 3, TypeColumn), "定義式"_sj);
  EXPECT_EQ(Cell(ctx, 4, TypeColumn), "代入式"_sj);
  EXPECT_EQ(Cell(ctx, 3, TextColumn), "f(x)=x*3");
  EXPECT_EQ(Cell(ctx, 3, NameColumn), "f");
}

TEST(StoreDefinitionTest, VariableJoinsFunctionBelowAndLeavesWithIt) {
  Context ctx;
  Define(ctx, "f(x)=x");
  Define(ctx, "g=1");
  EXPECT_EQ(Define(ctx, "f<5"), 2);
  EXPECT_EQ(Texts(ctx), (Texts_{"f(x)=x", "f<5 ", "g=1"}));
  EXPECT_EQ(Define(ctx, "f<6"), 2);  // the variable row is found first
  EXPECT_EQ(Texts(ctx), (Texts_{"f(x)=x", "f<6 ", "g=1"}));
  EXPECT_EQ(Define(ctx, "f(x)=2*x"), 1);
  EXPECT_EQ(Texts(ctx), (Texts_{"f(x)=2*x", "g=1"}));
}

TEST(StoreDefinitionTest, ProcedureTakesBackItsVariableRow) {
  Context ctx;
  Define(ctx, "p>1");
  Define(ctx, "p<2");
  EXPECT_EQ(Texts(ctx), (Texts_{"p>1", "p<2 "}));
  EXPECT_EQ(Define(ctx, "p>3"), 1);
  EXPECT_EQ(Texts(ctx), (Texts_{"p>3"}));
}

TEST(StoreDefinitionTest, VariableReplacesLoneVariable) {
  Context ctx;
  Define(ctx, "a<1");
  Define(ctx, "b<1");
  EXPECT_EQ(Define(ctx, "a<2"), 1);
  EXPECT_EQ(Texts(ctx), (Texts_{"a<2 ", "b<1 "}));
}

TEST(StoreDefinitionTest, MarkedTextAlwaysGetsNewRow) {
  Context ctx;
  Define(ctx, "f(x)=x*2");
  EXPECT_EQ(Define(ctx, "$f(x)=x"), 2);
  EXPECT_EQ(testing_defs::Eval(ctx, "f(3)"), "3  ");
  std::shared_ptr<Definition> watched = DefinitionAt(CurrentSheet(ctx), 2);
  EXPECT_NE(watched->flags & MarkWatch, 0u);
  EXPECT_EQ(Cell(ctx, 2, NameColumn), "f");
}

TEST(StoreDefinitionTest, VariableTextHoldsFullPrecisionValue) {
  Context ctx;
  Define(ctx, "a<1/3");
  EXPECT_EQ(TextAt(ctx, 1), "a<0.33333333333333331 ");
  Define(ctx, "$b<2*a");
  EXPECT_EQ(TextAt(ctx, 2), "b<0.66666666666666663 ");  // marks are not kept
}

TEST(StoreDefinitionTest, CommentsAreCarriedOver) {
  Context ctx;
  Define(ctx, "f(x)=x 'double[m]");
  Define(ctx, "f(x)=2*x");
  EXPECT_EQ(TextAt(ctx, 1), "f(x)=2*x    'double[m]");
  EXPECT_EQ(DefinitionAt(CurrentSheet(ctx), 1)->Unit(), "[m]");
  Define(ctx, "f(x)=3*x 'triple");
  EXPECT_EQ(TextAt(ctx, 1), "f(x)=3*x 'triple");
  Define(ctx, "a<1 'count");
  EXPECT_EQ(TextAt(ctx, 2), "a<1     'count");
  Define(ctx, "a<2");
  EXPECT_EQ(TextAt(ctx, 2), "a<2     'count");
}

TEST(StoreDefinitionTest, SetsModifiedAndWatchRefresh) {
  Context ctx;
  TDefine& sheet = CurrentSheet(ctx);
  EXPECT_FALSE(ctx.defines.watchRefreshNeeded);
  Define(ctx, "=a note");
  EXPECT_TRUE(sheet.modified);
  EXPECT_TRUE(ctx.defines.watchRefreshNeeded);
  EXPECT_EQ(Cell(ctx, 1, TypeColumn), "説明"_sj);
  EXPECT_EQ(Cell(ctx, 1, NameColumn), "1");
  EXPECT_EQ(Cell(ctx, 1, ValueColumn),
            ValueText(ctx, MakeTagged(ValueKind::Undefined, "解析前"_sj)));
}

struct FindRowCase {
  const char* probe;
  int row;  // -1: no match
};

class FindRowTest : public testing::TestWithParam<FindRowCase> {};

TEST_P(FindRowTest, MatchesWholeNamesBottomUp) {
  Context ctx;
  // Rows: 1 a=1, 2 a<5 (a variable goes below its function), 3 abc=2, 4 [km][m]=1000.
  Define(ctx, "a=1");
  Define(ctx, "abc=2");
  Define(ctx, "[km][m]=1000");
  Define(ctx, "a<5");
  const char* probe = GetParam().probe;
  EXPECT_EQ(FindRow(ctx, CurrentSheet(ctx), probe, 0), GetParam().row) << GetParam().probe;
}

INSTANTIATE_TEST_SUITE_P(Probes, FindRowTest,
                         testing::Values(FindRowCase{"a+1", 2}, FindRowCase{"ab", -1},
                                         FindRowCase{"abc", 3}, FindRowCase{"abcd", -1},
                                         FindRowCase{"a", 2}, FindRowCase{"[km][m]=5", 4},
                                         FindRowCase{"a?c", 3}, FindRowCase{"x", -1},
                                         FindRowCase{"$a", -1}),
                         NameBy<&FindRowCase::probe>());

TEST(FindRowTest, FiltersByKindAndSkipsBlanks) {
  Context ctx;
  Define(ctx, "p>1");
  Define(ctx, "p<2");
  TDefine& sheet = CurrentSheet(ctx);
  const char* probe = "p  x";
  EXPECT_EQ(FindRow(ctx, sheet, probe, ProcedureKind), 1);
  EXPECT_STREQ(probe, "p  x");  // the name is not consumed
  EXPECT_EQ(FindRow(ctx, sheet, probe, 0), 2);
  EXPECT_EQ(FindRow(ctx, sheet, probe, FunctionKind), -1);
  const char* blanks = "  p";
  FindRow(ctx, sheet, blanks, 0);
  EXPECT_STREQ(blanks, "p");
}

TEST(FindRowTest, RowWithoutNameIsNeverFound) {
  Context ctx;
  Define(ctx, "[km][m]=1000");
  Define(ctx, "$=7");  // a function with an empty name
  ASSERT_EQ(Cell(ctx, 2, NameColumn), "");
  const char* probe = "[km][m]";
  EXPECT_EQ(FindRow(ctx, CurrentSheet(ctx), probe, 0), 1);
  EXPECT_EQ(Define(ctx, "[cm][m]=0.01"), 3);
}

TEST(FindDefinitionTest, NewestSheetFirstAndQualified) {
  Context ctx;
  TDefine& first = AddSheet(ctx, "one.ZDF");
  Define(ctx, "g=1");
  TDefine& second = AddSheet(ctx, "two");
  Define(ctx, "g=2");
  AddSheet(ctx, "three");
  EXPECT_EQ(testing_defs::Eval(ctx, "g"), "2  ");
  EXPECT_EQ(testing_defs::Eval(ctx, "two!g+1"), "3  ");

  const char* text = "one.ZDF!g+1";
  DefinitionRef ref = FindDefinition(ctx, text, 0);
  EXPECT_EQ(ref.sheet, &first);
  EXPECT_EQ(ref.row, 1);
  EXPECT_STREQ(text, "g+1");

  const char* qualified = "two!g";
  EXPECT_EQ(FindDefinition(ctx, qualified, 0).sheet, &second);
  const char* unknown = "three!g";
  EXPECT_FALSE(FindDefinition(ctx, unknown, 0));
  const char* missing = "h";
  EXPECT_FALSE(FindDefinition(ctx, missing, 0));
  const char* proc = "g";
  EXPECT_FALSE(FindDefinition(ctx, proc, ProcedureKind));
}

TEST(RowEditTest, DeleteAndInsertMoveRows) {
  Context ctx;
  Define(ctx, "a=1");
  Define(ctx, "b=2");
  Define(ctx, "c=3");
  TDefine& sheet = CurrentSheet(ctx);
  sheet.modified = false;
  DeleteRow(ctx, sheet, 2);
  EXPECT_TRUE(sheet.modified);
  EXPECT_EQ(Texts(ctx), (Texts_{"a=1", "c=3"}));
  EXPECT_EQ(Cell(ctx, 2, NameColumn), "c");
  InsertRow(ctx, sheet, 1);
  EXPECT_EQ(sheet.RowCount(), 5);
  EXPECT_EQ(DefinitionAt(sheet, 1), nullptr);
  EXPECT_EQ(Cell(ctx, 2, NameColumn), "a");
  EXPECT_EQ(testing_defs::Eval(ctx, "c"), "3  ");  // the empty row is skipped
  // Outside the definition rows nothing happens.
  for (int row : {-1, 0, 4, 5, 99}) DeleteRow(ctx, sheet, row);
  for (int row : {-1, 0, 5, 99}) InsertRow(ctx, sheet, row);
  EXPECT_EQ(sheet.RowCount(), 5);
  EXPECT_EQ(sheet.rows[0].cells[NameColumn], "名前"_sj);
  InsertRow(ctx, sheet, 4);  // just above the empty last row
  EXPECT_EQ(sheet.RowCount(), 6);
  EXPECT_EQ(DefinitionAt(sheet, 5), nullptr);
}

TEST(ForgetValuesTest, VariablesOnlyWhenAsked) {
  Context ctx;
  Define(ctx, "f=2");
  Define(ctx, "a<1");
  testing_defs::Eval(ctx, "f");
  TDefine& sheet = CurrentSheet(ctx);
  ctx.settings.trace = TraceLevel::Command;
  ForgetValues(ctx, sheet, false);
  EXPECT_EQ(Cell(ctx, 1, ValueColumn), "再計算"_sj);
  EXPECT_EQ(Cell(ctx, 2, ValueColumn), "1  ");
  ForgetValues(ctx, sheet, true);
  EXPECT_EQ(Cell(ctx, 2, ValueColumn), "再計算"_sj);
  EXPECT_NE(ScreenText(ctx).find("FORGET(0)"), std::string::npos);
  EXPECT_NE(ScreenText(ctx).find("FORGET(1)"), std::string::npos);
  // Using the variable evaluates its stored text to the same value again.
  ctx.settings.trace = TraceLevel::Off;
  EXPECT_EQ(testing_defs::Eval(ctx, "a"), "1  ");
  EXPECT_EQ(TextAt(ctx, 2), "a<1 ");
  EXPECT_EQ(Cell(ctx, 2, ValueColumn), "1  ");
}

TEST(SearchRowsTest, YieldsMatchingRowsTopToBottom) {
  Context ctx;
  Define(ctx, "$f(x)=x");
  Define(ctx, "g=1");
  Define(ctx, "$h=2");
  Define(ctx, "ab=3");
  TDefine& sheet = CurrentSheet(ctx);
  std::vector<int> rows;
  for (int row = SearchRows(ctx, sheet, "#", MarkWatch); row > 0; row = SearchNext(ctx, sheet)) {
    rows.push_back(row);
  }
  EXPECT_EQ(rows, (std::vector<int>{1, 3}));
  EXPECT_EQ(SearchNext(ctx, sheet), -1);  // the search has ended

  rows.clear();
  for (int row = SearchRows(ctx, sheet, "a#", kAnyFlags); row > 0; row = SearchNext(ctx, sheet)) {
    rows.push_back(row);
  }
  EXPECT_EQ(rows, (std::vector<int>{4}));
  EXPECT_EQ(SearchRows(ctx, sheet, "#", ProcedureKind), -1);
}

TEST(SearchRowsTest, TracesAtSystemLevel) {
  Context ctx;
  Define(ctx, "g=1");
  ctx.settings.trace = TraceLevel::System;
  TDefine& sheet = CurrentSheet(ctx);
  SearchRows(ctx, sheet, "g", kAnyFlags);
  SearchNext(ctx, sheet);
  EXPECT_NE(ScreenText(ctx).find("SEARCH(g)=1"), std::string::npos);
  EXPECT_NE(ScreenText(ctx).find("SEARCH(g)=-1"), std::string::npos);
}

TEST(SheetTest, NewSheetsAreNumberedAndTitled) {
  Context ctx;
  TDefine& first = NewSheet(ctx);
  TDefine& second = NewSheet(ctx);
  EXPECT_EQ(first.name, "ZEMU0.ZDF");
  EXPECT_EQ(first.title, " ZEMU 定義式 -- ZEMU0.ZDF"_sj);
  EXPECT_FALSE(first.named);
  EXPECT_EQ(second.name, "ZEMU1.ZDF");
  EXPECT_EQ(&CurrentSheet(ctx), &second);
  EXPECT_EQ(SheetTitle("C:\\zemu\\START.Ini"), " ZEMU 初期設定 -- C:\\zemu\\START.Ini"_sj);
  EXPECT_EQ(SheetTitle("ini"), " ZEMU 定義式 -- ini"_sj);
  EXPECT_EQ(SheetTitle("a.ZDF"), " ZEMU 定義式 -- a.ZDF"_sj);
}

TEST(SheetTest, RemovingCurrentSheetSelectsPrevious) {
  Context ctx;
  TDefine& first = AddSheet(ctx, "a.ZDF");
  AddSheet(ctx, "b.ZDF");
  TDefine& third = AddSheet(ctx, "c.ZDF");
  Define(ctx, "g=3");
  EXPECT_FALSE(RemoveSheet(ctx, 0));
  EXPECT_FALSE(RemoveSheet(ctx, 3));
  SelectSheet(ctx, first);
  EXPECT_TRUE(RemoveSheet(ctx, 2));  // not current: the current stays
  EXPECT_EQ(&CurrentSheet(ctx), &first);
  EXPECT_EQ(testing_defs::Eval(ctx, "g"), "ERROR: gは、未定義です。"_sj);
  (void)third;
  TDefine& second = *ctx.defines.sheets[1];
  SelectSheet(ctx, second);
  EXPECT_TRUE(RemoveSheet(ctx, 1));
  EXPECT_EQ(&CurrentSheet(ctx), &first);
  EXPECT_EQ(ctx.defines.sheets.size(), 1u);
}

// FindRow as a scan of every row from the bottom, for comparison.
int ScannedRow(TDefine& sheet, const char* probe, int kind) {
  for (int row = sheet.RowCount() - 2; row >= 1; --row) {
    const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
    if (!r.definition || r.cells[NameColumn].empty()) continue;
    if (kind != 0 && r.definition->kind != kind) continue;
    if (MatchName(probe, r.cells[NameColumn].c_str())) return row;
  }
  return -1;
}

// The name index finds what a scan of all rows finds, for names and probes
// made of name characters, wildcards, brackets and Shift-JIS characters
// whose trail byte is "\", "|" or "?" (and a lead byte alone), as rows are
// added, replaced, inserted and deleted.
TEST(FindRowTest, IndexAgreesWithScanningEveryRow) {
  const std::string pieces[] = {"a", "b",        "1",        "?",    "#",    "[",
                                "]", "\x81\x5C", "\x95\x7C", "\x81", "\x81?"};
  const std::string tails[] = {"", "+1", "<2", "(x)", "?", "#", "\x81"};
  std::mt19937 random(11);
  auto name = [&](int most) {
    std::string text;
    for (int n = static_cast<int>(random() % static_cast<unsigned>(most + 1)); n > 0; --n) {
      text += pieces[random() % std::size(pieces)];
    }
    return text;
  };
  Context ctx;
  TDefine& sheet = CurrentSheet(ctx);
  for (int round = 0; round < 30; ++round) {
    const int row = 1 + static_cast<int>(random() % static_cast<unsigned>(sheet.RowCount() - 1));
    switch (random() % 4) {
      case 0: {  // a row with any name, as a loaded file may hold
        InsertRow(ctx, sheet, row);
        SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
        r.definition = std::make_shared<Definition>("x=1");
        AnalyseDefinition(ctx, *r.definition);
        if (random() % 2 == 0) r.definition->kind = VariableKind;
        r.cells[NameColumn] = name(3);
        break;
      }
      case 1:
        DeleteRow(ctx, sheet, row);
        break;
      default:
        testing_defs::Define(ctx, "a" + name(2).substr(0, 1) + (random() % 2 ? "<1" : "=2"));
        break;
    }
    for (int probe = 0; probe < 200; ++probe) {
      const std::string text = name(3) + tails[random() % std::size(tails)];
      // Kind 0 twice: the second answer may come from the sheet's memo.
      for (int kind : {0, 0, static_cast<int>(VariableKind)}) {
        const char* cursor = text.c_str();
        ASSERT_EQ(FindRow(ctx, sheet, cursor, kind), ScannedRow(sheet, text.c_str(), kind))
            << "round " << round << " probe " << text << " kind " << kind;
      }
      // Twice: the second answer may come from the lookup memo.
      for (int pass = 0; pass < 2; ++pass) {
        const char* cursor = text.c_str();
        ASSERT_EQ(FindDefinition(ctx, cursor, 0).row, ScannedRow(sheet, text.c_str(), 0))
            << "round " << round << " probe " << text << " pass " << pass;
      }
    }
  }
}

// Texts and value cells made when they are read: after a loop of
// assignments, after a Format change and after forgetting.
TEST(StoreDefinitionTest, TextsReadAfterLoopsAreThoseOfEveryStore) {
  Context ctx;
  ctx.settings.talk = false;
  Execute(ctx, "s<0 'sum[m]; .for i,1,100; s<s+i; .blockend; t<1/3; f(x)=x*2; f(1)");
  TDefine& sheet = CurrentSheet(ctx);
  EXPECT_EQ(TextAt(ctx, 1), "s<5050[m]     'sum[m]");
  EXPECT_EQ(Cell(ctx, 1, TextColumn), "s<5050[m]     'sum[m]");
  EXPECT_EQ(Cell(ctx, 2, TextColumn), "t<0.33333333333333331 ");
  EXPECT_EQ(Cell(ctx, 2, ValueColumn), "0.33333333  ");
  Execute(ctx, ".set format \"%.3f%S|\"");
  // A cell keeps the Format it was shown in until its value is shown again.
  EXPECT_EQ(Cell(ctx, 1, ValueColumn), "5050[m]  ");
  Execute(ctx, "s; t<t*3");
  EXPECT_EQ(Cell(ctx, 1, ValueColumn), "5050.000[m]|");
  EXPECT_EQ(Cell(ctx, 2, ValueColumn), "1.000|");
  EXPECT_EQ(TextAt(ctx, 2), "t<1 ");
  EXPECT_EQ(Cell(ctx, 3, ValueColumn), "再計算"_sj);  // forgotten by the stores
  // A definition held while its row is replaced is forgotten with the
  // sheet before it leaves, and not after.
  std::shared_ptr<Definition> old = DefinitionAt(sheet, 3);
  Execute(ctx, "f(1); f(x)=x*3");
  EXPECT_EQ(old->value.text, "再計算"_sj);
  old->SetValue(MakeNumber(4));
  Execute(ctx, "g=1; g(x)=2");
  ForgetValues(ctx, sheet, true);
  EXPECT_EQ(Cell(ctx, 1, ValueColumn), "再計算"_sj);
  EXPECT_EQ(DefinitionAt(sheet, 2)->value.text, "再計算"_sj);
  EXPECT_EQ(old->value.number, 4);
  EXPECT_EQ(testing_defs::Eval(ctx, "t+s"), "5051.000[m]|");
  EXPECT_EQ(Cell(ctx, 2, TextColumn), "t<1 ");
  // Reading a value shown already still puts the row's own text back.
  SetEditedCellText(sheet, 2, "t<7");
  EXPECT_EQ(testing_defs::Eval(ctx, "t"), "1.000|");
  EXPECT_EQ(Cell(ctx, 2, TextColumn), "t<1 ");
}

// A name's row list against a sorted vector, as it fills its inside slots,
// moves to the heap and empties again; erasing a row it lacks changes nothing.
TEST(RowListTest, StaysSortedAcrossItsInsideSlots) {
  std::mt19937 random(5);
  RowList list;
  std::vector<int> model;
  for (int step = 0; step < 400; ++step) {
    const int row = static_cast<int>(random() % 8);
    const bool add = step % 100 < 60 ? random() % 3 != 0 : random() % 3 == 0;
    if (add) {
      list.Insert(row);
      model.insert(std::upper_bound(model.begin(), model.end(), row), row);
    } else {
      list.Erase(row);
      if (auto at = std::find(model.begin(), model.end(), row); at != model.end()) model.erase(at);
    }
    ASSERT_EQ(std::vector<int>(list.begin(), list.end()), model) << "step " << step;
    ASSERT_EQ(list.empty(), model.empty());
  }
}

}  // namespace
}  // namespace zemu
