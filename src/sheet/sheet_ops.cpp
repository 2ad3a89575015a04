// The sheet's operations: loading, saving, the close question, closing,
// showing, activation, resizing and in-place edits.
#include "sheet/sheet_ops.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "commands/dispatcher.h"
#include "commands/file_text.h"
#include "commands/procedures.h"
#include "console/console.h"
#include "context.h"
#include "definitions/store.h"
#include "engine/scan.h"
#include "sheet/file_format.h"
#include "sheet/ini.h"
#include "engine/sjis_literal.h"

namespace zemu {

namespace {

constexpr const char* kSavedTitlePrefix = " ZEMU 定義式 -- "_sj;
constexpr const char* kForgetQuestion = "Do you want forget all definitions?";
constexpr const char* kForgetCaption = "Confirmation";
// How much of a file is looked at to tell a text file from other bytes.
constexpr std::size_t kSniffSize = 65536;

// What a file offered as a sheet's file turned out to be.
enum class FileState { Text, Missing, Unopenable, Binary, CrOnly, NotShiftJisOrUtf8, Unconvertible };

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Looks at the file before .do reads it: only a regular, readable file of
// text lines is run. A NUL byte marks a binary file; lone CRs without any LF
// mark a file whose lines .do would read as one. The bytes of a Shift-JIS
// file are kept in ctx.checkedShiftJisText for .do, which reads them next.
FileState InspectFile(Context& ctx, const std::string& fileName) {
  struct stat info {};
  if (stat(fileName.c_str(), &info) != 0) return FileState::Missing;
  if (!S_ISREG(info.st_mode)) return FileState::Unopenable;
  FilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return FileState::Unopenable;
  std::string sample(std::min(kSniffSize, static_cast<std::size_t>(info.st_size) + 1), '\0');
  sample.resize(std::fread(sample.data(), 1, sample.size(), file.get()));
  if (std::ferror(file.get())) return FileState::Unopenable;
  if (sample.find('\0') != std::string::npos) return FileState::Binary;
  if (sample.find('\r') != std::string::npos && sample.find('\n') == std::string::npos) {
    return FileState::CrOnly;
  }
  // The whole file must read as Shift-JIS or UTF-8.
  ReadRestOfFile(file.get(), sample);
  std::string converted;
  switch (ClassifyFileText(sample, converted)) {
    case FileText::Neither:
      return FileState::NotShiftJisOrUtf8;
    case FileText::Unconvertible:
      return FileState::Unconvertible;
    case FileText::ShiftJis:
      ctx.checkedShiftJisText = std::move(sample);
      return FileState::Text;
    default:
      return FileState::Text;
  }
}

void ReportUnreadable(Context& ctx, const std::string& fileName, FileState state) {
  switch (state) {
    case FileState::Binary:
      ScreenOut(ctx, ChannelError,
                "  ERROR: " + fileName + "は、テキストファイルではありません。\r\n"_sj);
      break;
    case FileState::CrOnly:
      ScreenOut(ctx, ChannelError,
                "  ERROR: " + fileName + "は、改行がCRだけのファイルです。読み込めません。\r\n"_sj);
      break;
    case FileState::NotShiftJisOrUtf8:
      ReportFileText(ctx, fileName, FileText::Neither);
      break;
    case FileState::Unconvertible:
      ReportFileText(ctx, fileName, FileText::Unconvertible);
      break;
    default:
      // The words .do uses for a file it cannot open.
      ScreenOut(ctx, ChannelLine, "  ERROR: " + fileName + "を開けません。\n"_sj);
      break;
  }
}

// The quoted name as DoCommand reads it. A name that a stored procedure
// would answer to is given a "./" in front, so that the file is what runs.
std::string DoParameter(Context& ctx, const std::string& fileName) {
  std::string name = fileName;
  const char* probe = name.c_str();
  if (FindDefinition(ctx, probe, ProcedureKind)) name = "./" + name;
  const char quote = name.find('"') == std::string::npos ? '"' : '\'';
  return quote + name + quote;
}

// Runs the file's "> " lines into the sheet, with the loading mark set.
void RunSheetFile(Context& ctx, TDefine& sheet, const std::string& fileName) {
  SelectSheet(ctx, sheet);
  const std::string parameter = DoParameter(ctx, fileName);
  const bool wasLoading = ctx.loading;
  const RunState wasState = ctx.runState;
  if (wasState == RunState::Idle) SetRunState(ctx, RunState::Running);
  ctx.loading = true;
  const char* cursor = parameter.c_str();
  DoCommand(ctx, cursor);
  ctx.loading = wasLoading;
  if (wasState == RunState::Idle && ctx.runState == RunState::Running) SetRunState(ctx, wasState);
}

void ReadSheetLayout(const std::string& fileName, SheetLayout& layout) {
  const IniSection keys = ReadIniSection(fileName, "DefineForm");
  layout.place.top = IniInteger(keys, "Top", layout.place.top);
  layout.place.left = IniInteger(keys, "Left", layout.place.left);
  layout.place.height = IniInteger(keys, "Height", layout.place.height);
  layout.place.width = IniInteger(keys, "Width", layout.place.width);
  layout.columnWidths[TypeColumn] = IniInteger(keys, "DGtype", kDefaultColumnWidths[TypeColumn]);
  layout.columnWidths[NameColumn] = IniInteger(keys, "DGname", kDefaultColumnWidths[NameColumn]);
  layout.columnWidths[ValueColumn] = IniInteger(keys, "DGvalue", kDefaultColumnWidths[ValueColumn]);
  layout.columnWidths[TextColumn] = IniInteger(keys, "DGdefine", kDefaultColumnWidths[TextColumn]);
  layout.fontName = IniText(keys, "Font", layout.fontName);
  layout.fontSize = IniInteger(keys, "FontSize", layout.fontSize);
}

// Loads a named file; returns whether the sheet may take the name as its
// file (the file was read, or is missing and a save will create it).
bool LoadNamedSheet(Context& ctx, TDefine& sheet, const std::string& fileName) {
  const FileState state = InspectFile(ctx, fileName);
  if (state != FileState::Text) {
    ReportUnreadable(ctx, fileName, state);
    return state == FileState::Missing;
  }
  ReadSheetLayout(fileName, sheet.layout);
  RunSheetFile(ctx, sheet, fileName);
  std::string().swap(ctx.checkedShiftJisText);
  return true;
}

void ReportSaveFailure(Context& ctx, const std::string& fileName, const std::string& reason) {
  const std::string text = fileName + "に保存できません。("_sj + reason + ")";
  ScreenOut(ctx, ChannelError, "  ERROR: " + text + "\r\n");
  ctx.toolkit->ShowMessage(kSaveFailureCaption, text);
}

void WarnTooLong(Context& ctx, const std::string& fileName, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    ScreenOut(ctx, ChannelError,
              "  ERROR: " + name + "の定義が長すぎて、"_sj + fileName + "から読み戻せません。\r\n"_sj);
  }
}

// Writes the sheet to `fileName` (extension added); true on success.
bool WriteSheet(Context& ctx, TDefine& sheet, const std::string& fileName) {
  std::vector<std::string> tooLong;
  const std::string content =
      DefinitionFileText(ctx, sheet, FileKindOf(fileName), fileName, &tooLong);
  std::string reason;
  if (!ReplaceFileContent(fileName, content, reason)) {
    ReportSaveFailure(ctx, fileName, reason);
    return false;
  }
  WarnTooLong(ctx, fileName, tooLong);
  return true;
}

// Saves under `chosen` (a name from the dialog when `fromDialog`).
std::string SaveUnder(Context& ctx, TDefine& sheet, const std::string& chosen, bool fromDialog) {
  const std::string fileName = WithDefaultExtension(chosen);
  if (!WriteSheet(ctx, sheet, fileName)) return {};
  if (fromDialog) ScreenOut(ctx, ChannelEcho, "M .renamefile \"" + chosen + "\"\r\n");
  sheet.name = fileName;
  sheet.named = true;
  sheet.title = kSavedTitlePrefix + fileName;
  sheet.modified = false;
  ctx.observer->SheetRenamed(sheet);
  return fileName;
}

std::string AskAndSave(Context& ctx, TDefine& sheet) {
  const std::string chosen =
      ctx.toolkit->SaveFileDialog({kSaveDialogTitle, kSaveDialogFilter, "ZDF", sheet.name});
  if (chosen.empty()) return {};
  return SaveUnder(ctx, sheet, chosen, true);
}

void TitleMainForm(Context& ctx, const char* prefix, const TDefine& sheet) {
  ctx.mainForm.title = prefix + SheetMenuCaption(sheet);
  ctx.observer->MainTitleChanged(ctx.mainForm.title);
}

void SetShown(Context& ctx, TDefine& sheet, bool shown) {
  if (sheet.layout.shown == shown) return;
  sheet.layout.shown = shown;
  ctx.observer->SheetShownChanged(sheet);
}

}  // namespace

