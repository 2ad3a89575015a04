// Procedures and procedure files: reading the parameters of .do, running a
// stored procedure's text, and reading a procedure file line by line.
#include "commands/procedures.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "commands/file_text.h"
#include "commands/guard.h"
#include "context.h"
#include "definitions/store.h"
#include "engine/scan.h"
#include "engine/sjis_literal.h"

namespace zemu {

namespace {

using Parameters = std::array<std::string, kParameterCount>;

constexpr const char* kOpenDialogTitle = "手続きファイルの実行"_sj;
constexpr const char* kOpenDialogFilter = "定義式(*.ZDF)|*.ZDF|手続き(*.ZPJ)|*.ZPJ|全て(*.*)|*.*"_sj;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Entry 0 read as a word stops at "!"; a sheet qualifier with its name
// directly after it is joined back, so that sheet!name finds the procedure
// the shorthand found.
void JoinQualifiedName(const char*& cursor, std::string& name) {
  if (*cursor != '!' || !IsLetter(static_cast<unsigned char>(cursor[1]))) return;
  const char* p = cursor + 1;
  name += '!';
  name += ReadName(p);
  cursor = p;
}

// name { word }: up to ten words, each a quoted text or a path-like word. A
// word that cannot be read (a digit, say) leaves its entry empty, and so the
// later ones too.
Parameters ReadParameters(const char*& cursor) {
  Parameters params;
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (*cursor == '\0' || *cursor == ';' || *cursor == '\'') break;
    params[i] = ReadWord(cursor);
    if (i == 0) JoinQualifiedName(cursor, params[0]);
  }
  return params;
}

StatementStatus RunExpanded(Context& ctx, const char* text, const Parameters& params) {
  std::string expanded(kExpandSize, '\0');
  ExpandArguments(text, expanded.data(), kExpandSize, params.data());
  const char* p = expanded.c_str();
  return ExecuteStatements(ctx, p);
}

StatementStatus RunProcedure(Context& ctx, const DefinitionRef& found, const Parameters& params) {
  // The procedure may redefine or delete itself while it runs: the text is
  // expanded into a buffer of our own first.
  std::shared_ptr<Definition> d = DefinitionAt(*found.sheet, found.row);
  if (!d) return StatusDone;
  const std::size_t bodyStart = static_cast<std::size_t>(d->bodyStart);
  const char* body = bodyStart <= d->text.size() ? d->text.c_str() + bodyStart : "";
  return RunExpanded(ctx, body, params);
}

// Opens a regular file for reading; nothing for a folder, a device or a pipe
// (which may never end, and whose opening waits for a writer), or a file
// that cannot be opened.
FilePtr OpenProcedureFile(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  FilePtr file(std::fopen(name.c_str(), "rb"));
  if (file && (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode))) file.reset();
  return file;
}

// One logical line of a procedure file.
struct FileLine {
  std::string text;      // at most kLineSize - 1 bytes; NUL bytes are kept
  int number = 0;        // the number of its first physical line, from 1
  bool tooLong = false;  // it held more bytes than `text` keeps; the rest was passed over
};

// Reads a procedure file line by line, counting the physical lines.
class FileLineReader {
 public:
  explicit FileLineReader(std::FILE* file) : file_(file) {}

  // The next logical line: a physical line, and while it ends with "&" the
  // next one appended. False at the end of the file.
  bool Next(FileLine& line) {
    line.text.clear();
    line.tooLong = false;
    line.number = number_ + 1;
    int last = 0;
    if (!AppendPhysicalLine(line, last)) return false;
    while (last == '&' && AppendPhysicalLine(line, last)) {
    }
    return true;
  }

