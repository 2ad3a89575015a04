// Procedures and procedure files: .do and the .name shorthand.
//
// A stored procedure's text, or each ">" line of a procedure file, is run
// after its parameters are substituted for %0 to %9 (%0 is the procedure or
// file name itself). A definition sheet loads its file through DoCommand too.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "commands/dispatcher.h"

namespace zemu {

struct Context;

// The parameters: the name and up to nine more.
inline constexpr int kParameterCount = 10;
// A procedure text or a file line after substitution; it holds at most
// kExpandSize - 3 bytes of text.
inline constexpr std::size_t kExpandSize = 2000;
// A logical line of a procedure file holds at most kLineSize - 1 bytes; a
// longer ">" line is reported with its number and nothing of it runs.
inline constexpr std::size_t kLineSize = 2000;

// The parameters of a .do: entry 0 the procedure or file name, 1 to 9 the rest.
using Parameters = std::array<std::string, kParameterCount>;

// One logical line of a procedure file.
struct FileLine {
  std::string text;      // at most kLineSize - 1 bytes; NUL bytes are kept
  std::string raw;       // its physical lines whole, joined by CR LF
  int number = 0;        // the number of its first physical line, from 1
  bool tooLong = false;  // it held more bytes than `text` keeps
};

// Reads the logical lines of a file's text: a physical line ends at LF (a CR
// before it is dropped), and while one ends with "&" the next is appended.
class FileLineReader {
 public:
  explicit FileLineReader(std::string_view text) : text_(text) {}
  // The next logical line; false at the end of the text.
  bool Next(FileLine& line);

 private:
  // Appends the next physical line; false at the end of the text.
  bool AppendPhysicalLine(FileLine& line, char& last);

  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;  // physical lines read so far
};

// A ">" line that cannot run as it stands (too long, a NUL byte) is
// reported with its number; true when it was.
bool RefuseFileLine(Context& ctx, const std::string& fileName, const FileLine& line);

// Runs one ">" line of a file: its parameters substituted into `expanded`
// (a buffer of kExpandSize bytes), "F" in place of the ">", the line echoed
// unless a sheet is loading, and the statements after that first byte run.
StatementStatus RunFileLine(Context& ctx, const std::string& line, const Parameters& params,
                            std::string& expanded);
// The same in two steps: the substitution, then the run of what it made.
void ExpandFileLine(const std::string& line, const Parameters& params, std::string& expanded);
StatementStatus RunExpandedLine(Context& ctx, const std::string& expanded);

// Runs a stored procedure or, when none has the name, a procedure file, with
// the parameters read at the cursor (just after the command word, or after
// the period for the shorthand). With no name at all the file-open dialog
// asks for a file. Leaves the cursor after the last parameter read and
// returns the status of what ran: a file stops at its first line whose
// statements end with anything but StatusDone, and a file that cannot be
// opened (or is no regular file) gives a message and StatusDone. A ">" line
// that is too long or holds a NUL byte is reported and passed over.
StatementStatus DoCommand(Context& ctx, const char*& cursor);

}  // namespace zemu
