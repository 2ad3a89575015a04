// The history file's lines: escaping, reading and appending.
#include "platform/history_lines.h"

#include <cstdlib>

#include "platform/history_file.h"

namespace zemu {

namespace {

// Makes the folder `path` when it is missing: 0, or the errno of why there
// is none (ENOTDIR when a file has its name).
int MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return 0;
  if (errno != EEXIST) return errno;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return errno;
  return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The control character that "^c" names ("^?" is DEL).
char Control(char c) { return c == '?' ? '\x7f' : static_cast<char>(c & 0x1F); }

// The byte of the C-style escape letter `c`; 0 when it is none.
char CEscape(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'b':
      return '\b';
    case 'a':
      return '\a';
    case 'v':
      return '\v';
    case 'f':
      return '\f';
    case 's':
      return ' ';
    case 'E':
      return '\x1b';
    default:
      return 0;
  }
}

// Reads the escape after the backslash at stored[at - 1] into `out`: the
// offset after it, or `at` when no escape starts there.
std::size_t ReadEscape(std::string_view stored, std::size_t at, std::string& out) {
  const std::size_t n = stored.size();
  if (at >= n) return at;
  const char c = stored[at];
  if (IsOctalDigit(c)) {
    int value = 0;
    std::size_t end = at;
    while (end < n && end < at + 3 && IsOctalDigit(stored[end]))
      value = value * 8 + (stored[end++] - '0');
    out += static_cast<char>(value & 0xFF);
    return end;
  }
  if (c == '\\') {
    out += '\\';
    return at + 1;
  }
  if (c == '$' || c == '\n') return at + 1;  // marks that stand for nothing
  if (c == '^' && at + 1 < n) {
    out += Control(stored[at + 1]);
    return at + 2;
  }
  if (c == 'M' && at + 2 < n && (stored[at + 1] == '-' || stored[at + 1] == '^')) {
    const char base = stored[at + 1] == '-' ? stored[at + 2] : Control(stored[at + 2]);
    out += static_cast<char>(static_cast<unsigned char>(base) | 0x80);
    return at + 3;
  }
  if (c == 'x' && at + 1 < n && HexDigit(stored[at + 1]) >= 0) {
    int value = HexDigit(stored[at + 1]);
    std::size_t end = at + 2;
    if (end < n && HexDigit(stored[end]) >= 0) value = value * 16 + HexDigit(stored[end++]);
    out += static_cast<char>(value);
    return end;
  }
  if (const char escaped = CEscape(c); escaped != 0) {
    out += escaped;
    return at + 1;
  }
  return at;
}

}  // namespace

HistoryPlace FindHistoryPlace() {
  std::vector<std::string> folders;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    folders = {xdg, std::string(xdg) + "/zemu"};
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    const std::string local = std::string(home) + "/.local";
    folders = {local, local + "/share", local + "/share/zemu"};
  } else {
    return {};
  }
  for (const std::string& folder : folders) {
    if (const int error = MakeFolder(folder); error != 0) return {{}, folder, error};
  }
  return {folders.back() + "/history", {}, 0};
}

std::string EncodeHistoryLine(std::string_view line) {
  std::string entry;
  for (char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > ' ' && byte < 0x7F && byte != '\\') {
      entry += c;
    } else {
      const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                            static_cast<char>('0' + ((byte >> 3) & 7)),
                            static_cast<char>('0' + (byte & 7))};
      entry.append(octal, sizeof octal);
    }
  }
  return entry;
}

std::string DecodeHistoryLine(std::string_view stored) {
  std::string line;
  for (std::size_t at = 0; at < stored.size();) {
    const char c = stored[at++];
    if (c != '\\') {
      line += c;
      continue;
    }
    const std::size_t after = ReadEscape(stored, at, line);
    if (after == at) line += c;
    at = after;
  }
  return line;
}

int ReadHistoryLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  const int fd = OpenLockedHistory(path.c_str(), O_RDONLY);
  if (fd < 0) return errno == ENOENT ? 0 : errno;
  std::string bytes;
  char buffer[16384];
  int error = 0;
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = errno;
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (error != 0) return error;
  std::string_view text = bytes;
  const std::string_view cookie(kHistoryCookie, kHistoryCookieLength);
  if (text.starts_with(cookie)) text.remove_prefix(cookie.size());
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(DecodeHistoryLine(text.substr(0, end)));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return 0;
}

int AppendHistoryLine(const std::string& path, std::string_view line) {
  const int fd = OpenLockedHistory(path.c_str(), O_RDWR | O_APPEND | O_CREAT);
  if (fd < 0) return errno;
  std::string text;
  struct stat info {};
  int error = ::fstat(fd, &info) == 0 ? 0 : errno;
  char last = '\n';
  if (error == 0 && info.st_size == 0) {
    text = kHistoryCookie;
  } else if (error == 0 && ::pread(fd, &last, 1, info.st_size - 1) < 0) {
    error = errno;
  }
  if (last != '\n') text += '\n';
  text += EncodeHistoryLine(line);
  text += '\n';
  if (error == 0) error = WriteWhole(fd, text.data(), text.size());
  if (::close(fd) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace zemu
