// Tests of the definition file writer: the exact bytes of the three kinds of
// file, the definition lines and what they read back as, and the safe
// replacement of a file when writing fails.
#include "sheet/file_format.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis_literal.h"
#include "definitions/store.h"
#include "sheet_test_util.h"

namespace zemu {
namespace {

using sheet_test::Execute;
using sheet_test::Exists;
using sheet_test::ReadFile;
using sheet_test::WriteFile;

TEST(FileFormat, KindAndExtension) {
  struct Case {
    const char* name;
    FileKind kind;
    const char* withExtension;
  };
  const Case cases[] = {
      {"t.ZDF", FileKind::Definition, "t.ZDF"},
      {"START.INI", FileKind::Initial, "START.INI"},
      {"start.Ini", FileKind::Initial, "start.Ini"},
      {"p.ZPJ", FileKind::Project, "p.ZPJ"},
      {"p.zpj", FileKind::Project, "p.zpj"},
      {"x", FileKind::Definition, "x.ZDF"},
      {"dir.ini/x", FileKind::Definition, "dir.ini/x.ZDF"},
      {"/a.b/c.ini", FileKind::Initial, "/a.b/c.ini"},
      {"notes.txt", FileKind::Definition, "notes.txt"},
      {"表.ZDF"_sj, FileKind::Definition, "表.ZDF"_sj},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileKindOf(c.name), c.kind) << c.name;
    EXPECT_EQ(WithDefaultExtension(c.name), c.withExtension) << c.name;
  }
}

TEST(FileFormat, DefinitionLines) {
  struct Case {
    const char* text;
    const char* line;
  };
  const Case cases[] = {
      {"f(x)=x^2", "> f(x)=x^2"},
      {"3=text", "> =text"},
      {"  12=note", "> =note"},
      {"   ", ""},
      {"42", "> 42"},
      // Digits that begin a name are the name: only a description's go.
      {"7> .new", "> 7> .new"},
      {" 12x=3", "> 12x=3"},
      {"", ""},
      {"rate=5 '5%1 off", "> rate=5 '5%%1 off"},
      {"a<1+&\r\n& 2", "> a<1+&\r\n& 2"},
      {"a<1+\n2", "> a<1+&\r\n&2"},
      {"a<1+\r2", "> a<1+&\r\n&2"},
      {"x<1 'A&", "> x<1 'A& "},
      {"表=1 'ソ"_sj, "> 表=1 'ソ"_sj},
      // .do reads a lead byte and the '%' after it as one character.
      {"s<\"\xF6%1%\"", "> s<\"\xF6%1%%\""},
  };
  for (const Case& c : cases) EXPECT_EQ(DefinitionLine(c.text), c.line) << c.text;
}

// The sheet of the examples: f(x)=x^2 and a<3.
class WrittenSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    Execute(ctx, "f(x)=x^2; a<3");
    sheet = &CurrentSheet(ctx);
    aText = DefinitionAt(*sheet, 2)->text;
  }
  std::string Define() const { return "[Define]\r\n> f(x)=x^2\r\n> " + aText + "\r\n"; }

  Context ctx;
  TDefine* sheet = nullptr;
  std::string aText;
};

const char* const kDefineForm =
    "[DefineForm]\r\nTop=140\r\nLeft=40\r\nHeight=240\r\nWidth=480\r\n"
    "DGtype=64\r\nDGname=64\r\nDGvalue=64\r\nDGdefine=256\r\n";
const char* const kMainForm = "[MainForm]\r\nTop=101\r\nLeft=368\r\nHeight=260\r\nWidth=604\r\n";
const char* const kNotice =
    "ZEMU 2002 for Windows  (C) 2002 ZEMU開発グループ  https://zemu.example/\r\n"_sj;

TEST_F(WrittenSheet, PlainFile) {
  EXPECT_EQ(DefinitionFileText(ctx, *sheet, FileKind::Definition, "t.ZDF"),
            std::string("=-=-=-= ZEMU Define File =-=-=-=\r\n") + kDefineForm + Define() + kNotice);
}

