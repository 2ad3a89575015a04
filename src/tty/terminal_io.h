// The terminal's side of the terminal front end: reading lines and keys from
// standard input (or a batch source), writing console text to standard
// output, line editing with history, completion and the assist key, Ctrl-C,
// and the conversion between the terminal's encoding and the program's
// Shift-JIS.
#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/completion.h"
#include "tty/edit_module.h"

namespace zemu::tty {

// The character set the terminal reads and writes.
enum class TerminalEncoding { Utf8, ShiftJis };

// The terminal's encoding from the locale's character set (nl_langinfo):
// Shift-JIS for the Shift-JIS names, UTF-8 otherwise. `note` is set to the
// locale's character set when it is neither (the C locale), so that the
// terminal can say once that it reads UTF-8.
TerminalEncoding EncodingOfLocale(std::string& note);

// One line of input, already in Shift-JIS, or why it could not be taken.
struct InputLine {
  std::string text;          // without its line end; a final '&' is removed
  bool continued = false;    // the line ended in '&': the next line belongs to it
  bool unreadable = false;   // NUL bytes or bytes not in the terminal's encoding: dropped
  bool interrupted = false;  // Ctrl-C while it was typed: the typing is dropped
  int number = 0;            // its line number in the input, from 1
};

// What Tab offers (see tty/completion.h).
using Completer = std::function<CompletionOffer(std::string_view beforeCaret)>;
// The assist key: the lines that explain the statement being typed.
using Assister = std::function<std::vector<std::string>(std::string_view line, std::size_t caret)>;

class TerminalIo {
 public:
  // `interactive`: `in` is a terminal; line editing, history and Ctrl-C.
  // The line editor is the module that ships with the program at
  // `programPath`, loaded only when interactive; without it lines are read
  // unedited, after a note on standard error.
  TerminalIo(std::FILE* in, std::FILE* out, bool interactive, TerminalEncoding encoding,
             const std::string& programPath = {});
  ~TerminalIo();
  TerminalIo(const TerminalIo&) = delete;
  TerminalIo& operator=(const TerminalIo&) = delete;

  bool interactive() const { return interactive_; }
  bool editing() const { return editor_ != nullptr; }
  bool outputIsTerminal() const { return outputIsTerminal_; }
  TerminalEncoding encoding() const { return encoding_; }

  // Reads from `in` from now on (a batch source), its first line counted
  // as `linesBefore` + 1.
  void SetInput(std::FILE* in, int linesBefore = 0);
  // The number of the last line read.
  int lineNumber() const { return lineNumber_; }
  void SetCompleter(Completer completer) { completer_ = std::move(completer); }
  void SetAssister(Assister assister) { assister_ = std::move(assister); }

  // The next line, or nothing at the end of input. Interactive input shows
  // `prompt` and offers line editing; with `remember`, each line goes into
  // the history file at once (answers to questions do not).
  std::optional<InputLine> ReadLine(const char* prompt, bool remember = true);

  // One key as a Shift-JIS byte (a double-byte character comes as two
  // calls); line ends are skipped; ESC (27) at the end of input or Ctrl-C.
  int ReadKey();

  // True once after Ctrl-C was pressed.
  bool TakeInterrupt();

  // Writes console text (Shift-JIS, CR LF) in the terminal's encoding.
  void Write(std::string_view sjis);
  // Writes a text of the terminal itself (already in its encoding).
  void WritePlain(std::string_view text);
  // Writes a Shift-JIS line (without line end) on standard error.
  void WriteError(std::string_view sjis);

  // Converts a text typed at the terminal to Shift-JIS; false if invalid.
  bool ToSjis(std::string_view typed, std::string& sjis) const;
  // Converts Shift-JIS to the terminal's encoding.
  std::string FromSjis(std::string_view sjis) const;

  // For the line editor's callbacks: what Tab offers for the text typed
  // before the caret, `word` its last word, both in the terminal's encoding;
  // the assist key's lines for the typed line, shown under it (false when
  // there are none to show).
  CompletionOffer Complete(std::string_view typedBeforeCaret, std::string& word);
  bool Assist(std::string_view typed, std::size_t caret);

 private:
  void LoadEditor(const std::string& programPath);
  // Writes a line of text already in the terminal's encoding on stderr.
  void WriteErrorPlain(std::string_view text);
  static void EditorComplete(void* user, const char* before, std::size_t length,
                             ZemuEditOffer* offer);
  static int EditorAssist(void* user, const char* line, std::size_t length, std::size_t caret);
  std::optional<std::string> ReadRawLine(const char* prompt, bool remember, bool& interrupted);
  int ReadByte();
  void AddToHistory(const std::string& line);

  std::FILE* in_;
  std::FILE* out_;
  bool interactive_;
  bool outputIsTerminal_;
  TerminalEncoding encoding_;
  int lineNumber_ = 0;
  std::deque<int> pendingKeys_;  // the second byte of a double-byte key
  std::string historyFile_;
  bool historyFaultShown_ = false;  // a failed write to the history file was said
  Completer completer_;
  Assister assister_;
  const ZemuLineEditor* editor_ = nullptr;  // the line editor module; null: none
  ZemuEditHost editorHost_{};
  // The last completion handed to the line editor, which points into it.
  std::string offeredWord_;
  std::vector<std::string> offered_;
  std::vector<const char*> offeredTexts_;
};

}  // namespace zemu::tty
