// The window front end: runs ZEMU in its main window until it is closed.
#pragma once

#include "console/startup.h"

namespace zemu::gui {

// Starts Qt with the program's arguments, creates the main window and the
// windows it owns, runs the start-up (InitialDefines with `startup`) and the
// event loop. Returns the exit status.
int RunGui(int& argc, char** argv, const StartupOptions& startup);

}  // namespace zemu::gui
