// The graph window.
#include "gui/graph_window.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QImageWriter>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "console/menu.h"
#include "engine/plot_svg.h"
#include "gui/qt_text.h"
#include "host/context.h"
#include "host/toolkit.h"
#include "host/window_texts.h"

namespace zemu::gui {

namespace {

// One wheel step zooms by this much.
constexpr double kZoomStep = 1.25;
// Room around the drawing area, in pixels.
constexpr int kMargin = 10;
// About this many pixels between two ticks.
constexpr int kTickSpacingX = 90;
constexpr int kTickSpacingY = 45;

QString Number(double value) { return QString::number(value, 'g', 6); }

// The value of the sampled curve at `x`: the straight line between the
// samples on either side; none in a gap or outside the samples.
std::optional<double> ValueAt(const std::vector<PlotPoint>& points, double x) {
  const auto after = std::lower_bound(points.begin(), points.end(), x,
                                      [](const PlotPoint& p, double v) { return p.x < v; });
  if (after == points.end() || (after == points.begin() && after->x != x)) return std::nullopt;
  if (after->x == x) {
    return std::isnan(after->y) ? std::nullopt : std::optional<double>(after->y);
  }
  const PlotPoint& before = *(after - 1);
  if (std::isnan(before.y) || std::isnan(after->y)) return std::nullopt;
  return before.y + (after->y - before.y) * (x - before.x) / (after->x - before.x);
}

QString UnitText(const std::string& unit) { return unit.empty() ? QString() : ToQString(unit); }

}  // namespace

struct GraphWindow::Frame {
  PlotView view;
  PlotBox box;
  QRectF area;

  double XAt(double px) const {
    return view.x.low + (px - box.left) / box.width * (view.x.high - view.x.low);
  }
  double YAt(double py) const {
    return view.y.high - (py - box.top) / box.height * (view.y.high - view.y.low);
  }
  double PxOf(double x) const {
    return box.left + (x - view.x.low) / (view.x.high - view.x.low) * box.width;
  }
  double PyOf(double y) const {
    return box.top + (view.y.high - y) / (view.y.high - view.y.low) * box.height;
  }
};

GraphWindow::GraphWindow(Context& ctx, Plot plot, QWidget* owner)
    : QWidget(owner, Qt::Window), ctx_(ctx), plot_(std::move(plot)) {
  for (const PlotSeries& series : plot_.series) names_.push_back(series.name);
  setAttribute(Qt::WA_DeleteOnClose);
  setMouseTracking(true);
  setWindowTitle(ToQString(kGraphTitlePrefix) + caption());
  resize(640, 420);
  setMinimumSize(240, 160);
}

QString GraphWindow::caption() const {
  QStringList names;
  for (const std::string& name : names_) names << ToQString(name);
  return names.join(QStringLiteral(", "));
}

// ---- Drawing -------------------------------------------------------------------

GraphWindow::Frame GraphWindow::FrameFor(QSize size) const {
  const QFontMetrics metrics(font());
  const int line = metrics.height();
  Frame frame;
  const int top = kMargin + line * static_cast<int>(plot_.series.size()) + kMargin;
  const int bottom = kMargin + 2 * line + 4;
  const int height = std::max(size.height() - top - bottom, 20);
  const int roughWidth = std::max(size.width() - 80, 20);
  frame.view = MakePlotView(plot_.series, plot_.x, plot_.y, std::max(roughWidth / kTickSpacingX, 2),
                            std::max(height / kTickSpacingY, 2));
  int labels = 0;
  for (double tick : frame.view.yTicks) {
    labels = std::max(labels, metrics.horizontalAdvance(
                                  QString::fromStdString(TickLabel(tick, frame.view.yStep))));
  }
  const int left = kMargin + line + labels + 6;
  const int width = std::max(size.width() - left - kMargin, 20);
  frame.box = PlotBox{double(left), double(top), double(width), double(height)};
  frame.area = QRectF(left, top, width, height);
  return frame;
}

void GraphWindow::Draw(QPainter& painter, QSize size) const {
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  painter.setRenderHint(QPainter::Antialiasing);
  const Frame frame = FrameFor(size);
  const QFontMetrics metrics(painter.font());
  const QRectF& area = frame.area;

  // Grid and tick labels.
  painter.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1));
  for (double tick : frame.view.xTicks) {
    const double px = frame.PxOf(tick);
    painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
  }
  for (double tick : frame.view.yTicks) {
    const double py = frame.PyOf(tick);
    painter.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
  }
  painter.setPen(Qt::black);
  for (double tick : frame.view.xTicks) {
    const QString label = QString::fromStdString(TickLabel(tick, frame.view.xStep));
    const double px = frame.PxOf(tick);
    painter.drawText(
        QPointF(px - metrics.horizontalAdvance(label) / 2.0, area.bottom() + 4 + metrics.ascent()),
        label);
  }
  for (double tick : frame.view.yTicks) {
    const QString label = QString::fromStdString(TickLabel(tick, frame.view.yStep));
    painter.drawText(QPointF(area.left() - 4 - metrics.horizontalAdvance(label),
                             frame.PyOf(tick) + metrics.ascent() / 2.0 - 1),
                     label);
  }
  // The zero lines, where they are in view.
  painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
  if (frame.view.x.low < 0 && frame.view.x.high > 0) {
    painter.drawLine(QPointF(frame.PxOf(0), area.top()), QPointF(frame.PxOf(0), area.bottom()));
  }
  if (frame.view.y.low < 0 && frame.view.y.high > 0) {
    painter.drawLine(QPointF(area.left(), frame.PyOf(0)), QPointF(area.right(), frame.PyOf(0)));
  }
  painter.setPen(Qt::black);
  painter.drawRect(area);

  // Captions: x below the labels, the values turned up along the left edge.
  const QString xCaption = ToQString(frame.view.xCaption);
  painter.drawText(QPointF(area.center().x() - metrics.horizontalAdvance(xCaption) / 2.0,
                           area.bottom() + 4 + metrics.height() + metrics.ascent()),
                   xCaption);
  const QString yCaption = ToQString(frame.view.yCaption);
  painter.save();
  painter.translate(kMargin + metrics.ascent(),
                    area.center().y() + metrics.horizontalAdvance(yCaption) / 2.0);
  painter.rotate(-90);
  painter.drawText(QPointF(0, 0), yCaption);
  painter.restore();

  // The curves, cut to the area, and their legend above it.
  painter.save();
  painter.setClipRect(area.adjusted(-1, -1, 1, 1));
  for (std::size_t n = 0; n < plot_.series.size(); ++n) {
    painter.setPen(QPen(QColor(QString::fromLatin1(PlotColour(n))), 1.5));
    for (const std::vector<PlotPoint>& line :
         VisibleLines(plot_.series[n].points, frame.view, frame.box, 0.05)) {
      QPolygonF polygon;
      for (const PlotPoint& p : line) polygon << QPointF(p.x, p.y);
      if (polygon.size() == 1) {
        painter.drawPoint(polygon.front());
      } else {
        painter.drawPolyline(polygon);
      }
    }
  }
  painter.restore();
  for (std::size_t n = 0; n < plot_.series.size(); ++n) {
    const double y = kMargin + metrics.height() * (static_cast<double>(n) + 0.5);
    painter.setPen(QPen(QColor(QString::fromLatin1(PlotColour(n))), 2));
    painter.drawLine(QPointF(area.left(), y), QPointF(area.left() + 24, y));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(area.left() + 30, y + metrics.ascent() / 2.0 - 1),
                     ToQString(plot_.series[n].text));
  }
}

