// Tests of start-up: the console transcript from the banner to the first
// prompt, the initial definition file's keys and statements, the rule of
// three command-line arguments, the failure cases, and the shipped initial
// definition file.
#include "console/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "host/layout.h"
#include "sheet_test_util.h"

namespace zemu {
namespace {

using sheet_test::Program;
using sheet_test::WriteFile;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A program installed as <dir>/zemu, its initial file <dir>/zemu.INI.
StartupOptions Installed(const ScratchFolder& dir, std::vector<std::string> arguments = {}) {
  StartupOptions options;
  options.programPath = dir / "zemu";
  options.arguments = std::move(arguments);
  return options;
}

TEST(Startup, TranscriptFromBannerToPrompt) {
  ScratchFolder dir;
  WriteFile(dir / "zemu.INI",
            "=-=-=-= ZEMU Initial Define File =-=-=-=\r\n[Define]\r\n> \"loaded\"\r\n"
            "> f(x)=x*2\r\n[Set Options]\r\n");
  Program p;
  InitialDefines(p.ctx, Installed(dir));
  EXPECT_EQ(ScreenText(p.ctx), std::string(kBanner) + "  loaded\r\n> ");
  EXPECT_EQ(p.ctx.runState, RunState::Idle);
  EXPECT_EQ(p.toolkit.assistTimer, 10000);
  EXPECT_EQ(p.ctx.settings.helpFileName, dir / "zemu.ZHP");
  ASSERT_EQ(p.ctx.defines.sheets.size(), 2u);
  const TDefine& initial = *p.ctx.defines.sheets[0];
  EXPECT_EQ(initial.name, dir / "zemu.INI");
  EXPECT_EQ(initial.title, " ZEMU 初期設定 -- "_sj + (dir / "zemu.INI"));
  EXPECT_EQ(initial.RowCount(), 3);
  EXPECT_FALSE(initial.modified);
  EXPECT_EQ(CurrentSheet(p.ctx).name, "ZEMU0.ZDF");
}

TEST(Startup, MainFormKeys) {
  struct Case {
    const char* keys;
    WindowPlace place;
  };
  const Case cases[] = {
      {"Top=0\r\nLeft=0\r\nHeight=300\r\nWidth=500\r\n", {0, 0, 300, 500}},
      {"Top=abc\r\nLeft=7\r\n", {101, 7, 260, 604}},
      {"", {101, 368, 260, 604}},
  };
  for (const Case& c : cases) {
    ScratchFolder dir;
    WriteFile(dir / "zemu.INI",
              std::string("[MainForm]\r\n") + c.keys + "[DefineForm]\r\nTop=9\r\n");
    Program p;
    InitialDefines(p.ctx, Installed(dir));
    const WindowPlace& place = p.ctx.mainForm.place;
    EXPECT_EQ(place.top, c.place.top) << c.keys;
    EXPECT_EQ(place.left, c.place.left) << c.keys;
    EXPECT_EQ(place.height, c.place.height) << c.keys;
    EXPECT_EQ(place.width, c.place.width) << c.keys;
    EXPECT_EQ(p.ctx.defines.sheets[0]->layout.place.top, 9);
  }
}

TEST(Startup, ThreeArgumentsOpenTheFirst) {
  struct Case {
    std::vector<std::string> arguments;
    bool fileOpened;
  };
  const Case cases[] = {
      {{}, false},
      {{"f.ZDF"}, false},
      {{"f.ZDF", "x"}, false},
      {{"f.ZDF", "x", "y"}, true},
      {{"f.ZDF", "x", "y", "z"}, true},
  };
  for (const Case& c : cases) {
    ScratchFolder dir;
    WriteFile(dir / "zemu.INI", "");
    WriteFile(dir / "f.ZDF", "> g<42\r\n");
    std::vector<std::string> arguments = c.arguments;
    if (!arguments.empty()) arguments[0] = dir / arguments[0];
    Program p;
    InitialDefines(p.ctx, Installed(dir, arguments));
    ASSERT_EQ(p.ctx.defines.sheets.size(), 2u);
    EXPECT_EQ(CurrentSheet(p.ctx).name, c.fileOpened ? dir / "f.ZDF" : "ZEMU0.ZDF");
    EXPECT_EQ(EvalText(p.ctx, "g").kind == ValueKind::Number, c.fileOpened);
  }
}

TEST(Startup, CommandLineOptionsAreNotCounted) {
  const char* argv[] = {"zemu", "--ini", "my.INI", "f.ZDF", "--tty", "a", "--ini=other.INI", "b"};
  const StartupOptions options = ReadCommandLine(8, argv);
  EXPECT_EQ(options.arguments, (std::vector<std::string>{"f.ZDF", "a", "b"}));
  EXPECT_EQ(options.initialFile, "other.INI");
  EXPECT_FALSE(options.programPath.empty());
  EXPECT_EQ(InitialFileName(options), "other.INI");
  EXPECT_EQ(InitialFileName(StartupOptions{"/opt/zemu/zemu", {}, ""}), "/opt/zemu/zemu.INI");
}

TEST(Startup, ReplaceExtension) {
  struct Case {
    const char* path;
    const char* result;
  };
  const Case cases[] = {
      {"/opt/zemu/zemu", "/opt/zemu/zemu.INI"},
      {"/opt/zemu/zemu.exe", "/opt/zemu/zemu.INI"},
      {"/opt/z.d/zemu", "/opt/z.d/zemu.INI"},
      {"zemu", "zemu.INI"},
      {"", ".INI"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceExtension(c.path, ".INI"), c.result) << c.path;
}

TEST(Startup, MissingFilesAreReportedAndStartUpGoesOn) {
  ScratchFolder dir;
  Program p;
  InitialDefines(p.ctx, Installed(dir, {dir / "gone.ZDF", "x", "y"}));
  const std::string screen = ScreenText(p.ctx);
  EXPECT_TRUE(screen.starts_with(kBanner));
  EXPECT_TRUE(Contains(screen, "  ERROR: " + (dir / "zemu.INI") + "を開けません。"_sj));
  EXPECT_TRUE(Contains(screen, "  ERROR: " + (dir / "gone.ZDF") + "を開けません。"_sj));
  EXPECT_TRUE(screen.ends_with("を開けません。\n> "_sj)) << screen;
  ASSERT_EQ(p.ctx.defines.sheets.size(), 2u);
  EXPECT_TRUE(p.ctx.defines.sheets[0]->named);
  EXPECT_EQ(p.ctx.mainForm.place.top, kMainFormDesignPlace.top);
  EXPECT_EQ(p.ctx.runState, RunState::Idle);
}

TEST(Startup, InitialFileOverride) {
  ScratchFolder dir;
  WriteFile(dir / "other.INI", "> q<3\r\n");
  Program p;
  StartupOptions options = Installed(dir);
  options.initialFile = dir / "other.INI";
  InitialDefines(p.ctx, options);
  EXPECT_EQ(p.ctx.defines.sheets[0]->name, dir / "other.INI");
  EXPECT_EQ(EvalText(p.ctx, "q").number, 3);
}

// An installed program whose user's settings folder cannot be made says so,
// with the system's reason, instead of failing later at the first save.
TEST(Startup, AConfigFolderThatCannotBeMadeIsReported) {
  ScratchFolder dir;
  mkdir((dir / "bin").c_str(), 0755);
  mkdir((dir / "share").c_str(), 0755);
  mkdir((dir / "share/zemu").c_str(), 0755);
  WriteFile(dir / "share/zemu/zemu.INI", "> q<3\r\n");
  WriteFile(dir / "config", "a file where the folder should be");
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string before = saved != nullptr ? saved : "";
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  StartupOptions options;
  options.programPath = dir / "bin/zemu";
  LocateShippedFiles(options);
  if (saved != nullptr) {
    setenv("XDG_CONFIG_HOME", before.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  EXPECT_EQ(options.initialFolderError, ENOTDIR);
  Program p;
  InitialDefines(p.ctx, options);
  EXPECT_TRUE(
      Contains(ScreenText(p.ctx),
               "  ERROR: 初期定義ファイルを保存するフォルダを作れません（Not a directory）。"_sj))
      << ScreenText(p.ctx);
  EXPECT_EQ(EvalText(p.ctx, "q").number, 3);
}

// The initial definition file that ships with the program.
TEST(ShippedInitialFile, LoadsCleanlyAndConverts) {
  Program p;
  StartupOptions options;
  options.programPath = ZEMU_SOURCE_DIR "/build/zemu";
  options.initialFile = ZEMU_SOURCE_DIR "/data/zemu.INI";
  InitialDefines(p.ctx, options);
  const std::string screen = ScreenText(p.ctx);
  EXPECT_FALSE(Contains(screen, "ERROR")) << screen;
  EXPECT_FALSE(Contains(screen, "Error")) << screen;
  EXPECT_EQ(screen, std::string(kBanner) + "> ");
  p.ctx.runState = RunState::Running;

  struct Case {
    const char* formula;
    double value;
    const char* unit;
  };
  const Case cases[] = {
      {"sin(30[deg])", 0.5, ""},
      {"cos(60[°])"_sj, 0.5, ""},
      {"(1[km])[m]", 1000, "[m]"},
      {"(2.5[cm])[mm]", 25, "[mm]"},
      {"(3[μm])[m]"_sj, 0.000003, "[m]"},
      {"(1[in])[m]", 0.0254, "[m]"},
      {"(1[mile])[m]", 1609.344, "[m]"},
      {"(1[lb])[kg]", 0.45359237, "[kg]"},
      {"(2[h])[s]", 7200, "[s]"},
      {"(90[min])[h]", 1.5, "[h]"},
      {"(500[ms])[s]", 0.5, "[s]"},
      {"(180[deg])[rad]", 3.141592653589793, "[rad]"},
      {"(100[℃])[K]"_sj, 373.15, "[K]"},
      {"(0[K])[℃]"_sj, -273.15, "[℃]"_sj},
      {"(212[degF])[℃]"_sj, 100, "[℃]"_sj},
      {"(1[kWh])[J]", 3600000, "[J]"},
      {"(33[尺])[m]"_sj, 10, "[m]"},
      {"円面積(1)"_sj, 3.141592653589793, ""},
      {"斜辺(3,4)"_sj, 5, ""},
      {"落下距離(2[s])"_sj, 19.6133, "[m]"},
      // Pairs that no single definition converts go along a chain.
      {"(1[in])[km]", 2.54e-5, "[km]"},
      {"(1[mile])[in]", 63360, "[in]"},
      {"(60[mph])[ft/s]", 88, "[ft/s]"},
      {"(1[lb])[mg]", 453592.37, "[mg]"},
      {"(1[day])[ms]", 86400000, "[ms]"},
      {"(1[atm])[psi]", 101325 / 6894.757293168, "[psi]"},
      {"(1[GB])[MiB]", 1e9 / 1048576, "[MiB]"},
  };
  for (const Case& c : cases) {
    const Value v = EvalText(p.ctx, c.formula);
    ASSERT_EQ(v.kind, ValueKind::Number) << c.formula << " -> " << ValueText(p.ctx, v);
    EXPECT_NEAR(v.number, c.value, 1e-9 * std::max(1.0, std::fabs(c.value))) << c.formula;
    EXPECT_EQ(v.unit, c.unit) << c.formula;
  }
}

}  // namespace
}  // namespace zemu
