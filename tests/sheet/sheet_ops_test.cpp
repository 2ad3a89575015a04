// Tests of the sheet operations: saving and loading round trips, layout keys,
// names and titles, the save dialog and its echo lines, failed saves, the
// close question, the end of the program, and files that are no definition
// files.
#include "sheet/sheet_ops.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "sheet_test_util.h"

namespace zemu {
namespace {

using sheet_test::Execute;
using sheet_test::Exists;
using sheet_test::Program;
using sheet_test::ReadFile;
using sheet_test::WriteFile;

std::vector<std::string> Texts(const TDefine& sheet) {
  std::vector<std::string> texts;
  for (int row = 1; row < sheet.RowCount() - 1; ++row) {
    auto d = DefinitionAt(sheet, row);
    texts.push_back(d ? d->text : "<none>");
  }
  return texts;
}

double Number(Context& ctx, const std::string& formula) {
  const Value v = EvalText(ctx, formula);
  EXPECT_EQ(v.kind, ValueKind::Number) << formula << " -> " << ValueText(ctx, v);
  return v.number;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// ---- Round trips ------------------------------------------------------------

TEST(SheetFiles, SaveAndLoadGiveTheSameDefinitions) {
  ScratchFolder dir;
  std::vector<std::string> saved;
  {
    Program p;
    TDefine& sheet = OpenSheet(p.ctx, "");
    Execute(p.ctx,
            "[km][m]=1000; [μ]]=0.000001; sq(x)=x^2 '平方[m2]; a<3*4; c<a*2 'twice a;"_sj
            "=メモ 100%です; $w(x)=x+1; [℃][K](x)=x+273.15; 表(x)=x*10 'ソ"_sj);
    Execute(p.ctx, "p>b<%1*2");
    saved = Texts(sheet);
    p.toolkit.saveFileNames.push_back(dir / "t");
    EXPECT_EQ(SaveFromMenu(p.ctx, sheet, false), dir / "t.ZDF");
    EXPECT_FALSE(sheet.modified);
    EXPECT_TRUE(sheet.named);
    EXPECT_EQ(sheet.name, dir / "t.ZDF");
    EXPECT_EQ(sheet.title, " ZEMU 定義式 -- "_sj + (dir / "t.ZDF"));
    const std::string screen = ScreenText(p.ctx);
    EXPECT_TRUE(Contains(
        screen, "M .renamefile \"" + (dir / "t") + "\"\r\nM .save \"" + (dir / "t.ZDF") + "\"\r\n"))
        << screen;
  }
  Program q;
  TDefine& loaded = OpenSheet(q.ctx, dir / "t.ZDF");
  EXPECT_EQ(Texts(loaded), saved);
  EXPECT_FALSE(loaded.modified);
  EXPECT_TRUE(loaded.named);
  EXPECT_FALSE(Contains(ScreenText(q.ctx), "ERROR"));
  EXPECT_DOUBLE_EQ(Number(q.ctx, "(2[km])[m]"), 2000);
  EXPECT_DOUBLE_EQ(Number(q.ctx, "(3[μm])[m]"_sj), 0.000003);
  EXPECT_DOUBLE_EQ(Number(q.ctx, "sq(3)"), 9);
  EXPECT_DOUBLE_EQ(Number(q.ctx, "c"), 24);
  EXPECT_DOUBLE_EQ(Number(q.ctx, "(0[℃])[K]"_sj), 273.15);
  EXPECT_DOUBLE_EQ(Number(q.ctx, "表(2)"_sj), 20);
  Execute(q.ctx, ".p \"5\"");
  EXPECT_DOUBLE_EQ(Number(q.ctx, "b"), 10);
}

TEST(SheetFiles, SettingsComeBackFromTheInitialFile) {
  ScratchFolder dir;
  const std::string ini = dir / "START.INI";
  {
    Program p;
    TDefine& sheet = OpenSheet(p.ctx, ini);  // missing: an empty named sheet
    EXPECT_TRUE(sheet.named);
    Execute(p.ctx, ".set name off; .set echo off; .set format \"%8.3f%S\"; .set trace formula;");
    Execute(p.ctx, ".set file to \"" + (dir / "Zemu.log") + "\"");
    ASSERT_TRUE(p.ctx.settings.file);
    EXPECT_EQ(SaveSheet(p.ctx, sheet), ini);
    Execute(p.ctx, ".set file off");
  }
  Program q;
  OpenSheet(q.ctx, ini);
  EXPECT_FALSE(q.ctx.settings.name);
  EXPECT_FALSE(q.ctx.settings.echo);
  EXPECT_EQ(q.ctx.settings.format, "%8.3f%S");
  EXPECT_EQ(q.ctx.settings.trace, TraceLevel::Formula);
  EXPECT_TRUE(q.ctx.settings.file);
  EXPECT_EQ(q.ctx.settings.logFileName, dir / "Zemu.log");
  Execute(q.ctx, ".set file off");
  // The log never became the definition file.
  EXPECT_TRUE(ReadFile(ini).starts_with("=-=-=-= ZEMU Initial Define File =-=-=-=\r\n"));
}

// ---- Layout keys --------------------------------------------------------------

TEST(SheetFiles, LayoutKeysAndTheirDefaults) {
  ScratchFolder dir;
  WriteFile(dir / "l.ZDF",
            "[DefineForm]\r\nTop=10\r\nLeft=abc\r\nHeight=300\r\nWidth=500\r\n"
            "DGtype=50\r\nDGname=60\r\nDGvalue=70\r\nFont=Mono\r\nFontSize=12\r\n[Define]\r\n");
  Program p;
  const SheetLayout& layout = OpenSheet(p.ctx, dir / "l.ZDF").layout;
  EXPECT_EQ(layout.place.top, 10);
  EXPECT_EQ(layout.place.left, kSheetDesignPlace.left);
  EXPECT_EQ(layout.place.height, 300);
  EXPECT_EQ(layout.place.width, 500);
  EXPECT_EQ(layout.columnWidths, (std::array<int, 4>{50, 60, 70, 256}));
  EXPECT_EQ(layout.fontName, "Mono");
  EXPECT_EQ(layout.fontSize, 12);
  EXPECT_TRUE(layout.shown);
  // Saving writes the layout back; the font keys, which only a person
  // writes, stay as they were written.
  const std::string name = SaveSheet(p.ctx, CurrentSheet(p.ctx));
  const std::string text = ReadFile(name);
  EXPECT_TRUE(Contains(text,
                       "[DefineForm]\r\nTop=10\r\nLeft=40\r\nHeight=300\r\nWidth=500\r\n"
                       "DGtype=50\r\nDGname=60\r\nDGvalue=70\r\nDGdefine=256\r\n"
                       "Font=Mono\r\nFontSize=12\r\n[Define]\r\n"));
}

// ---- Names and titles ------------------------------------------------------

TEST(SheetNames, UnnamedSheetsAreCountedFromZero) {
  Program p;
  TDefine& first = OpenSheet(p.ctx, "");
  TDefine& second = OpenSheet(p.ctx, "");
  EXPECT_EQ(first.name, "ZEMU0.ZDF");
  EXPECT_EQ(first.title, " ZEMU 定義式 -- ZEMU0.ZDF"_sj);
  EXPECT_EQ(second.name, "ZEMU1.ZDF");
  EXPECT_FALSE(first.named);
  EXPECT_EQ(first.layout.place.top, kSheetDesignPlace.top + kUnnamedSheetDrop);
  EXPECT_EQ(&CurrentSheet(p.ctx), &second);
  EXPECT_EQ(p.ctx.mainForm.title, "ZEMU 2002 - ZEMU1.ZDF");
  Execute(p.ctx, "x<1");
  EXPECT_EQ(SaveSheet(p.ctx, first), "");  // the dialog was cancelled
  ASSERT_EQ(p.toolkit.offeredNames.size(), 1u);
  EXPECT_EQ(p.toolkit.offeredNames[0], "ZEMU0.ZDF");
  EXPECT_FALSE(Contains(ScreenText(p.ctx), "M .renamefile"));
  EXPECT_TRUE(second.modified);
}

TEST(SheetNames, NewCommandOpensAnUnnamedSheet) {
  Program p;
  OpenSheet(p.ctx, "");
  Execute(p.ctx, ".new; z<1");
  ASSERT_EQ(p.ctx.defines.sheets.size(), 2u);
  const TDefine& made = *p.ctx.defines.sheets[1];
  EXPECT_EQ(&CurrentSheet(p.ctx), &made);
  EXPECT_EQ(made.name, "ZEMU1.ZDF");
  EXPECT_TRUE(made.layout.shown);
  EXPECT_EQ(made.RowCount(), 3);
}

TEST(SheetNames, InitialFileTitleUntilSaved) {
  ScratchFolder dir;
  WriteFile(dir / "START.INI", "[Define]\r\n> k<1\r\n");
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, dir / "START.INI");
  EXPECT_EQ(sheet.title, " ZEMU 初期設定 -- "_sj + (dir / "START.INI"));
  EXPECT_EQ(SaveSheet(p.ctx, sheet), dir / "START.INI");
  EXPECT_EQ(sheet.title, " ZEMU 定義式 -- "_sj + (dir / "START.INI"));
}

TEST(SheetNames, SaveAsCancelledKeepsTheName) {
  ScratchFolder dir;
  WriteFile(dir / "a.ZDF", "> k<1\r\n");
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, dir / "a.ZDF");
  EXPECT_EQ(SaveFromMenu(p.ctx, sheet, true), "");
  EXPECT_TRUE(sheet.named);
  EXPECT_EQ(sheet.name, dir / "a.ZDF");
  p.toolkit.saveFileNames.push_back(dir / "b.zpj");
  EXPECT_EQ(SaveFromMenu(p.ctx, sheet, true), dir / "b.zpj");
  EXPECT_TRUE(ReadFile(dir / "b.zpj").starts_with("=-=-=-= ZEMU Project Define File"));
}

// ---- Failed saves ------------------------------------------------------------

TEST(SheetSave, UnwritableFolderKeepsOldFileAndModifiedFlag) {
  ScratchFolder dir;
  mkdir((dir / "d").c_str(), 0755);
  Program p;
  p.toolkit.saveFileNames.push_back(dir / "d/t.ZDF");
  TDefine& sheet = OpenSheet(p.ctx, "");
  Execute(p.ctx, "a<1");
  ASSERT_EQ(SaveSheet(p.ctx, sheet), dir / "d/t.ZDF");
  const std::string old = ReadFile(dir / "d/t.ZDF");
  Execute(p.ctx, "a<2");
  // The folder is moved away and a file takes its place.
  ASSERT_EQ(rename((dir / "d").c_str(), (dir / "kept").c_str()), 0);
  WriteFile(dir / "d", "");
  sheet_test::ClearConsole(p.ctx);
  EXPECT_EQ(SaveFromMenu(p.ctx, sheet, false), "");
  EXPECT_TRUE(sheet.modified);
  EXPECT_EQ(ReadFile(dir / "kept/t.ZDF"), old);
  const std::string screen = ScreenText(p.ctx);
  EXPECT_TRUE(Contains(screen, "  ERROR: " + (dir / "d/t.ZDF") + "に保存できません。"_sj))
      << screen;
  EXPECT_FALSE(Contains(screen, "M .save"));
  ASSERT_EQ(p.toolkit.messages.size(), 1u);
  EXPECT_TRUE(p.toolkit.messages[0].starts_with("保存できません: "_sj));
}

TEST(SheetSave, FailedFirstSaveLeavesTheSheetUnnamed) {
  ScratchFolder dir;
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, "");
  Execute(p.ctx, "a<1");
  p.toolkit.saveFileNames.push_back(dir / "no/such/folder/t.ZDF");
  EXPECT_EQ(SaveSheet(p.ctx, sheet), "");
  EXPECT_FALSE(sheet.named);
  EXPECT_EQ(sheet.name, "ZEMU0.ZDF");
  EXPECT_TRUE(sheet.modified);
  EXPECT_FALSE(Contains(ScreenText(p.ctx), "M .renamefile"));
}

