// The definition file writer and the safe replacement of a file on disk.
#include "sheet/file_format.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_map>

#include "base/scan.h"
#include "commands/procedures.h"
#include "commands/set_command.h"
#include "definitions/store.h"
#include "host/context.h"

namespace zemu {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kStatementMark = "> ";
constexpr std::string_view kFileSettingPrefix = "> .Set File ";
constexpr std::string_view kFileOffLine = "> .Set File Off\r\n";

// A logical file line .do reads whole, and the text it runs after expansion.
constexpr std::size_t kReadableLine = kLineSize - 1;
constexpr std::size_t kExpandableText = kExpandSize - 3;

std::string_view LastComponent(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  return slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
}

std::string LowerExtension(std::string_view fileName) {
  const std::string_view last = LastComponent(fileName);
  const std::size_t dot = last.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  return AsciiLowerText(last.substr(dot));
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

bool SameFile(const Context& ctx, const std::string& a, const std::string& b) {
  return a == b || StampOf(ctx.files, a).SameFileAs(StampOf(ctx.files, b));
}

// The settings as "> .Set ..." lines. The File line says Off when the log is
// the file being written: turning it on at the next start would append the
// console to the definition file.
void AppendSettings(std::string& out, const Context& ctx, const std::string& fileName) {
  for (std::string line : SettingsLines(ctx, kStatementMark)) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    line += kLineEnd;
    if (line.starts_with(kFileSettingPrefix) && ctx.settings.file &&
        SameFile(ctx, ctx.settings.logFileName, fileName)) {
      line = kFileOffLine;
    }
    out += EscapePercent(line);
  }
}

// The kept lines of a layout section, each on its own line.
void AppendKept(std::string& out, const TDefine& sheet, KeptPlace place) {
  for (const KeptLine& kept : sheet.keptLines) {
    if (kept.place == place) AppendLine(out, kept.text);
  }
}

// The kept lines among the definitions, by the id of the row they follow.
std::unordered_map<std::uint64_t, std::vector<const KeptLine*>> KeptByRow(const TDefine& sheet) {
  std::unordered_map<std::uint64_t, std::vector<const KeptLine*>> byRow;
  for (const KeptLine& kept : sheet.keptLines) {
    if (kept.place == KeptPlace::Definitions) byRow[kept.afterRow].push_back(&kept);
  }
  return byRow;
}

// A kept line, then the lines of the rows it defined anew (as they stand now).
void AppendKeptLine(std::string& out, const TDefine& sheet, const KeptLine& kept) {
  AppendLine(out, kept.text);
  for (const std::uint64_t id : kept.redefines) {
    for (int row = 1; row < sheet.RowCount() - 1; ++row) {
      if (sheet.rows[static_cast<std::size_t>(row)].id != id) continue;
      const std::shared_ptr<Definition> d = DefinitionAt(sheet, row);
      const std::string line = d ? DefinitionLine(d->text) : std::string();
      if (!line.empty()) AppendLine(out, line);
      break;
    }
  }
}

void AppendKeptAfter(std::string& out, const TDefine& sheet,
                     std::unordered_map<std::uint64_t, std::vector<const KeptLine*>>& byRow,
                     std::uint64_t id) {
  if (byRow.empty()) return;
  auto it = byRow.find(id);
  if (it == byRow.end()) return;
  for (const KeptLine* kept : it->second) AppendKeptLine(out, sheet, *kept);
  byRow.erase(it);
}

// The definition lines from the top row down, each row's kept lines after it.
// A row that a kept line made, and makes again at the next loading, writes
// no line of its own.
void AppendDefinitions(std::string& out, const TDefine& sheet, std::vector<std::string>* tooLong) {
  auto kept = KeptByRow(sheet);
  AppendKeptAfter(out, sheet, kept, 0);
  for (int row = 1; row < sheet.RowCount() - 1; ++row) {
    const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
    const std::shared_ptr<Definition> d = r.madeByKeptLine ? nullptr : DefinitionAt(sheet, row);
    const std::string line = d ? DefinitionLine(d->text) : std::string();
    if (!line.empty()) {
      const ReadBack measure = MeasureReadBack(line);
      if (tooLong != nullptr &&
          (measure.lineBytes > kReadableLine || measure.textBytes > kExpandableText)) {
        tooLong->push_back(SheetCellText(sheet, row, NameColumn));
      }
      AppendLine(out, line);
    }
    AppendKeptAfter(out, sheet, kept, r.id);
  }
  // Lines whose row went in a way that did not hand them on: last, in file order.
  for (const KeptLine& line : sheet.keptLines) {
    if (line.place != KeptPlace::Definitions) continue;
    auto it = kept.find(line.afterRow);
    if (it != kept.end()) {
      for (const KeptLine* left : it->second) AppendKeptLine(out, sheet, *left);
      kept.erase(it);
    }
  }
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
  // A description's number goes; digits that begin another definition's
  // name (a procedure "7>...") are its name and stay.
  const char* digits = p;
  while (IsDigit(static_cast<unsigned char>(*digits))) ++digits;
  if (*digits == '=') p = digits;
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
    AppendKept(out, sheet, KeptPlace::MainForm);
  } else if (std::any_of(sheet.keptLines.begin(), sheet.keptLines.end(),
                         [](const KeptLine& k) { return k.place == KeptPlace::MainForm; })) {
    AppendLine(out, "[MainForm]");
    AppendKept(out, sheet, KeptPlace::MainForm);
  }
  AppendLine(out, "[DefineForm]");
  AppendPlace(out, sheet.layout.place);
  AppendKey(out, "DGtype", sheet.layout.columnWidths[TypeColumn]);
  AppendKey(out, "DGname", sheet.layout.columnWidths[NameColumn]);
  AppendKey(out, "DGvalue", sheet.layout.columnWidths[ValueColumn]);
  AppendKey(out, "DGdefine", sheet.layout.columnWidths[TextColumn]);
  AppendKept(out, sheet, KeptPlace::DefineForm);
  AppendLine(out, "[Define]");
  AppendDefinitions(out, sheet, tooLong);
  if (kind == FileKind::Initial) {
    out += InitialFileEnd(ctx, fileName);
  } else {
    AppendLine(out, kClosingNotice);
  }
  return out;
}

std::string InitialFileEnd(const Context& ctx, const std::string& fileName) {
  std::string out;
  AppendLine(out, "[Set Options]");
  AppendSettings(out, ctx, fileName);
  AppendLine(out, kClosingNotice);
  return out;
}

}  // namespace zemu
