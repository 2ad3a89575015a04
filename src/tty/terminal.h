// The terminal front end: the console run in a terminal, on a pipe, or
// quietly on statements given on the command line (-e) or in a file (--batch).
#pragma once

#include <string>
#include <vector>

#include "console/startup.h"
#include "tty/terminal_io.h"

namespace zemu {
struct Context;
}

namespace zemu::tty {

// Statements run the quiet way: the text of one -e, or a --batch file.
struct BatchSource {
  std::string name;     // "-e", the file's name, or "-" for standard input
  std::string text;     // the statements of -e (in the terminal's encoding)
  bool isFile = false;  // read `name` (standard input for "-")
};

struct TerminalOptions {
  StartupOptions startup;
  TerminalEncoding encoding = TerminalEncoding::Utf8;
  std::string localeNote;  // the locale's character set when it is neither Shift-JIS nor UTF-8
  // -e and --batch in the order given. When there are any, only what the
  // statements print is written (no banner, echo or prompt; without the
  // indent and trailing blanks), error lines also go to standard error as
  // "name:line: text", and the program ends after them.
  std::vector<BatchSource> batch;
  // When set, called with the run's context once the run has ended and its
  // output and log are written, just before RunTerminal returns; what the
  // context holds is freed after it.
  void (*atEnd)(Context& ctx) = nullptr;
};

// Runs the console until `.end` or the end of input. Returns the exit
// status: when standard input is not a terminal (and always in the quiet
// ways), 1 when a statement reported an error or a line was stopped;
// otherwise 0.
int RunTerminal(const TerminalOptions& options);

}  // namespace zemu::tty
