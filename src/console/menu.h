// The menus of the console window and of the sheet windows: the items with
// their captions and shortcuts, which of them may act while a computation
// runs, and the actions themselves. Both front ends build their menus from
// these tables and call these actions, so the run-state rule, the "M ..."
// echo lines and the care for the line being typed live in one place.
//
// An action made while the console is Idle never disturbs what the user is
// typing: the prompt line is taken away, the action runs as a run (its
// output lands above), and the prompt line comes back below, as typed.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace zemu {

struct Context;
struct TDefine;

enum class MenuCommand {
  Separator,
  // ﾌｧｲﾙ
  FileNew,
  FileOpen,
  FileRun,
  FileSave,
  FileSaveAs,
  FilePrint,
  FilePrintSetup,
  FileExit,
  // 編集
  EditUndo,
  EditRedo,
  EditCut,
  EditCopy,
  EditPaste,
  EditDelete,
  EditSelectAll,
  EditFind,
  EditCopyResult,
  // 設定
  SettingsOptions,
  SettingsFont,
  // ｳｨﾝﾄﾞｳ; the sheets' entries follow these
  WindowNew,
  WindowTile,
  WindowCascade,
  WindowArrangeIcons,
  WindowGraph,  // the dialog that asks what to draw
  // ﾍﾙﾌﾟ
  HelpHelp,
  HelpAbout,
  // 計算中断: opening the menu is Stop
  ComputeStop,
  ComputeRestart,
  ComputeAbort,
  // A sheet window's context menu
  SheetSave,
  SheetSaveAs,
  SheetEdit,
  SheetGraph,  // the graph of the function in the current row
  SheetForgetAll,
  SheetClose,
};

struct MenuItem {
  MenuCommand command;
  const char* caption;   // Shift-JIS, with & before the access key; null for a separator
  const char* shortcut;  // "Ctrl+N", "Shift+Del"; empty when none
  const char* hint;      // a short help text; empty when none
};

struct Menu {
  MenuCommand command;  // what opening the menu does: ComputeStop or Separator (nothing)
  const char* caption;
  std::span<const MenuItem> items;
};

// The menu bar from left to right, the Screen's context menu, and the
// context menu of a sheet window.
std::span<const Menu> MainMenus();
std::span<const MenuItem> ScreenContextMenu();
std::span<const MenuItem> SheetContextMenu();

// True for the items that do nothing unless the console is Idle: all but
// Exit, the settings, the window arrangement, About and the computation menu.
bool IsIdleOnly(MenuCommand command);
// Whether the item may act now (the front end greys out the others): the
// idle-only items only while Idle, the computation menu only while a
// computation runs or is paused, the items without an action never.
bool IsMenuCommandEnabled(const Context& ctx, MenuCommand command);

// ---- The actions the core carries out ------------------------------------
// Each returns false when it did not act (the run-state rule said no).

// File: New opens an empty sheet ("M .New"); Open opens `fileName` as a sheet,
// or asks for one first when it is empty ("M .Open "name""); Run runs a
// procedure file with .do (asking when the name is empty, "M .do "name"");
// Save and Save As save the CurrentSheet ("M .save "name""), Save As under
// `fileName` when one is given. Each ends with the prompt.
bool MenuNew(Context& ctx);
bool MenuOpen(Context& ctx, const std::string& fileName = {});
bool MenuRunFile(Context& ctx, const std::string& fileName = {});
bool MenuSave(Context& ctx);
bool MenuSaveAs(Context& ctx, const std::string& fileName = {});
// Help: runs the help viewer on the help file with an empty topic.
bool MenuHelp(Context& ctx);
// Help on the word under the Screen's caret: its page when the help file's
// index has it, the contents page otherwise.
bool MenuHelpOnWord(Context& ctx);

// Edit, on the Screen. Copy and Cut return the selected text (Shift-JIS)
// for the front end's clipboard; Paste types `text` at the caret as if it
// were typed (each line break is an Enter).
bool MenuCopy(Context& ctx, std::string& text);
bool MenuCut(Context& ctx, std::string& text);
bool MenuPaste(Context& ctx, std::string_view text);
bool MenuDelete(Context& ctx);
// The value of the last result printed (ctx.output.lastResult); false
// when there is none yet.
bool MenuCopyResult(Context& ctx, std::string& text);
bool MenuSelectAll(Context& ctx);
// Find next (downwards, case-sensitive bytes): see FindNext in console.h.
bool MenuFindNext(Context& ctx, std::string_view what);

// The window menu's entry of a sheet: hides a shown sheet, shows a hidden one
// and makes it current.
bool MenuChooseSheet(Context& ctx, TDefine& sheet);

// A sheet window's context menu. Save and Save As echo "M .save "name"";
// Forget all asks first unless `confirmed`; Close asks about unsaved changes
// and returns false when the sheet stays open.
bool SheetMenuSave(Context& ctx, TDefine& sheet);
bool SheetMenuSaveAs(Context& ctx, TDefine& sheet, const std::string& fileName = {});
bool SheetMenuForgetAll(Context& ctx, TDefine& sheet, bool confirmed = false);
bool SheetMenuClose(Context& ctx, TDefine& sheet);
// The user brought a sheet window to the front ("M .select name"), and the
// sheet lost the focus with edited cells (each edit echoed and run). Neither
// acts while a computation runs.
bool SheetActivated(Context& ctx, TDefine& sheet);
bool SheetEditsDone(Context& ctx, TDefine& sheet);

// The end of the program (Exit, closing the main window, .end): asks about
// every unsaved sheet; false when the user chose to keep the program running.
// A front end calls it only while Idle; during a run it aborts the run first.
bool QueryEndProgram(Context& ctx);

// Runs `action` as an idle-only menu action: nothing unless Idle; the line
// being typed is taken off the Screen, the action runs with RunState Running,
// the prompt is shown and the typed line put back after it. For actions of a
// front end that have no command of their own here.
bool RunMenuAction(Context& ctx, const std::function<void()>& action);

}  // namespace zemu
