// The definition store: sheets of definition rows, name lookup across and
// within sheets, storing a definition with its replacement rules, deleting
// and inserting rows, forgetting cached values and the resumable row search.
#include "definitions/store.h"

#include <algorithm>
#include <bit>
#include <span>
#include <utility>

#include "host/context.h"
#include "definitions/statements.h"
#include "base/scan.h"
#include "base/sjis_literal.h"

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

void TellRowsChanged(Context& ctx, TDefine& sheet, int first, int last) {
  if (first <= last) ctx.observer->RowsChanged(sheet, first, last);
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
// For a probe whose name (its run of name characters, double-byte
// characters whole) is K and which does not go on with a wildcard, MatchName
// accepts exactly the plain stored names equal to K: so the index answers
// for all plain names at once, and only the other rows are matched one by one.

bool IsWildcard(char c) { return c == '?' || c == '#'; }

bool HasWildcard(std::string_view text) {
  for (char c : text) {
    if (IsWildcard(c)) return true;
  }
  return false;
}

// A stored name that the index can answer for: name characters only, no
// wildcard byte (a trail byte may be one), and no lead byte left alone at the
// end (it would pair with the probe's next byte).
bool IsPlainName(std::string_view name) {
  if (name.empty() || HasWildcard(name)) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!IsNameChar(c)) return false;
    if (IsLeadByte(c)) {
      if (i + 1 == name.size()) return false;
      ++i;
    }
  }
  return true;
}

// The key of the list that holds a non-plain stored name: its first byte
// ('?' for a wildcard) and, when a probe must have it there to match, its
// second byte (0 for any). A probe that begins with a byte other than a
// wildcard matches the name only when it begins with the same byte, and goes
// on with the same second byte unless either side has a wildcard there (a
// lead byte is compared with its trail byte, which is never a wildcard).
std::uint16_t OthersKey(std::string_view name) {
  const auto first = static_cast<unsigned char>(name[0]);
  if (IsWildcard(name[0])) return '?' << 8;
  const char second = name.size() >= 2 ? name[1] : '\0';
  return static_cast<std::uint16_t>(first << 8 |
                                    (IsWildcard(second) ? 0 : static_cast<unsigned char>(second)));
}

void IndexAdd(NameIndex& index, const std::string& name, int row) {
  if (IsPlainName(name)) {
    index.byName[name].Insert(row);
    return;
  }
  const std::uint16_t key = OthersKey(name);
  std::vector<int>& list = index.others[key];
  list.insert(std::upper_bound(list.begin(), list.end(), row), row);
  ++index.othersByFirstByte[key >> 8];
}

void IndexRemove(NameIndex& index, const std::string& name, int row) {
  if (IsPlainName(name)) {
    auto it = index.byName.find(std::string_view(name));
    if (it != index.byName.end()) it->second.Erase(row);
    return;
  }
  const std::uint16_t key = OthersKey(name);
  auto it = index.others.find(key);
  if (it == index.others.end()) return;
  std::vector<int>& list = it->second;
  auto at = std::lower_bound(list.begin(), list.end(), row);
  if (at != list.end() && *at == row) {
    list.erase(at);
    --index.othersByFirstByte[key >> 8];
  }
}

// The rows of non-plain names listed under `key`; empty when there are none.
std::span<const int> OthersAt(const NameIndex& index, std::uint16_t key) {
  auto it = index.others.find(key);
  if (it == index.others.end()) return {};
  return it->second;
}

void RebuildIndex(TDefine& sheet) {
  NameIndex& index = sheet.nameIndex;
  index.Clear();
  index.byName.reserve(sheet.rows.size());
  index.others.clear();
  index.othersByFirstByte.fill(0);
  for (int row = 1; row <= sheet.RowCount() - 2; ++row) {
    const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
    if (r.definition && !r.cells[NameColumn].empty()) IndexAdd(index, r.cells[NameColumn], row);
  }
  index.valid = true;
  index.rowCount = sheet.rows.size();
}

