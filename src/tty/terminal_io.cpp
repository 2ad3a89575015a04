// Terminal input and output for the terminal front end.
#include "tty/terminal_io.h"

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "console/encoding.h"

#ifdef ZEMU_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace zemu::tty {

namespace {

constexpr int kEscape = 27;
// Lines kept in the history file between sessions.
constexpr int kHistoryLines = 1000;

// $XDG_DATA_HOME/zemu/history, or ~/.local/share/zemu/history; the folders
// are made when missing. Empty when there is no home.
std::string HistoryFilePath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::string(home) + "/.local/share";
    ::mkdir((std::string(home) + "/.local").c_str(), 0755);
  } else {
    return {};
  }
  ::mkdir(base.c_str(), 0755);
  std::string folder = base + "/zemu";
  ::mkdir(folder.c_str(), 0755);
  return folder + "/history";
}

// Number of bytes of the UTF-8 sequence that `lead` starts (1 when invalid).
int Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

}  // namespace

TerminalIo::TerminalIo(std::FILE* in, std::FILE* out, bool interactive, bool sjis)
    : in_(in), out_(out), interactive_(interactive), sjis_(sjis) {
#ifdef ZEMU_HAVE_LIBEDIT
  if (interactive_) {
    historyFile_ = HistoryFilePath();
    stifle_history(kHistoryLines);
    if (!historyFile_.empty()) read_history(historyFile_.c_str());
  }
#endif
}

TerminalIo::~TerminalIo() {
#ifdef ZEMU_HAVE_LIBEDIT
  if (interactive_ && !historyFile_.empty()) write_history(historyFile_.c_str());
#endif
}

std::optional<std::string> TerminalIo::ReadRawLine(const char* prompt) {
#ifdef ZEMU_HAVE_LIBEDIT
  if (interactive_) {
    char* typed = readline(prompt);
    if (typed == nullptr) return std::nullopt;
    std::string line = typed;
    std::free(typed);
    if (!line.empty()) add_history(line.c_str());
    return line;
  }
#endif
  if (interactive_) {
    std::fputs(prompt, out_);
    std::fflush(out_);
  }
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ssize_t length = ::getline(&buffer, &capacity, in_);
  if (length < 0) {
    std::free(buffer);
    return std::nullopt;
  }
  std::string line(buffer, static_cast<std::size_t>(length));
  std::free(buffer);
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<InputLine> TerminalIo::ReadLine(const char* prompt) {
  std::optional<std::string> raw = ReadRawLine(prompt);
  if (!raw) return std::nullopt;
  InputLine line;
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
  if (sjis_) {
    sjis.assign(typed);
    return true;
  }
  return Utf8ToSjis(typed, sjis);
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
  if (sjis_ || c < 0x80) return c;
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
  std::string text;
  text.reserve(sjis.size());
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    if (sjis[i] == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n') continue;
    text += sjis[i];
  }
  WritePlain(sjis_ ? text : SjisToUtf8(text));
}

void TerminalIo::WritePlain(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fflush(out_);
}

}  // namespace zemu::tty
