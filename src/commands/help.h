// The help viewer: pages of a help file shown in the console, one topic at a
// time, with single keys to move between topics; and the keyword index that
// the viewer appends to a help file so that a topic is reached with one seek.
//
// A help file is Shift-JIS text. A line beginning "@@" heads a topic: its
// words are the topic's keywords and its first 80 bytes the page title. The
// page runs on to a line "@ choices..." (or a bare "@"); "@P" pauses, "@>>"
// runs a statement, other "@" lines are skipped. The index appended at the
// end is 0x1A 0x0A, one "%12ld %s\n" line per keyword and the trailer
// "%12ld ZEMUHELPindexed\n" giving the offset of the first index line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zemu {

struct Context;

// Pages the viewer remembers for going back.
inline constexpr std::size_t kPageHistorySize = 20;

// The pages shown, oldest first, kept for the life of the program and shared
// by every help file (entries are plain file offsets).
struct PageHistory {
  std::array<long, kPageHistorySize> offsets{};
  int count = 0;  // where the next page is recorded; at most kPageHistorySize - 1
};

// Records a page shown at `offset`: at the count, which then grows by one;
// at the last place the oldest page is dropped instead. The entry after the
// newest is cleared.
void RecordPage(PageHistory& history, long offset);

// Shows `topic` of the help file `fileName` ("file@topic" names another
// file; empty: the contents page "menu") and lets the user move between
// pages until ESC or an end topic. While the console is idle it only shows
// its usage in the status lines.
void ShowHelp(Context& ctx, std::string_view fileName, std::string_view topic);

// The word under `caret` (a byte offset) in `line`, a word as a help page's
// header names it (see HeaderKeywords): the caret inside it or just after
// it. Empty when there is none.
std::string WordAt(std::string_view line, std::size_t caret);
// The name (letters and digits) under `caret` in `line`, the caret inside
// it or just after it: the part of a word such as "x/sin" that names a
// topic of its own. Empty when there is none.
std::string NameAt(std::string_view line, std::size_t caret);

// Whether the help file `fileName` has a page on `topic`: its index names
// it (a file not yet indexed: a topic header does). Reads the file only.
bool HelpHasTopic(Context& ctx, std::string_view fileName, std::string_view topic);

// The marker that ends an indexed help file.
inline constexpr std::string_view kIndexMarker = "ZEMUHELPindexed";
// The trailer line: a 12-character offset field, a blank, the marker, LF.
inline constexpr long kTrailerSize = 12 + 1 + 15 + 1;
// The viewer reads the trailer from this far before the end: the last nine
// digits of its offset field, the blank, the marker and the LF.
inline constexpr long kTrailerProbe = 26;
// Index keywords are kept to this many bytes when read back.
inline constexpr std::size_t kKeywordMax = 79;

// Reads one index line at the file's position: spaces are skipped, the
// digits before the next blank make the offset (other bytes there are
// ignored), and the bytes after that blank up to the LF make the keyword
// (cut to kKeywordMax bytes; the rest of the line is passed over). A line
// that ends before the blank gives its number and an empty keyword. Returns
// 0, or -1 when the file ends before the blank that ends the number.
int ReadIndexLine(std::FILE* file, long& offset, std::string& keyword);

// The keywords of a topic header line, read from the text after its "@@":
// quoted texts (without quotes) and runs of names and the separators
// . / : and \; other bytes are skipped; 【 and 】 standing alone are left out.
std::vector<std::string> HeaderKeywords(std::string_view header);

// The index lines ("%12ld %s\n") for every keyword of every header line
// among the first `textEnd` bytes of the file, in file order.
std::string BuildIndexLines(std::FILE* file, long textEnd);

// Appends 0x1A 0x0A, `lines` and the trailer to a file open for update,
// through the write seam of `ctx`; `indexStart` becomes the offset of the
// first index line. False, with errno set, when writing failed: the file is
// then cut back to its size before, so that it is as it was.
bool WriteHelpIndex(Context& ctx, std::FILE* file, const std::string& lines, long& indexStart);

// Builds and appends the index of a whole help file open for update.
bool IndexHelpFile(Context& ctx, std::FILE* file, long& indexStart);

}  // namespace zemu
