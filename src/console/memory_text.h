// An in-memory text control: the Screen and WatchScreen of the tests and of
// the terminal front end. Lines end at LF; a CR before it belongs to the break.
#pragma once

#include <string>

#include "console/text_control.h"

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
  std::string text_;
  std::size_t selStart_ = 0;
  std::size_t selLength_ = 0;
  int height_ = 0;
};

}  // namespace zemu
