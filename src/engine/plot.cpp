// Sampling a function for a graph: an even first pass, passes that halve
// the intervals where the curve bends or its values stop, and a search for
// poles, where the curve is broken in two.
#include "engine/plot.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/sjis_literal.h"
#include "host/context.h"
#include "host/guard.h"

namespace zemu {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
// A point further from the straight line through its neighbours than this
// share of the curve's height is a bend worth more points: about a pixel
// of a large graph.
constexpr double kBendShare = 1e-3;
// A step between two neighbours larger than this share of the height, with
// a change of sign, is looked at as a possible pole.
constexpr double kJumpShare = 0.5;
// How often a possible pole is halved to tell it from a steep slope.
constexpr int kPoleSteps = 16;
// Evaluations kept back from the refinement for the search for poles.
constexpr std::size_t kPoleReserve = 8 * (kPoleSteps + 1);
// The share of values left out at each end when the curve's height is
// measured, so that a pole does not make everything else flat.
constexpr double kOutlierShare = 0.05;

bool HasValue(const PlotPoint& p) { return !std::isnan(p.y); }

// Calls the function at x through the evaluator.
class Caller {
 public:
  Caller(Context& ctx, const PlotFunction& function, PlotSeries& series)
      : ctx_(ctx), function_(function), series_(series) {}

  // The function's value at x (NaN where it has none). False when the run
  // is to stop.
  bool At(double x, PlotPoint& point) {
    point = {x, kNoValue};
    if (StatementGuard(ctx_)) return false;
    const Value v =
        CallDefinition(ctx_, *function_.definition, {MakeNumber(x, function_.parameter.unit)});
    if (RunStopped(ctx_.guard, ctx_.runState)) return false;
    if (v.IsNumber() && std::isfinite(v.number)) {
      point.y = v.number;
      if (!unitTaken_) series_.yUnit = IsNoUnit(v.unit) ? std::string() : v.unit;
      unitTaken_ = true;
    }
    return true;
  }

