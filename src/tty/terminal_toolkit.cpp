// The terminal front end's toolkit.
#include "tty/terminal_toolkit.h"
#include "engine/sjis_literal.h"

#include <utility>

namespace zemu::tty {

void TerminalToolkit::ProcessPendingEvents() {
  if (onEvents_) onEvents_(false);
}

int TerminalToolkit::WaitForKey() {
  if (onEvents_ && io_.interactive()) onEvents_(true);  // show what the key answers first
  return io_.ReadKey();
}

bool TerminalToolkit::Ask(const std::string& question, std::string& answer) {
  if (!io_.interactive()) return false;
  if (onEvents_) onEvents_(true);
  io_.Write(question);
  std::optional<InputLine> line = io_.ReadLine(" ");
  if (!line || line->unreadable) return false;
  answer = line->text;
  return true;
}

std::string TerminalToolkit::OpenFileDialog(const std::string& title, const std::string&) {
  if (presetFile_) return *std::exchange(presetFile_, std::nullopt);
  std::string name;
  if (!Ask(title + " (ファイル名、空で取消):"_sj, name)) return {};
  return name;
}

std::string TerminalToolkit::SaveFileDialog(const std::string& title, const std::string&,
                                            const std::string& defaultName) {
  if (presetFile_) return *std::exchange(presetFile_, std::nullopt);
  std::string name;
  if (!Ask(title + " [" + defaultName + "] (ファイル名、空で既定名):"_sj, name)) return {};
  return name.empty() ? defaultName : name;
}

Answer TerminalToolkit::AskQuestion(const std::string& title, const std::string& text,
                                    bool withCancel) {
  if (presetAnswer_) return *std::exchange(presetAnswer_, std::nullopt);
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
