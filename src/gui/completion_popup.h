// The list that Ctrl+Space opens at the Screen's caret: the completion's
// candidates, one to pick with the arrows and Enter or Tab, or a click;
// Esc closes it. A key that types closes it and goes on to the Screen.
#pragma once

#include <QListWidget>
#include <string>
#include <vector>

namespace zemu::gui {

class CompletionPopup : public QListWidget {
  Q_OBJECT

 public:
  // `screen` gets the keys that close the list by typing.
  explicit CompletionPopup(QWidget* screen);

  // Shows `candidates` (Shift-JIS) with the first chosen, below `at`
  // (global coordinates), kept on `at`'s screen.
  void Offer(const std::vector<std::string>& candidates, const QPoint& at);

 signals:
  // The candidate at `index` of the last offer was picked; the list is closed.
  void picked(int index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Pick();

  QWidget* screen_;
};

}  // namespace zemu::gui
