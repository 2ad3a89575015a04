// The core's text model of the Screen or the WatchScreen as the window keeps
// it: a MemoryText that notes what changed since a widget last showed it, so
// that the widget is brought up to date with one small edit, and tells its
// owner that something changed (the owner decides when to redraw).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "host/memory_text.h"
#include "host/text_control.h"

namespace zemu::gui {

class MirroredText : public TextControl {
 public:
  // Called after every change of the text, the selection or the height.
  void SetChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

  std::string Text() const override { return text_.Text(); }
  void SetText(std::string_view text) override;
  std::size_t Length() const override { return text_.Length(); }
  std::size_t SelectionStart() const override { return text_.SelectionStart(); }
  std::size_t SelectionLength() const override { return text_.SelectionLength(); }
  void SetCaret(std::size_t position) override;
  void Select(std::size_t start, std::size_t length) override;
  void ReplaceSelection(std::string_view text) override;
  std::size_t CaretColumn() const override { return text_.CaretColumn(); }
  std::size_t LineCount() const override { return text_.LineCount(); }
  void ReplaceLine(std::size_t index, std::string_view text) override;
  void SetHeight(int pixels) override;
  int Height() const { return text_.Height(); }

  // What changed since the last TakeChanges: the text, the selection, the
  // height; and the bytes probably dropped from the front of the text.
  struct Changes {
    bool text = false;
    bool selection = false;
    bool height = false;
    std::size_t droppedBytes = 0;
  };
  const Changes& changes() const { return changes_; }
  Changes TakeChanges();

  // A selection made in the widget: noted as already shown.
  void SelectFromWidget(std::size_t start, std::size_t length);

 private:
  // `from`..`to` of the text was replaced by `inserted` bytes.
  void NoteTextChange(std::size_t from, std::size_t to, std::size_t inserted);
  void Notify() {
    if (onChange_) onChange_();
  }

  MemoryText text_;
  Changes changes_;
  std::size_t unchangedStart_ = 0;  // bytes at the front that no change since then touched
  std::function<void()> onChange_;
};

}  // namespace zemu::gui
