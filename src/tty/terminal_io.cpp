// Terminal input and output for the terminal front end.
#include "tty/terminal_io.h"

#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "base/encoding.h"
#include "base/scan.h"
#include "base/sjis_literal.h"
#include "platform/history_lines.h"
#include "platform/modules.h"

namespace zemu::tty {

namespace {

constexpr int kEscape = 27;
// Lines kept in the history file between sessions.
constexpr int kHistoryLines = 1000;
// Said on standard error, with the reason, when the line editor module is
// missing or cannot be loaded.
constexpr const char* kNoLineEditor =
    "zemu: 行編集の部品を読み込めないので、行を編集せずに読みます: "_sj;

// A message about the history, on standard error: its texts before a file
// or folder's name, between the name and the reason, and after the reason.
struct HistoryMessage {
  const char* beforeName;
  const char* beforeReason;
  const char* end;
};
constexpr HistoryMessage kHistoryFolderFault = {"zemu: 履歴のフォルダ "_sj, " を作れません（"_sj,
                                                "）。この実行の行は履歴に残りません。"_sj};
constexpr HistoryMessage kHistoryUnreadable = {"zemu: 履歴ファイル "_sj, " を読めません（"_sj,
                                               "）。前の実行の行は呼び出せません。"_sj};
constexpr HistoryMessage kHistoryNotRewritten = {"zemu: 履歴ファイル "_sj, " を書き直せません（"_sj,
                                                 "）。履歴の行はそのまま残ります。"_sj};
constexpr HistoryMessage kHistoryUnwritable = {"zemu: 履歴ファイル "_sj, " に書き込めません（"_sj,
                                               "）。この実行の行は履歴に残りません。"_sj};

// Set by the SIGINT handler, taken by TakeInterrupt. A signal handler can
// reach nothing but a static flag of this type.
volatile std::sig_atomic_t interruptFlag = 0;

void OnInterrupt(int) { interruptFlag = 1; }

// Says on standard error what went wrong with the history file or folder
// `name`, for the C library's `error`.
void ReportHistoryFault(TerminalIo& io, const HistoryMessage& message, const std::string& name,
                        int error) {
  // The name and the reason come in the terminal's encoding; what does not
  // convert is shown as '?'.
  auto sjis = [&io](std::string_view text) {
    std::string converted;
    if (io.ToSjis(text, converted)) return converted;
    converted.clear();
    for (char c : text) converted += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return converted;
  };
  io.WriteError(message.beforeName + sjis(name) + message.beforeReason +
                sjis(std::strerror(error)) + message.end);
}

// Number of bytes of the UTF-8 sequence that `lead` starts (1 when invalid).
int Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

bool IsShiftJisCodeset(std::string_view codeset) {
  constexpr std::array<std::string_view, 7> kNames = {
      "shift_jis", "shift-jis", "sjis", "cp932", "windows-31j", "ms_kanji", "csshiftjis"};
  return std::find(kNames.begin(), kNames.end(), AsciiLowerText(codeset)) != kNames.end();
}

}  // namespace

TerminalEncoding EncodingOfLocale(std::string& note) {
  const char* codeset = nl_langinfo(CODESET);
  std::string name = codeset != nullptr ? codeset : "";
  if (IsShiftJisCodeset(name)) return TerminalEncoding::ShiftJis;
  const std::string lower = AsciiLowerText(name);
  if (lower != "utf-8" && lower != "utf8") note = name;
  return TerminalEncoding::Utf8;
}

TerminalIo::TerminalIo(std::FILE* in, std::FILE* out, bool interactive, TerminalEncoding encoding,
                       const std::string& programPath)
    : in_(in),
      out_(out),
      interactive_(interactive),
      outputIsTerminal_(::isatty(::fileno(out)) != 0),
      encoding_(encoding) {
  if (!interactive_) return;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a read that Ctrl-C interrupts returns
  ::sigaction(SIGINT, &action, nullptr);
  LoadEditor(programPath);
}

void TerminalIo::LoadEditor(const std::string& programPath) {
  std::string fault;
  auto* entry = reinterpret_cast<EditEntry*>(
      LoadModuleEntry(programPath, kEditModuleName, kEditEntryName, fault));
  editor_ = entry != nullptr ? entry() : nullptr;
  if (editor_ == nullptr) {
    WriteErrorPlain(FromSjis(kNoLineEditor) + fault);  // the reason is the C library's text
    return;
  }
  editorHost_ = {this, EditorComplete, EditorAssist};
  const HistoryPlace place = FindHistoryPlace();
  historyFile_ = place.file;
  if (place.error != 0) ReportHistoryFault(*this, kHistoryFolderFault, place.folder, place.error);
  const ZemuEditHistory history = editor_->open(&editorHost_, historyFile_.c_str(), kHistoryLines);
  if (history.error != 0) {
    ReportHistoryFault(*this, history.read != 0 ? kHistoryNotRewritten : kHistoryUnreadable,
                       historyFile_, history.error);
  }
}

TerminalIo::~TerminalIo() {
  if (interactive_) ::signal(SIGINT, SIG_DFL);
}

void TerminalIo::SetInput(std::FILE* in, int linesBefore) {
  in_ = in;
  lineNumber_ = linesBefore;
}

bool TerminalIo::TakeInterrupt() {
  if (interruptFlag == 0) return false;
  interruptFlag = 0;
  return true;
}

void TerminalIo::AddToHistory(const std::string& line) {
  editor_->add_history(line.c_str());
  if (historyFile_.empty()) return;
  // Appended at once, so that a session that is killed keeps its lines and
  // sessions side by side keep each other's. A failure is said once: the
  // lines after it would only repeat it.
  const int error = AppendHistoryLine(historyFile_, line);
  if (error != 0 && !historyFaultShown_) {
    historyFaultShown_ = true;
    ReportHistoryFault(*this, kHistoryUnwritable, historyFile_, error);
  }
}

std::optional<std::string> TerminalIo::ReadRawLine(const char* prompt, bool remember,
                                                   bool& interrupted) {
  interrupted = false;
  if (editor_ != nullptr) {
    // A Ctrl-C between a run and this prompt has nothing left to stop.
    TakeInterrupt();
    const char* typed = editor_->read_line(prompt);
    if (typed == nullptr) {
      interrupted = TakeInterrupt();
      if (!interrupted) {
        WritePlain("\n");  // the end of input ends the prompt's line
        return std::nullopt;
      }
      WritePlain("^C\n");
      return std::string();
    }
    std::string line = typed;
    if (remember && !line.empty()) AddToHistory(line);
    return line;
  }
  if (interactive_) {
    TakeInterrupt();
    WritePlain(prompt);
  }
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ssize_t length = ::getline(&buffer, &capacity, in_);
  if (length < 0) {
    std::free(buffer);
    if (interactive_ && TakeInterrupt()) {
      std::clearerr(in_);
      interrupted = true;
      WritePlain("\n");
      return std::string();
    }
    return std::nullopt;
  }
  std::string line(buffer, static_cast<std::size_t>(length));
  std::free(buffer);
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<InputLine> TerminalIo::ReadLine(const char* prompt, bool remember) {
  bool interrupted = false;
  std::optional<std::string> raw = ReadRawLine(prompt, remember, interrupted);
  if (!raw) return std::nullopt;
  InputLine line;
  line.number = ++lineNumber_;
  if (interrupted) {
    line.interrupted = true;
    return line;
  }
  if (raw->find('\0') != std::string::npos || !ToSjis(*raw, line.text)) {
    line.text.clear();
    line.unreadable = true;
    return line;
  }
  if (!line.text.empty() && line.text.back() == '&') {
    line.text.pop_back();
    line.continued = true;
  }
  return line;
}

bool TerminalIo::ToSjis(std::string_view typed, std::string& sjis) const {
  if (encoding_ == TerminalEncoding::ShiftJis) {
    sjis.assign(typed);
    return IsShiftJisText(typed);
  }
  return Utf8ToSjis(typed, sjis);
}

std::string TerminalIo::FromSjis(std::string_view sjis) const {
  return encoding_ == TerminalEncoding::ShiftJis ? std::string(sjis) : SjisToUtf8(sjis);
}

int TerminalIo::ReadByte() {
  if (!interactive_) return std::fgetc(in_);
  // One key without waiting for a line and without echo.
  std::fflush(out_);
  termios saved;
  bool raw = ::tcgetattr(::fileno(in_), &saved) == 0;
  if (raw) {
    termios keys = saved;
    keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    ::tcsetattr(::fileno(in_), TCSANOW, &keys);
  }
  unsigned char byte = 0;
  ssize_t n = ::read(::fileno(in_), &byte, 1);
  if (raw) ::tcsetattr(::fileno(in_), TCSANOW, &saved);
  return n == 1 ? byte : EOF;
}

int TerminalIo::ReadKey() {
  if (!pendingKeys_.empty()) {
    int key = pendingKeys_.front();
    pendingKeys_.pop_front();
    return key;
  }
  int c;
  do {
    c = ReadByte();
  } while (c == '\n' || c == '\r');
  if (c == EOF) return kEscape;
  if (encoding_ == TerminalEncoding::ShiftJis || c < 0x80) return c;
  // A UTF-8 character: read the rest of it and hand out its Shift-JIS bytes.
  std::string typed(1, static_cast<char>(c));
  for (int i = 1; i < Utf8Length(static_cast<unsigned char>(c)); ++i) {
    int next = ReadByte();
    if (next == EOF) break;
    typed += static_cast<char>(next);
  }
  std::string sjis;
  if (!Utf8ToSjis(typed, sjis) || sjis.empty()) return '?';
  for (std::size_t i = 1; i < sjis.size(); ++i) {
    pendingKeys_.push_back(static_cast<unsigned char>(sjis[i]));
  }
  return static_cast<unsigned char>(sjis[0]);
}

void TerminalIo::Write(std::string_view sjis) {
  // Each CR LF becomes LF; a text without one is written as it is.
  std::string lineFeeds;
  std::string_view text = sjis;
  if (std::size_t at = sjis.find("\r\n"); at != std::string_view::npos) {
    lineFeeds.reserve(sjis.size());
    std::size_t from = 0;
    for (; at != std::string_view::npos; at = sjis.find("\r\n", from)) {
      lineFeeds.append(sjis.substr(from, at - from));
      lineFeeds += '\n';
      from = at + 2;
    }
    lineFeeds.append(sjis.substr(from));
    text = lineFeeds;
  }
  if (encoding_ == TerminalEncoding::ShiftJis || IsAscii(text)) {
    WritePlain(text);
  } else {
    WritePlain(SjisToUtf8(text));
  }
}

void TerminalIo::WritePlain(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out_);
  // A terminal shows each piece at once; a file or pipe takes the buffer
  // when it is full and at the end (errors on stderr flush it first).
  if (outputIsTerminal_) std::fflush(out_);
}

void TerminalIo::WriteError(std::string_view sjis) { WriteErrorPlain(FromSjis(sjis)); }

void TerminalIo::WriteErrorPlain(std::string_view text) {
  std::fflush(out_);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

CompletionOffer TerminalIo::Complete(std::string_view typedBeforeCaret, std::string& word) {
  CompletionOffer offer;
  std::string sjis;
  if (!completer_ || !ToSjis(typedBeforeCaret, sjis)) return offer;
  offer = completer_(sjis);
  word = FromSjis(offer.word);
  for (std::string& candidate : offer.candidates) candidate = FromSjis(candidate);
  return offer;
}

bool TerminalIo::Assist(std::string_view typed, std::size_t caret) {
  std::string sjis;
  std::string sjisBefore;
  if (!assister_ || caret > typed.size() || !ToSjis(typed, sjis) ||
      !ToSjis(typed.substr(0, caret), sjisBefore)) {
    return false;
  }
  std::string shown = "\n";
  for (const std::string& line : assister_(sjis, sjisBefore.size())) {
    shown += (outputIsTerminal_ ? "\x1b[2m" : "") + FromSjis(line) +
             (outputIsTerminal_ ? "\x1b[0m\n" : "\n");
  }
  WritePlain(shown);
  return true;
}

// The line editor's callbacks run inside the module's C code: nothing may
// be thrown through it, so a failure offers or shows nothing.
void TerminalIo::EditorComplete(void* user, const char* before, std::size_t length,
                                ZemuEditOffer* offer) {
  auto& io = *static_cast<TerminalIo*>(user);
  *offer = ZemuEditOffer{};
  try {
    io.offeredWord_.clear();
    const CompletionOffer found = io.Complete(std::string_view(before, length), io.offeredWord_);
    io.offered_ = found.candidates;
    io.offeredTexts_.clear();
    for (const std::string& candidate : io.offered_) io.offeredTexts_.push_back(candidate.c_str());
    *offer = {io.offeredWord_.c_str(), io.offeredTexts_.data(), io.offeredTexts_.size(),
              found.append};
  } catch (...) {
  }
}

int TerminalIo::EditorAssist(void* user, const char* line, std::size_t length, std::size_t caret) {
  try {
    return static_cast<TerminalIo*>(user)->Assist(std::string_view(line, length), caret) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace zemu::tty