// ---- The close question --------------------------------------------------------

TEST(SheetClose, Answers) {
  struct Case {
    const char* what;
    bool modified;
    std::vector<Answer> answers;
    const char* dialogName;  // nullptr: the sheet is named; "": dialog cancelled
    bool closed;
    bool saved;
  };
  const Case cases[] = {
      {"unchanged", false, {}, nullptr, true, false},
      {"no", true, {Answer::No}, nullptr, true, false},
      {"cancel", true, {Answer::Cancel}, nullptr, false, false},
      {"yes", true, {Answer::Yes}, nullptr, true, true},
      {"yes, dialog", true, {Answer::Yes}, "new.ZDF", true, true},
      {"yes, dialog cancelled", true, {Answer::Yes}, "", false, false},
      {"yes, unwritable", true, {Answer::Yes}, "missing/x.ZDF", false, false},
  };
  for (const Case& c : cases) {
    ScratchFolder dir;
    Program p;
    const std::string file = dir / "s.ZDF";
    OpenSheet(p.ctx, "");  // the first sheet, which is never removed
    TDefine* sheet = nullptr;
    if (c.dialogName == nullptr) {
      WriteFile(file, "> k<1\r\n");
      sheet = &OpenSheet(p.ctx, file);
    } else {
      sheet = &OpenSheet(p.ctx, "");
      if (*c.dialogName != '\0') p.toolkit.saveFileNames.push_back(dir / c.dialogName);
    }
    if (c.modified) Execute(p.ctx, "k<2");
    const std::string title = sheet->title;
    p.toolkit.answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(CloseSheet(p.ctx, *sheet), c.closed) << c.what;
    EXPECT_EQ(p.ctx.defines.sheets.size(), c.closed ? 1u : 2u) << c.what;
    if (c.modified) {
      ASSERT_EQ(p.toolkit.questions.size(), 1u) << c.what;
      EXPECT_EQ(p.toolkit.questions[0],
                "定義内容の保存...: "_sj + title + "\r\n の定義を保存しますか？"_sj);
    } else {
      EXPECT_TRUE(p.toolkit.questions.empty()) << c.what;
    }
    const std::string written = c.dialogName == nullptr ? file : dir / c.dialogName;
    EXPECT_EQ(Contains(ReadFile(written), "k<2"), c.saved) << c.what;
  }
}

