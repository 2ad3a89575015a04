// Tests of .do and the .name shorthand: parameters and their substitution,
// stored procedures, procedure files (">" lines, "&" joining, echo, the
// first line that does not end with StatusDone), files that are missing,
// binary or have enormous lines, the file dialog, and endless recursion.
#include "commands/procedures.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "engine/tempvar.h"
#include "host/context.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu {
namespace {

constexpr const char* kStackMessage = "  ERROR: stack memory near to over.\r\n";

// Each test gets a folder of its own for the procedure files it writes.
class ProcedureFiles : public ::testing::Test {
 protected:
  // Writes `bytes` to a file of the folder and returns its path.
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    return scratch_.Write(name, bytes);
  }

  ScratchFolder scratch_;
  const std::string folder_ = scratch_.path();
};

struct Transcript {
  const char* statements;
  const char* console;
};

// The procedures are stored by a statement of their own: a procedure takes
// the rest of its line as its body.
TEST(DoCommand, StoredProcedures) {
  const Transcript cases[] = {
      {".do p \"5\"", "  <5|>"},
      {".p \"5\"", "  <5|>"},
      {".p \"5\" \"6\"", "  <5|6>"},
      {".do p 5", "  <|>"},
      {".do p \"\" \"b\"", "  <|b>"},
      {".do p 'x y' a.b/c:d\\e", "  <x y|a.b/c:d\\e>"},
      {".do p \"a\" \"b\"; 1+2", "  <a|b>1+2=3  "},
      {".do p \"a\"'note; 1+2", "  <a|>1+2=3  "},
      {".name", "  name"},
      {".all \"1\" \"2\" \"3\" \"4\" \"5\" \"6\" \"7\" \"8\" \"9\" \"10\"", "  123456789"},
      {".percent", "  100% %x %"},
      {".stop; 5", "  Error: .xyz is undefined command.\r\n"},
      {".do stop; 5", "  Error: .xyz is undefined command.\r\n"},
      // A block statement acts only inside the procedure's own text.
      {".for i,1,2; .brk; i; .blockend", "  i=1  i=2  "},
      {".if 1; .brk; 1; .else; 2; .blockend; 3", "  1=1  3=3  "},
      {".outer \"v\"", "  [v]"},
  };
  for (const Transcript& t : cases) {
    SCOPED_TRACE(t.statements);
    Context ctx;
    for (const char* definition :
         {"p>\"<%1|%2>\"", "name>\"%0\"", "all>\"%1%2%3%4%5%6%7%8%9\"", "percent>\"100%% %x %",
          "stop>.xyz", "brk>.break", "inner>\"[%1]\"", "outer>.inner %1"}) {
      Execute(ctx, definition);
    }
    ClearConsole(ctx);
    Execute(ctx, t.statements);
    EXPECT_EQ(ScreenText(ctx), t.console);
  }
}

TEST(DoCommand, ProcedureStoresItsParameterAsText) {
  Context ctx;
  Execute(ctx, "p>x<%1*2");
  Execute(ctx, ".do p \"5\"; .p \"6\"");
  EXPECT_EQ(ScreenText(ctx), "  x=10  x=12  ");
}

TEST(DoCommand, LeavesTheCursorAfterTheParameters) {
  Context ctx;
  Execute(ctx, "p>1");
  const char* text = "p \"a\" b; 5";
  const char* p = text;
  DoCommand(ctx, p);
  EXPECT_EQ(p - text, 7);  // after b, on the ";"
}

TEST(DoCommand, QualifiedNameChoosesTheSheet) {
  Context ctx;
  SetSheetName(ctx, CurrentSheet(ctx), "A.ZDF", true);
  Execute(ctx, "p>\"first\"");
  Execute(ctx, ".new");
  Execute(ctx, "p>\"second\"");
  Execute(ctx, ".p; .do \"A.ZDF!p\"; .A.ZDF!p; .do A.ZDF!p");
  EXPECT_EQ(ScreenText(ctx), "  secondfirstfirstfirst");
}

TEST(DoCommand, EndlessRecursionEndsWithTheStackMessage) {
  // "p>.p;.p" calls itself twice per level: only a run that stops as a
  // whole at the reserve ends in reasonable time.
  for (const char* definition :
       {"p>.p", "p>.if 1; .p; .blockend", "p>.do p \"%1x\"", "p>.p;.p", "f(x)=f(x)+f(x)"}) {
    SCOPED_TRACE(definition);
    Context ctx;
    Execute(ctx, definition);
    Execute(ctx, definition[0] == 'p' ? ".p" : "f(1)");
    const std::string console = ScreenText(ctx);
    EXPECT_NE(console.find(kStackMessage), std::string::npos);
    EXPECT_EQ(console.find(kStackMessage), console.rfind(kStackMessage));  // said once
    EXPECT_TRUE(ctx.tempVars.entries.empty());
  }
}

