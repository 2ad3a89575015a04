// The log file: the console text that ScreenOut appends to it.
//
// Pieces are held in memory and written a block at a time (once
// kLogBlockSize bytes are held, and whenever Flush is called), so that a long
// run costs one write per block, not one per piece. A block that does not
// reach the disk whole (a full disk) is taken back to the end of the last
// piece that did: the file never ends inside a piece.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zemu {

struct Context;

// How many held bytes make a block: about what a stdio stream holds.
inline constexpr std::size_t kLogBlockSize = 8192;

class LogFile {
 public:
  // Opens `diskName` (the name as the disk holds it) for appending, making
  // the file when it is missing. Null, with errno set, when it cannot be
  // opened. Writes go through the write seam of `ctx`, which must outlive
  // the log.
  static std::unique_ptr<LogFile> Open(Context& ctx, const std::string& diskName);
  // Writes what is still held. A failure here has no one left to tell: the
  // file is only cut back as Flush cuts it.
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Holds `piece`; the held block is written once it reaches kLogBlockSize.
  // False, with errno set, when that write failed (see Flush).
  bool Append(std::string_view piece);
  // Writes what is held. False, with errno set, when not all of it reached
  // the file: the file is then cut back to its size before the first piece
  // that did not reach it whole, and every held piece is dropped.
  bool Flush();

 private:
  LogFile(Context& ctx, int fd, bool regular) : ctx_(ctx), fd_(fd), regular_(regular) {}
  // The file's size now; -1 when it is no regular file (a device, a pipe),
  // which is never cut.
  off_t SizeNow() const;
  // After a failed write that began at `before`: drops the partly written
  // piece and everything after it.
  void CutBack(off_t before) const;

  Context& ctx_;
  int fd_;
  bool regular_;
  std::string held_;                    // pieces not yet written
  std::vector<std::size_t> pieceEnds_;  // where each held piece ends in held_
};

}  // namespace zemu
