// A graph as an SVG document: the frame with its ticks, grid and captions,
// a <path> for each line of each curve, and a legend. Texts are converted
// from Shift-JIS to UTF-8, the document's encoding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/plot_axes.h"

namespace zemu {

inline constexpr int kSvgWidth = 800;
inline constexpr int kSvgHeight = 500;

// The first line of every document PlotSvg writes: a file that begins so
// is a graph this program wrote.
inline constexpr std::string_view kSvgSignature =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- ZEMU graph -->\n";

// The colour of the n-th curve ("#1f5fbf"); the same in every drawing.
const char* PlotColour(std::size_t n);

std::string PlotSvg(const std::vector<PlotSeries>& series, const PlotView& view,
                    int width = kSvgWidth, int height = kSvgHeight);

}  // namespace zemu
