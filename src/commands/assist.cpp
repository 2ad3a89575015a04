// The assist display.
#include "commands/assist.h"

#include <string>

#include "host/context.h"

namespace zemu {

bool InAssistMode(const Context& ctx) { return ctx.runState == RunState::Idle; }

void ShowStatusLines(Context& ctx, const AssistLines& lines) {
  ctx.toolkit->SetStatusLine(1, std::string(lines.line1));
  ctx.toolkit->SetStatusLine(2, std::string(lines.line2));
  ctx.toolkit->SetStatusLine(3, std::string(lines.line3));
}

}  // namespace zemu
