// The terminal's Screen: the console text that has not been passed on to the
// terminal yet. The terminal drops what it has passed on, even the first part
// of a line that is still being written, so the text stays short however much
// a run prints; the column of the passed part is kept, so that the console
// still sees the caret's true column. The column at the end is kept up to
// date as text is added, so that writing at the end costs no rescan.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/text_control.h"

namespace zemu::tty {

class StreamText : public TextControl {
 public:
  std::string Text() const override { return text_; }
  // The text without a copy; valid until the next change.
  std::string_view View() const { return text_; }
  // Replaces the text that is left; the passed text stays before it.
  void SetText(std::string_view text) override;
  std::size_t Length() const override { return text_.size(); }

  std::size_t SelectionStart() const override { return selStart_; }
  std::size_t SelectionLength() const override { return selLength_; }
  void SetCaret(std::size_t position) override;
  void Select(std::size_t start, std::size_t length) override;
  void ReplaceSelection(std::string_view text) override;
  // Tells that the first `bytes` bytes were passed on and are removed next
  // (DropPassedText): their column is carried on to what stays.
  void WillPass(std::size_t bytes) { passing_ = bytes; }

  // Counts the bytes of the line that were passed on before the text left.
  std::size_t CaretColumn() const override;

  std::size_t LineCount() const override;
  void ReplaceLine(std::size_t index, std::string_view text) override;
  void SetHeight(int) override {}

 private:
  // Offset just after the last LF before `end`, or npos when there is none.
  std::size_t LineStartBefore(std::size_t end) const;
  void FindLastLineStart() { lastLineStart_ = LineStartBefore(text_.size()); }

  std::string text_;
  std::size_t selStart_ = 0;
  std::size_t selLength_ = 0;
  std::size_t lastLineStart_ = std::string::npos;  // start of the last line; npos: none in text_
  std::size_t carriedColumn_ = 0;  // column at offset 0: bytes of its line already passed on
  std::size_t passing_ = 0;        // see WillPass
};

}  // namespace zemu::tty
