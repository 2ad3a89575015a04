#include "context.h"

namespace zemu {

Context::Context(Toolkit* tk) : toolkit(tk) {
  if (toolkit == nullptr) {
    ownToolkit_ = std::make_unique<NullToolkit>();
    toolkit = ownToolkit_.get();
  }
  files.nameCodeset = NameCodesetOfLocale();
  InitStackBaseline(*this);
  toolkit->Attach(*this);
}

Context::~Context() = default;

}  // namespace zemu
