// The line editor module (zemu-edit.so): libedit's readline interface behind
// the C table of edit_module.h. History, Tab and the assist keys are set up
// here; what Tab offers and what the assist key shows come from the program.
#include "tty/edit_module.h"

#include <editline/readline.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tty/history_file.h"

namespace {

// The line editor calls plain functions without a context: what they need
// while a line is read. The editor itself is one per process.
struct EditorState {
  const ZemuEditHost* host = nullptr;
  char* line = nullptr;      // the last line read; freed by the next read
  char* before = nullptr;    // the text before the caret when Tab was pressed
  ZemuEditOffer offer{};     // the candidates of the running completion
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

// Lines the history file may hold beyond those kept before it is rewritten
// with the kept ones alone: without it, each start after the first thousand
// lines would rewrite the file.
constexpr size_t kHistoryMargin = 200;
// The end of the name of a replacement file, beside the history file;
// mkstemp fills in the X.
constexpr char kReplacementSuffix[] = ".XXXXXX";
// The buffer a history file is first read into: a thousand short lines.
constexpr size_t kFirstReadSize = 16384;

// The whole of the file open at `fd` from its start, in `*bytes` (malloc'd,
// for free) and `*length`: 0, or errno.
int ReadAll(int fd, char** bytes, size_t* length) {
  size_t capacity = kFirstReadSize;
  *length = 0;
  *bytes = static_cast<char*>(malloc(capacity));
  if (*bytes == nullptr) return ENOMEM;
  for (;;) {
    if (*length == capacity) {
      char* larger = static_cast<char*>(realloc(*bytes, capacity * 2));
      if (larger == nullptr) return ENOMEM;
      *bytes = larger;
      capacity *= 2;
    }
    const ssize_t got =
        pread(fd, *bytes + *length, capacity - *length, static_cast<off_t>(*length));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    *length += static_cast<size_t>(got);
  }
}

// The number of lines in `bytes`, a last one without its line end counted.
size_t LineCount(const char* bytes, size_t length) {
  size_t lines = 0;
  for (size_t i = 0; i < length; ++i) lines += bytes[i] == '\n';
  return lines + (length > 0 && bytes[length - 1] != '\n');
}

// True when the first line of `bytes` is the cookie line (the file's last
// line may lack its line end).
bool StartsWithCookie(const char* bytes, size_t length) {
  const size_t cookie = kHistoryCookieLength - 1;  // without its line end
  return length >= cookie && memcmp(bytes, kHistoryCookie, cookie) == 0 &&
         (length == cookie || bytes[cookie] == '\n');
}

// Makes the folder of `path` keep a rename into it across a crash; a
// failure leaves the rename as the file system keeps it.
void SyncFolderOf(const char* path) {
  const char* slash = strrchr(path, '/');
  char* folder =
      slash != nullptr ? strndup(path, static_cast<size_t>(slash - path) + 1) : strdup(".");
  if (folder == nullptr) return;
  const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
  free(folder);
}

// A new, empty file beside `path` for a replacement of it: its name
// (malloc'd) in `*name`, its descriptor or -1 with errno set.
int MakeReplacement(const char* path, char** name) {
  const size_t length = strlen(path);
  *name = static_cast<char*>(malloc(length + sizeof kReplacementSuffix));
  if (*name == nullptr) {
    errno = ENOMEM;
    return -1;
  }
  memcpy(*name, path, length);
  memcpy(*name + length, kReplacementSuffix, sizeof kReplacementSuffix);
  const int fd = mkostemp(*name, O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    free(*name);
    *name = nullptr;
    errno = error;
  }
  return fd;
}

// Ends the replacement file `fd` after `error` came of writing it: gives it
// the owner and mode of the history file (`old`) and makes it reach the
// disk, so that a crash after it took the history's name cannot leave it
// short. 0, or errno; on failure the file is removed and `*name` freed.
int FinishReplacement(int fd, char** name, const struct stat& old, int error) {
  // Another user's file that this user may not give away becomes its own.
  if (error == 0 && fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) error = errno;
  if (error == 0 && fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    unlink(*name);
    free(*name);
    *name = nullptr;
  }
  return error;
}

// Puts the history file's lines `bytes` (which lack the cookie line) after
// the cookie in a new file beside `path`, for the editor to read: its name
// (malloc'd) in `*name`. 0, or errno.
int RepairedCopy(const char* path, const struct stat& old, const char* bytes, size_t length,
                 char** name) {
  const int fd = MakeReplacement(path, name);
  if (fd < 0) return errno;
  int error = WriteWhole(fd, kHistoryCookie, kHistoryCookieLength);
  if (error == 0) error = WriteWhole(fd, bytes, length);
  if (error == 0 && bytes[length - 1] != '\n') error = WriteWhole(fd, "\n", 1);
  return FinishReplacement(fd, name, old, error);
}

// Writes the history the editor holds into a new file beside `path` with
// the editor's own writer: its name (malloc'd) in `*name`. That writer
// does not say when the disk was full, so the file is read back and must
// hold each line. 0, or errno.
int TrimmedCopy(const char* path, const struct stat& old, char** name) {
  const int fd = MakeReplacement(path, name);
  if (fd < 0) return errno;
  int error = write_history(*name);
  char* bytes = nullptr;
  size_t length = 0;
  if (error == 0) error = ReadAll(fd, &bytes, &length);
  if (error == 0 && (!StartsWithCookie(bytes, length) || bytes[length - 1] != '\n' ||
                     LineCount(bytes, length) != static_cast<size_t>(history_length) + 1)) {
    error = EIO;
  }
  free(bytes);
  return FinishReplacement(fd, name, old, error);
}

// Removes the replacement file `name` (malloc'd), which is then freed.
void Discard(char* name) {
  unlink(name);
  free(name);
}

// Gives the replacement file `name` (malloc'd, freed here) the history's
// name `path`: 0, or errno, the replacement then removed.
int TakePlace(char* name, const char* path) {
  if (rename(name, path) != 0) {
    const int error = errno;
    Discard(name);
    return error;
  }
  SyncFolderOf(path);
  free(name);
  return 0;
}

// Reads the history file `path` (locked, open at `fd`, its bytes `bytes`)
// into the editor, which keeps its newest `kept` lines. A file that lacks
// the cookie line (an earlier version cut it off) is read from a repaired
// copy, which then takes its place; a file that holds clearly more lines
// than kept is replaced by one of the kept lines. `*read` tells whether the
// lines were read; 0, or the errno of the first step that failed, the
// file's lines then kept as they were.
int ReadHistoryFile(const char* path, int fd, const char* bytes, size_t length, size_t kept,
                    bool* read) {
  *read = length == 0;
  if (length == 0) return 0;
  struct stat old;
  if (fstat(fd, &old) != 0) return errno;
  const bool cookie = StartsWithCookie(bytes, length);
  char* replacement = nullptr;  // the file to take the history's name
  if (!cookie) {
    if (const int error = RepairedCopy(path, old, bytes, length, &replacement); error != 0) {
      return error;
    }
  }
  int error = read_history(replacement != nullptr ? replacement : path);
  *read = error == 0;
  if (!*read) {
    if (replacement != nullptr) Discard(replacement);
    return error;
  }
  const size_t entries = LineCount(bytes, length) - (cookie ? 1 : 0);
  // A reading cut short holds fewer lines than kept: the file stays.
  if (entries > kept + kHistoryMargin && static_cast<size_t>(history_length) == kept) {
    char* trimmed = nullptr;
    error = TrimmedCopy(path, old, &trimmed);
    if (trimmed != nullptr) {
      if (replacement != nullptr) Discard(replacement);
      replacement = trimmed;
    }
  }
  if (replacement == nullptr) return error;
  const int placed = TakePlace(replacement, path);
  return error != 0 ? error : placed;
}

// Reads the history file `name` into the editor, which keeps its newest
// `kept` lines, holding the file locked so that no other session's line is
// lost to a replacement. A link to the file stays a link: the file it
// leads to is the one replaced.
ZemuEditHistory OpenHistory(const char* name, size_t kept) {
  char* resolved = realpath(name, nullptr);
  const char* path = resolved != nullptr ? resolved : name;
  ZemuEditHistory result = {0, 0};
  const int fd = OpenLockedHistory(path, O_RDONLY);
  if (fd < 0) {
    // No file yet: the first line typed makes it.
    result = errno == ENOENT ? ZemuEditHistory{0, 1} : ZemuEditHistory{errno, 0};
    free(resolved);
    return result;
  }
  char* bytes = nullptr;
  size_t length = 0;
  result.error = ReadAll(fd, &bytes, &length);
  if (result.error == 0) {
    bool read = false;
    result.error = ReadHistoryFile(path, fd, bytes, length, kept, &read);
    result.read = read ? 1 : 0;
  }
  free(bytes);
  close(fd);
  free(resolved);
  return result;
}

ZemuEditHistory Open(const ZemuEditHost* host, const char* historyFile, int historyLines) {
  state.host = host;
  rl_readline_name = "zemu";
  rl_initialize();
  stifle_history(historyLines);
  ZemuEditHistory history = {0, 1};
  if (historyFile != nullptr && *historyFile != '\0') {
    history = OpenHistory(historyFile, static_cast<size_t>(historyLines > 0 ? historyLines : 0));
  }
  rl_attempted_completion_function = CompleteWord;
  rl_completer_word_break_characters = const_cast<char*>(" \t\n\"'`;,(){}[]<>=+-*/^&!%|");
  rl_sort_completion_matches = 0;  // the candidates come in their order of relevance
  BindKeys();
  return history;
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
