// End-to-end runs of `zemu --tty`: input on standard input, console text on
// standard output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "support/scratch_folder.h"

namespace {

// The terminal speaks UTF-8, while plain literals here are Shift-JIS.
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct RunResult {
  std::string out;
  int status = -1;
};

// Runs the program with `input` on standard input (a file, not a terminal),
// in `folder` when one is given.
RunResult RunZemu(const std::string& input, const std::string& options = "--tty",
                  const std::string& folder = "") {
  const zemu::ScratchFolder scratch;
  const std::string path = scratch.Write("in", input);
  std::string command = std::string(ZEMU_PROGRAM) + " " + options + " < " + path + " 2>&1";
  if (!folder.empty()) command = "cd " + folder + " && " + command;
  RunResult run;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.out.append(buffer, n);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// True when `parts` appear in `text` in this order.
bool InOrder(const std::string& text, std::initializer_list<std::string> parts) {
  std::size_t at = 0;
  for (const std::string& part : parts) {
    at = text.find(part, at);
    if (at == std::string::npos) return false;
    at += part.size();
  }
  return true;
}

TEST(TerminalTest, RunsLinesAsTypedAfterThePrompt) {
  RunResult run = RunZemu("1+2;\n.set;\n.xyz;\n");
  EXPECT_EQ(run.status, 1);  // .xyz reported an error
  EXPECT_TRUE(InOrder(run.out, {"> 1+2;\n", "  1+2=3  \n", "> .set;\n", "  .Set Echo On\n",
                                "> .xyz;\n", "  Error: .xyz is undefined command.\n"}))
      << run.out;
  EXPECT_EQ(run.out.find('\r'), std::string::npos);
}

TEST(TerminalTest, EndsWithThePromptUnlessTheLastLineStopped) {
  EXPECT_TRUE(RunZemu("1;\n").out.ends_with("  1=1  \n> ")) << RunZemu("1;\n").out;
  EXPECT_TRUE(RunZemu(".xyz;\n").out.ends_with("command.\n"));
}

TEST(TerminalTest, ConvertsJapaneseBothWays) {
  RunResult utf8 = RunZemu(U8(u8"\"長さ\";\n"));
  EXPECT_TRUE(InOrder(utf8.out, {U8(u8"> \"長さ\";\n"), U8(u8"  長さ\n")})) << utf8.out;
  // Raw Shift-JIS: 長 is 0x92 0xB7, さ is 0x82 0xB3.
  RunResult sjis = RunZemu("\"\x92\xb7\x82\xb3\";\n", "--tty --sjis");
  EXPECT_TRUE(InOrder(sjis.out, {"  \x92\xb7\x82\xb3\n"})) << sjis.out;
}

TEST(TerminalTest, AmpersandContinuesTheLogicalLine) {
  RunResult run = RunZemu("1+&\n2;\n");
  EXPECT_NE(run.out.find("=3  \n"), std::string::npos) << run.out;
}

TEST(TerminalTest, EndCommandEndsTheProgram) {
  RunResult run = RunZemu(".end;\n1+1;\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.find("1+1"), std::string::npos) << run.out;
}

TEST(TerminalTest, BadInputGivesAMessageNotACrash) {
  const std::string unreadable = U8(u8"ERROR: 入力行に NUL");
  struct {
    std::string input;
    std::string expected;
    int status;  // 1: an error was reported
  } cases[] = {
      {std::string("1+\0"
                   "2;\n",
                   6) +
           "5*5;\n",
       unreadable, 1},
      {"\xff\xfe;\n5*5;\n", unreadable, 1},
      {"\"open quote;\n(1+2;\n5*5;\n", "ERROR: Missing ')'", 1},
      // Refused whole: before, the cut 1999 bytes ran and printed INF.
      {std::string(3 << 20, '1') + ";\n5*5;\n", U8(u8"入力行が長すぎるので、実行しません"), 1},
      {"5*5", "=25", 0},  // no line end at the end of input
  };
  for (const auto& c : cases) {
    RunResult run = RunZemu(c.input);
    EXPECT_NE(run.out.find("=25"), std::string::npos) << run.out.substr(0, 500);
    EXPECT_EQ(run.status, c.status) << c.expected;
    EXPECT_NE(run.out.find(c.expected), std::string::npos) << c.expected << "\n"
                                                           << run.out.substr(0, 500);
  }
}

}  // namespace

namespace {

TEST(TerminalCommandTest, MenuActionsKeepTheirEchoLines) {
  const zemu::ScratchFolder folder;
  const std::string file = folder / "w.ZDF";
  RunResult saved = RunZemu("w<6*7;\n:saveas " + file + "\n:new\n:sheets\n:bogus\n");
  EXPECT_TRUE(InOrder(saved.out, {"M .save \"" + file + "\"\n", "M .New\n", "w.ZDF",
                                  U8(u8"端末コマンド :bogus はありません")}))
      << saved.out;
  // The saved sheet opens again with its definition.
  RunResult opened = RunZemu(":open " + file + "\nw;\n");
  EXPECT_TRUE(InOrder(opened.out, {"M .Open \"" + file + "\"\n", "w=42"})) << opened.out;
}

TEST(TerminalCommandTest, EndOfInputNamesTheUnsavedSheets) {
  for (const char* input : {"x<1;\n", "x<1;\n.end\n"}) {
    RunResult run = RunZemu(input);
    EXPECT_NE(run.out.find(U8(u8"の定義は保存されていません。")), std::string::npos) << run.out;
  }
}

// On a pipe no dialog can name an unnamed sheet: the save says so.
TEST(TerminalCommandTest, SavingAnUnnamedSheetOnAPipeSaysWhyNot) {
  const RunResult run = RunZemu("x<1;\n:save\n");
  EXPECT_NE(run.out.find(U8(u8"には保存先のファイル名が決まっていないので、保存できません。")),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.status, 1);
}

// A name typed in a statement is saved under the same name on disk (UTF-8
// here), and that file opens again by the name given on the command line.
TEST(TerminalCommandTest, JapaneseFileNamesReachTheDiskAsTyped) {
  const zemu::ScratchFolder folder;
  RunZemu("x<17;\n:saveas " + U8(u8"日本語.ZDF") + "\n", "--tty", folder.path());
  std::ifstream saved(folder / U8(u8"日本語.ZDF"));
  EXPECT_TRUE(saved.good());
  const RunResult run = RunZemu("x;\n", "--tty --open " + U8(u8"日本語.ZDF"), folder.path());
  EXPECT_NE(run.out.find("x=17"), std::string::npos) << run.out;
}

}  // namespace

namespace {

TEST(TerminalTest, LongOutputIsPassedOnWhole) {
  // About 54 000 bytes of results on one data line.
  RunResult run = RunZemu(".set name off; .for i,1,6000; 1000000+i; .blockend;\n");
  EXPECT_NE(run.out.find("  1000001  "), std::string::npos);
  EXPECT_NE(run.out.find("1006000  \n> "), std::string::npos)
      << run.out.substr(run.out.size() - 200);
  EXPECT_GT(run.out.size(), 50000u);  // the console itself would keep 30 000
}

}  // namespace
