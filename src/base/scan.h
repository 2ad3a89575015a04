// Text scanning: character classes of the statement language and the readers
// and skippers that every other part uses on Shift-JIS byte strings.
//
// A cursor is a pointer into a zero-terminated byte string; every routine
// that takes it by reference moves it past what it used. A lead byte and the
// byte after it always travel together; no trail byte is ever compared with a
// delimiter. A lead byte directly before the terminator is a one-byte
// character, and no routine reads past the terminator: a missing closer,
// quote or bracket ends the scan at the terminator (or at the stop byte the
// routine names) without an error.
//
// Groups are ( ), [ ], { } and the half-width corner brackets 0xA2 0xA3.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace zemu {

// Byte classes; a byte may be in several (0xA2 is a letter and an opener).
namespace byte_class {
enum : std::uint8_t {
  kBlank = 1 << 0,
  kLetter = 1 << 1,
  kDigit = 1 << 2,
  kLead = 1 << 3,    // first byte of a double-byte character
  kOpener = 1 << 4,  // opens a group
  kStop = 1 << 5     // the terminator, and the bytes a walk stops or closes a group at
};

constexpr std::array<std::uint8_t, 256> MakeTable() {
  std::array<std::uint8_t, 256> t{};
  for (int c : {0x20, 0x09, 0x0A, 0x0D, 0x26, 0xA0}) t[c] |= kBlank;  // space TAB LF CR & 0xA0
  for (int c = 'a'; c <= 'z'; ++c) t[c] |= kLetter;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kLetter;
  for (int c = 0x80; c <= 0xFF; ++c) t[c] |= kLetter;  // kanji, kana, half-width katakana
  for (int c = '0'; c <= '9'; ++c) t[c] |= kDigit;
  for (int c = 0x81; c <= 0x9F; ++c) t[c] |= kLead;
  for (int c = 0xE0; c <= 0xFC; ++c) t[c] |= kLead;
  for (int c : {0x28, 0x5B, 0x7B, 0xA2}) t[c] |= kOpener;  // ( [ { and the corner bracket
  for (int c : {0x00, 0x3B, 0x27, 0x29, 0x5D, 0x7D, 0xA3}) t[c] |= kStop;  // \0 ; ' ) ] } 0xA3
  return t;
}

inline constexpr std::array<std::uint8_t, 256> kTable = MakeTable();

constexpr bool Is(unsigned char c, std::uint8_t cls) { return (kTable[c] & cls) != 0; }
}  // namespace byte_class

// space, TAB, LF, CR, '&', 0xA0
constexpr bool IsBlank(unsigned char c) { return byte_class::Is(c, byte_class::kBlank); }
// a-z, A-Z, 0x80-0xFF
constexpr bool IsLetter(unsigned char c) { return byte_class::Is(c, byte_class::kLetter); }
// 0-9
constexpr bool IsDigit(unsigned char c) { return byte_class::Is(c, byte_class::kDigit); }
// letter or digit
constexpr bool IsNameChar(unsigned char c) {
  return byte_class::Is(c, byte_class::kLetter | byte_class::kDigit);
}
// 0x81-0x9F, 0xE0-0xFC
constexpr bool IsLeadByte(unsigned char c) { return byte_class::Is(c, byte_class::kLead); }
// ( [ { and the half-width corner bracket 0xA2
constexpr bool IsOpener(unsigned char c) { return byte_class::Is(c, byte_class::kOpener); }
// A byte that every walk over the text steps over alone and looks no further
// at: no terminator, stop, opener, closer or lead byte.
constexpr bool IsPlainByte(unsigned char c) {
  return !byte_class::Is(c, byte_class::kLead | byte_class::kOpener | byte_class::kStop);
}

// True when every byte is below 0x80: such a text reads the same in
// Shift-JIS and UTF-8, and no width folding changes it.
inline bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A to Z as a to z, every other byte as it is: the one ASCII case fold. For
// a byte that is a character of its own, never the trail byte of a
// double-byte character (a trail byte may lie in the range of A to Z).
constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with A to Z lower-cased; the two bytes of a double-byte character
// stay as they are.
std::string AsciiLowerText(std::string_view text);

