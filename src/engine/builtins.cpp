// The built-in function library. One ordered table holds every built-in: its
// names, the reader of its arguments, the operation on a single item, the
// error it reports and the two help lines that the assist display shows.
// CallBuiltin wraps every call in the same frame: an optional power prefix
// (cos^2(x)), the table lookup, the help lines, the call itself, the power and
// a trace line.
#include "engine/builtins.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "cache/body_memo.h"
#include "engine/eval.h"
#include "engine/units.h"
#include "host/context.h"
#include "host/output.h"

namespace zemu {

namespace {

// The double nearest to pi.
constexpr double kPi = 3.141592653589793;

// The unit the trigonometric functions take their argument in.
constexpr const char* kRadian = "[rad]";

// intproduct truncates to a 64-bit integer; doubles outside [-2^63, 2^63)
// have no such integer.
constexpr double kInt64Limit = 9223372036854775808.0;

}  // namespace

// Reads the arguments of a call at the cursor (which stands after the name and
// its blanks) and computes the result.
using ArgumentReader = Value (*)(Context& ctx, const BuiltinEntry& entry, const char*& cursor);

// The operation of an entry that takes one item; the argument is a number.
using ItemOperation = Value (*)(const Value& arg);

struct BuiltinEntry {
  const char* name;
  const char* alias;  // the second accepted name, or nullptr
  ArgumentReader read;
  ItemOperation apply;  // item arguments only
  // The error of the entry; for item arguments and mod, the name that wraps a
  // failed argument's message: name + "(" + message + ")".
  const char* error;
  const char* help1;  // nullptr: no help lines
  const char* help2;  // nullptr: status line 2 is cleared
};

namespace {

// The message that a failed argument passes on; a number has none.
std::string MessageOf(const Value& value) { return value.IsNumber() ? std::string() : value.text; }

Value Wrapped(const BuiltinEntry& entry, const Value& failed) {
  return MakeError(std::string(entry.error) + "(" + MessageOf(failed) + ")");
}

Value Flag(bool holds) { return MakeNumber(holds ? 1.0 : 0.0); }

// ---- the call's closing parenthesis ------------------------------------

// Just after the ")" that closes the call whose "(" stands at `open`
// (groups inside are skipped whole), or nullptr when a ";" or the end of the
// text comes first.
const char* CallEnd(const char* open) {
  const char* p = open + 1;
  return FindChar(p, ')', true) ? p : nullptr;
}

// Closes the call whose "(" stands at `open`: the unread rest of its argument
// list is skipped up to and including its ")". When what was read already
// took that ")" (a bare condition does), nothing moves. A ";" or the end of
// the text before any ")" leaves the cursor where it is.
void CloseCallAt(const char* end, const char*& cursor) {
  if (end != nullptr && cursor >= end) return;
  FindChar(cursor, ')', true);
}

void CloseCall(const char* open, const char*& cursor) { CloseCallAt(CallEnd(open), cursor); }

// The search of CallEnd, made only as far as a question about it needs: a
// call whose branch is read up to its ")" need not be scanned to it twice.
// In a function's body the walks come from its memo.
class CallCloser {
 public:
  CallCloser(const char* open, BodyMemo* memo) : p_(open + 1), memo_(memo) {
    if (memo == nullptr || !memo->HoldsWalk(p_)) return;
    close_ = memo->WalkEnd(BodyMemo::ToCloser, p_);
    stopped_ = close_ == nullptr;
  }

  // Whether the call's ")" stands at or before `limit`.
  bool ClosedBy(const char* limit) {
    while (close_ == nullptr && !stopped_ && p_ <= limit) {
      if (IsPlainByte(static_cast<unsigned char>(*p_))) {
        ++p_;
      } else {
        Step();
      }
    }
    return close_ != nullptr && close_ <= limit;
  }

  // CloseCallAt with the end that CallEnd would give.
  void Close(const char*& cursor) {
    if (ClosedBy(cursor - 1)) return;
    if (const char* close = WalkEnd(memo_, BodyMemo::ToCloser, cursor)) cursor = close + 1;
  }

 private:
  // One step of FindChar's walk: a stop, a whole group, the ")" or a character.
  void Step() {
    const char c = *p_;
    if (c == '\0' || c == ';') {
      stopped_ = true;
    } else if (IsOpener(static_cast<unsigned char>(c)) && SkipGroup(p_)) {
    } else if (c == ')') {
      close_ = p_;
    } else {
      StepChar(p_);
    }
  }