TEST(SheetClose, FirstSheetIsOnlyHidden) {
  Program p;
  TDefine& first = OpenSheet(p.ctx, "");
  OpenSheet(p.ctx, "");
  EXPECT_TRUE(CloseSheet(p.ctx, first));
  EXPECT_EQ(p.ctx.defines.sheets.size(), 2u);
  EXPECT_FALSE(first.layout.shown);
}

TEST(SheetClose, ClosingTheCurrentSheetSelectsThePreviousOne) {
  Program p;
  TDefine& first = OpenSheet(p.ctx, "");
  TDefine& second = OpenSheet(p.ctx, "");
  EXPECT_TRUE(CloseSheet(p.ctx, second));
  EXPECT_EQ(&CurrentSheet(p.ctx), &first);
  EXPECT_EQ(p.ctx.mainForm.title, "ZEMU 2002 - ZEMU0.ZDF");
}

TEST(SheetClose, EndOfProgram) {
  Program p;
  OpenSheet(p.ctx, "");
  TDefine& middle = OpenSheet(p.ctx, "");
  Execute(p.ctx, "m<1");
  TDefine& last = OpenSheet(p.ctx, "");
  Execute(p.ctx, "n<1");
  EXPECT_EQ(UnsavedSheetNames(p.ctx), (std::vector<std::string>{"ZEMU1.ZDF", "ZEMU2.ZDF"}));

  // Cancel on the second question keeps everything.
  p.toolkit.answers = {Answer::No, Answer::Cancel};
  EXPECT_FALSE(CloseAllSheets(p.ctx));
  EXPECT_EQ(p.ctx.defines.sheets.size(), 3u);
  ASSERT_EQ(p.toolkit.questions.size(), 2u);
  EXPECT_TRUE(Contains(p.toolkit.questions[0], last.title));
  EXPECT_TRUE(Contains(p.toolkit.questions[1], middle.title));

  // Yes whose save dialog is cancelled keeps the program running too.
  p.toolkit.answers = {Answer::Yes};
  EXPECT_FALSE(QueryEnd(p.ctx));

  p.toolkit.answers = {Answer::No, Answer::No};
  EXPECT_TRUE(CloseAllSheets(p.ctx));
  EXPECT_EQ(p.ctx.defines.sheets.size(), 1u);
}

