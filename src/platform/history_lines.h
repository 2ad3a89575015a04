// The lines of the history file that the terminal's line editor and the
// window share: where the file is, each line in the escaped form the line
// editor reads and writes (blanks, the backslash, control bytes and bytes
// above ASCII as escapes), reading all of it, and appending one line under
// the file's lock. Lines are bytes here; what encoding they are in is the
// caller's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zemu {

// Where the history file is kept, or why it cannot be.
struct HistoryPlace {
  std::string file;    // empty: no history file
  std::string folder;  // a folder that could not be made
  int error = 0;       // why it could not
};

// $XDG_DATA_HOME/zemu/history, or ~/.local/share/zemu/history; the folders
// are made when missing. No file when there is no home or a folder cannot
// be made.
HistoryPlace FindHistoryPlace();

// `line` as the line editor stores it: blanks, the backslash, control
// characters and bytes above ASCII as three-digit octal escapes; without a
// line end.
std::string EncodeHistoryLine(std::string_view line);
// A stored line read back. Besides the octal escapes it reads the other
// escapes the line editor's own writer uses: "\\", "\M-c", "\M^c", "\^c",
// "\xHH" and the C forms ("\n", "\t", "\s" ...). A backslash that starts no
// escape stands for itself.
std::string DecodeHistoryLine(std::string_view stored);

// The lines of the history file at `path`, decoded, oldest first, without
// the cookie line; a last line cut short counts. A missing file has none.
// 0, or the errno of why the file could not be read.
int ReadHistoryLines(const std::string& path, std::vector<std::string>& lines);

// Appends `line` (as typed; encoded here) to the history file at `path`,
// holding the file locked: after the cookie line when the file is new and
// after a line end when its last line lacks one (a write cut short), so
// that the new line is read as a line of its own. 0, or errno.
int AppendHistoryLine(const std::string& path, std::string_view line);

}  // namespace zemu
