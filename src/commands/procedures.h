// Procedures and procedure files: .do and the .name shorthand.
//
// A stored procedure's text, or each ">" line of a procedure file, is run
// after its parameters are substituted for %0 to %9 (%0 is the procedure or
// file name itself). A definition sheet loads its file through DoCommand too.
#pragma once

#include <cstddef>

#include "commands/dispatcher.h"

namespace zemu {

struct Context;

// The parameters: the name and up to nine more.
inline constexpr int kParameterCount = 10;
// A procedure text or a file line after substitution; it holds at most
// kExpandSize - 3 bytes of text.
inline constexpr std::size_t kExpandSize = 2000;
// A logical line of a procedure file holds at most kLineSize - 1 bytes; a
// longer ">" line is reported with its number and nothing of it runs.
inline constexpr std::size_t kLineSize = 2000;

// Runs a stored procedure or, when none has the name, a procedure file, with
// the parameters read at the cursor (just after the command word, or after
// the period for the shorthand). With no name at all the file-open dialog
// asks for a file. Leaves the cursor after the last parameter read and
// returns the status of what ran: a file stops at its first line whose
// statements end with anything but StatusDone, and a file that cannot be
// opened (or is no regular file) gives a message and StatusDone. A ">" line
// that is too long or holds a NUL byte is reported and passed over.
StatementStatus DoCommand(Context& ctx, const char*& cursor);

}  // namespace zemu
