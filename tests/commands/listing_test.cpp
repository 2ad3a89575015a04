// Tests of .list and name=: the sheet qualifier (a name, nothing for the
// current sheet, a quoted index), name patterns with # and ?, the heading of
// each sheet that holds a match, and .delete touching only the current
// sheet.
#include "commands/listing.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "definitions/store.h"
#include "host/context.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu {
namespace {

// Two sheets: S0.ZDF, then the current sheet S1.ZDF.
void MakeTwoSheets(Context& ctx) {
  ctx.settings.talk = false;
  SetSheetName(ctx, CurrentSheet(ctx), "S0.ZDF", true);
  Execute(ctx, "f(x)=x*2; abc<1; b<2 'two; 長さ<3; 表<4"_sj);
  SetSheetName(ctx, NewSheet(ctx), "S1.ZDF", true);
  Execute(ctx, "f<3; a<4");
  ClearConsole(ctx);
}

// The listing lines expected for `items`: "0:" or "1:" is the heading of
// that sheet, "0:name" the stored text of the bottom row named so there.
// (How a variable's text is written back is the store's business.)
std::string Expected(Context& ctx, std::initializer_list<const char*> items) {
  std::string all;
  for (std::string item : items) {
    TDefine& sheet = *ctx.defines.sheets[static_cast<std::size_t>(item[0] - '0')];
    const std::string name = item.substr(2);
    if (name.empty()) {
      all += "  " + sheet.title + "\r\n";
      continue;
    }
    const char* probe = name.c_str();
    const int row = FindRow(ctx, sheet, probe, 0);
    EXPECT_GT(row, 0) << name;
    if (row > 0) all += "  " + DefinitionAt(sheet, row)->text + "\r\n";
  }
  return all;
}

TEST(ListDefinitions, Transcripts) {
  struct Case {
    const char* statement;
    std::initializer_list<const char*> lines;
  };
  const Case cases[] = {
      {".list", {"1:", "1:f", "1:a"}},
      {".list;", {"1:", "1:f", "1:a"}},
      {".l 'all of it", {"1:", "1:f", "1:a"}},
      {".list #", {"1:", "1:f", "1:a", "0:", "0:f", "0:abc", "0:b", "0:長さ"_sj, "0:\x95\x5c"}},
      {".list a#", {"1:", "1:a", "0:", "0:abc"}},
      {".list b", {"0:", "0:b"}},
      {".list 長#"_sj, {"0:", "0:長さ"_sj}},
      {".list \x95\x5c", {"0:", "0:\x95\x5c"}},
      {"f=", {"1:", "1:f", "0:", "0:f"}},
      // Qualified: the current sheet, a quoted index, a sheet name.
      {".list !a#", {"1:", "1:a"}},
      {".list \"\"!a#", {"1:", "1:a"}},
      {".list \"0\"!#", {"0:", "0:f", "0:abc", "0:b", "0:長さ"_sj, "0:\x95\x5c"}},
      {".list \"1\"!f", {"1:", "1:f"}},
      {".list S0.ZDF!f", {"0:", "0:f"}},
      // Nothing matches: not even a heading.
      {".list \"1\"!b", {}},
      {".list \"7\"!#", {}},
      {".list NO.ZDF!#", {}},
      {".list S0.ZDF!", {}},
      {".list zz", {}},
      {".list 0!#", {}},  // digits are no token: an unqualified pattern
      {".list .x", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    Context ctx;
    MakeTwoSheets(ctx);
    Execute(ctx, c.statement);
    EXPECT_EQ(ScreenText(ctx), Expected(ctx, c.lines));
  }
}

TEST(ListDefinitions, StatementsAfterTheListingRun) {
  Context ctx;
  MakeTwoSheets(ctx);
  Execute(ctx, ".list f; 1");
  EXPECT_EQ(ScreenText(ctx), Expected(ctx, {"1:", "1:f", "0:", "0:f"}) + "  1=1  ");
}

TEST(ListDefinitions, NameEqualsListsEveryRowOfTheName) {
  Context ctx;
  Execute(ctx, "f(x)=x*2; f<3; g=1");
  ClearConsole(ctx);
  Execute(ctx, "f=");
  TDefine& sheet = CurrentSheet(ctx);
  EXPECT_EQ(ScreenText(ctx),
            "  " + sheet.title + "\r\n  f(x)=x*2\r\n  " + DefinitionAt(sheet, 2)->text + "\r\n");
}

TEST(ListDefinitions, QuestionMarkMatchesARunOfCharacters) {
  Context ctx;
  Execute(ctx, "abab=1; abcd=2; x=3");
  const std::string head = "  " + CurrentSheet(ctx).title + "\r\n";
  struct Case {
    const char* pattern;
    std::string console;
  };
  // Every later ? must match the run that the first one matched.
  const Case cases[] = {
      {"a?a?", head + "  abab=1\r\n"},
      {"a?cd", head + "  abcd=2\r\n"},
      {"#", head + "  abab=1\r\n  abcd=2\r\n  x=3\r\n"},
      {"a?", head + "  abab=1\r\n  abcd=2\r\n"},
      {"?b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    ClearConsole(ctx);
    ListDefinitions(ctx, c.pattern);
    EXPECT_EQ(ScreenText(ctx), c.console);
  }
}

// A ? stands for at least one name character, whether the pattern ends
// there or the statement goes on after it.
TEST(ListDefinitions, QuestionMarkNeedsAtLeastOneCharacter) {
  const struct {
    const char* statement;
    const char* names;  // listed, in row order
  } cases[] = {
      {".list a?;", "ab abc axb"},   {".list a?", "ab abc axb"},     {".list a?b;", "axb"},
      {".list a#;", "a ab abc axb"}, {".list ?; 1", "a ab abc axb"}, {".list a?x;", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statement);
    Context ctx;
    ctx.settings.talk = false;
    Execute(ctx, "a=1; ab=2; abc=3; axb=4");
    ClearConsole(ctx);
    Execute(ctx, c.statement);
    std::string listed;
    const std::string screen = ScreenText(ctx);
    for (std::size_t at = screen.find("\r\n  "); at != std::string::npos;
         at = screen.find("\r\n  ", at + 1)) {
      const std::size_t name = at + 4;
      const std::size_t equals = screen.find('=', name);
      if (equals == std::string::npos || screen.compare(name, 1, "1") == 0) break;
      listed += (listed.empty() ? "" : " ") + screen.substr(name, equals - name);
    }
    EXPECT_EQ(listed, c.names) << screen;
  }
}

TEST(ListDefinitions, AssistModeShowsHelpOnly) {
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  Execute(ctx, "a<1");
  ClearConsole(ctx);
  ctx.runState = RunState::Idle;
  ListDefinitions(ctx, "#");
  EXPECT_EQ(toolkit.statusLines[0], "記憶している定義を表示する命令です。"_sj);
  EXPECT_EQ(toolkit.statusLines[1], "> .list [定義名];"_sj);
  EXPECT_EQ(toolkit.statusLines[2], "> (定義名)=;"_sj);
  EXPECT_EQ(ScreenText(ctx).find("a<1"), std::string::npos);
}

TEST(DeleteCommand, TouchesOnlyTheCurrentSheet) {
  Context ctx;
  MakeTwoSheets(ctx);
  Execute(ctx, ".delete b, f");
  EXPECT_EQ(ctx.defines.sheets[0]->RowCount(), 7);  // b stays in the first sheet
  ASSERT_EQ(ctx.defines.sheets[1]->RowCount(), 3);
  EXPECT_EQ(DefinitionAt(*ctx.defines.sheets[1], 1)->Name(), "a");
  EXPECT_EQ(ScreenText(ctx), "");
}

}  // namespace
}  // namespace zemu
