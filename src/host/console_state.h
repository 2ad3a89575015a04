// The console's part of the program state: the text controls the output
// goes to, and the key a running statement waits for.
#pragma once

#include "host/memory_text.h"
#include "host/text_control.h"

namespace zemu {

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
  char keyWaitTrail = 0;     // the second byte of a double-byte key, handed out next
  bool lineRunning = false;  // a line entered at the console is executing
};

}  // namespace zemu
