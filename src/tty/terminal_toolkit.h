// The toolkit of the terminal front end: no status lines, keys and answers
// read from the terminal, and every question answered with its cancel when
// standard input is not a terminal. A key the console awaits is read from
// the terminal and typed into the console.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "console/toolkit.h"
#include "tty/terminal_io.h"

namespace zemu::tty {

class TerminalToolkit : public Toolkit {
 public:
  explicit TerminalToolkit(TerminalIo& io) : io_(io) {}

  // Called whenever the running computation lets events through; with true
  // when the program is about to wait for the user.
  void SetEventHandler(std::function<void(bool)> handler) { onEvents_ = std::move(handler); }
  bool exitRequested() const { return exitRequested_; }
  void CancelExit() { exitRequested_ = false; }

  void Attach(Context& ctx) override { ctx_ = &ctx; }
  void SetStatusLine(int, const std::string&) override {}
  void ProcessPendingEvents() override;
  bool WaitForEvents() override;
  std::string OpenFileDialog(const FileDialogRequest& request) override;
  std::string SaveFileDialog(const FileDialogRequest& request) override;
  Answer AskQuestion(const std::string& title, const std::string& text, bool withCancel) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  bool InputBox(const std::string& title, const std::string& prompt, std::string& text) override;
  void RequestExit() override { exitRequested_ = true; }
  int FontHeight() override { return 16; }

 private:
  // Asks on the terminal; nothing when not interactive or at end of input.
  bool Ask(const std::string& question, std::string& answer);

  TerminalIo& io_;
  Context* ctx_ = nullptr;
  std::function<void(bool)> onEvents_;
  bool exitRequested_ = false;
};

}  // namespace zemu::tty
