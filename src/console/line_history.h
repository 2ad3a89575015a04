// The lines entered at the prompt, for recalling them with a key, and the
// history file they are kept in between runs, shared with the terminal's
// line editor: the terminal writes its lines in its own encoding (UTF-8,
// or Shift-JIS under a Shift-JIS locale), so the window reads and writes
// them in that encoding too and holds them in Shift-JIS.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zemu {

struct Context;

// Entries kept for recall; the terminal keeps its file to as many.
inline constexpr std::size_t kRecallLines = 1000;

// Entries oldest first, and a recall that walks them from the newest back.
// A walk starts at the line being typed (the draft) and ends with the next
// entry added; text typed into a recalled entry is kept for the walk, so
// that walking away and back finds it as it was left.
class LineHistory {
 public:
  explicit LineHistory(std::size_t limit = kRecallLines) : limit_(limit) {}

  // `line` (Shift-JIS) becomes the newest entry, the oldest going beyond the
  // limit; an empty line is not kept. Ends the walk.
  void Add(std::string line);
  const std::deque<std::string>& entries() const { return entries_; }

  // One entry older than the one shown, `shown` being the text now typed
  // in its place; nothing when there is no older one.
  std::optional<std::string> Older(std::string_view shown);
  // One entry newer, and past the newest the draft; nothing when the walk
  // is at the draft.
  std::optional<std::string> Newer(std::string_view shown);
  // Forgets the walk: the next Older starts again from the newest.
  void EndRecall();

 private:
  std::string TextAt(std::size_t index) const;
  // Keeps `shown` as the text of the entry shown, unless it is the entry.
  void Remember(std::string_view shown);

  std::size_t limit_;
  std::deque<std::string> entries_;
  std::size_t shown_ = 0;  // the entry shown; entries_.size(): the draft
  bool walking_ = false;
  std::unordered_map<std::size_t, std::string> edits_;  // typed into entries (and the draft)
};

// The history file of this user, as the terminal finds it, and how its lines
// are written.
struct HistoryFile {
  std::string path;       // empty: no file (the reason in `error`)
  bool shiftJis = false;  // the lines are Shift-JIS; otherwise UTF-8
  std::string folder;     // a folder that could not be made
  int error = 0;
};
HistoryFile FindHistoryFile(const Context& ctx);

// Adds the file's lines to `history`; a line that does not convert to
// Shift-JIS is left out. 0, or the errno of why the file could not be read.
int LoadHistory(const HistoryFile& file, LineHistory& history);
// Appends the Shift-JIS `line` to the file in its encoding: 0, or errno.
int AppendHistory(const HistoryFile& file, std::string_view line);

// What went wrong with the history file, for the console's error line.
enum class HistoryFault { Folder, Unreadable, Unwritable };
// The error line (with its line end) that says `fault` of `file` (its
// folder for Folder) happened for the errno `error`.
std::string HistoryFaultLine(const Context& ctx, const HistoryFile& file, HistoryFault fault,
                             int error);

}  // namespace zemu
