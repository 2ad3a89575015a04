// The frame of a graph: the ranges of its axes, their ticks at round
// numbers (1, 2 or 5 times a power of ten) and their captions, and the
// lines of a sampled curve cut to the frame. Every front end and file
// writer draws from the same PlotView.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/plot.h"

namespace zemu {

struct AxisRange {
  double low = 0;
  double high = 1;
};

// The step of round ticks (1, 2 or 5 times a power of ten) that puts at
// most `maxTicks` ticks (at least 2) on a span; 1 for an empty span.
double NiceStep(double span, int maxTicks);
// The multiples of `step` within the range, ascending.
std::vector<double> TickValues(const AxisRange& range, double step);
// A tick's label with as many decimals as the step needs ("0.25", "-3",
// "1e+06").
std::string TickLabel(double value, double step);

// The range of the values of all series that a graph shows when no range
// is given: all of them, unless some stand far out (a pole throws values to
// 1e15); then the bulk, measured along the x axis so that refined parts do
// not count more, widened to keep the curves' own peaks. A margin is added
// at both ends; a flat curve gets a range around its level.
AxisRange AutoValueRange(const std::vector<PlotSeries>& series);

// What a graph's frame shows.
struct PlotView {
  AxisRange x;
  AxisRange y;
  double xStep = 1;
  double yStep = 1;
  std::vector<double> xTicks;
  std::vector<double> yTicks;
  std::string xCaption;  // the parameter and its unit: "x [m]" (Shift-JIS)
  std::string yCaption;  // the functions and the results' unit: "f(x), g(x) [m2]"
};

// The frame for `series` over the x range `x`, with the y range `y` when
// given (automatic otherwise), and at most this many ticks on each axis.
PlotView MakePlotView(const std::vector<PlotSeries>& series, const AxisRange& x,
                      const std::optional<AxisRange>& y, int maxXTicks, int maxYTicks);

// A rectangle in a drawing's coordinates (y grows downwards).
struct PlotBox {
  double left = 0;
  double top = 0;
  double width = 1;
  double height = 1;
};

// The lines to draw for `points` in `box`, in the box's coordinates: each
// branch (Branches) cut to the view's ranges widened by `margin` (a share
// of each range) on all sides. A part outside the view is left out, so a
// branch that leaves and comes back gives two lines; a line may hold a
// single point.
std::vector<std::vector<PlotPoint>> VisibleLines(const std::vector<PlotPoint>& points,
                                                 const PlotView& view, const PlotBox& box,
                                                 double margin = 0);

}  // namespace zemu
