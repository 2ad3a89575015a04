// The frame of a graph: round ticks, the automatic range of the values and
// the cutting of the curves to the frame.
#include "engine/plot_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace zemu {

namespace {

// Values beyond this are drawn as if they were this large: far outside any
// frame, and still safe to subtract.
constexpr double kLargestDrawn = 1e300;
// The bulk of the values: the middle 80%, measured along the x axis.
constexpr double kBulkShare = 0.1;
// Values within this many bulk heights of the bulk are no outliers.
constexpr double kOutlierReach = 3;
// The room left above and below the curves, a share of their height.
constexpr double kValueMargin = 0.05;

struct Weighted {
  double y;
  double weight;
};

// The values of all series, each weighted by the stretch of x it stands
// for, so that the points added where a curve bends do not count more.
std::vector<Weighted> WeightedValues(const std::vector<PlotSeries>& series) {
  std::vector<Weighted> values;
  for (const PlotSeries& s : series) {
    const std::vector<PlotPoint>& p = s.points;
    for (std::size_t i = 0; i < p.size(); ++i) {
      if (std::isnan(p[i].y)) continue;
      const double left = i > 0 ? p[i - 1].x : p[i].x;
      const double right = i + 1 < p.size() ? p[i + 1].x : p[i].x;
      values.push_back({p[i].y, std::max((right - left) / 2, 0.0)});
    }
  }
  std::sort(values.begin(), values.end(),
            [](const Weighted& a, const Weighted& b) { return a.y < b.y; });
  return values;
}

// The value below which `share` of the total weight lies.
double WeightedQuantile(const std::vector<Weighted>& values, double total, double share) {
  double sum = 0;
  for (const Weighted& v : values) {
    sum += v.weight;
    if (sum >= share * total) return v.y;
  }
  return values.back().y;
}

// A range around the level of a flat curve.
AxisRange AroundLevel(double level) {
  const double reach = level != 0 ? std::abs(level) / 10 : 1;
  return {level - reach, level + reach};
}

std::string JoinDistinct(const std::vector<std::string>& items) {
  std::vector<std::string> seen;
  std::string joined;
  for (const std::string& item : items) {
    if (item.empty() || std::find(seen.begin(), seen.end(), item) != seen.end()) continue;
    seen.push_back(item);
    joined += (joined.empty() ? "" : ", ") + item;
  }
  return joined;
}

// Cuts the segment a-b to the rectangle (Liang-Barsky). False when no part
// of it is inside; otherwise a and b are moved onto the part inside.
bool CutSegment(PlotPoint& a, PlotPoint& b, const AxisRange& xs, const AxisRange& ys) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  double enter = 0;
  double leave = 1;
  const double sides[4][2] = {
      {-dx, a.x - xs.low}, {dx, xs.high - a.x}, {-dy, a.y - ys.low}, {dy, ys.high - a.y}};
  for (const auto& [toward, room] : sides) {
    if (toward == 0) {
      if (room < 0) return false;
      continue;
    }
    const double t = room / toward;
    if (toward < 0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
  }
  if (enter > leave) return false;
  // An end inside stays exactly where it was, so that the next segment
  // goes on from it.
  if (leave < 1) b = {a.x + leave * dx, a.y + leave * dy};
  if (enter > 0) a = {a.x + enter * dx, a.y + enter * dy};
  return true;
}

bool Inside(const PlotPoint& p, const AxisRange& xs, const AxisRange& ys) {
  return p.x >= xs.low && p.x <= xs.high && p.y >= ys.low && p.y <= ys.high;
}

}  // namespace

double NiceStep(double span, int maxTicks) {
  if (!(span > 0) || !std::isfinite(span)) return 1;
  const double raw = span / std::max(maxTicks - 1, 1);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double nice : {1.0, 2.0, 5.0}) {
    if (nice * power >= raw * (1 - 1e-9)) return nice * power;
  }
  return 10 * power;
}

std::vector<double> TickValues(const AxisRange& range, double step) {
  std::vector<double> ticks;
  if (!(step > 0) || !(range.high >= range.low)) return ticks;
  const double first = std::ceil(range.low / step - 1e-9);
  for (double k = first;; ++k) {
    double value = k * step;
    if (value > range.high + step * 1e-9) break;
    if (std::abs(value) < step * 1e-9) value = 0;
    ticks.push_back(value);
  }
  return ticks;
}

