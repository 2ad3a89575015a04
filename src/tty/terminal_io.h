// The terminal's side of the terminal front end: reading lines and keys from
// standard input, writing console text to standard output, and the
// conversion between the terminal's UTF-8 and the program's Shift-JIS.
#pragma once

#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace zemu::tty {

// One line of input, already in Shift-JIS, or why it could not be taken.
struct InputLine {
  std::string text;  // without its line end; a final '&' is removed
  bool continued = false;  // the line ended in '&': the next line belongs to it
  bool unreadable = false;  // NUL bytes or invalid UTF-8: the line is dropped
};

class TerminalIo {
 public:
  // `sjis`: the terminal speaks Shift-JIS; no conversion either way.
  TerminalIo(std::FILE* in, std::FILE* out, bool interactive, bool sjis);
  ~TerminalIo();
  TerminalIo(const TerminalIo&) = delete;
  TerminalIo& operator=(const TerminalIo&) = delete;

  bool interactive() const { return interactive_; }

  // The next line, or nothing at the end of input. Interactive input shows
  // `prompt` and offers line editing with a history kept between sessions.
  std::optional<InputLine> ReadLine(const char* prompt);

  // One key as a Shift-JIS byte (a double-byte character comes as two
  // calls); line ends are skipped; ESC (27) at the end of input.
  int ReadKey();

  // Writes console text (Shift-JIS, CR LF) in the terminal's encoding.
  void Write(std::string_view sjis);
  // Writes a text of the terminal itself (already in its encoding).
  void WritePlain(std::string_view text);

  // Converts a text typed at the terminal to Shift-JIS; false if invalid.
  bool ToSjis(std::string_view typed, std::string& sjis) const;

 private:
  std::optional<std::string> ReadRawLine(const char* prompt);
  int ReadByte();

  std::FILE* in_;
  std::FILE* out_;
  bool interactive_;
  bool sjis_;
  std::deque<int> pendingKeys_;  // the second byte of a double-byte key
  std::string historyFile_;
};

}  // namespace zemu::tty
