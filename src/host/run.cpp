// A run of statements: its state and the key it waits for.
#include "host/run.h"

#include "host/context.h"
#include "host/guard.h"

namespace zemu {

namespace {

constexpr int kEscapeKey = 27;

}  // namespace

void SetRunState(Context& ctx, RunState state) {
  if (ctx.runState == state) return;
  ctx.runState = state;
  ctx.observer->RunStateChanged(state);
}

void BeginRun(Context& ctx) {
  SetRunState(ctx, RunState::Running);
  ResetStackWatch(ctx.guard);
  ctx.guard.abortShown = false;
}

void EndRun(Context& ctx) {
  SetRunState(ctx, RunState::Idle);
  ResetStackWatch(ctx.guard);
}

int WaitForTypedKey(Context& ctx) {
  ConsoleState& con = ctx.console;
  if (con.keyWaitTrail != 0) {
    const int trail = static_cast<unsigned char>(con.keyWaitTrail);
    con.keyWaitTrail = 0;
    return trail;
  }
  con.keyWaitSlot = 0;
  while (con.keyWaitSlot == 0 && ctx.runState != RunState::Aborted) {
    if (!ctx.toolkit->WaitForEvents()) break;
  }
  if (con.keyWaitSlot == 0 && ctx.runState == RunState::Aborted) ReportAbort(ctx);
  int key = con.keyWaitSlot == 0 ? kEscapeKey : static_cast<unsigned char>(con.keyWaitSlot);
  con.keyWaitSlot = 1;
  return key;
}

}  // namespace zemu