 private:
  // Appends one physical line up to its line break (LF or CR LF, dropped)
  // or the end of the file; `last` becomes its last byte, even one beyond
  // what the text keeps. False when the file had ended already.
  bool AppendPhysicalLine(FileLine& line, int& last) {
    int c = getc_unlocked(file_);
    if (c == EOF) return false;
    ++number_;
    last = 0;
    for (; c != EOF && c != '\n'; c = getc_unlocked(file_)) {
      if (c == '\r') {
        const int next = getc_unlocked(file_);
        if (next == '\n') break;
        if (next != EOF) std::ungetc(next, file_);
      }
      if (line.text.size() < kLineSize - 1) {
        line.text += static_cast<char>(c);
      } else {
        line.tooLong = true;
      }
      last = c;
    }
    return true;
  }

  std::FILE* file_;
  int number_ = 0;  // physical lines read so far
};

// A ">" line that cannot run as it stands is reported, and nothing of it runs.
bool RefuseFileLine(Context& ctx, const std::string& fileName, const FileLine& line) {
  if (!line.tooLong && line.text.find('\0') == std::string::npos) return false;
  const std::string where = "  ERROR: " + fileName + "の"_sj + std::to_string(line.number);
  if (line.tooLong) {
    ScreenOut(ctx, ChannelError,
              where + "行目は、"_sj + std::to_string(kLineSize - 1) +
                  "バイトより長いので、実行しません。\r\n"_sj);
    return true;
  }
  ScreenOut(ctx, ChannelError, where + "行目に NUL 文字があるので、実行しません。\r\n"_sj);
  return true;
}

// Runs one ">" line: "F" replaces the ">", the line is echoed unless a sheet
// is loading, and the statements after that first byte run. `expanded` is
// the file's buffer of kExpandSize bytes for the line with its arguments.
StatementStatus RunFileLine(Context& ctx, const std::string& line, const Parameters& params,
                            std::string& expanded) {
  ExpandArguments(line.c_str(), expanded.data(), kExpandSize, params.data());
  expanded[0] = 'F';
  const char* text = expanded.c_str();
  if (ctx.settings.echo && !ctx.loading) {
    ScreenOut(ctx, ChannelLine, text);
    ScreenOut(ctx, ChannelLine, "");
  }
  const char* p = text + 1;
  return ExecuteStatements(ctx, p);
}

StatementStatus RunProcedureFile(Context& ctx, Parameters& params) {
  if (params[0].empty()) {
    std::string chosen =
        ctx.toolkit->OpenFileDialog({kOpenDialogTitle, kOpenDialogFilter, "ZDF", "*.ZDF"});
    if (chosen.empty()) return StatusDone;
    params[0] = chosen;
    ScreenOut(ctx, ChannelLine, "M .do \"" + chosen + "\"\r\n");
  }
  FilePtr file = OpenProcedureFile(params[0]);
  if (!file) {
    ScreenOut(ctx, ChannelLine, "  ERROR: " + params[0] + "を開けません。\n"_sj);
    return StatusDone;
  }
  std::FILE* text = ShiftJisStream(ctx, params[0], file.get());
  if (text == nullptr) return StatusDone;
  if (text != file.get()) file.reset(text);
  StatementStatus status = StatusDone;
  FileLineReader reader(file.get());
  FileLine line;
  line.text.reserve(kLineSize);
  std::string expanded(kExpandSize, '\0');
  while (status == StatusDone && !std::feof(file.get()) && !std::ferror(file.get())) {
    if (StatementGuard(ctx)) break;
    if (!reader.Next(line)) break;
    if (line.text[0] != '>' || RefuseFileLine(ctx, params[0], line)) continue;
    status = RunFileLine(ctx, line.text, params, expanded);
  }
  return status;
}

}  // namespace

StatementStatus DoCommand(Context& ctx, const char*& cursor) {
  Parameters params = ReadParameters(cursor);
  const char* name = params[0].c_str();
  DefinitionRef found = FindDefinition(ctx, name, ProcedureKind);
  if (found) return RunProcedure(ctx, found, params);
  return RunProcedureFile(ctx, params);
}

}  // namespace zemu