TEST(SheetClose, UnsavedSheetsAreReported) {
  Program p;
  OpenSheet(p.ctx, "");
  Execute(p.ctx, "m<1");
  sheet_test::ClearConsole(p.ctx);
  EXPECT_EQ(ReportUnsavedSheets(p.ctx), 1);
  EXPECT_EQ(ScreenText(p.ctx), "  ZEMU0.ZDFの定義は保存されていません。\r\n"_sj);
}

// ---- Forget all, window menu, activation, resize ----------------------------

TEST(SheetWindow, ForgetAllAsksFirst) {
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, "");
  Execute(p.ctx, "v<2; f(x)=x*v; f(1)");
  p.toolkit.answers = {Answer::No};
  ForgetAll(p.ctx, sheet);
  EXPECT_EQ(SheetCellText(sheet, 1, ValueColumn), ValueText(p.ctx, MakeNumber(2)));
  p.toolkit.answers = {Answer::Yes};
  ForgetAll(p.ctx, sheet);
  EXPECT_EQ(SheetCellText(sheet, 1, ValueColumn), "再計算"_sj);
  EXPECT_EQ(SheetCellText(sheet, 2, ValueColumn), "再計算"_sj);
  ASSERT_EQ(p.toolkit.questions.size(), 2u);
  EXPECT_EQ(p.toolkit.questions[0], "Confirmation: Do you want forget all definitions?");
}

