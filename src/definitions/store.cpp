// The definition store: sheets of definition rows, name lookup across and
// within sheets, storing a definition with its replacement rules, deleting
// and inserting rows, forgetting cached values and the resumable row search.
#include "definitions/store.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <span>
#include <utility>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "definitions/statements.h"
#include "host/context.h"

namespace zemu {

namespace {

// MatchName compares character by character until either side has a
// wildcard: bytes that differ before one mean no match. Checking that here
// keeps the scan of many similar names ("[k]]", "[km][m]") to a few byte
// compares per row.
bool CanMatch(const char* probe, const std::string& stored) {
  for (const char s : stored) {
    const char p = *probe++;
    if (s == '?' || s == '#' || p == '?' || p == '#') return true;
    if (s != p) return false;
  }
  return true;
}

bool NameMatches(const char* probe, const std::string& stored) {
  return CanMatch(probe, stored) && MatchName(probe, stored.c_str());
}

void Touch(TDefine& sheet) {
  sheet.modified = true;
  ++sheet.changeCount;
}

SheetRow EmptyRow() { return SheetRow{}; }

// The bytes from..to of text, both clamped to the text.
std::string_view Slice(std::string_view text, std::int32_t from, std::int32_t to) {
  auto size = static_cast<std::int32_t>(text.size());
  from = std::clamp(from, 0, size);
  to = std::clamp(to, from, size);
  return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

std::string_view NameOf(const Definition& d) { return Slice(d.text, d.nameStart, d.nameEnd); }

// ---- the name index ---------------------------------------------------------
//
// The index (cache/caches.h) lists the rows of a sheet by name; a lookup
// matches only the rows it lists.

NameIndex& UsableIndex(TDefine& sheet) {
  NameIndex& index = sheet.cache.index;
  if (!index.Describes(sheet.rows.size())) {
    index.Rebuild(sheet.rows.size(), 1, sheet.RowCount() - 2, [&sheet](int row) {
      const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
      return r.definition && !r.cells[NameColumn].empty() ? &r.cells[NameColumn] : nullptr;
    });
  }
  return index;
}

// The scan of FindRow for one row: a definition with a name, of the kind
// asked for (a row not yet analysed is analysed first), whose name matches.
bool RowMatches(Context& ctx, SheetRow& r, const char* probe, int kind) {
  // A row without a name would match every text that starts with a
  // character outside names ("[km][m]", "$f"); it is never looked up.
  if (!r.definition || r.cells[NameColumn].empty()) return false;
  if (kind != 0) {
    if (r.definition->kind == NotAnalysed) AnalyseDefinition(ctx, *r.definition);
    if (r.definition->kind != kind) return false;
  }
  return NameMatches(probe, r.cells[NameColumn]);
}

// `unlisted` (when given) is set when the scan passed a row of a name that
// is not plain and that begins as the probe does or with a wildcard (whether
// such a row matches may depend on more than the probe's name), as the
// index would.
int ScanRows(Context& ctx, TDefine& sheet, const char* probe, int kind, bool* unlisted = nullptr) {
  for (int row = sheet.RowCount() - 2; row >= 1; --row) {
    SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
    const std::string& name = r.cells[NameColumn];
    if (unlisted != nullptr && r.definition && !name.empty() &&
        (name[0] == probe[0] || IsWildcard(name[0])) && !IsPlainName(name)) {
      *unlisted = true;
    }
    if (RowMatches(ctx, r, probe, kind)) return row;
  }
  return -1;
}

// The bottom-most row of `rows` (top to bottom) above `limit` that matches.
// Rows listed under a plain name match a probe of that name (MatchName is
// not asked again); other rows are matched one by one.
int LastMatch(Context& ctx, TDefine& sheet, std::span<const int> rows, const char* probe,
              std::string_view plainName, int kind, int limit) {
  for (auto it = rows.rbegin(); it != rows.rend() && *it > limit; ++it) {
    SheetRow& r = sheet.rows[static_cast<std::size_t>(*it)];
    if (plainName.empty()) {
      if (RowMatches(ctx, r, probe, kind)) return *it;
      continue;
    }
    // Every row listed under the name holds it.
    assert(r.definition && r.cells[NameColumn] == plainName);
    if (!r.definition || r.cells[NameColumn] != plainName) continue;
    if (kind != 0) {
      if (r.definition->kind == NotAnalysed) AnalyseDefinition(ctx, *r.definition);
      if (r.definition->kind != kind) continue;
    }
    return *it;
  }
  return -1;
}

// The bottom-most row that matches the probe, from the sheet's index.
// `unlisted` is set when a row of a name that is not plain was matched one
// by one (whether that row matches may depend on more than the probe's name).
int RowFromIndex(Context& ctx, TDefine& sheet, const char* probe, int kind, bool* unlisted) {
  const char* end = EndOfName(probe);
  const std::string_view name(probe, static_cast<std::size_t>(end - probe));
  if (IsWildcard(*end) || HasWildcard(name)) {
    return ScanRows(ctx, sheet, probe, kind);
  }
  NameIndex& index = UsableIndex(sheet);
  int found = -1;
  // Analysing a row may store nothing, so the list stays as it is.
  if (!name.empty()) found = LastMatch(ctx, sheet, index.PlainRows(name), probe, name, kind, 0);
  // The probe does not begin with a wildcard here: only the lists of its
  // first byte (with its second byte, or with any) and of names that begin
  // with a wildcard can hold a row that matches it.
  const auto first = static_cast<unsigned char>(probe[0]);
  // An empty probe has no second byte to read.
  const auto second = first != 0 ? static_cast<unsigned char>(probe[1]) : 0;
  const std::uint32_t wildRows = index.OtherRowsFirst('?');
  if (index.OtherRowsFirst(first) == 0 && wildRows == 0) return found;
  if (unlisted != nullptr) *unlisted = true;
  if (index.OtherRowsFirst(first) != 0) {
    if (IsWildcard(static_cast<char>(second))) return ScanRows(ctx, sheet, probe, kind);
    const std::uint16_t key = static_cast<std::uint16_t>(first << 8);
    found = std::max(found, LastMatch(ctx, sheet, index.OtherRows(key), probe, {}, kind, found));
    if (second != 0) {
      found = std::max(
          found, LastMatch(ctx, sheet, index.OtherRows(key | second), probe, {}, kind, found));
    }
  }
  if (wildRows == 0) return found;
  return std::max(found, LastMatch(ctx, sheet, index.OtherRows('?' << 8), probe, {}, kind, found));
}

// Debug builds scan sheets of up to this many rows to check the index.
[[maybe_unused]] constexpr int kScanChecked = 64;

// FindRow's search, from the index or, with the index off, by a scan.
int IndexedRow(Context& ctx, TDefine& sheet, const char* probe, int kind,
               bool* unlisted = nullptr) {
  if (!ctx.caches.On(kIndexCache)) return ScanRows(ctx, sheet, probe, kind, unlisted);
  const int found = RowFromIndex(ctx, sheet, probe, kind, unlisted);
  // (A search of one kind may analyse the rows it passes: only one of any
  // kind is checked.)
  assert(kind != 0 || sheet.RowCount() > kScanChecked || found == ScanRows(ctx, sheet, probe, 0));
  return found;
}

// ---- the lookup slots ---------------------------------------------------------
//
// FindDefinition answers a plain name from its slot (Caches::lookups) while
// no sheet or row changed: the answer depends on the name alone then.

// Whether the name from p to its end is one the memos answer for: no
// wildcard in it, and no byte after it that makes it part of a sheet
// qualifier ("a.zdf!x") or a wildcard.
bool IsMemoName(const char* p, const char* end) {
  if (HasWildcard(std::string_view(p, static_cast<std::size_t>(end - p)))) return false;
  switch (*end) {
    case '.':
    case '/':
    case ':':
    case '\\':
    case '!':
    case '?':
    case '#':
      return false;
    default:
      return true;
  }
}

// The end of the name at p when FindDefinition may remember its answer,
// otherwise nullptr.
const char* MemoNameEnd(const char* p) {
  if (!IsLetter(static_cast<unsigned char>(*p))) return nullptr;
  const char* end = EndOfName(p);
  return IsMemoName(p, end) ? end : nullptr;
}

// The newest row of a plain name (name..end) in the sheets, searched.
// `unlisted` is set when the answer may depend on more than the name.
DefinitionRef SearchPlainName(Context& ctx, const char* name, bool& unlisted) {
  auto& sheets = ctx.defines.sheets;
  for (auto it = sheets.rbegin(); it != sheets.rend(); ++it) {
    const int row = IndexedRow(ctx, **it, name, 0, &unlisted);
    if (row > 0) return DefinitionRef{it->get(), row};
  }
  return {};
}

[[maybe_unused]] bool SameRef(const DefinitionRef& a, const DefinitionRef& b) {
  return a.sheet == b.sheet && (a.sheet == nullptr || a.row == b.row);
}

// The newest row of a plain name (name..end) in any sheet, from its slot
// when it can answer. `byGeneration` (when given) is set when the answer
// holds while the store's generation does.
DefinitionRef FindPlainName(Context& ctx, const char* name, const char* end, bool* byGeneration) {
  const std::string_view key(name, static_cast<std::size_t>(end - name));
  Caches& caches = ctx.caches;
  LookupMemo& memo = LookupSlot(caches, key);
  if (memo.generation == caches.generation && SameText(memo.name, key)) {
    if (byGeneration != nullptr) *byGeneration = true;
    const DefinitionRef kept{memo.sheet, memo.row};
    assert([&] {
      bool unlisted = false;
      return SameRef(kept, SearchPlainName(ctx, name, unlisted)) && !unlisted;
    }());
    return kept;
  }
  bool unlisted = false;
  const DefinitionRef found = SearchPlainName(ctx, name, unlisted);
  if (!unlisted && caches.On(kLookupCache)) {
    memo.name.assign(key);
    memo.generation = caches.generation;
    memo.sheet = found.sheet;
    memo.row = found.row;
  }
  if (byGeneration != nullptr) *byGeneration = !unlisted;
  return found;
}

// The same kind, number (to the bit: -0 shows as such), unit and text.
bool SameValue(const Value& a, const Value& b) {
  return a.kind == b.kind &&
         std::bit_cast<std::uint64_t>(a.number) == std::bit_cast<std::uint64_t>(b.number) &&
         SameText(a.unit, b.unit) && SameText(a.text, b.text);
}

// Puts the definition's value into the row's value cell, in the Format in force.
void ShowValue(Context& ctx, TDefine& sheet, SheetRow& row) {
  row.cache.shown = row.definition->value;
  row.cache.format = InternFormat(ctx.caches, ctx.settings.format);
  row.cache.stamp = sheet.cache.forget.any;
}

bool CellForgotten(const TDefine& sheet, const SheetRow& row) {
  const ForgetCounters& counters = sheet.cache.forget;
  return row.definition &&
         row.cache.stamp <
             (row.definition->kind == VariableKind ? counters.variables : counters.any);
}

// A definition leaves its row: ForgetValues no longer reaches it. When
// nobody else holds it, it is kept for the next statement.
void Release(Context* ctx, std::shared_ptr<Definition> d) {
  if (!d) return;
  d->Settle();
  d->cache.forget = nullptr;
  if (ctx != nullptr) KeepSpare(ctx->caches, std::move(d));
}

// Frees the rows from the bottom up, the heading row staying (the sheet is
// going away).
void DropRows(TDefine& sheet) {
  while (sheet.rows.size() > 1) {
    Release(nullptr, std::move(sheet.rows.back().definition));
    sheet.rows.pop_back();
  }
}

// Attaches `d` to `row` and fills its cells from it.
void FillRow(Context& ctx, TDefine& sheet, int row, std::shared_ptr<Definition> d) {
  SheetRow& target = sheet.rows[static_cast<std::size_t>(row)];
  std::string& type = target.cells[TypeColumn];
  if (type != KindTypeText(d->kind)) type = KindTypeText(d->kind);
  std::string& name = target.cells[NameColumn];
  if (name != NameOf(*d) || !target.definition) {
    const std::string before = std::move(name);
    name = NameOf(*d);
    RowNamed(ctx.caches, sheet.cache, sheet.rows.size(), row, target.definition ? &before : nullptr,
             name);
  } else if (d->kind == ConversionKind || target.definition->kind == ConversionKind) {
    // A conversion replaced under its name (a factor may become a function):
    // what was found by way of it no longer holds.
    ForgetCaches(ctx.caches);
  }
  target.cells[TextColumn].clear();
  target.edited = false;
  target.madeByKeptLine = false;
  if (sheet.replacedRows != nullptr && target.definition) sheet.replacedRows->push_back(target.id);
  Release(&ctx, std::move(target.definition));
  JoinSheet(ctx.caches, sheet.cache, d->cache);
  target.definition = std::move(d);
  ShowValue(ctx, sheet, target);
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

void Definition::Reset(std::string_view definitionText) {
  kind = NotAnalysed;
  flags = 0;
  nameStart = nameEnd = argsStart = headEnd = bodyStart = 0;
  commentStart = unitStart = unitEnd = length = 0;
  value.kind = ValueKind::Undefined;
  value.number = 0;
  value.unit.clear();
  value.text.assign(kNotAnalysedText);
  text.assign(definitionText);
  evaluating = false;
  cache.Reset();
}

std::string Definition::Name() const { return std::string(NameOf(*this)); }
std::string Definition::Head() const { return std::string(Slice(text, 0, headEnd)); }
std::string Definition::Comment() const {
  if (cache.textPending) return cache.pendingComment;
  if (!HasComment()) return "";
  return std::string(Slice(text, commentStart, static_cast<std::int32_t>(text.size())));
}
std::string Definition::Unit() {
  if (cache.textPending) Text();
  return unitStart > 0 ? std::string(Slice(text, unitStart, unitEnd)) : "";
}

void Definition::SetValue(const Value& v) {
  value = v;
  StampValue(cache);
}

void Definition::SetTagged(ValueKind valueKind, const char* valueText) {
  value.kind = valueKind;
  value.number = 0;
  value.unit.clear();
  value.text.assign(valueText);
  StampValue(cache);
}

void Definition::Forget() { SetTagged(ValueKind::Undefined, kForgottenText); }

std::shared_ptr<Definition> NewDefinition(Context& ctx, std::string_view text) {
  std::shared_ptr<Definition> d = TakeSpare(ctx.caches);
  if (!d) return std::make_shared<Definition>(std::string(text));
  d->Reset(text);
  return d;
}

// ---- Sheets -----------------------------------------------------------------

TDefine::TDefine() {
  SheetRow heading;
  for (int i = 0; i < kColumnCount; ++i)
    heading.cells[static_cast<std::size_t>(i)] = kHeadingTexts[static_cast<std::size_t>(i)];
  rows.push_back(std::move(heading));
  rows.push_back(EmptyRow());
}

TDefine::~TDefine() { DropRows(*this); }

TDefines::TDefines() = default;

TDefines::~TDefines() {
  // The sheets go from the last to the first, each freeing its rows from
  // the bottom up.
  while (!sheets.empty()) {
    DropRows(*sheets.back());
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
  ForgetCaches(ctx.caches);
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
  DropRows(sheet);
  sheets.erase(sheets.begin() + index);
  ForgetCaches(ctx.caches);
  if (wasCurrent) ctx.observer->CurrentSheetChanged(*ctx.defines.current);
  return true;
}

// ---- Rows -------------------------------------------------------------------

std::shared_ptr<Definition> DefinitionForUse(const TDefine& sheet, int row) {
  if (row < 0 || row >= sheet.RowCount()) return nullptr;
  const std::shared_ptr<Definition>& d = sheet.rows[static_cast<std::size_t>(row)].definition;
  if (d) d->Settle();
  return d;
}

std::shared_ptr<Definition> DefinitionAt(const TDefine& sheet, int row) {
  std::shared_ptr<Definition> d = DefinitionForUse(sheet, row);
  if (d) d->Text();
  return d;
}

void ShowRowValue(Context& ctx, TDefine& sheet, int row) {
  ShowRowValue(ctx, sheet, row, sheet.rows[static_cast<std::size_t>(row)]);
}

void ShowRowValue(Context& ctx, TDefine& sheet, int row, SheetRow& r) {
  // A variable read in a loop: its cell shows this value already.
  if (!r.edited && r.cache.stamp == sheet.cache.forget.any &&
      r.cache.format == InternFormat(ctx.caches, ctx.settings.format) &&
      SameValue(r.cache.shown, r.definition->value)) {
    return;
  }
  ShowValue(ctx, sheet, r);
  r.edited = false;
  ctx.observer->RowsChanged(sheet, row, row);
}

std::string SheetCellText(const TDefine& sheet, int row, int column) {
  if (row < 0 || row >= sheet.RowCount() || column < 0 || column >= kColumnCount) return {};
  const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
  if (column == ValueColumn && r.cache.format != nullptr) {
    if (CellForgotten(sheet, r)) return kForgottenText;
    return ValueText(r.cache.shown, *r.cache.format);
  }
  if (column == TextColumn && r.definition && !r.edited) return r.definition->Text();
  return r.cells[static_cast<std::size_t>(column)];
}

bool CellEdited(const TDefine& sheet, int row) {
  if (row < 1 || row >= sheet.RowCount()) return false;
  const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
  if (!r.definition) return !r.cells[TextColumn].empty();
  return r.edited && r.cells[TextColumn] != r.definition->Text();
}

std::string TakeEditedCellText(TDefine& sheet, int row) {
  if (row < 1 || row >= sheet.RowCount()) return {};
  SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
  std::string text = std::move(r.cells[TextColumn]);
  r.cells[TextColumn].clear();
  r.edited = false;
  return text;
}

void SetEditedCellText(TDefine& sheet, int row, std::string text) {
  if (row < 1 || row >= sheet.RowCount()) return;
  SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
  r.cells[TextColumn] = std::move(text);
  r.edited = true;
}

int FindRow(Context& ctx, TDefine& sheet, const char*& cursor, int kind) {
  int found;
  const char* memoEnd = kind == 0 ? MemoNameEnd(cursor) : nullptr;
  if (memoEnd != nullptr) {
    // A variable stored again and again (a loop's "s<s+i") asks for its own
    // row each time: the answer for a plain name is kept while nothing moved.
    const std::string_view key(cursor, static_cast<std::size_t>(memoEnd - cursor));
    LookupMemo& memo = sheet.cache.rowMemo;
    const std::uint64_t generation = ctx.caches.generation;
    if (memo.generation == generation && SameText(memo.name, key)) {
      found = memo.row;
      assert(found == IndexedRow(ctx, sheet, cursor, 0));
    } else {
      bool unlisted = false;
      found = IndexedRow(ctx, sheet, cursor, 0, &unlisted);
      if (!unlisted && ctx.caches.On(kRowMemoCache)) {
        memo.name.assign(key);
        memo.generation = generation;
        memo.row = found;
      }
    }
  } else {
    found = IndexedRow(ctx, sheet, cursor, kind);
  }
  SkipBlanks(cursor);
  return found;
}

DefinitionRef FindDefinitionAt(Context& ctx, const char*& cursor, const char* nameEnd,
                               bool* byGeneration) {
  if (byGeneration != nullptr) *byGeneration = false;
  if (IsLetter(static_cast<unsigned char>(*cursor)) && IsMemoName(cursor, nameEnd)) {
    return FindPlainName(ctx, cursor, nameEnd, byGeneration);
  }
  return FindDefinition(ctx, cursor, 0);
}

DefinitionRef FindDefinition(Context& ctx, const char*& cursor, int kind) {
  SkipBlanks(cursor);
  const char* memoEnd = kind == 0 ? MemoNameEnd(cursor) : nullptr;
  if (memoEnd != nullptr) return FindPlainName(ctx, cursor, memoEnd, nullptr);
  const char* name = cursor;
  const char* p = cursor;
  const std::string_view qualifier = ReadWordView(p);
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

int PlaceDefinition(Context& ctx, TDefine& sheet, std::shared_ptr<Definition> definition,
                    const Value& assigned) {
  if (!definition) return -1;
  Definition& d = *definition;
  if (d.kind == NotAnalysed) AnalyseDefinition(ctx, d);
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
      RewriteVariable(ctx, d, assigned, d.Name(), comment, true);
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
    sheet.rows.emplace_back();
    sheet.cache.index.RowAdded(sheet.rows.size() - 1);
    row = sheet.RowCount() - 2;
    sheet.rows[static_cast<std::size_t>(row)].id = ++sheet.lastRowId;
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

int AssignInPlace(Context& ctx, TDefine& sheet, const std::string& statement, std::string_view name,
                  const Value& assigned) {
  // Only where PlaceDefinition would write the value out later (RewriteVariable).
  if (!ctx.caches.On(kAssignCache) || !ctx.caches.On(kTextCache) || !assigned.IsNumber() ||
      assigned.unit.find_first_of(";'") != std::string::npos ||
      assigned.text.find_first_of(";'") != std::string::npos) {
    return 0;
  }
  const char* probe = statement.c_str();
  const int row = FindRow(ctx, sheet, probe, 0);
  if (row <= 0) return 0;
  SheetRow& target = sheet.rows[static_cast<std::size_t>(row)];
  // The new definition would take the old one's row and name as they are,
  // and nobody would see the old one again.
  if (!target.definition || target.definition.use_count() != 1) return 0;
  Definition& d = *target.definition;
  if (d.kind != VariableKind || d.flags != static_cast<std::uint32_t>(VariableKind) ||
      d.HasComment() || target.cells[NameColumn] != name) {
    return 0;
  }
  RewriteVariable(ctx, d, assigned, name, {}, true);
  ForgetValues(ctx, sheet, false);
  // FillRow, with the definition let go and joined again.
  target.cells[TextColumn].clear();
  target.edited = false;
  target.madeByKeptLine = false;
  if (sheet.replacedRows != nullptr) sheet.replacedRows->push_back(target.id);
  d.cache.forget = nullptr;
  JoinSheet(ctx.caches, sheet.cache, d.cache);
  ShowValue(ctx, sheet, target);
  Touch(sheet);
  ctx.defines.watchRefreshNeeded = true;
  ctx.observer->RowsChanged(sheet, row, row);
  return row;
}

void DeleteRow(Context& ctx, TDefine& sheet, int row) {
  if (!sheet.IsDefinitionRow(row)) return;
  // The kept lines that followed the row follow the row above it now.
  const std::uint64_t id = sheet.rows[static_cast<std::size_t>(row)].id;
  const std::uint64_t above = sheet.rows[static_cast<std::size_t>(row - 1)].id;
  for (KeptLine& kept : sheet.keptLines) {
    if (kept.place == KeptPlace::Definitions && kept.afterRow == id) kept.afterRow = above;
  }
  std::shared_ptr<Definition> d = std::move(sheet.rows[static_cast<std::size_t>(row)].definition);
  sheet.rows.erase(sheet.rows.begin() + row);
  ForgetCaches(ctx.caches, &sheet.cache);
  Release(&ctx, std::move(d));
  Touch(sheet);
  ctx.observer->RowsRemoved(sheet, row, 1);
}

void InsertRow(Context& ctx, TDefine& sheet, int row) {
  if (row < 1 || row > sheet.RowCount() - 1) return;
  sheet.rows.insert(sheet.rows.begin() + row, EmptyRow());
  sheet.rows[static_cast<std::size_t>(row)].id = ++sheet.lastRowId;
  ForgetCaches(ctx.caches, &sheet.cache);
  Touch(sheet);
  ctx.observer->RowsInserted(sheet, row, 1);
}

void ForgetValues(Context& ctx, TDefine& sheet, bool includeVariables) {
  if (ctx.settings.trace >= TraceLevel::Command) {
    ScreenOut(ctx, ChannelTrace, includeVariables ? "FORGET(1)" : "FORGET(0)");
  }
  // Each row's value cell takes this in when next looked at, and with the
  // cache on each row's definition too.
  if (!ForgetLater(ctx.caches, sheet.cache, includeVariables)) {
    for (int row = 1; row <= sheet.RowCount() - 2; ++row) {
      Definition* d = sheet.rows[static_cast<std::size_t>(row)].definition.get();
      if (d != nullptr && (includeVariables || d->kind != VariableKind)) d->Forget();
    }
  }
  ctx.observer->ValuesForgotten(sheet);
}

bool ValueCellForgottenSince(const TDefine& sheet, int row, const ForgetCounters& seen) {
  if (!sheet.IsDefinitionRow(row)) return false;
  const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
  if (r.cache.format == nullptr || !CellForgotten(sheet, r)) return false;
  const bool variable = r.definition->kind == VariableKind;
  return r.cache.stamp >= (variable ? seen.variables : seen.any);
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
