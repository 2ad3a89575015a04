// Draws a graph in characters: the curves are set as dots on a grid (lines
// between the points), the grid is turned into braille or ASCII characters,
// and the frame, the labels and the legend are set around it.
#include "tty/plot_text.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zemu::tty {

namespace {

// The smallest plot that still reads as one.
constexpr int kLeastPlotRows = 4;
constexpr int kLeastPlotColumns = 16;
// Columns given to each x tick's label at least, so that labels do not touch.
constexpr int kColumnsPerXTick = 10;
// Rows for each value tick at least.
constexpr int kRowsPerYTick = 3;
constexpr const char* kAnsiColours[] = {"\x1b[34m", "\x1b[31m", "\x1b[32m",
                                        "\x1b[35m", "\x1b[33m", "\x1b[90m"};
constexpr const char* kAnsiPlain = "\x1b[0m";
// ASCII cells hold three dots, one above the other; the character for each
// set of them (bit 0 the top).
constexpr char kAsciiCells[] = " '-'.:,|";

// The dots of the plot area: which are set, and which curve set each
// character last (-1: none; axis dots have no curve).
class DotGrid {
 public:
  DotGrid(int columns, int rows, bool braille)
      : columns_(columns),
        rows_(rows),
        dotColumns_(braille ? 2 : 1),
        dotRows_(braille ? 4 : 3),
        dots_(static_cast<std::size_t>(Width() * Height()), 0),
        owner_(static_cast<std::size_t>(columns * rows), -1) {}

  int Width() const { return columns_ * dotColumns_; }
  int Height() const { return rows_ * dotRows_; }
  int dotRows() const { return dotRows_; }
  int dotColumns() const { return dotColumns_; }

  void Set(int x, int y, int curve) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    dots_[static_cast<std::size_t>(y * Width() + x)] = 1;
    if (curve >= 0) owner_[static_cast<std::size_t>(Cell(x, y))] = curve;
  }

  // A straight line of dots from (x0, y0) to (x1, y1).
  void Line(int x0, int y0, int x1, int y1, int curve) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    for (int error = dx + dy;;) {
      Set(x0, y0, curve);
      if (x0 == x1 && y0 == y1) return;
      const int twice = 2 * error;
      if (twice >= dy) {
        error += dy;
        x0 += sx;
      }
      if (twice <= dx) {
        error += dx;
        y0 += sy;
      }
    }
  }

  // The character of a cell (UTF-8 braille or ASCII) and its curve.
  std::string Char(int column, int row, bool braille) const {
    int bits = 0;
    static constexpr int kBrailleBits[2][4] = {{0x01, 0x02, 0x04, 0x40}, {0x08, 0x10, 0x20, 0x80}};
    for (int dx = 0; dx < dotColumns_; ++dx) {
      for (int dy = 0; dy < dotRows_; ++dy) {
        const int x = column * dotColumns_ + dx;
        const int y = row * dotRows_ + dy;
        if (!dots_[static_cast<std::size_t>(y * Width() + x)]) continue;
        bits |= braille ? kBrailleBits[dx][dy] : 1 << dy;
      }
    }
    // An empty cell is a blank, which every font shows as nothing.
    if (!braille || bits == 0) return std::string(1, kAsciiCells[bits]);
    // U+2800 + bits in UTF-8.
    return {'\xE2', static_cast<char>(0xA0 + (bits >> 6)), static_cast<char>(0x80 + (bits & 0x3F))};
  }

  int Owner(int column, int row) const {
    return owner_[static_cast<std::size_t>(row * columns_ + column)];
  }

 private:
  int Cell(int x, int y) const { return (y / dotRows_) * columns_ + x / dotColumns_; }

  int columns_;
  int rows_;
  int dotColumns_;
  int dotRows_;
  std::vector<char> dots_;
  std::vector<int> owner_;
};

// Where a value lands on the grid's dot rows and columns.
int DotY(const PlotView& view, double y, int height) {
  return static_cast<int>(
      std::lround((view.y.high - y) / (view.y.high - view.y.low) * (height - 1)));
}
int DotX(const PlotView& view, double x, int width) {
  return static_cast<int>(std::lround((x - view.x.low) / (view.x.high - view.x.low) * (width - 1)));
}

// Dotted lines where x or the value is zero.
void DrawZeroLines(DotGrid& grid, const PlotView& view) {
  if (view.y.low < 0 && view.y.high > 0) {
    const int y = DotY(view, 0, grid.Height());
    for (int x = 0; x < grid.Width(); x += 3) grid.Set(x, y, -1);
  }
  if (view.x.low < 0 && view.x.high > 0) {
    const int x = DotX(view, 0, grid.Width());
    for (int y = 0; y < grid.Height(); y += 3) grid.Set(x, y, -1);
  }
}

void DrawCurves(DotGrid& grid, const Plot& plot, const PlotView& view) {
  const PlotBox box{0, 0, static_cast<double>(grid.Width() - 1),
                    static_cast<double>(grid.Height() - 1)};
  for (std::size_t n = 0; n < plot.series.size(); ++n) {
    for (const std::vector<PlotPoint>& line : VisibleLines(plot.series[n].points, view, box)) {
      int x0 = static_cast<int>(std::lround(line.front().x));
      int y0 = static_cast<int>(std::lround(line.front().y));
      grid.Set(x0, y0, static_cast<int>(n));
      for (const PlotPoint& p : line) {
        const int x1 = static_cast<int>(std::lround(p.x));
        const int y1 = static_cast<int>(std::lround(p.y));
        grid.Line(x0, y0, x1, y1, static_cast<int>(n));
        x0 = x1;
        y0 = y1;
      }
    }
  }
}

