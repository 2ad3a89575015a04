#include "context.h"

#include <cstdlib>

namespace zemu {

Context::Context(Toolkit* tk) : toolkit(tk) {
  caches.enabled = CachesFromSetting(std::getenv("ZEMU_CACHES"));
  if (toolkit == nullptr) {
    ownToolkit_ = std::make_unique<NullToolkit>();
    toolkit = ownToolkit_.get();
  }
  files.nameCodeset = NameCodesetOfLocale();
  InitStackBaseline(*this);
  toolkit->Attach(*this);
}

// The log writes what it still holds while the write seam (`files`, a later
// member, destroyed first) is still there.
Context::~Context() { output.logFile.reset(); }

}  // namespace zemu
