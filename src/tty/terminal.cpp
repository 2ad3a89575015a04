// The terminal front end. Each input line is typed into the same calculator
// the window uses and entered; what the calculator writes on its console is
// passed on to standard output as it comes, and dropped from the console's
// text, so that the output is exactly what the console holds, without the
// console's size cap and at a constant cost for each piece of output. The
// echo, the prompt, errors and how each line ended come from the
// calculator's events, never from reading the printed text.
#include "tty/terminal.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "base/sjis_literal.h"
#include "console/calculator.h"
#include "console/startup.h"
#include "host/memory_text.h"
#include "host/output.h"
#include "tty/completion.h"
#include "tty/plot_text.h"
#include "tty/stream_text.h"
#include "tty/terminal_commands.h"
#include "tty/terminal_io.h"
#include "tty/terminal_toolkit.h"

namespace zemu::tty {

namespace {

// What an unreadable input line gets in the console, by the terminal's
// encoding; each names the option for the other one.
constexpr const char* kUnreadableUtf8Line =
    "  ERROR: 入力行に NUL 文字か UTF-8 でない文字があるので、実行しません。"
    "シフトJISの端末なら --sjis を付けて起動してください。\r\n"_sj;
constexpr const char* kUnreadableSjisLine =
    "  ERROR: 入力行に NUL 文字かシフトJISでない文字があるので、実行しません。"
    "UTF-8 の端末なら --utf8 を付けて起動してください。\r\n"_sj;
constexpr const char* kNoWatchLines =
    "  ウォッチ画面に表示する定義（$ を付けた関数）はありません。"_sj;
// The watch lines' look on a terminal, and its end.
constexpr std::string_view kWatchStyle = "\x1b[36m";
constexpr std::string_view kPlainStyle = "\x1b[0m";

enum class Mode {
  Interactive,  // a terminal: line editing; the terminal shows the typing
  Pipe,         // lines from a pipe or file: the console text as it is
  Quiet,        // -e and --batch: only what the statements print
};

// Whether `text` holds more than line ends.
bool HoldsText(std::string_view text) { return text.find_first_not_of("\r\n") != text.npos; }

// Hears the calculator's output and passes it on: what was written on the
// Screen, as it was written, except the prompt (the terminal has its own, or
// the echo of the entered line takes its place) and, where the typing shows
// itself or nothing but results is wanted, the echo. Errors are the ones the
// calculator reports.
class TerminalConsole : public CalculatorListener {
 public:
  TerminalConsole(Calculator& calc, TerminalIo& io, StreamText& screen, MemoryText& watchScreen,
                  Mode mode)
      : calc_(calc), io_(io), screen_(screen), watchScreen_(watchScreen), mode_(mode) {
    calc_.SetScreenCap(static_cast<std::size_t>(-1));
  }

  bool sawError() const { return sawError_; }

  // Passes on what was written since the last time and drops it from the
  // console's Screen, which keeps only what can still change (the prompt and
  // the typing), so that each piece of output costs the same however long a
  // run prints.
  void Flush() {
    if (!pending_.empty()) {
      io_.Write(pending_);
      pending_.clear();
    }
    if (passed_ == 0) return;
    screen_.WillPass(passed_);
    calc_.DropPassedText(passed_);
    screen_.SetCaret(screen_.Length());
    passed_ = 0;
  }

  // Passes on what is left at the end: the last prompt line on a pipe, and
  // in the quiet way typing left after a stopped line.
  void FlushAll() {
    Flush();
    if (mode_ == Mode::Quiet) {
      if (calc_.runState() != RunState::Idle) WriteQuiet(calc_.TypedLine(), std::string_view::npos);
      if (!quietLine_.empty()) WriteQuietLine();
    } else if (mode_ == Mode::Pipe) {
      io_.Write(calc_.TypedLine());
    }
    screen_.SetText("");
  }

  // Names the input line that runs now, for error lines on standard error
  // in the quiet way ("file:3").
  void SetLabel(const std::string& label) { label_ = label; }

  // Types one input line after the prompt and enters it (or, for a line
  // ending in '&', continues it on a new console line).
  void Enter(const InputLine& line) {
    outcome_ = LineOutcome::Done;
    if (line.continued) {
      calc_.ContinueLine(line.text);
    } else {
      calc_.EnterLine(line.text);
    }
    // A refused line stays typed in a window; here the next line is new.
    if (outcome_ == LineOutcome::Refused) calc_.DropTypedLine();
    Flush();
  }

