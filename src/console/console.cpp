// The console window's logic on its text model.
#include "console/console.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "host/context.h"
#include "host/guard.h"

namespace zemu {

namespace {

constexpr char kEnterKey = '\r';
constexpr char kContinueKey = '&';
// What the continuation key puts at the caret: it ends the physical line
// with '&' and starts the next with '&', which the typed key follows as a blank.
constexpr std::string_view kContinuation = "&\r\n&";
constexpr std::string_view kPrompt = "> ";

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

constexpr const char* kLineTooLong =
    "  ERROR: 入力行が長すぎるので、実行しません。一行は1999バイト（全角文字は2バイト）までです。\r\n"_sj;

// A line too long for the input-line buffer runs not at all: the message
// goes above the typing, which stays on the prompt line to be shortened.
void RefuseLongLine(Context& ctx) {
  if (ctx.runState != RunState::Idle) {
    // After a stopped line there is no prompt yet: one comes first.
    TypedLineAside typed = TakeTypedLine(ctx);
    ShowPrompt(ctx);
    TextControl& screen = *ctx.console.screen;
    if (!typed.text.empty() && typed.text[0] == '>') {
      screen.Select(ctx.output.savedScreenText.size(), screen.Length());
    }
    screen.ReplaceSelection(typed.text);
  }
  ErrorOut(ctx, kLineTooLong);
  ctx.observer->LineEnded(LineOutcome::Refused, 1);
}

// The logical line `onScreen` (from its prompt column on) as the user typed
// it: without the prompt ("> ", or the first column of an older line) and
// without the continuation breaks, which the line reads as blanks.
std::string TypedText(std::string_view onScreen) {
  std::string_view rest = onScreen.substr(std::min<std::size_t>(1, onScreen.size()));
  if (rest.starts_with(' ')) rest.remove_prefix(1);
  std::string typed;
  for (std::size_t at = 0; at < rest.size();) {
    if (rest.substr(at, kContinuation.size()) == kContinuation) {
      at += kContinuation.size();
    } else {
      typed += rest[at++];
    }
  }
  return typed;
}

// Enter: runs the logical line around the caret. The executed line is
// echoed (ChannelInput) on a line of its own in place of the prompt and the
// typing. The observer learns how the line ended.
void EnterLine(Context& ctx) {
  ConsoleState& con = ctx.console;
  if (con.lineRunning) return;  // Enter typed while a line runs is not a new line
  if (!CaptureInputLine(ctx)) {
    RefuseLongLine(ctx);
    return;
  }
  ctx.observer->LineEntered(TypedText(LogicalLineAtCaret(ctx)));
  con.screen->SetText(ctx.output.savedScreenText);
  BeginRun(ctx);
  std::string line = ctx.output.inputLine;
  const int errorsBefore = ctx.output.errorCount;
  ScreenOut(ctx, ChannelInput, line + "\r\n");

  con.lineRunning = true;
  const char* cursor = line.c_str() + 1;
  StatementStatus status = ExecuteStatements(ctx, cursor);
  con.lineRunning = false;

  // An abort ends the line as a whole, with a prompt; an error that stopped
  // it (the stack's reserve among them) leaves none.
  LineOutcome outcome = LineOutcome::Done;
  if (ctx.runState == RunState::Aborted) {
    outcome = LineOutcome::Aborted;
  } else if (status == StatusStop) {
    outcome = LineOutcome::Stopped;
  }
  if (outcome != LineOutcome::Stopped) {
    ShowPrompt(ctx);
  } else {
    // No prompt follows; the next Enter must keep what this line printed.
    ctx.output.savedScreenText = con.screen->Text();
  }
  ctx.observer->LineEnded(outcome, ctx.output.errorCount - errorsBefore);
}

// The continuation key: breaks the line at the caret.
void ContinueLine(Context& ctx) {
  TextControl& screen = *ctx.console.screen;
  screen.SetCaret(screen.SelectionStart());
  screen.ReplaceSelection(kContinuation);
}

}  // namespace

void WatchRefresh(Context& ctx) {
  OutputState& out = ctx.output;
  out.watchMode = true;
  out.watchLineCounter = -1;

  // The watched definitions are gathered before any is computed, so that a
  // computation that changes the store cannot upset the scan.
  std::vector<std::shared_ptr<Definition>> watched;
  for (std::size_t i = 0; i < ctx.defines.sheets.size(); ++i) {
    TDefine& sheet = *ctx.defines.sheets[i];
    for (int row = SearchRows(ctx, sheet, "#", MarkWatch); row >= 0; row = SearchNext(ctx, sheet)) {
      std::shared_ptr<Definition> d = DefinitionAt(sheet, row);
      if (d && d->kind == FunctionKind) watched.push_back(std::move(d));
    }
  }
  for (const std::shared_ptr<Definition>& d : watched) {
    const char* noArguments = "";
    Value value = GetDefinitionValue(ctx, *d, noArguments);
    ScreenOut(ctx, ChannelLine, d->Name() + "=" + ValueText(ctx, value) + "\t\t" + d->Comment());
  }

  TextControl& watch = *ctx.console.watchScreen;
  std::size_t firstBlank = static_cast<std::size_t>(out.watchLineCounter + 1);
  for (std::size_t line = firstBlank; line < watch.LineCount(); ++line) watch.ReplaceLine(line, "");
  double lines = out.watchLineCounter + 1.5;
  watch.SetHeight(static_cast<int>(std::abs(ctx.toolkit->FontHeight()) * lines));

  out.watchMode = false;
  ctx.defines.watchRefreshNeeded = false;
}

// The watch screen, computed as a run of its own: the run that ends may have
// been aborted or stopped at the stack's reserve.
void RefreshWatchAfterRun(Context& ctx) {
  if (!ctx.defines.watchRefreshNeeded) return;
  if (ctx.runState == RunState::Aborted) SetRunState(ctx, RunState::Running);
  ResetStackWatch(ctx.guard);
  WatchRefresh(ctx);
}

void ShowPrompt(Context& ctx) {
  RefreshWatchAfterRun(ctx);
  TextControl& screen = *ctx.console.screen;
  // While Idle the prompt line is already on screen: every output put the
  // user's line back below itself.
  const bool idle = ctx.runState == RunState::Idle;
  if (!idle) ScreenOut(ctx, ChannelLine, "");
  // The log is written out at every prompt, so that a full disk is found
  // promptly and its report stands above the prompt.
  FlushLogFile(ctx);
  if (!idle) {
    ctx.output.savedScreenText = screen.Text();
    ScreenOut(ctx, ChannelPrompt, "> ");
  }
  screen.SetCaret(screen.Length());
  EndRun(ctx);
  ctx.observer->PromptShown();
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

namespace {

constexpr char kBackspaceKey = 8;
constexpr char kDeleteKey = 127;

bool IsDoubleByteAt(std::string_view text, std::size_t pos) {
  return pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos]));
}

