// The compile-time Shift-JIS literals hold the bytes that the run-time
// conversion (iconv's code page 932) gives for the same UTF-8 text.
#include "base/sjis_literal.h"

#include <gtest/gtest.h>

#include <string>

#include "base/encoding.h"

namespace zemu {
namespace {

struct LiteralCase {
  const char* name;
  const char* literal;  // as the _sj suffix converted it
  const char8_t* utf8;  // the same text, converted when the test runs
};

TEST(SjisLiteral, MatchesTheRunTimeConversion) {
  const LiteralCase cases[] = {
      {"ascii", "a\\b ~|"_sj, u8"a\\b ~|"},
      {"trail byte 0x5C", "表ソ十"_sj, u8"表ソ十"},
      {"trail byte 0x7C", "ポ"_sj, u8"ポ"},
      {"half-width katakana", "ｱｶﾞﾟ｡"_sj, u8"ｱｶﾞﾟ｡"},
      {"full-width forms", "ＺＥＭＵ　１＋２～￥"_sj, u8"ＺＥＭＵ　１＋２～￥"},
      {"lead bytes 0x81 to 0xFC", "、亜腕弌熙纊"_sj, u8"、亜腕弌熙纊"},
      {"vendor rows", "①ⅰ№㈱"_sj, u8"①ⅰ№㈱"},
      {"greek and symbols", "μΩ°±×÷"_sj, u8"μΩ°±×÷"},
      {"mixed message", "  ERROR: x.ZDFを開けません。\r\n"_sj,
       u8"  ERROR: x.ZDFを開けません。\r\n"},
  };
  for (const LiteralCase& c : cases) {
    const std::string utf8(reinterpret_cast<const char*>(c.utf8));
    std::string expected;
    ASSERT_TRUE(Utf8ToSjis(utf8, expected)) << c.name;
    EXPECT_EQ(std::string(c.literal), expected) << c.name;
  }
}

}  // namespace
}  // namespace zemu
