// The terminal front end. Each input line is typed into the same console
// text model the window uses and entered; the console text is passed on to
// standard output as each part of it becomes final, so that the output is
// exactly what the console holds, without the console's size cap.
#include "tty/terminal.h"

#include <unistd.h>

#include <cstdio>
#include <string_view>

#include "console/console.h"
#include "console/output.h"
#include "context.h"
#include "tty/terminal_commands.h"
#include "tty/terminal_io.h"
#include "tty/terminal_toolkit.h"
#include "engine/sjis_literal.h"

namespace zemu::tty {

namespace {

// What an unreadable input line gets in the console.
constexpr const char* kUnreadableLine =
    "  ERROR: 入力行に NUL 文字か UTF-8 でない文字があるので、実行しません。\r\n"_sj;

class TerminalConsole {
 public:
  TerminalConsole(Context& ctx, TerminalIo& io) : ctx_(ctx), io_(io) {
    SetScreenCap(ctx_, static_cast<std::size_t>(-1));
  }

  // Passes on the console text that can no longer change and drops it from
  // the console. During a run everything up to the last line end is final;
  // at the prompt, everything before the prompt. With `showLine`, the line
  // being written is shown too (before a key or an answer is awaited) and
  // stays in the console, so that it can go on.
  void Flush(bool showLine = false) {
    TextControl& screen = *ctx_.console.screen;
    std::string text = screen.Text();
    std::size_t final;
    if (ctx_.runState == RunState::Idle) {
      const std::string& saved = ctx_.output.savedScreenText;
      final = text.compare(0, saved.size(), saved) == 0 ? saved.size() : 0;
    } else {
      std::size_t lastLineEnd = text.rfind('\n');
      final = lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1;
    }
    std::string_view view(text);
    if (final > 0) {
      Emit(view.substr(std::min(shown_, final), final - std::min(shown_, final)));
      shown_ -= std::min(shown_, final);
      DropPassedText(ctx_, final);
      screen.SetCaret(screen.Length());
    }
    if (showLine && ctx_.runState != RunState::Idle && text.size() > final + shown_) {
      Emit(view.substr(final + shown_));
      shown_ = text.size() - final;
    }
  }

  // Passes on what is left at the end (the last prompt).
  void FlushAll() {
    Flush();
    if (io_.interactive()) return;  // the terminal showed its own prompt
    std::string rest = ctx_.console.screen->Text();
    Emit(std::string_view(rest).substr(std::min(shown_, rest.size())));
    ctx_.console.screen->SetText("");
    shown_ = 0;
  }

  // Types one input line after the prompt and enters it (or, for a line
  // ending in '&', continues it on a new console line).
  void Enter(const InputLine& line) {
    TextControl& screen = *ctx_.console.screen;
    screen.SetCaret(screen.Length());
    InsertTypedText(ctx_, line.text);
    if (io_.interactive() && !line.continued) echoToSkip_ = LogicalLine() + "\r\n";
    TypeKey(ctx_, line.continued ? '&' : '\r');
    // A refused line stays typed in a window; here the next line is new.
    if (!line.continued && ctx_.runState == RunState::Idle && TypedLine(ctx_) != "> ") {
      echoToSkip_.clear();
      ClearTypedLine(ctx_);
    }
    Flush();
  }

  void ReportUnreadable() {
    ScreenOut(ctx_, ChannelError, kUnreadableLine);
    Flush();
  }

 private:
  // The line being typed, as the console will echo it.
  std::string LogicalLine() {
    CaptureInputLine(ctx_);
    return ctx_.output.inputLine;
  }

  void Emit(std::string_view text) {
    // An interactive terminal shows the typed line already.
    if (!echoToSkip_.empty() && text.substr(0, echoToSkip_.size()) == echoToSkip_) {
      text.remove_prefix(echoToSkip_.size());
      echoToSkip_.clear();
    }
    io_.Write(text);
  }

  Context& ctx_;
  TerminalIo& io_;
  std::string echoToSkip_;
  std::size_t shown_ = 0;  // bytes at the start of the console already passed on
};

}  // namespace

int RunTerminal(const TerminalOptions& options) {
  bool interactive = ::isatty(STDIN_FILENO) != 0;
  TerminalIo io(stdin, stdout, interactive, options.sjis);
  TerminalToolkit toolkit(io);
  Context ctx(&toolkit);
  TerminalConsole console(ctx, io);
  toolkit.SetEventHandler([&console](bool showLine) { console.Flush(showLine); });

  StartTerminal(ctx, options);
  console.Flush();
  for (;;) {
    std::optional<InputLine> line = io.ReadLine("> ");
    if (!line) {
      EndTerminal(ctx, false);
      break;
    }
    if (line->unreadable) {
      console.ReportUnreadable();
    } else if (!RunTerminalCommand(ctx, line->text)) {
      console.Enter(*line);
    }
    if (toolkit.exitRequested()) {
      if (EndTerminal(ctx, io.interactive())) break;
      toolkit.CancelExit();  // a sheet's save question was cancelled
    }
    console.Flush();
  }
  console.FlushAll();
  return 0;
}

}  // namespace zemu::tty
