// The assist display: while the console is idle, statements are explained in
// the three status lines instead of being run.
#pragma once

#include <string_view>

#include "base/sjis_literal.h"

namespace zemu {

struct Context;

// The three texts shown for one kind of statement; an empty text clears its
// line.
struct AssistLines {
  std::string_view line1;
  std::string_view line2;
  std::string_view line3;
};

// Status line 3 for a formula whose value the assist display gave up on.
inline constexpr const char* kAssistNotComputed =
    "計算に時間がかかるため、計算結果は表示しません。"_sj;

// True while the console is idle, that is while statements are only to be
// explained.
bool InAssistMode(const Context& ctx);

// Writes the three texts to status lines 1, 2 and 3.
void ShowStatusLines(Context& ctx, const AssistLines& lines);

}  // namespace zemu
