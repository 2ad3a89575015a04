// The window as a module: build/zemu loads this shared library only when it
// opens the window, so that a terminal run never loads Qt.
#include "gui/window_module.h"

#include "gui/gui_main.h"

extern "C" __attribute__((visibility("default"))) int zemu_window_main(
    int* argc, char** argv, const zemu::StartupOptions* startup) {
  return zemu::gui::RunGui(*argc, argv, *startup);
}
