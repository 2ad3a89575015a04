// The window's text model with its change notes.
#include "gui/mirrored_text.h"

#include <algorithm>

namespace zemu::gui {

void MirroredText::NoteTextChange(std::size_t from, std::size_t to, std::size_t inserted) {
  if (from == 0 && inserted == 0 && to <= unchangedStart_) {
    // The oldest text dropped: the widget can drop it the same way.
    changes_.droppedBytes += to;
    unchangedStart_ -= to;
  } else {
    unchangedStart_ = std::min(unchangedStart_, from);
  }
  changes_.text = true;
  changes_.selection = true;
}

void MirroredText::SetText(std::string_view text) {
  NoteTextChange(0, text_.Length(), text.size());
  text_.SetText(text);
  Notify();
}

void MirroredText::SetCaret(std::size_t position) {
  text_.SetCaret(position);
  changes_.selection = true;
  Notify();
}

void MirroredText::Select(std::size_t start, std::size_t length) {
  text_.Select(start, length);
  changes_.selection = true;
  Notify();
}

void MirroredText::ReplaceSelection(std::string_view text) {
  const std::size_t start = text_.SelectionStart();
  NoteTextChange(start, start + text_.SelectionLength(), text.size());
  text_.ReplaceSelection(text);
  Notify();
}

void MirroredText::ReplaceLine(std::size_t index, std::string_view text) {
  NoteTextChange(0, 0, 1);  // somewhere in the text: the front is no longer known
  text_.ReplaceLine(index, text);
  Notify();
}

void MirroredText::SetHeight(int pixels) {
  text_.SetHeight(pixels);
  changes_.height = true;
  Notify();
}

MirroredText::Changes MirroredText::TakeChanges() {
  Changes taken = changes_;
  changes_ = {};
  unchangedStart_ = text_.Length();
  return taken;
}

void MirroredText::SelectFromWidget(std::size_t start, std::size_t length) {
  text_.Select(start, length);
}

}  // namespace zemu::gui
