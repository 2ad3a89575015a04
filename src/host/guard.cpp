// The statement guard: the free stack measured against the thread's stack
// limit, the throttled delivery of window events, the pause wait and the
// abort. It runs before every statement, loop pass, file line and formula
// item, so it reads the clock only every so many checks and hands control to
// the toolkit at most every few milliseconds.
#include "host/guard.h"

#include <pthread.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>

#include "host/context.h"
#include "host/run.h"

namespace zemu {

namespace {

// How many guard checks pass between two readings of the clock.
constexpr unsigned kChecksPerClockRead = 32;

// The stack size taken when the system gives none: the usual default.
constexpr std::size_t kAssumedStackSize = 8u << 20;
// The most stack a run may use, whatever the system allows: with an
// unlimited stack the system's limit lies beyond the memory there is, and a
// runaway recursion would take all of it before the reserve stopped it.
constexpr std::size_t kLargestStackUse = 64u << 20;

// Milliseconds of a coarse monotonic clock: cheap enough for every check.
std::int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

std::uintptr_t CurrentStackPosition() {
  return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
}

std::uintptr_t ThreadStackLimit() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
  void* low = nullptr;
  std::size_t size = 0;
  int got = pthread_attr_getstack(&attr, &low, &size);
  std::size_t guard = 0;
  pthread_attr_getguardsize(&attr, &guard);
  pthread_attr_destroy(&attr);
  if (got != 0 || low == nullptr) return 0;
  return reinterpret_cast<std::uintptr_t>(low) + guard;
}

// When the thread's stack cannot be asked for, its size limit counted down
// from here stands in for it (we are near the top of the stack).
std::uintptr_t EstimatedStackLimit() {
  std::size_t size = kAssumedStackSize;
  rlimit limit{};
  if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < size) {
    size = static_cast<std::size_t>(limit.rlim_cur);
  }
  std::uintptr_t here = CurrentStackPosition();
  return here > size ? here - size : 0;
}

void DeliverEvents(Context& ctx) {
  if (ctx.guard.countdown > 0) {
    --ctx.guard.countdown;
    return;
  }
  ctx.guard.countdown = kChecksPerClockRead;
  std::int64_t now = NowMs();
  if (now - ctx.guard.lastEventsMs < ctx.guard.eventIntervalMs) return;
  ctx.guard.lastEventsMs = now;
  ctx.toolkit->ProcessPendingEvents();
}

// The assist display's check in place of the events: true once its time is up.
bool AssistBudgetSpent(Context& ctx) {
  if (!ctx.guard.assistCutOff && NowMs() >= ctx.guard.assistDeadlineMs) {
    ctx.guard.assistCutOff = true;
  }
  return ctx.guard.assistCutOff;
}

}  // namespace

void BeginAssistBudget(Context& ctx) {
  ctx.guard.assistDeadlineMs = NowMs() + std::max<std::int64_t>(ctx.guard.assistBudgetMs, 1);
  ctx.guard.assistCutOff = false;
}

void EndAssistBudget(Context& ctx) { ctx.guard.assistDeadlineMs = 0; }

void InitStackBaseline(Context& ctx) {
  ctx.guard.stackLimit = ThreadStackLimit();
  if (ctx.guard.stackLimit == 0) ctx.guard.stackLimit = EstimatedStackLimit();
  const std::uintptr_t here = CurrentStackPosition();
  if (here > kLargestStackUse && here - kLargestStackUse > ctx.guard.stackLimit) {
    ctx.guard.stackLimit = here - kLargestStackUse;
  }
  ctx.guard.baseline = FreeStackSpace(ctx);
}

std::size_t FreeStackSpace(const Context& ctx) {
  std::uintptr_t here = CurrentStackPosition();
  if (ctx.guard.stackLimit == 0 || here <= ctx.guard.stackLimit) return 0;
  return here - ctx.guard.stackLimit;
}

RunState WaitWhilePaused(Context& ctx) {
  while (ctx.runState == RunState::Paused) {
    // Nothing can restart a run that waits when no event can come.
    if (!ctx.toolkit->WaitForEvents()) SetRunState(ctx, RunState::Aborted);
  }
  return ctx.runState;
}

void ReportAbort(Context& ctx) {
  if (!ctx.guard.abortShown) ScreenOut(ctx, ChannelLine, "  ABORT: Abort by user.\r\n");
  ctx.guard.abortShown = true;
}

bool StatementGuard(Context& ctx) {
  // The common case, a running loop between two readings of the clock:
  // nothing to print, deliver or wait for.
  if (GuardCountedDown(ctx.guard, ctx.settings.trace >= TraceLevel::System, ctx.runState)) {
    return false;
  }
  std::size_t free = FreeStackSpace(ctx);
  if (ctx.settings.trace >= TraceLevel::System) {
    char line[40];
    std::snprintf(line, sizeof line, "STACK: %08X %08X", static_cast<unsigned>(free),
                  static_cast<unsigned>(ctx.guard.baseline - free));
    ScreenOut(ctx, ChannelTrace, line);
  }
  if (free < kStackReserve && !ctx.guard.stackExhausted) {
    ctx.guard.stackExhausted = true;
    ScreenOut(ctx, ChannelLine, "  ERROR: stack memory near to over.\r\n", true);
  }
  bool low = ctx.guard.stackExhausted;
  if (ctx.guard.assistDeadlineMs != 0) return AssistBudgetSpent(ctx) || low;
  DeliverEvents(ctx);
  if (WaitWhilePaused(ctx) == RunState::Aborted) {
    ReportAbort(ctx);
    return true;
  }
  return low;
}

}  // namespace zemu