TEST_F(WrittenSheet, ProjectFile) {
  EXPECT_EQ(DefinitionFileText(ctx, *sheet, FileKind::Project, "p.ZPJ"),
            std::string("=-=-=-= ZEMU Project Define File =-=-=-=\r\n") + kMainForm + kDefineForm +
                Define() + kNotice);
}

TEST_F(WrittenSheet, InitialFileCarriesTheSettings) {
  Execute(ctx, ".set name off; .set format \"%8.3f%S\"");
  ctx.settings.helpFileName = "/opt/zemu/zemu.ZHP";
  EXPECT_EQ(DefinitionFileText(ctx, *sheet, FileKind::Initial, "START.INI"),
            std::string("=-=-=-= ZEMU Initial Define File =-=-=-=\r\n") + kMainForm + kDefineForm +
                Define() +
                "[Set Options]\r\n"
                "> .Set Echo On\r\n"
                "> .Set Epower On\r\n"
                "> .Set File Off\r\n"
                "> .Set Format \"%%8.3f%%S\"\r\n"
                "> .Set Help to \"/opt/zemu/zemu.ZHP\"\r\n"
                "> .Set Name Off\r\n"
                "> .Set Talk On\r\n"
                "> .Set Trace off\r\n"
                "> .Set Watch On\r\n" +
                kNotice);
}

TEST_F(WrittenSheet, LayoutAndDescriptions) {
  Execute(ctx, "=first note; 7=seventh");
  sheet->layout.place = {-5, 0, 300, 500};
  sheet->layout.columnWidths = {40, 80, 90, 300};
  const std::string text = DefinitionFileText(ctx, *sheet, FileKind::Definition, "t.ZDF");
  EXPECT_NE(text.find("[DefineForm]\r\nTop=-5\r\nLeft=0\r\nHeight=300\r\nWidth=500\r\n"
                      "DGtype=40\r\nDGname=80\r\nDGvalue=90\r\nDGdefine=300\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\n> =first note\r\n> =seventh\r\n"), std::string::npos);
}

TEST(FileFormat, EmptySheetKeepsItsSections) {
  Context ctx;
  const std::string text = DefinitionFileText(ctx, CurrentSheet(ctx), FileKind::Definition, "e");
  EXPECT_EQ(text, std::string("=-=-=-= ZEMU Define File =-=-=-=\r\n") + kDefineForm +
                      "[Define]\r\n" + kNotice);
}

TEST(FileFormat, LogFileNeverPointsAtTheWrittenFile) {
  ScratchFolder dir;
  Context ctx;
  const std::string target = dir / "START.INI";
  WriteFile(target, "");
  ctx.settings.logFileName = target;
  ctx.settings.file = true;  // as if logging into the file being written
  const std::string text = DefinitionFileText(ctx, CurrentSheet(ctx), FileKind::Initial, target);
  EXPECT_NE(text.find("> .Set File Off\r\n"), std::string::npos);

  ctx.settings.logFileName = dir / "Zemu.log";
  const std::string other = DefinitionFileText(ctx, CurrentSheet(ctx), FileKind::Initial, target);
  EXPECT_NE(other.find("> .Set File On to \"" + (dir / "Zemu.log") + "\"\r\n"), std::string::npos);
  ctx.settings.file = false;
}

TEST(FileFormat, OverlongDefinitionsAreNamed) {
  Context ctx;
  Execute(ctx, "short=1; long=" + std::string(2100, '1'));
  std::vector<std::string> tooLong;
  DefinitionFileText(ctx, CurrentSheet(ctx), FileKind::Definition, "t.ZDF", &tooLong);
  ASSERT_EQ(tooLong.size(), 1u);
  EXPECT_EQ(tooLong[0], "long");
}

}  // namespace
}  // namespace zemu
