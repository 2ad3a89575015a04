// The terminal front end. Each input line is typed into the same console
// text model the window uses and entered; the console text is passed on to
// standard output as soon as it can no longer change, and dropped from the
// model, so that the output is exactly what the console holds, without the
// console's size cap and at a constant cost for each piece of output.
#include "tty/terminal.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "console/menu.h"
#include "console/output.h"
#include "context.h"
#include "engine/sjis_literal.h"
#include "sheet/sheet_ops.h"
#include "tty/completion.h"
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
// How error lines are told: they hold one of these.
constexpr std::string_view kErrorMarks[] = {"ERROR:", "Error:"};
// Longest mark less one: the bytes kept to find a mark split between writes.
constexpr std::size_t kMarkTail = 5;
// The watch lines' look on a terminal, and its end.
constexpr std::string_view kWatchStyle = "\x1b[36m";
constexpr std::string_view kPlainStyle = "\x1b[0m";

bool HasErrorMark(std::string_view text) {
  for (std::string_view mark : kErrorMarks) {
    if (text.find(mark) != std::string_view::npos) return true;
  }
  return false;
}

enum class Mode {
  Interactive,  // a terminal: line editing; the terminal shows the typing
  Pipe,         // lines from a pipe or file: the console text as it is
  Quiet,        // -e and --batch: only what the statements print
};

class TerminalConsole {
 public:
  TerminalConsole(Context& ctx, TerminalIo& io, StreamText& screen, Mode mode)
      : ctx_(ctx), io_(io), screen_(screen), mode_(mode) {
    SetScreenCap(ctx_, static_cast<std::size_t>(-1));
  }

  bool sawError() const { return sawError_; }

  // Passes on the console text that can no longer change and drops it from
  // the console: during a run (or after a stopped line) all of it, for
  // output is only ever added at the end; at the prompt, everything before
  // the prompt.
  void Flush() {
    const std::string_view text = screen_.View();
    std::size_t final = text.size();
    if (ctx_.runState == RunState::Idle) {
      const std::string& saved = ctx_.output.savedScreenText;
      final = text.starts_with(saved) ? saved.size() : 0;
    }
    if (final == 0) return;
    Emit(text.substr(0, final));
    screen_.WillPass(final);
    DropPassedText(ctx_, final);
    screen_.SetCaret(screen_.Length());
  }

  // Passes on what is left at the end: the last prompt on a pipe.
  void FlushAll() {
    Flush();
    if (mode_ == Mode::Quiet) {
      if (!quietLine_.empty()) WriteQuietLine();
    } else if (mode_ == Mode::Pipe) {
      Emit(screen_.View());
    }
    screen_.SetText("");
  }

  // Names the input line that runs now, for error lines on standard error
  // in the quiet way ("file:3").
  void SetLabel(const std::string& label) { label_ = label; }

  // Types one input line after the prompt and enters it (or, for a line
  // ending in '&', continues it on a new console line).
  void Enter(const InputLine& line) {
    screen_.SetCaret(screen_.Length());
    InsertTypedText(ctx_, line.text);
    if (!line.continued) echo_ = LogicalLine() + "\r\n";
    TypeKey(ctx_, line.continued ? '&' : '\r');
    // A refused line stays typed in a window; here the next line is new.
    if (!line.continued && ctx_.runState == RunState::Idle && TypedLine(ctx_) != "> ") {
      echo_.clear();
      ClearTypedLine(ctx_);
    }
    Flush();
  }

  // A line that ran without a prompt after it: an error stopped it, .end
  // ended it, or Ctrl-C aborted it (which gets its prompt).
  void NoteLineEnd(bool exitRequested, bool aborted) {
    if (ctx_.runState == RunState::Idle) return;
    if (!exitRequested) sawError_ = true;
    if (aborted || mode_ == Mode::Interactive) ShowPrompt(ctx_);
    Flush();
  }

  void ReportUnreadable() {
    const bool sjis = io_.encoding() == TerminalEncoding::ShiftJis;
    ScreenOut(ctx_, ChannelError, sjis ? kUnreadableSjisLine : kUnreadableUtf8Line);
    Flush();
  }

