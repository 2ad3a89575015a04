// Helpers for the sheet tests: whole-file reads and writes, running
// statements as typed, and a fresh program around a scripted toolkit.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/dispatcher.h"
#include "host/context.h"
#include "host/output.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu::sheet_test {

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
