// Writes a graph as SVG: one group for the frame, one <path> per line of
// each curve (clipped to the frame), and the legend.
#include "engine/plot_svg.h"

#include <cmath>
#include <cstdio>

#include "base/encoding.h"
#include "base/sjis_literal.h"

namespace zemu {

namespace {

constexpr const char* kColours[] = {"#1f5fbf", "#c8321e", "#1e8c3c",
                                    "#8c3cb4", "#d27800", "#5a5a5a"};
constexpr double kLeft = 70;  // room for the value ticks' labels
constexpr double kRight = 20;
constexpr double kTop = 40;     // room for the value caption
constexpr double kBottom = 55;  // room for the x ticks' labels and caption
// Lines may run this share of the frame beyond it before they are cut; the
// clip path hides the rest.
constexpr double kCutMargin = 0.02;
constexpr const char* kFont = "font-family=\"IPAGothic, sans-serif\" font-size=\"12\"";

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// Shift-JIS text as UTF-8 with the XML specials escaped.
std::string XmlText(std::string_view sjis) {
  std::string escaped;
  for (char c : SjisToUtf8(sjis)) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string Text(double x, double y, const char* anchor, std::string_view sjis) {
  return "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\">" +
         XmlText(sjis) + "</text>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const char* style) {
  return "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
         "\" y2=\"" + Number(y2) + "\" " + style + "/>\n";
}

// The grid, the zero lines, the ticks' labels and the captions.
std::string Frame(const PlotView& view, const PlotBox& box) {
  std::string svg = "<g " + std::string(kFont) + " fill=\"#000\">\n";
  const double right = box.left + box.width;
  const double bottom = box.top + box.height;
  const auto xAt = [&](double x) {
    return box.left + (x - view.x.low) / (view.x.high - view.x.low) * box.width;
  };
  const auto yAt = [&](double y) {
    return box.top + (view.y.high - y) / (view.y.high - view.y.low) * box.height;
  };
  for (double x : view.xTicks) {
    const char* style = x == 0 ? "stroke=\"#777\"" : "stroke=\"#ddd\"";
    svg += Line(xAt(x), box.top, xAt(x), bottom, style);
    svg += Text(xAt(x), bottom + 16, "middle", TickLabel(x, view.xStep));
  }
  for (double y : view.yTicks) {
    const char* style = y == 0 ? "stroke=\"#777\"" : "stroke=\"#ddd\"";
    svg += Line(box.left, yAt(y), right, yAt(y), style);
    svg += Text(box.left - 6, yAt(y) + 4, "end", TickLabel(y, view.yStep));
  }
  svg += "<rect x=\"" + Number(box.left) + "\" y=\"" + Number(box.top) + "\" width=\"" +
         Number(box.width) + "\" height=\"" + Number(box.height) +
         "\" fill=\"none\" stroke=\"#000\"/>\n";
  svg += Text(box.left + box.width / 2, bottom + 40, "middle", view.xCaption);
  svg += Text(box.left, box.top - 12, "start", view.yCaption);
  return svg + "</g>\n";
}

std::string Paths(const std::vector<PlotSeries>& series, const PlotView& view, const PlotBox& box) {
  std::string svg = "<g clip-path=\"url(#frame)\" fill=\"none\" stroke-width=\"1.5\">\n";
  for (std::size_t n = 0; n < series.size(); ++n) {
    for (const std::vector<PlotPoint>& line :
         VisibleLines(series[n].points, view, box, kCutMargin)) {
      std::string d;
      for (const PlotPoint& p : line) {
        d += (d.empty() ? "M" : " L") + Number(p.x) + " " + Number(p.y);
      }
      // A lone point is drawn as a dot.
      if (line.size() == 1) d += " h0.01";
      svg += "<path class=\"curve" + std::to_string(n) + "\" stroke=\"" + PlotColour(n) +
             "\" stroke-linecap=\"round\" d=\"" + d + "\"/>\n";
    }
  }
  return svg + "</g>\n";
}

// The legend in the frame's top right corner: a stroke of each curve's
// colour and its definition.
std::string Legend(const std::vector<PlotSeries>& series, const PlotBox& box) {
  std::string svg = "<g " + std::string(kFont) + ">\n";
  const double right = box.left + box.width - 8;
  for (std::size_t n = 0; n < series.size(); ++n) {
    const double y = box.top + 18 + 18 * static_cast<double>(n);
    svg += Line(right - 24, y - 4, right, y - 4,
                ("stroke=\"" + std::string(PlotColour(n)) + "\" stroke-width=\"2\"").c_str());
    svg += "<text x=\"" + Number(right - 30) + "\" y=\"" + Number(y) +
           "\" text-anchor=\"end\" stroke=\"#fff\" stroke-width=\"3\" paint-order=\"stroke\">" +
           XmlText(series[n].text) + "</text>\n";
  }
  return svg + "</g>\n";
}

}  // namespace

const char* PlotColour(std::size_t n) { return kColours[n % std::size(kColours)]; }

std::string PlotSvg(const std::vector<PlotSeries>& series, const PlotView& view, int width,
                    int height) {
  const PlotBox box{kLeft, kTop, width - kLeft - kRight, height - kTop - kBottom};
  std::string svg(kSvgSignature);
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
         "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) +
         " " + std::to_string(height) + "\">\n";
  svg += "<title>" + XmlText("グラフ: "_sj + view.yCaption) + "</title>\n";
  svg += "<defs><clipPath id=\"frame\"><rect x=\"" + Number(box.left) + "\" y=\"" +
         Number(box.top) + "\" width=\"" + Number(box.width) + "\" height=\"" + Number(box.height) +
         "\"/></clipPath></defs>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  svg += Frame(view, box);
  svg += Paths(series, view, box);
  svg += Legend(series, box);
  return svg + "</svg>\n";
}

}  // namespace zemu
