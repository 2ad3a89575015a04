// Every example of the shipped help file, run by the program with the
// shipped initial file. A page line "  > statement" is a statement as typed;
// the lines right after it that begin with four blanks are what the console
// shows for it (its two-blank indent after the page's margin). A page's
// examples run in order in one session, so that a page can define something
// and then use it. The statements of "@>>" lines, which the viewer runs when
// it shows their page, must run without an error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zemu_process.h"

namespace {

using zemu_test::ReadAll;
using zemu_test::RunProgram;

struct Page {
  std::string header;
  std::vector<std::string> statements;
  std::string transcript;             // as the console would show it, blanks at line ends dropped
  std::vector<std::string> runLines;  // the "@>>" statements
};

std::string TrimEnd(std::string line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line;
}

std::vector<Page> ReadPages(const std::string& path) {
  std::vector<Page> pages;
  std::istringstream text(ReadAll(path));
  bool inExample = false;
  for (std::string line; std::getline(text, line);) {
    line = TrimEnd(line);
    if (line.starts_with("@@")) {
      pages.push_back({line, {}, {}, {}});
      inExample = false;
    } else if (pages.empty()) {
      continue;
    } else if (line.starts_with("@>>")) {
      pages.back().runLines.push_back(line.substr(3));
    } else if (line.starts_with("  > ")) {
      pages.back().statements.push_back(line.substr(4));
      pages.back().transcript += line.substr(2) + "\n";
      inExample = true;
    } else if (inExample && line.starts_with("    ")) {
      pages.back().transcript += line.substr(2) + "\n";
    } else {
      inExample = false;
    }
  }
  return pages;
}

// What the console shows for `statements` typed one after another, from the
// first echo on (the banner is left out) up to the closing .end (after which
// the unsaved sheets are named), blanks at line ends dropped.
std::string Transcript(const std::vector<std::string>& statements) {
  std::string input;
  for (const std::string& statement : statements) input += statement + "\n";
  const std::string out = RunProgram("--tty --sjis", input + ".end\n").out;
  std::istringstream lines(out.substr(out.find("\n> ") + 1));
  std::string transcript;
  for (std::string line; std::getline(lines, line);) {
    if (line == "> .end") break;
    transcript += TrimEnd(line) + "\n";
  }
  return transcript;
}

const std::string kHelpFile = std::string(ZEMU_SOURCE_DIR) + "/data/zemu.ZHP";

TEST(HelpExamples, RunAsPrinted) {
  int examples = 0;
  for (const Page& page : ReadPages(kHelpFile)) {
    if (page.statements.empty()) continue;
    examples += static_cast<int>(page.statements.size());
    EXPECT_EQ(Transcript(page.statements), page.transcript) << page.header;
  }
  EXPECT_GT(examples, 80);  // the rule above still finds the examples
}

TEST(HelpExamples, PageStatementsRunWithoutError) {
  std::vector<std::string> runLines;
  for (const Page& page : ReadPages(kHelpFile)) {
    runLines.insert(runLines.end(), page.runLines.begin(), page.runLines.end());
  }
  ASSERT_FALSE(runLines.empty());
  for (const std::string& statement : runLines) {
    const std::string shown = Transcript({statement});
    EXPECT_EQ(shown.find("ERROR"), std::string::npos) << statement << "\n" << shown;
    EXPECT_EQ(shown.find("Error"), std::string::npos) << statement << "\n" << shown;
  }
}

}  // namespace
