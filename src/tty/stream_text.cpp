// The terminal's Screen.
#include "tty/stream_text.h"

#include <algorithm>

namespace zemu::tty {

std::size_t StreamText::LineStartBefore(std::size_t end) const {
  if (end == 0) return std::string::npos;
  const std::size_t lineFeed = text_.rfind('\n', end - 1);
  return lineFeed == std::string::npos ? std::string::npos : lineFeed + 1;
}

void StreamText::SetText(std::string_view text) {
  text_.assign(text);
  selStart_ = 0;
  selLength_ = 0;
  FindLastLineStart();
}

void StreamText::SetCaret(std::size_t position) {
  selStart_ = std::min(position, text_.size());
  selLength_ = 0;
}

void StreamText::Select(std::size_t start, std::size_t length) {
  selStart_ = std::min(start, text_.size());
  selLength_ = std::min(length, text_.size() - selStart_);
}

void StreamText::ReplaceSelection(std::string_view text) {
  const std::size_t start = selStart_;
  const std::size_t end = selStart_ + selLength_;
  if (start == 0 && end > 0 && end == passing_) {
    const std::size_t lineStart = LineStartBefore(end);
    carriedColumn_ = lineStart == std::string::npos ? carriedColumn_ + end : end - lineStart;
  }
  passing_ = 0;
  // Text written at the end after the last line start moves only that start.
  const bool tailOnly = end == text_.size() &&
                        (lastLineStart_ == std::string::npos || lastLineStart_ <= start) &&
                        start > 0;
  text_.replace(start, selLength_, text);
  selStart_ = start + text.size();
  selLength_ = 0;
  if (tailOnly) {
    const std::size_t lineFeed = text.rfind('\n');
    if (lineFeed != std::string_view::npos) lastLineStart_ = start + lineFeed + 1;
  } else {
    FindLastLineStart();
  }
}

std::size_t StreamText::CaretColumn() const {
  const std::size_t lineStart =
      selStart_ == text_.size() ? lastLineStart_ : LineStartBefore(selStart_);
  return lineStart == std::string::npos ? carriedColumn_ + selStart_ : selStart_ - lineStart;
}

std::size_t StreamText::LineCount() const {
  return static_cast<std::size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1;
}

void StreamText::ReplaceLine(std::size_t index, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < index; ++i) {
    start = text_.find('\n', start);
    if (start == std::string::npos) return;
    ++start;
  }
  std::size_t end = std::min(text_.find('\n', start), text_.size());
  if (end > start && text_[end - 1] == '\r') --end;
  text_.replace(start, end - start, text);
  selStart_ = std::min(selStart_, text_.size());
  selLength_ = std::min(selLength_, text_.size() - selStart_);
  FindLastLineStart();
}

}  // namespace zemu::tty