  // After a line that ran without a prompt after it: an error stopped it,
  // .end ended it, or Ctrl-C aborted it (which gets its prompt).
  void NoteLineEnd(bool exitRequested, bool aborted) {
    if (outcome_ != LineOutcome::Stopped) return;
    if (!exitRequested) sawError_ = true;
    if (aborted || mode_ == Mode::Interactive) calc_.ShowPrompt();
    Flush();
  }

  void ReportUnreadable() {
    const bool sjis = io_.encoding() == TerminalEncoding::ShiftJis;
    calc_.WriteError(sjis ? kUnreadableSjisLine : kUnreadableUtf8Line);
    Flush();
  }

  // Writes the watch lines when they changed since they were last shown,
  // or always (":watch").
  void ShowWatch(bool always) {
    if (mode_ == Mode::Quiet) return;
    const std::string text = watchScreen_.Text();
    std::string marked;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = std::min(text.find('\n', start), text.size());
      std::string_view line = std::string_view(text).substr(start, end - start);
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
      }
      start = end + 1;
      if (line.find_first_not_of(' ') == std::string_view::npos) continue;
      // "W" in the indent marks a watch line where no style can.
      marked += "W" + std::string(line.substr(1)) + "\n";
    }
    if (!always && marked == shownWatch_) return;
    shownWatch_ = marked;
    if (marked.empty()) {
      if (always) io_.WritePlain(io_.FromSjis(kNoWatchLines) + "\n");
      return;
    }
    const bool styled = io_.outputIsTerminal();
    io_.WritePlain(styled
                       ? std::string(kWatchStyle) + io_.FromSjis(marked) + std::string(kPlainStyle)
                       : io_.FromSjis(marked));
  }

 private:
  // The Screen ends with the piece written; what stood before it can no
  // longer change, and neither can the piece, unless it is the prompt.
  void Output(const ScreenWrite& write) override {
    const std::size_t start = screen_.Length() - write.piece.size();
    if (write.channel == ChannelPrompt) {
      passed_ = start;
      return;
    }
    // Typing left after a stopped line (there is no prompt), which output
    // now follows: it stands in the console text as the output does.
    if (start > passed_) Pass(screen_.View().substr(passed_, start - passed_), false, 0);
    passed_ = screen_.Length();
    std::string_view text = write.piece;
    // The entered line's echo is the console's own on a pipe; a terminal
    // shows the typing itself, and the quiet way prints none. A line break
    // before it still ends the output line left open.
    if (write.channel == ChannelInput && mode_ != Mode::Pipe) {
      text = text.substr(0, write.textStart);
    }
    Pass(text, write.error, write.textStart);
  }

  // Passes on `text`, which reports an error from `textStart` on when `error`.
  void Pass(std::string_view text, bool error, std::size_t textStart) {
    if (mode_ == Mode::Quiet) {
      WriteQuiet(text, error ? textStart : std::string_view::npos);
      return;
    }
    if (error) sawError_ = true;
    pending_.append(text);
  }

  void LineEnded(const LineReport& report) override { outcome_ = report.outcome; }

  // Cuts `text` into lines for WriteQuietLine; a line that holds some of the
  // text from `errorFrom` on (npos: none) is an error line.
  void WriteQuiet(std::string_view text, std::size_t errorFrom) {
    for (std::size_t at = 0;;) {
      const std::size_t lineFeed = text.find('\n', at);
      const std::size_t end = lineFeed == std::string_view::npos ? text.size() : lineFeed;
      quietLine_.append(text.substr(at, end - at));
      const std::size_t from = std::max(at, errorFrom);
      if (from < end && HoldsText(text.substr(from, end - from))) quietError_ = true;
      if (lineFeed == std::string_view::npos) return;
      WriteQuietLine();
      at = lineFeed + 1;
    }
  }

