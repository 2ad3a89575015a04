// Unit conversion through the user's conversion definitions and prefixes.
//
// The store holds conversion factors [u1][u2]=f (one u1 is f u2, usable both
// ways), conversion functions [u1][u2](x)=formula (forward only) and unit
// prefixes [k]]=1000 (or a plain definition named k). ConvertUnit looks for a
// conversion in that order of names and applies it.
#pragma once

#include <string>

#include "base/value.h"

namespace zemu {

struct Context;

// Converts `value` to `unit` in place: a number without unit takes the unit,
// a number with a unit is converted, and a failed conversion turns the value
// into an Error ("未定義単位変換: ", "未定義単位変換関数: ",
// "単位変換係数＝ゼロ: ", or the error of the conversion definition itself).
// An empty unit, the value's own unit and non-numbers are left alone.
void ConvertUnit(Context& ctx, Value& value, const std::string& unit);

// Arithmetic with the unit rules; addition and subtraction convert B to A's
// unit when both carry one. An Error or Undefined operand is passed on.
Value AddValues(Context& ctx, const Value& a, const Value& b);
Value SubtractValues(Context& ctx, const Value& a, const Value& b);
// a = a + b (or a - b), the same as AddValues and SubtractValues.
void AddInPlace(Context& ctx, Value& a, const Value& b, bool subtract);
// Comparisons convert B to A's unit; false unless both are numbers.
bool IsGreater(Context& ctx, const Value& a, const Value& b);
bool IsGreaterOrEqual(Context& ctx, const Value& a, const Value& b);
bool IsLess(Context& ctx, const Value& a, const Value& b);
bool IsLessOrEqual(Context& ctx, const Value& a, const Value& b);

}  // namespace zemu
