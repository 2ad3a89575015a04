// Output channels: ScreenOut, the one routine through which every text the
// user sees reaches the console, the watch screen and the log file; the
// capture of the line the user is typing; the rebuilding of the watch screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "host/log_file.h"

namespace zemu {

struct Context;
struct Value;

enum Channel : std::uint8_t {
  ChannelLine = 0,        // an ordinary line
  ChannelData = 1,        // result data; successive pieces stay on one line
  ChannelError = 2,       // error and notice lines
  ChannelEcho = 3,        // "M " lines of menu and dialog actions; dropped while Echo is off
  ChannelPrompt = 4,      // the input prompt; never logged
  ChannelTrace = 5,       // a trace line at the current depth
  ChannelTraceEnter = 6,  // a trace line that opens one level deeper
  ChannelTraceLeave = 7,  // a trace line that closes the current level
  ChannelInput = 8,       // the echo of a line entered at the console, with its line end
};

// Beyond this many bytes the console drops its oldest text, so that its text
// stays bounded however long a run prints.
inline constexpr std::size_t kScreenCap = 30000;
// How much old text one trimming step drops (moved on to a character boundary).
inline constexpr std::size_t kTrimStep = 1024;
// Size of the input-line buffer with its terminator: the longest line the
// console takes for execution; a longer one is refused.
inline constexpr std::size_t kInputLineSize = 2000;
inline constexpr std::size_t kInputLineMax = kInputLineSize - 1;

// The output state: one for the program.
struct OutputState {
  bool outputSwitch = true;            // off: every text outside a watch refresh is dropped
  int traceDepth = 0;                  // nesting of trace levels, never below 0
  bool dataLineOpen = false;           // the last text on the Screen was ChannelData
  bool watchMode = false;              // WatchRefresh is running
  int watchLineCounter = -1;           // last line written to the watch screen; -1: none yet
  std::string savedScreenText;         // the Screen as it was just before the current prompt
  std::string inputLine = ">";         // the line being typed; its first byte is always '>'
  std::unique_ptr<LogFile> logFile;    // the log file while one is open
  int logStopError = 0;                // the log stopped on this error; the report is still to come
  std::size_t screenCap = kScreenCap;  // see SetScreenCap
  int errorCount = 0;                  // texts written on the Screen that reported an error
  std::string lastResult;              // the value of the last result printed, as formatted
};

// Writes one text on one channel: to the WatchScreen during a watch refresh,
// otherwise to the Screen and, while the File setting is on, to the log.
// What lands on the Screen is told to the observer (ScreenWritten), with
// `error` when the text reports an error: an error line, an error result.
// A write to the log that fails turns File off, closes the log and reports
// the failure on ChannelError, once, after the text.
void ScreenOut(Context& ctx, std::uint8_t channel, std::string_view text, bool error = false);
// An error line: `text` on ChannelError, reported as an error.
void ErrorOut(Context& ctx, std::string_view text);

// The display form in the user's Format setting.
std::string ValueText(const Context& ctx, const Value& value);

// Copies the logical line around the Screen's caret (physical lines joined
// by "&\r\n") into the input-line buffer, full-width characters folded and
// '>' in its first byte. False when the line is longer than the buffer
// holds: the buffer then keeps only its first kInputLineMax bytes.
bool CaptureInputLine(Context& ctx);
// The logical line around the Screen's caret as the Screen holds it, from
// its first column (the prompt) on, the "&\r\n" joins included.
std::string LogicalLineAtCaret(const Context& ctx);

// The line being typed, taken off the Screen while output is written above
// it: the text after the saved screen text ("> " and the typing, exactly as
// typed), or, when older lines were edited so that the Screen no longer
// begins with the saved text, the captured logical line around the caret.
// The Screen is left holding the saved screen text.
struct TypedLineAside {
  std::string text;
  std::size_t caret = 0;  // the caret's offset in `text`
};
TypedLineAside TakeTypedLine(Context& ctx);
// Puts a taken line back at the end of the Screen, on a line of its own,
// with the caret where it was in it.
void PutBackTypedLine(Context& ctx, const TypedLineAside& line);

// Opens the file named by the log file name setting for appending; a log
// already open is closed first. False, with errno set, when the file cannot
// be opened.
bool OpenLogFile(Context& ctx);
// Writes what the log still holds. A failure is handled as ScreenOut
// handles one: File off, the log closed, one error line.
void FlushLogFile(Context& ctx);
// Closes the log file if one is open, writing what it still holds first
// (a failure reported as by FlushLogFile).
void CloseLogFile(Context& ctx);

// The whole text of the Screen.
std::string ScreenText(const Context& ctx);

// For a front end that passes the console text on as it becomes final (the
// terminal): the Screen's size cap (kScreenCap unless set), and dropping the
// first `bytes` bytes of the Screen, which were passed on, from the Screen
// and from the saved screen text alike; the caret stays where it was in the
// text that is left.
void SetScreenCap(Context& ctx, std::size_t cap);
void DropPassedText(Context& ctx, std::size_t bytes);

}  // namespace zemu
