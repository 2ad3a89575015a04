// Reading a sheet's file into the sheet. Its layout keys set the window;
// then every line is looked at in file order: the header, the section lines,
// the layout keys and the closing notice are what the writer makes anew;
// every ">" line runs as .do would run it, and the rows it defines write it
// back; whatever else the file holds (statements other than definitions,
// lines too long to run, comments, lines after an abort) the sheet keeps,
// so that a save writes the file back whole.
#pragma once

#include <string>
#include <string_view>

namespace zemu {

struct Context;
struct TDefine;
struct FileRead;

// Runs the text of the sheet's file `fileName` (read whole, Shift-JIS) into
// `sheet`, which is the CurrentSheet throughout; the loading mark is set, so
// that the lines are not echoed. A line that stops (an error, .end, a stray
// .break) does not end the loading: the lines after it run all the same. An
// abort, or the stack's reserve reached, stops it: the lines not run are
// kept and the user is told.
void RunSheetText(Context& ctx, TDefine& sheet, const std::string& fileName, std::string_view text);

// Why a refused file could not be read, in a few words for a question.
std::string UnreadReason(const FileRead& read);

}  // namespace zemu