TEST(SheetWindow, MenuEntryHidesAndShows) {
  Program p;
  TDefine& first = OpenSheet(p.ctx, "");
  OpenSheet(p.ctx, "");
  ChooseSheetMenuEntry(p.ctx, first);
  EXPECT_FALSE(first.layout.shown);
  ChooseSheetMenuEntry(p.ctx, first);
  EXPECT_TRUE(first.layout.shown);
  EXPECT_EQ(&CurrentSheet(p.ctx), &first);
  EXPECT_EQ(p.ctx.mainForm.title, "ZEMU - ZEMU0.ZDF");
}

TEST(SheetWindow, ActivationSelectsAndEchoes) {
  Program p;
  TDefine& first = OpenSheet(p.ctx, "");
  OpenSheet(p.ctx, "");
  sheet_test::ClearConsole(p.ctx);
  ActivateSheet(p.ctx, first);
  EXPECT_EQ(&CurrentSheet(p.ctx), &first);
  EXPECT_EQ(p.ctx.mainForm.title, "ZEMU 2002 - ZEMU0.ZDF");
  EXPECT_EQ(ScreenText(p.ctx), "M .select ZEMU0.ZDF\r\n");
}

TEST(SheetWindow, ResizeGivesTheDefinitionColumnTheRest) {
  struct Case {
    int width;
    int definitionColumn;
    int windowWidth;
  };
  const Case cases[] = {{600, 376, 600}, {480, 256, 480}, {288, 64, 288}, {100, 64, 288}};
  for (const Case& c : cases) {
    Context ctx;
    TDefine& sheet = CurrentSheet(ctx);
    ResizeSheet(ctx, sheet, c.width, 300);
    EXPECT_EQ(sheet.layout.columnWidths[TextColumn], c.definitionColumn) << c.width;
    EXPECT_EQ(sheet.layout.place.width, c.windowWidth) << c.width;
    EXPECT_EQ(sheet.layout.place.height, 300);
    EXPECT_TRUE(sheet.modified);
  }
}

// ---- Editing in place -----------------------------------------------------------

TEST(SheetEdits, EditedCellsRunAndEmptiedCellsDelete) {
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, "");
  Execute(p.ctx, "f(x)=x*2; g(x)=x+1; h=5");
  p.ctx.runState = RunState::Idle;
  sheet_test::ClearConsole(p.ctx);
  SetEditedCellText(sheet, 1, "f(x)=x*3");
  SetEditedCellText(sheet, 2, "  ");
  ApplySheetEdits(p.ctx, sheet);
  EXPECT_EQ(p.ctx.runState, RunState::Idle);
  const std::string screen = ScreenText(p.ctx);
  EXPECT_TRUE(Contains(screen, "M f(x)=x*3\r\n")) << screen;
  EXPECT_TRUE(Contains(screen, "M .Delete g\r\n")) << screen;
  EXPECT_EQ(Texts(sheet), (std::vector<std::string>{"f(x)=x*3", "h=5"}));
  EXPECT_EQ(SheetCellText(sheet, 1, TextColumn), "f(x)=x*3");
  EXPECT_EQ(SheetCellText(sheet, 2, ValueColumn), "再計算"_sj);
  p.ctx.runState = RunState::Running;
  EXPECT_DOUBLE_EQ(Number(p.ctx, "f(2)"), 6);
}

