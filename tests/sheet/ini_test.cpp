// Tests of the INI key reader: sections and keys in files with every kind of
// line end, values that are not integers, and files that are no INI file.
#include "sheet/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "base/sjis_literal.h"
#include "sheet_test_util.h"

namespace zemu {
namespace {

using sheet_test::WriteFile;

// Reads DefineForm's Top (default -1) from a file of this content.
int TopOf(const std::string& content) {
  ScratchFolder dir;
  WriteFile(dir / "t.ZDF", content);
  return IniInteger(ReadIniSection(dir / "t.ZDF", "DefineForm"), "Top", -1);
}

TEST(IniReader, Integers) {
  struct Case {
    std::string content;
    int top;
  };
  const Case cases[] = {
      {"[DefineForm]\r\nTop=12\r\n", 12},
      {"[DefineForm]\nTop=12\n", 12},
      {"[DefineForm]\rTop=12\rLeft=3\r", 12},
      {"[DefineForm]\r\nTop=-7", -7},
      {"[DefineForm]\r\nTop=+7\r\n", 7},
      {"  [ defineform ]  \r\n  top = 15  \r\n", 15},
      {"[DefineForm]\r\nTop=abc\r\n", -1},
      {"[DefineForm]\r\nTop=12abc\r\n", -1},
      {"[DefineForm]\r\nTop=\r\n", -1},
      {"[DefineForm]\r\nTop=-\r\n", -1},
      {"[DefineForm]\r\nTop=99999999999\r\n", -1},
      {"[DefineForm]\r\nTop=2147483647\r\n", 2147483647},
      {"[DefineForm]\r\nTop=1\r\nTop=2\r\n", 1},
      {"[MainForm]\r\nTop=5\r\n[DefineForm]\r\nLeft=6\r\n", -1},
      {"[DefineForm]\r\n> Top=5\r\n", -1},
      {"[DefineForm]\r\nLeft=1\r\n[Define]\r\nTop=9\r\n", -1},
      {"Top=3\r\n", -1},
      {"", -1},
      {"[DefineForm]\r\n" + std::string(5000, 'x') + "\r\nTop=8\r\n", 8},
      {std::string("[DefineForm]\r\nTop=4\r\n\0\xff\x01[x]\r\n", 27), 4},
  };
  for (const Case& c : cases) EXPECT_EQ(TopOf(c.content), c.top) << c.content;
}

TEST(IniReader, TextKeys) {
  ScratchFolder dir;
  WriteFile(dir / "t.ZDF", "[DefineForm]\r\nFont=\"ＭＳ 明朝\"\r\nFace=Mono Sans\r\n"_sj);
  const IniSection keys = ReadIniSection(dir / "t.ZDF", "DefineForm");
  EXPECT_EQ(IniText(keys, "Font", "x"), "ＭＳ 明朝"_sj);
  EXPECT_EQ(IniText(keys, "face", "x"), "Mono Sans");
  EXPECT_EQ(IniText(keys, "FontSize", "x"), "x");
}

TEST(IniReader, FilesThatGiveNoKeys) {
  ScratchFolder dir;
  mkdir((dir / "folder.ZDF").c_str(), 0755);
  EXPECT_TRUE(ReadIniSection(dir / "none.ZDF", "DefineForm").keys.empty());
  EXPECT_TRUE(ReadIniSection(dir / "folder.ZDF", "DefineForm").keys.empty());
  EXPECT_TRUE(ReadIniSection("", "DefineForm").keys.empty());
  EXPECT_TRUE(ReadIniSection("/dev/zero", "DefineForm").keys.empty());
}

TEST(IniReader, KeepsABoundedNumberOfKeys) {
  std::string content = "[DefineForm]\r\n";
  for (int i = 0; i < 1000; ++i) content += "k" + std::to_string(i) + "=1\r\n";
  ScratchFolder dir;
  WriteFile(dir / "t.ZDF", content);
  EXPECT_EQ(ReadIniSection(dir / "t.ZDF", "DefineForm").keys.size(), kIniMaxKeys);
}

// The file is read in chunks of 64 KiB: lines and line ends that straddle a
// chunk's end read as any others. `at` is where the cut falls in the text
// after the padding line.
TEST(IniReader, LinesAcrossChunks) {
  constexpr std::size_t kChunk = 65536;
  struct Case {
    std::string tail;  // begins at the padding line's end
    std::size_t at;
  };
  const Case cases[] = {
      {"\r\nTop=8\r\n", 1},  // CR | LF
      {"\rTop=8\r\n", 1},    // a lone CR | the next line
      {"\nTop=8\r\n", 3},    // "To" | "p=8"
      {"\r\nTop=8", 5},      // "\r\nTop" | "=8", the last line, without an end
      {"\nTop=8\r\n", 0},    // the padding line ends the chunk
  };
  for (const Case& c : cases) {
    const std::string head = "[DefineForm]\r\n";
    const std::string pad(kChunk - head.size() - c.at, 'x');
    EXPECT_EQ(TopOf(head + pad + c.tail), 8) << c.tail << " " << c.at;
  }
}

}  // namespace
}  // namespace zemu
