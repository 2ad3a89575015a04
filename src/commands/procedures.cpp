// Procedures and procedure files: reading the parameters of .do, running a
// stored procedure's text, and reading a procedure file line by line.
#include "commands/procedures.h"

#include <algorithm>
#include <memory>
#include <string>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "commands/file_text.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/guard.h"

namespace zemu {

namespace {

constexpr const char* kOpenDialogTitle = "手続きファイルの実行"_sj;
constexpr const char* kOpenDialogFilter =
    "定義式(*.ZDF)|*.ZDF|手続き(*.ZPJ)|*.ZPJ|全て(*.*)|*.*"_sj;

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

StatementStatus RunProcedureFile(Context& ctx, Parameters& params) {
  if (params[0].empty()) {
    std::string chosen =
        ctx.toolkit->OpenFileDialog({kOpenDialogTitle, kOpenDialogFilter, "ZDF", "*.ZDF"});
    if (chosen.empty()) return StatusDone;
    params[0] = chosen;
    ScreenOut(ctx, ChannelLine, "M .do \"" + chosen + "\"\r\n");
  }
  const FileRead read = ReadFileText(ctx, params[0], false);
  ReportFileRead(ctx, params[0], read);
  if (read.problem != FileProblem::None) return StatusDone;
  StatementStatus status = StatusDone;
  FileLineReader reader(read.text);
  FileLine line;
  line.text.reserve(kLineSize);
  std::string expanded(kExpandSize, '\0');
  while (status == StatusDone) {
    if (StatementGuard(ctx)) break;
    if (!reader.Next(line)) break;
    if (line.text[0] != '>' || RefuseFileLine(ctx, params[0], line)) continue;
    status = RunFileLine(ctx, line.text, params, expanded);
  }
  return status;
}

}  // namespace

bool FileLineReader::Next(FileLine& line) {
  line.text.clear();
  line.raw.clear();
  line.tooLong = false;
  line.number = number_ + 1;
  char last = 0;
  if (!AppendPhysicalLine(line, last)) return false;
  while (last == '&') {
    line.raw += "\r\n";
    if (!AppendPhysicalLine(line, last)) {
      line.raw.resize(line.raw.size() - 2);
      break;
    }
  }
  return true;
}

bool FileLineReader::AppendPhysicalLine(FileLine& line, char& last) {
  if (pos_ >= text_.size()) return false;
  ++number_;
  std::size_t end = text_.find('\n', pos_);
  const std::size_t next = end == std::string_view::npos ? text_.size() : end + 1;
  if (end == std::string_view::npos) end = text_.size();
  if (end > pos_ && text_[end - 1] == '\r' && end < text_.size()) --end;
  const std::string_view physical = text_.substr(pos_, end - pos_);
  pos_ = next;
  line.raw += physical;
  const std::size_t room = kLineSize - 1 - std::min(line.text.size(), kLineSize - 1);
  line.text += physical.substr(0, room);
  if (physical.size() > room) line.tooLong = true;
  last = physical.empty() ? '\0' : physical.back();
  return true;
}

bool RefuseFileLine(Context& ctx, const std::string& fileName, const FileLine& line) {
  if (!line.tooLong && line.text.find('\0') == std::string::npos) return false;
  const std::string where = "  ERROR: " + fileName + "の"_sj + std::to_string(line.number);
  if (line.tooLong) {
    ErrorOut(ctx, where + "行目は、"_sj + std::to_string(kLineSize - 1) +
                      "バイトより長いので、実行しません。\r\n"_sj);
    return true;
  }
  ErrorOut(ctx, where + "行目に NUL 文字があるので、実行しません。\r\n"_sj);
  return true;
}

StatementStatus RunFileLine(Context& ctx, const std::string& line, const Parameters& params,
                            std::string& expanded) {
  ExpandFileLine(line, params, expanded);
  return RunExpandedLine(ctx, expanded);
}

void ExpandFileLine(const std::string& line, const Parameters& params, std::string& expanded) {
  ExpandArguments(line.c_str(), expanded.data(), kExpandSize, params.data());
  expanded[0] = 'F';
}

StatementStatus RunExpandedLine(Context& ctx, const std::string& expanded) {
  const char* text = expanded.c_str();
  if (ctx.settings.echo && !ctx.loading) {
    ScreenOut(ctx, ChannelLine, text);
    ScreenOut(ctx, ChannelLine, "");
  }
  const char* p = text + 1;
  return ExecuteStatements(ctx, p);
}

StatementStatus DoCommand(Context& ctx, const char*& cursor) {
  Parameters params = ReadParameters(cursor);
  const char* name = params[0].c_str();
  DefinitionRef found = FindDefinition(ctx, name, ProcedureKind);
  if (found) return RunProcedure(ctx, found, params);
  return RunProcedureFile(ctx, params);
}

}  // namespace zemu
