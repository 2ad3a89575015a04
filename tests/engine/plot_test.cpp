// Sampling functions for graphs, and the graph's frame: ticks, ranges and
// the cutting of lines.
#include "engine/plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/plot_axes.h"
#include "host/context.h"
#include "support/statements.h"

namespace zemu {
namespace {

PlotSeries Sample(Context& ctx, const std::string& definition, double from, double to) {
  Execute(ctx, definition);
  const std::string name = definition.substr(0, definition.find('('));
  PlotFunction function;
  std::string error;
  EXPECT_TRUE(FindPlotFunction(ctx, name, function, error)) << error;
  PlotSeries series;
  EXPECT_TRUE(SampleFunction(ctx, function, from, to, series));
  return series;
}

struct CurveCase {
  const char* definition;
  double from, to;
  std::size_t branches;  // lines to draw
  double largest;        // some |y| at least this large (the refinement reached a pole)
};

class SampleCurveTest : public testing::TestWithParam<CurveCase> {};

TEST_P(SampleCurveTest, BreaksOnlyAtGapsAndPoles) {
  Context ctx;
  const CurveCase& c = GetParam();
  const PlotSeries s = Sample(ctx, c.definition, c.from, c.to);
  ASSERT_GE(s.points.size(), 256u);
  EXPECT_LE(s.points.size(), static_cast<std::size_t>(kPlotMaxPoints));
  EXPECT_TRUE(std::is_sorted(s.points.begin(), s.points.end(),
                             [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; }));
  EXPECT_EQ(s.points.front().x, c.from);
  EXPECT_EQ(s.points.back().x, c.to);
  EXPECT_EQ(Branches(s.points).size(), c.branches) << c.definition;
  double largest = 0;
  for (const PlotPoint& p : s.points) largest = std::max(largest, std::abs(p.y));
  EXPECT_GE(largest, c.largest) << c.definition;
}

INSTANTIATE_TEST_SUITE_P(Curves, SampleCurveTest,
                         testing::Values(CurveCase{"g(x)=1/x", -2, 2, 2, 1e3},
                                         CurveCase{"p(x)=1/(x-0.3)", -2, 2, 2, 1e3},
                                         CurveCase{"t(x)=tan(x)", -3, 3, 3, 1e3},
                                         CurveCase{"q(x)=x^3-x", -2, 2, 1, 5.9},
                                         CurveCase{"a(x)=atan(1000*x)", -1, 1, 1, 1.5},
                                         CurveCase{"e(x)=exp(x)", 0, 30, 1, 1e13}));

// Errors and undefined values are gaps, never zeros; the edge of a gap is
// looked for.
TEST(SampleFunction, ErrorsBecomeGaps) {
  Context ctx;
  const PlotSeries root = Sample(ctx, "r(x)=sqrt(x)", -1, 1);
  double firstValue = 2;
  for (const PlotPoint& p : root.points) {
    EXPECT_EQ(std::isnan(p.y), p.x < 0) << p.x;
    if (!std::isnan(p.y)) firstValue = std::min(firstValue, p.x);
  }
  EXPECT_LT(firstValue, 1e-3);
  EXPECT_GT(root.gaps, 0);
  const PlotSeries sinc = Sample(ctx, "f(x)=sin(x)/x", -20, 20);
  for (const PlotPoint& p : sinc.points) {
    const double expected = p.x == 0 ? std::nan("") : std::sin(p.x) / p.x;
    EXPECT_EQ(std::isnan(p.y), std::isnan(expected)) << p.x;
    EXPECT_NEAR(std::isnan(p.y) ? 0 : p.y, std::isnan(expected) ? 0 : expected, 1e-12) << p.x;
  }
}

// The function sees the caller's definitions (dynamic scope), and its
// parameter's and result's units label the axes.
TEST(SampleFunction, UnitsLabelTheAxes) {
  Context ctx;
  Execute(ctx, "k<3");
  const PlotSeries v = Sample(ctx, "v(t[s])=t*k 'speed[m/s]", 0, 10);
  EXPECT_EQ(v.xUnit, "[s]");
  EXPECT_EQ(v.yUnit, "[m/s]");
  EXPECT_DOUBLE_EQ(v.points.back().y, 30);
  const PlotView view = MakePlotView({v}, {0, 10}, std::nullopt, 11, 9);
  EXPECT_EQ(view.xCaption, "t [s]");
  EXPECT_EQ(view.yCaption, "v(t) [m/s]");
  const PlotSeries plain = Sample(ctx, "w(x)=x", 0, 1);
  EXPECT_EQ(plain.yUnit, "");
}

TEST(FindPlotFunction, WantsAFunctionOfOneParameter) {
  Context ctx;
  Execute(ctx, "two(x,y)=x+y; none=3; var<2");
  PlotFunction function;
  std::string error;
  for (const char* name : {"two", "none", "var", "missing"}) {
    EXPECT_FALSE(FindPlotFunction(ctx, name, function, error)) << name;
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
}

TEST(PlotAxes, RoundTicks) {
  struct StepCase {
    double span;
    int ticks;
    double step;
  };
  for (const StepCase& c :
       {StepCase{10, 11, 1}, StepCase{10, 6, 2}, StepCase{1, 3, 0.5}, StepCase{37, 5, 10},
        StepCase{0.003, 4, 0.001}, StepCase{4e6, 5, 1e6}, StepCase{0, 5, 1}}) {
    EXPECT_DOUBLE_EQ(NiceStep(c.span, c.ticks), c.step) << c.span << " " << c.ticks;
  }
  EXPECT_EQ(TickValues({-0.25, 1.1}, 0.5), (std::vector<double>{0, 0.5, 1}));
  EXPECT_EQ(TickValues({-0.3, 0.3}, 0.1).size(), 7u);  // no tick lost to rounding
  EXPECT_EQ(TickLabel(0.25, 0.05), "0.25");
  EXPECT_EQ(TickLabel(-3, 1), "-3");
  EXPECT_EQ(TickLabel(-1e-17, 0.1), "0.0");
  EXPECT_EQ(TickLabel(2e6, 1e6), "2e+06");
}

// A pole throws values far out: the range keeps to the curve's bulk, but a
// curve's own peak (sin(x)/x at 0) stays inside.
TEST(PlotAxes, AutomaticRangeClipsOutliersOnly) {
  Context ctx;
  const PlotSeries pole = Sample(ctx, "g(x)=1/x", -2, 2);
  const AxisRange poleRange = AutoValueRange({pole});
  EXPECT_LT(poleRange.high, 100);
  EXPECT_GT(poleRange.high, 5);
  EXPECT_LT(poleRange.low, -5);
  const AxisRange sinc = AutoValueRange({Sample(ctx, "f(x)=sin(x)/x", -20, 20)});
  EXPECT_GT(sinc.high, 1);
  EXPECT_LT(sinc.low, -0.217);
  const PlotView fixed = MakePlotView({pole}, {-2, 2}, AxisRange{-1, 1}, 5, 5);
  EXPECT_EQ(fixed.y.high, 1);
  const AxisRange flat = AutoValueRange({Sample(ctx, "c(x)=5", 0, 1)});
  EXPECT_TRUE(flat.low < 5 && flat.high > 5);
}

// A line that leaves the frame and comes back is drawn as two lines that
// end on the frame's edge.
TEST(PlotAxes, LinesAreCutAtTheFrame) {
  PlotView view;
  view.x = {0, 10};
  view.y = {0, 10};
  const std::vector<PlotPoint> points = {{0, 5}, {5, 20}, {10, 5}, {11, 5}};
  const auto lines = VisibleLines(points, view, {0, 0, 100, 100});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_DOUBLE_EQ(lines[0].back().y, 0);  // the top edge
  EXPECT_DOUBLE_EQ(lines[1].front().y, 0);
  EXPECT_DOUBLE_EQ(lines[1].back().x, 100);  // the right edge, not beyond
  // A branch inside the frame stays one line, however its points round.
  Context ctx;
  const PlotSeries sinc = Sample(ctx, "s(x)=sin(x)/(x+0.1)", -20, 20);
  const PlotView auto_ = MakePlotView({sinc}, {-20, 20}, std::nullopt, 5, 5);
  EXPECT_EQ(VisibleLines(sinc.points, auto_, {70, 40, 710, 405}).size(), 2u);  // the pole
}

}  // namespace
}  // namespace zemu
