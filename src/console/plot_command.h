// Graphs of functions for the front ends: sampling the functions a user
// names over a range, writing a graph as an SVG file, and the command
// ":plot f[,g...] FROM TO [LOW HIGH] [FILE.svg]" that a front end offers
// besides the statements. The front end draws what it gets (a PlotView of
// engine/plot_axes.h at its own size).
//
//   Plot plot;
//   if (MenuPlot(ctx, "f,g -20 20", plot)) {
//     PlotView view = MakePlotView(plot.series, plot.x, plot.y, 10, 8);
//     ...  // draw view.xTicks, VisibleLines(plot.series[n].points, view, box)
//   }
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/plot_axes.h"

namespace zemu {

struct Context;

// What a graph shows: sampled functions over a range.
struct Plot {
  std::vector<PlotSeries> series;
  AxisRange x;                 // in the parameter's unit of each function
  std::optional<AxisRange> y;  // the values' range when fixed; automatic when empty
};

// Samples the functions `names` (Shift-JIS) over `x` into `plot.series`,
// inside the caller's run. A name that is not a function of one parameter
// is reported on the console, and nothing is sampled. False then, and when
// the run was stopped (the guard reported it).
bool SamplePlot(Context& ctx, const std::vector<std::string>& names, const AxisRange& x,
                Plot& plot);

// Writes `plot` as an SVG file (`fileName` in Shift-JIS). A file that is
// there and is not a graph this program wrote is written over only after
// the user's yes; where nobody can be asked it is left alone. A failure is
// reported with its reason; false then.
bool WritePlotSvg(Context& ctx, const Plot& plot, const std::string& fileName);

// The command ":plot" with its `arguments` (Shift-JIS, after the word): the
// functions separated by commas, the range's two ends (formulas, in the
// first function's parameter unit unless they carry one), optionally a
// fixed range of the values, and optionally an SVG file to write. Runs as
// an idle-only menu action (see RunMenuAction). True when `plot` holds a
// graph for the front end to draw: nothing failed and no file was named.
bool MenuPlot(Context& ctx, std::string_view arguments, Plot& plot);

}  // namespace zemu
