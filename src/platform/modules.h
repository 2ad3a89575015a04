// Finding the modules that ship with the program (the window, the line
// editor): shared libraries it loads only when a run needs them, so that a
// run that does not pays nothing for what they link.
#pragma once

#include <string>

namespace zemu {

// Loads the module file `name` from beside the program at `programPath` (the
// build tree), else from the installed module folder, and returns the
// address of its C entry `entry`. Null, with `fault` saying why, when it
// cannot be loaded or has no such entry. A loaded module stays loaded.
void* LoadModuleEntry(const std::string& programPath, const char* name, const char* entry,
                      std::string& fault);

}  // namespace zemu
