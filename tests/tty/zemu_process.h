// Runs build/zemu as a process for the terminal's end-to-end tests: with a
// file or pipe on standard input, or on a pseudo-terminal for the keys.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/scratch_folder.h"

namespace zemu_test {

// The terminal speaks UTF-8, while plain literals in the tests are Shift-JIS.
inline std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Run {
  std::string out;
  std::string err;
  int status = -1;
};

// Runs `program` (build/zemu) with the shell words `arguments` and `input`
// on standard input; `environment` is put before the command ("A=1 B=2").
inline Run RunProgram(const std::string& arguments, const std::string& input = "",
                      const std::string& environment = "",
                      const std::string& program = ZEMU_PROGRAM) {
  zemu::ScratchFolder files;
  const std::string in = files.Write("in", input);
  const std::string command = environment + " " + program + " " + arguments + " < " + in + " > " +
                              files.path() + "/out 2> " + files.path() + "/err";
  const int status = std::system(command.c_str());
  Run run;
  run.out = ReadAll(files.path() + "/out");
  run.err = ReadAll(files.path() + "/err");
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// True when `parts` appear in `text` in this order.
inline bool InOrder(const std::string& text, std::initializer_list<std::string> parts) {
  std::size_t at = 0;
  for (const std::string& part : parts) {
    at = text.find(part, at);
    if (at == std::string::npos) return false;
    at += part.size();
  }
  return true;
}

// zemu --tty on a pseudo-terminal in a UTF-8 locale.
class PtySession {
 public:
  // `environment`: extra NAME=value words.
  explicit PtySession(std::initializer_list<std::string> environment = {},
                      const std::string& program = ZEMU_PROGRAM) {
    pid_ = ::forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      ::setenv("LC_ALL", "C.UTF-8", 1);
      ::setenv("TERM", "xterm", 1);
      for (const std::string& word : environment) ::putenv(::strdup(word.c_str()));
      ::execl(program.c_str(), "zemu", "--tty", static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~PtySession() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) ::close(fd_);
  }

  void Send(const std::string& keys) {
    EXPECT_EQ(::write(fd_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Reads until `text` has appeared in what was read since the last wait;
  // false after `seconds` without it. All that was read stays in output().
  bool WaitFor(const std::string& text, double seconds = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (output_.find(text, mark_) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) return false;
      output_.append(buffer, static_cast<std::size_t>(n));
    }
    mark_ = output_.find(text, mark_) + text.size();
    return true;
  }

  // Waits for a prompt and a little more: the line editor shows the
  // prompt before it sets the terminal up, and keys typed in between may be
  // echoed twice or lost.
  bool WaitForInput(const std::string& prompt) {
    const bool shown = WaitFor(prompt);
    ::usleep(200000);
    return shown;
  }
  bool WaitForPrompt() { return WaitForInput("> "); }

  // The exit status once the program ended; -1 when it did not within `seconds`.
  int ExitStatus(double seconds = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      WaitFor("\x01", 0.1);  // keeps the terminal drained
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    return -1;
  }

  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string output_;
  std::size_t mark_ = 0;
};

}  // namespace zemu_test
