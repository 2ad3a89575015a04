// Conversion between Shift-JIS (code page 932), the program's own character
// set, and UTF-8 at the edges: the Qt widgets and the terminal.
#pragma once

#include <cstddef>
#include <memory>
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

// Converts `text` from the character set `from` to `to` (iconv names, such as
// "CP932" or "EUC-JP"). False, with `out` unspecified, when iconv lacks
// either set or refuses any byte: nothing is replaced.
bool ConvertText(std::string_view text, const char* from, const char* to, std::string& out);

// ---- The window's text widgets ---------------------------------------------
// A widget shows a Shift-JIS text as UTF-16 with one unit for each character
// of the program's own rule: a lead byte and the byte after it are one
// character, CR LF is one line break ('\n'), and every other byte is one
// character. So a position maps between the two by counting characters, and
// no widget position falls inside a double-byte character or a CR LF.
// A character that code page 932 lacks, a lone CR and a lead byte without a
// valid trail byte are shown as U+FFFD.

// The widget's form of a Shift-JIS text.
std::u16string SjisToUtf16(std::string_view sjis);
// Text typed, pasted or committed by an input method, in Shift-JIS: '\n'
// stays '\n'; what code page 932 lacks (and a lone surrogate) becomes "?".
std::string Utf16ToSjis(std::u16string_view utf16);

// SjisToUtf16 and Utf16ToSjis for a caller that converts many short texts
// (the cells of a grid): each direction's iconv conversion is opened at the
// first text that needs it and kept open for the object's life. ASCII text
// needs none. Not for use by two threads at once.
class WidgetTextCodec {
 public:
  WidgetTextCodec();
  ~WidgetTextCodec();
  WidgetTextCodec(const WidgetTextCodec&) = delete;
  WidgetTextCodec& operator=(const WidgetTextCodec&) = delete;

  std::u16string ToUtf16(std::string_view sjis);
  std::string ToSjis(std::u16string_view utf16);

 private:
  class Conversion;
  std::unique_ptr<Conversion> toUtf16_;  // null until needed
  std::unique_ptr<Conversion> toSjis_;
};

// Bytes of the character that starts at `pos` (1 or 2; 0 at the end).
std::size_t SjisCharLength(std::string_view sjis, std::size_t pos);
// The widget position of byte offset `byte` (an offset inside a character
// counts as that character's start; beyond the end, the end).
std::size_t Utf16Offset(std::string_view sjis, std::size_t byte);
// The byte offset of widget position `unit` (beyond the end, the end).
std::size_t SjisOffset(std::string_view sjis, std::size_t unit);

// ---- Files ------------------------------------------------------------------

// True when `bytes` reads as Shift-JIS: every lead byte has a trail byte and
// the pair is a character of code page 932. Other bytes stand for themselves.
bool IsShiftJisText(std::string_view bytes);

// The UTF-8 byte order mark.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// What a definition or procedure file is written in. UTF-8 when it begins
// with the byte order mark, or when it holds bytes above ASCII and all of it
// is valid UTF-8 (Shift-JIS text practically never is); otherwise Shift-JIS
// when IsShiftJisText; otherwise neither.
enum class TextEncoding { ShiftJis, Utf8, Neither };
TextEncoding DetectTextEncoding(std::string_view bytes);

}  // namespace zemu
