// A toolkit for tests: it records what the core shows (status lines,
// messages, exit requests, the assist timer) and answers from queues that a
// test fills beforehand (keys, file names, answers, input texts, and events
// to deliver while a run is in progress).
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/toolkit.h"

namespace zemu {

class ScriptedToolkit : public Toolkit {
 public:
  // What the core showed.
  std::array<std::string, 3> statusLines;  // StatusLine1 to StatusLine3
  std::vector<std::string> messages;       // "title: text" of each message box
  int exitRequests = 0;
  int assistTimer = 0;  // last interval given to the assist timer; 0 stopped

  // What the core is answered. Each empty queue answers with its cancel:
  // ESC for keys, an empty file name, No or Cancel, a cancelled input box.
  std::deque<int> keys;
  std::deque<std::string> openFileNames;
  std::deque<std::string> saveFileNames;
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> inputs;  // nullopt: cancel

  // Events delivered one per ProcessPendingEvents call, in order.
  std::deque<std::function<void()>> events;
  // Run when a wait for events finds none left (a paused run would wait
  // for ever); without it such a wait ends the test program.
  std::function<void()> whenNoEvents;

  int fontHeight = 16;

  void SetStatusLine(int line, const std::string& text) override;
  void ProcessPendingEvents() override;
  void WaitForEvents() override;
  int WaitForKey() override;
  std::string OpenFileDialog(const std::string& title, const std::string& filter) override;
  std::string SaveFileDialog(const std::string& title, const std::string& filter,
                             const std::string& defaultName) override;
  Answer AskQuestion(const std::string& title, const std::string& text, bool withCancel) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  bool InputBox(const std::string& title, const std::string& prompt, std::string& text) override;
  void RequestExit() override { ++exitRequests; }
  int FontHeight() override { return fontHeight; }
  void SetAssistTimer(int milliseconds) override { assistTimer = milliseconds; }
};

}  // namespace zemu
