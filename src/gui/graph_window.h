// The graph window: functions of one parameter drawn over a range, from the
// core's sampling (console/plot_command.h) and its frame (engine/plot_axes.h).
// The mouse wheel zooms the x range around the pointer (with Ctrl the value
// range), a drag pans, and a double click gives the values their automatic
// range again; each new x range is sampled anew. A crosshair follows the
// pointer and reads x and every function's value there, with their units.
// The context menu exports the graph as PNG or SVG.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/plot_command.h"

class QMenu;

namespace zemu {
struct Context;
}

namespace zemu::gui {

class GraphWindow : public QWidget {
  Q_OBJECT

 public:
  // Shows `plot`; its series name the functions that a new range samples.
  GraphWindow(Context& ctx, Plot plot, QWidget* owner);

  const Plot& plot() const { return plot_; }
  // The caption: the functions' names.
  QString caption() const;

  // Zooms the x range by `factor` (below 1: in) about the value `at`, and
  // samples it anew; with `values` the value range instead, without sampling.
  void Zoom(double factor, double at, bool values);
  // Moves the shown ranges by the given amounts and samples the new x range.
  void Pan(double dx, double dy);
  // Writes the graph as it is drawn at `size` to a PNG file; false with the
  // reason when it could not.
  bool ExportPng(const QString& fileName, QSize size, QString& why) const;
  // Writes the graph as SVG through the core's writer (`fileName` in
  // Shift-JIS), which asks before going over a file that is not a graph.
  bool ExportSvg(const std::string& fileName);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  struct Frame;  // the view and where it is drawn
  Frame FrameFor(QSize size) const;
  void Draw(QPainter& painter, QSize size) const;
  void DrawCrosshair(QPainter& painter, const Frame& frame) const;
  void Resample(const AxisRange& x);
  void ExportPngAsked();
  void ExportSvgAsked();

  Context& ctx_;
  std::vector<std::string> names_;  // the functions, as their series name them
  Plot plot_;
  std::optional<QPoint> pointer_;  // where the crosshair is
  std::optional<QPoint> dragFrom_;
  AxisRange dragX_;  // the ranges when the drag began
  AxisRange dragY_;
};

}  // namespace zemu::gui
