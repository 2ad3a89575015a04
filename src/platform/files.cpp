// File names between Shift-JIS and the disk's encoding, writes through the
// test seam, and the replacement of a file as one step.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/encoding.h"
#include "base/scan.h"

namespace zemu {

namespace {

// How many names ReplaceFile tries for its temporary file before it gives up.
constexpr int kTemporaryAttempts = 100;

bool IsUtf8Codeset(std::string_view codeset) {
  const std::string lower = AsciiLowerText(codeset);
  return lower == "utf-8" || lower == "utf8";
}

bool IsAsciiName(std::string_view name) {
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsShiftJisCodeset(std::string_view codeset) {
  static constexpr std::array<std::string_view, 7> kNames = {
      "shift_jis", "shift-jis", "sjis", "cp932", "windows-31j", "ms_kanji", "csshiftjis"};
  const std::string lower = AsciiLowerText(codeset);
  return std::find(kNames.begin(), kNames.end(), lower) != kNames.end();
}

bool IsValidIn(std::string_view bytes, const char* codeset) {
  std::string scratch;
  return ConvertText(bytes, codeset, "UTF-16LE", scratch);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a name finally refers to: a symbolic link is followed.
std::string ResolveTarget(const std::string& diskName) {
  struct stat info {};
  if (lstat(diskName.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return diskName;
  char resolved[PATH_MAX];
  if (realpath(diskName.c_str(), resolved) == nullptr) return diskName;
  return resolved;
}

FileStamp StampOfDiskName(const std::string& diskName) {
  FileStamp stamp;
  struct stat info {};
  if (stat(diskName.c_str(), &info) != 0) return stamp;
  stamp.exists = true;
  stamp.regular = S_ISREG(info.st_mode);
  stamp.folder = S_ISDIR(info.st_mode);
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modifiedNs =
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  stamp.mode = info.st_mode & 07777;
  stamp.owner = info.st_uid;
  stamp.group = info.st_gid;
  stamp.links = info.st_nlink;
  return stamp;
}

// Writes without the test seam: putting old bytes back where they were
// needs no new room on a disk, full or not.
bool WriteDirect(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool ReadAll(int fd, std::string& bytes) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Removes the temporary files that saves of `base` left in `folder` when
// their process was killed in the moment between naming and renaming one.
void RemoveStaleTemporaries(const std::string& folder, const std::string& base) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::string prefix = base + std::string(kTemporaryMark);
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(prefix)) continue;
    const long pid = std::strtol(std::string(name.substr(prefix.size())).c_str(), nullptr, 10);
    if (pid <= 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)) {
      unlinkat(dirfd(dir), entry->d_name, 0);
    }
  }
  closedir(dir);
}

std::string TemporaryName(const std::string& target, int attempt) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return target + std::string(kTemporaryMark) + std::to_string(getpid()) + "-" +
         std::to_string(now.tv_nsec % 1000000 + attempt);
}

// Gives the unnamed file `fd` (made with O_TMPFILE) the name `name`.
bool NameUnnamedFile(int fd, const std::string& name) {
  if (linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) return false;
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A new file with a fresh temporary name beside `target`, or -1.
int CreateNamedTemporary(const std::string& target, std::string& temporary) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    temporary = TemporaryName(target, attempt);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Names the unnamed file `fd` beside `target`; false when no name was free.
bool NameTemporary(int fd, const std::string& target, std::string& temporary) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    temporary = TemporaryName(target, attempt);
    if (NameUnnamedFile(fd, temporary)) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// The new content goes to a file of its own in the same folder, first without
// a name (so that a kill leaves nothing), then named and renamed over the old.
// Returns 0, or the errno of the step that failed.
int ReplaceByRename(FileSystemState& files, const std::string& target, const FileStamp& old,
                    std::string_view content) {
  const std::string folder = FolderOf(target);
  RemoveStaleTemporaries(folder, BaseOf(target));
  std::string temporary;
  bool named = false;
  int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {  // a file system without unnamed files
    fd = CreateNamedTemporary(target, temporary);
    named = fd >= 0;
  }
  if (fd < 0) return errno;
  bool ok = true;
  if (old.exists) {
    // The owner stays where the system lets us keep it (a user's file saved
    // by the administrator); the permissions always.
    static_cast<void>(fchown(fd, old.owner, old.group));
    ok = fchmod(fd, old.mode) == 0;
  }
  ok = ok && WriteBytes(files, fd, content) && fsync(fd) == 0;
  if (ok && !named) ok = named = NameTemporary(fd, target, temporary);
  int failure = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    if (named) unlink(temporary.c_str());
    return failure;
  }
  SyncFolder(folder);
  return 0;
}

// For a file with several names: the content is written over the old one,
// room for it taken first; a failure puts the old content back.
bool ReplaceInPlace(FileSystemState& files, const std::string& target, std::string_view content,
                    std::string& error) {
  const int fd = open(target.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    error = ErrorText(errno);
    return false;
  }
  std::string old;
  bool ok = ReadAll(fd, old);
  if (ok && content.size() > old.size() &&
      fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(content.size())) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS) {
    ok = false;
  }
  int failure = ok ? 0 : errno;
  bool touched = false;
  if (ok) {
    touched = true;
    ok = lseek(fd, 0, SEEK_SET) == 0 && WriteBytes(files, fd, content) &&
         ftruncate(fd, static_cast<off_t>(content.size())) == 0 && fsync(fd) == 0;
    failure = ok ? 0 : errno;
  }
  if (!ok && touched) {
    if (lseek(fd, 0, SEEK_SET) == 0 && WriteDirect(fd, old)) {
      static_cast<void>(ftruncate(fd, static_cast<off_t>(old.size())));
      fsync(fd);
    }
  }
  close(fd);
  if (!ok) error = ErrorText(failure);
  return ok;
}

}  // namespace

