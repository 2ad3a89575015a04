// An in-memory text control: the Screen and WatchScreen of the tests and of
// the terminal front end. Lines end at LF; a CR before it belongs to the break.
//
// Output is appended at the end again and again, often to one line that
// never ends (results of a loop on the data channel), so the control keeps
// where its last line starts: the caret column at the end of the text costs
// nothing, however long that line grows.
#pragma once

#include <string>

#include "host/text_control.h"

namespace zemu {

class MemoryText : public TextControl {
 public:
  std::string Text() const override { return text_; }
  void SetText(std::string_view text) override;
  std::size_t Length() const override { return text_.size(); }

  std::size_t SelectionStart() const override { return selStart_; }
  std::size_t SelectionLength() const override { return selLength_; }
  void SetCaret(std::size_t position) override;
  void Select(std::size_t start, std::size_t length) override;
  void ReplaceSelection(std::string_view text) override;

  std::size_t CaretColumn() const override;

  std::size_t LineCount() const override;
  void ReplaceLine(std::size_t index, std::string_view text) override;

  void SetHeight(int pixels) override { height_ = pixels; }
  int Height() const { return height_; }

 private:
  // Where the last line starts: just after the last LF, or 0.
  std::size_t LastLineStart() const;

  std::string text_;
  // LastLineStart() as far as known; kUnknown after an edit that may have
  // removed the last LF.
  static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
  mutable std::size_t lastLineStart_ = 0;
  std::size_t selStart_ = 0;
  std::size_t selLength_ = 0;
  int height_ = 0;
};

}  // namespace zemu