TDefine& OpenSheet(Context& ctx, const std::string& fileName) {
  TDefine& sheet = AddSheet(ctx, fileName);
  LoadSheet(ctx, sheet, fileName);
  return sheet;
}

void LoadSheet(Context& ctx, TDefine& sheet, const std::string& fileName) {
  SetSheetName(ctx, sheet, fileName, false);
  if (!fileName.empty()) {
    const bool named = LoadNamedSheet(ctx, sheet, fileName);
    SetSheetName(ctx, sheet, fileName, named);
  } else {
    sheet.layout.place.top = kSheetDesignPlace.top + kUnnamedSheetDrop;
    NameNewSheet(ctx, sheet);
  }
  ctx.observer->SheetLayoutChanged(sheet);
  SetShown(ctx, sheet, true);
  sheet.modified = false;
  TitleMainForm(ctx, kOpenedTitlePrefix, sheet);
}

std::string SheetMenuCaption(const TDefine& sheet) {
  return sheet.name.empty() ? kUnnamedMenuCaption : sheet.name;
}

std::string SaveSheet(Context& ctx, TDefine& sheet) {
  if (!sheet.named || sheet.name.empty()) return AskAndSave(ctx, sheet);
  return SaveUnder(ctx, sheet, sheet.name, false);
}

