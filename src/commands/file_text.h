// The text of definition and procedure files: Shift-JIS as the file format
// has it, or UTF-8 or UTF-16 (with its byte order mark) as today's editors
// write it, which is read as the Shift-JIS it converts to. A file that is
// none of these, or holds characters that code page 932 lacks, is reported
// and not read. Files are always written in Shift-JIS.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zemu {

struct Context;

// How the bytes of a file can be read.
enum class FileText {
  ShiftJis,       // as they are
  Utf8,           // converted from UTF-8
  Utf16,          // converted from UTF-16 (the file begins with its byte order mark)
  Neither,        // none of these
  Unconvertible,  // UTF-8 or UTF-16 with characters that code page 932 lacks
};

// Appends the rest of `file` to `bytes`.
void ReadRestOfFile(std::FILE* file, std::string& bytes);

// Classifies `bytes`; for Utf8 and Utf16, `sjis` receives the converted text
// (without the byte order mark).
FileText ClassifyFileText(std::string_view bytes, std::string& sjis);

// Writes the one line that tells what happened to the file `name`: the
// notice for Utf8 and Utf16, the error for Neither and Unconvertible;
// nothing for ShiftJis.
void ReportFileText(Context& ctx, const std::string& name, FileText text);

// What stands in the way of reading a file as a definition file.
enum class FileProblem {
  None,
  Missing,     // no such file
  Unopenable,  // a folder, a device, a pipe, no read access, a read error
  Binary,      // NUL bytes: not a text file (and no UTF-16 byte order mark)
  CrOnly,      // lone CRs and no LF: its lines would read as one
  Neither,     // see FileText
  Unconvertible,
};

// A file read whole.
struct FileRead {
  std::string text;  // the Shift-JIS text, when `problem` is None
  FileText encoding = FileText::ShiftJis;
  FileProblem problem = FileProblem::None;
  int error = 0;    // errno of an Unopenable file, when the system said why
  FileStamp stamp;  // the file as it was read
};

// Reads the file `name` (Shift-JIS) whole. Only a regular file is opened: a
// folder, device or pipe could block or never end. `strict` refuses binary
// and CR-only files as well (a sheet's file); .do reads those line by line.
FileRead ReadFileText(Context& ctx, const std::string& name, bool strict);

// Writes the line that says why a file could not be read, or the encoding
// notice for a file that was converted; nothing for a Shift-JIS file.
void ReportFileRead(Context& ctx, const std::string& name, const FileRead& read);

}  // namespace zemu
