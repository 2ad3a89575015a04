// The terminal on a pseudo-terminal: Ctrl-C, Ctrl-D, Tab, the assist key and
// the history, as a user types them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "zemu_process.h"

namespace {

using zemu::ScratchFolder;
using zemu_test::PtySession;
using zemu_test::ReadAll;
using zemu_test::U8;

TEST(TerminalKeys, CtrlCAbortsTheRunAndDropsTheTyping) {
  ScratchFolder data;
  PtySession zemu({"XDG_DATA_HOME=" + data.path()});
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send("kept<5\r");
  ASSERT_TRUE(zemu.WaitFor("kept=5"));
  ASSERT_TRUE(zemu.WaitForPrompt());
  // Each line goes into the history at once, before the program ends.
  EXPECT_NE(ReadAll(data.path() + "/zemu/history").find("kept<5"), std::string::npos);
  zemu.Send(".while 1; .block\r");
  ASSERT_TRUE(zemu.WaitFor(".block\r\n"));
  zemu.Send("\x03");
  EXPECT_TRUE(zemu.WaitFor("ABORT: Abort by user.\r\n"));
  EXPECT_TRUE(zemu.WaitForPrompt());
  zemu.Send("123\x03");  // at the prompt: the line is dropped
  EXPECT_TRUE(zemu.WaitFor("^C\r\n")) << zemu.output();
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send("kept*2\r");  // the session is intact
  EXPECT_TRUE(zemu.WaitFor("kept*2=10")) << zemu.output();
  ASSERT_TRUE(zemu.WaitForPrompt());
  EXPECT_EQ(zemu.output().find("123kept"), std::string::npos);
  // Ctrl-D asks about the unsaved sheet; Cancel keeps the program running.
  zemu.Send("\x04");
  ASSERT_TRUE(zemu.WaitForInput("(y/n/c):")) << zemu.output();
  zemu.Send("c\r");
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send("\x04");
  ASSERT_TRUE(zemu.WaitForInput("(y/n/c):")) << zemu.output();
  zemu.Send("n\r");
  EXPECT_EQ(zemu.ExitStatus(), 0) << zemu.output();
}

TEST(TerminalKeys, TabCompletesAndTheAssistKeyExplains) {
  ScratchFolder data;
  PtySession zemu({"XDG_DATA_HOME=" + data.path()});
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send(".se\t");  // one candidate: completed at once
  EXPECT_TRUE(zemu.WaitFor(".set "));
  zemu.Send("ta\tof\t\r");
  EXPECT_TRUE(zemu.WaitFor(".set talk off \r\n")) << zemu.output();
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send("sq\t\t");  // two candidates: the second Tab lists them
  EXPECT_TRUE(zemu.WaitFor("sq   sqrt")) << zemu.output();
  zemu.Send("rt(2\x18?");
  EXPECT_TRUE(zemu.WaitFor(U8(u8"root(),sqrt()は、平方根を返す関数です。"))) << zemu.output();
  zemu.Send(")\r");  // the line typed so far stays and runs
  EXPECT_TRUE(zemu.WaitFor("sqrt(2)=1.4142136")) << zemu.output();
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send(".end\r");
  EXPECT_EQ(zemu.ExitStatus(), 0);
}

TEST(TerminalKeys, TheLineEditorIsLoadedOnlyForATerminalAndIsNotNeeded) {
  ScratchFolder data;
  const std::string home = "XDG_DATA_HOME=" + data.path();
  // LD_DEBUG=files names every library the loader opens.
  const zemu_test::Run piped = zemu_test::RunProgram("--tty", "1+2\n", "LD_DEBUG=files " + home);
  EXPECT_NE(piped.out.find("1+2=3"), std::string::npos) << piped.out;
  EXPECT_EQ(piped.err.find("zemu-edit.so"), std::string::npos) << piped.err;
  {
    PtySession zemu({home, "LD_DEBUG=files"});
    EXPECT_TRUE(zemu.WaitFor("zemu-edit.so [0];  generating link map")) << zemu.output();
  }
  // A program without its module reads plain lines after saying why.
  // (A folder of its own: the data folder gets a "zemu" folder for the history.)
  const std::string build = std::filesystem::path(ZEMU_PROGRAM).parent_path();
  const std::string alone = data.path() + "/alone";
  std::filesystem::create_directory(alone);
  for (const char* file : {"zemu", "zemu.INI", "zemu.ZHP"}) {
    std::filesystem::copy_file(build + "/" + file, alone + "/" + file);
  }
  PtySession bare({home}, alone + "/zemu");
  EXPECT_TRUE(bare.WaitFor(U8(u8"行編集の部品を読み込めないので、行を編集せずに読みます: ")))
      << bare.output();
  ASSERT_TRUE(bare.WaitForPrompt());
  bare.Send("1+2\r");
  EXPECT_TRUE(bare.WaitFor("1+2=3")) << bare.output();
  ASSERT_TRUE(bare.WaitForPrompt());
  bare.Send(".end\r");
  EXPECT_EQ(bare.ExitStatus(), 0) << bare.output();
}

}  // namespace
