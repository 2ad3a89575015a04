// The definition file writer and the safe replacement of a file on disk.
#include "sheet/file_format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "commands/procedures.h"
#include "commands/set_command.h"
#include "context.h"
#include "definitions/store.h"
#include "engine/scan.h"

namespace zemu {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kStatementMark = "> ";
constexpr std::string_view kFileSettingPrefix = "> .Set File ";
constexpr std::string_view kFileOffLine = "> .Set File Off\r\n";

// A logical file line .do reads whole, and the text it runs after expansion.
constexpr std::size_t kReadableLine = kLineSize - 1;
constexpr std::size_t kExpandableText = kExpandSize - 3;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view LastComponent(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  return slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
}

std::string LowerExtension(std::string_view fileName) {
  const std::string_view last = LastComponent(fileName);
  const std::size_t dot = last.find_last_of('.');
  std::string extension;
  if (dot == std::string_view::npos) return extension;
  for (char c : last.substr(dot)) extension.push_back(AsciiLower(c));
  return extension;
}

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += kLineEnd;
}

void AppendKey(std::string& out, const char* key, int value) {
  out += key;
  out += '=';
  out += std::to_string(value);
  out += kLineEnd;
}

void AppendPlace(std::string& out, const WindowPlace& place) {
  AppendKey(out, "Top", place.top);
  AppendKey(out, "Left", place.left);
  AppendKey(out, "Height", place.height);
  AppendKey(out, "Width", place.width);
}

// Whether the byte at `i` begins a double-byte character as .do reads it: a
// lead byte and whatever byte follows, '%' included.
bool DoubleByteAt(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
}

// The text with every '%' doubled but one that is the second byte of a
// double-byte character.
std::string EscapePercent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (DoubleByteAt(text, i)) {
      out += text[++i];
    } else if (text[i] == '%') {
      out += '%';
    }
  }
  return out;
}

// The pieces of a text between its line breaks (CR LF, LF or a lone CR).
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    pieces.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

// How long the logical line is that .do reads from a written line, and the
// text it runs after expanding "%%".
struct ReadBack {
  std::size_t lineBytes = 0;
  std::size_t textBytes = 0;
};

ReadBack MeasureReadBack(std::string_view line) {
  ReadBack measure;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\r' || line[i] == '\n') continue;
    ++measure.lineBytes;
    ++measure.textBytes;
    if (DoubleByteAt(line, i) && line[i + 1] != '\r' && line[i + 1] != '\n') {
      measure.lineBytes += 1;
      measure.textBytes += 1;
      ++i;
    } else if (line[i] == '%' && i + 1 < line.size() && line[i + 1] == '%') {
      ++measure.lineBytes;
      ++i;
    }
  }
  return measure;
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat first {
  }, second{};
  if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The settings as "> .Set ..." lines. The File line says Off when the log is
// the file being written: turning it on at the next start would append the
// console to the definition file.
void AppendSettings(std::string& out, const Context& ctx, const std::string& fileName) {
  for (std::string line : SettingsLines(ctx, kStatementMark)) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    line += kLineEnd;
    if (line.starts_with(kFileSettingPrefix) && ctx.settings.file &&
        SameFile(ctx.settings.logFileName, fileName)) {
      line = kFileOffLine;
    }
    out += EscapePercent(line);
  }
}

void AppendDefinitions(std::string& out, const TDefine& sheet, std::vector<std::string>* tooLong) {
  for (int row = 1; row < sheet.RowCount() - 1; ++row) {
    const std::shared_ptr<Definition> d = DefinitionAt(sheet, row);
    if (!d) continue;
    const std::string line = DefinitionLine(d->text);
    if (line.empty()) continue;
    const ReadBack measure = MeasureReadBack(line);
    if (tooLong != nullptr &&
        (measure.lineBytes > kReadableLine || measure.textBytes > kExpandableText)) {
      tooLong->push_back(SheetCellText(sheet, row, NameColumn));
    }
    AppendLine(out, line);
  }
}

std::string ErrorText(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a name finally refers to: a symbolic link is followed.
std::string ResolveTarget(const std::string& fileName) {
  struct stat info {};
  if (lstat(fileName.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return fileName;
  char resolved[PATH_MAX];
  if (realpath(fileName.c_str(), resolved) == nullptr) return fileName;
  return resolved;
}

// The permissions a new file gets: the old file's, or those the umask allows.
mode_t TargetMode(const std::string& target) {
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool HasExtension(std::string_view fileName) {
  return LastComponent(fileName).find('.') != std::string_view::npos;
}

std::string WithDefaultExtension(std::string_view fileName) {
  std::string name(fileName);
  if (!HasExtension(name)) name += kDefaultExtension;
  return name;
}

FileKind FileKindOf(std::string_view fileName) {
  const std::string extension = LowerExtension(fileName);
  if (extension == ".ini") return FileKind::Initial;
  if (extension == ".zpj") return FileKind::Project;
  return FileKind::Definition;
}

std::string DefinitionLine(std::string_view text) {
  const std::string whole(text);
  const char* p = whole.c_str();
  SkipBlanks(p);
  while (IsDigit(static_cast<unsigned char>(*p))) ++p;
  const std::string_view rest(p, whole.size() - static_cast<std::size_t>(p - whole.c_str()));
  if (rest.empty()) return {};

  std::string body;
  const std::vector<std::string_view> pieces = SplitLines(rest);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) body += pieces[i - 1].ends_with('&') ? "\r\n" : "&\r\n&";
    body += pieces[i];
  }
  if (body.ends_with('&')) body += ' ';
  return std::string(kStatementMark) + EscapePercent(body);
}

std::string DefinitionFileText(const Context& ctx, const TDefine& sheet, FileKind kind,
                               const std::string& fileName, std::vector<std::string>* tooLong) {
  std::string out;
  AppendLine(out, kind == FileKind::Initial   ? kInitialHeader
                  : kind == FileKind::Project ? kProjectHeader
                                              : kDefinitionHeader);
  if (kind != FileKind::Definition) {
    AppendLine(out, "[MainForm]");
    AppendPlace(out, ctx.mainForm.place);
  }
  AppendLine(out, "[DefineForm]");
  AppendPlace(out, sheet.layout.place);
  AppendKey(out, "DGtype", sheet.layout.columnWidths[TypeColumn]);
  AppendKey(out, "DGname", sheet.layout.columnWidths[NameColumn]);
  AppendKey(out, "DGvalue", sheet.layout.columnWidths[ValueColumn]);
  AppendKey(out, "DGdefine", sheet.layout.columnWidths[TextColumn]);
  AppendLine(out, "[Define]");
  AppendDefinitions(out, sheet, tooLong);
  if (kind == FileKind::Initial) {
    AppendLine(out, "[Set Options]");
    AppendSettings(out, ctx, fileName);
  }
  AppendLine(out, kClosingNotice);
  return out;
}

bool ReplaceFileContent(const std::string& fileName, std::string_view content, std::string& error) {
  const std::string target = ResolveTarget(fileName);
  struct stat info {};
  if (stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? ErrorText(EISDIR) : "not a regular file";
    return false;
  }
  std::string temporary = target + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) {
    error = ErrorText(errno);
    return false;
  }
  bool ok = fchmod(fd, TargetMode(target)) == 0 && WriteAll(fd, content) && fsync(fd) == 0;
  int failure = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    error = ErrorText(failure);
    return false;
  }
  SyncFolder(FolderOf(target));
  return true;
}

}  // namespace zemu
