// Temporary variables: push, pop, find and read the bindings of function
// parameters and loop variables. The vector keeps the newest binding at its
// back so that a push or pop never moves the older bindings.
#include "engine/tempvar.h"

#include "base/scan.h"
#include "host/context.h"

namespace zemu {

namespace {

// The vector position of table index `index` (0 = newest), or nullptr.
TempBinding* EntryAt(TTempVar& table, int index) {
  if (index < 0 || index >= table.Count()) return nullptr;
  return &table.entries[table.entries.size() - 1 - static_cast<std::size_t>(index)];
}

}  // namespace

bool SameTempVarName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

void PushTempVar(Context& ctx, std::string_view name, Value value) {
  ctx.tempVars.entries.emplace_back(name, std::move(value));
  ctx.tempVars.index.Add(name);
  ctx.tempVars.currentIndex = 0;
}

void PopTempVar(Context& ctx) {
  TTempVar& table = ctx.tempVars;
  if (table.entries.empty()) return;
  table.index.Remove(table.entries.back().name);
  table.entries.pop_back();
}

void PopTempVars(Context& ctx, int count) {
  for (int i = 0; i < count; ++i) PopTempVar(ctx);
}

int FindTempVar(Context& ctx, std::string_view name) {
  TTempVar& table = ctx.tempVars;
  const TempBinding* binding = FindBinding(table, name, ctx.caches);
  table.currentIndex = binding == nullptr ? -1 : static_cast<int>(&table.entries.back() - binding);
  return table.currentIndex;
}

Value BindingValue(Context& ctx, const TempBinding& binding) {
  TTempVar& table = ctx.tempVars;
  const auto position = static_cast<std::size_t>(&binding - table.entries.data());
  if (position < table.lowestRead) table.lowestRead = position;
  if (ctx.settings.trace >= TraceLevel::Calc) {
    ScreenOut(ctx, ChannelTrace, "TempVar: " + binding.name + "=" + ValueText(ctx, binding.value),
              binding.value.IsError());
  }
  return binding.value;
}

Value GetTempVar(Context& ctx) {
  const TempBinding* entry = EntryAt(ctx.tempVars, ctx.tempVars.currentIndex);
  if (entry != nullptr) return BindingValue(ctx, *entry);
  if (ctx.settings.trace >= TraceLevel::Calc) ScreenOut(ctx, ChannelTrace, "TempVar: Undefined");
  return MakeError("Undefined in TempVar");
}

void SetNewestTempVar(Context& ctx, const Value& value) {
  if (TempBinding* entry = EntryAt(ctx.tempVars, 0)) entry->value = value;
}

}  // namespace zemu
