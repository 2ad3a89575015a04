// Window placement.
#include "gui/window_places.h"

#include <algorithm>

namespace zemu::gui {

namespace {

QSize Largest(const std::vector<QSize>& sizes) {
  QSize largest(0, 0);
  for (const QSize& size : sizes) largest = largest.expandedTo(size);
  return largest;
}

enum class Side { Right, Left, Below, Above, None };

// Where sheets as large as `sheet` fit beside `console`.
Side RoomBeside(const QRect& console, QSize sheet, const QRect& available) {
  if (available.right() - console.right() - kWindowGap >= sheet.width()) return Side::Right;
  if (console.left() - available.left() - kWindowGap >= sheet.width()) return Side::Left;
  if (available.bottom() - console.bottom() - kWindowGap >= sheet.height()) return Side::Below;
  if (console.top() - available.top() - kWindowGap >= sheet.height()) return Side::Above;
  return Side::None;
}

}  // namespace

QRect KeepInside(QRect frame, const QRect& available) {
  frame.setSize(frame.size().boundedTo(available.size()));
  frame.moveLeft(std::clamp(frame.left(), available.left(), available.right() - frame.width() + 1));
  frame.moveTop(std::clamp(frame.top(), available.top(), available.bottom() - frame.height() + 1));
  return frame;
}

QRect PlaceConsole(QSize console, const std::vector<QSize>& sheets, const QRect& available) {
  console = console.boundedTo(available.size());
  const QSize sheet = Largest(sheets);
  QSize group = console;
  if (!sheets.empty()) {
    if (console.width() + kWindowGap + sheet.width() <= available.width()) {
      // A column of sheets as tall as fits beside it.
      int column = -kWindowGap;
      for (const QSize& size : sheets) {
        if (column + kWindowGap + size.height() > available.height()) break;
        column += kWindowGap + size.height();
      }
      group =
          QSize(console.width() + kWindowGap + sheet.width(), std::max(console.height(), column));
    } else if (console.height() + kWindowGap + sheet.height() <= available.height()) {
      group.setHeight(console.height() + kWindowGap + sheet.height());
    }
  }
  const QPoint corner(available.left() + (available.width() - group.width()) / 2,
                      available.top() + (available.height() - group.height()) / 2);
  return KeepInside(QRect(corner, console), available);
}

std::vector<QRect> ArrangeSheets(const QRect& console, const std::vector<QSize>& sheets, int first,
                                 const QRect& available) {
  const Side side = RoomBeside(console, Largest(sheets), available);
  std::vector<QRect> frames;
  // Along the column (or row) beside the console: the next free offset, and
  // the sheets cascaded once it is full.
  int along = first * kCascadeStep;
  int cascaded = 0;
  for (const QSize& size : sheets) {
    const bool column = side == Side::Right || side == Side::Left;
    const int length = column ? size.height() : size.width();
    const int room =
        column ? available.bottom() + 1 - console.top() : available.right() + 1 - console.left();
    int offset = along;
    QPoint shift(0, 0);
    if (along + length > room) {
      ++cascaded;
      offset = cascaded * kCascadeStep;
      shift = column ? QPoint(cascaded * kCascadeStep, 0) : QPoint(0, cascaded * kCascadeStep);
    } else {
      along += length + kWindowGap;
    }
    QRect frame(QPoint(0, 0), size);
    switch (side) {
      case Side::Right:
        frame.moveTopLeft(QPoint(console.right() + 1 + kWindowGap, console.top() + offset) + shift);
        break;
      case Side::Left:
        frame.moveTopRight(QPoint(console.left() - 1 - kWindowGap, console.top() + offset) - shift);
        break;
      case Side::Below:
        frame.moveTopLeft(QPoint(console.left() + offset, console.bottom() + 1 + kWindowGap) +
                          shift);
        break;
      case Side::Above:
        frame.moveBottomLeft(QPoint(console.left() + offset, console.top() - 1 - kWindowGap) -
                             shift);
        break;
      case Side::None: {
        const int step =
            static_cast<int>(frames.size() + static_cast<std::size_t>(first)) * kCascadeStep;
        frame.moveBottomRight(available.bottomRight() - QPoint(step, step));
        break;
      }
    }
    frames.push_back(KeepInside(frame, available));
  }
  return frames;
}

}  // namespace zemu::gui
