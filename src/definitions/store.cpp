// The definition store: sheets of definition rows, name lookup across and
// within sheets, storing a definition with its replacement rules, deleting
// and inserting rows, forgetting cached values and the resumable row search.
#include "definitions/store.h"

#include <algorithm>
#include <utility>

#include "context.h"
#include "definitions/statements.h"
#include "engine/scan.h"
#include "engine/sjis_literal.h"

namespace zemu {

namespace {

// MatchName's first byte decides most misses: when neither byte is a
// wildcard and they differ, the name cannot match. Checking that here keeps
// the bottom-up scan of a large sheet to one byte compare per row.
bool CanMatch(const char* probe, const std::string& stored) {
  if (stored.empty()) return true;
  char s = stored[0];
  char p = *probe;
  if (s == p || s == '?' || s == '#' || p == '?' || p == '#') return true;
  return false;
}

bool NameMatches(const char* probe, const std::string& stored) {
  return CanMatch(probe, stored) && MatchName(probe, stored.c_str());
}

void Touch(TDefine& sheet) {
  sheet.modified = true;
  ++sheet.changeCount;
}

void TellRowsChanged(Context& ctx, TDefine& sheet, int first, int last) {
  if (first <= last) ctx.observer->RowsChanged(sheet, first, last);
}

SheetRow EmptyRow() { return SheetRow{}; }

// The bytes from..to of text, both clamped to the text.
std::string Slice(const std::string& text, std::int32_t from, std::int32_t to) {
  auto size = static_cast<std::int32_t>(text.size());
  from = std::clamp(from, 0, size);
  to = std::clamp(to, from, size);
  return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

// Attaches `d` to `row` and fills the four cells from it.
void FillRow(Context& ctx, TDefine& sheet, int row, std::shared_ptr<Definition> d) {
  SheetRow& target = sheet.rows[static_cast<std::size_t>(row)];
  target.cells[TypeColumn] = KindTypeText(d->kind);
  target.cells[NameColumn] = d->Name();
  target.cells[ValueColumn] = ValueText(ctx, d->value);
  target.cells[TextColumn] = d->text;
  target.definition = std::move(d);
}

Definition* RowDefinition(TDefine& sheet, int row) {
  if (row < 0 || row >= sheet.RowCount()) return nullptr;
  return sheet.rows[static_cast<std::size_t>(row)].definition.get();
}

// True when `row` holds a variable stored directly below a row of the same
// name (a function or procedure, StoreDefinition puts it there).
bool IsVariableBelowSameName(TDefine& sheet, int row, const std::string& name) {
  Definition* d = RowDefinition(sheet, row);
  return d != nullptr && d->kind == VariableKind && row > 1 &&
         sheet.rows[static_cast<std::size_t>(row - 1)].cells[NameColumn] == name;
}

}  // namespace

// ---- Definition -------------------------------------------------------------

const char* KindTypeText(std::int32_t kind) {
  switch (kind) {
    case FunctionKind:
      return "定義式"_sj;
    case DescriptionKind:
      return "説明"_sj;
    case VariableKind:
      return "代入式"_sj;
    case ProcedureKind:
      return "手順"_sj;
    case ConversionKind:
      return "換算式"_sj;
    default:
      return "";
  }
}

Definition::Definition(std::string definitionText)
    : value(MakeTagged(ValueKind::Undefined, kNotAnalysedText)), text(std::move(definitionText)) {}

std::string Definition::Name() const { return Slice(text, nameStart, nameEnd); }
std::string Definition::Head() const { return Slice(text, 0, headEnd); }
std::string Definition::Comment() const {
  return HasComment() ? Slice(text, commentStart, static_cast<std::int32_t>(text.size())) : "";
}
std::string Definition::Unit() const {
  return unitStart > 0 ? Slice(text, unitStart, unitEnd) : "";
}

// ---- Sheets -----------------------------------------------------------------

TDefine::TDefine() {
  SheetRow heading;
  for (int i = 0; i < kColumnCount; ++i)
    heading.cells[static_cast<std::size_t>(i)] = kHeadingTexts[static_cast<std::size_t>(i)];
  rows.push_back(std::move(heading));
  rows.push_back(EmptyRow());
}

TDefines::TDefines() = default;

TDefines::~TDefines() {
  // The sheets go from the last to the first, each freeing its rows from
  // the bottom up.
  while (!sheets.empty()) {
    TDefine& sheet = *sheets.back();
    while (sheet.rows.size() > 1) sheet.rows.pop_back();
    sheets.pop_back();
  }
}

TDefine& CurrentSheet(Context& ctx) {
  if (ctx.defines.current == nullptr) {
    if (ctx.defines.sheets.empty()) return NewSheet(ctx);
    ctx.defines.current = ctx.defines.sheets.back().get();
  }
  return *ctx.defines.current;
}

void SelectSheet(Context& ctx, TDefine& sheet) {
  if (ctx.defines.current == &sheet || SheetIndex(ctx, sheet) < 0) return;
  ctx.defines.current = &sheet;
  ctx.observer->CurrentSheetChanged(sheet);
}

int SheetIndex(const Context& ctx, const TDefine& sheet) {
  const auto& sheets = ctx.defines.sheets;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    if (sheets[i].get() == &sheet) return static_cast<int>(i);
  }
  return -1;
}

TDefine& AddSheet(Context& ctx, std::string name) {
  auto sheet = std::make_unique<TDefine>();
  sheet->name = std::move(name);
  sheet->title = SheetTitle(sheet->name);
  TDefine& added = *sheet;
  ctx.defines.sheets.push_back(std::move(sheet));
  ctx.defines.current = &added;
  ctx.observer->SheetAdded(added);
  ctx.observer->CurrentSheetChanged(added);
  return added;
}

void NameNewSheet(Context& ctx, TDefine& sheet) {
  std::string name = "ZEMU" + std::to_string(ctx.defines.unnamedCount++) + ".ZDF";
  SetSheetName(ctx, sheet, std::move(name), false);
}

TDefine& NewSheet(Context& ctx) {
  TDefine& sheet = AddSheet(ctx, "");
  NameNewSheet(ctx, sheet);
  return sheet;
}

void SetSheetName(Context& ctx, TDefine& sheet, std::string name, bool named) {
  sheet.title = SheetTitle(name);
  sheet.name = std::move(name);
  sheet.named = named;
  ctx.observer->SheetRenamed(sheet);
}

std::string SheetTitle(std::string_view name) {
  bool initial = false;
  if (name.size() >= 4) {
    std::string_view ext = name.substr(name.size() - 4);
    initial = ext[0] == '.' && (ext[1] == 'i' || ext[1] == 'I') &&
              (ext[2] == 'n' || ext[2] == 'N') && (ext[3] == 'i' || ext[3] == 'I');
  }
  return std::string(initial ? " ZEMU 初期設定 -- "_sj : " ZEMU 定義式 -- "_sj) + std::string(name);
}

bool RemoveSheet(Context& ctx, int index) {
  auto& sheets = ctx.defines.sheets;
  if (index < 1 || index >= static_cast<int>(sheets.size())) return false;
  auto at = sheets.begin() + index;
  TDefine& sheet = **at;
  ctx.observer->SheetRemoved(sheet);
  const bool wasCurrent = ctx.defines.current == &sheet;
  if (wasCurrent) ctx.defines.current = sheets[static_cast<std::size_t>(index - 1)].get();
  while (sheet.rows.size() > 1) sheet.rows.pop_back();
  sheets.erase(sheets.begin() + index);
  if (wasCurrent) ctx.observer->CurrentSheetChanged(*ctx.defines.current);
  return true;
}

// ---- Rows -------------------------------------------------------------------

std::shared_ptr<Definition> DefinitionAt(const TDefine& sheet, int row) {
  if (row < 0 || row >= sheet.RowCount()) return nullptr;
  return sheet.rows[static_cast<std::size_t>(row)].definition;
}

std::string SheetCellText(const TDefine& sheet, int row, int column) {
  if (row < 0 || row >= sheet.RowCount() || column < 0 || column >= kColumnCount) return {};
  return sheet.rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

void SetEditedCellText(TDefine& sheet, int row, std::string text) {
  if (row < 1 || row >= sheet.RowCount()) return;
  sheet.rows[static_cast<std::size_t>(row)].cells[TextColumn] = std::move(text);
}

int FindRow(Context& ctx, TDefine& sheet, const char*& cursor, int kind) {
  int found = -1;
  for (int row = sheet.RowCount() - 2; row >= 1; --row) {
    SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
    // A row without a name would match every text that starts with a
    // character outside names ("[km][m]", "$f"); it is never looked up.
    if (!r.definition || r.cells[NameColumn].empty()) continue;
    if (kind != 0) {
      if (r.definition->kind == NotAnalysed) AnalyseDefinition(ctx, *r.definition);
      if (r.definition->kind != kind) continue;
    }
    if (NameMatches(cursor, r.cells[NameColumn])) {
      found = row;
      break;
    }
  }
  SkipBlanks(cursor);
  return found;
}

DefinitionRef FindDefinition(Context& ctx, const char*& cursor, int kind) {
  SkipBlanks(cursor);
  const char* name = cursor;
  const char* p = cursor;
  std::string qualifier = ReadWord(p);
  bool qualified = *p == '!';
  if (qualified) name = p + 1;
  auto& sheets = ctx.defines.sheets;
  for (auto it = sheets.rbegin(); it != sheets.rend(); ++it) {
    TDefine& sheet = **it;
    if (qualified && sheet.name != qualifier) continue;
    const char* probe = name;
    int row = FindRow(ctx, sheet, probe, kind);
    if (row > 0) {
      cursor = probe;
      return DefinitionRef{&sheet, row};
    }
  }
  cursor = name;
  return {};
}

int StoreDefinition(Context& ctx, TDefine& sheet, std::shared_ptr<Definition> definition) {
  if (!definition) return -1;
  Definition& d = *definition;
  if (d.kind == NotAnalysed) AnalyseDefinition(ctx, d);
  // A variable's right-hand side runs before the row is looked for: it may
  // itself define or delete rows of this sheet.
  Value assigned;
  if (d.kind == VariableKind) assigned = EvaluateVariable(ctx, d);

  const char* probe = d.text.c_str();
  int row = FindRow(ctx, sheet, probe, 0);
  if (row > 0) {
    Definition& old = *sheet.rows[static_cast<std::size_t>(row)].definition;
    if (old.kind == NotAnalysed) AnalyseDefinition(ctx, old);
  }
  auto existing = [&]() { return RowDefinition(sheet, row); };

  switch (d.kind) {
    case VariableKind: {
      std::string comment = d.HasComment() ? d.Comment() : row > 0 ? existing()->Comment() : "";
      RewriteVariable(ctx, d, assigned, d.Name(), comment);
      if (row > 0) {
        int oldKind = existing()->kind;
        if (oldKind == FunctionKind || oldKind == ProcedureKind) {
          InsertRow(ctx, sheet, row + 1);
          ++row;
        }
        ForgetValues(ctx, sheet, false);
      }
      break;
    }
    case FunctionKind:
    case ProcedureKind:
      if (row > 0) {
        if (IsVariableBelowSameName(sheet, row, d.Name())) {
          DeleteRow(ctx, sheet, row);
          --row;
        }
        if (d.kind == FunctionKind && !d.HasComment() && existing()->HasComment()) {
          d.text += kCommentGap;
          d.text += existing()->Comment();
          AnalyseDefinition(ctx, d);
        }
        ForgetValues(ctx, sheet, false);
      }
      break;
    case ConversionKind:
      if (row > 0) ForgetValues(ctx, sheet, false);
      break;
    default:
      break;
  }

  const bool added = row <= 0;
  if (added) {
    sheet.rows.push_back(EmptyRow());
    row = sheet.RowCount() - 2;
  }
  FillRow(ctx, sheet, row, std::move(definition));
  Touch(sheet);
  ctx.defines.watchRefreshNeeded = true;
  if (added) {
    ctx.observer->RowsInserted(sheet, row, 1);
  } else {
    ctx.observer->RowsChanged(sheet, row, row);
  }
  return row;
}

void DeleteRow(Context& ctx, TDefine& sheet, int row) {
  if (!sheet.IsDefinitionRow(row)) return;
  sheet.rows.erase(sheet.rows.begin() + row);
  Touch(sheet);
  ctx.observer->RowsRemoved(sheet, row, 1);
}

void InsertRow(Context& ctx, TDefine& sheet, int row) {
  if (row < 1 || row > sheet.RowCount() - 1) return;
  sheet.rows.insert(sheet.rows.begin() + row, EmptyRow());
  Touch(sheet);
  ctx.observer->RowsInserted(sheet, row, 1);
}

void ForgetValues(Context& ctx, TDefine& sheet, bool includeVariables) {
  if (ctx.settings.trace >= TraceLevel::Command) {
    ScreenOut(ctx, ChannelTrace, includeVariables ? "FORGET(1)" : "FORGET(0)");
  }
  for (int row = 1; row <= sheet.RowCount() - 2; ++row) {
    SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
    if (!r.definition) continue;
    if (!includeVariables && r.definition->kind == VariableKind) continue;
    r.cells[ValueColumn] = kForgottenText;
    r.definition->value = MakeTagged(ValueKind::Undefined, kForgottenText);
  }
  TellRowsChanged(ctx, sheet, 1, sheet.RowCount() - 2);
}

int SearchRows(Context& ctx, TDefine& sheet, std::string_view pattern, std::uint32_t mask) {
  sheet.search.row = 0;
  sheet.search.pattern = std::string(pattern);
  sheet.search.mask = mask;
  return SearchNext(ctx, sheet);
}

int SearchNext(Context& ctx, TDefine& sheet) {
  RowSearch& search = sheet.search;
  int found = -1;
  if (search.row >= 0) {
    for (int row = search.row + 1; row < sheet.RowCount(); ++row) {
      const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
      if (r.definition && (r.definition->flags & search.mask) != 0 &&
          NameMatches(search.pattern.c_str(), r.cells[NameColumn])) {
        found = row;
        break;
      }
    }
  }
  search.row = found;
  if (ctx.settings.trace >= TraceLevel::System) {
    ScreenOut(ctx, ChannelTrace, "SEARCH(" + search.pattern + ")=" + std::to_string(found));
  }
  return found;
}

}  // namespace zemu
