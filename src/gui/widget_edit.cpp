// The smallest safe widget edit between two Shift-JIS texts.
#include "gui/widget_edit.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/encoding.h"
#include "base/scan.h"

namespace zemu::gui {

namespace {

// The widget position of `byte` when a character starts there, else none.
std::optional<std::size_t> UnitsAtBoundary(std::string_view text, std::size_t byte) {
  std::size_t pos = 0;
  std::size_t units = 0;
  while (pos < byte) {
    pos += SjisCharLength(text, pos);
    ++units;
  }
  if (pos != byte) return std::nullopt;
  return units;
}

// The last character boundary that both texts share within their common
// first `common` bytes: a character counts only when the bytes that decide
// its length are common (its own, and the next after a lead byte or a CR).
// Returns bytes and units.
std::pair<std::size_t, std::size_t> CommonStart(std::string_view text, std::size_t common) {
  std::size_t pos = 0;
  std::size_t units = 0;
  while (pos < common) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (pos + 1 >= common && (IsLeadByte(c) || c == '\r')) break;
    pos += SjisCharLength(text, pos);
    ++units;
  }
  return {pos, units};
}

}  // namespace

WidgetEdit PlanWidgetEdit(std::string_view shown, std::string_view now, std::size_t droppedBytes) {
  WidgetEdit edit;
  if (droppedBytes > 0 && droppedBytes <= shown.size()) {
    if (std::optional<std::size_t> units = UnitsAtBoundary(shown, droppedBytes)) {
      edit.dropUnits = *units;
      shown.remove_prefix(droppedBytes);
    }
  }

  const std::size_t shorter = std::min(shown.size(), now.size());
  const std::size_t common = static_cast<std::size_t>(
      std::mismatch(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(shorter),
                    now.begin())
          .first -
      shown.begin());
  const auto [start, startUnits] = CommonStart(now, common);
  std::size_t tail = 0;  // bytes both texts end with, after `start`
  while (tail < shorter - start && shown[shown.size() - 1 - tail] == now[now.size() - 1 - tail]) {
    ++tail;
  }

  // Boundaries of `now` in its common end, by their distance from the end.
  std::vector<bool> nowBoundary(tail + 1, false);
  for (std::size_t pos = start; pos <= now.size();
       pos += std::max<std::size_t>(SjisCharLength(now, pos), 1)) {
    if (now.size() - pos <= tail) nowBoundary[now.size() - pos] = true;
  }
  // The first boundary of `shown` in its common end that `now` shares.
  std::size_t keep = 0;  // bytes kept at the end
  std::size_t units = startUnits;
  for (std::size_t pos = start; pos <= shown.size(); ++units) {
    const std::size_t fromEnd = shown.size() - pos;
    if (fromEnd <= tail && nowBoundary[fromEnd]) {
      keep = fromEnd;
      break;
    }
    pos += std::max<std::size_t>(SjisCharLength(shown, pos), 1);
  }
  edit.from = startUnits;
  edit.to = units;
  edit.insert = SjisToUtf16(now.substr(start, now.size() - keep - start));
  return edit;
}

}  // namespace zemu::gui
