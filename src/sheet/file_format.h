// The definition file format: how a sheet is written as a text file of
// header, INI-style layout sections and "> " statement lines.
//
// The three kinds of file, chosen by the lower-cased extension:
//   ".ini"  initial definition file: MainForm, DefineForm, Define, Set Options
//   ".zpj"  project file:             MainForm, DefineForm, Define
//   other   definition file:          DefineForm, Define
// Every line ends with CR LF. The statement lines are read back by .do, which
// expands %0..%9 and joins a line ending in "&" with the next one; the writer
// escapes and breaks the texts so that they read back as they were.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/sjis_literal.h"

namespace zemu {

struct Context;
struct TDefine;

enum class FileKind { Definition, Project, Initial };

inline constexpr const char* kDefinitionHeader = "=-=-=-= ZEMU Define File =-=-=-=";
inline constexpr const char* kProjectHeader = "=-=-=-= ZEMU Project Define File =-=-=-=";
inline constexpr const char* kInitialHeader = "=-=-=-= ZEMU Initial Define File =-=-=-=";
// The last line of every file.
inline constexpr const char* kClosingNotice =
    "ZEMU 2002 for Windows  (C) 2002 ZEMU開発グループ  https://zemu.example/"_sj;
// Added to a file name that has no extension.
inline constexpr const char* kDefaultExtension = ".ZDF";

// The kind of file a name asks for.
FileKind FileKindOf(std::string_view fileName);
// True when the last path component has a '.' after its first byte.
bool HasExtension(std::string_view fileName);
// The name with ".ZDF" added when it has no extension.
std::string WithDefaultExtension(std::string_view fileName);

// The "> " line (without its line end) that stores one definition text, or
// an empty string when the text writes no line. Blanks are trimmed from the
// front, and so are the digits of a description's number (digits followed
// by "="), which is given afresh when the line runs; '%' is doubled so that .do's parameter
// expansion gives it back; a line break inside the text is written as a "&" continuation, and a
// text ending in "&" gets a blank after it, so that the next line is not joined on.
std::string DefinitionLine(std::string_view text);

// The whole file for `sheet` as the kind asks: layout keys from the sheet and
// the main window, the definition lines of the rows from top to bottom with
// the sheet's kept lines of its file in their places, and for an initial
// file the settings as executable .set lines. `fileName` is
// the file being written (the settings never make it a log file). Names of
// definitions whose line is longer than .do reads in one piece are added to
// `tooLong` when it is given.
std::string DefinitionFileText(const Context& ctx, const TDefine& sheet, FileKind kind,
                               const std::string& fileName,
                               std::vector<std::string>* tooLong = nullptr);

// How DefinitionFileText ends an initial file `fileName`: the settings
// section (its heading and the .set lines) and the closing notice.
std::string InitialFileEnd(const Context& ctx, const std::string& fileName);

}  // namespace zemu
