// The formula evaluator. There is no syntax tree: each level reads from the
// shared cursor and returns the value of what it read. Errors are values and
// end the evaluation at once, leaving the caller's cursor where it was.
#include "engine/eval.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "definitions/statements.h"
#include "definitions/store.h"
#include "engine/builtins.h"
#include "engine/definition_values.h"
#include "engine/tempvar.h"
#include "engine/units.h"
#include "host/context.h"
#include "host/guard.h"
#include "host/output.h"

namespace zemu {

namespace {

// A term ends before any of these bytes (and at the terminator).
constexpr std::array<bool, 256> kTermStop = [] {
  std::array<bool, 256> stops{};
  for (char c : std::string_view("+-<=>!;,)}[]'`")) stops[static_cast<unsigned char>(c)] = true;
  stops[0] = true;
  return stops;
}();

// A bare condition holds for numbers above this.
constexpr double kTruthThreshold = 1e-9;

bool IsTermStop(char c) { return kTermStop[static_cast<unsigned char>(c)]; }

bool Tracing(const Context& ctx) { return ctx.settings.trace >= TraceLevel::Calc; }

// The trace lines of each level; the test is inline, the text is made only
// while tracing.
void TraceEnterLine(Context& ctx, const char* label, const char* rest) {
  ScreenOut(ctx, ChannelTraceEnter, std::string(label) + rest);
}

void TraceLeaveLine(Context& ctx, const char* label, const Value& value) {
  ScreenOut(ctx, ChannelTraceLeave, label + ValueText(ctx, value), value.IsError());
}

inline void TraceEnter(Context& ctx, const char* label, const char* rest) {
  if (Tracing(ctx)) [[unlikely]]
    TraceEnterLine(ctx, label, rest);
}

inline void TraceLeave(Context& ctx, const char* label, const Value& value) {
  if (Tracing(ctx)) [[unlikely]]
    TraceLeaveLine(ctx, label, value);
}

// The value of a digit byte in `radix`, or -1. Hexadecimal digits are the
// upper-case letters A to F only.
int DigitValue(char c, int radix) {
  int d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  if (c >= 'A' && c <= 'F' && radix == 16) d = c - 'A' + 10;
  return d < radix ? d : -1;
}

// The nearest double to the decimal literal text from `begin` to `end`
// ("12.5e-3", ".5", "7.", "1E+5"; 0 for a text without digits before its
// exponent), whatever the process's locale says about decimal points.
double DecimalValue(const char* begin, const char* end) {
  if (begin == end || *begin == 'e' || *begin == 'E' || (*begin == '.' && end - begin == 1))
    return 0;
  double value = 0;
  const std::from_chars_result read = std::from_chars(begin, end, value);
  if (read.ec == std::errc::result_out_of_range) {
    // An exponent beyond the doubles: the C library's infinity or zero.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(std::string(begin, end).c_str(), nullptr, cLocale);
  }
  return read.ec == std::errc() ? value : 0;
}

void ShowExponentHelp(Context& ctx) {
  if (ctx.runState != RunState::Idle) return;
  ctx.toolkit->SetStatusLine(
      1, "数値定数[+/-]99[.99][E[+/-]99]のなかでのEは１０のべき乗を表します。"_sj);
  ctx.toolkit->SetStatusLine(2, "12.34E5=1234000      12.34E+5=1234000    12.34E-5=0.0001234");
}

#ifndef NDEBUG
// Whether a name's site in a body memo says what looking the name up again
// says.
bool SiteHolds(Context& ctx, const BodyMemo::Name& site, std::string_view name,
               const char* nameStart, const char* nameEnd) {
  const char* probe = nameStart;
  bool byGeneration = false;
  const DefinitionRef found = FindDefinitionAt(ctx, probe, nameEnd, &byGeneration);
  if (!byGeneration || probe != nameStart) return false;
  if (site.sheet == nullptr) return !found && site.builtin == FindBuiltin(name);
  return found.sheet == site.sheet && found.row == site.row;
}
#endif

// Resolves the name at `nameStart` (already read up to the cursor) as a
// temporary variable, a definition or a built-in, in that order. In a
// function's body, `site` is the memo's slot of the name: what the name
// stood for is asked again only when the store's generation changed.
Value ResolveName(Context& ctx, std::string_view name, const char* nameStart, const char*& p,
                  BodyMemo::Name* site) {
  if (const TempBinding* binding = FindBinding(ctx.tempVars, name, ctx.caches))
    return BindingValue(ctx, *binding);
  const std::uint64_t generation = ctx.caches.generation;
  if (site != nullptr && site->generation == generation) {
    assert(SiteHolds(ctx, *site, name, nameStart, p));
    if (site->sheet != nullptr) return ValueOfRow(ctx, *site->sheet, site->row, p);
    return CallBuiltin(ctx, site->builtin, name, p);
  }
  const char* probe = nameStart;
  bool byGeneration = false;
  DefinitionRef found = FindDefinitionAt(ctx, probe, p, &byGeneration);
  if (found) {
    if (probe != nameStart) {  // "sheet!name": the name proper follows the qualifier
      p = probe;
      ReadName(p);
    } else if (site != nullptr && byGeneration) {
      site->generation = generation;
      site->sheet = found.sheet;
      site->row = found.row;
    }
    return ValueOfRow(ctx, *found.sheet, found.row, p);
  }
  const BuiltinEntry* builtin = FindBuiltin(name);
  if (site != nullptr && byGeneration) {
    site->generation = generation;
    site->sheet = nullptr;
    site->builtin = builtin;
  }
  return CallBuiltin(ctx, builtin, name, p);
}

// The end of the name that begins at p (a letter), from the body's memo
// when it knows; `site` becomes the memo's slot of the name, or null.
const char* NameEndAt(Context& ctx, const char* p, BodyMemo::Name*& site) {
  BodyMemo* memo = ctx.caches.body;
  if (memo == nullptr || !memo->HoldsName(p)) {
    site = nullptr;
    return EndOfName(p);
  }
  return memo->NameEnd(p, site);
}

// "{" statements "}" item: runs the block for its effects; the item after the
// closing brace is the value. `p` stands after the "{".
Value ReadBraceGroup(Context& ctx, const char*& p) {
  ctx.up.runStatements(ctx, p);
  if (RunStopped(ctx.guard, ctx.runState)) return MakeError("Stack Over");
  if (*p != '}') return MakeError("Missing '}'");
  ++p;
  return EvalItem(ctx, p);
}

// Steps over an operand that failed to evaluate, to the "," or ")" that
// ends it, so that the text after a failed comparison is not read as the
// next argument of the caller.
void SkipOperand(const char*& p) {
  while (*p != '\0' && std::strchr(",);}]'", *p) == nullptr) {
    if (!SkipGroup(p)) StepChar(p);
  }
}

// number -> ["0" ("b"|"o"|"x"|"d")] digits ["." digits] ["e" [sign] digits]
// Reads a number literal at the cursor (a digit, or "." and a digit) and
// leaves the cursor after it. Decimal literals round correctly; the other
// radixes accumulate digit by digit, which is exact. Inline in the item
// reader, where most literals are read.
[[gnu::always_inline]] inline Value ReadNumberLiteral(Context& ctx, const char*& p) {
  // A digit alone (no radix mark, point, exponent or digit after it).
  if (!IsNameChar(static_cast<unsigned char>(p[1])) && p[1] != '.' &&
      IsDigit(static_cast<unsigned char>(p[0]))) {
    return MakeNumber(static_cast<double>(*p++ - '0'));
  }
  int radix = 10;
  if (p[0] == '0') {
    switch (p[1]) {
      case 'b':
      case 'B':
        radix = 2;
        break;
      case 'o':
      case 'O':
        radix = 8;
        break;
      case 'x':
      case 'X':
        radix = 16;
        break;
      case 'd':
      case 'D':
        radix = 10;
        p += 2;
        break;
      default:
        break;
    }
    if (radix != 10) p += 2;
  }
  const char* decimal = p;  // the decimal literal's own bytes, for correct rounding
  double value = 0;
  for (int d; (d = DigitValue(*p, radix)) >= 0; ++p) value = value * radix + d;
  if (*p == '.') {
    ++p;
    double weight = 1.0 / radix;
    for (int d; (d = DigitValue(*p, radix)) >= 0; ++p) {
      value += d * weight;
      weight /= radix;
    }
  }
  bool exponentMark = *p == 'e' || (*p == 'E' && radix != 16);
  char after = exponentMark ? p[1] : '\0';
  if (ctx.settings.epower && exponentMark && (after == '+' || after == '-' || IsDigit(after))) {
    ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    double exponent = 0;
    while (IsDigit(static_cast<unsigned char>(*p))) exponent = exponent * 10 + (*p++ - '0');
    ShowExponentHelp(ctx);
    if (radix != 10) value *= std::pow(radix, negative ? -exponent : exponent);
  }
  // Up to 15 digits without a point or an exponent were summed exactly.
  const bool exact = p - decimal <= 15 && std::all_of(decimal, p, [](char c) {
                       return IsDigit(static_cast<unsigned char>(c));
                     });
  if (radix == 10 && !exact) value = DecimalValue(decimal, p);
  return MakeNumber(value);
}

}  // namespace

Value ReadNumber(Context& ctx, const char*& cursor) { return ReadNumberLiteral(ctx, cursor); }

int ReadComparison(const char*& p) {
  static const struct {
    const char* word;
    int op;
  } kWords[] = {{"eq,", EQ}, {"ne,", NE}, {"gt,", GT}, {"ge,", GE}, {"lt,", LT}, {"le,", LE},
                {"EQ,", EQ}, {"NE,", NE}, {"GT,", GT}, {"GE,", GE}, {"LT,", LT}, {"LE,", LE}};
  int op = NoComparison;
  if (*p == '=') {
    ++p;
    if (*p == '=') ++p;
    op = EQ;
    if (*p == '<') ++p, op = LE;
    if (*p == '>') ++p, op = GE;
  } else if (p[0] == '!' && p[1] == '=') {
    p += 2;
    op = NE;
  } else if (*p == '<') {
    ++p;
    op = LT;
    if (*p == '=') ++p, op = LE;
    if (*p == '>') ++p, op = NE;
  } else if (*p == '>') {
    ++p;
    op = GT;
    if (*p == '=') ++p, op = GE;
    if (*p == '<') ++p, op = NE;
  } else {
    for (const auto& w : kWords) {
      if (std::strncmp(p, w.word, 3) == 0) {
        p += 3;
        return w.op;
      }
    }
  }
  return op;
}

bool Compare(double x, int op, double y) {
  switch (op) {
    case EQ:
      return x == y;
    case NE:
      return x != y;
    case GT:
      return x > y;
    case GE:
      return x >= y;
    case LT:
      return x < y;
    case LE:
      return x <= y;
  }
  return false;
}

namespace {

// EvalTerm, built into EvalFormula: a frame less for every term.
// Items side by side take the operator last written in the term.
[[gnu::always_inline]] inline Value ReadTerm(Context& ctx, const char*& cursor) {
  const char* p = cursor;
  SkipBlanks(p);
  TraceEnter(ctx, "TERM > ", p);
  Value product = EvalItem(ctx, p);
  if (product.IsError()) return product;
  SkipBlanks(p);
  char op = '*';
  while (!IsTermStop(*p)) {
    if (*p == '*' || *p == '/') op = *p++;
    Value item = EvalItem(ctx, p);
    if (item.IsError()) {
      product = std::move(item);  // one returned object throughout: no copy on return
      return product;
    }
    product = op == '*' ? MultiplyValues(product, item) : DivideValues(product, item);
    if (product.IsError()) return product;
    SkipBlanks(p);
  }
  cursor = p;
  TraceLeave(ctx, "TERM = ", product);
  return product;
}

}  // namespace

// formula -> ["+"|"-"] term { ("+"|"-") term } [unit]
// An empty text is the number 0 and leaves the cursor where it is.
Value EvalFormula(Context& ctx, const char*& cursor) {
  const char* p = cursor;
  SkipBlanks(p);
  TraceEnter(ctx, "CALC > ", p);
  Value sum = MakeNumber(0.0);
  if (*p == '\0') return sum;
  for (bool first = true;; first = false) {
    char op = '+';
    if (*p == '+' || *p == '-') op = *p++;
    Value term = ReadTerm(ctx, p);
    if (term.IsError()) {
      sum = std::move(term);  // one returned object throughout: no copy on return
      return sum;
    }
    if (first && term.IsNumber()) {
      // 0 plus or minus the term: its number and unit, not its annotation.
      sum.number = op == '-' ? 0.0 - term.number : 0.0 + term.number;
      if (!term.unit.empty()) sum.unit = std::move(term.unit);
    } else {
      AddInPlace(ctx, sum, term, op == '-');
      if (sum.IsError()) return sum;
    }
    SkipBlanks(p);
    if (*p != '+' && *p != '-') break;
  }
  if (*p == '[') sum.unit = ReadUnit(p);
  cursor = p;
  TraceLeave(ctx, "CALC = ", sum);
  return sum;
}

// term -> item { ["*"|"/"] item }
Value EvalTerm(Context& ctx, const char*& cursor) { return ReadTerm(ctx, cursor); }

namespace {

// primary -> number | name | "(" formula ")" | "{" statements "}" item
// Reads the primary whose first byte is at p. An error after "(" comes back
// with `failedInside` set: EvalItem returns it without tracing it.
Value ReadPrimary(Context& ctx, const char*& p, bool& failedInside) {
  const unsigned char first = static_cast<unsigned char>(*p);
  if (IsDigit(first) || (first == '.' && IsDigit(static_cast<unsigned char>(p[1])))) {
    return ReadNumberLiteral(ctx, p);
  }
  if (IsLetter(first)) {
    // A name: letters and digits, double-byte characters whole.
    const char* nameStart = p;
    BodyMemo::Name* site;
    p = NameEndAt(ctx, p, site);
    const std::string_view name(nameStart, static_cast<std::size_t>(p - nameStart));
    return ResolveName(ctx, name, nameStart, p, site);
  }
  if (first == '(') {
    ++p;
    Value inner = EvalFormula(ctx, p);
    if (inner.IsError()) {
      failedInside = true;
      return inner;
    }
    SkipBlanks(p);
    if (*p != ')') return MakeError("Missing ')'");
    ++p;
    return inner;
  }
  if (first == '{') {
    ++p;
    return ReadBraceGroup(ctx, p);
  }
  return MakeError(first == '\0' ? std::string() : std::string(1, *p));
}

}  // namespace

namespace {

// EvalItem after its guard: one returned object on every path, so that the
// value is built where the caller wants it.
Value ReadItem(Context& ctx, const char*& cursor) {
  const char* p = cursor;
  SkipBlanks(p);
  TraceEnter(ctx, "ITEM > ", p);
  bool failedInside = false;
  Value primary = ReadPrimary(ctx, p, failedInside);
  if (failedInside) return primary;
  TraceLeave(ctx, "ITEM = ", primary);
  if (*p == '[') ConvertUnit(ctx, primary, ReadUnit(p));
  SkipBlanks(p);
  if (primary.IsError()) return primary;
  if (*p == '^') {
    ++p;
    Value exponent = EvalItem(ctx, p);
    if (exponent.IsError()) {
      primary = std::move(exponent);
      return primary;
    }
    if (primary.IsNumber() && exponent.IsNumber()) {
      primary = MakeNumber(std::pow(primary.number, exponent.number));
    } else {
      primary = MakeError("累乗^の計算ができません"_sj);
    }
  }
  cursor = p;
  return primary;
}

}  // namespace

// item -> primary [unit-suffix] ["^" item]
// The guard runs before every item: this bounds the depth of nesting.
Value EvalItem(Context& ctx, const char*& cursor) {
  if (*cursor == '\0') return MakeNumber(0.0);
  if (!GuardCountedDown(ctx.guard, ctx.settings.trace >= TraceLevel::System, ctx.runState) &&
      StatementGuard(ctx)) {
    return MakeError("Stack Over");
  }
  return ReadItem(ctx, cursor);
}

bool ReadTwoArgs(Context& ctx, const char*& cursor, Value& first, Value& second) {
  const char* p = cursor;
  cursor = "";  // unless all goes well, the rest of the statement is given up
  if (*p != '(') {
    first = MakeError("No Args");
    return false;
  }
  ++p;
  first = EvalFormula(ctx, p);
  if (*p != ',' || first.IsError()) return false;
  ++p;
  second = EvalFormula(ctx, p);
  if (second.IsError()) {
    first = MakeError(second.text);
    return false;
  }
  if (*p != ')') {
    first = MakeError("No ')'");
    return false;
  }
  cursor = p + 1;
  return true;
}

// condition -> formula [","] [operator [","] formula [","]] [")"]
bool EvalCondition(Context& ctx, const char*& cursor) {
  const char* p = cursor;
  Value x = EvalFormula(ctx, p);
  if (!x.IsNumber()) return false;
  if (*p == ',') ++p;
  int op = ReadComparison(p);
  if (op == NoComparison) {
    if (*p == ')') ++p;
    cursor = p;
    return x.number > kTruthThreshold;
  }
  if (*p == ',') ++p;
  Value y = EvalFormula(ctx, p);
  if (y.IsError()) SkipOperand(p);
  if (*p == ',') ++p;
  cursor = p;
  if (!y.IsNumber()) return false;
  return Compare(x.number, op, y.number);
}

Value EvalText(Context& ctx, const std::string& text) {
  if (ctx.guard.statementDepth == 0) ResetStackWatch(ctx.guard);
  const char* p = text.c_str();
  return EvalFormula(ctx, p);
}

}  // namespace zemu
