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

#include "host/toolkit.h"

namespace zemu {

class ScriptedToolkit : public Toolkit {
 public:
  // What the core showed.
  std::array<std::string, 3> statusLines;  // StatusLine1 to StatusLine3
  std::vector<std::string> messages;       // "title: text" of each message box
  std::vector<FileDialogRequest> dialogs;  // every file dialog shown, in order
  int exitRequests = 0;
  int assistTimer = 0;  // last interval given to the assist timer; 0 stopped

  // What the core is answered. Each empty queue answers with its cancel:
  // an empty file name, No or Cancel, a cancelled input box; when no key
  // is left, a key wait ends as if aborted (ESC).
  std::deque<int> keys;  // typed one by one while the console awaits a key
  std::deque<std::string> openFileNames;
  std::deque<std::string> saveFileNames;
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> inputs;  // nullopt: cancel

  // Events delivered one per ProcessPendingEvents call, in order.
  std::deque<std::function<void()>> events;
  // Run when a wait for events finds none left (a paused run would wait
  // for ever); without it the wait reports that no event can come.
  std::function<void()> whenNoEvents;

  int fontHeight = 16;
  bool canAsk = true;  // false: like a pipe, nobody can be asked

  void Attach(Context& ctx) override { context_ = &ctx; }
  void SetStatusLine(int line, const std::string& text) override;
  void ProcessPendingEvents() override;
  bool WaitForEvents() override;
  std::string OpenFileDialog(const FileDialogRequest& request) override;
  std::string SaveFileDialog(const FileDialogRequest& request) override;
  bool CanAsk() override { return canAsk; }
  Answer AskQuestion(const std::string& title, const std::string& text, bool withCancel) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  bool InputBox(const std::string& title, const std::string& prompt, std::string& text) override;
  void RequestExit() override { ++exitRequests; }
  int FontHeight() override { return fontHeight; }
  void SetAssistTimer(int milliseconds) override { assistTimer = milliseconds; }

 private:
  Context* context_ = nullptr;
};

}  // namespace zemu
