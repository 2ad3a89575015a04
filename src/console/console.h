// The console window's logic on its text model: the run state with its pause
// and abort controls, the prompt, the keys and texts typed into the Screen,
// the assist timer and find-next. A front end forwards its window events to
// these routines and shows the text controls; the menus are in menu.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/console_state.h"
#include "host/output.h"
#include "host/run.h"
#include "host/run_state.h"
#include "host/text_control.h"

namespace zemu {

struct Context;

// Assist timer intervals: long at start-up, so that the banner can be read,
// and short after a key, so that help follows the typing.
inline constexpr int kAssistDelayStartup = 10000;
inline constexpr int kAssistDelayKey = 1000;

// Ends a run: rebuilds the watch screen if needed, writes the "> " prompt
// on a line of its own and makes the console Idle.
void ShowPrompt(Context& ctx);

// Rebuilds the watch screen from the watched function definitions and
// clears the store's watchRefreshNeeded.
void WatchRefresh(Context& ctx);

// Arms the one-shot assist timer with `milliseconds`, or stops it.
void ArmAssistTimer(Context& ctx, int milliseconds);
void StopAssistTimer(Context& ctx);

// Any key pressed down in the Screen.
void ComKeyDown(Context& ctx);
// A character typed in the Screen. Returns the character that goes on into
// the Screen, or 0 when the key was used up (Enter).
char ComKeyPress(Context& ctx, char key);
// A key as the text model sees it: ComKeyDown, ComKeyPress and the insertion
// of what goes on into the Screen at its caret.
void TypeKey(Context& ctx, char key);
// Text committed at the caret (an input method's characters, a paste):
// each character is typed as a key, a double-byte character whole; CR LF,
// CR or LF is one Enter. An awaited key takes the first character only.
void TypeText(Context& ctx, std::string_view sjis);
// Text put in at the caret as it stands, without the keys' meanings (an
// '&' stays an '&'): a line read by the terminal. After a stopped line it
// gets a prompt first, as typing does.
void InsertTypedText(Context& ctx, std::string_view sjis);
// Backspace and Delete: the selection, or else the whole character before
// or after the caret, is removed.
void DeleteBackward(Context& ctx);
void DeleteForward(Context& ctx);

// The line being typed: everything on the Screen after the text that was
// there before the prompt ("> " and the typing, continuation lines
// included), exactly as typed. Empty when the Screen no longer begins with
// that text (older lines were edited).
std::string TypedLine(const Context& ctx);
// Whether the user is typing a line to enter: while Idle, and after a line
// that stopped (no line runs, no key is awaited).
bool TypingAtPrompt(const Context& ctx);
// Puts `sjis` in place of the typing after the prompt, as it stands (an '&'
// stays an '&'), with the caret at its end; a prompt comes first when the
// line has none. False, changing nothing, when no line is being typed or
// older lines were edited (the Screen no longer begins with the text
// before the prompt).
bool ReplaceTypedLine(Context& ctx, std::string_view sjis);
// Drops the typing: the Screen goes back to the prompt ("> " after the text
// before it). Only while Idle.
void ClearTypedLine(Context& ctx);

// The assist timer fired: explains the statement under the caret in the
// status lines while the console is Idle.
void AssistTimerTimer(Context& ctx);
// Offset in `text` of the statement that holds the caret at `caret`.
std::size_t StatementStartAt(std::string_view text, std::size_t caret);

// The Stop, Restart and Abort items of the computation menu.
void StopComputation(Context& ctx);
void RestartComputation(Context& ctx);
void AbortComputation(Context& ctx);

// Lets output made while the console is Idle leave the line being typed in
// place. While a scope lives the typed line is off the Screen and RunState is
// Running, so what is written lands above; when it ends, the prompt line
// comes back below that output as it was typed (the caret where it was in
// it), with a fresh prompt first when `showPrompt` (a menu action ends with
// ShowPrompt) or else only the line itself (a sheet's edits). Does nothing
// when the console is not Idle.
class PromptLineAside {
 public:
  PromptLineAside(Context& ctx, bool showPrompt);
  ~PromptLineAside();
  PromptLineAside(const PromptLineAside&) = delete;
  PromptLineAside& operator=(const PromptLineAside&) = delete;
  bool active() const { return active_; }

 private:
  Context& ctx_;
  bool showPrompt_;
  bool active_ = false;
  TypedLineAside typed_;
};

// Find next in the Screen: searches the selection when the text is shorter
// than it, else from the selection's end on; selects the first occurrence.
// Idle only. False when nothing was found.
bool FindNext(Context& ctx, std::string_view what);

}  // namespace zemu
