// The options dialog's logic: its texts, and what each of its controls does
// to the settings when the user works it. The widgets only show the settings
// and call these; every change goes through the operations of
// commands/set_command.h, so the dialog and .set stay two views of one
// record. An action taken while the console is Idle writes its line above
// the line being typed and leaves that line as it was.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "base/sjis_literal.h"
#include "commands/set_command.h"
#include "host/settings.h"
#include "host/toolkit.h"

namespace zemu {

struct Context;

// ---- Texts -------------------------------------------------------------------
inline constexpr const char* kOptionsTitle = "Set Options";
inline constexpr const char* kOptionsHint = "ZEMU オプション設定をしてください。"_sj;
inline constexpr const char* kFileGroupCaption = " File ";
inline constexpr const char* kFileCaption = "File";
// The log modes' radio buttons, in the order of LogMode.
inline constexpr std::array<const char*, 3> kLogModeCaptions{"All", "WatchData", "Data"};
inline constexpr const char* kBrowseCaption = "参照..."_sj;
inline constexpr const char* kFormatCaption = "Format";
inline constexpr const char* kFormatHint = "数字と単位の表示形式を設定します"_sj;
// Examples of templates shown under the Format field.
inline constexpr std::array<const char*, 3> kFormatExamples{"%7.3F 123.456    %S", "%.3E  1.23E2",
                                                            "%G (%F,%E)"};
inline constexpr const char* kTraceCaption = "Trace";
inline constexpr const char* kHelpCaption = "Help";
inline constexpr const char* kOkCaption = "OK";

// The switch boxes from top to bottom.
inline constexpr std::array<Switch, 5> kSwitchOrder{Switch::Epower, Switch::Name, Switch::Echo,
                                                    Switch::Watch, Switch::Talk};

// The file dialogs of the browse buttons: the log file is chosen with a save
// dialog, the help file with an open dialog; each offers the current name.
FileDialogRequest LogFileDialog(const Context& ctx);
FileDialogRequest HelpFileDialog(const Context& ctx);

// ---- Actions -----------------------------------------------------------------
// A switch box or the File box clicked. A log that cannot be opened leaves
// File off and says why on ChannelError.
void ClickSwitch(Context& ctx, Switch which, bool on);
void ClickFile(Context& ctx, bool on);
// A log mode's radio button or a level of the Trace list chosen.
void ChooseLogMode(Context& ctx, LogMode mode);
void ChooseTrace(Context& ctx, TraceLevel level);

// The one-line text fields.
enum class OptionsField { LogFileName, Format, HelpFileName };
// The setting a field shows.
const std::string& FieldSetting(const Context& ctx, OptionsField field);
// The user left `field` holding `text` (Shift-JIS). A text equal to the
// setting changes nothing and writes nothing. Otherwise the setting takes
// it: a new log file name reopens the log under it and turns File on, a
// format that numbers cannot be printed with is refused with an error line
// (the setting keeps the old one), a help file name is simply taken.
void LeaveField(Context& ctx, OptionsField field, std::string_view text);

// The browse buttons: the file dialog, then the chosen name as if typed and
// left (a log file name chosen again is reopened all the same, turning File
// on). A name without an extension gets the dialog's default one. Returns
// false when the dialog was cancelled: then nothing changed.
bool BrowseLogFile(Context& ctx);
bool BrowseHelpFile(Context& ctx);

}  // namespace zemu
