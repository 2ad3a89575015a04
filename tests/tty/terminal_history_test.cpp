// The terminal's history file: kept to its newest lines and read again at
// each start, repaired when an earlier version cut its first line off,
// shared by sessions side by side, and a failure to keep it said once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tty/history_file.h"
#include "zemu_process.h"

namespace {

using zemu::ScratchFolder;
using zemu_test::PtySession;
using zemu_test::ReadAll;
using zemu_test::U8;

constexpr char kUp[] = "\x1b[A";

// The lines "1+from" to "1+(to-1)", each with its line end.
std::string Sums(int from, int to) {
  std::string lines;
  for (int i = from; i < to; ++i) lines += "1+" + std::to_string(i) + "\n";
  return lines;
}

std::string FirstEntry(const std::string& file) {
  const std::size_t start = file.find('\n') + 1;
  return file.substr(start, file.find('\n', start) - start);
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Starts a session on the history file `history`, checks the file once
// the prompt is shown, recalls the line `ups` lines back and runs it.
struct StartCase {
  const char* name;
  std::string history;
  std::size_t linesAfterStart;  // the cookie line counted
  std::string firstEntry;
  int ups;
  std::string run;  // what the recalled line shows when run
};

TEST(TerminalHistory, IsReadAtStartAndKeptToItsNewestLines) {
  const std::string cookie = kHistoryCookie;
  const StartCase cases[] = {
      {"within the margin: left as it is", cookie + Sums(0, 1200), 1201, "1+0", 1, "1+1199=1200"},
      {"long: trimmed to the newest", cookie + Sums(0, 1500), 1001, "1+500", 1000, "1+500=501"},
      {"cookie cut off: repaired", Sums(0, 3), 4, "1+0", 3, "1+0=1"},
      {"cookie cut off, last line cut short", "1+0\n1+1", 3, "1+0", 1, "1+1=2"},
      {"cookie cut off and long", Sums(0, 1500), 1001, "1+500", 1, "1+1499=1500"},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder data;
    std::filesystem::create_directory(data.path() + "/zemu");
    const std::string path = data.Write("zemu/history", c.history);
    ::chmod(path.c_str(), 0640);
    PtySession zemu({"XDG_DATA_HOME=" + data.path()});
    ASSERT_TRUE(zemu.WaitForPrompt()) << zemu.output();
    const std::string file = ReadAll(path);
    EXPECT_EQ(file.substr(0, cookie.size()), cookie);
    EXPECT_EQ(static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')),
              c.linesAfterStart);
    EXPECT_EQ(file.back(), '\n');
    EXPECT_EQ(FirstEntry(file), c.firstEntry);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // No replacement file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.path() + "/zemu"),
                            std::filesystem::directory_iterator()),
              1);
    std::string keys;
    for (int i = 0; i < c.ups; ++i) keys += kUp;
    zemu.Send(keys + "\r");
    EXPECT_TRUE(zemu.WaitFor(c.run)) << zemu.output();
    ASSERT_TRUE(zemu.WaitForPrompt());
    zemu.Send(".end\r");
    EXPECT_EQ(zemu.ExitStatus(), 0) << zemu.output();
  }
}

TEST(TerminalHistory, ATrimmedHistoryIsReadAtTheNextStart) {
  ScratchFolder data;
  std::filesystem::create_directory(data.path() + "/zemu");
  data.Write("zemu/history", std::string(kHistoryCookie) + Sums(0, 1500));
  const std::string home = "XDG_DATA_HOME=" + data.path();
  {
    PtySession zemu({home});
    ASSERT_TRUE(zemu.WaitForPrompt());
    zemu.Send("2+2\r");
    ASSERT_TRUE(zemu.WaitFor("2+2=4")) << zemu.output();
    ASSERT_TRUE(zemu.WaitForPrompt());
    zemu.Send(".end\r");
    ASSERT_EQ(zemu.ExitStatus(), 0) << zemu.output();
  }
  // The lines of the last session (.end, 2+2), then the trimmed ones.
  PtySession zemu({home});
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send(std::string(kUp) + kUp + kUp + kUp + "\r");
  EXPECT_TRUE(zemu.WaitFor("1+1498=1499")) << zemu.output();
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send(".end\r");
  EXPECT_EQ(zemu.ExitStatus(), 0) << zemu.output();
}

