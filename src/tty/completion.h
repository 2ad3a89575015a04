// What Tab offers at the terminal's prompt: the core's completion
// (console/completion.h), and on a line that begins with ':' a terminal
// command, then a file (:open, :run, :saveas) or a sheet.
#pragma once

#include <string_view>

#include "console/completion.h"

namespace zemu::tty {

CompletionOffer CompleteTerminalLine(Context& ctx, std::string_view beforeCaret);

}  // namespace zemu::tty
