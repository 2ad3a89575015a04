// What reading a function's body found out about its text, kept with the
// body: it is read again at every call, and the same text gives the same
// answers. A walk over an argument list depends on the bytes from its start
// on only; where a name ends depends on its bytes, and what it stands for
// (a definition or a built-in) on its bytes and on the store's generation
// (Caches::generation).
//
// Each answer is kept in a slot chosen by its offset in the text (one per
// slot: a later answer takes the slot over), so that asking costs the same
// however long the body is. Debug builds check every answer given against
// the walk or scan it stands for.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/scan.h"

namespace zemu {

struct TDefine;
struct BuiltinEntry;

class BodyMemo {
 public:
  enum WalkKind : std::uint8_t {
    ToArgumentEnd,  // where ArgumentEnd stops
    ToCloser,       // the ")" that FindChar(cursor, ')', true) finds, or none
  };

  // A name in the text: where it ends and, while the store's generation is
  // `generation`, what it stands for once no temporary variable is bound to
  // it.
  struct Name {
    std::uint32_t start = kNone;
    std::uint32_t end = 0;
    std::uint64_t generation = 0;  // 0: not resolved
    TDefine* sheet = nullptr;      // the definition's sheet; none for a built-in
    int row = -1;
    const BuiltinEntry* builtin = nullptr;  // none for an unknown name
  };

  // Forgets every answer unless the memo describes `text` as it stands (the
  // same bytes in the same place: the owner calls Clear, through
  // ForgetCaches, whenever it changes the text). `walks` and `names` say
  // which of the two kinds of answer the memo gives.
  void Describe(std::string_view text, bool walks, bool names) {
    if (text.data() != text_ || text.size() != size_) {
      Clear();
      text_ = text.data();
      size_ = text.size();
    }
    walkSize_ = walks ? size_ : 0;
    nameSize_ = names ? size_ : 0;
  }
  void Clear();
  // Whether the memo answers for a walk from `p`, or a name at `p`: `p` lies
  // in the text described, and that kind of answer is kept.
  bool HoldsWalk(const char* p) const { return p >= text_ && p < text_ + walkSize_; }
  bool HoldsName(const char* p) const { return p >= text_ && p < text_ + nameSize_; }

  // The walk of `kind` from `from` (which the memo HoldsWalk): its end, or
  // for ToCloser the ")" found or nullptr.
  const char* WalkEnd(WalkKind kind, const char* from);

  // The end of the name that begins at `start` (which the memo HoldsName);
  // `slot` becomes the name's slot, taken over for it when it described
  // another name.
  const char* NameEnd(const char* start, Name*& slot) {
    const std::uint32_t offset = Offset(start);
    slot = &names_[offset % kSlots];
    if (slot->start == offset) {
      assert(text_ + slot->end == EndOfName(start));
      return text_ + slot->end;
    }
    const char* end = EndOfName(start);
    *slot = Name{};
    slot->start = offset;
    slot->end = Offset(end);
    return end;
  }

 private:
  static constexpr std::size_t kSlots = 32;
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  struct Walk {
    std::uint32_t from = kNone;
    WalkKind kind = ToArgumentEnd;
    std::uint32_t end = 0;  // kNone: no ")" (ToCloser)
  };

  std::uint32_t Offset(const char* p) const { return static_cast<std::uint32_t>(p - text_); }

  std::array<Walk, kSlots> walks_;
  std::array<Name, kSlots> names_;
  const char* text_ = nullptr;
  std::size_t size_ = 0;
  std::size_t walkSize_ = 0;  // size_ while walks are kept, else 0
  std::size_t nameSize_ = 0;  // size_ while names are kept, else 0
};

// The walk of `kind` from `from`: from `memo` when it describes the text
// there (memo may be null).
const char* WalkEnd(BodyMemo* memo, BodyMemo::WalkKind kind, const char* from);

}  // namespace zemu
