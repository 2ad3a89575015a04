// The control-flow commands .if, .for and .while. Each runs the statements
// after its own statement as a block, up to the matching .blockend or the end
// of the text; a "}" ends a block like the end of the text. The two forward
// scanners pass over blocks and branches that are not run.
#pragma once

#include "commands/dispatcher.h"

namespace zemu {

struct Context;

// Each is called with the cursor just after the command word and leaves it at
// the end of the whole construct. While the console is idle each only shows
// its help lines and returns StatusAssist.
//
// IfCommand returns StatusBreak, StatusContinue or StatusStop of the branch
// it ran, so that they reach the enclosing loop or text; otherwise
// StatusDone. ForCommand returns StatusStop only for its own errors (a bad
// head); a stop inside its body ends the loop. WhileCommand returns
// StatusDone.
StatementStatus IfCommand(Context& ctx, const char*& cursor);
StatementStatus ForCommand(Context& ctx, const char*& cursor);
StatementStatus WhileCommand(Context& ctx, const char*& cursor);

// Moves the cursor past the rest of the current block: to the end of its
// .blockend statement (on the ";", "}" or terminator), or to the end of the
// text or the first "}" that closes it. Nested .if and .for blocks are
// passed whole; .while does not nest for it.
void SkipBlock(Context& ctx, const char*& cursor);

// Moves over a branch that is not to be run: to just after the next .elseif
// or .else word of this block (StatusElseIf, StatusElse), or just after its
// .blockend word, or to the end of the text or a "}" (StatusBlockEnd).
StatementStatus ScanBranch(Context& ctx, const char*& cursor);

}  // namespace zemu