std::string Padded(const std::string& text, int width) {
  return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))),
                     ' ') +
         text;
}

// The plot's rows with the value ticks' labels and the frame on the left.
std::vector<std::string> PlotRows(const DotGrid& grid, const PlotView& view, int rows, int columns,
                                  int labelWidth, const TextCanvas& canvas) {
  std::vector<std::string> labels(static_cast<std::size_t>(rows));
  for (double y : view.yTicks) {
    const int row = DotY(view, y, grid.Height()) / grid.dotRows();
    if (row >= 0 && row < rows) labels[static_cast<std::size_t>(row)] = TickLabel(y, view.yStep);
  }
  std::vector<std::string> lines;
  for (int row = 0; row < rows; ++row) {
    const std::string& label = labels[static_cast<std::size_t>(row)];
    std::string line = Padded(label, labelWidth);
    line += canvas.braille ? (label.empty() ? "│" : "┤") : (label.empty() ? "|" : "+");
    int shown = -1;  // the colour in force
    for (int column = 0; column < columns; ++column) {
      const int owner = canvas.colour ? grid.Owner(column, row) : -1;
      if (owner != shown) {
        line += owner < 0 ? kAnsiPlain : kAnsiColours[owner % std::size(kAnsiColours)];
        shown = owner;
      }
      line += grid.Char(column, row, canvas.braille);
    }
    if (shown >= 0) line += kAnsiPlain;
    while (line.ends_with(' ')) line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The frame's bottom with a mark at each x tick, and the labels below it.
void BottomRows(const DotGrid& grid, const PlotView& view, int columns, int labelWidth,
                bool braille, std::vector<std::string>& lines) {
  std::vector<int> tickColumns;
  for (double x : view.xTicks)
    tickColumns.push_back(DotX(view, x, grid.Width()) / grid.dotColumns());
  std::string frame(static_cast<std::size_t>(labelWidth), ' ');
  frame += braille ? "└" : "+";
  for (int column = 0; column < columns; ++column) {
    const bool tick =
        std::find(tickColumns.begin(), tickColumns.end(), column) != tickColumns.end();
    frame += braille ? (tick ? "┬" : "─") : (tick ? "+" : "-");
  }
  lines.push_back(frame);
  std::string labels;
  for (std::size_t k = 0; k < view.xTicks.size(); ++k) {
    const std::string label = TickLabel(view.xTicks[k], view.xStep);
    const int centre = labelWidth + 1 + tickColumns[k];
    const int start = std::max(centre - static_cast<int>(label.size()) / 2, 0);
    if (start < static_cast<int>(labels.size()) + (labels.empty() ? 0 : 1)) continue;
    labels += std::string(static_cast<std::size_t>(start) - labels.size(), ' ') + label;
  }
  lines.push_back(labels);
}

int LabelWidth(const PlotView& view) {
  std::size_t width = 1;
  for (double y : view.yTicks) width = std::max(width, TickLabel(y, view.yStep).size());
  return static_cast<int>(width);
}

}  // namespace

std::vector<std::string> PlotText(const Plot& plot, const TextCanvas& canvas,
                                  const std::function<std::string(std::string_view)>& toTerminal) {
  // Caption, frame bottom, x labels, x caption, legend and the prompt.
  const int rows = std::max(canvas.rows - 5 - static_cast<int>(plot.series.size()), kLeastPlotRows);
  PlotView view = MakePlotView(plot.series, plot.x, plot.y, 2, std::max(rows / kRowsPerYTick, 2));
  const int labelWidth = LabelWidth(view);
  // One column is left free at the right: a terminal may wrap at its last.
  const int columns = std::max(canvas.columns - labelWidth - 2, kLeastPlotColumns);
  view = MakePlotView(plot.series, plot.x, plot.y, std::max(columns / kColumnsPerXTick, 2),
                      std::max(rows / kRowsPerYTick, 2));
  DotGrid grid(columns, rows, canvas.braille);
  DrawZeroLines(grid, view);
  DrawCurves(grid, plot, view);
  std::vector<std::string> lines = {toTerminal(view.yCaption)};
  for (std::string& line : PlotRows(grid, view, rows, columns, labelWidth, canvas)) {
    lines.push_back(std::move(line));
  }
  BottomRows(grid, view, columns, labelWidth, canvas.braille, lines);
  const std::string xCaption = toTerminal(view.xCaption);
  lines.push_back(
      Padded(xCaption, labelWidth + 1 + columns / 2 + static_cast<int>(xCaption.size()) / 2));
  for (std::size_t n = 0; n < plot.series.size(); ++n) {
    const std::string mark = canvas.braille ? "──" : "--";
    std::string line = "  ";
    if (canvas.colour) line += kAnsiColours[n % std::size(kAnsiColours)];
    line += mark;
    if (canvas.colour) line += kAnsiPlain;
    lines.push_back(line + " " + toTerminal(plot.series[n].text));
  }
  return lines;
}

void TerminalSize(int fd, int& columns, int& rows) {
  columns = 80;
  rows = 24;
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    columns = size.ws_col;
    rows = size.ws_row;
  }
}

}  // namespace zemu::tty
