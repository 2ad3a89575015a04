// ":plot" in the terminal: a graph drawn in characters, and SVG files.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/scratch_folder.h"
#include "tty/zemu_process.h"

namespace zemu_test {
namespace {

// Whether `text` holds a braille character (U+2800 to U+28FF).
bool HoldsBraille(const std::string& text) {
  for (const char* lead : {"\xE2\xA0", "\xE2\xA1", "\xE2\xA2", "\xE2\xA3"}) {
    if (text.find(lead) != std::string::npos) return true;
  }
  return false;
}

// The "d" attributes of the paths of curve `n` in an SVG text.
std::vector<std::string> CurvePaths(const std::string& svg, int n) {
  const std::regex path("<path class=\"curve" + std::to_string(n) + "\"[^>]* d=\"([^\"]*)\"");
  std::vector<std::string> paths;
  for (std::sregex_iterator it(svg.begin(), svg.end(), path), end; it != end; ++it) {
    paths.push_back((*it)[1]);
  }
  return paths;
}

TEST(TerminalPlot, WritesTheSampledPointsAsSvgPaths) {
  const zemu::ScratchFolder dir;
  const zemu_test::Run run =
      RunProgram("--tty", "lin(x)=x;\ng(x)=1/x;\n:plot lin 0 10 0 10 " + dir / "lin.svg" +
                              "\n:plot g -2 2 " + dir / "g.svg" + "\n");
  EXPECT_NE(run.out.find(U8(u8"グラフを ") + dir / "g.svg" + U8(u8" に書き出しました。")),
            std::string::npos)
      << run.out;
  // A straight line needs only the even points, from corner to corner.
  const std::vector<std::string> line = CurvePaths(ReadAll(dir / "lin.svg"), 0);
  ASSERT_EQ(line.size(), 1u);
  EXPECT_TRUE(line[0].starts_with("M70.00 445.00 L")) << line[0];
  EXPECT_TRUE(line[0].ends_with("L780.00 40.00")) << line[0];
  EXPECT_EQ(std::count(line[0].begin(), line[0].end(), 'L'), 255);
  // The pole splits 1/x in two branches, each cut to the frame.
  const std::string svg = ReadAll(dir / "g.svg");
  const std::vector<std::string> branches = CurvePaths(svg, 0);
  ASSERT_EQ(branches.size(), 2u) << svg;
  const std::regex point("([-0-9.]+) ([-0-9.]+)");
  for (const std::string& d : branches) {
    EXPECT_GT(std::count(d.begin(), d.end(), 'L'), 100);
    for (std::sregex_iterator it(d.begin(), d.end(), point), end; it != end; ++it) {
      const double y = std::stod((*it)[2]);
      EXPECT_TRUE(y >= 30 && y <= 455) << d;
    }
  }
  EXPECT_NE(svg.find(U8(u8"<title>グラフ: g(x)</title>")), std::string::npos);
  EXPECT_NE(svg.find(">g(x)=1/x</text>"), std::string::npos);
}

// Braille where the terminal speaks UTF-8, ASCII where it speaks Shift-JIS.
TEST(TerminalPlot, DrawsInTheTerminalsCharacters) {
  const std::string input = "g(x)=1/x;\n:plot g -2 2\n";
  const zemu_test::Run utf8 = RunProgram("--tty --utf8", input);
  EXPECT_TRUE(InOrder(utf8.out,
                      {"g(x)\n", U8(u8"┤"), U8(u8"└┬"), "-2", "2\n", "x\n", U8(u8"── g(x)=1/x\n")}))
      << utf8.out;
  EXPECT_TRUE(HoldsBraille(utf8.out));
  const zemu_test::Run sjis = RunProgram("--tty --sjis", input);
  EXPECT_TRUE(InOrder(sjis.out, {"g(x)\n", "+", "+-", "-- g(x)=1/x\n"})) << sjis.out;
  EXPECT_TRUE(std::regex_search(sjis.out, std::regex("\\|[ .'\\-:,|]*[.'\\-:,][ .'\\-:,|]*\n")));
  EXPECT_FALSE(HoldsBraille(sjis.out));
  EXPECT_EQ(utf8.status, 0);
}

}  // namespace
}  // namespace zemu_test
