// One step of unit conversion: finding the definition that converts one
// unit to another (the forward pair, the reverse pair, a prefix either way)
// and applying it to a number. ConvertUnit takes one such step, or two by
// way of the bare unit; a chain of conversions takes several in a row.
#pragma once

#include <optional>
#include <string>

#include "base/value.h"
#include "definitions/store.h"

namespace zemu {

struct Context;

enum class Direction { Forward, Reverse };

struct Conversion {
  DefinitionRef ref;
  Direction direction = Direction::Forward;
};

// The conversion from `from` to `to`, in the order of the names looked
// for: [from][to], [to][from], the prefix that makes `from` out of `to`,
// the prefix that makes `to` out of `from`. None when none is defined.
std::optional<Conversion> FindConversion(Context& ctx, const std::string& from,
                                         const std::string& to);

// Whether the conversion is a conversion function that would have to be
// used backwards (which fails).
bool IsReverseFunction(const Conversion& conversion);

// Applies a found conversion to v, a number in `from`: v is then in `to`,
// or the error the conversion met.
void ApplyConversion(Context& ctx, Value& v, const std::string& from, const std::string& to,
                     const Conversion& conversion);

// The error for a pair of units that nothing converts.
Value NoConversionError(const std::string& from, const std::string& to);

}  // namespace zemu
