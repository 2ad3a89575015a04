// The line editor as a module (zemu-edit.so): the program loads it only
// when it reads from a terminal, so that runs on pipes, -e and --batch do
// not load the editing library. The module and the program share nothing of
// C++: its one entry returns a table of C functions; texts are plain char
// pointers in the terminal's encoding, and the program's side is reached
// through C callbacks with the program's own pointer.
#pragma once

#include <stddef.h>

inline constexpr const char* kEditModuleName = "zemu-edit.so";
inline constexpr const char* kEditEntryName = "zemu_edit_module";

extern "C" {

// The candidates Tab offers for the word that ends the text before the
// caret. The texts belong to the program and stay valid until its next
// completion.
struct ZemuEditOffer {
  const char* word;               // the word being completed, as the program cuts it
  const char* const* candidates;  // each a whole word that may replace `word`
  size_t count;
  char append;  // written after a single candidate; 0 for nothing
};

// The program's side of the editing, called while a line is read.
struct ZemuEditHost {
  void* user;  // handed back to each callback
  // Tab: fills `offer` for the `length` bytes before the caret.
  void (*complete)(void* user, const char* before, size_t length, ZemuEditOffer* offer);
  // The assist key: shows the lines that explain `line` (`length` bytes,
  // the caret `caret` bytes in), on lines of their own under the prompt.
  // Nonzero when it wrote them, so that the prompt and line are shown again.
  int (*assist)(void* user, const char* line, size_t length, size_t caret);
};

// What became of the history file when the editor was opened.
struct ZemuEditHistory {
  int error;  // 0, or the errno of what failed; the file's lines then stay as they were
  int read;   // nonzero when its lines were read (a file not made yet counts as read)
};

struct ZemuLineEditor {
  // Sets the editor up for `host` (which must outlive the editor's use):
  // reads the history file (empty: none), keeping its last `historyLines`
  // lines, and binds Tab and the assist keys. A history file that holds
  // clearly more lines is replaced by one of the kept lines, and one whose
  // cookie line was cut off gets it back; each such file is replaced in one
  // step (rename), so that the history is never found cut short.
  ZemuEditHistory (*open)(const ZemuEditHost* host, const char* historyFile, int historyLines);
  // Shows `prompt` and reads one edited line, without its line end; null at
  // the end of input or when Ctrl-C broke off the typing. The text stays
  // valid until the next read.
  const char* (*read_line)(const char* prompt);
  // Adds a line to the history of this session (the program keeps the file).
  void (*add_history)(const char* line);
};

// The module's entry, looked up by the name kEditEntryName.
typedef const ZemuLineEditor* EditEntry(void);
}
