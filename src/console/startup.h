// Start-up: what happens between the program's start and the first prompt.
// A front end creates its Calculator (console/calculator.h) with its
// controls (the Context, with the temporary variables, the store, the stack
// base of the guard and the default settings, comes with it), and then
// calls Calculator::Start, which is InitialDefines, once before its event
// loop; afterwards it applies ctx.mainForm and each sheet's layout.
//
//   zemu::StartupOptions options = zemu::ReadCommandLine(argc, argv);
//   zemu::InitialDefines(ctx, options);
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/sjis_literal.h"

namespace zemu {

struct Context;

// The first console line of every run.
inline constexpr const char* kBanner =
    "  ZEMU 2002 for Windows  単位つき数式電卓  Copyright (C) 2002 ZEMU開発グループ\r\n"_sj;
// A definition file is opened from the command line only when at least this
// many arguments are given (the first is the file).
inline constexpr std::size_t kFileArgumentCount = 3;

struct StartupOptions {
  std::string programPath;               // the running program's full path
  std::vector<std::string> arguments;    // the counted arguments, options left out
  std::string initialFile;               // overrides the initial definition file; empty: none
  std::vector<std::string> openFiles{};  // definition files opened as sheets whatever the count
  // Where the initial sheet is saved when that is not the file it was read
  // from (the shipped file of an installed program); empty: the file read.
  std::string initialSaveName{};
  // Why the folder of initialSaveName could not be made (an errno); 0 when it
  // stands.
  int initialFolderError = 0;
  std::string helpFile{};  // overrides the help file; empty: the program's path with ".ZHP"
  // The folder of the shipped files (the help file and the unit library) of
  // an installed program; empty: the program's own folder.
  std::string dataFolder{};
  // The sheets that the initial file opens (.open) are listed and named at
  // once, but their files are read only when the front end calls
  // LoadDeferredSheets (the terminal: before the first line it runs), so
  // that the first prompt does not wait for them.
  bool deferOpenedSheets = false;
};

// The program's own path: the file the running process was started from, or
// `argv0` when the system does not tell.
std::string ProgramPath(const char* argv0);

// Splits the command line: words beginning with "--" are options and are not
// counted; "--ini FILE" (or "--ini=FILE") names the initial definition file,
// "--open FILE" (or "--open=FILE") a file opened as a sheet.
// Other options are skipped here, so a front end reads its own from argv too.
// The texts are taken as the system gives them (file-system bytes), and all
// file names in StartupOptions stay so: InitialDefines turns them into the
// Shift-JIS names that the core holds.
StartupOptions ReadCommandLine(int argc, const char* const* argv);

// `path` with the extension of its last component replaced by `extension`
// (which includes its period), or with `extension` added when it has none.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// The initial definition file: the override, or the program's path with ".INI".
std::string InitialFileName(const StartupOptions& options);

// Finds the files an installed program ships, for the options that do not
// name them. The initial definition file beside the program is used when it
// can be written (a program run where it was built). Otherwise the user's
// own copy, $XDG_CONFIG_HOME/zemu/ (~/.config/zemu/) with the program's
// name and ".INI", is read when it exists; when it does not, the shipped
// file (beside the program, or in ../share/zemu/ from the program's folder)
// is read and the initial sheet is saved to the user's copy (its folder is
// made). The help file is the one beside the program, else the shipped one.
void LocateShippedFiles(StartupOptions& options);

// Runs the start-up: the output switch on and no log file; the banner; the
// help file name (options.helpFile, or the program's path with ".ZHP"); the
// watch screen height
// 0; the MainForm keys of the initial definition file into ctx.mainForm; the
// initial definition file opened as the first sheet (its statements run)
// and named options.initialSaveName when one is given; the openFiles opened
// as sheets, then the first counted argument when there are at least
// kFileArgumentCount of them, or else, when neither opened a sheet, a new
// empty sheet (a lone argument, which is not opened, gets a hint that names
// --open); the first prompt; the assist timer armed for the start-up delay.
void InitialDefines(Context& ctx, const StartupOptions& options);

}  // namespace zemu
