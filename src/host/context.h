// The context: everything of which the program has one instance. A run of
// the program makes one; every test makes its own. Nothing else in the core
// keeps mutable state between calls.
//
// The context is a plain record of state. The state of the layers above the
// host (the temporary variables, the definition sheets, the help viewer's
// pages) is held by reference, so that this record names no header above
// its own layer; the constructor, which sits at the top of the core, makes it.
#pragma once

#include <memory>
#include <string>

#include "cache/caches.h"
#include "host/console_state.h"
#include "host/guard.h"
#include "host/layout.h"
#include "host/observer.h"
#include "host/output.h"
#include "host/run_state.h"
#include "host/settings.h"
#include "host/toolkit.h"
#include "host/upcalls.h"
#include "platform/files.h"

namespace zemu {

struct PageHistory;
struct TDefines;
struct TTempVar;

struct Context {
  // `toolkit` must outlive the context; without one, a NullToolkit is used.
  // The toolkit is attached to the new context. The parts of a front end
  // that observe changes add themselves to `observers` before start-up.
  explicit Context(Toolkit* toolkit = nullptr);
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context();

  // What the store and the evaluator keep for speed, and the switch that
  // turns it off (ZEMU_CACHES, read when the context is made). Made before
  // the store and gone after it: the rows' value cells point into it.
  Caches caches;

 private:
  struct Upper;  // the state of the layers above the host; made after the caches
  std::unique_ptr<Upper> upper_;

 public:
  Settings settings;
  RunState runState = RunState::Running;  // Running until the first prompt
  bool loading = false;  // a sheet is loading its file: procedure-file lines are not echoed
  // While set (a front end's start-up asks for it), a sheet that a statement
  // opens is listed and named, and its file read later (LoadDeferredSheets).
  bool deferSheetLoads = false;
  // The folder of the files that ship with the program (the help file, the
  // unit library), with its "/"; .open looks there last. Set at start-up.
  std::string dataFolder;
  OutputState output;
  ConsoleState console;  // the Screen, WatchScreen and the console window's state
  TTempVar& tempVars;
  TDefines& defines;
  GuardState guard;
  MainFormState mainForm;    // the main window's place and title
  PageHistory& pageHistory;  // pages the help viewer showed, for going back
  FileSystemState files;     // file names on disk, and the write seam of the tests
  Toolkit* toolkit;
  ObserverList observers;
  Observer* observer = &observers;  // where the core reports changes
  Upcalls up;                       // the calls of the lower layers into the upper ones

 private:
  std::unique_ptr<Toolkit> ownToolkit_;
};

}  // namespace zemu
