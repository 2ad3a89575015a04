// The definition store: every user definition as a Definition record, held
// in the rows of a definition sheet (TDefine), and the list of sheets
// (TDefines) in creation order. Lookups run newest first: the last sheet
// before earlier ones, the bottom row of a sheet before the rows above it.
//
// The row model is what the sheet window shows: row 0 is the heading row,
// rows 1 to RowCount() - 2 hold definitions and the last row is always empty
// for new input. Each definition row has four cells (type text, name, value
// text, definition text) and owns the Definition attached to it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/sjis_literal.h"
#include "base/value.h"
#include "cache/caches.h"
#include "host/layout.h"
#include "platform/files.h"

namespace zemu {

struct Context;

// What a definition text defines. Kinds 256 and up are never stored.
enum DefinitionKind : std::int32_t {
  NotAnalysed = 0,
  FunctionKind = 1,      // name(parameters)=formula, name=formula
  DescriptionKind = 8,   // digits=text
  VariableKind = 32,     // name<formula
  ProcedureKind = 64,    // name>statements
  ConversionKind = 128,  // [unit1][unit2]=formula, [prefix]]=formula
  FormulaKind = 256,     // any other text
  CommandKind = 512,     // text that begins with a period
  ShowKind = 1024,       // name= followed by nothing
};

// Flag bits besides the kind values.
inline constexpr std::uint32_t MarkBang = 8192;    // the text began with !
inline constexpr std::uint32_t MarkWatch = 16384;  // the text began with $ (watched)

// A search mask that selects every analysed definition.
inline constexpr std::uint32_t kAnyFlags = 0xFFFFFFFFu;

// The type text of the sheet's first column for a kind; empty for the kinds
// that are never stored.
const char* KindTypeText(std::int32_t kind);

// One user definition: its text as typed (or as rewritten with a variable's
// value), its classification and its cached value. All offsets are byte
// offsets into `text`; AnalyseDefinition (definitions/statements.h) fills them.
//
// A variable assigned again and again (a loop) may leave its value to be
// written out into its text when something reads it (DefinitionCache): the
// text holds the head and "<" meanwhile (so Name() and Head() stand), and
// Text() writes the rest out. The store hands definitions out through
// DefinitionAt with their text written out.
struct Definition {
  explicit Definition(std::string definitionText);
  // Makes this a fresh definition of `definitionText` (as the constructor
  // does), keeping the memory it holds.
  void Reset(std::string_view definitionText);

  std::int32_t kind = NotAnalysed;
  std::uint32_t flags = 0;        // the kind's value and the marks; bits are only ever added
  std::int32_t nameStart = 0;     // where the name begins, after any marks
  std::int32_t nameEnd = 0;       // just after the name (a description: its =)
  std::int32_t argsStart = 0;     // the ( of the parameter list; 0 when none
  std::int32_t headEnd = 0;       // just after the left-hand side
  std::int32_t bodyStart = 0;     // where the right-hand side begins; 0 for a formula
  std::int32_t commentStart = 0;  // the ' that opens the comment; 0 when none
  std::int32_t unitStart = 0;     // the [ of the declared unit; 0 when none
  std::int32_t unitEnd = 0;       // just after the ] of the declared unit
  std::int32_t length = 0;        // the statement's length; 0 until analysed
  Value value;                    // cached; Undefined or Error means "compute again"
  std::string text;               // see Text()
  bool evaluating = false;        // a variable's right-hand side is being evaluated
  DefinitionCache cache;          // kept by the store and the evaluator

