// The console's text widgets.
#include "gui/console_edit.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <utility>

#include "base/encoding.h"
#include "gui/qt_text.h"
#include "gui/widget_edit.h"

namespace zemu::gui {

namespace {

// Keys that only move the caret or the selection; the widget handles them.
bool IsNavigationKey(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      return !(event.modifiers() & Qt::ControlModifier);  // Ctrl+Up/Down recall lines
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return event.matches(QKeySequence::SelectAll);
  }
}

// The character a key types, in Shift-JIS; empty for keys that type none.
std::string TypedText(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods = event.modifiers();
  const bool command = (mods & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier)) != 0;
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return command ? "" : "\r";
    case Qt::Key_Backspace:
      return command ? "" : "\b";
    case Qt::Key_Delete:
      return command || (mods & Qt::ShiftModifier) ? "" : "\x7f";  // Shift+Del is a menu item
    case Qt::Key_Tab:
      return command ? "" : "\t";
    case Qt::Key_Escape:
      return "\x1b";
    default:
      break;
  }
  const QString text = event.text();
  if (command || text.isEmpty()) return {};
  for (QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return {};
  }
  return ToSjis(text);
}

}  // namespace

ConsoleEdit::ConsoleEdit(MirroredText& model, ConsoleInput* input, QWidget* parent)
    : QPlainTextEdit(parent), model_(model), input_(input) {
  setUndoRedoEnabled(false);
  setTabChangesFocus(false);
  if (input_ == nullptr) setReadOnly(true);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, &ConsoleEdit::WidgetCursorMoved);
  connect(this, &QPlainTextEdit::selectionChanged, this, &ConsoleEdit::WidgetCursorMoved);
  connect(document(), &QTextDocument::contentsChange, this, &ConsoleEdit::DocumentChanged);
  model_.TakeChanges();
  shown_ = model_.Text();
  setPlainText(ToQString(shown_));
  ShowSelection();
}

void ConsoleEdit::Sync() {
  const MirroredText::Changes changes = model_.TakeChanges();
  if (changes.height && heightHandler_) {
    heightHandler_(model_.Height());
  } else if (changes.height) {
    const int height = model_.Height();
    setFixedHeight(std::max(height, 0));
    setVisible(height > 0);
  }
  if (strayEdit_) {
    strayEdit_ = false;
    updating_ = true;
    shown_ = model_.Text();
    setPlainText(ToQString(shown_));
    updating_ = false;
  } else if (changes.text) {
    std::string now = model_.Text();
    const WidgetEdit edit = PlanWidgetEdit(shown_, now, changes.droppedBytes);
    updating_ = true;
    QTextCursor cursor(document());
    if (edit.dropUnits > 0) {
      cursor.setPosition(static_cast<int>(edit.dropUnits), QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
    }
    cursor.setPosition(static_cast<int>(edit.from));
    cursor.setPosition(static_cast<int>(edit.to), QTextCursor::KeepAnchor);
    cursor.insertText(
        QString::fromUtf16(edit.insert.data(), static_cast<qsizetype>(edit.insert.size())));
    shown_ = std::move(now);
    updating_ = false;

  } else if (!changes.selection) {
    return;
  }
  ShowSelection();
  // Qt moves the cursor along with an edit before it, so the caret may look
  // unmoved while the text under it grew: the view follows it all the same.
  FollowCaret();
}

// An edit clears the layout of the blocks it touched, and until a block is
// laid out again the document counts it as one line: a long output line cut
// at its front (the Screen's cap) would make the view scroll to the caret
// by the wrong line count and stop far above it. So the blocks are laid out
// first; that costs no more than drawing them.
void ConsoleEdit::FollowCaret() {
  if (input_ == nullptr) return;
  if (auto* layout = qobject_cast<QPlainTextDocumentLayout*>(document()->documentLayout())) {
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
      if (block.layout()->lineCount() == 0) layout->ensureBlockLayout(block);
    }
    // The scroll bar's range follows the document's size when told.
    emit layout->documentSizeChanged(layout->documentSize());
  }
  ensureCursorVisible();
}

void ConsoleEdit::ShowSelection() {
  const std::size_t start = model_.SelectionStart();
  const int anchor = static_cast<int>(Utf16Offset(shown_, start));
  const int position = static_cast<int>(Utf16Offset(shown_, start + model_.SelectionLength()));
  QTextCursor cursor = textCursor();
  if (cursor.anchor() == anchor && cursor.position() == position) return;
  cursor.setPosition(anchor);
  cursor.setPosition(position, QTextCursor::KeepAnchor);
  updating_ = true;
  setTextCursor(cursor);
  updating_ = false;
  FollowCaret();
}

