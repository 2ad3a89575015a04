// The sheet's operations: loading, saving, the close question, closing,
// showing, activation, resizing and in-place edits.
#include "sheet/sheet_ops.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "commands/file_text.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/run.h"
#include "platform/files.h"
#include "sheet/file_format.h"
#include "sheet/ini.h"
#include "sheet/sheet_file.h"

namespace zemu {

namespace {

constexpr const char* kSavedTitlePrefix = " ZEMU 定義式 -- "_sj;
constexpr const char* kForgetQuestion = "Do you want forget all definitions?";
constexpr const char* kForgetCaption = "Confirmation";
constexpr const char* kOverwriteCaption = "上書きの確認"_sj;

void ReadSheetLayout(std::string_view text, SheetLayout& layout) {
  const IniSection keys = ParseIniSection(text, "DefineForm");
  layout.given = ReadIniPlace(keys, layout.place);
  layout.columnWidths[TypeColumn] = IniInteger(keys, "DGtype", kDefaultColumnWidths[TypeColumn]);
  layout.columnWidths[NameColumn] = IniInteger(keys, "DGname", kDefaultColumnWidths[NameColumn]);
  layout.columnWidths[ValueColumn] = IniInteger(keys, "DGvalue", kDefaultColumnWidths[ValueColumn]);
  layout.columnWidths[TextColumn] = IniInteger(keys, "DGdefine", kDefaultColumnWidths[TextColumn]);
  layout.fontName = IniText(keys, "Font", layout.fontName);
  layout.fontSize = IniInteger(keys, "FontSize", layout.fontSize);
}

// Loads a named file; returns whether the sheet may take the name as its
// file (the file was read, or is missing and a save will create it). A file
// that was refused stays the sheet's source, so that no save goes over it
// unasked.
bool LoadNamedSheet(Context& ctx, TDefine& sheet, const std::string& fileName) {
  const FileRead read = ReadFileText(ctx, fileName, true);
  ReportFileRead(ctx, fileName, read);
  sheet.source = SheetSource{read.stamp, false, {}};
  if (read.problem == FileProblem::Missing) return true;
  if (read.problem != FileProblem::None) {
    sheet.source.unread = true;
    sheet.source.unreadWhy = UnreadReason(read);
    return false;
  }
  ReadSheetLayout(read.text, sheet.layout);
  RunSheetText(ctx, sheet, fileName, read.text);
  return true;
}

void ReportSaveFailure(Context& ctx, const std::string& fileName, const std::string& reason) {
  const std::string text = fileName + "に保存できません。("_sj + reason + ")";
  ErrorOut(ctx, "  ERROR: " + text + "\r\n");
  ctx.toolkit->ShowMessage(kSaveFailureCaption, text);
}

void WarnTooLong(Context& ctx, const std::string& fileName, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    ErrorOut(ctx, "  ERROR: " + name + "の定義が長すぎて、"_sj + fileName +
                      "から読み戻せません。\r\n"_sj);
  }
}

// What writing the sheet over the existing file `fileName` would lose: one
// line for each thing the user should know first; none when the file is the
// sheet's own, as it was read or last written, and may be written.
std::vector<std::string> OverwriteConcerns(const Context& ctx, const TDefine& sheet,
                                           const std::string& fileName, const FileStamp& now) {
  std::vector<std::string> concerns;
  const SheetSource& source = sheet.source;
  const bool own = now.SameFileAs(source.stamp) || (fileName == sheet.name && source.stamp.exists);
  if (own && source.unread) {
    concerns.push_back(fileName + "は、読み込めなかったファイルです（"_sj + source.unreadWhy +
                       "）。上書きすると、その内容は失われます。"_sj);
  } else if (own && !now.SameAs(source.stamp)) {
    concerns.push_back(fileName +
                       "は、読み込んだ後にほかで書き換えられています。"_sj
                       "上書きすると、その変更は失われます。"_sj);
  } else if (!own) {
    concerns.push_back(fileName + "は、既にあります。上書きすると、その内容は失われます。"_sj);
  }
  if (IsWriteProtected(ctx.files, fileName, now)) {
    concerns.push_back(fileName + "は、書き込み禁止になっています。"_sj);
  }
  return concerns;
}

// Asks before the save goes over a file whose content the sheet does not
// hold. True when the save may go on; where nobody can be asked, the save
// is refused and the reason reported.
bool ConfirmOverwrite(Context& ctx, const TDefine& sheet, const std::string& fileName) {
  const FileStamp now = StampOf(ctx.files, fileName);
  if (!now.exists || !now.regular) return true;  // nothing to lose; the write refuses a folder
  const std::vector<std::string> concerns = OverwriteConcerns(ctx, sheet, fileName, now);
  if (concerns.empty()) return true;
  std::string question;
  for (const std::string& concern : concerns) question += concern + "\r\n";
  if (!ctx.toolkit->CanAsk()) {
    for (const std::string& concern : concerns) {
      ErrorOut(ctx, "  ERROR: " + concern + "\r\n");
    }
    ErrorOut(ctx, "  ERROR: "_sj + fileName + "には保存しません。\r\n"_sj);
    return false;
  }
  if (ctx.toolkit->AskQuestion(kOverwriteCaption, question + "上書きしますか？"_sj, false) ==
      Answer::Yes) {
    return true;
  }
  ScreenOut(ctx, ChannelError, "  " + fileName + "には保存しませんでした。\r\n"_sj);
  return false;
}

// Writes the sheet to `fileName` (extension added); true on success.
bool WriteSheet(Context& ctx, TDefine& sheet, const std::string& fileName) {
  if (!ConfirmOverwrite(ctx, sheet, fileName)) return false;
  std::vector<std::string> tooLong;
  const std::string content =
      DefinitionFileText(ctx, sheet, FileKindOf(fileName), fileName, &tooLong);
  std::string reason;
  if (!ReplaceFile(ctx.files, fileName, content, reason)) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
    if (reason == ErrorText(ENOENT) && !StampOf(ctx.files, folder).exists) {
      reason = "フォルダ"_sj + folder + "がありません"_sj;
    }
    ReportSaveFailure(ctx, fileName, reason);
    return false;
  }
  sheet.source = SheetSource{StampOf(ctx.files, fileName), false, {}};
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
  if (!ctx.toolkit->CanAsk()) {
    ErrorOut(ctx, "  ERROR: シート"_sj + sheet.name +
                      "には保存先のファイル名が決まっていないので、保存できません。"_sj
                      "ファイル名を指定して保存してください。\r\n"_sj);
    return {};
  }
  const std::string chosen =
      ctx.toolkit->SaveFileDialog({kSaveDialogTitle, kSaveDialogFilter, "ZDF", sheet.name});
  if (chosen.empty()) return {};
  return SaveUnder(ctx, sheet, chosen, true);
}