void GraphWindow::DrawCrosshair(QPainter& painter, const Frame& frame) const {
  if (!pointer_ || !frame.area.contains(*pointer_)) return;
  const QPointF at = *pointer_;
  painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 1, Qt::DashLine));
  painter.drawLine(QPointF(at.x(), frame.area.top()), QPointF(at.x(), frame.area.bottom()));
  painter.drawLine(QPointF(frame.area.left(), at.y()), QPointF(frame.area.right(), at.y()));
  const double x = frame.XAt(at.x());
  QStringList lines;
  const PlotSeries* first = plot_.series.empty() ? nullptr : &plot_.series.front();
  lines << (first != nullptr ? ToQString(first->parameter) : QStringLiteral("x")) +
               QStringLiteral(" = ") + Number(x) +
               (first != nullptr ? UnitText(first->xUnit) : QString());
  for (const PlotSeries& series : plot_.series) {
    const std::optional<double> y = ValueAt(series.points, x);
    lines << ToQString(series.name) + QStringLiteral("(") + Number(x) + QStringLiteral(") = ") +
                 (y ? Number(*y) + UnitText(series.yUnit) : QStringLiteral("-"));
  }
  const QFontMetrics metrics(painter.font());
  int width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
  QRectF box(at + QPointF(12, 12), QSizeF(width + 8, metrics.height() * lines.size() + 6));
  if (box.right() > frame.area.right()) box.moveRight(at.x() - 12);
  if (box.bottom() > frame.area.bottom()) box.moveBottom(at.y() - 12);
  painter.setPen(QColor(0x90, 0x90, 0x90));
  painter.setBrush(QColor(255, 255, 240, 230));
  painter.drawRect(box);
  painter.setPen(Qt::black);
  for (int i = 0; i < lines.size(); ++i) {
    painter.drawText(
        QPointF(box.left() + 4, box.top() + 3 + metrics.height() * i + metrics.ascent()), lines[i]);
  }
}

