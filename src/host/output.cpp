// Output channels: ScreenOut and its companions CaptureInputLine and
// WatchRefresh, working on the console's text controls and the log file.
#include "host/output.h"

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "base/value.h"
#include "host/context.h"
#include "platform/files.h"

namespace zemu {

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kDataIndent = "  ";
constexpr std::string_view kTracePrefix = "T ";
constexpr std::string_view kWatchLineStart = "\r\n  ";

// Length of the longest run of whole characters from the start of `text`
// that is not shorter than `atLeast` bytes (or the whole text).
std::size_t CharBoundaryFrom(std::string_view text, std::size_t atLeast) {
  std::size_t pos = 0;
  while (pos < atLeast && pos < text.size()) {
    pos += IsLeadByte(static_cast<unsigned char>(text[pos])) ? 2 : 1;
  }
  return pos < text.size() ? pos : text.size();
}

// Length of the longest run of whole characters that fits in `limit` bytes.
std::size_t CharBoundaryWithin(std::string_view text, std::size_t limit) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t next = pos + (IsLeadByte(static_cast<unsigned char>(text[pos])) ? 2 : 1);
    if (next > limit) break;
    pos = next;
  }
  return pos < text.size() ? pos : text.size();
}

// Step 1 of ScreenOut: during a watch refresh every text goes to the
// WatchScreen; each ChannelLine text starts a watch line.
void WriteWatchScreen(Context& ctx, std::uint8_t channel, std::string_view text) {
  OutputState& out = ctx.output;
  TextControl& watch = *ctx.console.watchScreen;
  std::string piece;
  if (channel == ChannelLine) {
    if (out.watchLineCounter == -1) {
      watch.SetText("");
      out.watchLineCounter = 0;
      piece = kDataIndent;
    } else {
      ++out.watchLineCounter;
      piece = kWatchLineStart;
    }
  }
  piece += text;
  watch.SetCaret(watch.Length());
  watch.ReplaceSelection(piece);
}

// Drops the oldest text while the Screen holds more than the cap; each cut
// ends on a character boundary at or just after kTrimStep bytes. The text
// kept as the screen before the typed line loses the same start, or the
// typed line could no longer be told from the output above it.
void TrimScreen(TextControl& screen, std::size_t cap, std::string& saved) {
  while (screen.Length() > cap) {
    const std::string text = screen.Text();
    const std::size_t cut = CharBoundaryFrom(text, kTrimStep);
    if (saved.size() >= cut && text.compare(0, saved.size(), saved) == 0) saved.erase(0, cut);
    screen.Select(0, cut);
    screen.ReplaceSelection("");
  }
}

bool IsTraceChannel(std::uint8_t channel) {
  return channel == ChannelTrace || channel == ChannelTraceEnter || channel == ChannelTraceLeave;
}

// Steps 7 to 10 of ScreenOut: the trace prefix and depth, then the line
// placement, decided from the caret column before insertion.
std::string PlaceText(Context& ctx, std::uint8_t channel, std::string_view text,
                      std::size_t caretColumn) {
  OutputState& out = ctx.output;
  std::string prefix;
  if (channel == ChannelTraceEnter) ++out.traceDepth;
  if (IsTraceChannel(channel)) {
    prefix = kTracePrefix;
    prefix.append(static_cast<std::size_t>(out.traceDepth), '|');
  }
  if (channel == ChannelTraceLeave && out.traceDepth > 0) --out.traceDepth;

  std::string piece;
  if (channel == ChannelData) {
    if (!out.dataLineOpen && caretColumn == 0) piece = kDataIndent;
    out.dataLineOpen = true;
  } else {
    if (out.dataLineOpen || caretColumn != 0) piece = kLineBreak;
    out.dataLineOpen = false;
  }
  piece += prefix;
  piece += text;
  return piece;
}

// The log could not be written: File goes off and the log is closed before
// anything is said, so that the report is not logged (nor tried again). The
// report waits for ReportStoppedLog.
void StopLog(Context& ctx, int error) {
  ctx.output.logFile.reset();
  ctx.output.logStopError = error != 0 ? error : EIO;
  if (!ctx.settings.file) return;
  ctx.settings.file = false;
  ctx.observer->SettingsChanged();
}

// The error line for a log that StopLog stopped; nothing when none was.
void ReportStoppedLog(Context& ctx) {
  const int error = std::exchange(ctx.output.logStopError, 0);
  if (error == 0) return;
  ErrorOut(ctx, "  ERROR: ログファイル "_sj + ctx.settings.logFileName + " に書き込めません。("_sj +
                    ErrorText(error) + ") 記録を止めました。\r\n"_sj);
}

void WriteLog(Context& ctx, std::uint8_t channel, std::string_view piece) {
  const Settings& settings = ctx.settings;
  LogFile* log = ctx.output.logFile.get();
  if (!settings.file || log == nullptr || channel == ChannelPrompt) return;
  bool logged = settings.logMode == LogMode::All ||
                (settings.logMode == LogMode::Data && channel == ChannelData);
  if (logged && !log->Append(piece)) StopLog(ctx, errno);
}

}  // namespace

