// The text controls of the console window as the core sees them: the Screen,
// where the user types and every output lands, and the WatchScreen above it.
// All positions, lengths and columns count bytes of Shift-JIS text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemu {

class TextControl {
 public:
  virtual ~TextControl() = default;

  // The whole text, and replacing it (the caret goes to the start).
  virtual std::string Text() const = 0;
  virtual void SetText(std::string_view text) = 0;
  virtual std::size_t Length() const = 0;

  // The selection; with nothing selected its start is the caret.
  virtual std::size_t SelectionStart() const = 0;
  virtual std::size_t SelectionLength() const = 0;
  // Moves the caret to `position` and empties the selection.
  virtual void SetCaret(std::size_t position) = 0;
  virtual void Select(std::size_t start, std::size_t length) = 0;
  // Replaces the selection; the caret ends behind the inserted text.
  virtual void ReplaceSelection(std::string_view text) = 0;

  // Bytes between the start of the caret's line and the caret.
  virtual std::size_t CaretColumn() const = 0;

  // Line access: the number of lines (an empty text has one) and replacing
  // the text of one line, its line break kept.
  virtual std::size_t LineCount() const = 0;
  virtual void ReplaceLine(std::size_t index, std::string_view text) = 0;

  // The control's height in pixels.
  virtual void SetHeight(int pixels) = 0;
};

}  // namespace zemu
