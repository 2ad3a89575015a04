// The definition sheet as a window, on the model: opening and loading a sheet
// from its file, saving it (asking for a name when it has none), the close
// question, Forget all, closing, showing and hiding, activation, resizing and
// the in-place editing of definition cells. A front end draws the sheet from
// TDefine (rows, title, layout) and calls these for the user's actions; the
// questions and dialogs go through ctx.toolkit.
#pragma once

#include <string>
#include <vector>

#include "base/sjis_literal.h"

namespace zemu {

struct Context;
struct TDefine;

// Title and filter of the save dialog.
inline constexpr const char* kSaveDialogTitle = "名前を付けて保存"_sj;
inline constexpr const char* kSaveDialogFilter =
    "定義式(*.ZDF)|*.ZDF|記録(*.ZLG)|*.ZLG|手続き(*.ZPJ)|*.ZPJ|全て(*.*)|*.*"_sj;
// Caption of the close question; its text is the title, "\r\n" and kSaveQuestion.
inline constexpr const char* kSaveQuestionCaption = "定義内容の保存..."_sj;
inline constexpr const char* kSaveQuestion = " の定義を保存しますか？"_sj;
// Title of the message box that reports a failed save.
inline constexpr const char* kSaveFailureCaption = "保存できません"_sj;
// The main window's title after a sheet was opened, shown from the window
// menu, or activated: this prefix and the sheet's name. Activation keeps the
// program's year like opening does.
inline constexpr const char* kOpenedTitlePrefix = "ZEMU 2002 - ";
inline constexpr const char* kShownTitlePrefix = "ZEMU - ";
inline constexpr const char* kActivatedTitlePrefix = "ZEMU 2002 - ";
// Caption of a sheet's window-menu entry before the sheet has a name.
inline constexpr const char* kUnnamedMenuCaption = "New Define";

// Opens a sheet: adds an empty sheet to the store (it becomes the
// CurrentSheet) and loads `fileName` into it (LoadSheet). An empty name
// gives a new unnamed sheet "ZEMU<n>.ZDF". Returns the sheet.
// Run it with RunState Running (start-up, .new, a running menu action); an
// Idle console is made Running for the time of the load.
TDefine& OpenSheet(Context& ctx, const std::string& fileName);

// Loads `fileName` into `sheet` (which must be in the store): the DefineForm
// keys set the layout, then the file's "> " lines run with the sheet as the
// CurrentSheet and the loading mark set (so .do does not echo them); the
// sheet is then named, shown and unmodified, and the main window's title
// names it. A missing file is reported as .do reports it and leaves an empty
// named sheet, which a save creates. A file that exists but cannot be read
// as a definition file (a folder, a device, no read access, binary bytes,
// lone CR line ends) is reported and its statements are not run; the sheet
// stays unnamed, so that a save never overwrites that file unasked.
// An empty name gives the sheet the next unnamed name, 32 pixels lower.
void LoadSheet(Context& ctx, TDefine& sheet, const std::string& fileName);

// The statement .open: opens the definition file `name` as a sheet, as the
// menu's Open does. A relative name is looked for beside the file whose
// lines are running (the initial file that opens the unit library), then in
// the working folder, then in ctx.dataFolder; where none has it, the first
// of these is the sheet's name. An empty name is reported. While
// ctx.deferSheetLoads is set, an existing file's sheet is listed and named
// but its file is read only by LoadDeferredSheets.
void OpenSheetFile(Context& ctx, const std::string& name);
// Reads the files of the deferred sheets (in the store's order), each as
// OpenSheet would have; the CurrentSheet and the main window's title stay
// as they were.
void LoadDeferredSheets(Context& ctx);

// The caption of the sheet's window-menu entry.
std::string SheetMenuCaption(const TDefine& sheet);

// Saves the sheet under its name; an unnamed sheet first asks for a name in
// the save dialog. Writes the file (".ZDF" added to a name without extension)
// and makes the written name the sheet's name, titled " ZEMU 定義式 -- ".
// Echoes "M .renamefile "name"" when the dialog gave the name. Returns the
// written name, or empty when the dialog was cancelled or the file could not
// be written; a failure is reported on ChannelError and in a message box, and
// the sheet keeps its name, its modified flag and the old file.
std::string SaveSheet(Context& ctx, TDefine& sheet);
// Saves under a new name: always asks (the dialog offers the current name).
// Cancelling leaves the sheet as it was.
std::string SaveSheetAs(Context& ctx, TDefine& sheet);
// Saves under `fileName` as if the dialog had given it.
std::string SaveSheetAs(Context& ctx, TDefine& sheet, const std::string& fileName);
// The save items of the menus: SaveSheet or SaveSheetAs, then, when a file
// was written, "M .save "name"" on ChannelEcho. Returns the name or empty.
std::string SaveFromMenu(Context& ctx, TDefine& sheet, bool asNewName);

// The close question for a modified sheet: Yes saves, No discards, Cancel
// keeps. True when the sheet may go: it was unmodified, the user said No, or
// it was saved. False on Cancel, and when a save was asked for but the dialog
// was cancelled or the file could not be written.
bool QuerySaveSheet(Context& ctx, TDefine& sheet);

// The close item of the sheet's context menu: asks QuerySaveSheet, then
// removes the sheet from the store. The first sheet (the initial definition
// file's) stays in the store for the whole run: closing it only hides it.
// Returns false when the sheet stays open.
bool CloseSheet(Context& ctx, TDefine& sheet);

// The end of the program: asks the close question for every modified sheet,
// from the last to the first, without closing any. False as soon as one
// answer keeps the program running (Cancel, or a save that did not happen).
bool QueryEnd(Context& ctx);
// QueryEnd, and when it allows the end, removes every sheet but the first
// (which goes with the store). Returns whether the program may end.
bool CloseAllSheets(Context& ctx);
// Names of the sheets with unsaved changes, in the store's order: for a front
// end that ends where nothing can be asked (a terminal at the end of input).
std::vector<std::string> UnsavedSheetNames(const Context& ctx);
// Writes one line per unsaved sheet on ChannelError; returns how many.
int ReportUnsavedSheets(Context& ctx);

// The Forget all item: asks, and on Yes forgets every cached value of the
// sheet, variables included.
void ForgetAll(Context& ctx, TDefine& sheet);

// The sheet's window-menu entry was chosen: a shown sheet is hidden; a hidden
// one becomes the CurrentSheet and is shown, and the main window's title
// names it.
void ChooseSheetMenuEntry(Context& ctx, TDefine& sheet);
// The user brought the sheet to the front: it becomes the CurrentSheet; a
// sheet with a name retitles the main window and echoes "M .select name".
void ActivateSheet(Context& ctx, TDefine& sheet);
// The sheet window was resized to `width` x `height`: the definition column
// takes the width left over (at least kMinDefinitionColumnWidth, widening the
// window if needed), and the sheet counts as modified.
void ResizeSheet(Context& ctx, TDefine& sheet, int width, int height);

// Applies the edits made in the definition cells (the sheet lost the focus):
// each definition row whose cell text differs from its definition gets its
// definition's text back in the cell, and the edited text runs as a statement
// ("M text" echoed), or, when only blanks remain, the row is deleted
// ("M .Delete name" echoed). The sheet is made the CurrentSheet first, and
// the statements run with RunState Running; the run state is restored after.
void ApplySheetEdits(Context& ctx, TDefine& sheet);

}  // namespace zemu
