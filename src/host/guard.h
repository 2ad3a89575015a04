// The statement guard: the check made before every statement, loop pass,
// file line and formula item. It watches the stack reserve, keeps the window
// responsive, holds a paused run and stops an aborted one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/run_state.h"

namespace zemu {

struct Context;

// Below this much free stack every level stops: enough for the deepest chain
// of calls that runs between two guard checks.
inline constexpr std::size_t kStackReserve = 32768;

// Pending window events are delivered at most this often during a run, so
// that the guard costs next to nothing on a tight loop.
inline constexpr std::int64_t kEventIntervalMs = 5;

// The assist display evaluates the formula under the caret while the console
// is Idle, where Abort cannot reach it: it gives up after this long, so that
// typing a slow formula never holds the window for longer.
inline constexpr std::int64_t kAssistBudgetMs = 50;

struct GuardState {
  std::uintptr_t stackLimit = 0;  // lowest usable stack address of this thread
  std::size_t baseline = 0;       // free stack space when the program started
  std::int64_t lastEventsMs = 0;  // monotonic clock at the last delivery
  // The least time between two deliveries; tests set 0, so that events
  // arrive after a fixed number of checks, whatever the machine's speed.
  std::int64_t eventIntervalMs = kEventIntervalMs;
  unsigned countdown = 0;  // checks left before the clock is read again
  // The reserve was reached during this top-level statement: every level
  // stops, so that a text that recurses more than once per level cannot
  // start down again.
  bool stackExhausted = false;
  int statementDepth = 0;  // nesting of ExecuteStatements; 1 is a top-level text
  // The assist display's evaluation: its deadline on the monotonic clock (0
  // while none runs), how long it may take, and whether it ran out of time.
  std::int64_t assistDeadlineMs = 0;
  std::int64_t assistBudgetMs = kAssistBudgetMs;
  bool assistCutOff = false;
  bool abortShown = false;  // this run printed its abort line
};

// Whether the run was stopped (aborted, or the stack's reserve reached):
// what it computed since may be cut short, and is not kept.
inline bool RunStopped(const GuardState& guard, RunState state) {
  return state == RunState::Aborted || guard.stackExhausted;
}

// Starts the stack watch anew: for each top-level statement, and as a run
// begins or ends.
inline void ResetStackWatch(GuardState& guard) { guard.stackExhausted = false; }

// Records the stack limit of the calling thread and the free space now.
void InitStackBaseline(Context& ctx);

// Free stack bytes below the caller's frame.
std::size_t FreeStackSpace(const Context& ctx);

// Brackets an evaluation of the assist display: until EndAssistBudget the
// guard delivers no events (a key typed meanwhile waits, the evaluation being
// short) and stops every level once the budget is spent, setting
// assistCutOff.
void BeginAssistBudget(Context& ctx);
void EndAssistBudget(Context& ctx);

// While the run is paused, lets the window deliver events; then returns the
// run state.
RunState WaitWhilePaused(Context& ctx);

// Prints the abort line, once for the run, however many levels meet the
// abort as they unwind.
void ReportAbort(Context& ctx);

// True means stop now (stack nearly exhausted, or the user aborted); the
// guard has then printed its own message.
bool StatementGuard(Context& ctx);

// The common case of StatementGuard, decided inline from the guard's own
// state: between two readings of the clock, with the stack clear of its
// reserve, no assist budget, no System trace and a run neither paused nor
// aborted, the guard only counts down. True when it did; then StatementGuard
// need not be called.
inline bool GuardCountedDown(GuardState& guard, bool systemTrace, RunState state) {
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  if (guard.countdown == 0 || guard.stackExhausted || guard.assistDeadlineMs != 0 || systemTrace ||
      (state != RunState::Running && state != RunState::Idle) || here <= guard.stackLimit ||
      here - guard.stackLimit < kStackReserve) {
    return false;
  }
  --guard.countdown;
  return true;
}

}  // namespace zemu
