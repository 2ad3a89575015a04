// The text of definition and procedure files: Shift-JIS as the file format
// has it, or UTF-8 as today's editors write it (with or without a byte order
// mark), which is read as the Shift-JIS it converts to. A file that is
// neither, or holds characters that code page 932 lacks, is reported and not
// read. Files are always written in Shift-JIS.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zemu {

struct Context;

// How the bytes of a file can be read.
enum class FileText {
  ShiftJis,       // as they are
  Utf8,           // converted from UTF-8
  Neither,        // neither Shift-JIS nor UTF-8
  Unconvertible,  // UTF-8 with characters that code page 932 lacks
};

// Appends the rest of `file` to `bytes`.
void ReadRestOfFile(std::FILE* file, std::string& bytes);

// Classifies `bytes`; for Utf8, `sjis` receives the converted text (without
// the byte order mark).
FileText ClassifyFileText(std::string_view bytes, std::string& sjis);

// Writes the one line that tells what happened to the file `name`: the
// notice for Utf8, the error for Neither and Unconvertible; nothing for
// ShiftJis.
void ReportFileText(Context& ctx, const std::string& name, FileText text);

// For a file just opened for reading: the stream that reads it as Shift-JIS.
// That is `file` itself, rewound, for a Shift-JIS file (and for anything
// that is not a regular file, which is handed back unread); a new stream
// over the converted text for a UTF-8 file (the notice is written); null for
// a file that cannot be read so (the error is written). The caller closes
// `file` when it gets another stream back.
// Bytes equal to ctx.checkedShiftJisText (the sheet loader's check of the
// same file) are known to be Shift-JIS and are not classified again.
std::FILE* ShiftJisStream(Context& ctx, const std::string& name, std::FILE* file);

}  // namespace zemu
