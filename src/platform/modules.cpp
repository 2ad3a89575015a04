// Loading the program's modules with dlopen.
#include "platform/modules.h"

#include <dlfcn.h>

namespace zemu {

void* LoadModuleEntry(const std::string& programPath, const char* name, const char* entry,
                      std::string& fault) {
  fault.clear();
  if (programPath.empty()) {
    fault = "no program path";
    return nullptr;
  }
  const std::string folder = programPath.substr(0, programPath.rfind('/') + 1);
  void* module = nullptr;
  for (const std::string& path : {folder + name, folder + ZEMU_MODULE_FROM_PROGRAM + name}) {
    module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module != nullptr) break;
    // The first failure says most: the file beside a program in the build
    // tree, or the reason an existing module does not load.
    if (const char* why = dlerror(); fault.empty() && why != nullptr) fault = why;
  }
  if (module == nullptr) return nullptr;
  void* address = dlsym(module, entry);
  if (address == nullptr) {
    const char* why = dlerror();
    fault = why != nullptr ? why : entry;
  }
  return address;
}

}  // namespace zemu
