// The body memo's walks; its names are read by the evaluator.
#include "cache/body_memo.h"

#include "base/scan.h"

namespace zemu {

namespace {

const char* Walked(BodyMemo::WalkKind kind, const char* from) {
  if (kind == BodyMemo::ToArgumentEnd) return ArgumentEnd(from);
  const char* p = from;
  return FindChar(p, ')', true) ? p - 1 : nullptr;
}

}  // namespace

void BodyMemo::Clear() {
  walks_.fill(Walk{});
  names_.fill(Name{});
  text_ = nullptr;
  size_ = walkSize_ = nameSize_ = 0;
}

const char* BodyMemo::WalkEnd(WalkKind kind, const char* from) {
  const std::uint32_t offset = Offset(from);
  Walk& slot = walks_[(offset * 2 + kind) % kSlots];
  if (slot.from != offset || slot.kind != kind) {
    const char* end = Walked(kind, from);
    slot = Walk{offset, kind, end != nullptr ? Offset(end) : kNone};
  }
  const char* end = slot.end != kNone ? text_ + slot.end : nullptr;
  assert(end == Walked(kind, from));
  return end;
}

const char* WalkEnd(BodyMemo* memo, BodyMemo::WalkKind kind, const char* from) {
  if (memo != nullptr && memo->HoldsWalk(from)) return memo->WalkEnd(kind, from);
  return Walked(kind, from);
}

}  // namespace zemu
