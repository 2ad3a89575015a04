// Unit conversion through the user's conversion definitions and prefixes.
//
// The store holds conversion factors [u1][u2]=f (one u1 is f u2, usable both
// ways), conversion functions [u1][u2](x)=formula (forward only) and unit
// prefixes [k]]=1000 (or a plain definition named k). ConvertUnit looks for a
// conversion in that order of names and applies it.
#pragma once

#include <string>

#include "engine/value.h"

namespace zemu {

struct Context;

// Converts `value` to `unit` in place: a number without unit takes the unit,
// a number with a unit is converted, and a failed conversion turns the value
// into an Error ("未定義単位変換: ", "未定義単位変換関数: ",
// "単位変換係数＝ゼロ: ", or the error of the conversion definition itself).
// An empty unit, the value's own unit and non-numbers are left alone.
void ConvertUnit(Context& ctx, Value& value, const std::string& unit);

}  // namespace zemu
