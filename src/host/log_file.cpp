// The log file's blocks, their writing through the write seam, and the
// cut back after a write that did not land whole.
#include "host/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "host/context.h"
#include "platform/files.h"

namespace zemu {

std::unique_ptr<LogFile> LogFile::Open(Context& ctx, const std::string& diskName) {
  // Opened as a C stream ("a": appending, made when missing, 0666 less the
  // umask), the one way the fuzz targets let a file be opened for writing
  // (they watch fopen); the log keeps a descriptor of its own.
  FileHandle stream(std::fopen(diskName.c_str(), "a"));
  if (!stream) return nullptr;
  const int fd = fcntl(fileno(stream.get()), F_DUPFD_CLOEXEC, 0);
  const int error = errno;
  stream.reset();
  errno = error;
  if (fd < 0) return nullptr;
  struct stat info {};
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  return std::unique_ptr<LogFile>(new LogFile(ctx, fd, regular));
}

LogFile::~LogFile() {
  static_cast<void>(Flush());
  close(fd_);
}

bool LogFile::Append(std::string_view piece) {
  held_.append(piece);
  pieceEnds_.push_back(held_.size());
  return held_.size() < kLogBlockSize || Flush();
}

bool LogFile::Flush() {
  if (held_.empty()) return true;
  const off_t before = SizeNow();
  const bool written = WriteBytes(ctx_.files, fd_, held_);
  if (!written) {
    const int error = errno;
    CutBack(before);
    errno = error;
  }
  held_.clear();
  pieceEnds_.clear();
  return written;
}

off_t LogFile::SizeNow() const {
  struct stat info {};
  if (!regular_ || fstat(fd_, &info) != 0) return -1;
  return info.st_size;
}

void LogFile::CutBack(off_t before) const {
  if (before < 0) return;
  // An appending write leaves the offset just after the last byte it put
  // in the file; nothing put there leaves it at or before `before`.
  const off_t end = lseek(fd_, 0, SEEK_CUR);
  const off_t size = SizeNow();
  if (end <= before || size < 0) return;
  const auto landed = static_cast<std::size_t>(end - before);
  std::size_t kept = 0;
  for (std::size_t pieceEnd : pieceEnds_) {
    if (pieceEnd > landed) break;
    kept = pieceEnd;
  }
  // Never longer than the file is: a cut must not add bytes.
  const off_t cut = std::min(before + static_cast<off_t>(kept), size);
  static_cast<void>(ftruncate(fd_, cut));
}

}  // namespace zemu