TEST(DoCommand, ProcedureThatDeletesItselfStillRuns) {
  Context ctx;
  Execute(ctx, "p>.delete p; \"done\"");
  Execute(ctx, ".p");
  EXPECT_EQ(ScreenText(ctx), "  done");
  EXPECT_EQ(CurrentSheet(ctx).RowCount(), 2);
}

TEST_F(ProcedureFiles, RunsOnlyTheLinesThatBeginWithGreaterThan) {
  const std::string path = WriteFile(
      "run.ZDF", "[Define]\r\n> a<1\r\n# a note\r\n\r\n>\"x\"\r\n > 9\r\nDGdefine=256\n> b<a+1");
  Context ctx;
  EXPECT_EQ(Execute(ctx, ".do \"" + path + "\"; 5"), StatusDone);
  EXPECT_EQ(ScreenText(ctx), "F a<1\r\n  a=1  \r\nF\"x\"\r\n  x\r\nF b<a+1\r\n  b=2  5=5  ");
}

TEST_F(ProcedureFiles, EchoOffOrLoadingHidesTheLines) {
  const std::string path = WriteFile("quiet.ZDF", "> a<1\r\n");
  struct Case {
    bool echo;
    bool loading;
  };
  for (const Case c : {Case{false, false}, Case{true, true}}) {
    Context ctx;
    ctx.settings.echo = c.echo;
    ctx.loading = c.loading;
    Execute(ctx, ".do \"" + path + "\"");
    EXPECT_EQ(ScreenText(ctx), "  a=1  ");
  }
}

TEST_F(ProcedureFiles, Transcripts) {
  struct FileCase {
    const char* content;
    const char* statements;  // %s stands for the file's path
    const char* console;
  };
  const FileCase cases[] = {
      // A definition typed over two console lines, as a file writes it.
      {"> a<1&\r\n&+2;\r\n", ".set echo off; .do \"%s\"; a", "  a=3  a=3  "},
      {"> a<1&\n&+2&\n&+3\n", ".set echo off; .do \"%s\"", "  a=6  "},
      // The file ends in the middle of a continuation.
      {"> a<1&", ".set echo off; .do \"%s\"", "  a=1  "},
      {"> \"%0|%1|%2\"", ".set echo off; .do \"%s\" \"p\"", "  %s|p|"},
      // The first line that ends otherwise than StatusDone ends the file.
      {"> 1\n> .xyz\n> 2\n", ".set echo off; .do \"%s\"; 9",
       "  1=1  \r\n  Error: .xyz is undefined command.\r\n"},
      {"> 1\n> .blockend\n> 2\n", ".set echo off; .do \"%s\"; 9", "  1=1  9=9  "},
      {"> .for i,1,2; i\n> 3\n", ".set echo off; .do \"%s\"", "  i=1  i=2  3=3  "},
      // A file that runs itself ends when no more files can be opened, or
      // when the stack reserve is reached.
      {"> .do \"%0\"\n", ".set echo off; .do \"%s\"; 9", nullptr},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.content);
    const std::string path = WriteFile("case.ZPJ", c.content);
    auto fill = [&](std::string text) {
      for (std::size_t at; (at = text.find("%s")) != std::string::npos;) text.replace(at, 2, path);
      return text;
    };
    Context ctx;
    Execute(ctx, fill(c.statements));
    if (c.console != nullptr) {
      EXPECT_EQ(ScreenText(ctx), fill(c.console));
    }
  }
}

TEST_F(ProcedureFiles, MissingFileFolderOrDeviceIsReportedAndTheLineGoesOn) {
  mkdir((folder_ + "/sub").c_str(), 0700);
  const std::string fifo = folder_ + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name :
       {folder_ + "/nosuchfile.ZDF", folder_ + "/sub", std::string("/dev/zero"), fifo}) {
    Context ctx;
    EXPECT_EQ(Execute(ctx, ".do \"" + name + "\"; 5"), StatusDone);
    EXPECT_EQ(ScreenText(ctx), "  ERROR: " + name + "を開けません。\n  5=5  "_sj);
  }
}

// 表 and ソ end in the byte of "\", which must not split the word. The
// statement names the file in Shift-JIS; the disk holds the name in UTF-8.
TEST_F(ProcedureFiles, ShiftJisFileNameNeedsNoQuotes) {
  WriteFile("\xE8\xA1\xA8\xE3\x82\xBD.ZDF", "> \"%0\"\n");
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folder_.c_str()), 0);
  Context ctx;
  ctx.settings.echo = false;
  Execute(ctx, ".do \x95\x5c\x83\x5c.ZDF");
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(ScreenText(ctx), "  \x95\x5c\x83\x5c.ZDF");
}

TEST_F(ProcedureFiles, DialogAsksForTheFileWhenNoNameIsGiven) {
  const std::string path = WriteFile("chosen.ZDF", "> 1\n");
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  EXPECT_EQ(Execute(ctx, ".do; 2"), StatusDone);  // cancelled
  EXPECT_EQ(ScreenText(ctx), "  2=2  ");

  ClearConsole(ctx);
  toolkit.openFileNames.push_back(path);
  Execute(ctx, ".do");
  EXPECT_EQ(ScreenText(ctx), "M .do \"" + path + "\"\r\nF 1\r\n  1=1  ");
}