std::string TickLabel(double value, double step) {
  if (std::abs(value) < step * 1e-9) value = 0;
  char text[40];
  const double largest = std::max(std::abs(value), step);
  if (largest >= 1e6 || step < 1e-4) {
    std::snprintf(text, sizeof text, "%.6g", value);
  } else {
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
  }
  return text;
}

AxisRange AutoValueRange(const std::vector<PlotSeries>& series) {
  const std::vector<Weighted> values = WeightedValues(series);
  if (values.empty()) return {-1, 1};
  double total = 0;
  for (const Weighted& v : values) total += v.weight;
  double low = values.front().y;
  double high = values.back().y;
  if (total > 0) {
    const double bulkLow = WeightedQuantile(values, total, kBulkShare);
    const double bulkHigh = WeightedQuantile(values, total, 1 - kBulkShare);
    const double reach = (bulkHigh - bulkLow) * kOutlierReach;
    if (reach > 0) {
      low = std::max(low, bulkLow - reach);
      high = std::min(high, bulkHigh + reach);
    }
  }
  if (!(high > low)) return AroundLevel(low);
  const double margin = (high - low) * kValueMargin;
  return {low - margin, high + margin};
}

PlotView MakePlotView(const std::vector<PlotSeries>& series, const AxisRange& x,
                      const std::optional<AxisRange>& y, int maxXTicks, int maxYTicks) {
  PlotView view;
  view.x = x.high > x.low ? x : AroundLevel(x.low);
  view.y = y && y->high > y->low ? *y : y ? AroundLevel(y->low) : AutoValueRange(series);
  view.xStep = NiceStep(view.x.high - view.x.low, maxXTicks);
  view.yStep = NiceStep(view.y.high - view.y.low, maxYTicks);
  view.xTicks = TickValues(view.x, view.xStep);
  view.yTicks = TickValues(view.y, view.yStep);
  std::vector<std::string> parameters;
  std::vector<std::string> calls;
  std::vector<std::string> units;
  for (const PlotSeries& s : series) {
    parameters.push_back(s.parameter + (s.xUnit.empty() ? "" : " " + s.xUnit));
    calls.push_back(s.name + "(" + s.parameter + ")");
    units.push_back(s.yUnit);
  }
  view.xCaption = parameters.empty() ? std::string() : parameters.front();
  const std::string unit = JoinDistinct(units);
  view.yCaption = JoinDistinct(calls) + (unit.empty() ? "" : " " + unit);
  return view;
}

std::vector<std::vector<PlotPoint>> VisibleLines(const std::vector<PlotPoint>& points,
                                                 const PlotView& view, const PlotBox& box,
                                                 double margin) {
  const double xSpan = view.x.high - view.x.low;
  const double ySpan = view.y.high - view.y.low;
  const AxisRange xs{view.x.low - margin * xSpan, view.x.high + margin * xSpan};
  const AxisRange ys{view.y.low - margin * ySpan, view.y.high + margin * ySpan};
  const auto place = [&](const PlotPoint& p) {
    return PlotPoint{box.left + (p.x - view.x.low) / xSpan * box.width,
                     box.top + (view.y.high - p.y) / ySpan * box.height};
  };
  const auto drawable = [](PlotPoint p) {
    p.y = std::clamp(p.y, -kLargestDrawn, kLargestDrawn);
    return p;
  };
  std::vector<std::vector<PlotPoint>> lines;
  for (const std::vector<PlotPoint>& branch : Branches(points)) {
    bool open = false;  // the last line ends where the next segment begins
    if (branch.size() == 1 && Inside(branch.front(), xs, ys)) {
      lines.push_back({place(branch.front())});
    }
    for (std::size_t i = 0; i + 1 < branch.size(); ++i) {
      PlotPoint a = drawable(branch[i]);
      PlotPoint b = drawable(branch[i + 1]);
      const PlotPoint end = b;
      if (!CutSegment(a, b, xs, ys)) {
        open = false;
        continue;
      }
      if (!open) lines.push_back({place(a)});
      lines.back().push_back(place(b));
      open = b.x == end.x && b.y == end.y;
    }
  }
  return lines;
}

}  // namespace zemu