  std::string Name() const;     // nameStart..nameEnd
  std::string Head() const;     // the first headEnd bytes (marks, name, parameters, unit)
  std::string Comment() const;  // commentStart to the end; empty without a comment
  std::string Unit();           // the declared unit with its brackets; empty without one
  bool HasComment() const {
    return cache.textPending ? !cache.pendingComment.empty() : commentStart > 0;
  }
  bool HasValidValue() {
    Settle();
    return value.kind == ValueKind::Number;
  }
  // The whole text, a pending rewrite written out first.
  const std::string& Text();
  // Sets the cached value as of now.
  void SetValue(const Value& v);
  // The same for an Undefined or Error value with its text.
  void SetTagged(ValueKind valueKind, const char* valueText);
  // Takes in a ForgetValues of the sheet not seen yet: the value becomes
  // "再計算" (Undefined).
  void Settle() {
    if (ValueForgotten(cache, kind == VariableKind)) Forget();
  }
  // The value becomes "再計算" at once.
  void Forget();
};

// The cached-value texts of a definition that holds no number.
inline constexpr const char* kNotAnalysedText = "解析前"_sj;
inline constexpr const char* kNotComputedText = "計算前"_sj;
inline constexpr const char* kForgottenText = "再計算"_sj;
inline constexpr const char* kDependsOnArgsText = "引数次第"_sj;

// Cell columns of a sheet row.
enum SheetColumn : int { TypeColumn = 0, NameColumn = 1, ValueColumn = 2, TextColumn = 3 };
inline constexpr int kColumnCount = 4;

// The heading row's cells.
inline constexpr std::array<const char*, kColumnCount> kHeadingTexts = {"タイプ"_sj, "名前"_sj,
                                                                        "値"_sj, "定義"_sj};

// A row of a sheet. Of a definition row, the value and definition cells
// are made when read (SheetCellText): the value cell from the value shown
// and the Format that was in force when it was put there (RowCache), the
// definition cell from the definition's text unless the sheet's editor put
// a text there.
struct SheetRow {
  // Type and name; the value cell's text where cache.format is null (the
  // heading row); the definition cell's text where there is no definition
  // or `edited` is set.
  std::array<std::string, kColumnCount> cells;
  // Owned by the row. Shared only so that a definition being evaluated stays
  // alive when the evaluation redefines or deletes its own row.
  std::shared_ptr<Definition> definition;
  RowCache cache;       // the value cell
  bool edited = false;  // cells[TextColumn] holds the editor's text
  // Names the row for as long as it stands, whatever definition it holds and
  // wherever it moves; 0 for the heading and the empty last row.
  std::uint64_t id = 0;
  // The row was made by a kept line of the sheet's file, which makes it
  // again at every loading: the save writes no line of its own for it until
  // another statement defines it anew.
  bool madeByKeptLine = false;
};

// Where a kept line of a sheet's file stands: in a layout section, or among
// the definitions.
enum class KeptPlace : std::uint8_t { MainForm, DefineForm, Definitions };

// A line of a sheet's file that no row writes back (a statement other than a
// definition, a line too long to run, a comment, a line the loading did not
// reach): the save writes it back as it was read, in its place.
struct KeptLine {
  KeptPlace place = KeptPlace::Definitions;
  std::uint64_t afterRow = 0;  // among the definitions: the id of the row it follows; 0 first
  std::string text;            // its physical lines whole, joined by CR LF
  // Rows that stood before the line and that it defined anew when it ran:
  // the save writes their lines again after it, so that at the next loading
  // the line does not undo what came later.
  std::vector<std::uint64_t> redefines;
};

// The file a sheet was read from or last written to, as it was then.
struct SheetSource {
  FileStamp stamp;        // does not exist: no file was read or written under the name
  bool unread = false;    // the file exists but was refused: the sheet holds none of it
  std::string unreadWhy;  // what was wrong with it (Shift-JIS)
};

// The resumable scan of SearchRows/SearchNext.
struct RowSearch {
  int row = -1;  // the last row returned; -1 when no search is running
  std::string pattern;
  std::uint32_t mask = 0;
};

// A definition sheet: its rows, its name and title, and its modified flag.
// Its rows' definitions point at its forget counters, so a sheet stays
// where it was made.
struct TDefine {
  TDefine();
  ~TDefine();
  TDefine(const TDefine&) = delete;
  TDefine& operator=(const TDefine&) = delete;

  // Heading row, definition rows, empty last row. A deque: loading a large
  // file adds rows without moving the ones before.
  std::deque<SheetRow> rows;
  std::string name;               // the file it was loaded from or will be saved to
  std::string title;              // the sheet window's title
  bool named = false;             // the name came from a file or the save dialog
  bool modified = false;          // set by every change of a row
  bool deferred = false;          // opened at start-up, its file not read yet (LoadDeferredSheets)
  std::uint64_t changeCount = 0;  // counts the changes that set modified; reading a value is none
  RowSearch search;
  SheetLayout layout;               // window place, column widths, font, shown
  SheetSource source;               // the file behind `name`, as read or written
  std::vector<KeptLine> keptLines;  // in file order
  std::uint64_t lastRowId = 0;      // the id given to the newest row
  // While set (the loading of the sheet's file runs a line), the ids of the
  // rows that a definition replaced are added here.
  std::vector<std::uint64_t>* replacedRows = nullptr;
  SheetCache cache;  // kept by the store