  const char* p_;                // the walk got this far without the ")"
  BodyMemo* memo_;               // the body's memo, or null
  const char* close_ = nullptr;  // the ")" once found
  bool stopped_ = false;         // a ";" or the end of the text came first
};

// ---- item arguments ------------------------------------------------------

Value ApplyToNumber(const BuiltinEntry& entry, const Value& arg) {
  return arg.IsNumber() ? entry.apply(arg) : Wrapped(entry, arg);
}

// item: one item, so that sin(x)^2 is the sine of x^2 and sin 2 needs no
// parentheses.
Value ReadItem(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  return ApplyToNumber(entry, EvalItem(ctx, cursor));
}

// item converted to radians: an angle in a unit with a conversion to [rad]
// is converted first; a number without unit counts as radians.
Value ReadAngle(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  Value arg = EvalItem(ctx, cursor);
  ConvertUnit(ctx, arg, kRadian);
  return ApplyToNumber(entry, arg);
}

Value Abs(const Value& a) { return MakeNumber(a.number < 0 ? -a.number : a.number, a.unit); }

Value Acos(const Value& a) {
  if (a.number < -1 || a.number > 1) return MakeError("acos(><)");
  return MakeNumber(std::acos(a.number));
}

Value Asin(const Value& a) {
  if (a.number < -1 || a.number > 1) return MakeError("asin(><)");
  return MakeNumber(std::asin(a.number));
}

Value Atan(const Value& a) { return MakeNumber(std::atan(a.number)); }
Value Cos(const Value& a) { return MakeNumber(std::cos(a.number)); }
Value Sin(const Value& a) { return MakeNumber(std::sin(a.number)); }
Value Tan(const Value& a) { return MakeNumber(std::tan(a.number)); }
Value Cubic(const Value& a) { return MakeNumber(a.number * a.number * a.number); }
Value Square(const Value& a) { return MakeNumber(a.number * a.number); }
Value Exp(const Value& a) { return MakeNumber(std::exp(a.number)); }
Value Floor(const Value& a) { return MakeNumber(std::floor(a.number), a.unit); }
Value Frag(const Value& a) { return MakeNumber(a.number - std::floor(a.number), a.unit); }

Value Log(const Value& a) {
  if (a.number < 0) return MakeError("log(x<0)");
  return MakeNumber(std::log(a.number));
}

Value Log10(const Value& a) {
  if (a.number < 0) return MakeError("log10(x<0)");
  return MakeNumber(std::log10(a.number));
}

Value Sqrt(const Value& a) {
  if (a.number < 0) return MakeError("sqrt(x<0)");
  return MakeNumber(std::sqrt(a.number));
}

// Only the number changes: the unit stays, and 0 stays itself.
Value Sign(const Value& a) {
  Value result = a;
  if (a.number > 0) result.number = 1;
  if (a.number < 0) result.number = -1;
  return result;
}

// ---- conditions ------------------------------------------------------------

// "(" condition ["," condition ...] ")": reads conditions while the last one
// ended with a comma, and stops at the first that decides the result: one that
// fails for `all` (and), one that holds otherwise (or). A condition whose
// first operand is not a number fails and ends the list.
Value ReadConditionList(Context& ctx, const BuiltinEntry& entry, const char*& cursor, bool all) {
  if (*cursor != '(') return MakeError(entry.error);
  const char* open = cursor++;
  bool result = all;
  for (;;) {
    const char* start = cursor;
    bool holds = EvalCondition(ctx, cursor);
    if (holds != all) {
      result = holds;
      break;
    }
    if (cursor == start || cursor[-1] != ',') break;
  }
  CloseCall(open, cursor);
  return Flag(result);
}

Value ReadAnd(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  return ReadConditionList(ctx, entry, cursor, true);
}

Value ReadOr(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  return ReadConditionList(ctx, entry, cursor, false);
}

// "(" condition ")": whether the one condition holds, or nothing when the
// call has no parenthesis.
std::optional<bool> ReadOneCondition(Context& ctx, const char*& cursor) {
  if (*cursor != '(') return std::nullopt;
  const char* open = cursor++;
  bool holds = EvalCondition(ctx, cursor);
  CloseCall(open, cursor);
  return holds;
}

Value ReadComp(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  std::optional<bool> holds = ReadOneCondition(ctx, cursor);
  return holds ? Flag(*holds) : MakeError(entry.error);
}

// not yields 0 for a condition that holds and 1 for one that does not.
Value ReadNot(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  std::optional<bool> holds = ReadOneCondition(ctx, cursor);
  return holds ? Flag(!*holds) : MakeError(entry.error);
}

// The branch that the condition chose, with the cursor after the call.
Value ReadChosenBranch(Context& ctx, bool holds, CallCloser& closer, const char*& cursor) {
  Value result = EvalFormula(ctx, cursor);
  if (holds) {
    if (*cursor == ',') ++cursor;
    // Stepping over the other branch finds the call's ")" when nothing but
    // that branch stands before it: the walk to close the call would stop
    // there too.
    const char* end = WalkEnd(ctx.caches.body, BodyMemo::ToArgumentEnd, cursor);
    if (*end == ',') {
      cursor = end + 1;
    } else if (*end == ')' && !closer.ClosedBy(cursor - 1)) {
      cursor = end + 1;
      return result;
    }
  }
  // The branch may have run statements, but the text it was read from stays.
  closer.Close(cursor);
  return result;
}

// "(" condition "," formula "," formula ")": the formula of the branch that
// the condition chooses, read as it stands; the other branch is not
// evaluated. A call without both branches is the entry's error.
Value ReadIf(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  if (*cursor != '(') return MakeError(entry.error);
  const char* open = cursor++;
  const char* start = cursor;
  bool holds = EvalCondition(ctx, cursor);
  // A condition that did not read (its first operand is no number), or one
  // that reached the call's ")", leaves no branches to choose from.
  CallCloser closer(open, ctx.caches.body);
  if (cursor == start || closer.ClosedBy(cursor)) return MakeError(entry.error);
  if (!holds) {
    // NextArgument, the walk from the memo.
    const char* end = WalkEnd(ctx.caches.body, BodyMemo::ToArgumentEnd, cursor);
    if (*end != ',') return MakeError(entry.error);
    cursor = end + 1;
  }
  return ReadChosenBranch(ctx, holds, closer, cursor);
}

// ---- value lists -----------------------------------------------------------

// Reads one value of a max/min list. A value that fails leaves the cursor
// where it began; the argument is then stepped over so that the values after
// it still count.
Value ReadListValue(Context& ctx, const char*& cursor) {
  Value value = EvalFormula(ctx, cursor);
  if (value.IsError() && NextArgument(cursor)) --cursor;  // back onto the ","
  SkipBlanks(cursor);
  return value;
}

// Whether `candidate` replaces `current`: both must be numbers, and the
// candidate is compared in the current value's unit. A candidate that cannot
// be converted does not win.
bool Beats(Context& ctx, const Value& candidate, const Value& current, bool largest) {
  if (!candidate.IsNumber() || !current.IsNumber()) return false;
  Value converted = candidate;
  if (!IsNoUnit(current.unit)) ConvertUnit(ctx, converted, current.unit);
  if (!converted.IsNumber()) return false;
  return largest ? converted.number > current.number : converted.number < current.number;
}

// "(" formula {"," formula} ")": the largest or smallest value, kept as it
// was read (in its own unit); on equality the earlier value stays.
Value ReadExtreme(Context& ctx, const BuiltinEntry& entry, const char*& cursor, bool largest) {
  if (*cursor != '(') return MakeError(entry.error);
  const char* open = cursor++;
  Value result = ReadListValue(ctx, cursor);
  while (*cursor == ',') {
    ++cursor;
    Value next = ReadListValue(ctx, cursor);
    if (Beats(ctx, next, result, largest)) result = next;
  }
  CloseCall(open, cursor);
  return result;
}

Value ReadMax(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  return ReadExtreme(ctx, entry, cursor, true);
}

Value ReadMin(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  return ReadExtreme(ctx, entry, cursor, false);
}

// ---- pairs -----------------------------------------------------------------

// "(" x "," y ")": x - trunc(x/y)*y, with the sign of x and working on
// fractions. std::fmod computes it exactly, whatever the size of the
// quotient.
Value ReadMod(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  Value x, y;
  if (!ReadTwoArgs(ctx, cursor, x, y) || !x.IsNumber() || !y.IsNumber()) return Wrapped(entry, x);
  if (y.number == 0) return MakeError("mod(x,ZERO)");
  return MakeNumber(std::fmod(x.number, y.number));
}

// Rounds half up by truncation toward zero to a 64-bit integer and keeps its
// low 32 bits. A number with no 64-bit integer (too large, NaN) gives 0.
std::uint32_t LowWord(double x) {
  double rounded = std::trunc(x + 0.5);
  if (!(rounded >= -kInt64Limit && rounded < kInt64Limit)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(rounded));
}

// "(" x "," y ")": the product of two 32-bit integers modulo 2^32, read as an
// unsigned number. Values that are not numbers count with their number (0).
Value ReadIntProduct(Context& ctx, const BuiltinEntry& entry, const char*& cursor) {
  Value x, y;
  if (!ReadTwoArgs(ctx, cursor, x, y)) return MakeError(entry.error);
  std::uint32_t product = LowWord(x.number) * LowWord(y.number);
  return MakeNumber(static_cast<double>(product));
}

// ---- the rest ----------------------------------------------------------------

// pi, pi(), pi ( ), π and π() are all the same.
Value ReadPi(Context&, const BuiltinEntry&, const char*& cursor) {
  if (*cursor == '(') {
    const char* p = cursor + 1;
    SkipBlanks(p);
    if (*p == ')') cursor = p + 1;
  }
  return MakeNumber(kPi);
}

// A function that is listed but not written yet: its argument list stays
// unread.
Value NotReady(Context&, const BuiltinEntry& entry, const char*&) { return MakeError(entry.error); }

// The built-ins in matching order.
constexpr BuiltinEntry kBuiltinTable[] = {
    {"abs", nullptr, ReadItem, Abs, "abs", "abs()は絶対値を返す関数です。"_sj,
     "abs(12.34)=12.34    abs(-12.34)=12.34"},
    {"acos", nullptr, ReadItem, Acos, "acos", "acos()は、三角関数cos()の逆関数です。"_sj, nullptr},
    {"and", nullptr, ReadAnd, nullptr, "and()",
     "and()は、()内の条件がすべて真のとき、1(真)を返します。"_sj,
     "and(1<2,2<3,3<4)=1    and(1<2,2=3,3<4)=0"},
    {"asin", nullptr, ReadItem, Asin, "asin", "asin()は、三角関数sin()の逆関数です。"_sj, nullptr},
    {"atan", nullptr, ReadItem, Atan, "atan", "atan()は、三角関数tan()の逆関数です。"_sj, nullptr},
    {"average", nullptr, NotReady, nullptr, "average() is not ready.", nullptr, nullptr},
    {"comp", nullptr, ReadComp, nullptr, "comp()",
     "comp(式x,条件,式y)は、２つの式の比較をする関数です。"_sj,
     "comp(1+2,>,3)=0     comp(3,=,3)=+1"},
    {"cos", nullptr, ReadAngle, Cos, "cos",
     "cos()は、三角関数です。引数の単位は、ラジアン[rad]です。"_sj,
     "cos^2(x)は、(cos(x))^2 のことです。  cos(x)^2は、cos(x^2)です。"_sj},
    {"cubic", nullptr, ReadItem, Cubic, "cubic", "cubic()は、三乗にする関数です。"_sj,
     "cubic(x)=x^3"},
    {"dim", nullptr, NotReady, nullptr, "dim() is not ready.", nullptr, nullptr},
    {"det", nullptr, NotReady, nullptr, "det() is not ready.", nullptr, nullptr},
    {"exp", nullptr, ReadItem, Exp, "exp", "exp()は、自然対数の底ｅの累乗を求める関数です。"_sj,
     "exp(x)=e^(x)"},
    {"floor", "int", ReadItem, Floor, "int", "int()は、引数を超えない最大の整数を返す関数です。"_sj,
     "int(12.34)=12    int(-12.34)=-13"},
    {"frag", nullptr, ReadItem, Frag, "frag",
     "frag()は、引数と引数を超えない最大の整数の差です。"_sj,
     "frag(12.34)=0.34    frag(-12.34)=0.66"},
    {"if", nullptr, ReadIf, nullptr, "if(XX)",
     "if(条件,真の場合の計算式, 偽の場合の計算式)は、条件により計算式を切替えます。"_sj,
     "if(1<2,3,4)=3  if(1,<,2,3,4)=3  if(1>2,3,4)=4"},
    {"inpr", nullptr, NotReady, nullptr, "inpr() is not ready on this version.", nullptr, nullptr},
    {"intproduct", nullptr, ReadIntProduct, nullptr, "intproduct()",
     "intproduct(x,y)は整数xとyの積を求めますが、桁溢れを無視します。"_sj, nullptr},
    {"log", "ln", ReadItem, Log, "log", "log()は、自然対数を計算します。"_sj, nullptr},
    {"log10", nullptr, ReadItem, Log10, "log10", "log10()は、10を底とする対数を計算します。"_sj,
     nullptr},
    {"lookup", nullptr, NotReady, nullptr, "lookup() is not ready.", nullptr, nullptr},
    {"max", nullptr, ReadMax, nullptr, "max()",
     "max()は、任意個の引数の中で最大の値を返します。"_sj, "max(1,2,3,4)=4"},
    {"min", nullptr, ReadMin, nullptr, "min()",
     "min()は、任意個の引数の中で最小の値を返します。"_sj, "min(1,2,3,4)=1"},
    {"mod", nullptr, ReadMod, nullptr, "mod", "mod()は、２つの整数の割り算の剰余を返します。"_sj,
     "mod(10,3)=1 （10÷3=3あまり１）"_sj},
    {"or", nullptr, ReadOr, nullptr, "or()",
     "or()は、任意個の引数の中にひとつでも真があれば、真を返す関数です。"_sj,
     "or(1>2,3>4,5>6)=0   or(1>2,3<4,5>6)=1"},
    {"not", nullptr, ReadNot, nullptr, "not(XX)",
     "not()は、引数が真なら０、偽なら１を返す関数です。"_sj,
     "not(1)=0    not(0)=1   not(1<2)=0   not(1>2)=1"},
    {"pi", "π"_sj, ReadPi, nullptr, "",
     "pi,pi(),π,π()は、いずれも、3.1415926535897932385を返す関数です。"_sj,
     "小学生がpi=3としたいときには、pi=3と関数定義してください。"_sj},
    {"root", "sqrt", ReadItem, Sqrt, "root", "root(),sqrt()は、平方根を返す関数です。"_sj,
     "sqrt(9)=3     sqrt(144)=12"},
    {"sigma", nullptr, NotReady, nullptr, "sigma() is not ready.", nullptr, nullptr},
    {"sign", nullptr, ReadItem, Sign, "sign", "sign()は、引数の符号を返す関数です。"_sj,
     "sign(123)=1   sign(-123)=-1"},
    {"sin", nullptr, ReadAngle, Sin, "sin",
     "sin()は、三角関数です。引数の単位は、ラジアン[rad]です。"_sj,
     "sin^2(x)は、(sin(x))^2 のことです。  sin(x)^2は、sin(x^2)です。"_sj},
    {"sq", nullptr, ReadItem, Square, "sq", "sq()は、２乗を返す関数です。"_sj,
     "sq(x)=x^2    sq(12)=144"},
    {"sum", nullptr, NotReady, nullptr, "sum() is not ready.", nullptr, nullptr},
    {"tan", nullptr, ReadAngle, Tan, "tan",
     "tan()は、三角関数です。引数の単位は、ラジアン[rad]です。"_sj,
     "tan^2(x)は、(tan(x))^2 のことです。  tan(x)^2は、tan(x^2)です。"_sj},
};

// Whether AsciiLowerText(name) equals `stored`, without making the lower-case copy.
bool EqualsLowered(std::string_view name, const char* stored) {
  std::size_t i = 0;
  for (; i < name.size(); ++i) {
    if (stored[i] == '\0') return false;
    if (IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
      if (name[i] != stored[i] || name[i + 1] != stored[i + 1]) return false;
      ++i;
    } else if (AsciiLower(name[i]) != stored[i]) {
      return false;
    }
  }
  return stored[i] == '\0';
}

bool IsNamed(std::string_view name, const char* stored) {
  return stored != nullptr && AsciiLower(name[0]) == stored[0] && EqualsLowered(name, stored);
}

constexpr std::size_t kBuiltinCount = std::size(kBuiltinTable);
static_assert(kBuiltinCount <= 64, "the first-byte index holds one bit per entry");

// The entries by the first byte and by the length of a name or alias, one
// bit per entry in table order: a lookup compares only the entries in both
// (lengths from kLongName up share one slot). Made as the program starts
// (not at compile time: under the address sanitizer the names' addresses
// are no constants).
constexpr std::size_t kLongName = 15;

struct BuiltinIndex {
  std::array<std::uint64_t, 256> byFirstByte{};
  std::array<std::uint64_t, kLongName + 1> byLength{};
};

const BuiltinIndex kBuiltinIndex = [] {
  BuiltinIndex index;
  for (std::size_t i = 0; i < kBuiltinCount; ++i) {
    for (const char* name : {kBuiltinTable[i].name, kBuiltinTable[i].alias}) {
      if (name == nullptr) continue;
      index.byFirstByte[static_cast<unsigned char>(name[0])] |= std::uint64_t{1} << i;
      index.byLength[std::min(std::strlen(name), kLongName)] |= std::uint64_t{1} << i;
    }
  }
  return index;
}();

}  // namespace

// The first entry with the lower-cased `name` as one of its names, compared
// whole.
const BuiltinEntry* FindBuiltin(std::string_view name) {
  if (name.empty()) return nullptr;
  std::uint64_t candidates =
      kBuiltinIndex.byFirstByte[static_cast<unsigned char>(AsciiLower(name[0]))] &
      kBuiltinIndex.byLength[std::min(name.size(), kLongName)];
  for (; candidates != 0; candidates &= candidates - 1) {
    const BuiltinEntry& entry = kBuiltinTable[std::countr_zero(candidates)];
    if (IsNamed(name, entry.name) || IsNamed(name, entry.alias)) return &entry;
  }
  return nullptr;
}

namespace {

// In assist mode the entry describes itself in status lines 1 and 2.
void ShowHelp(Context& ctx, const BuiltinEntry& entry) {
  if (entry.help1 == nullptr || ctx.runState != RunState::Idle) return;
  ctx.toolkit->SetStatusLine(1, entry.help1);
  ctx.toolkit->SetStatusLine(2, entry.help2 != nullptr ? entry.help2 : "");
}

// The power prefix raises a number result and drops its unit; an error stays.
void ApplyPower(Value& result, double power) {
  if (result.IsNumber()) {
    result = MakeNumber(std::pow(result.number, power));
  } else if (!result.IsError()) {
    result = MakeError("実数しか累乗^ができません。"_sj);
  }
}

void TraceCall(Context& ctx, const std::string& lower, const std::optional<Value>& power,
               const Value& result) {
  std::string line = "Func(" + lower;
  if (power) line += "^" + ValueText(ctx, *power);
  line += ")=" + ValueText(ctx, result);
  ScreenOut(ctx, ChannelTrace, line, result.IsError() || (power && power->IsError()));
}

}  // namespace

// name ["^" item] arguments
// The cursor stands after the name; it ends after the arguments the call
// read (an unknown name reads none).
Value CallBuiltin(Context& ctx, std::string_view name, const char*& cursor) {
  return CallBuiltin(ctx, FindBuiltin(name), name, cursor);
}

Value CallBuiltin(Context& ctx, const BuiltinEntry* entry, std::string_view name,
                  const char*& cursor) {
  SkipBlanks(cursor);
  std::optional<Value> power;
  if (*cursor == '^') {
    ++cursor;
    power = EvalItem(ctx, cursor);
    if (!power->IsNumber()) power.reset();  // a power that is not a number is ignored
  }
  if (entry != nullptr) ShowHelp(ctx, *entry);
  Value result = entry != nullptr ? entry->read(ctx, *entry, cursor)
                                  : MakeError(AsciiLowerText(name) + "は、未定義です。"_sj);
  if (power) ApplyPower(result, power->number);
  if (ctx.settings.trace >= TraceLevel::Calc) TraceCall(ctx, AsciiLowerText(name), power, result);
  return result;
}

const char* BuiltinError(const BuiltinEntry& entry) { return entry.error; }

std::vector<std::string> BuiltinNames() {
  std::vector<std::string> names;
  for (const BuiltinEntry& entry : kBuiltinTable) {
    names.emplace_back(entry.name);
    if (entry.alias != nullptr) names.emplace_back(entry.alias);
  }
  return names;
}

}  // namespace zemu