TEST_F(ProcedureFiles, EnormousLinesAreRefusedWhole) {
  // A line far longer than the line buffer is reported and none of its
  // pieces runs; the next line runs normally.
  const std::string path =
      WriteFile("long.ZDF", "> \"" + std::string(3'000'000, 'a') + "\"\r\n> 7\r\n");
  Context ctx;
  ctx.settings.echo = false;
  Execute(ctx, ".do \"" + path + "\"");
  EXPECT_EQ(ScreenText(ctx),
            "  ERROR: " + path + "の1行目は、1999バイトより長いので、実行しません。\r\n  7=7  "_sj);
}

TEST_F(ProcedureFiles, ContinuationPastTheLimitIsRefusedWhole) {
  std::string line = "> \"" + std::string(kLineSize - 5, 'x') + "&";
  ASSERT_EQ(line.size(), kLineSize - 1);
  const std::string path = WriteFile("full.ZDF", line + "\r\n&\"y\"\r\n> 8\r\n");
  Context ctx;
  ctx.settings.echo = false;
  Execute(ctx, ".do \"" + path + "\"");
  EXPECT_EQ(ScreenText(ctx),
            "  ERROR: " + path + "の1行目は、1999バイトより長いので、実行しません。\r\n  8=8  "_sj);
}

// Lines at the line buffer's limit run; longer ones and ones with a NUL byte
// are reported by number and nothing of them runs, not even a tail that
// looks like a statement. Only ">" lines are reported.
TEST_F(ProcedureFiles, LinesAtAndPastTheLimit) {
  const std::string blanks(kLineSize - 6, ' ');  // "> a<7" and these: 1999 bytes
  const std::string tooLong = "  ERROR: %sの1行目は、1999バイトより長いので、実行しません。\r\n"_sj;
  struct LineCase {
    std::string content;
    std::string console;  // %s stands for the file's path
  };
  const LineCase cases[] = {
      {"> a<7" + blanks + "\n> 8", "  a=7  8=8  "},
      {"> a<7" + blanks + ">\n> 8", tooLong + "  8=8  "},
      {"> a<7" + blanks + ">x<5\n> 8", tooLong + "  8=8  "},
      {"> a<7&\n&" + blanks.substr(2) + "\n> 8", "  a=7  8=8  "},
      {"> a<1&\r\n&+2\r\n> " + std::string(kLineSize, 'x') + "\r\n> 8",
       "  a=3  \r\n  ERROR: %sの3行目は、1999バイトより長いので、実行しません。\r\n  8=8  "_sj},
      {std::string("> 1\n> zz<") + '\0' + "2\n> 8",
       "  1=1  \r\n  ERROR: %sの2行目に NUL 文字があるので、実行しません。\r\n  8=8  "_sj},
      {std::string("# ") + '\0' + " note\n" + std::string(kLineSize, '#') + "> 9\n> 8", "  8=8  "},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.content.substr(0, 20));
    const std::string path = WriteFile("limit.ZDF", c.content);
    std::string console = c.console;
    if (std::size_t at = console.find("%s"); at != std::string::npos) console.replace(at, 2, path);
    Context ctx;
    ctx.settings.echo = false;
    Execute(ctx, ".do \"" + path + "\"");
    EXPECT_EQ(ScreenText(ctx), console);
  }
}

TEST_F(ProcedureFiles, BinaryFileDoesNoHarm) {
  std::string bytes;
  unsigned state = 12345;
  for (int i = 0; i < 200'000; ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>(state >> 16);
    if (i % 97 == 0) bytes += "\n>";
  }
  const std::string path = WriteFile("binary.bin", bytes + "\n> 4\n");
  Context ctx;
  Execute(ctx, ".do \"" + path + "\"");
  EXPECT_EQ(ctx.tempVars.Count(), 0);
}

TEST_F(ProcedureFiles, AbortEndsAFile) {
  std::string lines;
  for (int i = 0; i < 100'000; ++i) lines += "> 1\n";
  const std::string path = WriteFile("many.ZDF", lines + "> 99\n");
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  ctx.settings.echo = false;
  // At the first delivery: later ones wait for the clock, and the file may
  // be read before it has moved far enough.
  toolkit.events.push_back([&] { AbortComputation(ctx); });
  Execute(ctx, ".do \"" + path + "\"; 5");
  const std::string console = ScreenText(ctx);
  EXPECT_NE(console.find("  ABORT: Abort by user.\r\n"), std::string::npos);
  EXPECT_EQ(console.find("99=99"), std::string::npos);
  EXPECT_EQ(console.find("5=5"), std::string::npos);
}

}  // namespace
}  // namespace zemu
