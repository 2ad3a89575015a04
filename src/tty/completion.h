// What Tab offers at the terminal's prompt. From the text before the caret
// (Shift-JIS) it finds the word being typed and what kind of word it is:
//   a command after a period (".se" -> ".set", also stored procedures), an
//   item or value of .set, a terminal command after ':' and its sheet;
//   a unit text inside "[" (from the conversions of every open sheet);
//   a file name after .do, :open, :run, :saveas, .set file to, .set help to;
//   otherwise a name: the definitions of every open sheet, then built-ins.
#pragma once

#include <string_view>

#include "tty/terminal_io.h"

namespace zemu {
struct Context;
}

namespace zemu::tty {

// The candidates all begin with the offer's word (the line editor keeps what
// they share), in order of relevance, each once.
CompletionOffer CompleteAt(Context& ctx, std::string_view beforeCaret);

}  // namespace zemu::tty
