// The edge to the file system: names between Shift-JIS and the disk's
// encoding, the write seam of the tests, and replacing a file as one step.
#include "platform/files.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <string>

#include "../sheet/sheet_test_util.h"
#include "base/sjis_literal.h"
#include "host/context.h"

namespace zemu {
namespace {

using sheet_test::Exists;
using sheet_test::ReadFile;
using sheet_test::WriteFile;

TEST(FileNames, CrossBetweenShiftJisAndTheDisk) {
  const struct {
    const char* codeset;
    std::string statement;  // as statements hold it
    std::string disk;       // as the disk holds it
  } cases[] = {
      {"UTF-8", "plain/a.ZDF", "plain/a.ZDF"},
      {"UTF-8", "日本語/表ソ.ZDF"_sj,
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E/\xE8\xA1\xA8\xE3\x82\xBD.ZDF"},
      {"EUC-JP", "表.ZDF"_sj, "\xC9\xBD.ZDF"},
      {"CP932", "表.ZDF"_sj, "表.ZDF"_sj},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statement);
    Context ctx;
    ctx.files.nameCodeset = c.codeset;
    EXPECT_EQ(DiskName(ctx.files, c.statement), c.disk);
    bool exact = false;
    EXPECT_EQ(StatementName(ctx.files, c.disk, &exact), c.statement);
    EXPECT_TRUE(exact);
  }
}

TEST(FileNames, NamesThatDoNotConvert) {
  Context ctx;
  ctx.files.nameCodeset = "UTF-8";
  // Bytes that are no Shift-JIS go to the disk as they are.
  EXPECT_EQ(DiskName(ctx.files, "\x81\x20.ZDF"), "\x81\x20.ZDF");
  // A name an older program wrote in Shift-JIS reads as that name.
  bool exact = false;
  EXPECT_EQ(StatementName(ctx.files, "\x95\x5C.ZDF", &exact), "\x95\x5C.ZDF");
  EXPECT_TRUE(exact);
  // A character Shift-JIS lacks cannot be named exactly.
  const std::string name = StatementName(ctx.files, "\xF0\x9F\x98\x80.ZDF", &exact);
  EXPECT_TRUE(name.starts_with("?") && name.ends_with(".ZDF")) << name;
  EXPECT_FALSE(exact);
}

// The seam lets the given number of bytes through, then fails as a full disk.
TEST(WriteSeam, FailsOnceTheBudgetIsSpent) {
  ScratchFolder dir;
  Context ctx;
  ctx.files.writeBudget = 5;
  std::FILE* file = std::fopen((dir / "t").c_str(), "w");
  EXPECT_TRUE(WriteBytes(ctx.files, file, "abc"));
  errno = 0;
  EXPECT_FALSE(WriteBytes(ctx.files, file, "defg"));
  EXPECT_EQ(errno, ENOSPC);
  std::fclose(file);
  EXPECT_EQ(ReadFile(dir / "t"), "abcde");
}

// ---- Replacing a file -----------------------------------------------------

int CountEntries(const std::string& folder) {
  int count = 0;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") ++count;
    }
    closedir(dir);
  }
  return count;
}

TEST(ReplaceFile, WritesAndKeepsPermissions) {
  FileSystemState files;
  ScratchFolder dir;
  const std::string path = dir / "t.ZDF";
  std::string error;
  ASSERT_TRUE(ReplaceFile(files, path, "first\r\n", error)) << error;
  chmod(path.c_str(), 0640);
  ASSERT_TRUE(ReplaceFile(files, path, "second\r\n", error)) << error;
  EXPECT_EQ(ReadFile(path), "second\r\n");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(CountEntries(dir.path()), 1);
}

TEST(ReplaceFile, FollowsSymbolicLinks) {
  FileSystemState files;
  ScratchFolder dir;
  WriteFile(dir / "real.ZDF", "old");
  ASSERT_EQ(symlink((dir / "real.ZDF").c_str(), (dir / "link.ZDF").c_str()), 0);
  std::string error;
  ASSERT_TRUE(ReplaceFile(files, dir / "link.ZDF", "new", error)) << error;
  EXPECT_EQ(ReadFile(dir / "real.ZDF"), "new");
  struct stat info {};
  ASSERT_EQ(lstat((dir / "link.ZDF").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(ReplaceFile, FailuresLeaveTheOldFileAlone) {
  FileSystemState files;
  ScratchFolder dir;
  std::string error;
  // The folder was replaced by a file.
  WriteFile(dir / "blocker", "not a folder");
  EXPECT_FALSE(ReplaceFile(files, dir / "blocker/t.ZDF", "x", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(dir / "blocker"), "not a folder");
  // The name is a folder.
  mkdir((dir / "sub.ZDF").c_str(), 0755);
  error.clear();
  EXPECT_FALSE(ReplaceFile(files, dir / "sub.ZDF", "x", error));
  EXPECT_FALSE(error.empty());
  // A missing folder.
  EXPECT_FALSE(ReplaceFile(files, dir / "none/t.ZDF", "x", error));
  EXPECT_EQ(CountEntries(dir.path()), 2);
}

TEST(ReplaceFile, WriteErrorMidwayKeepsTheOldFile) {
  FileSystemState files;
  ScratchFolder dir;
  const std::string path = dir / "t.ZDF";
  WriteFile(path, "old content");
  // A file size limit makes the write fail after some bytes, even for root.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  std::string error;
  const bool written = ReplaceFile(files, path, std::string(5000, 'x'), error);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(path), "old content");
  EXPECT_EQ(CountEntries(dir.path()), 1);
  EXPECT_TRUE(Exists(path));
}

}  // namespace
}  // namespace zemu
