// Graphs for the front ends: the ":plot" command, sampling the functions it
// names, and writing a graph as an SVG file.
#include "console/plot_command.h"

#include <cmath>
#include <cstdio>

#include "base/sjis_literal.h"
#include "console/menu.h"
#include "engine/eval.h"
#include "engine/plot_svg.h"
#include "engine/units.h"
#include "host/context.h"
#include "host/output.h"
#include "platform/files.h"

namespace zemu {

namespace {

constexpr const char* kPlotUsage =
    "  ERROR: :plot の書き方は :plot 関数[,関数...] 始め 終わり [下限 上限] [ファイル.svg] "
    "です。\r\n"_sj;
constexpr const char* kOverwriteCaption = "上書きの確認"_sj;
constexpr const char* kWriteFailureCaption = "書き出せません"_sj;

void ReportError(Context& ctx, const std::string& text) {
  ErrorOut(ctx, "  ERROR: " + text + "\r\n");
}

// The words of the arguments: separated by blanks, a double-quoted word
// taken whole; a word ending in ',' (or followed by one) goes on with the
// next, so that "f, g" is one list.
std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  bool join = false;
  while (at < text.size()) {
    if (text[at] == ' ' || text[at] == '\t') {
      ++at;
      continue;
    }
    std::string word;
    if (text[at] == '"') {
      const std::size_t close = text.find('"', at + 1);
      const std::size_t end = close == std::string_view::npos ? text.size() : close;
      word = text.substr(at + 1, end - at - 1);
      at = end + 1;
    } else {
      const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
      word = text.substr(at, end - at);
      at = end;
    }
    if ((join || word.front() == ',') && !words.empty()) {
      words.back() += word;
    } else {
      words.push_back(word);
    }
    join = !words.back().empty() && words.back().back() == ',';
  }
  return words;
}

std::vector<std::string> SplitNames(const std::string& list) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at <= list.size()) {
    const std::size_t comma = std::min(list.find(',', at), list.size());
    if (comma > at) names.push_back(list.substr(at, comma - at));
    at = comma + 1;
  }
  return names;
}

bool EndsWithSvg(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return tail == ".svg";
}

// The value of a formula of the command as a number in `unit` (a number
// without a unit takes it). `what` names it in the error.
bool RangeEnd(Context& ctx, const std::string& formula, const std::string& unit, const char* what,
              double& number) {
  Value v = EvalText(ctx, formula);
  if (v.IsNumber()) ConvertUnit(ctx, v, unit);
  if (v.IsNumber() && std::isfinite(v.number)) {
    number = v.number;
    return true;
  }
  const std::string why = v.IsNumber() ? std::string("Infinity") : v.text;
  ReportError(ctx, std::string(what) + " " + formula + " が数値になりません。("_sj + why + ")");
  return false;
}

