// The unit library that ships with the program (data/units.ZDF, opened by
// the shipped initial file with .open): it loads cleanly, every conversion
// goes there and back, the constants are there and a user's own definition
// shadows one; .open finds a relative name beside the running file or in
// the data folder, and reads it late when the start-up asks for that.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/sjis_literal.h"
#include "console/startup.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "engine/units.h"
#include "sheet/sheet_ops.h"
#include "sheet_test_util.h"

namespace zemu {
namespace {

using sheet_test::Program;
using sheet_test::WriteFile;

void StartShipped(Program& p) {
  StartupOptions options;
  options.programPath = ZEMU_SOURCE_DIR "/build/zemu";
  options.initialFile = ZEMU_SOURCE_DIR "/data/zemu.INI";
  InitialDefines(p.ctx, options);
  p.ctx.runState = RunState::Running;
}

const TDefine* SheetNamed(const Context& ctx, const std::string& tail) {
  for (const auto& sheet : ctx.defines.sheets) {
    if (sheet->name.ends_with(tail)) return sheet.get();
  }
  return nullptr;
}

// Converts number[from] to `to` and back; the relative error of the trip.
double RoundTrip(Context& ctx, const std::string& from, const std::string& to) {
  Value v = MakeNumber(1.0, from);
  ConvertUnit(ctx, v, to);
  EXPECT_TRUE(v.IsNumber()) << from << to << ": " << v.text;
  ConvertUnit(ctx, v, from);
  EXPECT_TRUE(v.IsNumber()) << to << from << ": " << v.text;
  return std::fabs(v.number - 1.0);
}

TEST(UnitLibrary, LoadsCleanlyAndEveryConversionGoesThereAndBack) {
  Program p;
  StartShipped(p);
  const std::string screen = ScreenText(p.ctx);
  EXPECT_EQ(screen.find("ERROR"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("Error"), std::string::npos) << screen;
  const TDefine* library = SheetNamed(p.ctx, "/data/units.ZDF");
  ASSERT_NE(library, nullptr);
  int trips = 0;
  for (int row = 1; library->IsDefinitionRow(row); ++row) {
    const std::string name = DefinitionAt(*library, row)->Name();
    const std::size_t split = name.find(']') + 1;
    if (name[0] != '[' || name.ends_with("]]")) continue;  // a constant, a prefix
    const std::string from = name.substr(0, split), to = name.substr(split);
    EXPECT_LE(RoundTrip(p.ctx, from, to), 1e-12) << name;
    ++trips;
  }
  EXPECT_GT(trips, 700);
}

TEST(UnitLibrary, ConvertsWhatUsersWriteAndKnowsTheConstants) {
  Program p;
  StartShipped(p);
  struct Case {
    const char* formula;
    double value;
    const char* unit;
  };
  const Case cases[] = {
      {"(1[in])[km]", 2.54e-5, "[km]"},
      {"(1[mile])[in]", 63360, "[in]"},
      {"(60[mph])[ft/s]", 88, "[ft/s]"},
      {"(1[lb])[mg]", 453592.37, "[mg]"},
      {"(1[day])[ms]", 86400000, "[ms]"},
      {"(1[atm])[psi]", 101325 / 6894.757293168361, "[psi]"},
      {"(1[GB])[MiB]", 1e9 / 1048576, "[MiB]"},
      {"(1[cal])[J]", 4.184, "[J]"},
      {"(1[Btu])[J]", 1055.05585262, "[J]"},
      {"(1[gal])[L]", 3.785411784, "[L]"},
      {"(1[hp])[W]", 745.69987158227022, "[W]"},
      {"(1[ly])[km]", 9460730472580.8, "[km]"},
      {"(1[ct])[t]", 2e-7, "[t]"},  // not c + [t]: the pair's own row comes first
      {"(1[nmi])[mi]", 1852 / 1609.344, "[mi]"},
      {"(1[km2])[m2]", 1e6, "[m2]"},
      {"(1[坪])[m2]"_sj, 400.0 / 121, "[m2]"},
      {"(100[degF])[degC]", (100.0 - 32) * 5 / 9, "[degC]"},
      {"c", 299792458, "[m/s]"},
      {"h", 6.62607015e-34, "[J*s]"},
      {"NA", 6.02214076e23, "[1/mol]"},
      {"g0", 9.80665, "[m/s2]"},
      {"R", 8.314462618153241, "[J/mol/K]"},
      {"F", 96485.33212331001, "[C/mol]"},
  };
  for (const Case& c : cases) {
    const Value v = EvalText(p.ctx, c.formula);
    ASSERT_TRUE(v.IsNumber()) << c.formula << ": " << v.text;
    EXPECT_NEAR(v.number, c.value, 1e-12 * std::fabs(c.value)) << c.formula;
    EXPECT_EQ(v.unit, c.unit) << c.formula;
  }
}

// Lookups go newest sheet first: the console's sheet, opened after the
// library, shadows it, and so does any sheet opened later; a library opened
// after the user's sheet would shadow the user's definitions instead.
TEST(UnitLibrary, AUsersOwnDefinitionShadowsTheLibrarys) {
  struct Case {
    const char* statements;
    double c;
  };
  const Case cases[] = {
      {"", 299792458},
      {"c<3", 3},
      {"c=4", 4},
      {".open \"DIR/mine.ZDF\"", 5},
      {"c<3; .open \"units.ZDF\"", 299792458},
  };
  for (const Case& k : cases) {
    ScratchFolder dir;
    WriteFile(dir / "mine.ZDF", "> c<5\r\n");
    Program p;
    StartShipped(p);
    std::string statements = k.statements;
    if (const std::size_t at = statements.find("DIR"); at != std::string::npos) {
      statements.replace(at, 3, dir.path());
    }
    Execute(p.ctx, statements);
    EXPECT_EQ(EvalText(p.ctx, "c").number, k.c) << k.statements;
  }
}

// An initial file in ini/ opens "lib.ZDF": beside itself first, then in the
// working folder, then in the data folder; found nowhere, the sheet takes
// the first of these names and the file is reported missing.
TEST(OpenStatement, FindsARelativeNameBesideTheRunningFileThenInTheDataFolder) {
  struct Case {
    bool beside;
    bool inData;
    const char* sheet;
    double y;
  };
  const Case cases[] = {
      {true, true, "ini/lib.ZDF", 2},
      {false, true, "data/lib.ZDF", 1},
      {false, false, "ini/lib.ZDF", 0},
  };
  for (const Case& c : cases) {
    ScratchFolder dir;
    ASSERT_EQ(mkdir((dir / "ini").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "data").c_str(), 0755), 0);
    WriteFile(dir / "ini/zemu.INI", "> .open \"lib.ZDF\"\r\n> x<y+0\r\n");
    if (c.beside) WriteFile(dir / "ini/lib.ZDF", "> y<2\r\n");
    if (c.inData) WriteFile(dir / "data/lib.ZDF", "> y<1\r\n");
    Program p;
    StartupOptions options;
    options.programPath = dir / "zemu";
    options.initialFile = dir / "ini/zemu.INI";
    options.dataFolder = dir / "data/";
    options.deferOpenedSheets = true;  // the x<y line needs it read at once
    InitialDefines(p.ctx, options);
    ASSERT_EQ(p.ctx.defines.sheets.size(), 3u);
    const TDefine& library = *p.ctx.defines.sheets[1];
    EXPECT_EQ(library.name, dir / c.sheet);
    EXPECT_FALSE(library.deferred);
    EXPECT_EQ(EvalText(p.ctx, "x").number, c.y) << c.sheet;
    EXPECT_EQ(ScreenText(p.ctx).find("を開けません"_sj) != std::string::npos, c.y == 0);
  }
}

TEST(OpenStatement, ADeferredSheetIsListedAtOnceAndReadWhenAsked) {
  ScratchFolder dir;
  WriteFile(dir / "zemu.INI", "> .open \"lib.ZDF\"\r\n> f(x)=y*x\r\n");
  WriteFile(dir / "lib.ZDF", "> y<7\r\n");
  Program p;
  StartupOptions options;
  options.programPath = dir / "zemu";
  options.deferOpenedSheets = true;
  InitialDefines(p.ctx, options);
  TDefine& library = *p.ctx.defines.sheets[1];
  EXPECT_TRUE(library.deferred);
  EXPECT_EQ(library.RowCount(), 2);
  const std::string title = p.ctx.mainForm.title;
  LoadDeferredSheets(p.ctx);
  EXPECT_FALSE(library.deferred);
  EXPECT_EQ(library.RowCount(), 3);
  EXPECT_FALSE(library.modified);
  EXPECT_EQ(CurrentSheet(p.ctx).name, "ZEMU0.ZDF");
  EXPECT_EQ(p.ctx.mainForm.title, title);
  EXPECT_EQ(EvalText(p.ctx, "f(2)").number, 14);
  p.ctx.runState = RunState::Running;
  Execute(p.ctx, ".open");
  EXPECT_NE(ScreenText(p.ctx).find(".open には"_sj), std::string::npos);
}

}  // namespace
}  // namespace zemu
