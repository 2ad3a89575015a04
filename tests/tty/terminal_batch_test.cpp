// End-to-end runs of the program about the command line, the quiet ways
// (-e, --batch), exit statuses, the watch lines, encodings and the files of
// an installed program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "zemu_process.h"

namespace {

using zemu::ScratchFolder;
using zemu_test::InOrder;
using zemu_test::ReadAll;
using zemu_test::RunProgram;
using zemu_test::U8;

TEST(TerminalBatch, QuietWaysPrintOnlyWhatStatementsPrint) {
  ScratchFolder files;
  const std::string batch = files.Write("calc.txt", "a<2;\n\"ok\";\n  1/0; a*3;\n");
  struct Case {
    std::string arguments;
    std::string input;
    std::string out;
    std::string err;
    int status;
  };
  const Case cases[] = {
      {"-e '(2[km])[m];'", "", "2000[m]\n", "", 0},
      // Each -e is a line; an error has a line of its own and goes to stderr.
      {"-e '1/0; 2;' -e 'x<3; x*2'", "", "ERROR: Divide By 0\n2\n3  6\n",
       "-e:1: ERROR: Divide By 0\n", 1},
      {"--batch " + batch, "", "2\nok\nERROR: Divide By 0\n6\n", batch + ":3: ERROR: Divide By 0\n",
       1},
      {"--batch -", "1+1;\n.xyz;\n", "2\nError: .xyz is undefined command.\n",
       "-:2: Error: .xyz is undefined command.\n", 1},
      {"-e 1 --batch " + files.path() + "/none", "", "1\n",
       "zemu: " + files.path() + U8(u8"/none を開けません。\n"), 1},
      // The end ends the program; nothing after it runs and no sheet is reported.
      {"-e 'y<1; .end' -e 2", "", "1\n", "", 0},
  };
  for (const Case& c : cases) {
    const zemu_test::Run run = RunProgram(c.arguments, c.input);
    EXPECT_EQ(run.out, c.out) << c.arguments;
    EXPECT_EQ(run.err, c.err) << c.arguments;
    EXPECT_EQ(run.status, c.status) << c.arguments;
  }
}

// Errors are the ones the calculator reports, never text that reads like
// one; a pipe shows the console text, the quiet ways only the results.
TEST(TerminalBatch, ErrorsAreReportedOnesNotLookalikes) {
  ScratchFolder files;
  const std::string batch = files.Write("b.txt", "\"Error: no\";\nnosuch;\n");
  const struct {
    std::string arguments;
    std::string input;
    std::string out;  // the end of standard output
    std::string err;
    int status;
  } cases[] = {
      {"-e '\"ERROR: just a text\";'", "", "ERROR: just a text\n", "", 0},
      {"-e 'nosuch;'", "", U8(u8"ERROR: nosuchは、未定義です。\n"),
       U8(u8"-e:1: ERROR: nosuchは、未定義です。\n"), 1},
      {"-e '\"ok\"' -e '.xyz;'", "", "ok\nError: .xyz is undefined command.\n",
       "-e:2: Error: .xyz is undefined command.\n", 1},
      {"--batch " + batch, "", U8(u8"Error: no\nERROR: nosuchは、未定義です。\n"),
       batch + U8(u8":2: ERROR: nosuchは、未定義です。\n"), 1},
      {"--tty", "\"ERROR: x\";\n", "> \"ERROR: x\";\n  ERROR: x\n> ", "", 0},
      // A line continued after a stopped line runs whole.
      {"--tty", ".xyz;\n1+&\n2;\n", "> 1+&\n& 2;\n  1+&\n& 2=3  \n> ", "", 1},
  };
  for (const auto& c : cases) {
    const zemu_test::Run run = RunProgram(c.arguments, c.input);
    EXPECT_TRUE(run.out.ends_with(c.out)) << c.arguments << "\n" << run.out;
    EXPECT_EQ(run.err, c.err) << c.arguments;
    EXPECT_EQ(run.status, c.status) << c.arguments;
  }
}

TEST(TerminalBatch, ShippedInitialFileLoadsCleanlyAndOutputStreams) {
  // Start-up errors would go to standard error in the quiet way.
  const zemu_test::Run start = RunProgram("-e '(1[ha])[a]; (25[degC])[degF]'");
  EXPECT_EQ(start.err, "");
  EXPECT_EQ(start.out, "100[a]  77[degF]\n");
  // Read from a pipe, the unit library the initial file opens is read before
  // the first line runs, a terminal command too.
  const zemu_test::Run sheets = RunProgram("--tty", ":sheets\n");
  EXPECT_NE(sheets.out.find(U8(u8"units.ZDF  定義8")), std::string::npos) << sheets.out;
  // One data line of 200 000 results: passing it on must not cost more
  // for each result as the line grows (that took minutes).
  const auto began = std::chrono::steady_clock::now();
  const zemu_test::Run loop = RunProgram("--tty", "s<0; .for i,1,200000; s<s+i;\n");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  EXPECT_NE(loop.out.find("s=2.00001E10  \n"), std::string::npos)
      << loop.out.substr(loop.out.size() - 100);
  EXPECT_LT(seconds, 30);
}

// Whatever the stack's limit, a runaway recursion meets the reserve: with
// an unlimited stack the guard takes its own bound.
TEST(TerminalBatch, RunawayRecursionStopsWhateverTheStackLimit) {
  for (const char* limit : {"ulimit -s 8192;", "ulimit -s unlimited;"}) {
    const zemu_test::Run run = RunProgram("-e 'f(x)=f(x); f(1); 2'", "", limit);
    EXPECT_NE(run.out.find("ERROR: stack memory near to over."), std::string::npos)
        << limit << run.out;
    EXPECT_EQ(run.out.find("2\n"), std::string::npos) << limit << run.out;
    EXPECT_EQ(run.status, 1) << limit;
  }
}

TEST(TerminalBatch, CommandLineOptions) {
  const zemu_test::Run help = RunProgram("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(
      InOrder(help.out, {U8(u8"使い方: zemu"), "--tty", "-e", "--batch", "--open", "--sjis"}))
      << help.out;
  EXPECT_EQ(RunProgram("-h").out, help.out);
  const zemu_test::Run version = RunProgram("--version");
  EXPECT_TRUE(version.out.starts_with("zemu ")) << version.out;
  for (const char* wrong : {"--bogus", "-x", "--open", "--tty=1"}) {
    const zemu_test::Run run = RunProgram(wrong);
    EXPECT_EQ(run.status, 2) << wrong;
    EXPECT_TRUE(InOrder(run.err, {"zemu: ", U8(u8"使い方: zemu")})) << wrong << run.err;
    EXPECT_EQ(run.out, "") << wrong;
  }
  // Without a display the terminal runs, and says so in one line.
  const zemu_test::Run noDisplay =
      RunProgram("", "1+1;\n", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
  EXPECT_NE(noDisplay.out.find("1+1=2"), std::string::npos) << noDisplay.out;
  EXPECT_EQ(std::count(noDisplay.err.begin(), noDisplay.err.end(), '\n'), 1) << noDisplay.err;
}

TEST(TerminalBatch, OpenOptionAndLoneArgumentHint) {
  ScratchFolder files;
  const std::string sheet = files.Write("u.ZDF", "> uu=7\r\n");
  const zemu_test::Run opened = RunProgram("--tty --open " + sheet, ":sheets\nuu;\n");
  EXPECT_TRUE(InOrder(opened.out, {"u.ZDF", "uu=7"})) << opened.out;
  EXPECT_EQ(opened.out.find("ZEMU0.ZDF"), std::string::npos) << opened.out;  // no empty sheet
  const zemu_test::Run lone = RunProgram("--tty " + sheet, "uu;\n");
  EXPECT_NE(lone.out.find(U8(u8"シートとして開くには --open ") + sheet), std::string::npos)
      << lone.out;
  EXPECT_EQ(lone.out.find("uu=7"), std::string::npos) << lone.out;
}

TEST(TerminalBatch, WatchLinesAndErrorsOnTheirOwnLine) {
  const zemu_test::Run run = RunProgram("--tty", "$w=3*4;\n1/0; 2;\nw<5;\n:watch\n");
  // Shown when it changes, and by :watch (a terminal command has no echo).
  EXPECT_TRUE(InOrder(run.out, {"> $w=3*4;\nW w=12\n> 1/0; 2;\n  =ERROR: Divide By 0\n  2=2  \n",
                                "> w<5;\n  w=5  \nW w=12\n"}))
      << run.out;
  EXPECT_EQ(run.out.find("W w=12", run.out.find("> w<5;")), run.out.rfind("W w=12")) << run.out;
}

// A device that is always full: the log fails at the first prompt, is
// reported once, and the run ends with an error's exit status.
TEST(TerminalBatch, LogOnAFullDeviceIsReportedOnce) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  const zemu_test::Run run = RunProgram("--tty", ".set file to /dev/full\n1+2\n.set file\n");
  EXPECT_EQ(run.status, 1);
  const std::string report =
      U8(u8"  ERROR: ログファイル /dev/full に書き込めません。"
         u8"(No space left on device) 記録を止めました。\n");
  EXPECT_TRUE(InOrder(run.out, {"M .Set File On to \"/dev/full\"\n", report, "> 1+2\n  1+2=3",
                                "  .Set File Off\n"}))
      << run.out;
  EXPECT_EQ(run.out.find("ERROR"), run.out.rfind("ERROR")) << run.out;
}

TEST(TerminalBatch, UnreadableLineNamesTheOptionThatFixesIt) {
  EXPECT_NE(RunProgram("--tty", "\xff;\n").out.find("--sjis"), std::string::npos);
  EXPECT_NE(RunProgram("--sjis", "\x81\x0a;\n").out.find("--utf8"), std::string::npos);
  EXPECT_NE(RunProgram("--sjis", "\"\x95\x5c\";\n").out.find("  \x95\x5c\n"), std::string::npos);
}

TEST(TerminalBatch, Utf8DefinitionAndProcedureFiles) {
  ScratchFolder files;
  const std::string bom = files.Write("bom.ZDF", "\xEF\xBB\xBF" + U8(u8"> 長さ<3\r\n"));
  const std::string plain = files.Write("plain.txt", U8(u8"> \"半角ｶﾅと表\"\n"));
  const std::string latin1 = files.Write("latin1.txt", "> \"caf\xe9\"\n");
  const std::string emoji = files.Write("emoji.txt", U8(u8"> \"😀\"\n"));
  const zemu_test::Run run =
      RunProgram("--tty --open " + bom, ".do \"" + plain + "\"\n.do \"" + latin1 + "\"\n.do \"" +
                                            emoji + "\"\n" + U8(u8"長さ*2;\n:save\n"));
  EXPECT_TRUE(InOrder(run.out, {bom + U8(u8" は UTF-8 で書かれています"), U8(u8"半角ｶﾅと表"),
                                latin1 + U8(u8"は、シフトJISでもUTF-8でもないので"),
                                emoji + U8(u8"は、シフトJISにない文字を含む"), U8(u8"長さ*2=6")}))
      << run.out;
  EXPECT_EQ(run.out.find("  caf"), std::string::npos) << run.out;  // not run
  // Saved in Shift-JIS: 長 is 0x92 0xB7, さ 0x82 0xB3.
  EXPECT_NE(ReadAll(bom).find("> \x92\xb7\x82\xb3<3"), std::string::npos) << ReadAll(bom);
  // A sheet whose file cannot be read keeps no name, so no save overwrites it.
  RunProgram("--tty --open " + latin1, ":save\n");
  EXPECT_EQ(ReadAll(latin1), "> \"caf\xe9\"\n");
}

}  // namespace

