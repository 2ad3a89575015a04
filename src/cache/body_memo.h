// What reading a function's body found out about its text, kept with the
// body: it is read again at every call, and the same text gives the same
// answers. A walk over an argument list depends on the bytes from its start
// on only; where a name ends depends on its bytes, and what it stands for
// (a definition or a built-in) on its bytes and on the store's layout.
//
// Each answer is kept in a slot chosen by its offset in the text (one per
// slot: a later answer takes the slot over), so that asking costs the same
// however long the body is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zemu {

struct TDefine;
struct BuiltinEntry;

class BodyMemo {
 public:
  enum WalkKind : std::uint8_t {
    ToArgumentEnd,  // where ArgumentEnd stops
    ToCloser,       // the ")" that FindChar(cursor, ')', true) finds, or none
  };

  // A name in the text: where it ends and, while the store's layout is
  // `layout`, what it stands for once no temporary variable is bound to it.
  struct Name {
    std::uint32_t start = kNone;
    std::uint32_t end = 0;
    std::uint64_t layout = 0;  // 0: not resolved
    TDefine* sheet = nullptr;  // the definition's sheet; none for a built-in
    int row = -1;
    const BuiltinEntry* builtin = nullptr;  // none for an unknown name
  };

  // Forgets every answer unless the memo describes `text` as it stands (the
  // same bytes in the same place: the owner calls Clear whenever it changes
  // the text).
  void Describe(std::string_view text) {
    if (text.data() != text_ || text.size() != size_) {
      Clear();
      text_ = text.data();
      size_ = text.size();
    }
  }
  void Clear();
  // Whether `p` lies in the text described.
  bool Holds(const char* p) const { return p >= text_ && p < text_ + size_; }

  // The walk of `kind` from `from` (which the memo Holds): its end, or for
  // ToCloser the ")" found or nullptr.
  const char* WalkEnd(WalkKind kind, const char* from);

  // The slot of the name that begins at `start` (which the memo Holds); its
  // `start` tells whether it describes that name. With the name's end, the
  // slot is taken over by FillName.
  Name& NameAt(const char* start) { return names_[Offset(start) % kSlots]; }
  const char* NameEnd(const Name& name) const { return text_ + name.end; }
  void FillName(Name& slot, const char* start, const char* end) {
    slot = Name{};
    slot.start = Offset(start);
    slot.end = Offset(end);
  }
  bool Describes(const Name& slot, const char* start) const { return slot.start == Offset(start); }

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
};

// The walk of `kind` from `from`: from `memo` when it describes the text
// there (memo may be null).
const char* WalkEnd(BodyMemo* memo, BodyMemo::WalkKind kind, const char* from);

}  // namespace zemu