// ---- Files that are no definition files ------------------------------------------

TEST(SheetLoad, BadFiles) {
  struct Case {
    const char* what;
    std::string content;  // written to the file unless `special` names it
    const char* special;  // "dir", "missing" or a device path
    const char* message;  // expected on the console; nullptr: no ERROR at all
    bool named;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"missing", "", "missing", "を開けません。"_sj, true, {}},
      {"folder", "", "dir", "を開けません。"_sj, false, {}},
      {"device", "", "/dev/zero", "を開けません。"_sj, false, {}},
      {"binary",
       std::string("> a<1\r\n\0\x01\x02> b<2\r\n", 17),
       nullptr,
       "は、テキストファイルではありません。"_sj,
       false,
       {}},
      {"cr only", "> a<1\r> b<2\r", nullptr, "は、改行がCRだけのファイルです。"_sj, false, {}},
      {"lf only", "> a<1\n> b<2\n", nullptr, nullptr, true, {"a<1", "b<2"}},
      {"no line end", "> a<1", nullptr, nullptr, true, {"a<1"}},
      {"long line",
       "> a<1\r\n'" + std::string(5000, 'x') + "\r\n> b<2\r\n",
       nullptr,
       nullptr,
       true,
       {"a<1", "b<2"}},
      // A statement line longer than .do reads is refused whole.
      {"long comment",
       "> c<3 '" + std::string(3000, 'y') + "\r\n> b<2\r\n",
       nullptr,
       "の1行目は、1999バイトより長いので、実行しません。"_sj,
       true,
       {"b<2"}},
  };
  for (const Case& c : cases) {
    ScratchFolder dir;
    std::string name = dir / "f.ZDF";
    if (c.special == nullptr) {
      WriteFile(name, c.content);
    } else if (std::string(c.special) == "dir") {
      mkdir(name.c_str(), 0755);
    } else if (std::string(c.special) != "missing") {
      name = c.special;
    }
    Program p;
    TDefine& sheet = OpenSheet(p.ctx, name);
    const std::string screen = ScreenText(p.ctx);
    if (c.message != nullptr) {
      EXPECT_TRUE(Contains(screen, "  ERROR: " + name + c.message)) << c.what << ": " << screen;
    } else {
      EXPECT_FALSE(Contains(screen, "ERROR")) << c.what << ": " << screen;
    }
    EXPECT_EQ(sheet.named, c.named) << c.what;
    EXPECT_EQ(sheet.name, name) << c.what;
    std::vector<std::string> texts = Texts(sheet);
    for (std::string& text : texts) text = text.substr(0, 3);
    EXPECT_EQ(texts, c.texts) << c.what;
  }
}

TEST(SheetLoad, AFileIsLoadedEvenWhenAProcedureHasItsName) {
  ScratchFolder dir;
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  WriteFile("t.ZDF", "> y<5\r\n");
  Program p;
  Execute(p.ctx, "t>x<99");
  OpenSheet(p.ctx, "t.ZDF");
  const std::string screen = ScreenText(p.ctx);
  EXPECT_EQ(chdir(saved), 0);
  EXPECT_DOUBLE_EQ(Number(p.ctx, "y"), 5);
  EXPECT_EQ(EvalText(p.ctx, "x").kind, ValueKind::Error) << screen;
}

TEST(SheetLoad, LoadingWhileIdleRunsTheStatements) {
  ScratchFolder dir;
  WriteFile(dir / "i.ZDF", "> a<7\r\n");
  Program p;
  p.ctx.runState = RunState::Idle;
  OpenSheet(p.ctx, dir / "i.ZDF");
  EXPECT_EQ(p.ctx.runState, RunState::Idle);
  p.ctx.runState = RunState::Running;
  EXPECT_DOUBLE_EQ(Number(p.ctx, "a"), 7);
}

}  // namespace
}  // namespace zemu