void GraphWindow::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  Draw(painter, size());
  DrawCrosshair(painter, FrameFor(size()));
}

// ---- Zoom and pan ----------------------------------------------------------------

void GraphWindow::Resample(const AxisRange& x) {
  Plot sampled;
  sampled.y = plot_.y;
  bool done = false;
  RunMenuAction(ctx_, [&] { done = SamplePlot(ctx_, names_, x, sampled); });
  if (done) plot_ = std::move(sampled);
  update();
}

void GraphWindow::Zoom(double factor, double at, bool values) {
  const auto scaled = [factor, at](const AxisRange& range) {
    return AxisRange{at + (range.low - at) * factor, at + (range.high - at) * factor};
  };
  if (values) {
    plot_.y = scaled(FrameFor(size()).view.y);
    update();
    return;
  }
  Resample(scaled(plot_.x));
}

void GraphWindow::Pan(double dx, double dy) {
  if (dy != 0) {
    const AxisRange y = FrameFor(size()).view.y;
    plot_.y = AxisRange{y.low + dy, y.high + dy};
  }
  Resample(AxisRange{plot_.x.low + dx, plot_.x.high + dx});
}

void GraphWindow::wheelEvent(QWheelEvent* event) {
  const Frame frame = FrameFor(size());
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  const bool values = (event->modifiers() & Qt::ControlModifier) != 0;
  const QPointF at = event->position();
  Zoom(std::pow(kZoomStep, -steps), values ? frame.YAt(at.y()) : frame.XAt(at.x()), values);
  event->accept();
}

void GraphWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Frame frame = FrameFor(size());
  dragFrom_ = event->position().toPoint();
  dragX_ = plot_.x;
  dragY_ = frame.view.y;
}

// While dragging the drawing moves with the pointer; the new range is
// sampled when the button comes up.
void GraphWindow::mouseMoveEvent(QMouseEvent* event) {
  pointer_ = event->position().toPoint();
  if (dragFrom_) {
    const Frame frame = FrameFor(size());
    const QPointF moved = event->position() - QPointF(*dragFrom_);
    const double dx = -moved.x() / frame.box.width * (dragX_.high - dragX_.low);
    const double dy = moved.y() / frame.box.height * (dragY_.high - dragY_.low);
    plot_.x = AxisRange{dragX_.low + dx, dragX_.high + dx};
    if (dy != 0) plot_.y = AxisRange{dragY_.low + dy, dragY_.high + dy};
  }
  update();
}

void GraphWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragFrom_) return;
  const bool moved = (event->position().toPoint() - *dragFrom_).manhattanLength() > 2;
  dragFrom_.reset();
  if (moved) Resample(plot_.x);
}

void GraphWindow::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
  plot_.y.reset();
  update();
}

void GraphWindow::leaveEvent(QEvent* /*event*/) {
  pointer_.reset();
  update();
}

// ---- Export ----------------------------------------------------------------------

void GraphWindow::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  connect(menu.addAction(ToQString(kGraphExportPng)), &QAction::triggered, this,
          &GraphWindow::ExportPngAsked);
  connect(menu.addAction(ToQString(kGraphExportSvg)), &QAction::triggered, this,
          &GraphWindow::ExportSvgAsked);
  menu.addSeparator();
  QAction* automatic = menu.addAction(ToQString(kGraphAutoValues));
  automatic->setEnabled(plot_.y.has_value());
  connect(automatic, &QAction::triggered, this, [this] {
    plot_.y.reset();
    update();
  });
  menu.exec(event->globalPos());
}

bool GraphWindow::ExportPng(const QString& fileName, QSize size, QString& why) const {
  QImage image(size, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    painter.setFont(font());
    Draw(painter, size);
  }
  QImageWriter writer(fileName, "png");
  if (writer.write(image)) return true;
  why = writer.errorString();
  return false;
}

bool GraphWindow::ExportSvg(const std::string& fileName) {
  bool written = false;
  RunMenuAction(ctx_, [&] { written = WritePlotSvg(ctx_, plot_, fileName); });
  return written;
}

void GraphWindow::ExportPngAsked() {
  const std::string file = ctx_.toolkit->SaveFileDialog({"", kGraphPngFilter, "png", ""});
  if (file.empty()) return;
  QString why;
  const QString name = ToQString(file);
  if (!ExportPng(name, size(), why)) {
    QMessageBox::warning(this, ToQString(kGraphNotWritten), name + QStringLiteral("\n") + why);
  }
}

void GraphWindow::ExportSvgAsked() {
  const std::string file = ctx_.toolkit->SaveFileDialog({"", kGraphSvgFilter, "svg", ""});
  if (!file.empty()) ExportSvg(file);
}

}  // namespace zemu::gui