std::string NameCodesetOfLocale() {
  const char* codeset = nl_langinfo(CODESET);
  const std::string lower = AsciiLowerText(codeset != nullptr ? codeset : "");
  if (lower.empty() || lower == "ansi_x3.4-1968" || lower == "ascii" || lower == "us-ascii") {
    return "UTF-8";
  }
  return codeset;
}

std::string DiskName(const FileSystemState& files, std::string_view name) {
  const std::string& codeset = files.nameCodeset;
  if (IsAsciiName(name) || IsShiftJisCodeset(codeset) || !IsShiftJisText(name)) {
    return std::string(name);
  }
  std::string disk;
  if (IsUtf8Codeset(codeset)) {
    if (SjisToUtf8(name, disk)) return disk;
  } else if (ConvertText(name, "CP932", codeset.c_str(), disk)) {
    return disk;
  }
  return std::string(name);
}

std::string StatementName(const FileSystemState& files, std::string_view diskName, bool* exact) {
  if (exact != nullptr) *exact = true;
  const std::string& codeset = files.nameCodeset;
  if (IsAsciiName(diskName) || IsShiftJisCodeset(codeset)) return std::string(diskName);
  std::string name;
  if (ConvertText(diskName, codeset.c_str(), "CP932", name)) return name;
  // Bytes that are no text of the disk's encoding but Shift-JIS (a name
  // made by an older program) are that name already.
  if (!IsValidIn(diskName, codeset.c_str()) && IsShiftJisText(diskName)) {
    return std::string(diskName);
  }
  if (exact != nullptr) *exact = false;
  std::string replaced;
  if (IsUtf8Codeset(codeset)) {
    Utf8ToSjis(diskName, replaced);
    return replaced;
  }
  return std::string(diskName);
}

bool WriteBytes(FileSystemState& files, int fd, std::string_view bytes) {
  std::size_t& budget = files.writeBudget;
  const std::size_t allowed = std::min(budget, bytes.size());
  std::string_view now = bytes.substr(0, allowed);
  while (!now.empty()) {
    const ssize_t written = write(fd, now.data(), now.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    now.remove_prefix(static_cast<std::size_t>(written));
    if (budget != std::numeric_limits<std::size_t>::max())
      budget -= static_cast<std::size_t>(written);
  }
  if (allowed < bytes.size()) {
    errno = files.writeError;
    return false;
  }
  return true;
}

bool WriteBytes(FileSystemState& files, std::FILE* stream, std::string_view bytes) {
  std::size_t& budget = files.writeBudget;
  const std::size_t allowed = std::min(budget, bytes.size());
  const std::size_t written = std::fwrite(bytes.data(), 1, allowed, stream);
  if (budget != std::numeric_limits<std::size_t>::max()) budget -= written;
  if (written < allowed) return false;
  if (allowed < bytes.size()) {
    errno = files.writeError;
    return false;
  }
  return true;
}

std::string ErrorText(int error) { return std::strerror(error); }

FileStamp StampOf(const FileSystemState& files, const std::string& name) {
  return StampOfDiskName(DiskName(files, name));
}

bool IsWriteProtected(const FileSystemState& files, const std::string& name,
                      const FileStamp& stamp) {
  if (!stamp.exists) return false;
  if ((stamp.mode & 0222) == 0) return true;
  return access(DiskName(files, name).c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM);
}

bool ReplaceFile(FileSystemState& files, const std::string& name, std::string_view content,
                 std::string& error) {
  const std::string target = ResolveTarget(DiskName(files, name));
  const FileStamp old = StampOfDiskName(target);
  if (old.exists && !old.regular) {
    error = old.folder ? ErrorText(EISDIR) : "not a regular file";
    return false;
  }
  if (old.exists && old.links > 1) return ReplaceInPlace(files, target, content, error);
  const int failure = ReplaceByRename(files, target, old, content);
  if (failure == 0) return true;
  // A folder we may not write holding a file we may: the file is written
  // where it is.
  if (old.exists && (failure == EACCES || failure == EPERM) && access(target.c_str(), W_OK) == 0) {
    return ReplaceInPlace(files, target, content, error);
  }
  error = ErrorText(failure);
  return false;
}

}  // namespace zemu
