// The built-in function library: the names every formula can use without
// defining them (abs, sin, log, and, if, max, mod, pi ...), evaluated by
// name through one table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/value.h"

namespace zemu {

struct Context;

// Calls the built-in `name` (any case) whose arguments follow at the cursor;
// the cursor ends after what the call read. A "^item" right after the name is
// a power applied to the result (cos^2(x)). Failures come back as Error
// values; an unknown name gives "<name in lower case>は、未定義です。" and
// leaves its argument list unread. While the console is idle (assist mode),
// the function's help lines go to status lines 1 and 2.
Value CallBuiltin(Context& ctx, std::string_view name, const char*& cursor);

// A row of the table of built-ins.
struct BuiltinEntry;
// The built-in called `name` (any case), or nullptr when there is none.
const BuiltinEntry* FindBuiltin(std::string_view name);
// CallBuiltin with the entry that FindBuiltin gave for `name`.
Value CallBuiltin(Context& ctx, const BuiltinEntry* entry, std::string_view name,
                  const char*& cursor);

// The error the entry reports for a call it cannot make ("if(XX)").
const char* BuiltinError(const BuiltinEntry& entry);

// The names of the built-ins (lower case), in matching order; for completion.
std::vector<std::string> BuiltinNames();

}  // namespace zemu