std::string SaveSheetAs(Context& ctx, TDefine& sheet) { return AskAndSave(ctx, sheet); }

std::string SaveSheetAs(Context& ctx, TDefine& sheet, const std::string& fileName) {
  return SaveUnder(ctx, sheet, fileName, true);
}

std::string SaveFromMenu(Context& ctx, TDefine& sheet, bool asNewName) {
  std::string saved = asNewName ? SaveSheetAs(ctx, sheet) : SaveSheet(ctx, sheet);
  if (!saved.empty()) ScreenOut(ctx, ChannelEcho, "M .save \"" + saved + "\"\r\n");
  return saved;
}

bool QuerySaveSheet(Context& ctx, TDefine& sheet) {
  if (!sheet.modified) return true;
  const std::string question = sheet.title + "\r\n" + kSaveQuestion;
  switch (ctx.toolkit->AskQuestion(kSaveQuestionCaption, question, true)) {
    case Answer::Yes:
      return !SaveSheet(ctx, sheet).empty();
    case Answer::No:
      return true;
    case Answer::Cancel:
      break;
  }
  return false;
}

bool CloseSheet(Context& ctx, TDefine& sheet) {
  const int index = SheetIndex(ctx, sheet);
  if (index < 0 || !QuerySaveSheet(ctx, sheet)) return false;
  if (index == 0) {
    SetShown(ctx, sheet, false);
    return true;
  }
  RemoveSheet(ctx, index);
  TitleMainForm(ctx, kOpenedTitlePrefix, CurrentSheet(ctx));
  return true;
}

bool QueryEnd(Context& ctx) {
  auto& sheets = ctx.defines.sheets;
  for (std::size_t i = sheets.size(); i-- > 0;) {
    if (!QuerySaveSheet(ctx, *sheets[i])) return false;
  }
  return true;
}

bool CloseAllSheets(Context& ctx) {
  if (!QueryEnd(ctx)) return false;
  while (ctx.defines.sheets.size() > 1) {
    RemoveSheet(ctx, static_cast<int>(ctx.defines.sheets.size()) - 1);
  }
  return true;
}

std::vector<std::string> UnsavedSheetNames(const Context& ctx) {
  std::vector<std::string> names;
  for (const auto& sheet : ctx.defines.sheets) {
    if (sheet->modified) names.push_back(sheet->name);
  }
  return names;
}

int ReportUnsavedSheets(Context& ctx) {
  const std::vector<std::string> names = UnsavedSheetNames(ctx);
  for (const std::string& name : names) {
    ScreenOut(ctx, ChannelError, "  " + name + "の定義は保存されていません。\r\n"_sj);
  }
  return static_cast<int>(names.size());
}