TEST(TerminalHistory, ALineCutShortDoesNotTakeInTheNext) {
  ScratchFolder data;
  std::filesystem::create_directory(data.path() + "/zemu");
  const std::string path = data.Write("zemu/history", std::string(kHistoryCookie) + "1+1\n1+");
  PtySession zemu({"XDG_DATA_HOME=" + data.path()});
  ASSERT_TRUE(zemu.WaitForPrompt());
  zemu.Send("2+2\r");
  ASSERT_TRUE(zemu.WaitFor("2+2=4")) << zemu.output();
  ASSERT_TRUE(zemu.WaitForPrompt());
  EXPECT_EQ(ReadAll(path), std::string(kHistoryCookie) + "1+1\n1+\n2+2\n");
  zemu.Send(".end\r");
  EXPECT_EQ(zemu.ExitStatus(), 0) << zemu.output();
}

// Runs two lines in a session with the data folder `dataHome` and returns
// what the terminal showed.
std::string TwoLines(const std::string& dataHome) {
  PtySession zemu({"XDG_DATA_HOME=" + dataHome});
  EXPECT_TRUE(zemu.WaitForPrompt()) << zemu.output();
  zemu.Send("1+1\r");
  EXPECT_TRUE(zemu.WaitFor("1+1=2")) << zemu.output();
  EXPECT_TRUE(zemu.WaitForPrompt());
  zemu.Send("2+2\r");
  EXPECT_TRUE(zemu.WaitFor("2+2=4")) << zemu.output();
  EXPECT_TRUE(zemu.WaitForPrompt());
  zemu.Send(".end\r");
  EXPECT_EQ(zemu.ExitStatus(), 0) << zemu.output();
  return zemu.output();
}

TEST(TerminalHistory, AFileThatCannotBeWrittenIsSaidOnce) {
  // The tests run as root: a folder in the history file's place stops it.
  ScratchFolder data;
  const std::string path = data.path() + "/zemu/history";
  std::filesystem::create_directories(path);
  const std::string shown = TwoLines(data.path());
  const std::string unwritable =
      U8(u8"zemu: 履歴ファイル ") + path + U8(u8" に書き込めません（Is a directory）。");
  EXPECT_EQ(Occurrences(shown, unwritable), 1u) << shown;
  EXPECT_EQ(Occurrences(shown, U8(u8" を読めません（Is a directory）。")), 1u) << shown;
}

TEST(TerminalHistory, AFolderThatCannotBeMadeIsSaidOnce) {
  ScratchFolder data;
  const std::string file = data.Write("file", "");
  const std::string shown = TwoLines(file);
  EXPECT_EQ(Occurrences(shown, U8(u8"zemu: 履歴のフォルダ ") + file +
                                   U8(u8" を作れません（Not a directory）。")),
            1u)
      << shown;
  EXPECT_EQ(Occurrences(shown, "zemu: "), 1u) << shown;
}

// True once /proc/locks shows a process waiting to lock the file `inode`.
bool SomeoneWaitsFor(ino_t inode) {
  std::ifstream locks("/proc/locks");
  const std::string mark = ":" + std::to_string(inode) + " ";
  for (std::string line; std::getline(locks, line);) {
    if (line.find("->") != std::string::npos && line.find(mark) != std::string::npos) return true;
  }
  return false;
}

TEST(TerminalHistory, AWriterWaitingWhileTheFileIsReplacedWritesToTheNewFile) {
  ScratchFolder data;
  const std::string path = data.Write("history", "old\n");
  const int held = OpenLockedHistory(path.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  struct stat old {};
  ASSERT_EQ(::fstat(held, &old), 0);
  int writeError = -1;
  std::thread writer([&] {
    const int fd = OpenLockedHistory(path.c_str(), O_WRONLY | O_APPEND);
    writeError = fd < 0 ? errno : WriteWhole(fd, "line\n", 5);
    if (fd >= 0) ::close(fd);
  });
  while (!SomeoneWaitsFor(old.st_ino)) std::this_thread::yield();
  const std::string replacement = data.Write("replacement", "new\n");
  ASSERT_EQ(std::rename(replacement.c_str(), path.c_str()), 0);
  ::close(held);
  writer.join();
  EXPECT_EQ(writeError, 0);
  EXPECT_EQ(ReadAll(path), "new\nline\n");
}

}  // namespace