void TitleMainForm(Context& ctx, const char* prefix, const TDefine& sheet) {
  ctx.mainForm.title = prefix + SheetMenuCaption(sheet);
  ctx.observer->MainTitleChanged(ctx.mainForm.title);
}

// `name` up to and with its last "/"; empty when it has none.
std::string FolderOfName(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

// Where .open finds `name`: see OpenSheetFile.
std::string LocateSheetFile(const Context& ctx, const std::string& name) {
  if (name.front() == '/') return name;
  std::vector<std::string> places;
  const TDefine* running = ctx.defines.current;
  if (ctx.loading && running != nullptr && !FolderOfName(running->name).empty()) {
    places.push_back(FolderOfName(running->name) + name);
  }
  places.push_back(name);
  if (!ctx.dataFolder.empty()) places.push_back(ctx.dataFolder + name);
  for (const std::string& place : places) {
    if (StampOf(ctx.files, place).exists) return place;
  }
  return places.front();
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
  if (sheet.deferred) {
    SetSheetName(ctx, sheet, fileName, true);
  } else if (!fileName.empty()) {
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

void OpenSheetFile(Context& ctx, const std::string& name) {
  if (name.empty()) {
    ErrorOut(ctx, "  ERROR: .open には、開く定義ファイルの名前を書きます。\r\n"_sj);
    return;
  }
  const std::string fileName = LocateSheetFile(ctx, name);
  if (!ctx.deferSheetLoads || !StampOf(ctx.files, fileName).regular) {
    OpenSheet(ctx, fileName);
    return;
  }
  TDefine& sheet = AddSheet(ctx, fileName);
  sheet.deferred = true;
  LoadSheet(ctx, sheet, fileName);
}

void LoadDeferredSheets(Context& ctx) {
  // A sheet's file may open more sheets: the list grows meanwhile.
  for (std::size_t i = 0; i < ctx.defines.sheets.size(); ++i) {
    TDefine& sheet = *ctx.defines.sheets[i];
    if (!sheet.deferred) continue;
    TDefine& current = CurrentSheet(ctx);
    const std::string title = ctx.mainForm.title;
    sheet.deferred = false;
    LoadSheet(ctx, sheet, sheet.name);
    if (SheetIndex(ctx, current) >= 0) SelectSheet(ctx, current);
    ctx.mainForm.title = title;
    ctx.observer->MainTitleChanged(title);
  }
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
  if (ctx.toolkit->AskWarning(kForgetCaption, kForgetQuestion) == Answer::Yes) {
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

// The longest statement a console line holds after its prompt column.
constexpr std::size_t kLongestStatement = kInputLineMax - 1;

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

// An edit longer than a console line is refused as the console refuses such
// a line (a saved sheet could not read it back either): it stays in its
// cell, to be shortened.
bool RefuseLongEdit(Context& ctx, TDefine& sheet, const CellEdit& edit, std::size_t length) {
  if (length <= kLongestStatement) return false;
  const int row = edit.definition ? RowOf(sheet, edit.definition.get()) : sheet.RowCount() - 1;
  if (row > 0) {
    SetEditedCellText(sheet, row, edit.editedText);
    ctx.observer->RowsChanged(sheet, row, row);
  }
  ErrorOut(ctx, "  ERROR: 定義が長すぎるので、実行しません。一つの定義は"_sj +
                    std::to_string(kLongestStatement) +
                    "バイト（全角文字は2バイト）までです。\r\n"_sj);
  return true;
}

void ApplyCellEdit(Context& ctx, TDefine& sheet, const CellEdit& edit) {
  const char* text = edit.editedText.c_str();
  SkipBlanks(text);
  if (*text != '\0') {
    const std::string statement(text);
    if (RefuseLongEdit(ctx, sheet, edit, statement.size())) return;
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
