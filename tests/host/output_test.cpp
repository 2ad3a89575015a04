// ScreenOut's channels, the Screen cap, the idle path, the input-line
// capture, the log file and the watch screen, on the in-memory controls.
#include "host/output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/memory_text.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

struct Out {
  std::uint8_t channel;
  const char* text;
};

void WriteAll(Context& ctx, const std::vector<Out>& outs) {
  for (const Out& out : outs) ScreenOut(ctx, out.channel, out.text);
}

struct ChannelCase {
  const char* name;
  std::vector<Out> outs;
  const char* screen;
};

class ChannelTest : public testing::TestWithParam<ChannelCase> {};

TEST_P(ChannelTest, ScreenShowsPlacedText) {
  Context ctx;
  WriteAll(ctx, GetParam().outs);
  EXPECT_EQ(ScreenText(ctx), GetParam().screen);
}

INSTANTIATE_TEST_SUITE_P(
    Placement, ChannelTest,
    testing::Values(
        ChannelCase{"DataAfterEchoedLine",
                    {{ChannelLine, "> 1+2"}, {ChannelLine, ""}, {ChannelData, "3"}},
                    "> 1+2\r\n  3"},
        ChannelCase{"DataPiecesJoin",
                    {{ChannelData, "a=1  "}, {ChannelData, "b=2  "}, {ChannelLine, "x"}},
                    "  a=1  b=2  \r\nx"},
        ChannelCase{
            "DataAfterOpenLineNotIndented", {{ChannelPrompt, "> "}, {ChannelData, "3"}}, "> 3"},
        ChannelCase{"EmptyLineEndsLineOnce",
                    {{ChannelData, "1"}, {ChannelLine, ""}, {ChannelLine, ""}, {ChannelError, "e"}},
                    "  1\r\ne"},
        ChannelCase{"TextWithOwnLineEnd", {{ChannelLine, "a\r\n"}, {ChannelLine, "b"}}, "a\r\nb"},
        ChannelCase{"NestedTraceLevels",
                    {{ChannelTraceEnter, "1"},
                     {ChannelTraceEnter, "2"},
                     {ChannelTraceEnter, "3"},
                     {ChannelTrace, "in"},
                     {ChannelTraceLeave, "3"},
                     {ChannelTraceLeave, "2"},
                     {ChannelTraceLeave, "1"},
                     {ChannelTrace, "out"}},
                    "T |1\r\nT ||2\r\nT |||3\r\nT |||in\r\nT |||3\r\nT ||2\r\nT |1\r\nT out"},
        ChannelCase{"LeaveAtDepthZeroStaysZero",
                    {{ChannelTraceLeave, "a"}, {ChannelTraceEnter, "b"}},
                    "T a\r\nT |b"},
        ChannelCase{
            "EchoShownWhileOn", {{ChannelEcho, "M .New\n"}, {ChannelLine, "x"}}, "M .New\nx"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ScreenOutTest, EchoOffAndOutputSwitchOffDropText) {
  Context ctx;
  ctx.settings.echo = false;
  ScreenOut(ctx, ChannelEcho, "M .New\n");
  ctx.settings.echo = true;
  ctx.output.outputSwitch = false;
  ScreenOut(ctx, ChannelLine, "hidden");
  ScreenOut(ctx, ChannelTraceEnter, "hidden");
  EXPECT_EQ(ScreenText(ctx), "");
  EXPECT_EQ(ctx.output.traceDepth, 0);  // a dropped text changes nothing
}

struct TrimCase {
  const char* name;
  std::string before;   // the Screen before one more output
  std::size_t removed;  // bytes dropped from its start
};

class TrimTest : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimTest, DropsOldestTextInSteps) {
  Context ctx;
  ctx.console.screen->SetText(GetParam().before);
  ScreenOut(ctx, ChannelLine, "x");
  EXPECT_EQ(ScreenText(ctx), GetParam().before.substr(GetParam().removed) + "\r\nx");
}

const std::string kKanji = "\x95\x5c";  // 表: its trail byte is '\'

std::string Repeat(const std::string& unit, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cap, TrimTest,
    testing::Values(TrimCase{"AtCapKept", std::string(kScreenCap, 'a'), 0},
                    TrimCase{"OneOverCapOneStep", std::string(kScreenCap + 1, 'a'), 1024},
                    TrimCase{"RepeatedSteps", std::string(32000, 'a'), 2048},
                    TrimCase{"DoubleByteOnBoundary", Repeat(kKanji, 15001), 1024},
                    TrimCase{"DoubleByteAcrossCut", "a" + Repeat(kKanji, 15000), 1025},
                    TrimCase{"HalfWidthKanaAreSingle", Repeat("\xB1", 30001), 1024}),
    [](const auto& p) { return std::string(p.param.name); });

struct CaptureCase {
  const char* name;
  std::string screen;
  std::size_t caret;
  std::string line;
};

class CaptureTest : public testing::TestWithParam<CaptureCase> {};

TEST_P(CaptureTest, TakesLogicalLineAroundCaret) {
  Context ctx;
  ctx.console.screen->SetText(GetParam().screen);
  ctx.console.screen->SetCaret(GetParam().caret);
  CaptureInputLine(ctx);
  EXPECT_EQ(ctx.output.inputLine, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CaptureTest,
    testing::Values(
        CaptureCase{"LastLine", "  3\r\n> 1+2", 8, "> 1+2"},
        CaptureCase{"OlderLine", "> a\r\n  1\r\n> b", 1, "> a"},
        CaptureCase{"EmptyLine", "x\r\n\r\ny", 3, ">"}, CaptureCase{"EmptyScreen", "", 0, ">"},
        CaptureCase{"FirstColumnBecomesPrompt", "x\r\nab+1", 3, ">b+1"},
        CaptureCase{"ContinuedCaretOnFirst", "x\r\n> 1+&\r\n& 2\r\ny", 5, "> 1+&\r\n& 2"},
        CaptureCase{"ContinuedCaretOnSecond", "x\r\n> 1+&\r\n& 2\r\ny", 12, "> 1+&\r\n& 2"},
        CaptureCase{"FullWidthFolded", "> \x82\x60\x82\x61\x81\x81\x82\x50\x82\x51", 2,
                    "> AB= 12"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CaptureTest, OverlongLineCutOnCharacterBoundary) {
  Context ctx;
  // '>' then double-byte characters: the 1999-byte limit falls inside one.
  ctx.console.screen->SetText(">" + Repeat(kKanji, 1500));
  CaptureInputLine(ctx);
  EXPECT_EQ(ctx.output.inputLine, ">" + Repeat(kKanji, 999));
  EXPECT_LE(ctx.output.inputLine.size(), kInputLineMax);
}

TEST(IdlePathTest, OutputGoesAboveThePartlyTypedLine) {
  Context ctx;
  ScreenOut(ctx, ChannelLine, "old");
  ShowPrompt(ctx);
  TextControl& screen = *ctx.console.screen;
  screen.ReplaceSelection("1+");  // typed after the prompt
  ScreenOut(ctx, ChannelEcho, "M .New\n");
  EXPECT_EQ(ScreenText(ctx), "old\r\nM .New\n> 1+");
  EXPECT_EQ(ctx.output.savedScreenText, "old\r\nM .New\n");
  ScreenOut(ctx, ChannelData, "7");
  EXPECT_EQ(ScreenText(ctx), "old\r\nM .New\n  7\r\n> 1+");
  EXPECT_EQ(screen.SelectionStart(), screen.Length());
  // More output (the assist mode's trace lines) adds no blank lines.
  ScreenOut(ctx, ChannelTrace, "t");
  ScreenOut(ctx, ChannelLine, "u");
  EXPECT_EQ(ScreenText(ctx), "old\r\nM .New\n  7\r\nT t\r\nu\r\n> 1+");
  EXPECT_EQ(TypedLine(ctx), "> 1+");
}

// A run's last output can leave the screen just under the cap, so that the
// prompt itself trims it: the typed line must still be told from the text
// above it, or the assist mode's first output would rebuild the line.
TEST(IdlePathTest, PromptThatTrimsTheScreenKeepsTheTypedLine) {
  for (std::size_t fill : {kScreenCap - 3, kScreenCap - 2, kScreenCap - 1}) {
    Context ctx;
    BeginRun(ctx);
    ScreenOut(ctx, ChannelLine, std::string(fill, 'a'));
    ShowPrompt(ctx);
    ctx.console.screen->ReplaceSelection("1+2");
    ASSERT_EQ(TypedLine(ctx), "> 1+2") << fill;
    ScreenOut(ctx, ChannelTrace, "t");
    EXPECT_EQ(TypedLine(ctx), "> 1+2") << fill;
    EXPECT_TRUE(ScreenText(ctx).ends_with("\r\nT t\r\n> 1+2")) << fill;
  }
}

class LogTest : public testing::Test {
 protected:
  void SetUp() override { ctx_.settings.logFileName = (dir_ / "Zemu.log").string(); }

  // Writes a short session and returns what reached the log.
  std::string LogOfSession() {
    ctx_.settings.file = OpenLogFile(ctx_);
    EXPECT_TRUE(ctx_.settings.file);
    WriteAll(ctx_, {{ChannelLine, "> 1+2"},
                    {ChannelLine, ""},
                    {ChannelData, "3"},
                    {ChannelLine, ""},
                    {ChannelPrompt, "> "},
                    {ChannelEcho, "M .New\n"},
                    {ChannelData, "4"}});
    CloseLogFile(ctx_);
    std::ifstream in(ctx_.settings.logFileName, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }

  ScratchFolder scratch_;
  const std::filesystem::path dir_ = scratch_.path();
  Context ctx_;
};

TEST_F(LogTest, ModeAllLogsEverythingButThePrompt) {
  EXPECT_EQ(LogOfSession(), "> 1+2\r\n  3\r\n\r\nM .New\n  4");
}

TEST_F(LogTest, ModeAllWithEchoOffLogsNoEcho) {
  ctx_.settings.echo = false;
  EXPECT_EQ(LogOfSession(), "> 1+2\r\n  3\r\n4");
}

TEST_F(LogTest, ModeDataLogsOnlyDataJoined) {
  ctx_.settings.logMode = LogMode::Data;
  EXPECT_EQ(LogOfSession(), "  3  4");
}

TEST_F(LogTest, ModeWatchDataLogsNothing) {
  ctx_.settings.logMode = LogMode::WatchData;
  EXPECT_EQ(LogOfSession(), "");
}

TEST_F(LogTest, AppendsToExistingFile) {
  std::ofstream(ctx_.settings.logFileName, std::ios::binary) << "old\r\n";
  EXPECT_EQ(LogOfSession(), "old\r\n> 1+2\r\n  3\r\n\r\nM .New\n  4");
}

TEST_F(LogTest, UnopenableFileLeavesNoLog) {
  ctx_.settings.logFileName = (dir_ / "missing" / "Zemu.log").string();
  EXPECT_FALSE(OpenLogFile(ctx_));
  ctx_.settings.file = true;  // File on without a stream: output still shows
  ScreenOut(ctx_, ChannelLine, "x");
  EXPECT_EQ(ScreenText(ctx_), "x");
}

std::string FileText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::size_t ErrorLines(const std::string& screen) {
  std::size_t count = 0;
  for (std::size_t at = screen.find("ERROR:"); at != std::string::npos;
       at = screen.find("ERROR:", at + 1)) {
    ++count;
  }
  return count;
}

std::string FullDiskLine(const std::string& name) {
  return "  ERROR: ログファイル "_sj + name +
         " に書き込めません。(No space left on device) 記録を止めました。\r\n"_sj;
}

TEST_F(LogTest, IsOnDiskAtEveryPrompt) {
  ctx_.settings.file = OpenLogFile(ctx_);
  WriteAll(ctx_, {{ChannelLine, "> 1+2"}, {ChannelLine, ""}, {ChannelData, "3"}});
  ShowPrompt(ctx_);
  EXPECT_EQ(FileText(ctx_.settings.logFileName), "> 1+2\r\n  3\r\n");
}

// The disk takes `budget` bytes of the prompt's write: the log keeps the
// pieces that reached it whole ("first", "\r\nsecond", "3", "\r\n").
TEST_F(LogTest, FullDiskAtThePromptKeepsWholePiecesAndStopsOnce) {
  const struct {
    std::size_t budget;
    const char* kept;
  } cases[] = {{0, ""},
               {4, ""},
               {5, "first"},
               {12, "first"},
               {13, "first\r\nsecond"},
               {15, "first\r\nsecond3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.budget);
    Context ctx;
    const std::string name = (dir_ / ("full" + std::to_string(c.budget) + ".log")).string();
    std::ofstream(name, std::ios::binary) << "old\r\n";
    ctx.settings.logFileName = name;
    ctx.settings.file = OpenLogFile(ctx);
    ctx.files.writeBudget = c.budget;
    WriteAll(ctx, {{ChannelLine, "first"}, {ChannelLine, "second"}, {ChannelData, "3"}});
    ShowPrompt(ctx);
    EXPECT_FALSE(ctx.settings.file);
    EXPECT_EQ(ctx.output.logFile, nullptr);
    EXPECT_EQ(FileText(name), std::string("old\r\n") + c.kept);
    EXPECT_TRUE(ScreenText(ctx).ends_with(FullDiskLine(name) + "> ")) << ScreenText(ctx);
    // Later output neither reaches the log nor is reported again.
    BeginRun(ctx);
    ScreenOut(ctx, ChannelLine, "more");
    ShowPrompt(ctx);
    CloseLogFile(ctx);
    EXPECT_EQ(ErrorLines(ScreenText(ctx)), 1u);
    EXPECT_EQ(FileText(name), std::string("old\r\n") + c.kept);
  }
}

// A long run fills a block before any prompt: the failure is found and
// reported in the middle of the run, which goes on showing its output.
TEST_F(LogTest, FullDiskDuringARunStopsTheLogThere) {
  ctx_.settings.file = OpenLogFile(ctx_);
  const std::string line(48, 'x');
  ctx_.files.writeBudget = 60;  // the first piece and part of the second
  for (std::size_t i = 0; i < 2 * kLogBlockSize / line.size(); ++i) {
    ScreenOut(ctx_, ChannelLine, line);
  }
  ScreenOut(ctx_, ChannelLine, "last");
  EXPECT_FALSE(ctx_.settings.file);
  EXPECT_EQ(FileText(ctx_.settings.logFileName), line);
  const std::string screen = ScreenText(ctx_);
  EXPECT_EQ(ErrorLines(screen), 1u);
  EXPECT_NE(screen.find(line + "\r\n" + FullDiskLine(ctx_.settings.logFileName) + line),
            std::string::npos);
  EXPECT_TRUE(screen.ends_with("\r\nlast"));
}

TEST_F(LogTest, FullDiskWhenClosedIsReported) {
  ctx_.settings.file = OpenLogFile(ctx_);
  ScreenOut(ctx_, ChannelLine, "kept");
  ShowPrompt(ctx_);
  BeginRun(ctx_);
  ctx_.files.writeBudget = 3;
  ctx_.files.writeError = EDQUOT;
  ScreenOut(ctx_, ChannelLine, "lost");
  CloseLogFile(ctx_);
  EXPECT_FALSE(ctx_.settings.file);
  EXPECT_EQ(FileText(ctx_.settings.logFileName), "kept\r\n");
  EXPECT_TRUE(ScreenText(ctx_).ends_with(
      "\r\n  ERROR: ログファイル "_sj + ctx_.settings.logFileName +
      " に書き込めません。(Disk quota exceeded) 記録を止めました。\r\n"_sj))
      << ScreenText(ctx_);
}

TEST(WatchTest, WatchModeWritesOnlyTheWatchScreen) {
  Context ctx;
  ctx.settings.echo = false;
  ctx.output.outputSwitch = false;
  ctx.console.watchScreen->SetText("stale");
  ctx.output.watchMode = true;
  WriteAll(ctx,
           {{ChannelTrace, "t"}, {ChannelLine, "a=1"}, {ChannelEcho, "!"}, {ChannelLine, "b=2"}});
  EXPECT_EQ(ctx.console.watchScreen->Text(), "  a=1!\r\n  b=2");
  EXPECT_EQ(ctx.output.watchLineCounter, 1);
  EXPECT_EQ(ScreenText(ctx), "");
}

TEST(WatchTest, RefreshWithoutWatchedDefinitionsBlanksLines) {
  ScriptedToolkit toolkit;
  toolkit.fontHeight = -20;  // some toolkits give font heights as negative numbers
  Context ctx(&toolkit);
  ctx.console.watchScreen->SetText("  a=1\r\n  b=2");
  ctx.defines.watchRefreshNeeded = true;
  WatchRefresh(ctx);
  EXPECT_EQ(ctx.console.watchScreen->Text(), "\r\n");
  EXPECT_EQ(ctx.console.ownWatchScreen.Height(), 10);  // half a line
  EXPECT_FALSE(ctx.defines.watchRefreshNeeded);
  EXPECT_FALSE(ctx.output.watchMode);
}

}  // namespace
}  // namespace zemu

namespace zemu {
namespace {

// The caret column MemoryText keeps as text is appended agrees with a search
// back from the caret, after appends, edits in the middle, trims from the
// front, whole replacements and line replacements.
TEST(MemoryTextTest, CaretColumnAgreesWithSearchAfterAnyEdit) {
  std::mt19937 random(7);
  const std::string pieces[] = {"ab", "\r\n", "x\r\ny", "", "\n\n", "long line text"};
  MemoryText text;
  for (int step = 0; step < 3000; ++step) {
    const std::size_t length = text.Length();
    switch (random() % 6) {
      case 0:
        text.SetText(pieces[random() % 6]);
        break;
      case 1:
        text.Select(0, random() % (length + 2));
        break;
      case 2:
        text.Select(random() % (length + 1), random() % 4);
        break;
      case 3:
        text.ReplaceLine(random() % 3, pieces[random() % 6]);
        break;
      default:
        text.SetCaret(length);
        break;
    }
    text.ReplaceSelection(pieces[random() % 6]);
    if (random() % 3 == 0) text.SetCaret(random() % (text.Length() + 1));
    const std::string all = text.Text();
    const std::size_t caret = text.SelectionStart();
    const std::size_t lf = caret == 0 ? std::string::npos : all.rfind('\n', caret - 1);
    ASSERT_EQ(text.CaretColumn(), lf == std::string::npos ? caret : caret - lf - 1) << step;
  }
}

}  // namespace
}  // namespace zemu
