// The core's only way to the window system. The Qt window, the terminal front
// end and the scripted toolkit of the tests implement it.
#pragma once

#include <string>

namespace zemu {

enum class Answer { Yes, No, Cancel };

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Replaces the text of status line 1, 2 or 3 (Shift-JIS).
  virtual void SetStatusLine(int line, const std::string& text) = 0;
  // Lets the window system deliver pending events (menus, keys) during a run.
  virtual void ProcessPendingEvents() = 0;
  // Blocks until at least one event was delivered (used while paused).
  virtual void WaitForEvents() { ProcessPendingEvents(); }
  // Waits for one key and returns its character code; 27 is ESC.
  virtual int WaitForKey() = 0;
  // File dialogs: the chosen path, or empty when cancelled. `filter` is in the
  // form "定義式(*.ZDF)|*.ZDF|全て(*.*)|*.*".
  virtual std::string OpenFileDialog(const std::string& title, const std::string& filter) = 0;
  virtual std::string SaveFileDialog(const std::string& title, const std::string& filter,
                                     const std::string& defaultName) = 0;
  // Message boxes: Yes/No when `withCancel` is false, Yes/No/Cancel otherwise.
  virtual Answer AskQuestion(const std::string& title, const std::string& text,
                             bool withCancel) = 0;
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
  // A modal input box; false when cancelled.
  virtual bool InputBox(const std::string& title, const std::string& prompt,
                        std::string& text) = 0;
  // Asks the front end to end the program once the current run unwinds.
  virtual void RequestExit() = 0;
  // Height of the console font in pixels.
  virtual int FontHeight() = 0;
  // Starts the one-shot assist timer anew with this interval; 0 stops it.
  virtual void SetAssistTimer(int /*milliseconds*/) {}
};

// A toolkit that shows nothing and answers every question with its cancel.
class NullToolkit : public Toolkit {
 public:
  void SetStatusLine(int, const std::string&) override {}
  void ProcessPendingEvents() override {}
  int WaitForKey() override { return 27; }
  std::string OpenFileDialog(const std::string&, const std::string&) override { return {}; }
  std::string SaveFileDialog(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  Answer AskQuestion(const std::string&, const std::string&, bool withCancel) override {
    return withCancel ? Answer::Cancel : Answer::No;
  }
  void ShowMessage(const std::string&, const std::string&) override {}
  bool InputBox(const std::string&, const std::string&, std::string&) override { return false; }
  void RequestExit() override {}
  int FontHeight() override { return 16; }
};

}  // namespace zemu