  // One line the quiet way: without the console's two-blank indent and
  // trailing blanks; an error line also on standard error with its input
  // line's name. Before the first input line (start-up) only error lines
  // are written, on standard error.
  void WriteQuietLine() {
    std::string_view line = quietLine_;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.starts_with("  ")) line.remove_prefix(2);
    while (line.ends_with(' ')) line.remove_suffix(1);
    const bool error = std::exchange(quietError_, false);
    if (!label_.empty()) {
      io_.Write(std::string(line) + "\n");
      if (error) sawError_ = true;
    }
    if (error)
      io_.WriteError((label_.empty() ? std::string("zemu") : label_) + ": " + std::string(line));
    quietLine_.clear();
  }

  Calculator& calc_;
  TerminalIo& io_;
  StreamText& screen_;
  MemoryText& watchScreen_;
  Mode mode_;
  std::string pending_;                      // output not yet passed on
  std::size_t passed_ = 0;                   // bytes at the Screen's start that were passed on
  LineOutcome outcome_ = LineOutcome::Done;  // of the line entered last
  std::string label_;                        // the running input line, "name:number"
  std::string quietLine_;                    // the quiet way's line being written
  bool quietError_ = false;                  // it holds an error
  std::string shownWatch_;
  bool sawError_ = false;
};

// The statements of -e, or a --batch file ("-": standard input).
std::FILE* OpenSource(const BatchSource& source) {
  if (!source.isFile) {
    if (source.text.empty()) return fmemopen(nullptr, 1, "w+");
    std::FILE* text = fmemopen(nullptr, source.text.size() + 1, "w+");
    if (text != nullptr) {
      std::fwrite(source.text.data(), 1, source.text.size(), text);
      std::rewind(text);
    }
    return text;
  }
  if (source.name == "-") return stdin;
  return std::fopen(source.name.c_str(), "rb");
}

// The explanation of the statement being typed: the assist mode's lines, as
// the window shows them after a pause in typing.
std::vector<std::string> AssistLines(Calculator& calc, TerminalToolkit& toolkit,
                                     std::string_view line, std::size_t caret) {
  if (calc.runState() != RunState::Idle) return {};
  for (int i = 1; i <= 3; ++i) toolkit.SetStatusLine(i, "");
  calc.Explain(line, caret);
  std::vector<std::string> lines;
  for (const std::string& text : toolkit.statusLines()) {
    if (!text.empty()) lines.push_back(text);
  }
  return lines;
}

class Session {
 public:
  Session(const TerminalOptions& options, Mode mode)
      : options_(options),
        mode_(mode),
        io_(stdin, stdout, mode == Mode::Interactive, options.encoding,
            options.startup.programPath),
        toolkit_(io_),
        calc_(&toolkit_, &screen_, &watchScreen_),
        console_(calc_, io_, screen_, watchScreen_, mode) {
    calc_.SetListener(&console_);
    toolkit_.SetCalculator(&calc_);
    toolkit_.SetEventHandler([this](bool) { console_.Flush(); });
    io_.SetCompleter(
        [this](std::string_view before) { return CompleteTerminalLine(calc_.context(), before); });
    io_.SetAssister([this](std::string_view line, std::size_t caret) {
      return AssistLines(calc_, toolkit_, line, caret);
    });
    hooks_.showWatch = [this] { console_.ShowWatch(true); };
    hooks_.drawPlot = [this](const Plot& plot) { DrawPlot(plot); };
  }

  int Run() {
    if (mode_ == Mode::Interactive && !options_.localeNote.empty()) {
      io_.WriteError(
          "zemu: ロケールの文字コードが "_sj + options_.localeNote +
          " なので、端末を UTF-8 として読み書きします（シフトJISの端末なら --sjis）。"_sj);
    }
    // Read from a pipe or a batch, the sheets that the initial file opens (the
    // unit library) are read when the first line comes, not before the
    // first prompt: a run that only starts (or runs nothing) does not wait
    // for them.
    StartupOptions startup = options_.startup;
    startup.deferOpenedSheets = mode_ != Mode::Interactive;
    calc_.Start(startup);
    if (mode_ == Mode::Quiet) {
      calc_.SetSwitch(Switch::Name, false);
      calc_.SetSwitch(Switch::Echo, false);
    }
    console_.Flush();
    console_.ShowWatch(false);
    bool ended = false;
    if (mode_ == Mode::Quiet) {
      for (const BatchSource& source : options_.batch) {
        if (ended) break;
        ended = RunSource(source);
      }
    } else {
      RunLines("-");
    }
    // On a pipe nobody is asked about unsaved sheets, at .end as at the end
    // of input: they are named.
    if (mode_ == Mode::Pipe) calc_.ReportUnsavedSheets();
    // What the log still holds is written while a failure can still be told
    // (and counted in the exit status).
    calc_.FlushLog();
    console_.FlushAll();
    const bool counted = mode_ != Mode::Interactive;
    return counted && (console_.sawError() || failedSource_) ? 1 : 0;
  }

