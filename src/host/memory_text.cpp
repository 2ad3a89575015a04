// The in-memory text control.
#include "host/memory_text.h"

#include <string.h>

#include <algorithm>

namespace zemu {

std::size_t MemoryText::LastLineStart() const {
  if (lastLineStart_ == kUnknown) {
    const std::size_t lf = text_.rfind('\n');
    lastLineStart_ = lf == std::string::npos ? 0 : lf + 1;
  }
  return lastLineStart_;
}

void MemoryText::SetText(std::string_view text) {
  text_.assign(text);
  lastLineStart_ = kUnknown;
  selStart_ = 0;
  selLength_ = 0;
}

void MemoryText::SetCaret(std::size_t position) {
  selStart_ = std::min(position, text_.size());
  selLength_ = 0;
}

void MemoryText::Select(std::size_t start, std::size_t length) {
  selStart_ = std::min(start, text_.size());
  selLength_ = std::min(length, text_.size() - selStart_);
}

void MemoryText::ReplaceSelection(std::string_view text) {
  const std::size_t end = selStart_ + selLength_;
  const std::size_t last = LastLineStart();
  if (end < last) {
    // Before the last LF: the last line moves with the text after the edit.
    lastLineStart_ = last - selLength_ + text.size();
  } else if (selStart_ >= last) {
    // Within the last line: it ends at a LF inserted there, if any.
    const std::size_t lf = text.rfind('\n');
    if (lf != std::string_view::npos) lastLineStart_ = selStart_ + lf + 1;
  } else {
    lastLineStart_ = kUnknown;  // the last LF itself is replaced
  }
  text_.replace(selStart_, selLength_, text);
  selStart_ += text.size();
  selLength_ = 0;
}

std::size_t MemoryText::CaretColumn() const {
  // Output asks for the column before every text it writes: on the last
  // line it is known, elsewhere memrchr searches back fast.
  if (selStart_ >= LastLineStart()) return selStart_ - LastLineStart();
  const void* lineEnd = memrchr(text_.data(), '\n', selStart_);
  if (lineEnd == nullptr) return selStart_;
  return selStart_ - static_cast<std::size_t>(static_cast<const char*>(lineEnd) - text_.data() + 1);
}

std::size_t MemoryText::LineCount() const {
  return static_cast<std::size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1;
}

void MemoryText::ReplaceLine(std::size_t index, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < index; ++i) {
    start = text_.find('\n', start);
    if (start == std::string::npos) return;
    ++start;
  }
  std::size_t end = text_.find('\n', start);
  if (end == std::string::npos) end = text_.size();
  if (end > start && text_[end - 1] == '\r') --end;
  text_.replace(start, end - start, text);
  lastLineStart_ = kUnknown;
  selStart_ = std::min(selStart_, text_.size());
  selLength_ = std::min(selLength_, text_.size() - selStart_);
}

}  // namespace zemu
