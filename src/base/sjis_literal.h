// Shift-JIS string literals made at compile time. The sources are UTF-8 and
// the program works in Shift-JIS (code page 932), so every narrow literal
// that holds more than ASCII carries the suffix _sj:
//
//   ScreenOut(ctx, ChannelError, "  ERROR: " + name + "を開けません。\n"_sj);
//
// The literal's bytes are converted while compiling, with the table of
// cp932_table.inc (made from the system's iconv), so the program holds the
// same bytes whichever compiler builds it. A character that code page 932
// lacks stops the compilation. The result is a pointer to a static,
// zero-terminated Shift-JIS text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zemu {

namespace sjis_literal_detail {

struct Cp932Pair {
  char16_t codePoint;
  std::uint16_t sjis;  // below 0x100: a one-byte code
};

inline constexpr Cp932Pair kCp932Table[] = {
#include "base/cp932_table.inc"
};

// The Shift-JIS code of `codePoint`; throws (a compile error in a constant
// expression) when code page 932 has none.
constexpr std::uint16_t SjisCode(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<std::uint16_t>(codePoint);
  std::size_t low = 0;
  std::size_t high = std::size(kCp932Table);
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    if (kCp932Table[mid].codePoint < codePoint) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (low == std::size(kCp932Table) || kCp932Table[low].codePoint != codePoint) {
    throw "character without a Shift-JIS code in a _sj literal";
  }
  return kCp932Table[low].sjis;
}

// Decodes the UTF-8 character at `text[pos]` and moves `pos` past it.
constexpr char32_t NextCodePoint(const char* text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0) throw "invalid UTF-8 in a _sj literal";
  char32_t point = lead & (0x3F >> extra);
  while (extra-- > 0) {
    const auto next = static_cast<unsigned char>(text[pos++]);
    if ((next & 0xC0) != 0x80) throw "invalid UTF-8 in a _sj literal";
    point = (point << 6) | (next & 0x3F);
  }
  return point;
}

// Bytes of the Shift-JIS form of the `size` UTF-8 bytes at `text`.
constexpr std::size_t SjisLength(const char* text, std::size_t size) {
  std::size_t length = 0;
  for (std::size_t pos = 0; pos < size;)
    length += SjisCode(NextCodePoint(text, pos)) > 0xFF ? 2 : 1;
  return length;
}

// The converted literal, one instance per distinct text.
template <char... Utf8>
struct SjisText {
  static constexpr char kUtf8[] = {Utf8..., '\0'};
  static constexpr std::size_t kLength = SjisLength(kUtf8, sizeof...(Utf8));

  static constexpr std::array<char, kLength + 1> Make() {
    std::array<char, kLength + 1> out{};
    std::size_t at = 0;
    for (std::size_t pos = 0; pos < sizeof...(Utf8);) {
      const std::uint16_t code = SjisCode(NextCodePoint(kUtf8, pos));
      if (code > 0xFF) out[at++] = static_cast<char>(code >> 8);
      out[at++] = static_cast<char>(code & 0xFF);
    }
    return out;
  }
  static constexpr std::array<char, kLength + 1> bytes = Make();
};

}  // namespace sjis_literal_detail

// The literal's characters come as a template pack (an extension that gcc
// and clang share); a class-type template argument would be the standard way,
// but clang 14 crashes when it prints one in a diagnostic note.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wgnu-string-literal-operator-template"
#endif
template <typename Char, Char... Utf8>
constexpr const char* operator""_sj() {
  return sjis_literal_detail::SjisText<Utf8...>::bytes.data();
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

}  // namespace zemu
