// The history file as all sides use it: the program appends each line, the
// line editor module reads the file and puts it in order at start. Sessions
// side by side share the file, so each holds it locked (flock) while it
// writes, and the module replaces it (rename) only under that lock. Plain C,
// so that the module, which takes nothing of the C++ run-time, can use it.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The first line of a history file; the line editor reads no file without it.
inline constexpr char kHistoryCookie[] = "_HiStOrY_V2_\n";
inline constexpr size_t kHistoryCookieLength = sizeof kHistoryCookie - 1;

// Tries at opening and locking the history file: each further try follows
// another session's replacing the file while this one waited for the lock.
inline constexpr int kHistoryLockTries = 8;

// Writes the `length` bytes at `bytes` to `fd`: 0, or errno.
inline int WriteWhole(int fd, const char* bytes, size_t length) {
  while (length > 0) {
    const ssize_t written = write(fd, bytes, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : EIO;
    bytes += written;
    length -= static_cast<size_t>(written);
  }
  return 0;
}

// Opens the history file `path` with `flags` (and mode 0666 less the umask
// when it is made) and locks it for this process alone; closing the
// descriptor unlocks it. A file that another session replaced while this
// one waited is opened again, so that nothing is written to or read from a
// file that is no longer the history. -1, with errno set, on failure.
inline int OpenLockedHistory(const char* path, int flags) {
  for (int tries = 0; tries < kHistoryLockTries; ++tries) {
    const int fd = open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    int locked;
    do {
      locked = flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    struct stat held;
    struct stat named;
    // Without locks (a file system that has none) the file is used unlocked.
    if (locked != 0 && errno != ENOLCK && errno != EOPNOTSUPP) {
      const int error = errno;
      close(fd);
      errno = error;
      return -1;
    }
    if (fstat(fd, &held) == 0 && stat(path, &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      return fd;
    }
    close(fd);
  }
  errno = EBUSY;
  return -1;
}