TypedLineAside TakeTypedLine(Context& ctx) {
  TextControl& screen = *ctx.console.screen;
  const std::string text = screen.Text();
  const std::string& saved = ctx.output.savedScreenText;
  TypedLineAside line;
  if (text.compare(0, saved.size(), saved) == 0) {
    line.text = text.substr(saved.size());
    line.caret = screen.SelectionStart() >= saved.size() ? screen.SelectionStart() - saved.size()
                                                         : line.text.size();
    line.caret = std::min(line.caret, line.text.size());
    screen.Select(saved.size(), text.size() - saved.size());
    screen.ReplaceSelection("");
  } else {
    CaptureInputLine(ctx);
    line.text = ctx.output.inputLine;
    line.caret = line.text.size();
    screen.SetText(saved);
  }
  screen.SetCaret(screen.Length());
  return line;
}

void PutBackTypedLine(Context& ctx, const TypedLineAside& line) {
  TextControl& screen = *ctx.console.screen;
  screen.SetCaret(screen.Length());
  if (screen.CaretColumn() != 0) screen.ReplaceSelection(kLineBreak);
  const std::size_t start = screen.SelectionStart();
  screen.ReplaceSelection(line.text);
  screen.SetCaret(start + line.caret);
}

std::string ValueText(const Context& ctx, const Value& value) {
  return ValueText(value, ctx.settings.format);
}

void ScreenOut(Context& ctx, std::uint8_t channel, std::string_view text, bool error) {
  OutputState& out = ctx.output;
  if (out.watchMode) {
    WriteWatchScreen(ctx, channel, text);
    return;
  }
  if (channel == ChannelEcho && !ctx.settings.echo) return;
  if (!out.outputSwitch) return;

  TextControl& screen = *ctx.console.screen;
  // While Idle the user may be typing: the line goes aside and comes back
  // below the new text.
  const bool idle = ctx.runState == RunState::Idle;
  TypedLineAside typed;
  if (idle) typed = TakeTypedLine(ctx);
  TrimScreen(screen, out.screenCap, out.savedScreenText);
  screen.SetCaret(screen.Length());
  std::string piece = PlaceText(ctx, channel, text, screen.CaretColumn());
  const std::size_t textStart = piece.size() - text.size();
  if (idle && !piece.ends_with('\n')) {
    // The typed line comes back on a line of its own: the break before it
    // belongs to the text above, or every output would leave one more.
    piece += kLineBreak;
    out.dataLineOpen = false;
  }
  screen.ReplaceSelection(piece);
  WriteLog(ctx, channel, piece);
  if (error) ++out.errorCount;
  ctx.observer->ScreenWritten({channel, piece, textStart, error});
  if (idle) {
    out.savedScreenText = screen.Text();
    PutBackTypedLine(ctx, typed);
  }
  ReportStoppedLog(ctx);
}

void ErrorOut(Context& ctx, std::string_view text) { ScreenOut(ctx, ChannelError, text, true); }

std::string LogicalLineAtCaret(const Context& ctx) {
  const TextControl& screen = *ctx.console.screen;
  std::string text = screen.Text();
  std::size_t caret = std::min(screen.SelectionStart(), text.size());

  // Back to the start of the logical line, over "&\r\n" joins.
  std::size_t start = caret;
  while (start > 0) {
    if (text[start - 1] != '\n') {
      --start;
    } else if (start >= 3 && text[start - 3] == '&') {
      start -= 3;
    } else {
      break;
    }
  }
  // On to its end, over "&\r" pairs.
  std::size_t end = caret;
  while (end < text.size()) {
    if (text[end] == '&' && end + 1 < text.size() && text[end + 1] == '\r') {
      end += 2;
    } else if (text[end] == '\r') {
      break;
    } else {
      ++end;
    }
  }

  return text.substr(start, end - start);
}

bool CaptureInputLine(Context& ctx) {
  std::string line = FoldWidth(LogicalLineAtCaret(ctx));
  const bool fits = line.size() <= kInputLineMax;
  line.resize(CharBoundaryWithin(line, kInputLineMax));
  if (line.empty()) line = ">";
  line[0] = '>';
  ctx.output.inputLine = std::move(line);
  return fits;
}

bool OpenLogFile(Context& ctx) {
  CloseLogFile(ctx);
  ctx.output.logFile = LogFile::Open(ctx, DiskName(ctx.files, ctx.settings.logFileName));
  return ctx.output.logFile != nullptr;
}

void FlushLogFile(Context& ctx) {
  LogFile* log = ctx.output.logFile.get();
  if (log == nullptr || log->Flush()) return;
  StopLog(ctx, errno);
  ReportStoppedLog(ctx);
}

void CloseLogFile(Context& ctx) {
  FlushLogFile(ctx);
  ctx.output.logFile.reset();
}

std::string ScreenText(const Context& ctx) { return ctx.console.screen->Text(); }

void SetScreenCap(Context& ctx, std::size_t cap) { ctx.output.screenCap = cap; }

void DropPassedText(Context& ctx, std::size_t bytes) {
  TextControl& screen = *ctx.console.screen;
  const std::size_t caret = screen.SelectionStart();
  bytes = std::min(bytes, screen.Length());
  screen.Select(0, bytes);
  screen.ReplaceSelection("");
  screen.SetCaret(caret > bytes ? caret - bytes : 0);
  std::string& saved = ctx.output.savedScreenText;
  saved.erase(0, std::min(bytes, saved.size()));
}

}  // namespace zemu
