// Start-up, end and the terminal commands of the terminal front end.
#include "tty/terminal_commands.h"

#include "console/console.h"
#include "context.h"

namespace zemu::tty {

void StartTerminal(Context& ctx, const TerminalOptions&) { ShowPrompt(ctx); }

void EndTerminal(Context&, bool) {}

bool RunTerminalCommand(Context&, const std::string&) { return false; }

}  // namespace zemu::tty