// a == b, for the short texts of names, units and formats: compared inline
// a word or two at a time (the words of a text of 4 to 16 bytes overlap),
// which costs less there than a call of the C library; that pays off for
// longer texts only.
inline bool SameText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  if (n > 16) return a == b;
  const char* x = a.data();
  const char* y = b.data();
  auto same = [](const char* p, const char* q, auto word) {
    std::memcpy(&word, p, sizeof word);
    decltype(word) other;
    std::memcpy(&other, q, sizeof other);
    return word == other;
  };
  if (n >= 8) return same(x, y, std::uint64_t{}) && same(x + n - 8, y + n - 8, std::uint64_t{});
  if (n >= 4) return same(x, y, std::uint32_t{}) && same(x + n - 4, y + n - 4, std::uint32_t{});
  for (std::size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

// Steps over one character: two bytes for a lead byte not followed by the
// terminator, one otherwise. At the terminator the cursor does not move.
inline void StepChar(const char*& cursor) {
  if (*cursor == '\0') return;
  cursor += (IsLeadByte(static_cast<unsigned char>(*cursor)) && cursor[1] != '\0') ? 2 : 1;
}

// Just after the run of name characters at p (letters and digits,
// double-byte characters whole).
inline const char* EndOfName(const char* p) {
  while (IsNameChar(static_cast<unsigned char>(*p))) StepChar(p);
  return p;
}

// Leaves the cursor at the first byte that is not blank.
inline void SkipBlanks(const char*& cursor) {
  while (IsBlank(static_cast<unsigned char>(*cursor))) ++cursor;
}

// Leaves the cursor at the first terminator, ';' or '\'' (groups are not
// skipped).
void SkipToStatementEnd(const char*& cursor);

// Leaves the cursor at the first ';', '}' or terminator outside a group.
void SkipStatement(const char*& cursor);

// Leaves the cursor at the first '}' or terminator outside a group (';' does
// not stop it) and returns that byte ('}' or 0).
char SkipToCloseBrace(const char*& cursor);

// At an opening bracket: skips to just after its matching closer, counting
// only that one kind of bracket, or stops on a terminator, ';' or '\'' met
// first; returns true. Elsewhere returns false without moving.
bool SkipGroup(const char*& cursor);

// Looks for `wanted` before the first terminator or ';', stepping over whole
// groups when `skipGroups`. Found: the cursor moves just after it and the
// result is true. Not found: false, and the cursor does not move.
bool FindChar(const char*& cursor, char wanted, bool skipGroups);

// Looks for the next ',' at the same bracket level before a terminator, ';',
// ')' or ']'. Found: the cursor moves just after it and the result is true.
// Not found: false, and the cursor does not move.
bool NextArgument(const char*& cursor);
// Where NextArgument's walk from `cursor` stops: on that ',' or on the stop
// byte (terminator, ';', ')' or ']') that came first.
const char* ArgumentEnd(const char* cursor);

// name -> letter { letter | digit }, or "text" -> text.
// Skips blanks first. Returns the name (cursor after it) or the quoted text
// without its quotes (cursor after the closing quote). An unclosed quote (a
// terminator or ';' first) gives "" with the cursor just after the opening
// quote; anything else gives "" with the cursor on that byte.
std::string ReadName(const char*& cursor);
// ReadName without the copy: the name as a view into the text.
std::string_view ReadNameView(const char*& cursor);

// word -> "text" | 'text' | segment { ('.' | '/' | ':' | '\') segment }
// where a segment is a name or nothing. Skips blanks first. A quoted word runs
// to the same quote or the terminator; the closing quote is stepped over. The
// cursor ends after what was read; "" when nothing was.
std::string ReadWord(const char*& cursor);
// ReadWord without the copy: the word as a view into the text.
std::string_view ReadWordView(const char*& cursor);

// file name -> "text" | 'text' | { character }
// Skips blanks first. A quoted name is read as ReadWord reads it. Otherwise
// the name is every character (double-byte characters whole) up to a blank,
// ';' or the end of the statement (the terminator, and the '\'' and '}' at
// which the statement loop stops), so that '-', '+' and the like are part of
// it. The cursor ends after what was read; "" when nothing was.
std::string ReadFileName(const char*& cursor);

// unit -> '[' ... ']'. Skips blanks first. Returns the text with both
// brackets, the cursor after the ']'. Without a '[' or a ']' (before a
// terminator or ';') returns "", the cursor on the first non-blank byte.
std::string ReadUnit(const char*& cursor);

// Is `typed` (a whole word) an accepted form of the command word `pattern`?
// A '.' in the pattern marks the end of the shortest accepted abbreviation; '?'
// in either string matches one character and '#' the rest. Case-sensitive.
bool MatchCommandWord(const char* typed, const char* pattern);

// Does the name at the start of `probe` match the name `stored`? In either
// string '#' matches the rest and '?' a run of characters; every later '?' in
// the same comparison must match the same run. The probe's name must end
// where the stored name ends (the probe may go on with a non-name byte).
bool MatchName(const char* probe, const char* stored);

// Reads one line into buffer[0..size-1], terminated. The LF is not stored,
// nor a CR directly before it. At most size-1 bytes are stored; the rest of a
// longer line is returned by the next call (a line break right after a full
// buffer is consumed with it, so a line of exactly size-1 bytes gives no extra
// empty line; a lone CR in that place is dropped). Returns the position of the
// terminator (equal to `buffer` for an empty line), or nullptr when the stream
// was already at its end (or failed) and nothing was read, or when size is 0.
char* ReadLine(std::FILE* stream, char* buffer, std::size_t size);

// Expands %0..%9 and %% from the template into out[0..size-1], always
// terminated. Output stops at size-3 bytes; an argument that does not fit
// before that limit is left out whole. `args` holds ten strings (nullptr
// stands for ten empty ones).
void ExpandArguments(const char* tmpl, char* out, std::size_t size, const std::string* args);

// Folds full-width characters typed at the console to their one-byte forms:
// digits and letters become one byte, some spaces and punctuation become two
// bytes (so they keep their byte positions), and 0xA0 becomes a space.
std::string FoldWidth(std::string_view source);

}  // namespace zemu
