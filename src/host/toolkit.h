// The core's only way to the window system. The Qt window, the terminal front
// end and the scripted toolkit of the tests implement it.
#pragma once

#include <string>

namespace zemu {

struct Context;

enum class Answer { Yes, No, Cancel };

// What a file dialog shows.
struct FileDialogRequest {
  std::string title;
  // Pairs of a description and its patterns: "定義式(*.ZDF)|*.ZDF|全て(*.*)|*.*".
  // A pair with several patterns separates them with ';' and no blanks:
  // "ログファイル(*.log, *.zmr)|*.log;*.zmr". The first pair is selected when
  // the dialog opens.
  std::string filter;
  std::string defaultExtension;  // added to a chosen name without one ("ZDF"); may be empty
  std::string fileName;          // the name offered at first; may be a pattern ("*.ZDF")
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Called once by the context that will use this toolkit, as it is made.
  virtual void Attach(Context& /*ctx*/) {}

  // Replaces the text of status line 1, 2 or 3 (Shift-JIS).
  virtual void SetStatusLine(int line, const std::string& text) = 0;
  // Lets the window system deliver pending events (menus, keys) during a run.
  virtual void ProcessPendingEvents() = 0;
  // Blocks until at least one event was delivered (while paused, and while
  // a key is awaited). False when no event can come any more (the input has
  // ended): the waiting run then ends as if aborted.
  virtual bool WaitForEvents() {
    ProcessPendingEvents();
    return true;
  }
  // A key awaited by the console (WaitForTypedKey) arrives as a typed key:
  // the front end hands it to ComKeyPress or TypeText from its events.

  // File dialogs: the chosen path, or empty when cancelled.
  virtual std::string OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual std::string SaveFileDialog(const FileDialogRequest& request) = 0;
  // Whether a question can reach the user at all (a window, a terminal;
  // not a pipe). Where none can, AskQuestion answers with its cancel and
  // the core refuses what it would have asked about.
  virtual bool CanAsk() { return true; }
  // Message boxes: Yes/No when `withCancel` is false, Yes/No/Cancel otherwise.
  virtual Answer AskQuestion(const std::string& title, const std::string& text,
                             bool withCancel) = 0;
  // A Yes/No question about something that cannot be undone, shown with a
  // warning icon where the toolkit has icons.
  virtual Answer AskWarning(const std::string& title, const std::string& text) {
    return AskQuestion(title, text, false);
  }
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
  // A modal input box; false when cancelled.
  virtual bool InputBox(const std::string& title, const std::string& prompt, std::string& text) = 0;
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
  bool CanAsk() override { return false; }
  void SetStatusLine(int, const std::string&) override {}
  void ProcessPendingEvents() override {}
  bool WaitForEvents() override { return false; }
  std::string OpenFileDialog(const FileDialogRequest&) override { return {}; }
  std::string SaveFileDialog(const FileDialogRequest&) override { return {}; }
  Answer AskQuestion(const std::string&, const std::string&, bool withCancel) override {
    return withCancel ? Answer::Cancel : Answer::No;
  }
  void ShowMessage(const std::string&, const std::string&) override {}
  bool InputBox(const std::string&, const std::string&, std::string&) override { return false; }
  void RequestExit() override {}
  int FontHeight() override { return 16; }
};

}  // namespace zemu
