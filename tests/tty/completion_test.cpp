// In-process tests of the terminal's pieces that have no process of their
// own: what Tab offers, and the Screen that keeps the column of passed text.
#include "tty/completion.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "host/context.h"
#include "support/scratch_folder.h"
#include "support/statements.h"
#include "tty/stream_text.h"

namespace zemu::tty {
namespace {

TEST(Completion, OffersWhatFitsWhereTheCaretIs) {
  const ScratchFolder folder;
  const std::string& dir = folder.path();
  std::filesystem::create_directories(dir + "/ab");
  std::ofstream(dir + "/a.ZDF") << "";
  Context ctx;
  // 表 ends in 0x5C ('\'): the name must not be cut at its trail byte.
  Execute(ctx, "sinh(x)=x; [km][m]=1000; [k]]=1000; [kg][g]=1000; 表示(x)=x"_sj);
  Execute(ctx, "p>1");
  Execute(ctx, "q>2");
  struct Case {
    std::string before;
    std::string word;
    std::vector<std::string> candidates;  // the first ones offered
    char append;
  };
  const std::vector<Case> cases = {
      {".se", ".se", {".set"}, ' '},
      {"1; .", ".", {".blockend", ".break", ".continue"}, ' '},
      {".set e", "e", {"echo", "end", "epower"}, ' '},
      {".s tr", "tr", {"trace"}, ' '},
      {".set trace c", "c", {"command", "calc"}, ' '},
      {".set name o", "o", {"on", "off"}, ' '},
      {"1+si", "si", {"sinh", "sigma", "sign", "sin"}, '\0'},  // definitions, then built-ins
      {"(2[k", "k", {"km", "kg"}, ']'},                        // units; the prefix [k]] is none
      {"1+表"_sj, "表"_sj, {"表示"_sj}, '\0'},
      {".do " + dir + "/a", dir + "/a", {dir + "/a.ZDF", dir + "/ab/"}, '\0'},
      {":op", ":op", {":open"}, ' '},
      {":open \"" + dir + "/a", dir + "/a", {dir + "/a.ZDF", dir + "/ab/"}, '\0'},
      {".set file to " + dir + "/ab", dir + "/ab", {dir + "/ab/"}, '\0'},
      {"12", "12", {}, '\0'},
  };
  for (const Case& c : cases) {
    const CompletionOffer offer = CompleteTerminalLine(ctx, c.before);
    EXPECT_EQ(offer.word, c.word) << c.before;
    std::vector<std::string> first(
        offer.candidates.begin(),
        offer.candidates.begin() +
            static_cast<long>(std::min(offer.candidates.size(), c.candidates.size())));
    EXPECT_EQ(first, c.candidates) << c.before;
    EXPECT_EQ(offer.append, c.append) << c.before;
  }
  // Procedures run as .name: offered after the commands.
  const CompletionOffer commands = CompleteTerminalLine(ctx, ".");
  EXPECT_EQ(std::vector<std::string>(commands.candidates.end() - 2, commands.candidates.end()),
            (std::vector<std::string>{".p", ".q"}));
}

TEST(StreamText, KeepsTheColumnOfPassedText) {
  StreamText screen;
  auto write = [&screen](std::string_view text) {
    screen.SetCaret(screen.Length());
    screen.ReplaceSelection(text);
  };
  auto pass = [&screen](std::size_t bytes) {
    screen.WillPass(bytes);
    screen.Select(0, bytes);
    screen.ReplaceSelection("");
    screen.SetCaret(screen.Length());
  };
  write("  s=1  s=3");
  pass(7);  // the start of a line that is still being written
  EXPECT_EQ(screen.View(), "s=3");
  EXPECT_EQ(screen.CaretColumn(), 10u);
  pass(3);
  write("  s=6");
  EXPECT_EQ(screen.CaretColumn(), 15u);
  write("\r\n> ");
  EXPECT_EQ(screen.CaretColumn(), 2u);
  pass(screen.Length() - 2);  // up to the prompt
  EXPECT_EQ(screen.CaretColumn(), 2u);
  // Text taken away at the start without being passed keeps the column.
  screen.Select(0, 2);
  screen.ReplaceSelection("");
  EXPECT_EQ(screen.CaretColumn(), 0u);
  write("ab");
  screen.SetCaret(1);
  EXPECT_EQ(screen.CaretColumn(), 1u);
}

}  // namespace
}  // namespace zemu::tty
