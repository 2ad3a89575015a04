// The statement dispatcher: runs a text of statements separated by ";". A
// statement is a command (".word ..."), a quoted string, a definition or a
// plain formula. While the console is idle nothing is run: the first
// statement is explained in the three status lines instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zemu {

struct Context;

// Why ExecuteStatements stopped; block commands and callers act on it.
enum StatementStatus : std::uint8_t {
  StatusDone = 0,      // the text ran out, or a "}" was reached
  StatusBlockEnd = 1,  // a .blockend statement
  StatusBreak = 2,     // a .break statement
  StatusContinue = 3,  // a .continue statement
  StatusElse = 4,      // an .else statement
  StatusElseIf = 5,    // an .elseif statement
  StatusStop = 6,      // abandon the rest: an error, .end, or a stop passed up
  StatusAssist = 7,    // assist mode: help was shown, nothing was run
};

// Runs statements from the cursor until the text ends, a "}" is reached, an
// empty statement (";;") or a comment directly after a ";" is met, or a
// command stops the run. For StatusBlockEnd, StatusBreak, StatusContinue,
// StatusElse and StatusElseIf produced by the statement itself, the cursor is
// left at the end of that statement (on its ";", "}" or the terminator); for
// every other outcome it is left unchanged. Re-entrant.
StatementStatus ExecuteStatements(Context& ctx, const char*& cursor);

// The command words as stored ("bl.ockend", "br.eak", ...: the period marks
// the shortest accepted abbreviation), in the order they are tried.
std::vector<std::string> CommandWords();

}  // namespace zemu
