// Listing definitions: the qualifier that selects sheets, and the listing of
// every matching definition text under its sheet's title.
#include "commands/listing.h"

#include <string>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "commands/assist.h"
#include "definitions/store.h"
#include "host/context.h"

namespace zemu {

namespace {

constexpr AssistLines kListHelp{"記憶している定義を表示する命令です。"_sj, "> .list [定義名];"_sj,
                                "> (定義名)=;"_sj};

// Used when nothing follows .list: every definition of the current sheet.
constexpr const char* kDefaultPattern = "!#";

// A sheet index is written with at most this many digits (no int overflow).
constexpr std::size_t kMaxIndexDigits = 9;

// Which sheets a listing covers.
struct SheetSelection {
  bool qualified = false;
  std::string token;  // the sheet name; empty for the current sheet
  int index = -1;     // the token as a sheet index, or -1
};

int DecimalValue(const std::string& token) {
  if (token.empty() || token.size() > kMaxIndexDigits) return -1;
  int value = 0;
  for (char c : token) {
    if (!IsDigit(static_cast<unsigned char>(c))) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool EndsStatement(char c) { return c == '\0' || c == ';' || c == '}' || c == '\''; }

// [token "!"] pattern: reads the qualifier and leaves `pattern` at the name
// pattern proper.
SheetSelection ReadSelection(const char*& pattern) {
  SheetSelection selection;
  const char* p = pattern;
  selection.token = ReadWord(p);
  selection.index = DecimalValue(selection.token);
  if (*p == '!') {
    selection.qualified = true;
    pattern = p + 1;
  }
  return selection;
}

bool TakesPart(const Context& ctx, const SheetSelection& selection, const TDefine& sheet,
               const TDefine* current) {
  if (!selection.qualified) return true;
  if (sheet.name == selection.token) return true;
  if (selection.token.empty() && &sheet == current) return true;
  return selection.index >= 0 && selection.index == SheetIndex(ctx, sheet);
}

void ListSheet(Context& ctx, TDefine& sheet, const char* pattern) {
  int row = SearchRows(ctx, sheet, pattern, kAnyFlags);
  if (row < 0) return;
  ScreenOut(ctx, ChannelLine, "  " + sheet.title + "\r\n");
  for (; row >= 0; row = SearchNext(ctx, sheet)) {
    if (std::shared_ptr<Definition> d = DefinitionAt(sheet, row)) {
      ScreenOut(ctx, ChannelLine, "  " + d->text + "\r\n");
    }
  }
}

}  // namespace

void ListDefinitions(Context& ctx, const char* text) {
  if (InAssistMode(ctx)) {
    ShowStatusLines(ctx, kListHelp);
    return;
  }
  const char* pattern = text;
  SkipBlanks(pattern);
  if (EndsStatement(*pattern)) pattern = kDefaultPattern;
  if (*pattern == '.') return;
  const SheetSelection selection = ReadSelection(pattern);

  auto& sheets = ctx.defines.sheets;
  const TDefine* current = sheets.empty() ? nullptr : &CurrentSheet(ctx);
  for (auto it = sheets.rbegin(); it != sheets.rend(); ++it) {
    if (TakesPart(ctx, selection, **it, current)) ListSheet(ctx, **it, pattern);
  }
}

}  // namespace zemu
