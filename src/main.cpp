// ZEMU's entry point: reads the options and starts a front end.
//
//   zemu [--tty] [--sjis] [--ini FILE] [file ...]
//
// Arguments that begin with "--" are options; the others are handed to the
// start-up as the program's command-line arguments.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "tty/terminal.h"

#ifdef ZEMU_HAVE_GUI
#include "gui/gui_main.h"
#endif

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");  // the terminal's character set, for line editing
  zemu::tty::TerminalOptions options;
  options.programPath = argv[0];
  bool tty = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--tty") {
      tty = true;
    } else if (arg == "--sjis") {
      options.sjis = true;
    } else if (arg == "--ini" && i + 1 < argc) {
      options.iniFile = argv[++i];
    } else if (arg.rfind("--", 0) == 0) {
      std::fprintf(stderr, "zemu: unknown option %s\n", arg.c_str());
      return 2;
    } else {
      options.args.push_back(arg);
    }
  }
#ifdef ZEMU_HAVE_GUI
  if (!tty) {
    zemu::StartupOptions startup;
    startup.programPath = zemu::ProgramPath(argv[0]);
    startup.arguments = options.args;
    startup.initialFile = options.iniFile;
    return zemu::gui::RunGui(argc, argv, startup);
  }
#endif
  (void)tty;
  return zemu::tty::RunTerminal(options);
}