 private:
  Context& ctx_;
  const PlotFunction& function_;
  PlotSeries& series_;
  bool unitTaken_ = false;
};

// The height of the curve without its outliers (the middle 90% of the
// values of the even pass); 1 when there is nothing to measure.
double HeightOf(const std::vector<PlotPoint>& points) {
  std::vector<double> ys;
  for (const PlotPoint& p : points) {
    if (HasValue(p)) ys.push_back(p.y);
  }
  if (ys.empty()) return 1;
  std::sort(ys.begin(), ys.end());
  const auto at = [&ys](double share) {
    return ys[static_cast<std::size_t>(share * static_cast<double>(ys.size() - 1))];
  };
  const double height = at(1 - kOutlierShare) - at(kOutlierShare);
  if (height > 0 && std::isfinite(height)) return height;
  const double level = std::abs(at(0.5));
  return level > 0 && std::isfinite(level) ? level : 1;
}

struct Tolerances {
  double bend;  // a midpoint this far off the chord asks for more points
  double jump;  // a step this large may be a pole
};

// Whether the interval from a to b (whose midpoint is unknown) needs
// halving: one end without a value (the gap's edge is looked for), or a
// step large enough to be a pole.
bool EdgeOrJump(const PlotPoint& a, const PlotPoint& b, const Tolerances& tol) {
  if (HasValue(a) != HasValue(b)) return true;
  return HasValue(a) && std::abs(b.y - a.y) > tol.jump;
}

// Marks the intervals of the even pass to halve: where the second
// difference shows a bend, a gap begins or ends, or the curve jumps.
std::vector<char> FirstMarks(const std::vector<PlotPoint>& p, const Tolerances& tol) {
  std::vector<char> marks(p.size(), 0);
  for (std::size_t i = 0; i + 1 < p.size(); ++i) marks[i] = EdgeOrJump(p[i], p[i + 1], tol);
  for (std::size_t i = 1; i + 1 < p.size(); ++i) {
    if (!HasValue(p[i - 1]) || !HasValue(p[i]) || !HasValue(p[i + 1])) continue;
    // The middle point's distance from the chord of its neighbours.
    if (std::abs(p[i].y - (p[i - 1].y + p[i + 1].y) / 2) > tol.bend) {
      marks[i - 1] = 1;
      marks[i] = 1;
    }
  }
  return marks;
}

// How much an interval marked for halving matters when not all can be:
// the edges of gaps first, then the largest steps.
double Urgency(const PlotPoint& a, const PlotPoint& b) {
  if (HasValue(a) != HasValue(b)) return std::numeric_limits<double>::infinity();
  return HasValue(a) ? std::abs(b.y - a.y) : 0;
}

// Keeps the `room` most urgent marks.
void KeepMostUrgent(const std::vector<PlotPoint>& p, std::vector<char>& marks, std::size_t room) {
  std::vector<std::pair<double, std::size_t>> marked;
  for (std::size_t i = 0; i + 1 < p.size(); ++i) {
    if (marks[i]) marked.emplace_back(Urgency(p[i], p[i + 1]), i);
  }
  if (marked.size() <= room) return;
  std::nth_element(marked.begin(), marked.begin() + static_cast<std::ptrdiff_t>(room), marked.end(),
                   std::greater<>());
  for (std::size_t k = room; k < marked.size(); ++k) marks[marked[k].second] = 0;
}

// Whether the halves a-m and m-b need halving again.
std::pair<char, char> HalvesToMark(const PlotPoint& a, const PlotPoint& m, const PlotPoint& b,
                                   const Tolerances& tol) {
  if (HasValue(a) && HasValue(m) && HasValue(b) && std::abs(m.y - (a.y + b.y) / 2) > tol.bend) {
    return {1, 1};
  }
  return {EdgeOrJump(a, m, tol), EdgeOrJump(m, b, tol)};
}

// One pass: halves every marked interval and marks the halves that need it.
// False when the run is to stop.
bool HalveMarked(Caller& call, std::vector<PlotPoint>& p, std::vector<char>& marks,
                 const Tolerances& tol) {
  std::vector<PlotPoint> next;
  std::vector<char> nextMarks;
  next.reserve(p.size() * 2);
  for (std::size_t i = 0; i < p.size(); ++i) {
    next.push_back(p[i]);
    const double mid = i + 1 < p.size() ? p[i].x + (p[i + 1].x - p[i].x) / 2 : p[i].x;
    if (!marks[i] || !(mid > p[i].x && mid < p[i + 1].x)) {
      nextMarks.push_back(0);
      continue;
    }
    PlotPoint m;
    if (!call.At(mid, m)) return false;
    const auto [left, right] = HalvesToMark(p[i], m, p[i + 1], tol);
    nextMarks.push_back(left);
    next.push_back(m);
    nextMarks.push_back(right);
  }
  p = std::move(next);
  marks = std::move(nextMarks);
  return true;
}

// Halves the interval a-b, which holds a change of sign with a large step,
// towards the change, and puts the points found into `found`. True in
// `pole` when the step does not shrink as the interval does: the curve
// goes off to infinity there. False when the run is to stop.
bool ChasePole(Caller& call, PlotPoint a, PlotPoint b, std::vector<PlotPoint>& found, bool& pole) {
  const double first = std::abs(b.y - a.y);
  pole = false;
  for (int step = 0; step < kPoleSteps; ++step) {
    const double mid = a.x + (b.x - a.x) / 2;
    if (!(mid > a.x && mid < b.x)) break;
    PlotPoint m;
    if (!call.At(mid, m)) return false;
    found.push_back(m);
    // A gap breaks the line by itself; a zero is a crossing, not a pole.
    if (!HasValue(m) || m.y == 0) return true;
    if ((m.y < 0) == (a.y < 0)) {
      a = m;
    } else {
      b = m;
    }
  }
  pole = std::abs(b.y - a.y) >= first / 2;
  if (pole) found.push_back({a.x + (b.x - a.x) / 2, kNoValue});
  return true;
}

// Looks at each change of sign with a large step for a pole and breaks the
// line there. False when the run is to stop.
bool BreakAtPoles(Caller& call, std::vector<PlotPoint>& p, const Tolerances& tol,
                  std::size_t room) {
  std::vector<PlotPoint> found;
  for (std::size_t i = 0; i + 1 < p.size(); ++i) {
    const PlotPoint& a = p[i];
    const PlotPoint& b = p[i + 1];
    if (!HasValue(a) || !HasValue(b) || (a.y < 0) == (b.y < 0) || a.y == 0 || b.y == 0) continue;
    if (std::abs(b.y - a.y) <= tol.jump) continue;
    if (found.size() + kPoleSteps + 1 > room) break;
    bool pole = false;
    if (!ChasePole(call, a, b, found, pole)) return false;
  }
  if (found.empty()) return true;
  p.insert(p.end(), found.begin(), found.end());
  std::stable_sort(p.begin(), p.end(),
                   [](const PlotPoint& l, const PlotPoint& r) { return l.x < r.x; });
  return true;
}

}  // namespace