  // Ctrl-C at the prompt: what was typed (continued lines too) is dropped.
  void DropTypedLine() {
    if (ctx_.runState == RunState::Idle) {
      ClearTypedLine(ctx_);
    } else {
      screen_.SetText(ctx_.output.savedScreenText);
    }
  }

  // Writes the watch lines when they changed since they were last shown,
  // or always (":watch").
  void ShowWatch(bool always) {
    if (mode_ == Mode::Quiet) return;
    const std::string text = ctx_.console.watchScreen->Text();
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
  // The line being typed, as the console will echo it.
  std::string LogicalLine() {
    CaptureInputLine(ctx_);
    return ctx_.output.inputLine;
  }

  void Emit(std::string_view text) {
    if (!echo_.empty()) {
      // The echo of the entered line comes first, after the line end that
      // closes an output line left open.
      if (text.starts_with("\r\n") && text.substr(2).starts_with(echo_)) {
        Pass(text.substr(0, 2));
        text.remove_prefix(2);
      }
      if (text.starts_with(echo_)) {
        if (mode_ == Mode::Pipe) io_.Write(text.substr(0, echo_.size()));
        text.remove_prefix(echo_.size());
      }
      echo_.clear();
    }
    Pass(text);
  }

  void Pass(std::string_view text) {
    if (mode_ == Mode::Quiet) {
      WriteQuiet(text);
      return;
    }
    NoteErrorMarks(text);
    io_.Write(text);
  }

  // Looks for error marks, also where one is split between two texts.
  void NoteErrorMarks(std::string_view text) {
    std::string edge = markTail_;
    edge.append(text.substr(0, kMarkTail));
    if (HasErrorMark(edge) || HasErrorMark(text)) sawError_ = true;
    if (text.size() >= kMarkTail) markTail_.clear();
    markTail_.append(text.substr(text.size() - std::min(text.size(), kMarkTail)));
    if (markTail_.size() > kMarkTail) markTail_.erase(0, markTail_.size() - kMarkTail);
    if (std::size_t lineFeed = markTail_.rfind('\n'); lineFeed != std::string::npos) {
      markTail_.erase(0, lineFeed + 1);
    }
  }

  void WriteQuiet(std::string_view text) {
    for (std::size_t lineFeed; (lineFeed = text.find('\n')) != std::string_view::npos;) {
      quietLine_.append(text.substr(0, lineFeed));
      text.remove_prefix(lineFeed + 1);
      WriteQuietLine();
    }
    quietLine_.append(text);
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
    const bool error = HasErrorMark(line);
    if (!label_.empty()) {
      io_.Write(std::string(line) + "\n");
      if (error) sawError_ = true;
    }
    if (error)
      io_.WriteError((label_.empty() ? std::string("zemu") : label_) + ": " + std::string(line));
    quietLine_.clear();
  }

  Context& ctx_;
  TerminalIo& io_;
  StreamText& screen_;
  Mode mode_;
  std::string echo_;       // the echo that the next text begins with
  std::string label_;      // the running input line, "name:number"
  std::string quietLine_;  // the quiet way's line being written
  std::string markTail_;   // the end of the last text, for split error marks
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
std::vector<std::string> AssistLines(Context& ctx, TerminalToolkit& toolkit, std::string_view line,
                                     std::size_t caret) {
  if (ctx.runState != RunState::Idle) return {};
  TextControl& screen = *ctx.console.screen;
  ClearTypedLine(ctx);
  const std::size_t start = screen.Length();
  screen.ReplaceSelection(line);
  screen.SetCaret(start + caret);
  for (int i = 1; i <= 3; ++i) toolkit.SetStatusLine(i, "");
  AssistTimerTimer(ctx);
  ClearTypedLine(ctx);
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
        io_(stdin, stdout, mode == Mode::Interactive, options.encoding, options.startup.programPath),
        toolkit_(io_),
        ctx_(&toolkit_),
        console_(ctx_, io_, screen_, mode) {
    ctx_.console.screen = &screen_;
    toolkit_.SetEventHandler([this](bool) { console_.Flush(); });
    io_.SetCompleter([this](std::string_view before) { return CompleteAt(ctx_, before); });
    io_.SetAssister([this](std::string_view line, std::size_t caret) {
      return AssistLines(ctx_, toolkit_, line, caret);
    });
  }

  int Run() {
    if (mode_ == Mode::Interactive && !options_.localeNote.empty()) {
      io_.WriteError(
          "zemu: ロケールの文字コードが "_sj + options_.localeNote +
          " なので、端末を UTF-8 として読み書きします（シフトJISの端末なら --sjis）。"_sj);
    }
    InitialDefines(ctx_, options_.startup);
    if (mode_ == Mode::Quiet) {
      ctx_.settings.name = false;
      ctx_.settings.echo = false;
      ctx_.observer->SettingsChanged();
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
    if (mode_ == Mode::Pipe) ReportUnsavedSheets(ctx_);
    // What the log still holds is written while a failure can still be told
    // (and counted in the exit status).
    FlushLogFile(ctx_);
    console_.FlushAll();
    const bool counted = mode_ != Mode::Interactive;
    return counted && (console_.sawError() || failedSource_) ? 1 : 0;
  }

  // Takes the sheets out of the store without freeing them (see
  // TerminalOptions::leaveStoreAtExit).
  void LeaveStore() {
    TDefines& store = ctx_.defines;
    static_cast<void>(new std::vector<std::unique_ptr<TDefine>>(std::move(store.sheets)));
    store.sheets.clear();
    store.current = nullptr;
    ctx_.caches.spare.reset();
  }

 private:
  // True when the program was ended (.end).
  bool RunSource(const BatchSource& source) {
    std::FILE* file = OpenSource(source);
    if (file == nullptr) {
      io_.WriteError("zemu: "_sj + source.name + " を開けません。"_sj);
      failedSource_ = true;
      return false;
    }
    // The lines of all -e count on from one to the next.
    io_.SetInput(file, source.isFile ? 0 : optionLines_);
    const bool ended = RunLines(source.name);
    if (!source.isFile) optionLines_ = io_.lineNumber();
    if (file != stdin) std::fclose(file);
    return ended;
  }

  // Runs the lines of the input; true when the program was ended.
  bool RunLines(const std::string& name) {
    bool continuing = false;
    for (;;) {
      std::optional<InputLine> line = io_.ReadLine("> ");
      if (!line) {
        if (mode_ != Mode::Interactive) return false;
        if (ctx_.runState != RunState::Idle) ShowPrompt(ctx_);
        if (QueryEndProgram(ctx_)) return true;  // Ctrl-D asks as .end does
        console_.Flush();
        continue;
      }
      if (!continuing) console_.SetLabel(name + ":" + std::to_string(line->number));
      continuing = false;
      if (line->interrupted) {
        console_.DropTypedLine();
      } else if (line->unreadable) {
        console_.ReportUnreadable();
      } else if (!RunTerminalCommand(ctx_, line->text, [this] { console_.ShowWatch(true); })) {
        continuing = line->continued;
        console_.Enter(*line);
        if (!continuing) console_.NoteLineEnd(toolkit_.exitRequested(), toolkit_.TakeAborted());
      }
      if (toolkit_.exitRequested()) {
        if (mode_ != Mode::Interactive || QueryEndProgram(ctx_)) return true;
        toolkit_.CancelExit();  // a sheet's save question was cancelled
      }
      console_.Flush();
      if (!continuing) console_.ShowWatch(false);
    }
  }

  const TerminalOptions& options_;
  Mode mode_;
  TerminalIo io_;
  TerminalToolkit toolkit_;
  StreamText screen_;
  Context ctx_;
  TerminalConsole console_;
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
  if (options.leaveStoreAtExit) session.LeaveStore();
  return status;
}

}  // namespace zemu::tty
