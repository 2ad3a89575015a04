// The Screen and the WatchScreen: Qt text widgets that show the core's text
// models. The model is the truth; the widget only mirrors it. Every key that
// would edit, a text committed by an input method, a paste and a drop go to
// the core, never into the widget; caret and selection moves made with the
// mouse and the arrow keys go from the widget into the model.
#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <utility>

#include "gui/mirrored_text.h"

class QKeyEvent;
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
  // A key of the window's own (recall, completion, help on a word), before
  // anything else sees it: true when it was used up.
  virtual bool CommandKey(const QKeyEvent& /*event*/) { return false; }
};

// See ConsoleEdit::SetActivationClickMs.
inline constexpr int kActivationClickMs = 300;

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
  // A press within this many milliseconds of the window's coming to the
  // front is taken for the click that brought it there (where the window
  // system hands the window the focus before the click).
  void SetActivationClickMs(int milliseconds) { activationClickMs_ = milliseconds; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ShowText();
  void ShowSelection();
  // Scrolls the caret into view (the Screen only).
  void FollowCaret();
  void WidgetCursorMoved();
  void DocumentChanged(int position, int removed, int added);
  // The click that brought the window to the front: it leaves caret and
  // selection where they were, and its moves and release go nowhere.
  bool IsActivationClick() const;

  MirroredText& model_;
  ConsoleInput* input_;
  std::function<void(int)> heightHandler_;
  std::string shown_;        // what the widget shows
  bool updating_ = false;    // the widget is being changed from the model
  bool strayEdit_ = false;   // something else changed the widget's text
  QElapsedTimer activated_;  // since the window last came to the front
  int activationClickMs_ = kActivationClickMs;
  bool activationClick_ = false;  // a press is being swallowed until its release
};

}  // namespace zemu::gui
