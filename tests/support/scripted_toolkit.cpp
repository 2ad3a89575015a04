// The scripted toolkit of the tests.
#include "support/scripted_toolkit.h"

#include "console/console.h"
#include "host/context.h"

namespace zemu {

namespace {

template <typename T>
std::optional<T> TakeFront(std::deque<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

}  // namespace

void ScriptedToolkit::SetStatusLine(int line, const std::string& text) {
  if (line >= 1 && line <= 3) statusLines[static_cast<std::size_t>(line - 1)] = text;
}

void ScriptedToolkit::ProcessPendingEvents() {
  if (auto event = TakeFront(events)) (*event)();
}

bool ScriptedToolkit::WaitForEvents() {
  if (!events.empty()) {
    ProcessPendingEvents();
  } else if (context_ != nullptr && context_->console.keyWaitSlot == 0 && !keys.empty()) {
    ComKeyPress(*context_, static_cast<char>(*TakeFront(keys)));
  } else if (whenNoEvents) {
    whenNoEvents();
  } else {
    return false;
  }
  return true;
}

std::string ScriptedToolkit::OpenFileDialog(const FileDialogRequest& request) {
  dialogs.push_back(request);
  return TakeFront(openFileNames).value_or("");
}

std::string ScriptedToolkit::SaveFileDialog(const FileDialogRequest& request) {
  dialogs.push_back(request);
  return TakeFront(saveFileNames).value_or("");
}

Answer ScriptedToolkit::AskQuestion(const std::string&, const std::string&, bool withCancel) {
  return TakeFront(answers).value_or(withCancel ? Answer::Cancel : Answer::No);
}

void ScriptedToolkit::ShowMessage(const std::string& title, const std::string& text) {
  messages.push_back(title + ": " + text);
}

bool ScriptedToolkit::InputBox(const std::string&, const std::string&, std::string& text) {
  std::optional<std::string> answer = TakeFront(inputs).value_or(std::nullopt);
  if (!answer) return false;
  text = *answer;
  return true;
}

}  // namespace zemu
