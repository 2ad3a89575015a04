// Sampling a function definition of one parameter for a graph: the function
// is called through the evaluator as a formula calls it (dynamic scope, the
// parameter's unit, the statement guard), first at evenly spaced points,
// then again where the curve bends, jumps or stops having values, so that
// steep parts get more points than straight ones.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/store.h"
#include "engine/definition_values.h"

namespace zemu {

struct Context;

// One sampled point. A NaN `y` is a gap: the function gave an error or no
// value there, or the curve breaks there (a pole between two points).
struct PlotPoint {
  double x = 0;
  double y = 0;
};

// The first even sampling: enough points that a smooth curve needs no more.
inline constexpr int kPlotInitialPoints = 256;
// The most points one function gets, so that a wild curve still ends soon.
inline constexpr int kPlotMaxPoints = 4000;
// How often an interval is halved at most (a pole, the edge of a gap).
inline constexpr int kPlotMaxDepth = 14;

struct SamplingLimits {
  int initialPoints = kPlotInitialPoints;
  int maxPoints = kPlotMaxPoints;
  int maxDepth = kPlotMaxDepth;
};

// A function found for plotting, with its one parameter.
struct PlotFunction {
  std::shared_ptr<Definition> definition;
  DefinitionRef where;  // its sheet and row
  DefinitionParameter parameter;
};

// A sampled function: what a graph draws of it and how it labels it.
struct PlotSeries {
  std::string name;               // the function's name (Shift-JIS)
  std::string text;               // its definition text, for the legend
  std::string parameter;          // the parameter's name
  std::string xUnit;              // the parameter's unit text ("[m]"); empty when none
  std::string yUnit;              // the unit text of the results; empty when none
  std::vector<PlotPoint> points;  // ascending x
  int gaps = 0;                   // points without a value
};

// Finds the function `name` as a formula would (newest sheet first): it must
// be a function definition of exactly one parameter. On failure `error`
// holds the message (Shift-JIS, without "ERROR:").
bool FindPlotFunction(Context& ctx, std::string_view name, PlotFunction& function,
                      std::string& error);

// Samples `function` over [from, to] (from < to, in the parameter's unit)
// into `series`. False when the run was stopped meanwhile (an abort, the
// stack's reserve); the guard has then reported it and `series` is partial.
bool SampleFunction(Context& ctx, const PlotFunction& function, double from, double to,
                    PlotSeries& series, const SamplingLimits& limits = {});

// The runs of points with values, split at every gap: the lines to draw.
std::vector<std::vector<PlotPoint>> Branches(const std::vector<PlotPoint>& points);

}  // namespace zemu