void ForgetAll(Context& ctx, TDefine& sheet) {
  if (ctx.toolkit->AskQuestion(kForgetCaption, kForgetQuestion, false) == Answer::Yes) {
    ForgetValues(ctx, sheet, true);
  }
}

void ChooseSheetMenuEntry(Context& ctx, TDefine& sheet) {
  if (sheet.layout.shown) {
    SetShown(ctx, sheet, false);
    return;
  }
  SelectSheet(ctx, sheet);
  SetShown(ctx, sheet, true);
  TitleMainForm(ctx, kShownTitlePrefix, sheet);
}

void ActivateSheet(Context& ctx, TDefine& sheet) {
  SelectSheet(ctx, sheet);
  if (sheet.name.empty()) return;
  TitleMainForm(ctx, kActivatedTitlePrefix, sheet);
  ScreenOut(ctx, ChannelEcho, "M .select " + sheet.name + "\r\n");
}

void ResizeSheet(Context& ctx, TDefine& sheet, int width, int height) {
  SheetLayout& layout = sheet.layout;
  layout.place.width = width;
  layout.place.height = height;
  const int fixed = layout.columnWidths[TypeColumn] + layout.columnWidths[NameColumn] +
                    layout.columnWidths[ValueColumn];
  int definition = width - fixed - kGridFrameWidth;
  if (definition < kMinDefinitionColumnWidth) {
    definition = kMinDefinitionColumnWidth;
    layout.place.width = fixed + kMinDefinitionColumnWidth + kGridFrameWidth;
  }
  layout.columnWidths[TextColumn] = definition;
  sheet.modified = true;
  ctx.observer->SheetLayoutChanged(sheet);
}

namespace {

// One changed definition cell, taken before any statement runs (a statement
// may move or delete rows).
struct CellEdit {
  std::shared_ptr<Definition> definition;
  std::string editedText;
  std::string name;
};

std::vector<CellEdit> TakeCellEdits(Context& ctx, TDefine& sheet) {
  std::vector<CellEdit> edits;
  for (int row = 1; row < sheet.RowCount() - 1; ++row) {
    SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
    if (!r.definition) continue;
    if (!CellEdited(sheet, row)) {
      TakeEditedCellText(sheet, row);  // an edit back to the same text is none
      continue;
    }
    edits.push_back({r.definition, TakeEditedCellText(sheet, row), r.cells[NameColumn]});
    ctx.observer->RowsChanged(sheet, row, row);
  }
  // A statement typed into the empty last row defines anew.
  const int last = sheet.RowCount() - 1;
  if (CellEdited(sheet, last)) {
    edits.push_back({nullptr, TakeEditedCellText(sheet, last), ""});
    ctx.observer->RowsChanged(sheet, last, last);
  }
  return edits;
}

int RowOf(const TDefine& sheet, const Definition* definition) {
  for (int row = 1; row < sheet.RowCount() - 1; ++row) {
    if (sheet.rows[static_cast<std::size_t>(row)].definition.get() == definition) return row;
  }
  return -1;
}

void ApplyCellEdit(Context& ctx, TDefine& sheet, const CellEdit& edit) {
  const char* text = edit.editedText.c_str();
  SkipBlanks(text);
  if (*text != '\0') {
    const std::string statement(text);
    ScreenOut(ctx, ChannelEcho, "M " + statement + "\r\n");
    const char* cursor = statement.c_str();
    ExecuteStatements(ctx, cursor);
    return;
  }
  if (!edit.definition) return;  // the empty row left empty
  const int row = RowOf(sheet, edit.definition.get());
  if (row < 0) return;
  ScreenOut(ctx, ChannelEcho, "M .Delete " + edit.name + "\r\n");
  DeleteRow(ctx, sheet, row);
}

}  // namespace

void ApplySheetEdits(Context& ctx, TDefine& sheet) {
  if (SheetIndex(ctx, sheet) < 0) return;
  const std::vector<CellEdit> edits = TakeCellEdits(ctx, sheet);
  if (edits.empty()) return;
  const RunState wasState = ctx.runState;
  SetRunState(ctx, RunState::Running);
  SelectSheet(ctx, sheet);
  for (const CellEdit& edit : edits) {
    if (SheetIndex(ctx, sheet) < 0) break;
    ApplyCellEdit(ctx, sheet, edit);
  }
  SetRunState(ctx, wasState);
}

}  // namespace zemu
