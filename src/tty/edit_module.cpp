// The line editor module (zemu-edit.so): libedit's readline interface behind
// the C table of edit_module.h. History, Tab and the assist keys are set up
// here; what Tab offers and what the assist key shows come from the program.
#include "tty/edit_module.h"

#include <editline/readline.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The line editor calls plain functions without a context: what they need
// while a line is read. The editor itself is one per process.
struct EditorState {
  const ZemuEditHost* host = nullptr;
  char* line = nullptr;     // the last line read; freed by the next read
  char* before = nullptr;   // the text before the caret when Tab was pressed
  ZemuEditOffer offer{};    // the candidates of the running completion
  size_t nextCandidate = 0;  // the next one to hand out
};
EditorState state;

// Offered candidate `index` fitted to the editor's word `text`: the editor
// cuts its word at its own break characters, the program at its own, so
// the candidate loses or gains what the two words differ by. Allocated.
char* Fitted(const char* text, size_t index) {
  const char* candidate = state.offer.candidates[index];
  const size_t wordLength = strlen(state.offer.word);
  const size_t textLength = strlen(text);
  if (textLength <= wordLength) {
    const size_t cut = wordLength - textLength;
    return strdup(cut <= strlen(candidate) ? candidate + cut : "");
  }
  const size_t kept = textLength - wordLength;
  const size_t length = strlen(candidate);
  char* fitted = static_cast<char*>(malloc(kept + length + 1));
  if (fitted == nullptr) return nullptr;
  memcpy(fitted, text, kept);
  memcpy(fitted + kept, candidate, length + 1);
  return fitted;
}

char* NextCandidate(const char* text, int round) {
  if (round == 0) state.nextCandidate = 0;
  if (state.nextCandidate >= state.offer.count) return nullptr;
  return Fitted(text, state.nextCandidate++);
}

char** CompleteWord(const char* text, int, int) {
  rl_attempted_completion_over = 1;
  rl_completion_append_character = '\0';
  state.offer = ZemuEditOffer{};
  if (state.host == nullptr || state.before == nullptr) return nullptr;
  state.host->complete(state.host->user, state.before, strlen(state.before), &state.offer);
  if (state.offer.count == 0 || state.offer.word == nullptr) return nullptr;
  if (state.offer.count == 1) {
    // A folder is not ended by a blank: its files come next.
    char* only = Fitted(text, 0);
    const size_t length = only != nullptr ? strlen(only) : 0;
    if (length == 0 || only[length - 1] != '/') rl_completion_append_character = state.offer.append;
    free(only);
  }
  return rl_completion_matches(text, NextCandidate);
}

int TabKey(int, int key) {
  // The editor brings its line up to date only before it calls a function
  // bound to a key, not before its completion asks for candidates.
  free(state.before);
  state.before = strndup(rl_line_buffer, static_cast<size_t>(rl_point > 0 ? rl_point : 0));
  rl_complete(0, key);
  // The editor redraws prompt and line from where the cursor stands: back to
  // the start of the line and clear it first.
  fputs("\r\x1b[K", rl_outstream != nullptr ? rl_outstream : stdout);
  rl_forced_update_display();
  return 0;
}

int AssistKey(int, int) {
  if (state.host == nullptr) return 0;
  const size_t length = static_cast<size_t>(rl_end > 0 ? rl_end : 0);
  const size_t caret = static_cast<size_t>(rl_point > 0 ? rl_point : 0);
  if (state.host->assist(state.host->user, rl_line_buffer, length, caret) != 0) {
    rl_on_new_line();
    rl_forced_update_display();
  }
  return 0;
}

// Tab completes; Ctrl-X ? and F1 show the assist lines. The editor calls a
// function bound to a key sequence with the sequence's last key, so each
// such key is given the function and then bound back to typing itself.
void BindKeys() {
  rl_add_defun("zemu-complete", TabKey, '\t');
  rl_parse_and_bind("bind ^I zemu-complete");
  rl_add_defun("zemu-assist", AssistKey, '?');
  rl_parse_and_bind("bind ? ed-insert");
  rl_parse_and_bind("bind ^X? zemu-assist");
  rl_add_defun("zemu-assist-f1", AssistKey, 'P');
  rl_parse_and_bind("bind P ed-insert");
  rl_parse_and_bind("bind ^[OP zemu-assist-f1");
  rl_add_defun("zemu-assist-f1-vt", AssistKey, '~');
  rl_parse_and_bind("bind ~ ed-insert");
  rl_parse_and_bind("bind ^[[11~ zemu-assist-f1-vt");
}

void Open(const ZemuEditHost* host, const char* historyFile, int historyLines) {
  state.host = host;
  rl_readline_name = "zemu";
  rl_initialize();
  stifle_history(historyLines);
  if (historyFile != nullptr && *historyFile != '\0') {
    history_truncate_file(historyFile, historyLines);
    read_history(historyFile);
  }
  rl_attempted_completion_function = CompleteWord;
  rl_completer_word_break_characters = const_cast<char*>(" \t\n\"'`;,(){}[]<>=+-*/^&!%|");
  rl_sort_completion_matches = 0;  // the candidates come in their order of relevance
  BindKeys();
}

const char* ReadLine(const char* prompt) {
  free(state.line);
  state.line = readline(prompt);
  return state.line;
}

void AddHistory(const char* line) { add_history(line); }

}  // namespace

extern "C" __attribute__((visibility("default"))) const ZemuLineEditor* zemu_edit_module() {
  static const ZemuLineEditor editor = {Open, ReadLine, AddHistory};
  return &editor;
}
