// Listing definitions: .list and the statement name=. (.delete is carried out
// by the dispatcher itself.)
#pragma once

namespace zemu {

struct Context;

// Prints the definitions whose names match the pattern at the start of
// `text`, grouped by sheet, newest sheet first, each sheet under its title
// and only when it holds a match. The pattern is an optional qualifier (a
// sheet name, nothing for the current sheet, or a quoted sheet index, then
// "!") and a name pattern with "#" and "?"; nothing at all means "!#". A
// text that begins with a period lists nothing. While the console is idle it
// only shows its help lines.
void ListDefinitions(Context& ctx, const char* text);

}  // namespace zemu