namespace {

TEST(TerminalInstall, InstalledProgramFindsItsFilesAndKeepsTheUsersCopy) {
  ScratchFolder root;
  const std::string prefix = root.path() + "/usr";
  const std::string install = std::string(ZEMU_CMAKE) + " --install " + ZEMU_BUILD_DIR +
                              " --prefix " + prefix + " > /dev/null";
  ASSERT_EQ(std::system(install.c_str()), 0);
  for (const char* file : {"bin/zemu", "share/zemu/zemu.INI", "share/zemu/units.ZDF",
                           "share/zemu/zemu.ZHP", "share/applications/zemu.desktop",
                           "share/icons/hicolor/scalable/apps/zemu.svg", "share/man/man1/zemu.1"}) {
    EXPECT_TRUE(std::filesystem::exists(prefix + "/" + file)) << file;
  }
#ifdef ZEMU_WINDOW_MODULE
  // The window module goes where the installed program looks for it.
  EXPECT_TRUE(std::filesystem::exists(prefix + "/" + ZEMU_WINDOW_MODULE)) << ZEMU_WINDOW_MODULE;
#endif
#ifdef ZEMU_EDIT_MODULE
  EXPECT_TRUE(std::filesystem::exists(prefix + "/" + ZEMU_EDIT_MODULE)) << ZEMU_EDIT_MODULE;
#endif
  const std::string program = prefix + "/bin/zemu";
  const std::string environment = "XDG_CONFIG_HOME=" + root.path() + "/config";
  const std::string own = root.path() + "/config/zemu/zemu.INI";
  // The shipped file is read; saving the initial sheet writes the user's copy.
  const zemu_test::Run first = RunProgram(
      "--tty", ".set help\n(1[mile])[km];\n:select 1\nmine=42\n:save 1\n.help menu\n\x1b",
      environment, program);
  EXPECT_TRUE(InOrder(first.out, {prefix + "/share/zemu/zemu.ZHP", "1.609344[km]",
                                  "M .save \"" + own + "\"", U8(u8"ZEMU 目次")}))
      << first.out;
  ASSERT_TRUE(std::filesystem::exists(own));
  // From then on the user's copy is read first; it opens the shipped library.
  const zemu_test::Run second = RunProgram("--tty", "mine;\n(1[nmi])[km];\n", environment, program);
  EXPECT_TRUE(InOrder(second.out, {"mine=42", "1.852[km]"})) << second.out;
  // On a terminal the installed line editor completes.
  zemu_test::PtySession typed({environment, "XDG_DATA_HOME=" + root.path() + "/data"}, program);
  ASSERT_TRUE(typed.WaitForPrompt());
  typed.Send(".se\t");
  EXPECT_TRUE(typed.WaitFor(".set ")) << typed.output();
}

}  // namespace
