// The sheet loader: layout sections, ">" lines and kept lines.
#include "sheet/sheet_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "commands/file_text.h"
#include "commands/procedures.h"
#include "definitions/statements.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/guard.h"
#include "host/run.h"
#include "sheet/file_format.h"
#include "sheet/ini.h"
#include "sheet/sheet_ops.h"

namespace zemu {

namespace {

enum class Section { None, MainForm, DefineForm, Define, SetOptions, Other };

// The keys the writer writes in each layout section.
constexpr std::array<std::string_view, 4> kPlaceKeys = {"Top", "Left", "Height", "Width"};
constexpr std::array<std::string_view, 4> kColumnKeys = {"DGtype", "DGname", "DGvalue", "DGdefine"};

Section SectionNamed(std::string_view name) {
  if (IniSameName(name, "MainForm")) return Section::MainForm;
  if (IniSameName(name, "DefineForm")) return Section::DefineForm;
  if (IniSameName(name, "Define")) return Section::Define;
  if (IniSameName(name, "Set Options")) return Section::SetOptions;
  return Section::Other;
}

template <std::size_t N>
bool IsOneOf(std::string_view key, const std::array<std::string_view, N>& keys) {
  for (std::string_view known : keys) {
    if (IniSameName(key, known)) return true;
  }
  return false;
}

// A key line that the writer writes in the section anew.
bool IsLayoutKey(Section section, std::string_view line) {
  const std::string_view key = IniKeyOf(line);
  if (key.empty()) return false;
  if (section == Section::MainForm) return IsOneOf(key, kPlaceKeys);
  return section == Section::DefineForm && (IsOneOf(key, kPlaceKeys) || IsOneOf(key, kColumnKeys));
}

bool IsHeaderLine(std::string_view line) {
  return line == kDefinitionHeader || line == kProjectHeader || line == kInitialHeader;
}

// Whether the statement line (from its '>') begins with the command `word`
// (its "." marking the shortest form, as in the command table).
bool IsCommandLine(const std::string& line, const char* word) {
  const char* p = line.c_str() + 1;  // after the '>'
  SkipBlanks(p);
  if (*p != '.') return false;
  ++p;
  const std::string typed = AsciiLowerText(ReadName(p));
  return !typed.empty() && MatchCommandWord(typed.c_str(), word);
}

// A .set statement line of the Set Options section: the writer writes the
// settings there anew.
bool IsSettingLine(const std::string& line) { return IsCommandLine(line, "s.et"); }

// Whether the rows that `text` defines write it back whole: the statements
// that the dispatcher runs (up to a ";", "'" or "}" where a statement could
// begin) are all definitions the sheet keeps in rows, and no part of the
// text lies beyond both where it stops and what the rows hold. The numbers
// that descriptions would take are given back. `computes` is set when one
// of them is a variable, whose formula is computed as it is stored.
bool OnlyDefinitions(Context& ctx, const char* text, bool& computes) {
  const std::int32_t autoNumber = ctx.defines.autoNumber;
  Definition scratch("");
  bool any = false;
  bool only = true;
  const char* p = text;
  const char* const end = text + std::strlen(text);
  const char* covered = text;  // the end of what the rows hold
  while (only && *p != '\0' && *p != ';' && *p != '\'' && *p != '}') {
    SkipBlanks(p);
    if (*p == '.' || *p == '"') {
      only = false;
      break;
    }
    AnalyseStatementAt(ctx, scratch, p);
    if (scratch.kind == VariableKind) computes = true;
    switch (scratch.kind) {
      case FunctionKind:
      case VariableKind:
      case ConversionKind:
      case DescriptionKind:
        any = true;
        // (A description's number, put in front by the analysis, makes the
        // length run past the text: it ends there.)
        covered = std::max(covered, std::min(end, p + scratch.length));
        SkipStatement(p);
        if (*p == ';') ++p;
        break;
      case ProcedureKind:  // the rest of the text is its body
        ctx.defines.autoNumber = autoNumber;
        return true;
      default:
        only = false;
        break;
    }
  }
  ctx.defines.autoNumber = autoNumber;
  const char* rest = std::max(p, covered);
  SkipBlanks(rest);
  return only && any && *rest == '\0';
}

// The id of the sheet's bottom definition row: a line kept now follows it.
std::uint64_t BottomRowId(const TDefine& sheet) {
  return sheet.RowCount() > 2 ? sheet.rows[static_cast<std::size_t>(sheet.RowCount() - 2)].id : 0;
}

// Walks the lines of one sheet file.
class SheetLoader {
 public:
  SheetLoader(Context& ctx, TDefine& sheet, const std::string& fileName)
      : ctx_(ctx),
        sheet_(sheet),
        fileName_(fileName),
        initial_(FileKindOf(fileName) == FileKind::Initial) {
    params_[0] = fileName;
  }

  void Run(std::string_view text) {
    FileLineReader reader(text);
    FileLine line;
    std::string expanded(kExpandSize, '\0');
    while (reader.Next(line)) {
      if (!stopped_ && StatementGuard(ctx_)) stopped_ = true;
      Take(line, expanded);
    }
    if (notRun_ > 0) ReportStop();
  }

 private:
  void Keep(const FileLine& line, KeptPlace place) {
    Keep(line, place, place == KeptPlace::Definitions ? BottomRowId(sheet_) : 0, {});
  }
  void Keep(const FileLine& line, KeptPlace place, std::uint64_t afterRow,
            std::vector<std::uint64_t> redefines) {
    sheet_.keptLines.push_back({place, afterRow, line.raw, std::move(redefines)});
  }

