// The console window's logic on its text model.
#include "console/console.h"

#include <string>

#include "commands/dispatcher.h"
#include "commands/guard.h"
#include "context.h"
#include "engine/scan.h"
#include "engine/sjis_literal.h"

namespace zemu {

namespace {

constexpr char kEnterKey = '\r';
constexpr char kContinueKey = '&';
constexpr int kEscapeKey = 27;
// What the continuation key puts at the caret: it ends the physical line
// with '&' and starts the next with '&', which the typed key follows as a blank.
constexpr std::string_view kContinuation = "&\r\n&";

constexpr const char* kPausedLine1 = "  計算の実行が停止されています。"_sj;
constexpr const char* kPausedLine2 =
    "      継続し再開するのは、メニューの「計算中断(A)－計算再開(R)」です。"_sj;
constexpr const char* kPausedLine3 =
    "      完全に中断するのは、メニューの「計算中断(A)－計算中止(A)」です。"_sj;

void SetStatusLines(Context& ctx, const char* line1, const char* line2, const char* line3) {
  ctx.toolkit->SetStatusLine(1, line1);
  ctx.toolkit->SetStatusLine(2, line2);
  ctx.toolkit->SetStatusLine(3, line3);
}

// Enter: runs the logical line around the caret. The executed line is
// echoed on a line of its own in place of the prompt and the typing.
void EnterLine(Context& ctx) {
  ConsoleState& con = ctx.console;
  if (con.lineRunning) return;  // Enter typed while a line runs is not a new line
  CaptureInputLine(ctx);
  con.screen->SetText(ctx.output.savedScreenText);
  BeginRun(ctx);
  std::string line = ctx.output.inputLine;
  ScreenOut(ctx, ChannelLine, line);
  ScreenOut(ctx, ChannelLine, "");

  con.lineRunning = true;
  const char* cursor = line.c_str() + 1;
  StatementStatus status = ExecuteStatements(ctx, cursor);
  con.lineRunning = false;

  if (status != StatusStop) {
    ShowPrompt(ctx);
  } else {
    // No prompt follows; the next Enter must keep what this line printed.
    ctx.output.savedScreenText = con.screen->Text();
  }
}

// The continuation key: breaks the line at the caret.
void ContinueLine(Context& ctx) {
  TextControl& screen = *ctx.console.screen;
  screen.SetCaret(screen.SelectionStart());
  screen.ReplaceSelection(kContinuation);
}

}  // namespace

void BeginRun(Context& ctx) {
  ctx.runState = RunState::Running;
  ResetStackWatch(ctx.guard);
}

void EndRun(Context& ctx) {
  ctx.runState = RunState::Idle;
  ResetStackWatch(ctx.guard);
}

void ShowPrompt(Context& ctx) {
  if (ctx.defines.watchRefreshNeeded) WatchRefresh(ctx);
  TextControl& screen = *ctx.console.screen;
  // While Idle the prompt line is already on screen: every output put the
  // user's line back below itself.
  if (ctx.runState != RunState::Idle) {
    ScreenOut(ctx, ChannelLine, "");
    ctx.output.savedScreenText = screen.Text();
    ScreenOut(ctx, ChannelPrompt, "> ");
  }
  screen.SetCaret(screen.Length());
  EndRun(ctx);
}

void ArmAssistTimer(Context& ctx, int milliseconds) {
  ctx.console.assistTimer = milliseconds;
  ctx.toolkit->SetAssistTimer(milliseconds);
}

void StopAssistTimer(Context& ctx) { ArmAssistTimer(ctx, 0); }

void ComKeyDown(Context& ctx) { ArmAssistTimer(ctx, kAssistDelayKey); }

char ComKeyPress(Context& ctx, char key) {
  ConsoleState& con = ctx.console;
  if (con.keyWaitSlot == 0) {
    con.keyWaitSlot = key;
    return key;
  }
  StopAssistTimer(ctx);
  if (key == kEnterKey) {
    EnterLine(ctx);
    key = 0;
  } else if (key == kContinueKey) {
    ContinueLine(ctx);
    key = ' ';
  }
  ArmAssistTimer(ctx, kAssistDelayKey);
  return key;
}

void TypeKey(Context& ctx, char key) {
  ComKeyDown(ctx);
  char typed = ComKeyPress(ctx, key);
  if (typed != 0) ctx.console.screen->ReplaceSelection(std::string_view(&typed, 1));
}

std::size_t StatementStartAt(std::string_view text, std::size_t caret) {
  std::size_t pos = std::min(caret, text.size());
  while (pos > 0) {
    char c = text[pos - 1];
    if (c == ';') return pos;
    if (c == '\n') {
      if (pos >= 3 && text[pos - 3] == '&') {
        pos -= 3;
        continue;
      }
      return std::min(pos + 1, text.size());  // past the line's prompt column
    }
    --pos;
  }
  // The first line of the text has its prompt column too.
  return std::min<std::size_t>(1, text.size());
}

void AssistTimerTimer(Context& ctx) {
  StopAssistTimer(ctx);
  if (ctx.runState != RunState::Idle) return;
  const TextControl& screen = *ctx.console.screen;
  std::string text = screen.Text();
  std::string statement = text.substr(StatementStartAt(text, screen.SelectionStart()));
  const char* cursor = statement.c_str();
  SkipBlanks(cursor);
  ResetStackWatch(ctx.guard);
  ExecuteStatements(ctx, cursor);
  ResetStackWatch(ctx.guard);
}

int WaitForTypedKey(Context& ctx) {
  ConsoleState& con = ctx.console;
  con.keyWaitSlot = 0;
  while (con.keyWaitSlot == 0 && ctx.runState != RunState::Aborted) ctx.toolkit->WaitForEvents();
  int key = con.keyWaitSlot == 0 ? kEscapeKey : static_cast<unsigned char>(con.keyWaitSlot);
  con.keyWaitSlot = 1;
  return key;
}

void StopComputation(Context& ctx) {
  if (ctx.runState != RunState::Running && ctx.runState != RunState::Paused) return;
  SetStatusLines(ctx, kPausedLine1, kPausedLine2, kPausedLine3);
  ctx.runState = RunState::Paused;
}

void RestartComputation(Context& ctx) {
  if (ctx.runState != RunState::Running && ctx.runState != RunState::Paused) return;
  SetStatusLines(ctx, "", "", "");
  ctx.runState = RunState::Running;
}

void AbortComputation(Context& ctx) {
  if (ctx.runState != RunState::Running && ctx.runState != RunState::Paused) return;
  SetStatusLines(ctx, "", "", "");
  ctx.runState = RunState::Aborted;
}

bool MenuActionsAllowed(const Context& ctx) { return ctx.runState == RunState::Idle; }

void RunMenuAction(Context& ctx, bool running, const std::function<void()>& action) {
  if (!MenuActionsAllowed(ctx)) return;
  if (running) BeginRun(ctx);
  action();
  ShowPrompt(ctx);
}

void RunFileFromMenu(Context& ctx) {
  RunMenuAction(ctx, true, [&ctx] {
    const char* cursor = ".do";
    ExecuteStatements(ctx, cursor);
  });
}

void ShowHelpFromMenu(Context& ctx) {
  RunMenuAction(ctx, true, [&ctx] {
    const char* cursor = ".help";
    ExecuteStatements(ctx, cursor);
  });
}

bool FindNext(Context& ctx, std::string_view what) {
  if (!MenuActionsAllowed(ctx) || what.empty()) return false;
  TextControl& screen = *ctx.console.screen;
  std::string text = screen.Text();
  std::size_t selStart = screen.SelectionStart();
  std::size_t selEnd = selStart + screen.SelectionLength();
  std::size_t from = what.size() < screen.SelectionLength() ? selStart : selEnd;
  std::size_t to = what.size() < screen.SelectionLength() ? selEnd : text.size();
  std::size_t found = std::string_view(text).substr(0, to).find(what, from);
  if (found == std::string_view::npos) return false;
  screen.Select(found, what.size());
  return true;
}

}  // namespace zemu
