// The widget form of console text: one UTF-16 unit per character of the
// program's own rule, and positions that map both ways without ever
// falling inside a double-byte character or a line break.
#include "base/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis_literal.h"

namespace zemu {
namespace {

struct WidgetCase {
  const char* name;
  std::string sjis;
  std::u16string shown;
  // Byte offset -> widget position, for every byte offset 0..size.
  std::vector<std::size_t> positions;
};

TEST(WidgetText, CharactersAndPositions) {
  const WidgetCase cases[] = {
      {"ascii", "> 1+2;", u"> 1+2;", {0, 1, 2, 3, 4, 5, 6}},
      {"trail byte 0x5C", "a表b"_sj, u"a表b", {0, 1, 1, 2, 3}},
      {"lead bytes 0x81 0x9F 0xE0 0xFC", "、亜腕纊"_sj, u"、亜腕纊", {0, 0, 1, 1, 2, 2, 3, 3, 4}},
      {"half-width katakana", "ｶﾅ"_sj, u"ｶﾅ", {0, 1, 2}},
      {"CR LF is one break", "a\r\nb", u"a\nb", {0, 1, 1, 2, 3}},
      {"a lone LF and a lone CR", "a\nb\rc", u"a\nb\uFFFDc", {0, 1, 2, 3, 4, 5}},
      {"lead byte at the end", "a\x81", u"a\uFFFD", {0, 1, 2}},
      {"lead byte with a blank as trail", "\x81 x", u"\uFFFDx", {0, 0, 1, 2}},
      {"lead byte swallows a CR", "\x81\r\nx", u"\uFFFD\nx", {0, 0, 1, 2, 3}},
      {"unassigned double-byte code", "\x85\x40z", u"\uFFFDz", {0, 0, 1, 2}},
      {"empty", "", u"", {0}},
  };
  for (const WidgetCase& c : cases) {
    EXPECT_EQ(SjisToUtf16(c.sjis), c.shown) << c.name;
    ASSERT_EQ(c.positions.size(), c.sjis.size() + 1) << c.name;
    for (std::size_t byte = 0; byte <= c.sjis.size(); ++byte) {
      const std::size_t unit = Utf16Offset(c.sjis, byte);
      EXPECT_EQ(unit, c.positions[byte]) << c.name << " byte " << byte;
      // Back from the widget: the start of the character that holds the byte.
      const std::size_t back = SjisOffset(c.sjis, unit);
      EXPECT_LE(back, byte) << c.name << " byte " << byte;
      EXPECT_EQ(Utf16Offset(c.sjis, back), unit) << c.name << " byte " << byte;
    }
    EXPECT_EQ(SjisOffset(c.sjis, c.shown.size() + 5), c.sjis.size()) << c.name;
  }
}

// One codec kept open converts every text as a fresh conversion does,
// whatever it converted before (a refused byte leaves no state behind).
TEST(WidgetText, CodecKeptOpenConvertsEachTextAlike) {
  const std::string texts[] = {"a表b"_sj, "\x85\x40z", "a\x81", "、亜腕纊"_sj, "ｶﾅ"_sj, "x"};
  WidgetTextCodec codec;
  for (int round = 0; round < 2; ++round) {
    for (const std::string& text : texts) {
      EXPECT_EQ(codec.ToUtf16(text), SjisToUtf16(text)) << text;
      EXPECT_EQ(codec.ToSjis(SjisToUtf16(text)), Utf16ToSjis(SjisToUtf16(text))) << text;
    }
  }
}

TEST(WidgetText, TypedTextToShiftJis) {
  const struct {
    std::u16string typed;
    std::string sjis;
  } cases[] = {
      {u"1+2;\n", "1+2;\n"},
      {u"長さ＝１ｍ", "長さ＝１ｍ"_sj},
      {u"ｱ表", "ｱ表"_sj},
      {u"\u00E9\U0001F600x", "???x"},  // no code; a surrogate pair is two units
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToSjis(c.typed), c.sjis);
}

}  // namespace
}  // namespace zemu
