// The options dialog's actions on a text-model console: the browse dialogs,
// and actions taken while the user is typing at the prompt. The widgets'
// tests (tests/gui/options_dialog_test.cpp) cover the fields and the log.
#include "options/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "host/context.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu {
namespace {

TEST(Options, BrowseDialogs) {
  const ScratchFolder scratch;
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  EXPECT_FALSE(BrowseLogFile(ctx));
  ASSERT_EQ(toolkit.dialogs.size(), 1u);
  const FileDialogRequest& log = toolkit.dialogs[0];
  EXPECT_EQ(log.title + "|" + log.filter + "|" + log.defaultExtension + "|" + log.fileName,
            "ログファイル名の選択|ログファイル(*.log, *.zmr)|*.log;*.zmr|"_sj
            "全てのファイル(*.*)|*.*|zmr|Zemu.log"_sj);
  EXPECT_EQ(ScreenText(ctx), "");  // cancelled: nothing changed

  const std::string dir = scratch.path() + "/";
  toolkit.saveFileNames = {dir + "run"};
  toolkit.openFileNames = {"/opt/my.help/h"};
  EXPECT_TRUE(BrowseLogFile(ctx));
  EXPECT_TRUE(BrowseHelpFile(ctx));
  EXPECT_EQ(toolkit.dialogs[2].defaultExtension, "ZHP");
  EXPECT_EQ(ScreenText(ctx), "M .Set File On to \"" + dir + "run.zmr\"\r\n" +
                                 "M .Set Help to \"/opt/my.help/h.ZHP\"\r\n");
  ClickFile(ctx, false);
}

// An observer that counts the prompts shown: each would raise the main
// window over the dialog.
struct PromptCounter : Observer {
  int prompts = 0;
  void PromptShown() override { ++prompts; }
};

TEST(Options, WhileTypingTheLineLinesGoAboveIt) {
  Context ctx;
  PromptCounter counter;
  ctx.observers.Add(&counter);
  ShowPrompt(ctx);
  TypeText(ctx, "1+2");
  counter.prompts = 0;
  ClickSwitch(ctx, Switch::Name, false);
  ChooseTrace(ctx, TraceLevel::Calc);
  ClickSwitch(ctx, Switch::Echo, false);
  LeaveField(ctx, OptionsField::Format, "%.2F%S");
  EXPECT_EQ(ScreenText(ctx), "M .Set Name Off\r\nM .Set Trace calc\r\n> 1+2");
  EXPECT_EQ(ctx.runState, RunState::Idle);
  EXPECT_EQ(counter.prompts, 0);
  ChooseTrace(ctx, TraceLevel::Off);
  TypeText(ctx, "\r");
  EXPECT_EQ(ScreenText(ctx), "M .Set Name Off\r\nM .Set Trace calc\r\n> 1+2\r\n  3.00\r\n> ");
  ctx.observers.Remove(&counter);
}

// A dialog action taken while typing writes the log when it ends: a full
// disk is reported above the typed line, which stays as it was.
TEST(Options, FullDiskFoundByAnActionWhileTyping) {
  const ScratchFolder scratch;
  Context ctx;
  ctx.settings.logFileName = scratch / "options_full.log";
  ShowPrompt(ctx);
  ClickFile(ctx, true);
  TypeText(ctx, "1+2");
  ctx.files.writeBudget = 0;
  ClickSwitch(ctx, Switch::Name, false);
  EXPECT_FALSE(ctx.settings.file);
  EXPECT_EQ(ScreenText(ctx),
            "M .Set File On to \"" + ctx.settings.logFileName + "\"\r\nM .Set Name Off\r\n" +
                "  ERROR: ログファイル "_sj + ctx.settings.logFileName +
                " に書き込めません。(No space left on device) 記録を止めました。\r\n> 1+2"_sj);
}

}  // namespace
}  // namespace zemu
