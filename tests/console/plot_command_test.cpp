// The ":plot" command: its errors, a stop of its run, and SVG files.
#include "console/plot_command.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/sjis_literal.h"
#include "console/console.h"
#include "console/menu.h"
#include "definitions/store.h"
#include "engine/plot_svg.h"
#include "host/context.h"
#include "host/output.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu {
namespace {

class PlotCommandTest : public testing::Test {
 protected:
  PlotCommandTest() {
    NewSheet(ctx_);
    Execute(ctx_, "f(x)=sin(x)/x; two(x,y)=x; v<1; [km][m]=1000; d(s[m])=s");
    ShowPrompt(ctx_);
  }

  // What :plot with `arguments` printed; `drawn` says whether a graph came.
  std::string Plotted(const std::string& arguments, bool* drawn = nullptr) {
    const std::size_t mark = ScreenText(ctx_).size();
    Plot plot;
    const bool result = MenuPlot(ctx_, arguments, plot);
    if (drawn != nullptr) *drawn = result;
    return ScreenText(ctx_).substr(mark > 2 ? mark - 2 : 0);
  }

  static std::string Read(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  ScratchFolder scratch_;
  ScriptedToolkit toolkit_;
  Context ctx_{&toolkit_};
};

TEST_F(PlotCommandTest, ReportsWhatItCannotPlot) {
  const struct {
    const char* arguments;
    const char* error;
  } cases[] = {
      {"f 0", ":plot の書き方は"_sj},
      {"nothing 0 1", "関数 nothing は定義されていません。"_sj},
      {"f,two 0 1", "関数 two の引数は2個です。"_sj},
      {"v 0 1", "v は関数ではありません。"_sj},
      {"f 1 1", "範囲の始め 1 が終わり 1 より小さくありません。"_sj},
      {"f 0 zz", "範囲の終わり zz が数値になりません。"_sj},
      {"f 0 1 2 1", "値の下限 2 が上限 1 より小さくありません。"_sj},
      {"f 0 1 out.png", "グラフは SVG ファイル (.svg) にだけ"_sj},
  };
  for (const auto& c : cases) {
    bool drawn = true;
    const std::string screen = Plotted(c.arguments, &drawn);
    EXPECT_NE(screen.find(std::string("ERROR: ") + c.error), std::string::npos) << screen;
    EXPECT_FALSE(drawn) << c.arguments;
    EXPECT_EQ(ctx_.runState, RunState::Idle);
  }
}

TEST_F(PlotCommandTest, ReadsTheRangeAsFormulasInTheParametersUnit) {
  Plot plot;
  ASSERT_TRUE(MenuPlot(ctx_, "d,f 0 2[km] -pi pi", plot)) << ScreenText(ctx_);
  EXPECT_EQ(plot.x.high, 2000);
  ASSERT_TRUE(plot.y.has_value());
  EXPECT_DOUBLE_EQ(plot.y->low, -3.141592653589793);
  EXPECT_EQ(plot.series.size(), 2u);
}

// An abort stops the sampling as it stops any run: the abort line, no graph.
TEST_F(PlotCommandTest, AnAbortStopsTheSampling) {
  ctx_.guard.eventIntervalMs = 0;
  for (int i = 0; i < 3; ++i) toolkit_.events.push_back([] {});
  toolkit_.events.push_back([this] { AbortComputation(ctx_); });
  bool drawn = true;
  const std::string screen = Plotted("f -20 20", &drawn);
  EXPECT_FALSE(drawn);
  EXPECT_NE(screen.find("ABORT: Abort by user."), std::string::npos) << screen;
  EXPECT_EQ(ctx_.runState, RunState::Idle);
}

// An SVG file: its own graph is replaced unasked, any other file only after
// a yes; where nobody can be asked the file stays as it was.
TEST_F(PlotCommandTest, WritesSvgAndAsksBeforeGoingOverOtherFiles) {
  const std::string graph = scratch_ / "graph.svg";
  EXPECT_NE(Plotted("f -20 20 " + graph).find("書き出しました"_sj), std::string::npos);
  EXPECT_TRUE(Read(graph).starts_with(kSvgSignature));
  EXPECT_NE(Plotted("f -1 1 " + graph).find("書き出しました"_sj), std::string::npos);
  EXPECT_TRUE(toolkit_.messages.empty());

  const std::string other = scratch_.Write("other.svg", "<svg>mine</svg>");
  toolkit_.canAsk = false;
  EXPECT_NE(Plotted("f 0 1 " + other).find("には書き出しません。"_sj), std::string::npos);
  EXPECT_EQ(Read(other), "<svg>mine</svg>");
  toolkit_.canAsk = true;
  toolkit_.answers.push_back(Answer::No);
  Plotted("f 0 1 " + other);
  EXPECT_EQ(Read(other), "<svg>mine</svg>");
  toolkit_.answers.push_back(Answer::Yes);
  Plotted("f 0 1 " + other);
  EXPECT_TRUE(Read(other).starts_with(kSvgSignature));

  const std::string screen = Plotted("f 0 1 " + scratch_ / "none/g.svg");
  EXPECT_NE(screen.find("に書き出せません。("_sj), std::string::npos) << screen;
}

}  // namespace
}  // namespace zemu
