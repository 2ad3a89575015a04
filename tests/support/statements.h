// Helpers shared by the tests: running a statement text as if typed at the
// prompt (the context is Running), and emptying the console so that a test
// sees only what follows.
#pragma once

#include <string>

#include "commands/dispatcher.h"
#include "host/context.h"
#include "host/output.h"

namespace zemu {

inline StatementStatus Execute(Context& ctx, const std::string& text) {
  const char* p = text.c_str();
  return ExecuteStatements(ctx, p);
}

inline void ClearConsole(Context& ctx) {
  ctx.output = OutputState{};
  ctx.console.screen->SetText("");
}

}  // namespace zemu