// The file's first bytes: whether it is a graph this program wrote.
bool IsOwnGraph(const Context& ctx, const std::string& fileName) {
  const FileHandle file(std::fopen(DiskName(ctx.files, fileName).c_str(), "rb"));
  if (!file) return false;
  std::string head(kSvgSignature.size(), '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file.get()));
  return head == kSvgSignature;
}

// Asks before a write goes over a file that is not a graph of ours.
bool MayWriteOver(Context& ctx, const std::string& fileName) {
  const FileStamp now = StampOf(ctx.files, fileName);
  if (!now.exists || !now.regular) return true;  // the write itself refuses a folder
  if (IsOwnGraph(ctx, fileName) && !IsWriteProtected(ctx.files, fileName, now)) return true;
  std::string concern = fileName + "は、既にあります。上書きすると、その内容は失われます。"_sj;
  if (IsWriteProtected(ctx.files, fileName, now)) {
    concern += "\r\n" + fileName + "は、書き込み禁止になっています。"_sj;
  }
  if (!ctx.toolkit->CanAsk()) {
    ReportError(ctx, concern);
    ReportError(ctx, fileName + "には書き出しません。"_sj);
    return false;
  }
  if (ctx.toolkit->AskQuestion(kOverwriteCaption, concern + "\r\n上書きしますか？"_sj, false) ==
      Answer::Yes) {
    return true;
  }
  ScreenOut(ctx, ChannelError, "  " + fileName + "には書き出しませんでした。\r\n"_sj);
  return false;
}

// Reads the fixed range of the values, the two words before any file name.
bool ReadValueRange(Context& ctx, const std::vector<std::string>& tail, Plot& plot) {
  if (tail.size() < 2) return true;
  AxisRange y;
  const std::string unit = plot.series.empty() ? std::string() : plot.series.front().yUnit;
  if (!RangeEnd(ctx, tail[0], unit, "値の下限"_sj, y.low) ||
      !RangeEnd(ctx, tail[1], unit, "値の上限"_sj, y.high)) {
    return false;
  }
  if (!(y.low < y.high)) {
    ReportError(ctx,
                "値の下限 "_sj + tail[0] + " が上限 "_sj + tail[1] + " より小さくありません。"_sj);
    return false;
  }
  plot.y = y;
  return true;
}

// The command once it runs: read, sample, then write or hand over.
bool RunPlot(Context& ctx, std::string_view arguments, Plot& plot) {
  const std::vector<std::string> words = SplitWords(arguments);
  if (words.size() < 3 || words.size() > 6) {
    ErrorOut(ctx, kPlotUsage);
    return false;
  }
  const std::vector<std::string> names = SplitNames(words[0]);
  PlotFunction first;
  std::string error;
  if (names.empty() || !FindPlotFunction(ctx, names.front(), first, error)) {
    ReportError(ctx, names.empty() ? std::string("関数がありません。"_sj) : error);
    return false;
  }
  AxisRange x;
  const std::string& unit = first.parameter.unit;
  if (!RangeEnd(ctx, words[1], unit, "範囲の始め"_sj, x.low) ||
      !RangeEnd(ctx, words[2], unit, "範囲の終わり"_sj, x.high)) {
    return false;
  }
  if (!(x.low < x.high)) {
    ReportError(ctx, "範囲の始め "_sj + words[1] + " が終わり "_sj + words[2] +
                         " より小さくありません。"_sj);
    return false;
  }
  const std::vector<std::string> tail(words.begin() + 3, words.end());
  const std::string file = tail.size() % 2 == 1 ? tail.back() : std::string();
  if (!file.empty() && !EndsWithSvg(file)) {
    ReportError(ctx, "グラフは SVG ファイル (.svg) にだけ書き出せます: "_sj + file);
    return false;
  }
  if (!SamplePlot(ctx, names, x, plot) || !ReadValueRange(ctx, tail, plot)) return false;
  if (file.empty()) return true;
  if (WritePlotSvg(ctx, plot, file)) {
    ScreenOut(ctx, ChannelLine, "  グラフを "_sj + file + " に書き出しました。\r\n"_sj);
  }
  return false;
}

}  // namespace

bool SamplePlot(Context& ctx, const std::vector<std::string>& names, const AxisRange& x,
                Plot& plot) {
  std::vector<PlotFunction> functions(names.size());
  std::string error;
  for (std::size_t n = 0; n < names.size(); ++n) {
    if (!FindPlotFunction(ctx, names[n], functions[n], error)) {
      ReportError(ctx, error);
      return false;
    }
  }
  plot.x = x;
  plot.series.assign(names.size(), PlotSeries{});
  for (std::size_t n = 0; n < names.size(); ++n) {
    if (!SampleFunction(ctx, functions[n], x.low, x.high, plot.series[n])) return false;
  }
  return true;
}

bool WritePlotSvg(Context& ctx, const Plot& plot, const std::string& fileName) {
  if (!MayWriteOver(ctx, fileName)) return false;
  const PlotView view = MakePlotView(plot.series, plot.x, plot.y, 11, 9);
  std::string reason;
  if (ReplaceFile(ctx.files, fileName, PlotSvg(plot.series, view), reason)) return true;
  const std::string text = fileName + "に書き出せません。("_sj + reason + ")";
  ReportError(ctx, text);
  ctx.toolkit->ShowMessage(kWriteFailureCaption, text);
  return false;
}

bool MenuPlot(Context& ctx, std::string_view arguments, Plot& plot) {
  bool drawn = false;
  RunMenuAction(ctx, [&] { drawn = RunPlot(ctx, arguments, plot); });
  return drawn;
}

}  // namespace zemu
