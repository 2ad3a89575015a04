// The program's edge to the file system.
//
// Statements, sheets and settings name files in Shift-JIS, as they hold
// every other text; the disk holds names in the locale's encoding (UTF-8 on
// today's systems). Every name crosses here, both ways: DiskName before a
// name reaches the system, StatementName for a name that comes from it (the
// command line, a folder listing, the program's own path).
//
// Writes go through WriteBytes, the seam where tests make the disk run full;
// ReplaceFile puts a whole new content in place of a file as one step.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace zemu {

// What the program keeps about the file system: one for the program.
struct FileSystemState {
  // The encoding of file names on disk, an iconv name.
  std::string nameCodeset = "UTF-8";
  // The test seam: writes put at most this many more bytes on disk, then
  // fail with `writeError`, as a disk that has run full does.
  std::size_t writeBudget = std::numeric_limits<std::size_t>::max();
  int writeError = ENOSPC;
};

// The locale's encoding of file names. A locale that names none that holds
// more than ASCII ("C", "POSIX") gives UTF-8, as file names on today's
// systems are.
std::string NameCodesetOfLocale();

// The bytes on disk for a file name held in Shift-JIS. A name that does not
// convert (bytes that are no Shift-JIS) goes as it is.
std::string DiskName(const FileSystemState& files, std::string_view name);
// The Shift-JIS name for bytes from the disk. A name that does not convert
// is taken as it is when it reads as Shift-JIS; otherwise what Shift-JIS
// lacks becomes '?' and `exact` (when given) is set false.
std::string StatementName(const FileSystemState& files, std::string_view diskName,
                          bool* exact = nullptr);

// Writes all of `bytes`: false, with errno set, when the system (or the test
// seam) refused some of them. A stream is not flushed: its buffer's failure
// shows at the caller's flush.
bool WriteBytes(FileSystemState& files, int fd, std::string_view bytes);
bool WriteBytes(FileSystemState& files, std::FILE* stream, std::string_view bytes);

// The system's text for an errno value.
std::string ErrorText(int error);

// A C stream that is closed when its handle goes. Where a stream was written,
// a failed close (the last buffer not landing) is reported by closing it
// explicitly: std::fclose(handle.release()).
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// A file as it stands on disk, to tell later whether it is still the same
// file with the same content.
struct FileStamp {
  bool exists = false;
  bool regular = false;
  bool folder = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNs = 0;  // the last change of the content
  mode_t mode = 0;              // the permission bits
  uid_t owner = 0;
  gid_t group = 0;
  nlink_t links = 0;

  // The same file (device and inode), unchanged since (size and time).
  bool SameAs(const FileStamp& other) const {
    return exists && other.exists && device == other.device && inode == other.inode &&
           size == other.size && modifiedNs == other.modifiedNs;
  }
  // The same file, whatever its content.
  bool SameFileAs(const FileStamp& other) const {
    return exists && other.exists && device == other.device && inode == other.inode;
  }
};

// The file `name` (Shift-JIS) names now; a symbolic link is followed.
FileStamp StampOf(const FileSystemState& files, const std::string& name);

// A file that its user has marked read-only (no write permission for
// anyone, or none for us): saving over it needs the user's yes, even where
// the folder would let the program replace it.
bool IsWriteProtected(const FileSystemState& files, const std::string& name,
                      const FileStamp& stamp);

// Puts `content` in place of the file `name` (Shift-JIS; a symbolic link is
// followed and the file it points at replaced) as one step: a crash at any
// moment leaves the old file or the new one, never a part, and no temporary
// file behind. The file keeps its permissions. A file with several names
// (hard links) is written in place, so that all its names keep showing it;
// if that write fails, the old content is put back. On failure `error` says
// why and the result is false.
bool ReplaceFile(FileSystemState& files, const std::string& name, std::string_view content,
                 std::string& error);

// The marker in the names of the temporary files ReplaceFile may leave for
// a moment beside the file it replaces: "<file>" + kTemporaryMark + "<pid>-<n>".
// Such a file whose process no longer runs is removed by the next save.
inline constexpr std::string_view kTemporaryMark = ".zemu-save-";

}  // namespace zemu
