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

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace zemu {

bool IsBlank(unsigned char c);     // space, TAB, LF, CR, '&', 0xA0
bool IsLetter(unsigned char c);    // a-z, A-Z, 0x80-0xFF
bool IsDigit(unsigned char c);     // 0-9
bool IsNameChar(unsigned char c);  // letter or digit
bool IsLeadByte(unsigned char c);  // 0x81-0x9F, 0xE0-0xFC

// Steps over one character: two bytes for a lead byte not followed by the
// terminator, one otherwise. At the terminator the cursor does not move.
void StepChar(const char*& cursor);

// Leaves the cursor at the first byte that is not blank.
void SkipBlanks(const char*& cursor);

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

// name -> letter { letter | digit }, or "text" -> text.
// Skips blanks first. Returns the name (cursor after it) or the quoted text
// without its quotes (cursor after the closing quote). An unclosed quote (a
// terminator or ';' first) gives "" with the cursor just after the opening
// quote; anything else gives "" with the cursor on that byte.
std::string ReadName(const char*& cursor);

// word -> "text" | 'text' | segment { ('.' | '/' | ':' | '\') segment }
// where a segment is a name or nothing. Skips blanks first. A quoted word runs
// to the same quote or the terminator; the closing quote is stepped over. The
// cursor ends after what was read; "" when nothing was.
std::string ReadWord(const char*& cursor);

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
