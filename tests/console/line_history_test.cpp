// Recalling entered lines: the walk through the history, the shared file in
// either encoding, the prompt line replaced through the core, and the lines
// the console announces as entered.
#include "console/line_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "console/menu.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/output.h"
#include "platform/history_lines.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

// Walks `history` with 'o' (Older) and 'n' (Newer) from the draft `draft`;
// at a '*' the text shown gets a '*' typed onto it. Returns the texts
// shown, '-' where a key had nothing to show.
std::string Walk(LineHistory& history, const std::string& keys, std::string shown) {
  std::string seen;
  for (char key : keys) {
    if (key == '*') {
      shown += '*';
      continue;
    }
    const auto next = key == 'o' ? history.Older(shown) : history.Newer(shown);
    if (next) shown = *next;
    seen += (seen.empty() ? "" : ",") + (next ? shown : "-");
  }
  return seen;
}

TEST(LineHistory, WalksBackAndForthKeepingTheDraftAndEdits) {
  const struct {
    const char* keys;
    const char* seen;
  } cases[] = {
      {"ooo", "c,b,a"},
      {"oooo", "c,b,a,-"},
      {"n", "-"},
      {"oon", "c,b,c"},
      {"onn", "c,draft,-"},
      {"o*on", "c,b,c*"},
      {"o*nnoo", "c,draft,-,c*,b"},
  };
  for (const auto& c : cases) {
    LineHistory history;
    for (const char* line : {"a", "", "b", "c"}) history.Add(line);
    EXPECT_EQ(Walk(history, c.keys, "draft"), c.seen) << c.keys;
    // A line entered ends the walk and forgets its edits.
    history.Add("d");
    EXPECT_EQ(Walk(history, "oo", "x"), "d,c") << c.keys;
  }
  LineHistory short_(2);
  for (const char* line : {"a", "b", "c"}) short_.Add(line);
  EXPECT_EQ(Walk(short_, "ooo", ""), "c,b,-");
}

TEST(LineHistory, FileLinesInTheTerminalsEncoding) {
  ScratchFolder dir;
  const std::string kanji = "x<\"表ｿ\""_sj;
  for (const bool shiftJis : {false, true}) {
    const HistoryFile file{dir / (shiftJis ? "sjis" : "utf8"), shiftJis, {}, 0};
    ASSERT_EQ(AppendHistory(file, "1+2;"), 0);
    ASSERT_EQ(AppendHistory(file, kanji), 0);
    std::vector<std::string> raw;
    ASSERT_EQ(ReadHistoryLines(file.path, raw), 0);
    EXPECT_EQ(raw[1], shiftJis ? kanji : std::string("x<\"\xE8\xA1\xA8\xEF\xBD\xBF\""));
    // A line the encoding cannot hold is left out.
    ASSERT_EQ(AppendHistoryLine(file.path, shiftJis ? "\x81" : "\xFF"), 0);
    LineHistory history;
    ASSERT_EQ(LoadHistory(file, history), 0);
    EXPECT_EQ(std::vector<std::string>(history.entries().begin(), history.entries().end()),
              (std::vector<std::string>{"1+2;", kanji}));
  }
}

// Records the lines the console announces.
struct EnteredLines : Observer {
  void LineEntered(const std::string& typed) override { lines.push_back(typed); }
  std::vector<std::string> lines;
};

class PromptRecallTest : public testing::Test {
 protected:
  PromptRecallTest() {
    ctx_.observers.Add(&entered_);
    NewSheet(ctx_);
    ShowPrompt(ctx_);
  }
  ~PromptRecallTest() override { ctx_.observers.Remove(&entered_); }
  std::string Screen() const { return ScreenText(ctx_); }

  ScriptedToolkit toolkit_;
  Context ctx_{&toolkit_};
  EnteredLines entered_;
};

TEST_F(PromptRecallTest, EnteredLinesAreAnnouncedAsTyped) {
  TypeText(ctx_, "1+&2;\r");  // continued: one line, the break taken out
  TypeText(ctx_, "\"１表\";\r"_sj);
  TypeText(ctx_, ".xyz;\r");
  ctx_.console.screen->SetCaret(Screen().find("> 1+"));  // Enter on an older line
  TypeText(ctx_, "\r");
  EXPECT_EQ(entered_.lines, (std::vector<std::string>{"1+ 2;", "\"１表\";"_sj, ".xyz;", "1+ 2;"}));
}

TEST_F(PromptRecallTest, ReplacingTheTypedLine) {
  TypeText(ctx_, "1+");
  ASSERT_TRUE(ReplaceTypedLine(ctx_, "a&b"));
  EXPECT_EQ(Screen(), ctx_.output.savedScreenText + "> a&b");
  EXPECT_EQ(ctx_.console.screen->SelectionStart(), Screen().size());
  // After a stopped line there is no prompt: one comes first.
  TypeText(ctx_, "\b\b\b.xyz;\r");
  ASSERT_EQ(ctx_.runState, RunState::Running);
  ASSERT_TRUE(ReplaceTypedLine(ctx_, "3;"));
  EXPECT_TRUE(Screen().ends_with("undefined command.\r\n> 3;")) << Screen();
  TypeText(ctx_, "\r");
  EXPECT_TRUE(Screen().ends_with("> 3;\r\n  3=3  \r\n> ")) << Screen();
  // Older lines edited: the typing is no longer at the prompt.
  ctx_.console.screen->SetCaret(0);
  TypeText(ctx_, "x");
  EXPECT_FALSE(ReplaceTypedLine(ctx_, "y"));
  EXPECT_TRUE(Screen().ends_with("> ")) << Screen();
}

TEST_F(PromptRecallTest, LastResultIsTheValueAsFormatted) {
  std::string copied;
  EXPECT_FALSE(MenuCopyResult(ctx_, copied));
  EXPECT_FALSE(IsMenuCommandEnabled(ctx_, MenuCommand::EditCopyResult));
  const struct {
    const char* line;
    const char* result;
  } cases[] = {
      {"1+2;\r", "3"},         {"1[m]+2[m];\r", "3[m]"},
      {"x<1/4;\r", "0.25"},    {"1/0;\r", "0.25"},  // an error is no result
      {"\"text\";\r", "0.25"},
  };
  for (const auto& c : cases) {
    TypeText(ctx_, c.line);
    ASSERT_TRUE(MenuCopyResult(ctx_, copied)) << c.line;
    EXPECT_EQ(copied, c.result) << c.line;
  }
}

}  // namespace
}  // namespace zemu
