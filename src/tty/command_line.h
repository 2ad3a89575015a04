// The program's command line: the options of both front ends, the options
// that only the terminal knows, and the texts of --help and --version.
//
//   zemu [--tty] [--sjis | --utf8] [--ini FILE] [--open FILE]...
//        [-e STATEMENTS]... [--batch FILE]... [FILE ARG ARG]
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/startup.h"
#include "tty/terminal.h"
#include "tty/terminal_io.h"

namespace zemu::tty {

struct CommandLine {
  enum class Action { Run, Help, Version, Fault };
  Action action = Action::Run;
  std::string fault;  // for Fault: what was wrong, in the terminal's encoding
  // --tty, or an option that only the terminal knows (-e, --batch, --sjis,
  // --utf8): the window is not opened.
  bool terminal = false;
  std::optional<TerminalEncoding> encoding;  // --sjis or --utf8
  std::vector<BatchSource> batch;            // -e and --batch in order
  StartupOptions startup;  // the plain arguments, --ini and --open (program path not set)
};

// Reads argv. Options are words that begin with '-' (a lone "-" is a plain
// argument); "--" ends them. Long options take their value as the next word
// or after '=' (--ini=FILE).
CommandLine ReadProgramOptions(int argc, const char* const* argv);

// The usage text (Shift-JIS, LF line ends) that --help prints.
std::string UsageText();
// The line that --version prints (Shift-JIS, without line end).
std::string VersionText();

}  // namespace zemu::tty
