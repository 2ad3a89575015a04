// The entry of the window module (zemu-window.so) as the program finds it
// with dlsym. Free of Qt, so that src/main.cpp can include it.
#pragma once

#include "console/startup.h"

// The module's file name, and where an installed program finds it from its
// own folder (the build tree keeps it beside the program).
inline constexpr const char* kWindowModuleName = "zemu-window.so";
inline constexpr const char* kWindowEntryName = "zemu_window_main";

// Runs the window until it is closed (RunGui); returns the exit status.
extern "C" {
typedef int WindowEntry(int* argc, char** argv, const zemu::StartupOptions* startup);
}
