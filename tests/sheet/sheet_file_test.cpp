// Sheets and their files: every line of a loaded file comes back with the
// next save, in its place, whatever stopped or refused it; and no save goes
// over a file the sheet does not hold without the user's yes.
#include "sheet/sheet_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "sheet/sheet_ops.h"
#include "sheet_test_util.h"

namespace zemu {
namespace {

using sheet_test::Execute;
using sheet_test::Exists;
using sheet_test::Program;
using sheet_test::ReadFile;
using sheet_test::WriteFile;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::size_t EntriesOf(const std::string& folder) {
  std::size_t count = 0;
  if (DIR* listing = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(listing)) {
      if (entry->d_name[0] != '.') ++count;
    }
    closedir(listing);
  }
  return count;
}

// The lines of a saved file between "[Define]" and the next section or the
// closing notice.
std::vector<std::string> DefineLines(const std::string& file) {
  std::vector<std::string> lines;
  std::size_t at = file.find("[Define]\r\n");
  if (at == std::string::npos) return lines;
  for (at += 10; at < file.size();) {
    const std::size_t end = file.find("\r\n", at);
    std::string line = file.substr(at, end - at);
    if (line.starts_with("[") || line.starts_with("ZEMU 2002")) break;
    lines.push_back(line);
    at = end + 2;
  }
  return lines;
}

// Loads `content` as f.ZDF (or `name`), saves it, and gives the saved file.
std::string LoadAndSave(const std::string& content, Program& p, ScratchFolder& dir,
                        const std::string& name = "f.ZDF") {
  WriteFile(dir / name, content);
  TDefine& sheet = OpenSheet(p.ctx, dir / name);
  EXPECT_FALSE(sheet.modified);
  EXPECT_FALSE(SaveSheet(p.ctx, sheet).empty()) << ScreenText(p.ctx);
  return ReadFile(dir / name);
}

std::string Defs(int from, int to) {
  std::string lines;
  for (int i = from; i <= to; ++i)
    lines += "> a" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  return lines;
}

std::vector<std::string> DefLines(int from, int to) {
  std::vector<std::string> lines;
  for (int i = from; i <= to; ++i)
    lines.push_back("> a" + std::to_string(i) + "=" + std::to_string(i));
  return lines;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(SheetFileLines, EveryLineComesBackInItsPlace) {
  const std::string longLine = "> c<3 '" + std::string(3000, 'y');
  const struct {
    const char* what;
    std::string content;
    int rows;
    std::vector<std::string> saved;
  } cases[] = {
      {"a stop on line 4 does not end the loading", Defs(1, 3) + "> .xyz;\r\n" + Defs(4, 11), 11,
       Join(Join(DefLines(1, 3), {"> .xyz;"}), DefLines(4, 11))},
      {".end does not end the program",
       "> a=1\r\n> .end\r\n> b=2\r\n",
       2,
       {"> a=1", "> .end", "> b=2"}},
      {"a line too long to run",
       "> a=1\r\n" + longLine + "\r\n> b=2\r\n",
       2,
       {"> a=1", longLine, "> b=2"}},
      {"comments and blank lines",
       "; note\r\n> a=1\r\n\r\n> b=2\r\n",
       2,
       {"; note", "> a=1", "", "> b=2"}},
      // A row that a kept line makes is made by it again: no line of its own.
      {"statements beside definitions",
       "> a=1; 1+2\r\n> \"hi\"\r\n",
       1,
       {"> a=1; 1+2", "> \"hi\""}},
      {"rows a loop makes",
       "> .for i,1,3; $v<i; .blockend\r\n",
       3,
       {"> .for i,1,3; $v<i; .blockend"}},
      // A row that a kept line defines anew comes again after it, so that
      // the next loading ends with the same definition.
      {"a row defined before and after a kept line",
       "> a=1\r\n> a=2; 1+2\r\n> a=3\r\n",
       1,
       {"> a=3", "> a=2; 1+2", "> a=3"}},
      {"continued lines", "> a<1&\r\n&+2;\r\n> 1+&\r\n&2\r\n", 1, {"> a<3 ", "> 1+&", "&2"}},
      {"a description and a procedure",
       "> =note\r\n> p>.for i,1,2; i;\r\n",
       2,
       {"> =note", "> p>.for i,1,2; i;"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder dir;
    Program p;
    const std::string saved = LoadAndSave(c.content, p, dir);
    EXPECT_EQ(CurrentSheet(p.ctx).RowCount() - 2, c.rows);
    EXPECT_EQ(DefineLines(saved), c.saved) << saved;
    EXPECT_EQ(p.toolkit.exitRequests, 0);
    // Loading what was saved and saving again changes nothing.
    Program again;
    EXPECT_EQ(LoadAndSave(saved, again, dir, "g.ZDF"), saved);
  }
}

TEST(SheetFileLines, LayoutAndSettingsAreWrittenOnce) {
  ScratchFolder dir;
  Program p;
  const std::string saved = LoadAndSave(
      "=-=-=-= ZEMU Initial Define File =-=-=-=\r\n[MainForm]\r\nTop=1\r\nLeft=2\r\nHeight=3\r\n"
      "Width=4\r\nExtra=kept\r\n[DefineForm]\r\nTop=5\r\nFont=Mono\r\n[Define]\r\n> a=1\r\n"
      "[Set Options]\r\n> .Set Echo On\r\n> 1+1\r\nZEMU 2002 for Windows  (C) 2002 "
      "ZEMU開発グループ  "
      "https://zemu.example/\r\n"_sj,
      p, dir, "t.INI");
  for (const char* once : {"[MainForm]", "Extra=kept", "Font=Mono", "[Set Options]",
                           "> .Set Echo On", "> 1+1", "=-=-=-= ZEMU", "https://zemu.example/"}) {
    const std::size_t first = saved.find(once);
    EXPECT_NE(first, std::string::npos) << once << "\n" << saved;
    EXPECT_EQ(saved.find(once, first + 1), std::string::npos) << once << "\n" << saved;
  }
  EXPECT_LT(saved.find("Extra=kept"), saved.find("[DefineForm]"));
}

TEST(SheetFileLines, AnAbortedLoadingKeepsTheLinesItDidNotRun) {
  ScratchFolder dir;
  WriteFile(dir / "f.ZDF", "> a=1\r\n> .while 1; .blockend\r\n> c=3\r\n; end\r\n");
  Program p;
  p.ctx.guard.eventIntervalMs = 0;
  p.toolkit.events.push_back([] {});                             // the check before the first line
  p.toolkit.events.push_back([&] { AbortComputation(p.ctx); });  // inside the loop
  TDefine& sheet = OpenSheet(p.ctx, dir / "f.ZDF");
  EXPECT_TRUE(Contains(ScreenText(p.ctx), "の読み込みを途中で止めました。実行しなかった1行"_sj))
      << ScreenText(p.ctx);
  EXPECT_EQ(sheet.RowCount() - 2, 1);
  ShowPrompt(p.ctx);
  ASSERT_FALSE(SaveSheet(p.ctx, sheet).empty());
  EXPECT_EQ(DefineLines(ReadFile(dir / "f.ZDF")),
            (std::vector<std::string>{"> a=1", "> .while 1; .blockend", "> c=3", "; end"}));
}

// After a kept line that defines a row, the user's later definition of that
// row is what the next loading ends with.
TEST(SheetFileLines, EditsAfterAKeptLineWinAtTheNextLoading) {
  ScratchFolder dir;
  WriteFile(dir / "f.ZDF", "> a=1\r\n> a=2; b=7; 1+2\r\n");
  {
    Program p;
    TDefine& sheet = OpenSheet(p.ctx, dir / "f.ZDF");
    Execute(p.ctx, "a=5; b=8");
    ASSERT_FALSE(SaveSheet(p.ctx, sheet).empty());
  }
  Program p;
  OpenSheet(p.ctx, dir / "f.ZDF");
  EXPECT_EQ(EvalText(p.ctx, "a*10+b").number, 58) << ReadFile(dir / "f.ZDF");
}

TEST(SheetFileLines, KeptLinesFollowTheRowAboveWhenTheirRowGoes) {
  ScratchFolder dir;
  WriteFile(dir / "f.ZDF", "> a=1\r\n> b=2\r\n; about b\r\n> c=3\r\n");
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, dir / "f.ZDF");
  Execute(p.ctx, ".delete b; d=4");
  ASSERT_FALSE(SaveSheet(p.ctx, sheet).empty());
  EXPECT_EQ(DefineLines(ReadFile(dir / "f.ZDF")),
            (std::vector<std::string>{"> a=1", "; about b", "> c=3", "> d=4"}));
}

// A definition edited in the grid too long for a console line is refused and
// stays in its cell: a saved sheet could not read it back.
TEST(SheetFileLines, AnEditTooLongToReadBackStaysInItsCell) {
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, "");
  Execute(p.ctx, "a<1");
  const std::string longText = "b<2 '" + std::string(2500, 'x');
  SetEditedCellText(sheet, 1, longText);
  SetEditedCellText(sheet, 2, "c<3 '" + std::string(2500, 'y'));
  ApplySheetEdits(p.ctx, sheet);
  EXPECT_EQ(sheet.RowCount() - 2, 1);
  EXPECT_EQ(SheetCellText(sheet, 1, TextColumn), longText);
  EXPECT_EQ(SheetCellText(sheet, 2, TextColumn).size(), 2505u);
  EXPECT_TRUE(Contains(ScreenText(p.ctx), "  ERROR: 定義が長すぎるので、実行しません。"_sj));
}

// ---- Saving over a file -------------------------------------------------------

// How the user is reached: nobody (a pipe), or a question answered No or Yes.
enum class Reply { NoOneToAsk, No, Yes };

struct OverwriteCase {
  const char* what;
  std::string concern;  // in the question, or in the error where nobody is asked
};

// Makes the situation of each case for a sheet loaded from (or saved as)
// dir/f.ZDF; the file then holds `before`.
void Prepare(const std::string& what, Program& p, ScratchFolder& dir, std::string& before) {
  const std::string file = dir / "f.ZDF";
  if (what == "refused") {
    before = "> a<1 '\xF0\x9F\x98\x80\r\n";  // UTF-8 with a character Shift-JIS lacks
    WriteFile(file, before);
    OpenSheet(p.ctx, file);
    return;
  }
  before = "> a<1\r\n";
  WriteFile(file, before);
  if (what == "another file") {
    OpenSheet(p.ctx, "");
    Execute(p.ctx, "b<2");
    p.toolkit.saveFileNames.push_back(file);
    return;
  }
  OpenSheet(p.ctx, file);
  Execute(p.ctx, "b<2");
  if (what == "changed since loaded") {
    before = "> a<1\r\n> z<26\r\n";
    WriteFile(file, before);
  } else if (what == "write-protected") {
    chmod(file.c_str(), 0444);
  }
}

TEST(SheetOverwrite, AsksBeforeLosingWhatTheSheetDoesNotHold) {
  const OverwriteCase cases[] = {
      {"refused", "は、読み込めなかったファイルです（シフトJISにない文字を含みます）。"_sj},
      {"another file", "は、既にあります。"_sj},
      {"changed since loaded", "は、読み込んだ後にほかで書き換えられています。"_sj},
      {"write-protected", "は、書き込み禁止になっています。"_sj},
  };
  for (const OverwriteCase& c : cases) {
    for (const Reply reply : {Reply::NoOneToAsk, Reply::No, Reply::Yes}) {
      SCOPED_TRACE(std::string(c.what) + " " + std::to_string(static_cast<int>(reply)));
      ScratchFolder dir;
      Program p;
      std::string before;
      Prepare(c.what, p, dir, before);
      const std::string file = dir / "f.ZDF";
      if (c.what == std::string("refused")) p.toolkit.saveFileNames.push_back(file);
      p.toolkit.canAsk = reply != Reply::NoOneToAsk;
      if (reply == Reply::Yes) p.toolkit.answers.push_back(Answer::Yes);
      ClearConsole(p.ctx);
      // Where nobody can be asked, no dialog can choose the name either: it
      // is given, as a terminal's command gives it.
      const std::string saved = reply == Reply::NoOneToAsk
                                    ? SaveSheetAs(p.ctx, CurrentSheet(p.ctx), file)
                                    : SaveFromMenu(p.ctx, CurrentSheet(p.ctx), false);
      const std::string screen = ScreenText(p.ctx);
      if (reply == Reply::Yes) {
        EXPECT_EQ(saved, file);
        EXPECT_NE(ReadFile(file), before);
        ASSERT_EQ(p.toolkit.questions.size(), 1u);
        EXPECT_TRUE(Contains(p.toolkit.questions[0], file + c.concern)) << p.toolkit.questions[0];
        continue;
      }
      EXPECT_TRUE(saved.empty());
      EXPECT_EQ(ReadFile(file), before);
      EXPECT_TRUE(CurrentSheet(p.ctx).modified || c.what == std::string("refused"));
      if (reply == Reply::NoOneToAsk) {
        EXPECT_TRUE(p.toolkit.questions.empty());
        EXPECT_TRUE(Contains(screen, "  ERROR: " + file + c.concern)) << screen;
        EXPECT_TRUE(Contains(screen, "  ERROR: " + file + "には保存しません。"_sj)) << screen;
      } else {
        EXPECT_EQ(p.toolkit.questions.size(), 1u);
        EXPECT_TRUE(Contains(screen, "  " + file + "には保存しませんでした。"_sj)) << screen;
      }
    }
  }
}

TEST(SheetOverwrite, TheSheetsOwnFileIsSavedWithoutAQuestion) {
  ScratchFolder dir;
  WriteFile(dir / "f.ZDF", "> a<1\r\n");
  Program p;
  p.toolkit.canAsk = false;
  TDefine& sheet = OpenSheet(p.ctx, dir / "f.ZDF");
  for (const char* statement : {"b<2", "c<3"}) {
    Execute(p.ctx, statement);
    ASSERT_FALSE(SaveSheet(p.ctx, sheet).empty()) << ScreenText(p.ctx);
  }
  EXPECT_TRUE(p.toolkit.questions.empty());
  EXPECT_EQ(DefineLines(ReadFile(dir / "f.ZDF")),
            (std::vector<std::string>{"> a<1 ", "> b<2 ", "> c<3 "}));
}

TEST(SheetOverwrite, AProtectedFileKeepsItsModeAndALinkedFileItsLinks) {
  ScratchFolder dir;
  WriteFile(dir / "f.ZDF", "> a<1\r\n");
  ASSERT_EQ(link((dir / "f.ZDF").c_str(), (dir / "other.ZDF").c_str()), 0);
  chmod((dir / "f.ZDF").c_str(), 0444);
  Program p;
  TDefine& sheet = OpenSheet(p.ctx, dir / "f.ZDF");
  Execute(p.ctx, "b<2");
  p.toolkit.answers.push_back(Answer::Yes);
  ASSERT_FALSE(SaveSheet(p.ctx, sheet).empty()) << ScreenText(p.ctx);
  EXPECT_EQ(ReadFile(dir / "other.ZDF"), ReadFile(dir / "f.ZDF"));
  EXPECT_TRUE(Contains(ReadFile(dir / "other.ZDF"), "> b<2 \r\n"));
  struct stat info {};
  ASSERT_EQ(stat((dir / "f.ZDF").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(info.st_nlink, 2u);
}

TEST(SheetOverwrite, AFullDiskLeavesTheOldFileAndNothingElse) {
  for (const bool linked : {false, true}) {
    SCOPED_TRACE(linked ? "linked" : "single");
    ScratchFolder dir;
    WriteFile(dir / "f.ZDF", "> a<1\r\n");
    if (linked) link((dir / "f.ZDF").c_str(), (dir / "g.ZDF").c_str());
    // A save killed between naming its temporary file and renaming it.
    WriteFile(dir / "f.ZDF.zemu-save-999999999-1", "stale");
    Program p;
    TDefine& sheet = OpenSheet(p.ctx, dir / "f.ZDF");
    Execute(p.ctx, "b<" + std::string(4000, '1'));
    p.ctx.files.writeBudget = 100;
    EXPECT_TRUE(SaveSheet(p.ctx, sheet).empty());
    EXPECT_EQ(ReadFile(dir / "f.ZDF"), "> a<1\r\n");
    EXPECT_TRUE(Contains(ScreenText(p.ctx), "(No space left on device)")) << ScreenText(p.ctx);
    EXPECT_TRUE(sheet.modified);
    EXPECT_EQ(Exists(dir / "f.ZDF.zemu-save-999999999-1"), linked);  // removed by a rename save
    EXPECT_EQ(EntriesOf(dir.path()), linked ? 3u : 1u);
  }
}

}  // namespace
}  // namespace zemu
