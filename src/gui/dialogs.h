// The console window's own small dialogs: the modeless find dialog and the
// about box.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace zemu::gui {

// Searches downwards only: one text, a "find next" button and a close button.
class FindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FindDialog(QWidget* parent);
  QLineEdit* textEdit() const { return text_; }
  QPushButton* findNextButton() const { return findNext_; }

 signals:
  // The user asked for the next occurrence of `text`.
  void findNextRequested(const QString& text);

 private:
  QLineEdit* text_;
  QPushButton* findNext_;
};

// The product's name, version and notices; stays on top, shown without
// waiting.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent);
};

}  // namespace zemu::gui
