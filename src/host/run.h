// A run of statements: its state, which the menus and the front ends follow,
// and the key that a running statement may wait for.
#pragma once

#include "host/run_state.h"

namespace zemu {

struct Context;

// Sets RunState and tells the observer. Every change of the run state goes
// through here.
void SetRunState(Context& ctx, RunState state);
// RunState becomes Running (the Stop menu is enabled) or Idle (disabled).
void BeginRun(Context& ctx);
void EndRun(Context& ctx);
// Waits for the next character typed in the Screen (the front end keeps
// delivering events meanwhile) and returns it; ESC (27) when the run is
// aborted first.
int WaitForTypedKey(Context& ctx);

}  // namespace zemu
