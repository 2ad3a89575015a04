// What the terminal writes for the console's text: CR LF as LF (a CR
// alone stays), in the terminal's encoding.
#include "tty/terminal_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/encoding.h"
#include "base/sjis_literal.h"

namespace zemu::tty {
namespace {

std::string Written(TerminalEncoding encoding, const std::string& sjis) {
  std::FILE* out = std::tmpfile();
  TerminalIo(stdin, out, false, encoding, "").Write(sjis);
  std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
  std::rewind(out);
  text.resize(std::fread(text.data(), 1, text.size(), out));
  std::fclose(out);
  return text;
}

TEST(TerminalIoTest, WritesLineEndsAndCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"  v1=1  ", "  v1=1  "}, {"a\r\nb\r\n", "a\nb\n"}, {"a\r\r\nb\r", "a\r\nb\r"},
      {"\r\n\r\n", "\n\n"},     {"\n\r", "\n\r"},         {"表\r\nソ"_sj, "表\nソ"},
  };
  for (const auto& [sjis, utf8] : cases) {
    EXPECT_EQ(Written(TerminalEncoding::Utf8, sjis), utf8) << sjis;
    EXPECT_EQ(Written(TerminalEncoding::ShiftJis, sjis), Utf8ToSjis(utf8)) << sjis;
  }
}

}  // namespace
}  // namespace zemu::tty