bool FindPlotFunction(Context& ctx, std::string_view name, PlotFunction& function,
                      std::string& error) {
  const std::string text(name);
  const char* cursor = text.c_str();
  DefinitionRef where = FindDefinition(ctx, cursor, FunctionKind);
  if (!where) {
    cursor = text.c_str();
    error = FindDefinition(ctx, cursor, 0) ? text + " は関数ではありません。"_sj
                                           : "関数 "_sj + text + " は定義されていません。"_sj;
    return false;
  }
  function.where = where;
  function.definition = DefinitionForUse(*where.sheet, where.row);
  const std::vector<DefinitionParameter> parameters = ParametersOf(ctx, *function.definition);
  if (parameters.size() != 1) {
    error = "関数 "_sj + text + " の引数は"_sj + std::to_string(parameters.size()) +
            "個です。グラフにできるのは引数が1個の関数です。"_sj;
    return false;
  }
  function.parameter = parameters.front();
  return true;
}

bool SampleFunction(Context& ctx, const PlotFunction& function, double from, double to,
                    PlotSeries& series, const SamplingLimits& limits) {
  Definition& d = *function.definition;
  series = PlotSeries{};
  series.name = d.Name();
  series.text = d.Text();
  series.parameter = function.parameter.name;
  series.xUnit = function.parameter.unit;
  Caller call(ctx, function, series);
  std::vector<PlotPoint>& p = series.points;
  const int count = std::max(limits.initialPoints, 2);
  for (int i = 0; i < count; ++i) {
    const double x = i + 1 == count ? to : from + (to - from) * i / (count - 1);
    PlotPoint point;
    if (!call.At(x, point)) return false;
    p.push_back(point);
  }
  const double height = HeightOf(p);
  const Tolerances tol{height * kBendShare, height * kJumpShare};
  std::vector<char> marks = FirstMarks(p, tol);
  const auto maxPoints = static_cast<std::size_t>(std::max(limits.maxPoints, count));
  const std::size_t refined = std::max(maxPoints - std::min(maxPoints, kPoleReserve), p.size());
  for (int depth = 0; depth < limits.maxDepth && p.size() < refined; ++depth) {
    if (std::find(marks.begin(), marks.end(), 1) == marks.end()) break;
    KeepMostUrgent(p, marks, refined - p.size());
    if (!HalveMarked(call, p, marks, tol)) return false;
  }
  if (!BreakAtPoles(call, p, tol, maxPoints > p.size() ? maxPoints - p.size() : 0)) return false;
  series.gaps = static_cast<int>(
      std::count_if(p.begin(), p.end(), [](const PlotPoint& point) { return !HasValue(point); }));
  // The row shows what the calls left as the function's value.
  TDefine& sheet = *function.where.sheet;
  if (function.where.row < sheet.RowCount() &&
      DefinitionForUse(sheet, function.where.row) == function.definition) {
    ShowRowValue(ctx, sheet, function.where.row);
  }
  return true;
}

std::vector<std::vector<PlotPoint>> Branches(const std::vector<PlotPoint>& points) {
  std::vector<std::vector<PlotPoint>> branches;
  bool open = false;
  for (const PlotPoint& p : points) {
    if (!HasValue(p)) {
      open = false;
      continue;
    }
    if (!open) branches.emplace_back();
    branches.back().push_back(p);
    open = true;
  }
  return branches;
}

}  // namespace zemu
