// Helpers for the sheet tests: a scratch folder per test, whole-file reads
// and writes, running statements as typed, and a fresh program around a
// scripted toolkit.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/dispatcher.h"
#include "host/output.h"
#include "support/scripted_toolkit.h"
#include "host/context.h"
#include "support/statements.h"

namespace zemu::sheet_test {

// Removes a file or a folder with everything in it.
inline void RemoveTree(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    if (DIR* dir = opendir(path.c_str())) {
      while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") RemoveTree(path + "/" + name);
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

// A new empty folder, removed with its contents at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/zemu-sheet-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "/tmp";
  }
  ~ScratchDir() { RemoveTree(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::string content;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    std::fclose(file);
  }
  return content;
}

inline void WriteFile(const std::string& path, const std::string& content) {
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
}

inline bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

using zemu::ClearConsole;
using zemu::Execute;

// A scripted toolkit that also records the questions asked ("caption: text")
// and the names the save dialog offered.
class RecordingToolkit : public ScriptedToolkit {
 public:
  std::vector<std::string> questions;
  std::vector<std::string> offeredNames;

  std::string SaveFileDialog(const FileDialogRequest& request) override {
    offeredNames.push_back(request.fileName);
    return ScriptedToolkit::SaveFileDialog(request);
  }
  Answer AskQuestion(const std::string& title, const std::string& text, bool withCancel) override {
    questions.push_back(title + ": " + text);
    return ScriptedToolkit::AskQuestion(title, text, withCancel);
  }
};

// A program with a recording toolkit; the toolkit outlives the context.
struct Program {
  RecordingToolkit toolkit;
  Context ctx{&toolkit};
};

}  // namespace zemu::sheet_test