// After a line stopped by an error no prompt was written: a line typed there
// gets one first, so that its first character is not taken for the prompt.
void PromptBeforeTypingAfterStop(Context& ctx) {
  TextControl& screen = *ctx.console.screen;
  if (ctx.runState != RunState::Running || ctx.console.lineRunning) return;
  if (screen.SelectionStart() != screen.Length() || screen.CaretColumn() != 0) return;
  screen.ReplaceSelection("> ");
}

// One character of committed text while no key is awaited.
void TypeCharacter(Context& ctx, std::string_view character) {
  const char c = character[0];
  if (character.size() == 1 && c == kBackspaceKey) {
    DeleteBackward(ctx);
  } else if (character.size() == 1 && c == kDeleteKey) {
    DeleteForward(ctx);
  } else if (character.size() == 1 && c != '\r' && c != '\t' &&
             static_cast<unsigned char>(c) < 0x20) {
    // other control characters (ESC) are not text
  } else {
    if (c != '\r') PromptBeforeTypingAfterStop(ctx);
    if (character.size() == 1) {
      TypeKey(ctx, c);
    } else {
      ComKeyDown(ctx);
      ctx.console.screen->ReplaceSelection(character);
    }
  }
}

}  // namespace

void TypeText(Context& ctx, std::string_view sjis) {
  ConsoleState& con = ctx.console;
  std::size_t pos = 0;
  while (pos < sjis.size()) {
    std::size_t length = IsDoubleByteAt(sjis, pos) ? 2 : 1;
    std::string_view character = sjis.substr(pos, length);
    if (character == "\r" || character == "\n") {
      if (character == "\r" && pos + 1 < sjis.size() && sjis[pos + 1] == '\n') ++length;
      character = "\r";
    }
    pos += length;
    if (con.keyWaitSlot == 0) {
      con.keyWaitSlot = character[0];
      con.keyWaitTrail = character.size() > 1 ? character[1] : 0;
      if (static_cast<unsigned char>(character[0]) >= 0x20) con.screen->ReplaceSelection(character);
      continue;
    }
    TypeCharacter(ctx, character);
  }
}

void InsertTypedText(Context& ctx, std::string_view sjis) {
  PromptBeforeTypingAfterStop(ctx);
  ctx.console.screen->ReplaceSelection(sjis);
}

void DeleteBackward(Context& ctx) {
  TextControl& screen = *ctx.console.screen;
  if (screen.SelectionLength() == 0) {
    const std::size_t caret = screen.SelectionStart();
    if (caret == 0) return;
    const std::string text = screen.Text();
    std::size_t start = caret - 1;
    if (text[start] == '\n') {
      if (start > 0 && text[start - 1] == '\r') --start;  // a line break goes whole
    } else {
      // Characters can only be told apart from the start of the line on.
      for (std::size_t pos = caret - screen.CaretColumn(); pos < caret;
           pos += IsDoubleByteAt(text, pos) ? 2 : 1) {
        start = pos;
      }
    }
    screen.Select(start, caret - start);
  }
  screen.ReplaceSelection("");
  ComKeyDown(ctx);
}

