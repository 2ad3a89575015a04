// Where the windows go when no file and no earlier session says: plain
// rectangle arithmetic over the screen's available area, so that it can be
// tried on any screen size and scale. Rectangles are window frames.
#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace zemu::gui {

// Between windows placed side by side.
inline constexpr int kWindowGap = 8;
// Between windows cascaded over each other.
inline constexpr int kCascadeStep = 28;

// `frame` shrunk to fit `available`, then moved into it.
QRect KeepInside(QRect frame, const QRect& available);

// The console centred on `available`, together with sheets of the widest
// of `sheets` beside it when there is room for them to its right (or below
// it); kept inside.
QRect PlaceConsole(QSize console, const std::vector<QSize>& sheets, const QRect& available);

// Frames for sheets of the sizes `sheets`, the first of them the `first`th
// sheet placed beside `console`: in a column to the console's right (else
// its left, else a row below it, else above it) where a sheet fits there,
// one under the other while they fit and cascaded after that; cascaded from
// the screen's far corner when there is no room beside the console at all.
// Every frame lies inside `available`.
std::vector<QRect> ArrangeSheets(const QRect& console, const std::vector<QSize>& sheets, int first,
                                 const QRect& available);

}  // namespace zemu::gui
