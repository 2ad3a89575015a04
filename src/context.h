// The context: everything of which the program has one instance. A run of
// the program makes one; every test makes its own. Nothing else in the core
// keeps mutable state between calls.
#pragma once

#include <memory>
#include <string>

#include "cache/caches.h"
#include "commands/guard.h"
#include "commands/help.h"
#include "commands/settings.h"
#include "console/console.h"
#include "console/observer.h"
#include "console/output.h"
#include "console/run_state.h"
#include "console/toolkit.h"
#include "definitions/store.h"
#include "engine/tempvar.h"
#include "platform/files.h"
#include "sheet/layout.h"

namespace zemu {

struct Context {
  // `toolkit` must outlive the context; without one, a NullToolkit is used.
  // The toolkit is attached to the new context. The parts of a front end
  // that observe changes add themselves to `observers` before start-up.
  explicit Context(Toolkit* toolkit = nullptr);
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context();

  Settings settings;
  RunState runState = RunState::Running;  // Running until the first prompt
  bool loading = false;  // a sheet is loading its file: procedure-file lines are not echoed
  OutputState output;
  ConsoleState console;  // the Screen, WatchScreen and the console window's state
  TTempVar tempVars;
  // What the store and the evaluator keep for speed, and the switch that
  // turns it off (ZEMU_CACHES, read when the context is made). Made before
  // the store and gone after it: the rows' value cells point into it.
  Caches caches;
  TDefines defines;
  GuardState guard;
  MainFormState mainForm;  // the main window's place and title
  PageHistory pageHistory;  // pages the help viewer showed, for going back
  FileSystemState files;    // file names on disk, and the write seam of the tests
  Toolkit* toolkit;
  ObserverList observers;
  Observer* observer = &observers;  // where the core reports changes

 private:
  std::unique_ptr<Toolkit> ownToolkit_;
};

}  // namespace zemu
