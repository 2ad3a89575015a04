// The terminal front end: the console run in a terminal or a pipe.
#pragma once

#include <string>
#include <vector>

namespace zemu::tty {

struct TerminalOptions {
  std::string programPath;        // argv[0], for the files beside the program
  std::vector<std::string> args;  // the arguments that are not options
  std::string iniFile;            // --ini FILE; empty for the default
  bool sjis = false;              // --sjis: no conversion on either side
};

// Runs the console until `.end` or the end of input; returns the exit status.
int RunTerminal(const TerminalOptions& options);

}  // namespace zemu::tty
