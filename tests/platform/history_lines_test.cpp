// The shared history file's lines: the escapes both writers use, reading a
// file the terminal wrote, and appending under the lock.
#include "platform/history_lines.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "support/scratch_folder.h"

namespace zemu {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(HistoryLines, EscapesReadBackAsTheyWere) {
  std::string everyByte;
  for (int b = 1; b < 256; ++b) everyByte += static_cast<char>(b);
  // Shift-JIS with trail bytes '\' and '|' and a half-width katakana.
  for (const std::string& line : {std::string("1+2;"), std::string("\"表ｿ\" a\\b"_sj),
                                  std::string("ﾎﾟ|\t\x7f"_sj), everyByte}) {
    const std::string stored = EncodeHistoryLine(line);
    EXPECT_EQ(stored.find_first_of(" \n\t\x7f"), std::string::npos) << stored;
    EXPECT_EQ(DecodeHistoryLine(stored), line);
  }
  EXPECT_EQ(EncodeHistoryLine("表 "_sj), "\\225\\134\\040");
}

TEST(HistoryLines, ReadsTheLineEditorsOwnEscapes) {
  const struct {
    const char* stored;
    const char* line;
  } cases[] = {
      {"a\\040b", "a b"},       {"\\\\x", "\\x"},        {"\\M-A\\M^A", "\xC1\x81"},
      {"\\^A\\^?", "\x01\x7f"}, {"a\\sb\\tc", "a b\tc"}, {"\\x41\\x4", "A\x04"},
      {"\\q\\", "\\q\\"},       {"\\1234", "S4"},        {"x\\$y", "xy"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeHistoryLine(c.stored), c.line) << c.stored;
}

TEST(HistoryLines, ReadsWhatTheTerminalWroteAndAppendsBelowIt) {
  ScratchFolder dir;
  std::vector<std::string> lines;
  EXPECT_EQ(ReadHistoryLines(dir / "none", lines), 0);
  EXPECT_TRUE(lines.empty());

  // UTF-8 "表" as the terminal keeps it, and a last line cut short.
  const std::string path = dir.Write("history", "_HiStOrY_V2_\n1+2;\n\"\\350\\241\\250\"\n.se");
  ASSERT_EQ(AppendHistoryLine(path, "x<\x95\x5c"), 0);
  EXPECT_EQ(ReadFile(path), "_HiStOrY_V2_\n1+2;\n\"\\350\\241\\250\"\n.se\nx<\\225\\134\n");
  ASSERT_EQ(ReadHistoryLines(path, lines), 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"1+2;", "\"\xE8\xA1\xA8\"", ".se", "x<\x95\x5c"}));

  const std::string fresh = dir / "fresh";
  ASSERT_EQ(AppendHistoryLine(fresh, "a b"), 0);
  EXPECT_EQ(ReadFile(fresh), "_HiStOrY_V2_\na\\040b\n");
  EXPECT_NE(AppendHistoryLine(dir / "no/such/folder", "x"), 0);
}

}  // namespace
}  // namespace zemu
