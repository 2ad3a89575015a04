// Start-up and end of the terminal front end, and the terminal commands that
// stand in for the window's menu actions. A terminal command is a line that
// begins with ':' (no statement begins so), for example ":save" or
// ":open units.ZDF"; ":help" lists them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zemu {
class Calculator;
struct Plot;
}  // namespace zemu

namespace zemu::tty {

// The end of the program. At `.end` on a terminal every unsaved sheet is
// asked about, and false (Cancel) keeps the program running; at the end of
// input, where nothing can be asked, the unsaved sheets are listed.
bool EndTerminal(Calculator& calc, bool ask);

// What the terminal commands ask of the terminal itself.
struct TerminalHooks {
  std::function<void()> showWatch;            // ":watch": shows the watch lines
  std::function<void(const Plot&)> drawPlot;  // ":plot": draws a graph
};

// Runs `line` (Shift-JIS) when it is a terminal command; false otherwise.
bool RunTerminalCommand(Calculator& calc, const std::string& line, const TerminalHooks& hooks);

// The terminal commands' words ("sheets", "new", ...), for completion.
std::vector<std::string> TerminalCommandWords();

}  // namespace zemu::tty