void DeleteForward(Context& ctx) {
  TextControl& screen = *ctx.console.screen;
  if (screen.SelectionLength() == 0) {
    const std::size_t caret = screen.SelectionStart();
    const std::string text = screen.Text();
    if (caret >= text.size()) return;
    std::size_t length = IsDoubleByteAt(text, caret) ? 2 : 1;
    if (text[caret] == '\r' && caret + 1 < text.size() && text[caret + 1] == '\n') length = 2;
    screen.Select(caret, length);
  }
  screen.ReplaceSelection("");
  ComKeyDown(ctx);
}

std::string TypedLine(const Context& ctx) {
  const std::string text = ctx.console.screen->Text();
  const std::string& saved = ctx.output.savedScreenText;
  if (text.compare(0, saved.size(), saved) != 0) return {};
  return text.substr(saved.size());
}

bool ReplaceTypedLine(Context& ctx, std::string_view sjis) {
  if (!TypingAtPrompt(ctx)) return false;
  TextControl& screen = *ctx.console.screen;
  const std::string text = screen.Text();
  const std::string& saved = ctx.output.savedScreenText;
  if (text.compare(0, saved.size(), saved) != 0) return false;
  std::size_t start = saved.size();
  std::string line(sjis);
  if (text.compare(start, kPrompt.size(), kPrompt) == 0) {
    start += kPrompt.size();
  } else {
    // The prompt was deleted, or a stopped line left none: one comes first.
    line.insert(0, kPrompt);
    if (start > 0 && text[start - 1] != '\n') line.insert(0, "\r\n");
  }
  screen.Select(start, text.size() - start);
  screen.ReplaceSelection(line);
  screen.SetCaret(screen.Length());
  ComKeyDown(ctx);
  return true;
}

bool TypingAtPrompt(const Context& ctx) {
  if (ctx.console.keyWaitSlot == 0 || ctx.console.lineRunning) return false;
  return ctx.runState == RunState::Idle || ctx.runState == RunState::Running;
}

void ClearTypedLine(Context& ctx) {
  if (ctx.runState != RunState::Idle) return;
  TextControl& screen = *ctx.console.screen;
  const std::size_t savedSize = ctx.output.savedScreenText.size();
  if (TypedLine(ctx).empty()) {
    screen.SetText(ctx.output.savedScreenText);
  } else {
    screen.Select(savedSize, screen.Length() - savedSize);
    screen.ReplaceSelection("");
  }
  screen.SetCaret(screen.Length());
  screen.ReplaceSelection("> ");
}

PromptLineAside::PromptLineAside(Context& ctx, bool showPrompt)
    : ctx_(ctx), showPrompt_(showPrompt) {
  if (ctx_.runState != RunState::Idle) return;
  active_ = true;
  typed_ = TakeTypedLine(ctx_);
  BeginRun(ctx_);
}

PromptLineAside::~PromptLineAside() {
  if (!active_) return;
  TextControl& screen = *ctx_.console.screen;
  if (showPrompt_) {
    ShowPrompt(ctx_);
  } else if (ctx_.runState != RunState::Idle) {
    RefreshWatchAfterRun(ctx_);
    ScreenOut(ctx_, ChannelLine, "");  // ends the last line the action wrote
    FlushLogFile(ctx_);
    ctx_.output.savedScreenText = screen.Text();
    EndRun(ctx_);
  }
  // The line as it was typed takes the place of any fresh prompt.
  const std::size_t savedSize = ctx_.output.savedScreenText.size();
  screen.Select(savedSize, screen.Length() - std::min(savedSize, screen.Length()));
  screen.ReplaceSelection("");
  if (typed_.text.empty()) typed_ = {"> ", 2};
  PutBackTypedLine(ctx_, typed_);
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
  BeginAssistBudget(ctx);
  ExecuteStatements(ctx, cursor);
  EndAssistBudget(ctx);
  ResetStackWatch(ctx.guard);
}

void StopComputation(Context& ctx) {
  if (ctx.runState != RunState::Running && ctx.runState != RunState::Paused) return;
  SetStatusLines(ctx, kPausedLine1, kPausedLine2, kPausedLine3);
  SetRunState(ctx, RunState::Paused);
}

void RestartComputation(Context& ctx) {
  if (ctx.runState != RunState::Running && ctx.runState != RunState::Paused) return;
  SetStatusLines(ctx, "", "", "");
  SetRunState(ctx, RunState::Running);
}

void AbortComputation(Context& ctx) {
  if (ctx.runState != RunState::Running && ctx.runState != RunState::Paused) return;
  SetStatusLines(ctx, "", "", "");
  SetRunState(ctx, RunState::Aborted);
}

bool FindNext(Context& ctx, std::string_view what) {
  if (ctx.runState != RunState::Idle || what.empty()) return false;
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