  Context& context() { return calc_.context(); }

 private:
  // True when the program was ended (.end).
  bool RunSource(const BatchSource& source) {
    std::FILE* file = OpenSource(source);
    if (file == nullptr) {
      io_.WriteError("zemu: "_sj + source.name + " を開けません。"_sj);
      failedSource_ = true;
      return false;
    }
    // Standard input stays open; a file or an -e text is closed after its lines.
    const FileHandle owned(file != stdin ? file : nullptr);
    // The lines of all -e count on from one to the next.
    io_.SetInput(file, source.isFile ? 0 : optionLines_);
    const bool ended = RunLines(source.name);
    if (!source.isFile) optionLines_ = io_.lineNumber();
    return ended;
  }

  // Runs the lines of the input; true when the program was ended.
  bool RunLines(const std::string& name) {
    bool continuing = false;
    for (;;) {
      std::optional<InputLine> line = io_.ReadLine("> ");
      if (line) calc_.LoadDeferredSheets();
      if (!line) {
        if (mode_ != Mode::Interactive) return false;
        if (calc_.runState() != RunState::Idle) calc_.ShowPrompt();
        if (calc_.QueryEnd()) return true;  // Ctrl-D asks as .end does
        console_.Flush();
        continue;
      }
      if (!continuing) console_.SetLabel(name + ":" + std::to_string(line->number));
      continuing = false;
      if (line->interrupted) {
        calc_.DropTypedLine();
      } else if (line->unreadable) {
        console_.ReportUnreadable();
      } else if (!RunTerminalCommand(calc_, line->text, hooks_)) {
        continuing = line->continued;
        console_.Enter(*line);
        if (!continuing) console_.NoteLineEnd(toolkit_.exitRequested(), toolkit_.TakeAborted());
      }
      if (toolkit_.exitRequested()) {
        if (mode_ != Mode::Interactive || calc_.QueryEnd()) return true;
        toolkit_.CancelExit();  // a sheet's save question was cancelled
      }
      console_.Flush();
      if (!continuing) console_.ShowWatch(false);
    }
  }

  // Draws a graph below what the console wrote, in the terminal's own
  // characters: braille where it speaks UTF-8 (braille has no Shift-JIS
  // form), ASCII where it does not.
  void DrawPlot(const Plot& plot) {
    console_.Flush();
    TextCanvas canvas;
    if (io_.outputIsTerminal()) TerminalSize(STDOUT_FILENO, canvas.columns, canvas.rows);
    canvas.braille = io_.encoding() == TerminalEncoding::Utf8;
    canvas.colour = io_.outputIsTerminal();
    std::string text;
    for (const std::string& line :
         PlotText(plot, canvas, [this](std::string_view sjis) { return io_.FromSjis(sjis); })) {
      text += line + "\n";
    }
    io_.WritePlain(text);
  }

  const TerminalOptions& options_;
  Mode mode_;
  TerminalIo io_;
  TerminalToolkit toolkit_;
  StreamText screen_;
  MemoryText watchScreen_;
  Calculator calc_;
  TerminalConsole console_;
  TerminalHooks hooks_;
  bool failedSource_ = false;  // a --batch file could not be opened
  int optionLines_ = 0;        // lines of the -e read so far
};

}  // namespace

int RunTerminal(const TerminalOptions& options) {
  Mode mode = Mode::Pipe;
  if (!options.batch.empty()) {
    mode = Mode::Quiet;
  } else if (::isatty(STDIN_FILENO) != 0) {
    mode = Mode::Interactive;
  }
  Session session(options, mode);
  const int status = session.Run();
  if (options.atEnd != nullptr) options.atEnd(session.context());
  return status;
}

}  // namespace zemu::tty
