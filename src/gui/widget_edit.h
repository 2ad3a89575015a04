// How a text widget that shows one Shift-JIS text (one UTF-16 unit for each
// character, see base/encoding.h) is brought to show another with a small
// edit instead of being filled anew: the common start and end of the two
// texts stay, cut only where both texts have a character boundary, so that
// no kept unit changes its meaning.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemu::gui {

// Apply in this order: remove the first `dropUnits` units; then replace the
// units [from, to) of what is left by `insert`.
struct WidgetEdit {
  std::size_t dropUnits = 0;
  std::size_t from = 0;
  std::size_t to = 0;
  std::u16string insert;
};

// The edit that turns the widget form of `shown` into that of `now`.
// `droppedBytes` is a hint: `now` probably continues `shown` without its
// first so many bytes (the console drops its oldest text); a wrong hint
// only makes the edit larger.
WidgetEdit PlanWidgetEdit(std::string_view shown, std::string_view now,
                          std::size_t droppedBytes = 0);

}  // namespace zemu::gui
