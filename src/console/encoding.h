// Conversion between Shift-JIS (code page 932), the program's own character
// set, and UTF-8 at the edges: the Qt widgets and the terminal.
#pragma once

#include <string>
#include <string_view>

namespace zemu {

// Converts Shift-JIS to UTF-8. Bytes that are not valid Shift-JIS become
// U+FFFD. Returns false when anything had to be replaced.
bool SjisToUtf8(std::string_view sjis, std::string& utf8);
std::string SjisToUtf8(std::string_view sjis);

// Converts UTF-8 to Shift-JIS. Invalid UTF-8 and characters that code page
// 932 lacks become "?". Returns false when anything had to be replaced.
bool Utf8ToSjis(std::string_view utf8, std::string& sjis);
std::string Utf8ToSjis(std::string_view utf8);

}  // namespace zemu
