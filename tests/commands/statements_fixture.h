// Helpers shared by the command tests: running a statement text and
// starting the console afresh.
#pragma once

#include <string>

#include "commands/dispatcher.h"
#include "console/output.h"
#include "context.h"

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
