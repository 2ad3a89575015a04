// The calculator: the core's one door for a front end.
#include "console/calculator.h"

#include <memory>
#include <utility>
#include <vector>

#include "commands/file_text.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/plot_command.h"
#include "console/startup.h"
#include "definitions/store.h"
#include "host/output.h"
#include "sheet/file_format.h"
#include "sheet/sheet_ops.h"

namespace zemu {

Calculator::Calculator(Toolkit* toolkit, TextControl* screen, TextControl* watchScreen)
    : ctx_(toolkit) {
  if (screen != nullptr) ctx_.console.screen = screen;
  if (watchScreen != nullptr) ctx_.console.watchScreen = watchScreen;
  ctx_.observers.Add(this);
}

Calculator::~Calculator() {
  ctx_.observers.Remove(this);
  ctx_.console.screen = &ctx_.console.ownScreen;
  ctx_.console.watchScreen = &ctx_.console.ownWatchScreen;
}

void Calculator::Start(const StartupOptions& options) {
  InitialDefines(ctx_, options);
  settingsAtStart_ = SettingsLines(ctx_, "");
}

void Calculator::LoadDeferredSheets() { zemu::LoadDeferredSheets(ctx_); }

void Calculator::ScreenWritten(const ScreenWrite& write) {
  if (listener_ != nullptr) listener_->Output(write);
}

void Calculator::LineEnded(LineOutcome outcome, int errors) {
  if (listener_ != nullptr) listener_->LineEnded({outcome, errors});
}

// ---- Typing -----------------------------------------------------------------

void Calculator::TypeText(std::string_view sjis) { zemu::TypeText(ctx_, sjis); }

void Calculator::KeyDown() { ComKeyDown(ctx_); }

char Calculator::KeyPress(char key) { return ComKeyPress(ctx_, key); }

bool Calculator::KeyAwaited() const { return ctx_.console.keyWaitSlot == 0; }

void Calculator::EnterLine(std::string_view sjis) {
  ctx_.console.screen->SetCaret(ctx_.console.screen->Length());
  InsertTypedText(ctx_, sjis);
  TypeKey(ctx_, '\r');
}

void Calculator::ContinueLine(std::string_view sjis) {
  ctx_.console.screen->SetCaret(ctx_.console.screen->Length());
  InsertTypedText(ctx_, sjis);
  TypeKey(ctx_, '&');
}

std::string Calculator::TypedLine() const { return zemu::TypedLine(ctx_); }

void Calculator::DropTypedLine() {
  if (ctx_.runState == RunState::Idle) {
    ClearTypedLine(ctx_);
  } else {
    ctx_.console.screen->SetText(ctx_.output.savedScreenText);
  }
}

void Calculator::ShowPrompt() { zemu::ShowPrompt(ctx_); }

void Calculator::Explain(std::string_view line, std::size_t caret) {
  if (ctx_.runState != RunState::Idle) return;
  TextControl& screen = *ctx_.console.screen;
  ClearTypedLine(ctx_);
  const std::size_t start = screen.Length();
  screen.ReplaceSelection(line);
  screen.SetCaret(start + caret);
  AssistTimerTimer(ctx_);
  ClearTypedLine(ctx_);
}

void Calculator::AssistTimerFired() { AssistTimerTimer(ctx_); }

// ---- Output of the front end's own --------------------------------------------

void Calculator::Write(std::uint8_t channel, std::string_view text) {
  ScreenOut(ctx_, channel, text);
}

void Calculator::WriteError(std::string_view text) { ErrorOut(ctx_, text); }

void Calculator::SetScreenCap(std::size_t cap) { zemu::SetScreenCap(ctx_, cap); }

void Calculator::DropPassedText(std::size_t bytes) { zemu::DropPassedText(ctx_, bytes); }

void Calculator::FlushLog() { FlushLogFile(ctx_); }

void Calculator::SetSwitch(Switch which, bool on) { SetSwitchUnrecorded(ctx_, which, on); }

// ---- Menu actions ---------------------------------------------------------------

bool Calculator::New() { return MenuNew(ctx_); }
bool Calculator::Open(const std::string& fileName) { return MenuOpen(ctx_, fileName); }
bool Calculator::RunFile(const std::string& fileName) { return MenuRunFile(ctx_, fileName); }
bool Calculator::SaveAs(const std::string& fileName) { return MenuSaveAs(ctx_, fileName); }
bool Calculator::SaveSheet(TDefine& sheet) { return SheetMenuSave(ctx_, sheet); }
bool Calculator::ForgetAll(TDefine& sheet, bool confirmed) {
  return SheetMenuForgetAll(ctx_, sheet, confirmed);
}
bool Calculator::CloseSheet(TDefine& sheet) { return SheetMenuClose(ctx_, sheet); }
bool Calculator::SelectSheet(TDefine& sheet) { return SheetActivated(ctx_, sheet); }
bool Calculator::ChooseSheet(TDefine& sheet) { return MenuChooseSheet(ctx_, sheet); }
bool Calculator::SheetEditsDone(TDefine& sheet) { return zemu::SheetEditsDone(ctx_, sheet); }

TDefine& Calculator::CurrentSheet() { return zemu::CurrentSheet(ctx_); }

bool Calculator::Plot(std::string_view arguments, zemu::Plot& plot) {
  return MenuPlot(ctx_, arguments, plot);
}

void Calculator::Stop() { StopComputation(ctx_); }
void Calculator::Restart() { RestartComputation(ctx_); }
void Calculator::Abort() { AbortComputation(ctx_); }

// ---- The end ----------------------------------------------------------------------

bool Calculator::QueryEnd() { return QueryEndProgram(ctx_); }

bool Calculator::OfferChangedSettings() {
  if (ctx_.defines.sheets.empty() || SettingsLines(ctx_, "") == settingsAtStart_) return false;
  TDefine& initial = *ctx_.defines.sheets.front();
  if (!initial.named || initial.source.unread || FileKindOf(initial.name) != FileKind::Initial) {
    return false;
  }
  // Saved since with these settings: nothing to offer.
  const FileRead file = ReadFileText(ctx_, initial.name, true);
  if (file.problem == FileProblem::None &&
      file.text.find(InitialFileEnd(ctx_, initial.name)) != std::string::npos) {
    return false;
  }
  initial.modified = true;
  return true;
}

int Calculator::ReportUnsavedSheets() { return zemu::ReportUnsavedSheets(ctx_); }

}  // namespace zemu