void ConsoleEdit::WidgetCursorMoved() {
  if (updating_) return;
  if (model_.changes().text || strayEdit_) {
    // The widget is behind the model: its positions mean nothing there.
    Sync();
    return;
  }
  const QTextCursor cursor = textCursor();
  const std::size_t start = SjisOffset(shown_, static_cast<std::size_t>(cursor.selectionStart()));
  const std::size_t end = SjisOffset(shown_, static_cast<std::size_t>(cursor.selectionEnd()));
  model_.SelectFromWidget(start, end - start);
}

void ConsoleEdit::DocumentChanged(int /*position*/, int removed, int added) {
  // An input method's preedit text changes the layout only (removed equals
  // added); anything else that edits the widget behind our back is undone.
  if (updating_ || removed == added || strayEdit_) return;
  strayEdit_ = true;
  QTimer::singleShot(0, this, &ConsoleEdit::Sync);
}

bool ConsoleEdit::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) activated_.start();
  if (event->type() == QEvent::WindowDeactivate) activated_.invalidate();
  if (event->type() == QEvent::ShortcutOverride && input_ != nullptr) {
    // Keys that edit or move belong to the Screen; every other key with
    // Ctrl (copy, paste, find ...) goes to the menus' shortcuts.
    auto* key = static_cast<QKeyEvent*>(event);
    event->setAccepted(IsNavigationKey(*key) || !TypedText(*key).empty());
    return true;
  }
  return QPlainTextEdit::event(event);
}

void ConsoleEdit::keyPressEvent(QKeyEvent* event) {
  if (input_ == nullptr) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  if (input_->CommandKey(*event)) {
    event->accept();
    return;
  }
  if (IsNavigationKey(*event)) {
    Sync();
    QPlainTextEdit::keyPressEvent(event);
    input_->KeyDown();
    return;
  }
  event->accept();
  const std::string typed = TypedText(*event);
  if (typed.empty()) {
    input_->KeyDown();
  } else {
    input_->TextTyped(typed);
  }
}

void ConsoleEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (input_ == nullptr) {
    event->ignore();
    return;
  }
  if (event->commitString().isEmpty() && event->replacementLength() == 0) {
    QPlainTextEdit::inputMethodEvent(event);  // preedit only: shown, not stored
    return;
  }
  const QString committed = event->commitString();
  if (!committed.isEmpty()) input_->TextTyped(ToSjis(committed));
  QInputMethodEvent preedit(event->preeditString(), event->attributes());
  QPlainTextEdit::inputMethodEvent(&preedit);
  event->accept();
}

bool ConsoleEdit::canInsertFromMimeData(const QMimeData* source) const {
  return input_ != nullptr && source->hasText();
}

void ConsoleEdit::insertFromMimeData(const QMimeData* source) {
  if (canInsertFromMimeData(source)) input_->TextDropped(ToSjis(source->text()));
}

// Narrower (the window, or the scroll bar coming into view), the lines wrap
// anew and take more of them: a view that showed the caret (the end of the
// output, a help page) goes on showing it.
void ConsoleEdit::resizeEvent(QResizeEvent* event) {
  const QScrollBar* bar = verticalScrollBar();
  const bool caretShown = input_ != nullptr && (bar->value() == bar->maximum() ||
                                                viewport()->rect().contains(cursorRect()));
  QPlainTextEdit::resizeEvent(event);
  if (caretShown) FollowCaret();
}

void ConsoleEdit::contextMenuEvent(QContextMenuEvent* event) {
  if (input_ == nullptr) {
    QPlainTextEdit::contextMenuEvent(event);
    return;
  }
  input_->ContextMenuRequested(event->globalPos());
}

bool ConsoleEdit::IsActivationClick() const {
  if (input_ == nullptr) return false;
  if (!window()->isActiveWindow()) return true;
  return activated_.isValid() && activated_.elapsed() < activationClickMs_;
}

void ConsoleEdit::mouseMoveEvent(QMouseEvent* event) {
  if (activationClick_) return event->accept();
  QPlainTextEdit::mouseMoveEvent(event);
}

void ConsoleEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (std::exchange(activationClick_, false)) return event->accept();
  QPlainTextEdit::mouseReleaseEvent(event);
}

void ConsoleEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  if (activationClick_) return event->accept();
  QPlainTextEdit::mouseDoubleClickEvent(event);
}

void ConsoleEdit::mousePressEvent(QMouseEvent* event) {
  const bool activation = IsActivationClick();
  activated_.invalidate();  // a later press is one in the active window
  if (activation && event->button() == Qt::LeftButton) {
    activationClick_ = true;
    window()->activateWindow();
    setFocus(Qt::MouseFocusReason);
    event->accept();
    return;
  }
  // A press inside the selection would start dragging it, and a drag moved
  // out of the window takes the text out of the widget: the press places
  // the caret first.
  if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier) &&
      textCursor().hasSelection()) {
    setTextCursor(cursorForPosition(event->position().toPoint()));
  }
  QPlainTextEdit::mousePressEvent(event);
}

}  // namespace zemu::gui
