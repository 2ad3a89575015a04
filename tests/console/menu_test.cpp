// Menu actions and other output made while the user is typing: the typed
// line stays as typed below what the action writes, and the next Enter runs
// exactly what the user typed.
#include "console/menu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/output.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

class MenuTest : public testing::Test {
 protected:
  MenuTest() {
    ctx_.settings.name = false;
    NewSheet(ctx_);
    ShowPrompt(ctx_);
  }

  std::string File(const std::string& name, const std::string& lines) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << lines;
    return path;
  }
  std::string Screen() const { return ScreenText(ctx_); }
  // What the Screen shows after the text that was there at `mark`.
  std::string Since(std::size_t mark) const { return Screen().substr(mark); }

  ScratchFolder scratch_;
  const std::string dir_ = scratch_.path();
  ScriptedToolkit toolkit_;
  Context ctx_{&toolkit_};
};

// A file opened while the user is typing: its output lands above the typed
// line, which then runs as typed.
TEST_F(MenuTest, OpenWhileTypingKeepsTheTypedLine) {
  const struct {
    const char* lines;
    const char* output;  // what the load prints
  } cases[] = {
      {"> \"hi\";\r\n", "  hi\r\n"},
      {"> b<2;\r\n", "  2  \r\n"},
      {"> .xyz;\r\n", "  Error: .xyz is undefined command.\r\n"},
  };
  for (const auto& c : cases) {
    const std::string path = File("h.ZDF", c.lines);
    const std::size_t mark = Screen().size() - 2;  // before the prompt
    TypeText(ctx_, "1+");
    ASSERT_TRUE(MenuOpen(ctx_, path));
    EXPECT_EQ(Since(mark), c.output + ("M .Open \"" + path + "\"\r\n> 1+")) << c.lines;
    TypeText(ctx_, "1;\r");
    EXPECT_TRUE(Screen().ends_with("> 1+1;\r\n  2  \r\n> ")) << c.lines << Screen();
  }
  // b stayed a variable: the typed line did not join the file's line.
  const char* name = "b";
  const DefinitionRef b = FindDefinition(ctx_, name, 0);
  ASSERT_TRUE(b);
  EXPECT_EQ(DefinitionAt(*b.sheet, b.row)->kind, VariableKind);
}

// Every action of the menus leaves the typed line, caret included, as it was.
TEST_F(MenuTest, EveryActionKeepsTheTypedLine) {
  const std::string procedures = File("p.ZPJ", "> q<5;\r\n");
  const std::string saved = dir_ + "/s.ZDF";
  const std::function<bool(Context&)> actions[] = {
      [](Context& ctx) { return MenuNew(ctx); },
      [&](Context& ctx) { return MenuOpen(ctx, procedures); },
      [&](Context& ctx) { return MenuRunFile(ctx, procedures); },
      [&](Context& ctx) { return MenuSaveAs(ctx, saved); },
      [](Context& ctx) { return MenuSave(ctx); },
      [](Context& ctx) { return SheetMenuForgetAll(ctx, CurrentSheet(ctx), true); },
      [](Context& ctx) { return MenuChooseSheet(ctx, CurrentSheet(ctx)); },
      [](Context& ctx) { return MenuChooseSheet(ctx, *ctx.defines.sheets.back()); },
      [](Context& ctx) { return SheetActivated(ctx, *ctx.defines.sheets.front()); },
      [](Context& ctx) { return SheetMenuClose(ctx, *ctx.defines.sheets.back()); },
      [](Context& ctx) { return MenuHelp(ctx); },
      [](Context& ctx) {
        SetEditedCellText(CurrentSheet(ctx), CurrentSheet(ctx).RowCount() - 1, "w<7");
        return SheetEditsDone(ctx, CurrentSheet(ctx));
      },
  };
  int i = 0;
  for (const auto& action : actions) {
    TypeText(ctx_, "7*6");
    ctx_.console.screen->SetCaret(ctx_.console.screen->Length() - 1);  // before the 6
    ASSERT_TRUE(action(ctx_)) << "action " << i;
    EXPECT_TRUE(Screen().ends_with("\r\n> 7*6")) << "action " << i << ": " << Screen();
    EXPECT_EQ(ctx_.runState, RunState::Idle) << "action " << i;
    TypeText(ctx_, "1");  // lands where the caret was
    TypeText(ctx_, "\r");
    EXPECT_TRUE(Screen().ends_with("> 7*16\r\n  112  \r\n> ")) << "action " << i << Screen();
    ++i;
  }
}

TEST_F(MenuTest, ActionsWaitForTheRunToEnd) {
  BeginRun(ctx_);
  EXPECT_FALSE(MenuNew(ctx_));
  EXPECT_FALSE(SheetEditsDone(ctx_, CurrentSheet(ctx_)));
  EXPECT_FALSE(IsMenuCommandEnabled(ctx_, MenuCommand::EditPaste));
  EXPECT_TRUE(IsMenuCommandEnabled(ctx_, MenuCommand::ComputeAbort));
  EXPECT_TRUE(IsMenuCommandEnabled(ctx_, MenuCommand::SettingsOptions));
  EndRun(ctx_);
  EXPECT_FALSE(IsMenuCommandEnabled(ctx_, MenuCommand::ComputeStop));
  EXPECT_FALSE(IsMenuCommandEnabled(ctx_, MenuCommand::FilePrint));
}

TEST_F(MenuTest, RunningAFileFromTheMenuEchoesItsDoLine) {
  const std::string path = File("p.ZPJ", "> 3;\r\n");
  MenuRunFile(ctx_, path);
  EXPECT_NE(Screen().find("M .do \"" + path + "\"\r\nF 3;\r\n  3  \r\n> "), std::string::npos)
      << Screen();
}

// A line longer than the input-line buffer runs not at all; the message says
// how long a line may be and the typing stays to be shortened.
TEST_F(MenuTest, OverlongLineIsRefused) {
  std::string sum = "1";
  while (sum.size() < kInputLineMax + 10) sum += "+1";
  for (bool afterStop : {false, true}) {
    if (afterStop) TypeText(ctx_, ".xyz;\r");  // a stopped line leaves no prompt
    TypeText(ctx_, sum + "\r");
    const std::string screen = Screen();
    EXPECT_TRUE(screen.ends_with("1999バイト（全角文字は2バイト）までです。\r\n> "_sj + sum))
        << afterStop;
    EXPECT_EQ(screen.find("  " + std::to_string((sum.size() + 1) / 2)), std::string::npos);
    EXPECT_EQ(ctx_.runState, RunState::Idle);
    ClearTypedLine(ctx_);
  }
}

// Input-method text and whole-character deletion never split a character.
TEST_F(MenuTest, TypedTextAndDeletionKeepCharactersWhole) {
  TypeText(ctx_, "\"表ｱ\";"_sj);
  DeleteBackward(ctx_);  // ;
  DeleteBackward(ctx_);  // "
  DeleteBackward(ctx_);  // ｱ (one byte)
  DeleteBackward(ctx_);  // 表 (two bytes, the second one 0x5C)
  EXPECT_EQ(Screen(), "> \"");
  TypeText(ctx_, "ソ\";\r\n"_sj);
  EXPECT_TRUE(Screen().ends_with("> \"ソ\";\r\n  ソ\r\n> "_sj)) << Screen();
}

}  // namespace
}  // namespace zemu
