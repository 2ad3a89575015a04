// The terminal front end's toolkit.
#include "tty/terminal_toolkit.h"

#include "base/sjis_literal.h"
#include "console/calculator.h"

namespace zemu::tty {

void TerminalToolkit::SetStatusLine(int line, const std::string& text) {
  if (line >= 1 && line <= 3) statusLines_[static_cast<std::size_t>(line - 1)] = text;
}

void TerminalToolkit::CheckInterrupt() {
  if (calc_ == nullptr || !io_.TakeInterrupt()) return;
  if (calc_->runState() == RunState::Running || calc_->runState() == RunState::Paused) {
    // The terminal echoed "^C" where the output stands: the abort line
    // writes over it.
    if (io_.outputIsTerminal()) io_.WritePlain("\r");
    calc_->Abort();
    aborted_ = true;
  }
}

void TerminalToolkit::ProcessPendingEvents() {
  CheckInterrupt();
  if (onEvents_) onEvents_(false);
}

bool TerminalToolkit::WaitForEvents() {
  // The only event a terminal waits for is an awaited key.
  if (calc_ == nullptr || !calc_->KeyAwaited()) return false;
  if (onEvents_ && io_.interactive()) onEvents_(true);  // show what the key answers first
  const int key = io_.ReadKey();
  CheckInterrupt();
  if (calc_->runState() == RunState::Aborted) return false;
  calc_->KeyPress(static_cast<char>(key));
  return true;
}

bool TerminalToolkit::Ask(const std::string& question, std::string& answer) {
  if (!io_.interactive()) return false;
  if (onEvents_) onEvents_(true);
  io_.Write(question);
  std::optional<InputLine> line = io_.ReadLine(" ", false);
  if (!line || line->unreadable || line->interrupted) return false;
  answer = line->text;
  return true;
}

std::string TerminalToolkit::OpenFileDialog(const FileDialogRequest& request) {
  std::string name;
  if (!Ask(request.title + " (ファイル名、空で取消):"_sj, name)) return {};
  return name;
}

std::string TerminalToolkit::SaveFileDialog(const FileDialogRequest& request) {
  std::string name;
  const std::string& offered = request.fileName;
  if (!Ask(request.title + " [" + offered + "] (ファイル名、空で既定名):"_sj, name)) return {};
  return name.empty() ? offered : name;
}

Answer TerminalToolkit::AskQuestion(const std::string& title, const std::string& text,
                                    bool withCancel) {
  std::string answer;
  std::string choices = withCancel ? " (y/n/c):" : " (y/n):";
  if (!Ask(title + ": " + text + choices, answer)) return withCancel ? Answer::Cancel : Answer::No;
  if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) return Answer::Yes;
  if (!answer.empty() && (answer[0] == 'n' || answer[0] == 'N')) return Answer::No;
  return withCancel ? Answer::Cancel : Answer::No;
}

void TerminalToolkit::ShowMessage(const std::string& title, const std::string& text) {
  if (io_.interactive()) io_.Write(title + ": " + text + "\r\n");
}

bool TerminalToolkit::InputBox(const std::string& title, const std::string& prompt,
                               std::string& text) {
  std::string answer;
  if (!Ask(title + ": " + prompt + " [" + text + "]", answer)) return false;
  if (!answer.empty()) text = answer;
  return true;
}

}  // namespace zemu::tty
