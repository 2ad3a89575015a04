// The Screen and the WatchScreen: Qt text widgets that show the core's text
// models. The model is the truth; the widget only mirrors it. Every key that
// would edit, a text committed by an input method, a paste and a drop go to
// the core, never into the widget; caret and selection moves made with the
// mouse and the arrow keys go from the widget into the model.
#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <utility>

#include "gui/mirrored_text.h"

class QPoint;

namespace zemu::gui {

// Where a ConsoleEdit sends what the user does. Texts are Shift-JIS.
class ConsoleInput {
 public:
  virtual ~ConsoleInput() = default;
  // Typed keys and committed input-method text: CR is Enter, 8 Backspace,
  // 127 Delete, 27 Escape.
  virtual void TextTyped(const std::string& sjis) = 0;
  // Any other key pressed (arrows, function keys, a key with Ctrl).
  virtual void KeyDown() = 0;
  // Text dropped or pasted with the middle button.
  virtual void TextDropped(const std::string& sjis) = 0;
  virtual void ContextMenuRequested(const QPoint& globalPosition) = 0;
};

class ConsoleEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  // Without `input` the widget is a display: it shows the model and lets
  // the user select and copy.
  ConsoleEdit(MirroredText& model, ConsoleInput* input, QWidget* parent = nullptr);

  // Brings the widget up to date with the model: text, selection, height.
  void Sync();
  // The model's height goes to `handler` instead of fixing the widget's.
  void SetHeightHandler(std::function<void(int)> handler) { heightHandler_ = std::move(handler); }
  // The text the widget shows, in the model's bytes.
  const std::string& shownText() const { return shown_; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void ShowText();
  void ShowSelection();
  // Scrolls the caret into view (the Screen only).
  void FollowCaret();
  void WidgetCursorMoved();
  void DocumentChanged(int position, int removed, int added);

  MirroredText& model_;
  ConsoleInput* input_;
  std::function<void(int)> heightHandler_;
  std::string shown_;       // what the widget shows
  bool updating_ = false;   // the widget is being changed from the model
  bool strayEdit_ = false;  // something else changed the widget's text
};

}  // namespace zemu::gui
