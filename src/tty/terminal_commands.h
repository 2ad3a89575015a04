// Start-up and end of the terminal front end, and the terminal commands that
// stand in for the window's menu actions (lines beginning with ':').
#pragma once

#include <string>

#include "tty/terminal.h"

namespace zemu {
struct Context;
}

namespace zemu::tty {

// Starts the console: banner, initial definition file, first sheets, prompt.
void StartTerminal(Context& ctx, const TerminalOptions& options);

// Ends the program at `.end` (`byCommand`) or at the end of input.
void EndTerminal(Context& ctx, bool byCommand);

// Runs `line` (Shift-JIS) when it is a terminal command; false otherwise.
bool RunTerminalCommand(Context& ctx, const std::string& line);

}  // namespace zemu::tty