  int RowCount() const { return static_cast<int>(rows.size()); }
  // True for rows 1 to RowCount() - 2.
  bool IsDefinitionRow(int row) const { return row > 0 && row < RowCount() - 1; }
};

// The store: the sheets in creation order and the store-wide state.
struct TDefines {
  std::vector<std::unique_ptr<TDefine>> sheets;  // sheet 0 is never removed
  TDefine* current = nullptr;                    // receives new definitions
  std::int32_t autoNumber = 1;                   // next number for =text descriptions
  int unnamedCount = 0;                          // next number for an unnamed sheet's name
  bool watchRefreshNeeded = false;               // set by StoreDefinition, cleared by the watch

  TDefines();
  ~TDefines();
  TDefines(const TDefines&) = delete;
  TDefines& operator=(const TDefines&) = delete;
};

// A found definition: its sheet and row, or no sheet.
struct DefinitionRef {
  TDefine* sheet = nullptr;
  int row = -1;
  explicit operator bool() const { return sheet != nullptr; }
};

// ---- Sheets ---------------------------------------------------------------

// The sheet that receives new definitions. When the store has no sheet yet,
// a new unnamed sheet is made first, so there always is one.
TDefine& CurrentSheet(Context& ctx);
// Makes `sheet` (which must be in the store) the CurrentSheet.
void SelectSheet(Context& ctx, TDefine& sheet);
// Index of `sheet` in the store, or -1.
int SheetIndex(const Context& ctx, const TDefine& sheet);

// Appends an empty sheet with the given file name, makes it the CurrentSheet
// and returns it. The name is not made up here: an empty name stays empty
// (loading a file, or NameNewSheet, gives the sheet its name).
TDefine& AddSheet(Context& ctx, std::string name);
// Gives an unnamed sheet its generated name "ZEMU<n>.ZDF" (n counts the
// unnamed sheets from 0) and its title; named stays false.
void NameNewSheet(Context& ctx, TDefine& sheet);
// .new: AddSheet with an empty name, then NameNewSheet. Returns the sheet.
TDefine& NewSheet(Context& ctx);
// Sets the sheet's name and title, e.g. after loading or choosing a file,
// and tells the observer.
void SetSheetName(Context& ctx, TDefine& sheet, std::string name, bool named);
// The window title for a sheet of this name: " ZEMU 初期設定 -- " + name when
// the extension is .ini (any case), otherwise " ZEMU 定義式 -- " + name.
std::string SheetTitle(std::string_view name);
// Removes and frees the sheet at index 1 .. count-1 (sheet 0 stays); when it
// was current, the sheet before it becomes current. False when the index is
// out of range.
bool RemoveSheet(Context& ctx, int index);

// ---- Rows -----------------------------------------------------------------

// The definition of a row; empty for a row outside the grid or a row without one.
// Its text is written out and its value up to date.
std::shared_ptr<Definition> DefinitionAt(const TDefine& sheet, int row);

// As DefinitionAt, but a variable's text may stay unwritten: for the
// evaluator, which only reads the value.
std::shared_ptr<Definition> DefinitionForUse(const TDefine& sheet, int row);
// The row's value cell takes the definition's value, in the Format in force
// (and the definition cell shows the definition's text again). Nothing is
// told when the cell shows that value already.
void ShowRowValue(Context& ctx, TDefine& sheet, int row);
// The same for the row's own SheetRow, `r`, which is sheet.rows[row].
void ShowRowValue(Context& ctx, TDefine& sheet, int row, SheetRow& r);

// A Definition of `text` for a statement: the spare one (Caches) when there
// is one, else a new one.
std::shared_ptr<Definition> NewDefinition(Context& ctx, std::string_view text);

// The text of a cell as the sheet window shows it (row 0 is the heading);
// empty outside the grid. What a front end draws and a file writes.
std::string SheetCellText(const TDefine& sheet, int row, int column);
// The sheet window's in-place editor put `text` into the definition cell of
// a definition row (the last, empty row included); ApplySheetEdits runs it
// when the editing ends. Nothing happens for other rows and columns.
void SetEditedCellText(TDefine& sheet, int row, std::string text);
// Whether the definition cell of a row holds an edit to apply: a text that
// differs from the definition's, or any text in a row without a definition.
bool CellEdited(const TDefine& sheet, int row);
// Takes the edited text out of a row's definition cell, which then shows the
// definition's text again.
std::string TakeEditedCellText(TDefine& sheet, int row);

// Scans the definition rows from the bottom up for the first row whose name
// cell MatchName accepts for the text at the cursor; kind 0 means any kind,
// otherwise rows of another kind are skipped (a row still NotAnalysed is
// analysed first). Returns the row or -1. Blanks at the cursor are skipped
// afterwards; the name itself is not consumed.
int FindRow(Context& ctx, TDefine& sheet, const char*& cursor, int kind);

// Finds the newest definition whose name matches the text at the cursor,
// searching the sheets from the last to the first. "sheet!name" (the token
// read by ReadWord, then !) limits the search to the sheets named exactly so.
// The cursor is left at the name (after any qualifier and blanks), which is
// not consumed. Kind 0 means any kind.
DefinitionRef FindDefinition(Context& ctx, const char*& cursor, int kind);
// FindDefinition of any kind for a cursor at a name that the caller has read
// already: `nameEnd` is where EndOfName would stop. `byGeneration` (when
// given) is set when the answer depends on nothing but the name and the
// store's generation (Caches::generation): it holds for as long as that
// stays.
DefinitionRef FindDefinitionAt(Context& ctx, const char*& cursor, const char* nameEnd,
                               bool* byGeneration = nullptr);

// Puts `definition` in `sheet` (analysing it first if needed): it replaces
// the bottom-most row of the same name, or is appended as a new row; a
// variable's text is rewritten to name<`assigned` first (the value of its
// right-hand side, which StoreDefinition computes). The sheet takes
// ownership. Sets the sheet's modified flag and the store's
// watchRefreshNeeded. Returns the row (-1 for an empty pointer). A variable's
// rewritten text may be left pending: read it through Text() or DefinitionAt.
int PlaceDefinition(Context& ctx, TDefine& sheet, std::shared_ptr<Definition> definition,
                    const Value& assigned);

// PlaceDefinition of the variable statement `statement` ("name<...", no
// marks, parameters, unit or comment; `name` is its name) whose right-hand
// side gave `assigned`, made on the definition its row holds when nothing
// else holds that one: the row ends as PlaceDefinition leaves it, with no
// definition made, analysed or let go. Returns the row, or 0 (nothing done)
// when the statement must be placed by PlaceDefinition.
int AssignInPlace(Context& ctx, TDefine& sheet, const std::string& statement, std::string_view name,
                  const Value& assigned);

// Frees the definition of a definition row and moves the rows below it up.
// Does nothing for row 0, the empty last row or a row outside the grid.
void DeleteRow(Context& ctx, TDefine& sheet, int row);
// Opens an empty row at `row` (1 .. RowCount() - 1), moving the rows from
// there down by one. Does nothing for a row outside that range.
void InsertRow(Context& ctx, TDefine& sheet, int row);

// Marks every cached value of the sheet "再計算" (variables only when
// includeVariables is set). Costs the same for any number of rows (with the
// forget cache on): the rows take it in when read, and the observer hears
// ValuesForgotten, not of every row.
void ForgetValues(Context& ctx, TDefine& sheet, bool includeVariables);
// Whether the row's value cell reads "再計算" because of a ForgetValues that
// came after the sheet's forget counters were `seen` (a copy of
// sheet.cache.forget): the cells a front end that drew the sheet then must
// draw again.
bool ValueCellForgottenSince(const TDefine& sheet, int row, const ForgetCounters& seen);

// Starts a scan from row 1 down for definitions whose flags share a bit with
// `mask` and whose name cell MatchName accepts for `pattern`. Returns the
// first such row, or -1 (which also ends the search).
int SearchRows(Context& ctx, TDefine& sheet, std::string_view pattern, std::uint32_t mask);
// The next row of the running search, or -1 after the last one.
int SearchNext(Context& ctx, TDefine& sheet);

}  // namespace zemu
