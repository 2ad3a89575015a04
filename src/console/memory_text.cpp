// The in-memory text control.
#include "console/memory_text.h"

#include <string.h>

#include <algorithm>

namespace zemu {

void MemoryText::SetText(std::string_view text) {
  text_.assign(text);
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
  text_.replace(selStart_, selLength_, text);
  selStart_ += text.size();
  selLength_ = 0;
}

std::size_t MemoryText::CaretColumn() const {
  // Output asks for the column before every text it writes, and a line of
  // results can be the whole 30000 bytes long: memrchr searches it fast.
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
  selStart_ = std::min(selStart_, text_.size());
  selLength_ = std::min(selLength_, text_.size() - selStart_);
}

}  // namespace zemu
