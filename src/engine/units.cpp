// Unit conversion. A conversion is looked up by name in the definition store,
// in this order: the forward pair [from][to], the reverse pair [to][from], a
// prefix that makes `from` out of `to` ([km] against [m]: [k]] or k), and a
// prefix that makes `to` out of `from`. A unit pair that differs only in a
// one-byte prefix ([km] and [cm]) goes by way of the bare unit. Where none
// of these finds a conversion, a chain of them may join the two units
// (engine/unit_chain.h).
#include "engine/units.h"

#include <cassert>
#include <memory>
#include <optional>

#include "base/sjis_literal.h"
#include "definitions/statements.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "engine/unit_chain.h"
#include "engine/unit_steps.h"
#include "host/context.h"

namespace zemu {

namespace {

constexpr const char* kNoConversion = "未定義単位変換: "_sj;
constexpr const char* kNoReverseFunction = "未定義単位変換関数: "_sj;
constexpr const char* kZeroFactor = "単位変換係数＝ゼロ: "_sj;

// A conversion function is called with the number written in this format.
constexpr const char* kArgumentFormat = "%.15G";

// The two-step rule needs "[", a one-byte prefix and at least "x]".
constexpr std::size_t kTwoStepMinLength = 4;

// The newest definition named exactly `name`. The store's name matching
// treats ? and # as wildcards; a unit text is compared byte for byte.
DefinitionRef FindNamed(Context& ctx, const std::string& name) {
  const char* cursor = name.c_str();
  DefinitionRef ref = FindDefinition(ctx, cursor, 0);
  if (!ref) return ref;
  std::shared_ptr<Definition> d = DefinitionAt(*ref.sheet, ref.row);
  if (d == nullptr || d->Name() != name) return {};
  return ref;
}

// A prefix is defined as "[" + prefix + "]]", or failing that by a plain
// definition named by the prefix.
DefinitionRef FindPrefix(Context& ctx, const std::string& prefix) {
  if (DefinitionRef ref = FindNamed(ctx, "[" + prefix + "]]")) return ref;
  return FindNamed(ctx, prefix);
}

// The prefix that turns the unit `shorter` into `longer`: "k" for [km] and
// [m], "μ" for [μm] and [m]. Counted in bytes.
std::optional<std::string> PrefixBetween(const std::string& longer, const std::string& shorter) {
  if (shorter.empty() || longer.size() <= shorter.size()) return std::nullopt;
  std::size_t d = longer.size() - shorter.size();
  if (longer.compare(d + 1, std::string::npos, shorter, 1, std::string::npos) != 0) {
    return std::nullopt;
  }
  return longer.substr(1, d);
}

// A conversion definition whose value is no number makes the conversion fail
// with that value's message (an Error keeps its own; an Undefined value's
// text becomes the message).
Value FailureOf(const Value& result) { return MakeError(result.text); }

}  // namespace

std::optional<Conversion> FindConversion(Context& ctx, const std::string& from,
                                         const std::string& to) {
  if (DefinitionRef ref = FindNamed(ctx, from + to)) return Conversion{ref, Direction::Forward};
  if (DefinitionRef ref = FindNamed(ctx, to + from)) return Conversion{ref, Direction::Reverse};
  if (std::optional<std::string> prefix = PrefixBetween(from, to)) {
    if (DefinitionRef ref = FindPrefix(ctx, *prefix)) return Conversion{ref, Direction::Forward};
  }
  if (std::optional<std::string> prefix = PrefixBetween(to, from)) {
    if (DefinitionRef ref = FindPrefix(ctx, *prefix)) return Conversion{ref, Direction::Reverse};
  }
  return std::nullopt;
}

bool IsReverseFunction(const Conversion& conversion) {
  if (conversion.direction != Direction::Reverse) return false;
  std::shared_ptr<Definition> d = DefinitionAt(*conversion.ref.sheet, conversion.ref.row);
  return d != nullptr && d->argsStart > 0;
}

Value NoConversionError(const std::string& from, const std::string& to) {
  return MakeError(kNoConversion + from + to);
}

void ApplyConversion(Context& ctx, Value& v, const std::string& from, const std::string& to,
                     const Conversion& conversion) {
  TDefine& sheet = *conversion.ref.sheet;
  std::shared_ptr<Definition> d = DefinitionAt(sheet, conversion.ref.row);
  bool isFunction = d != nullptr && d->argsStart > 0;
  bool forward = conversion.direction == Direction::Forward;
  if (isFunction && !forward) {
    v = MakeError(kNoReverseFunction + from + to + "()");
    return;
  }
  std::string arguments;
  if (isFunction) arguments = "(" + FormatNumber(kArgumentFormat, v.number, "").value_or("") + ")";
  const char* cursor = arguments.c_str();
  Value result = ValueOfRow(ctx, sheet, conversion.ref.row, cursor);
  if (!result.IsNumber()) {
    v = FailureOf(result);
    return;
  }
  if (isFunction) {
    v.number = result.number;
  } else if (forward) {
    v.number *= result.number;
  } else if (result.number == 0) {
    v = MakeError(kZeroFactor + from + to);
    return;
  } else {
    v.number /= result.number;
  }
  v.unit = to;
}

namespace {

// The two-step rule's bare unit: [km] without its one-byte prefix is [m].
std::string BareUnit(const std::string& unit) {
  std::string bare = "[";
  return bare.append(unit, 2);
}

// Whether the two-step rule applies to the pair: a one-byte prefix on each
// and the same rest ([km] and [cm]).
bool TwoStepApplies(const std::string& from, const std::string& to) {
  return from.size() >= kTwoStepMinLength && to.size() >= 2 &&
         from.compare(2, std::string::npos, to, 2, std::string::npos) == 0;
}

void Convert(Context& ctx, Value& value, const std::string& unit, bool chains);

// Whether the steps of Convert without chains find a way from `from` to
// `to` (not whether taking it succeeds): a conversion of the pair, or both
// steps by way of the bare unit.
bool StepsFind(Context& ctx, const std::string& from, const std::string& to) {
  if (to.empty() || to == from || IsNoUnit(from)) return true;
  if (FindConversion(ctx, from, to)) return true;
  return TwoStepApplies(from, to) && StepsFind(ctx, from, BareUnit(from)) &&
         StepsFind(ctx, BareUnit(from), to);
}

// The described steps found nothing: [km] to [cm] goes by way of [m] (each
// step has a shorter unit, so this ends); other pairs are the error.
void ConvertInTwoStepsOrFail(Context& ctx, Value& value, const std::string& from,
                             const std::string& unit) {
  if (TwoStepApplies(from, unit)) {
    Convert(ctx, value, BareUnit(from), false);
    Convert(ctx, value, unit, false);
    return;
  }
  value = NoConversionError(from, unit);
}

// ConvertUnit; `chains`: whether a chain may be taken where the described
// steps find nothing (not inside the two steps by way of the bare unit).
void Convert(Context& ctx, Value& value, const std::string& unit, bool chains) {
  if (unit.empty() || unit == value.unit || !value.IsNumber()) return;
  if (IsNoUnit(value.unit)) {
    value.unit = unit;
    return;
  }
  const std::string from = value.unit;
  if (chains && ctx.caches.chains.MayHold(from, unit)) {
    if (std::optional<std::shared_ptr<const ChainSteps>> kept = KeptChain(ctx, from, unit)) {
      assert(!StepsFind(ctx, from, unit));
      if (*kept) {
        TakeChain(ctx, value, from, **kept);
      } else {
        ConvertInTwoStepsOrFail(ctx, value, from, unit);
      }
      return;
    }
  }
  if (std::optional<Conversion> conversion = FindConversion(ctx, from, unit)) {
    ApplyConversion(ctx, value, from, unit, *conversion);
    return;
  }
  // Where the steps find nothing a chain may; where there is none either,
  // the steps fail as they always did.
  if (chains && !(TwoStepApplies(from, unit) && StepsFind(ctx, from, unit))) {
    if (std::shared_ptr<const ChainSteps> steps = FindChain(ctx, from, unit)) {
      TakeChain(ctx, value, from, *steps);
      return;
    }
  }
  ConvertInTwoStepsOrFail(ctx, value, from, unit);
}

// Whether addition leaves B's number as it is: A has no unit (B is not
// converted), B has none (it takes A's) or the same.
bool NeedsNoConversion(const Value& a, const Value& b) {
  return IsNoUnit(a.unit) || IsNoUnit(b.unit) || b.unit == a.unit;
}

Value AddOrSubtract(Context& ctx, const Value& a, const Value& b, bool subtract) {
  if (!a.IsNumber() || !b.IsNumber()) return NonNumberOperand(a, b);
  if (NeedsNoConversion(a, b)) {
    Value sum(ValueKind::Number, subtract ? a.number - b.number : a.number + b.number);
    sum.unit = IsNoUnit(a.unit) ? b.unit : a.unit;
    sum.text = a.text;
    return sum;
  }
  Value right = b;
  if (!IsNoUnit(a.unit)) {
    ConvertUnit(ctx, right, a.unit);
    if (!right.IsNumber()) return right;
  }
  Value result = MakeNumber(subtract ? a.number - right.number : a.number + right.number,
                            IsNoUnit(a.unit) ? b.unit : a.unit);
  result.text = a.text;
  return result;
}

// Converts B to A's unit and compares the numbers; a B that cannot be
// converted compares false, like any operand that is not a number.
template <typename Compare>
bool CompareValues(Context& ctx, const Value& a, const Value& b, Compare compare) {
  if (!a.IsNumber() || !b.IsNumber()) return false;
  // Converting to no unit, or from none or the same, keeps the number.
  if (a.unit.empty() || IsNoUnit(b.unit) || b.unit == a.unit) return compare(a.number, b.number);
  Value right = b;
  ConvertUnit(ctx, right, a.unit);
  return right.IsNumber() && compare(a.number, right.number);
}

}  // namespace

void ConvertUnit(Context& ctx, Value& value, const std::string& unit) {
  Convert(ctx, value, unit, true);
}

Value AddValues(Context& ctx, const Value& a, const Value& b) {
  return AddOrSubtract(ctx, a, b, false);
}

void AddInPlace(Context& ctx, Value& a, const Value& b, bool subtract) {
  if (a.IsNumber() && b.IsNumber() && NeedsNoConversion(a, b)) {
    a.number = subtract ? a.number - b.number : a.number + b.number;
    if (IsNoUnit(a.unit)) a.unit = b.unit;
    return;
  }
  a = AddOrSubtract(ctx, a, b, subtract);
}

Value SubtractValues(Context& ctx, const Value& a, const Value& b) {
  return AddOrSubtract(ctx, a, b, true);
}

bool IsGreater(Context& ctx, const Value& a, const Value& b) {
  return CompareValues(ctx, a, b, [](double x, double y) { return x > y; });
}

bool IsGreaterOrEqual(Context& ctx, const Value& a, const Value& b) {
  return CompareValues(ctx, a, b, [](double x, double y) { return x >= y; });
}

bool IsLess(Context& ctx, const Value& a, const Value& b) {
  return CompareValues(ctx, a, b, [](double x, double y) { return x < y; });
}

bool IsLessOrEqual(Context& ctx, const Value& a, const Value& b) {
  return CompareValues(ctx, a, b, [](double x, double y) { return x <= y; });
}

}  // namespace zemu
