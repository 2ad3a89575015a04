// The calculator as a front end sees it: one object that owns the program's
// Context, runs the start-up, takes what the user does (typed text and keys,
// menu actions, sheet edits) and hands every text written on the console to
// the front end as an event, with each entered line's outcome and the errors
// it raised. Both front ends drive the core through it; most calls forward
// to the core functions of console.h, menu.h and the settings.
//
//   zemu::Calculator calc(&toolkit, &screen);
//   calc.SetListener(&listener);  // before Start: the start-up writes too
//   calc.Start(options);
//   calc.EnterLine("1+2;");       // events: the echo, "1+2=3", the prompt
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "commands/set_command.h"
#include "host/context.h"
#include "host/observer.h"
#include "host/run_state.h"

namespace zemu {

class TextControl;
struct Plot;
class Toolkit;
struct StartupOptions;
struct TDefine;

// How an entered line ended, and how many errors it reported on the Screen
// (error lines, error results; never a text that merely reads like one).
struct LineReport {
  LineOutcome outcome;
  int errors;
};

// What a front end hears of the calculator. Calls come on the program's one
// thread, in the order of the output; nothing in them may call back into the
// calculator. Every method does nothing by default.
class CalculatorListener {
 public:
  virtual ~CalculatorListener() = default;
  // A text was written on the Screen (see ScreenWrite): every piece of
  // console output, in order, the echo of an entered line (ChannelInput)
  // and the prompt (ChannelPrompt) among them.
  virtual void Output(const ScreenWrite& /*write*/) {}
  // A line entered at the console ended.
  virtual void LineEnded(const LineReport& /*report*/) {}
};

class Calculator : private Observer {
 public:
  // `toolkit` must outlive the calculator; null gives a NullToolkit.
  // `screen` and `watchScreen` are the front end's text controls for the
  // Screen and the WatchScreen (null: in-memory ones); the calculator stops
  // using them when it goes.
  explicit Calculator(Toolkit* toolkit = nullptr, TextControl* screen = nullptr,
                      TextControl* watchScreen = nullptr);
  ~Calculator() override;
  Calculator(const Calculator&) = delete;
  Calculator& operator=(const Calculator&) = delete;

  // The model, for the parts of a front end that show it (the sheet
  // windows and the options dialog observe ctx.observers).
  Context& context() { return ctx_; }
  const Context& context() const { return ctx_; }
  RunState runState() const { return ctx_.runState; }

  // `listener` (null: none) must stay alive while it is set.
  void SetListener(CalculatorListener* listener) { listener_ = listener; }
  // The start-up (InitialDefines): banner, initial file, sheets, first prompt.
  void Start(const StartupOptions& options);
  // Reads the files of the sheets whose loading the start-up deferred
  // (StartupOptions::deferOpenedSheets); nothing when there are none.
  void LoadDeferredSheets();

  // ---- Typing ---------------------------------------------------------------
  // Window typing: text committed at the caret (TypeText), a key pressed
  // down (ComKeyDown), a key for the console (ComKeyPress: returns what goes
  // into the Screen, 0 when used up) and whether a run awaits a key.
  void TypeText(std::string_view sjis);
  void KeyDown();
  char KeyPress(char key);
  bool KeyAwaited() const;
  // A line read as a whole (the terminal): `sjis` is put at the Screen's end
  // as it stands and entered; the listener hears its outcome. ContinueLine
  // puts it there and breaks the line with the continuation key instead.
  void EnterLine(std::string_view sjis);
  void ContinueLine(std::string_view sjis);
  // The line being typed ("> " and the typing), as TypedLine in console.h.
  std::string TypedLine() const;
  // Drops the typing: back to a fresh prompt while Idle; after a stopped
  // line the Screen goes back to what the line printed.
  void DropTypedLine();
  // Ends a run with the "> " prompt (ShowPrompt).
  void ShowPrompt();
  // Explains the statement at `caret` in `line` (the typing after "> ") in
  // the status lines, as the assist timer does; the typing is dropped
  // before and after. Only while Idle.
  void Explain(std::string_view line, std::size_t caret);
  // The assist timer fired (AssistTimerTimer).
  void AssistTimerFired();

  // ---- Output of the front end's own ----------------------------------------
  void Write(std::uint8_t channel, std::string_view text);
  // An error line (ErrorOut).
  void WriteError(std::string_view text);
  // For a front end that passes the Screen's text on (SetScreenCap,
  // DropPassedText in output.h).
  void SetScreenCap(std::size_t cap);
  void DropPassedText(std::size_t bytes);
  // Writes out what the log still holds (FlushLogFile).
  void FlushLog();

  // ---- Settings ---------------------------------------------------------------
  // A switch set for the front end's own way of running: the observers are
  // told, nothing is recorded (SetSwitchUnrecorded).
  void SetSwitch(Switch which, bool on);

  // ---- Menu actions (menu.h); each returns false when it did not act -------
  bool New();
  bool Open(const std::string& fileName);
  bool RunFile(const std::string& fileName);
  bool SaveAs(const std::string& fileName);
  bool SaveSheet(TDefine& sheet);
  bool ForgetAll(TDefine& sheet, bool confirmed);
  bool CloseSheet(TDefine& sheet);
  bool SelectSheet(TDefine& sheet);  // SheetActivated
  bool ChooseSheet(TDefine& sheet);  // the window menu's entry
  bool SheetEditsDone(TDefine& sheet);
  // ":plot" (MenuPlot in plot_command.h): true when `plot` is to be drawn.
  bool Plot(std::string_view arguments, zemu::Plot& plot);
  // The computation menu.
  void Stop();
  void Restart();
  void Abort();

  // The CurrentSheet (CurrentSheet in store.h).
  TDefine& CurrentSheet();

  // ---- The end ------------------------------------------------------------------
  // Asks about every unsaved sheet (QueryEndProgram); false: keep running.
  bool QueryEnd();
  // When the settings differ from those the start-up left, marks the sheet
  // of the initial definition file modified, so that QueryEnd offers to keep
  // them: its file holds the settings as .set lines. True when it marked
  // the sheet. Nothing when that sheet's file was refused at loading.
  bool OfferChangedSettings();
  // Names the unsaved sheets where nobody can be asked; returns how many.
  int ReportUnsavedSheets();

 private:
  void ScreenWritten(const ScreenWrite& write) override;
  void LineEnded(LineOutcome outcome, int errors) override;

  Context ctx_;
  CalculatorListener* listener_ = nullptr;
  std::vector<std::string> settingsAtStart_;  // as .set lines
};

}  // namespace zemu
