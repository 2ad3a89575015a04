// The toolkit of the terminal front end: status lines kept for the assist
// key, keys and answers read from the terminal, and every question answered
// with its cancel when standard input is not a terminal. A key the console
// awaits is read from the terminal and typed into the console. Ctrl-C is the
// computation menu's Abort.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "host/toolkit.h"
#include "tty/terminal_io.h"

namespace zemu {
class Calculator;
}

namespace zemu::tty {

class TerminalToolkit : public Toolkit {
 public:
  explicit TerminalToolkit(TerminalIo& io) : io_(io) {}

  // Called whenever the running computation lets events through; with true
  // when the program is about to wait for the user.
  void SetEventHandler(std::function<void(bool)> handler) { onEvents_ = std::move(handler); }
  bool exitRequested() const { return exitRequested_; }
  void CancelExit() { exitRequested_ = false; }
  // True once after Ctrl-C aborted a run.
  bool TakeAborted() { return std::exchange(aborted_, false); }
  const std::array<std::string, 3>& statusLines() const { return statusLines_; }

  // The calculator this toolkit serves; set before it runs.
  void SetCalculator(Calculator* calc) { calc_ = calc; }
  void SetStatusLine(int line, const std::string& text) override;
  void ProcessPendingEvents() override;
  bool WaitForEvents() override;
  std::string OpenFileDialog(const FileDialogRequest& request) override;
  std::string SaveFileDialog(const FileDialogRequest& request) override;
  bool CanAsk() override { return io_.interactive(); }
  Answer AskQuestion(const std::string& title, const std::string& text, bool withCancel) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  bool InputBox(const std::string& title, const std::string& prompt, std::string& text) override;
  void RequestExit() override { exitRequested_ = true; }
  int FontHeight() override { return 16; }

 private:
  // Asks on the terminal; nothing when not interactive or at end of input.
  bool Ask(const std::string& question, std::string& answer);
  // Aborts the run when Ctrl-C was pressed.
  void CheckInterrupt();

  TerminalIo& io_;
  Calculator* calc_ = nullptr;
  std::function<void(bool)> onEvents_;
  bool exitRequested_ = false;
  bool aborted_ = false;
  std::array<std::string, 3> statusLines_;
};

}  // namespace zemu::tty
