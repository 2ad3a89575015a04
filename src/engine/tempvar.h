// Temporary variables: the stack of name/value bindings shared by function
// calls and .for loops. The newest binding wins; names compare without case.
//
// Index 0 is the newest binding (the front of the stack). Every function
// call and every loop pops exactly what it pushed, on success and on error.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/scan.h"
#include "base/value.h"
#include "cache/caches.h"

namespace zemu {

struct Context;

struct TempBinding {
  TempBinding(std::string_view bindingName, Value bindingValue)
      : name(bindingName), value(std::move(bindingValue)) {}

  std::string name;  // as the binding party wrote it
  Value value;       // the table's own copy
};

struct TTempVar {
  std::vector<TempBinding> entries;  // stored oldest first: index 0 is entries.back()
  int currentIndex = -1;             // found by the last FindTempVar, or -1
  // The lowest position in `entries` of a binding the evaluator read since
  // this was last set to kNoRead: a definition whose value read a binding
  // older than its own evaluation depends on its caller (see OuterReads).
  static constexpr std::size_t kNoRead = std::numeric_limits<std::size_t>::max();
  std::size_t lowestRead = kNoRead;
  BindingIndex index;  // the bindings by the first byte of their names

  int Count() const { return static_cast<int>(entries.size()); }
};

// Binds `name` to `value` in front of every other binding and sets the
// current index to 0.
void PushTempVar(Context& ctx, std::string_view name, Value value);
// Removes the newest binding (nothing when the table is empty). The current
// index is not changed.
void PopTempVar(Context& ctx);
// Removes the `count` newest bindings; nothing for a count of 0 or less.
void PopTempVars(Context& ctx, int count);

// Compares two names with A-Z equal to a-z. A double-byte character is
// compared byte for byte: its trail byte may lie in the A-Z range.
bool SameTempVarName(std::string_view a, std::string_view b);

// The newest binding of `name` (compared as FindTempVar does), or nullptr,
// by looking at every binding.
inline const TempBinding* ScanBindings(const TTempVar& table, std::string_view name) {
  for (std::size_t i = table.entries.size(); i-- > 0;) {
    const TempBinding& binding = table.entries[i];
    // Most names are written alike where they are bound and where they are read.
    if (SameText(binding.name, name) || SameTempVarName(binding.name, name)) return &binding;
  }
  return nullptr;
}

// The same, the evaluator's lookup, which leaves the current index alone: a
// name whose first byte no binding's name begins with is not looked for
// (with the cache on: a cheap test made before every name lookup).
inline const TempBinding* FindBinding(const TTempVar& table, std::string_view name,
                                      const Caches& caches) {
  if (caches.On(kBindingCache) && !table.index.MayHold(name)) {
    assert(table.entries.size() > 64 || ScanBindings(table, name) == nullptr);
    return nullptr;
  }
  return ScanBindings(table, name);
}

// A copy of the binding's value, traced as GetTempVar traces it.
Value BindingValue(Context& ctx, const TempBinding& binding);

// Index of the newest binding of `name` (letters A-Z equal a-z, double-byte
// characters compare byte for byte), or -1. Also stored as the current index.
int FindTempVar(Context& ctx, std::string_view name);
// A copy of the value at the current index, or the error "Undefined in
// TempVar" when there is none. With Trace at calc or higher, writes the
// trace line "TempVar: name=value" (or "TempVar: Undefined").
Value GetTempVar(Context& ctx);

// Overwrites the value of the newest binding in place (a .for step). Does
// nothing when the table is empty.
void SetNewestTempVar(Context& ctx, const Value& value);

}  // namespace zemu
