// The .set command and the operations that change the settings. The options
// dialog and .set share these operations; a change made from the dialog is
// recorded as an "M .Set ..." line on ChannelEcho, one made by .set is not.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/settings.h"

namespace zemu {

struct Context;

// The on/off settings that share one behaviour.
enum class Switch { Echo, Epower, Name, Talk, Watch };

// "Echo", "Epower", ...: the name used in the lines that .set prints.
std::string_view SwitchName(Switch which);
bool SwitchValue(const Context& ctx, Switch which);
// "off", "command", "formula", "calc", "system".
std::string_view TraceLevelName(TraceLevel level);

// Each of these changes one setting. When the value really changes and .set
// is not running, the change is recorded on ChannelEcho ("M .Set Name On").
void SetSwitch(Context& ctx, Switch which, bool on);
// Changes a switch for a front end's own way of running (the terminal's
// quiet output): the observer is told when the value changes; nothing is
// recorded.
void SetSwitchUnrecorded(Context& ctx, Switch which, bool on);
// Sets the format template. A template that the number formatter rejects is
// refused: the old one stays and the result is false.
bool SetFormat(Context& ctx, std::string_view format);
void SetTrace(Context& ctx, TraceLevel level);
void SetHelpFileName(Context& ctx, std::string_view name);
void SetLogMode(Context& ctx, LogMode mode);

// Turns File on or off and runs its reaction when the value changes: on
// opens the log for appending and records "M .Set File On to "name"" (a log
// that cannot be opened leaves File off, with errno set, for the caller to
// report with ReportLogOpenFailure); off records "M .Set File Off" and
// closes the log. Unlike the others, the record is written for .set too.
// Returns whether File is on afterwards.
bool SetFile(Context& ctx, bool on);
// A new log file name from the dialog: closes the current log and turns File
// on, so that the new file is opened and recorded once.
bool ChangeLogFileName(Context& ctx, std::string_view name);
// The error line for File left off because the log could not be opened: the
// log file name and the text of `error` (the errno of the failed opening;
// 0 when none was told).
void ReportLogOpenFailure(Context& ctx, int error);

// The nine lines of "all" mode, each led by `prefix` and ended by CR LF, in
// the order Echo, Epower, File, Format, Help, Name, Talk, Trace, Watch. Each
// line is itself a .set statement that restores the setting.
std::vector<std::string> SettingsLines(const Context& ctx, std::string_view prefix);
// Writes those lines on ChannelLine.
void ShowSettings(Context& ctx, std::string_view prefix);

// The .set statement, from the cursor just after its command word: item,
// optional value, optional further words. Every line it prints starts with
// `prefix`. While the console is idle it only explains the item in the status
// lines. The cursor is left after the words read.
void SetCommand(Context& ctx, std::string_view prefix, const char*& cursor);

// The item words of .set as stored ("a.ll", "as.sist", "ec.ho", ...: the
// period marks the shortest accepted abbreviation).
std::vector<std::string> SetItemWords();

}  // namespace zemu