NameIndex& UsableIndex(TDefine& sheet) {
  if (!sheet.nameIndex.valid || sheet.nameIndex.rowCount != sheet.rows.size()) RebuildIndex(sheet);
  return sheet.nameIndex;
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

int ScanRows(Context& ctx, TDefine& sheet, const char* probe, int kind) {
  for (int row = sheet.RowCount() - 2; row >= 1; --row) {
    if (RowMatches(ctx, sheet.rows[static_cast<std::size_t>(row)], probe, kind)) return row;
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
    if (!r.definition || r.cells[NameColumn] != plainName) continue;
    if (kind != 0) {
      if (r.definition->kind == NotAnalysed) AnalyseDefinition(ctx, *r.definition);
      if (r.definition->kind != kind) continue;
    }
    return *it;
  }
  return -1;
}

// `unlisted` is set when a row of a name that is not plain was matched one
// by one (whether that row matches may depend on more than the probe's name).
int IndexedRow(Context& ctx, TDefine& sheet, const char* probe, int kind, bool* unlisted = nullptr) {
  const char* end = EndOfName(probe);
  const std::string_view name(probe, static_cast<std::size_t>(end - probe));
  if (IsWildcard(*end) || HasWildcard(name)) {
    return ScanRows(ctx, sheet, probe, kind);
  }
  NameIndex& index = UsableIndex(sheet);
  int found = -1;
  if (!name.empty()) {
    auto it = index.byName.find(name);
    // Analysing a row may store nothing, so the list stays as it is.
    if (it != index.byName.end()) found = LastMatch(ctx, sheet, it->second, probe, name, kind, 0);
  }
  // The probe does not begin with a wildcard here: only the lists of its
  // first byte (with its second byte, or with any) and of names that begin
  // with a wildcard can hold a row that matches it.
  const auto first = static_cast<unsigned char>(probe[0]);
  // An empty probe has no second byte to read.
  const auto second = first != 0 ? static_cast<unsigned char>(probe[1]) : 0;
  const std::uint32_t wildRows = index.othersByFirstByte['?'];
  if (index.othersByFirstByte[first] == 0 && wildRows == 0) return found;
  if (unlisted != nullptr) *unlisted = true;
  if (index.othersByFirstByte[first] != 0) {
    if (IsWildcard(static_cast<char>(second))) return ScanRows(ctx, sheet, probe, kind);
    const std::uint16_t key = static_cast<std::uint16_t>(first << 8);
    found = std::max(found, LastMatch(ctx, sheet, OthersAt(index, key), probe, {}, kind, found));
    if (second != 0) {
      found = std::max(
          found, LastMatch(ctx, sheet, OthersAt(index, key | second), probe, {}, kind, found));
    }
  }
  if (wildRows == 0) return found;
  return std::max(found, LastMatch(ctx, sheet, OthersAt(index, '?' << 8), probe, {}, kind, found));
}

// ---- the lookup memo ----------------------------------------------------------
//
// FindDefinition answers a plain name from its memo while no sheet or row
// changed: the answer depends on the name alone then.

// Whether the name from p to its end is one the memos answer for: no
// wildcard in it, and no byte after it that makes it part of a sheet
// qualifier ("a.zdf!x") or a wildcard.
bool IsMemoName(const char* p, const char* end) {
  if (HasWildcard(std::string_view(p, static_cast<std::size_t>(end - p)))) return false;
  switch (*end) {
    case '.': case '/': case ':': case '\\': case '!': case '?': case '#':
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

LookupMemo& MemoFor(TDefines& store, std::string_view name) {
  const auto first = static_cast<unsigned char>(name.front());
  const auto last = static_cast<unsigned char>(name.back());
  const std::size_t slot = (name.size() * 31 + first * 7 + last) % TDefines::kLookupMemos;
  return store.lookups[slot];
}

// A change of what lookups can find: every remembered answer is void.
void LayoutChanged(Context& ctx) { ++ctx.defines.layout; }

// The newest row of a plain name (name..end) in any sheet, from the memo
// when it can answer.
// `byLayout` (when given) is set when the answer holds while the layout does.
DefinitionRef FindPlainName(Context& ctx, const char* name, const char* end, bool* byLayout) {
  const std::string_view key(name, static_cast<std::size_t>(end - name));
  TDefines& store = ctx.defines;
  LookupMemo& memo = MemoFor(store, key);
  if (memo.layout == store.layout && SameText(memo.name, key)) {
    if (byLayout != nullptr) *byLayout = true;
    return DefinitionRef{memo.sheet, memo.row};
  }
  DefinitionRef found;
  bool unlisted = false;
  for (auto it = store.sheets.rbegin(); it != store.sheets.rend() && !found; ++it) {
    const int row = IndexedRow(ctx, **it, name, 0, &unlisted);
    if (row > 0) found = DefinitionRef{it->get(), row};
  }
  if (!unlisted) {
    memo.name.assign(key);
    memo.layout = store.layout;
    memo.sheet = found.sheet;
    memo.row = found.row;
  }
  if (byLayout != nullptr) *byLayout = !unlisted;
  return found;
}

// The Format in force, as kept by the store for the value cells.
const std::string* ShownFormat(Context& ctx) {
  TDefines& store = ctx.defines;
  if (store.shownFormat == nullptr || !SameText(*store.shownFormat, ctx.settings.format)) {
    store.shownFormat = &*store.formats.insert(ctx.settings.format).first;
  }
  return store.shownFormat;
}

// The same kind, number (to the bit: -0 shows as such), unit and text.
bool SameValue(const Value& a, const Value& b) {
  return a.kind == b.kind &&
         std::bit_cast<std::uint64_t>(a.number) == std::bit_cast<std::uint64_t>(b.number) &&
         SameText(a.unit, b.unit) && SameText(a.text, b.text);
}

// Puts the definition's value into the row's value cell, in the Format in force.
void ShowValue(Context& ctx, TDefine& sheet, SheetRow& row) {
  row.shown = row.definition->value;
  row.shownFormat = ShownFormat(ctx);
  row.shownStamp = sheet.forgetCounters.any;
}

bool CellForgotten(const TDefine& sheet, const SheetRow& row) {
  const ForgetCounters& counters = sheet.forgetCounters;
  return row.definition &&
         row.shownStamp <
             (row.definition->kind == VariableKind ? counters.variables : counters.any);
}

// A definition leaves its row: ForgetValues no longer reaches it. When
// nobody else holds it, it is kept for the next statement.
void Release(Context* ctx, std::shared_ptr<Definition> d) {
  if (!d) return;
  d->Settle();
  d->forget = nullptr;
  if (ctx != nullptr && d.use_count() == 1) ctx->defines.spare = std::move(d);
}

// Frees the rows from the bottom up, the heading row staying.
void DropRows(TDefine& sheet) {
  while (sheet.rows.size() > 1) {
    Release(nullptr, std::move(sheet.rows.back().definition));
    sheet.rows.pop_back();
  }
  sheet.nameIndex.valid = false;
}

// Attaches `d` to `row` and fills its cells from it.
void FillRow(Context& ctx, TDefine& sheet, int row, std::shared_ptr<Definition> d) {
  SheetRow& target = sheet.rows[static_cast<std::size_t>(row)];
  std::string& type = target.cells[TypeColumn];
  if (type != KindTypeText(d->kind)) type = KindTypeText(d->kind);
  std::string& name = target.cells[NameColumn];
  if (name != NameOf(*d) || !target.definition) {
    LayoutChanged(ctx);
    NameIndex& index = sheet.nameIndex;
    const bool indexed = index.valid && index.rowCount == sheet.rows.size();
    if (indexed && target.definition && !name.empty()) IndexRemove(index, name, row);
    name = NameOf(*d);
    if (indexed && !name.empty()) IndexAdd(index, name, row);
  }
  target.cells[TextColumn].clear();
  target.edited = false;
  target.madeByKeptLine = false;
  if (sheet.replacedRows != nullptr && target.definition) sheet.replacedRows->push_back(target.id);
  Release(&ctx, std::move(target.definition));
  d->forget = &sheet.forgetCounters;
  d->valueStamp = sheet.forgetCounters.any;
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

// ---- the name index ------------------------------------------------------------

void RowList::Insert(int row) {
  if (!heap_ && size_ < kInline) {
    auto at = std::upper_bound(inline_.begin(), inline_.begin() + size_, row);
    std::copy_backward(at, inline_.begin() + size_, inline_.begin() + size_ + 1);
    *at = row;
    ++size_;
    return;
  }
  if (!heap_) heap_ = std::make_unique<std::vector<int>>(inline_.begin(), inline_.begin() + size_);
  heap_->insert(std::upper_bound(heap_->begin(), heap_->end(), row), row);
}

void RowList::Erase(int row) {
  if (heap_) {
    auto at = std::lower_bound(heap_->begin(), heap_->end(), row);
    if (at != heap_->end() && *at == row) heap_->erase(at);
    return;
  }
  auto end = inline_.begin() + size_;
  auto at = std::lower_bound(inline_.begin(), end, row);
  if (at == end || *at != row) return;
  std::copy(at + 1, end, at);
  --size_;
}

void NameIndex::Clear() {
  std::destroy_at(&byName);
  names.release();
  std::construct_at(&byName, &names);
}

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
  bodyMemo.reset();
  forget = nullptr;
  valueStamp = 0;
  textPending = false;
  pendingComment.clear();
}

std::string Definition::Name() const { return std::string(NameOf(*this)); }
std::string Definition::Head() const { return std::string(Slice(text, 0, headEnd)); }
std::string Definition::Comment() const {
  if (textPending) return pendingComment;
  if (!HasComment()) return "";
  return std::string(Slice(text, commentStart, static_cast<std::int32_t>(text.size())));
}
std::string Definition::Unit() {
  if (textPending) Text();
  return unitStart > 0 ? std::string(Slice(text, unitStart, unitEnd)) : "";
}

void Definition::SetValue(const Value& v) {
  value = v;
  valueStamp = forget != nullptr ? forget->any : 0;
}

void Definition::SetTagged(ValueKind valueKind, const char* valueText) {
  value.kind = valueKind;
  value.number = 0;
  value.unit.clear();
  value.text.assign(valueText);
  valueStamp = forget != nullptr ? forget->any : 0;
}

void Definition::Forget() { SetTagged(ValueKind::Undefined, kForgottenText); }

std::shared_ptr<Definition> NewDefinition(Context& ctx, std::string_view text) {
  std::shared_ptr<Definition> d = std::move(ctx.defines.spare);
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
  LayoutChanged(ctx);
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
  LayoutChanged(ctx);
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
  if (!r.edited && r.shownStamp == sheet.forgetCounters.any && r.shownFormat == ShownFormat(ctx) &&
      SameValue(r.shown, r.definition->value)) {
    return;
  }
  ShowValue(ctx, sheet, r);
  r.edited = false;
  ctx.observer->RowsChanged(sheet, row, row);
}

std::string SheetCellText(const TDefine& sheet, int row, int column) {
  if (row < 0 || row >= sheet.RowCount() || column < 0 || column >= kColumnCount) return {};
  const SheetRow& r = sheet.rows[static_cast<std::size_t>(row)];
  if (column == ValueColumn && r.shownFormat != nullptr) {
    if (CellForgotten(sheet, r)) return kForgottenText;
    return ValueText(r.shown, *r.shownFormat);
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
    LookupMemo& memo = sheet.rowMemo;
    const std::uint64_t layout = ctx.defines.layout;
    if (memo.layout == layout && SameText(memo.name, key)) {
      found = memo.row;
    } else {
      bool unlisted = false;
      found = IndexedRow(ctx, sheet, cursor, 0, &unlisted);
      if (!unlisted) {
        memo.name.assign(key);
        memo.layout = layout;
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
                               bool* byLayout) {
  if (byLayout != nullptr) *byLayout = false;
  if (IsLetter(static_cast<unsigned char>(*cursor)) && IsMemoName(cursor, nameEnd)) {
    return FindPlainName(ctx, cursor, nameEnd, byLayout);
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
    NameIndex& index = sheet.nameIndex;
    const bool indexed = index.valid && index.rowCount == sheet.rows.size();
    sheet.rows.emplace_back();
    row = sheet.RowCount() - 2;
    sheet.rows[static_cast<std::size_t>(row)].id = ++sheet.lastRowId;
    if (indexed) index.rowCount = sheet.rows.size();
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
  // The kept lines that followed the row follow the row above it now.
  const std::uint64_t id = sheet.rows[static_cast<std::size_t>(row)].id;
  const std::uint64_t above = sheet.rows[static_cast<std::size_t>(row - 1)].id;
  for (KeptLine& kept : sheet.keptLines) {
    if (kept.place == KeptPlace::Definitions && kept.afterRow == id) kept.afterRow = above;
  }
  std::shared_ptr<Definition> d = std::move(sheet.rows[static_cast<std::size_t>(row)].definition);
  sheet.rows.erase(sheet.rows.begin() + row);
  sheet.nameIndex.valid = false;
  LayoutChanged(ctx);
  Release(&ctx, std::move(d));
  Touch(sheet);
  ctx.observer->RowsRemoved(sheet, row, 1);
}

void InsertRow(Context& ctx, TDefine& sheet, int row) {
  if (row < 1 || row > sheet.RowCount() - 1) return;
  sheet.rows.insert(sheet.rows.begin() + row, EmptyRow());
  sheet.rows[static_cast<std::size_t>(row)].id = ++sheet.lastRowId;
  sheet.nameIndex.valid = false;
  LayoutChanged(ctx);
  Touch(sheet);
  ctx.observer->RowsInserted(sheet, row, 1);
}

void ForgetValues(Context& ctx, TDefine& sheet, bool includeVariables) {
  if (ctx.settings.trace >= TraceLevel::Command) {
    ScreenOut(ctx, ChannelTrace, includeVariables ? "FORGET(1)" : "FORGET(0)");
  }
  // Each row's definition and value cell take this in when next looked at.
  ForgetCounters& counters = sheet.forgetCounters;
  ++counters.any;
  if (includeVariables) counters.variables = counters.any;
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
