// The console window's logic on its text model: the run state with its pause
// and abort controls, the prompt, the keys typed into the Screen, the assist
// timer, find-next and the run-state rules of the menu actions. A front end
// forwards its window events to these routines and shows the text controls.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "console/memory_text.h"
#include "console/text_control.h"

namespace zemu {

struct Context;

// Assist timer intervals: long at start-up, so that the banner can be read,
// and short after a key, so that help follows the typing.
inline constexpr int kAssistDelayStartup = 10000;
inline constexpr int kAssistDelayKey = 1000;

// The console's part of the program state.
struct ConsoleState {
  ConsoleState() = default;
  ConsoleState(const ConsoleState&) = delete;
  ConsoleState& operator=(const ConsoleState&) = delete;

  // In-memory controls used until a front end points `screen` and
  // `watchScreen` at its own.
  MemoryText ownScreen;
  MemoryText ownWatchScreen;
  TextControl* screen = &ownScreen;
  TextControl* watchScreen = &ownWatchScreen;

  int assistTimer = 0;       // interval of the armed assist timer in ms; 0 while stopped
  char keyWaitSlot = 1;      // 0 while a key is awaited; then the key typed
  bool lineRunning = false;  // a line entered at the console is executing
};

// RunState becomes Running (the Stop menu is enabled) or Idle (disabled).
void BeginRun(Context& ctx);
void EndRun(Context& ctx);

// Ends a run: rebuilds the watch screen if needed, writes the "> " prompt
// on a line of its own and makes the console Idle.
void ShowPrompt(Context& ctx);

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

// The assist timer fired: explains the statement under the caret in the
// status lines while the console is Idle.
void AssistTimerTimer(Context& ctx);
// Offset in `text` of the statement that holds the caret at `caret`.
std::size_t StatementStartAt(std::string_view text, std::size_t caret);

// Waits for the next character typed in the Screen (the front end keeps
// delivering events meanwhile) and returns it; ESC (27) when the run is
// aborted first.
int WaitForTypedKey(Context& ctx);

// The Stop, Restart and Abort items of the computation menu.
void StopComputation(Context& ctx);
void RestartComputation(Context& ctx);
void AbortComputation(Context& ctx);

// True when menu actions marked idle-only may act.
bool MenuActionsAllowed(const Context& ctx);
// Runs an idle-only menu action: nothing unless Idle; with `running`, the
// action runs as a run (BeginRun first); ShowPrompt afterwards.
void RunMenuAction(Context& ctx, bool running, const std::function<void()>& action);
// The file menu's "run a file" item and the help menu's ".help" item.
void RunFileFromMenu(Context& ctx);
void ShowHelpFromMenu(Context& ctx);

// Find next in the Screen: searches the selection when the text is shorter
// than it, else from the selection's end on; selects the first occurrence.
// Idle only. False when nothing was found.
bool FindNext(Context& ctx, std::string_view what);

}  // namespace zemu
