// Making the context. This is the one place that knows the state of every
// layer: the context's record names the upper layers' state only by
// reference, and the parts it refers to are made here.
#include "host/context.h"

#include <cstdlib>

#include "commands/dispatcher.h"
#include "commands/help.h"
#include "definitions/store.h"
#include "engine/tempvar.h"
#include "sheet/sheet_ops.h"

namespace zemu {

namespace {

void RunStatements(Context& ctx, const char*& cursor) { ExecuteStatements(ctx, cursor); }

void OpenNewSheet(Context& ctx) { OpenSheet(ctx, ""); }

}  // namespace

struct Context::Upper {
  TTempVar tempVars;
  TDefines defines;
  PageHistory pageHistory;
};

Context::Context(Toolkit* tk)
    : upper_(std::make_unique<Upper>()),
      tempVars(upper_->tempVars),
      defines(upper_->defines),
      pageHistory(upper_->pageHistory),
      toolkit(tk) {
  caches.enabled = CachesFromSetting(std::getenv("ZEMU_CACHES"));
  if (toolkit == nullptr) {
    ownToolkit_ = std::make_unique<NullToolkit>();
    toolkit = ownToolkit_.get();
  }
  up.runStatements = RunStatements;
  up.openNewSheet = OpenNewSheet;
  up.openSheetFile = OpenSheetFile;
  files.nameCodeset = NameCodesetOfLocale();
  InitStackBaseline(*this);
  toolkit->Attach(*this);
}

// The log writes what it still holds while the write seam (`files`, a later
// member, destroyed first) is still there.
Context::~Context() { output.logFile.reset(); }

}  // namespace zemu