  void Take(const FileLine& line, std::string& expanded) {
    std::string_view heading;
    if (line.number == 1 && IsHeaderLine(line.raw)) return;
    if (line.text[0] != '>' && IniSectionHeading(line.raw, heading)) {
      section_ = SectionNamed(heading);
      if (section_ == Section::Other) Keep(line, KeptPlace::Definitions);
      return;
    }
    if (line.raw == kClosingNotice) return;
    if (line.text[0] == '>') {
      TakeStatementLine(line, expanded);
      return;
    }
    if (IsLayoutKey(section_, line.raw)) return;
    if (section_ == Section::MainForm) {
      Keep(line, KeptPlace::MainForm);
    } else if (section_ == Section::DefineForm) {
      Keep(line, KeptPlace::DefineForm);
    } else {
      Keep(line, KeptPlace::Definitions);
    }
  }

  void TakeStatementLine(const FileLine& line, std::string& expanded) {
    const bool regenerated =
        initial_ && section_ == Section::SetOptions && IsSettingLine(line.text);
    if (stopped_) {
      if (!regenerated) {
        Keep(line, KeptPlace::Definitions);
        ++notRun_;
      }
      return;
    }
    if (RefuseFileLine(ctx_, fileName_, line)) {
      ScreenOut(ctx_, ChannelError,
                "  この行は、シートを保存するときにそのまま書き戻します。\r\n"_sj);
      Keep(line, KeptPlace::Definitions);
      return;
    }
    ExpandFileLine(line.text, params_, expanded);
    bool computes = false;
    const bool byRows = OnlyDefinitions(ctx_, expanded.c_str() + 1, computes);
    // A line that may compute something finds the deferred sheets read.
    if (ctx_.deferSheetLoads && (computes || !byRows) && !IsSettingLine(line.text) &&
        !IsCommandLine(line.text, "open")) {
      LoadDeferredSheets(ctx_);
    }
    const std::uint64_t bottom = BottomRowId(sheet_);
    const std::uint64_t newestBefore = sheet_.lastRowId;
    std::vector<std::uint64_t> replaced;
    sheet_.replacedRows = &replaced;
    // Each line starts with the stack's watch anew: a line that ran out of
    // stack is kept, and the lines after it run all the same. An abort ends
    // the loading.
    ResetStackWatch(ctx_.guard);
    RunExpandedLine(ctx_, expanded);
    const bool cut = RunStopped(ctx_.guard, ctx_.runState);
    if (ctx_.runState == RunState::Aborted) stopped_ = true;
    ResetStackWatch(ctx_.guard);
    sheet_.replacedRows = nullptr;
    // A line may open a sheet of its own (.new): the file's lines belong here.
    if (ctx_.defines.current != &sheet_ && SheetIndex(ctx_, sheet_) >= 0) SelectSheet(ctx_, sheet_);
    if (regenerated || (byRows && !cut)) return;
    KeepRunLine(line, bottom, newestBefore, replaced);
  }

  // Keeps a line that ran: it stands before the rows it made, which it makes
  // again at every loading, and the rows that stood before it and that it
  // defined anew are written again after it.
  void KeepRunLine(const FileLine& line, std::uint64_t bottom, std::uint64_t newestBefore,
                   std::vector<std::uint64_t>& replaced) {
    for (SheetRow& row : sheet_.rows) {
      if (row.id > newestBefore && row.definition) row.madeByKeptLine = true;
    }
    std::erase_if(replaced, [newestBefore](std::uint64_t id) { return id > newestBefore; });
    std::sort(replaced.begin(), replaced.end());
    replaced.erase(std::unique(replaced.begin(), replaced.end()), replaced.end());
    Keep(line, KeptPlace::Definitions, bottom, std::move(replaced));
  }

  void ReportStop() {
    ScreenOut(ctx_, ChannelError,
              "  " + fileName_ + "の読み込みを途中で止めました。実行しなかった"_sj +
                  std::to_string(notRun_) +
                  "行は、シートを保存するときにそのまま書き戻します。\r\n"_sj);
  }

  Context& ctx_;
  TDefine& sheet_;
  const std::string& fileName_;
  bool initial_;
  Parameters params_;
  Section section_ = Section::None;
  bool stopped_ = false;  // an abort or the stack's reserve: no more lines run
  int notRun_ = 0;        // ">" lines kept without running
};

}  // namespace

void RunSheetText(Context& ctx, TDefine& sheet, const std::string& fileName,
                  std::string_view text) {
  SelectSheet(ctx, sheet);
  const bool wasLoading = ctx.loading;
  const RunState wasState = ctx.runState;
  if (wasState == RunState::Idle) SetRunState(ctx, RunState::Running);
  ctx.loading = true;
  SheetLoader(ctx, sheet, fileName).Run(text);
  ctx.loading = wasLoading;
  if (wasState == RunState::Idle && ctx.runState == RunState::Running) SetRunState(ctx, wasState);
}

std::string UnreadReason(const FileRead& read) {
  switch (read.problem) {
    case FileProblem::Binary:
      return "テキストファイルではありません"_sj;
    case FileProblem::CrOnly:
      return "改行がCRだけのファイルです"_sj;
    case FileProblem::Neither:
      return "シフトJISでもUTF-8でもありません"_sj;
    case FileProblem::Unconvertible:
      return "シフトJISにない文字を含みます"_sj;
    case FileProblem::Unopenable:
      return "開けません"_sj +
             (read.error != 0 ? "(" + ErrorText(read.error) + ")" : std::string());
    case FileProblem::Missing:
    case FileProblem::None:
      break;
  }
  return {};
}

}  // namespace zemu
