// The completion list.
#include "gui/completion_popup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

#include "gui/qt_text.h"

namespace zemu::gui {

namespace {

// The most rows the list shows at once; more scroll.
constexpr int kVisibleRows = 12;

}  // namespace

CompletionPopup::CompletionPopup(QWidget* screen) : QListWidget(screen), screen_(screen) {
  setWindowFlags(Qt::Popup);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemClicked, this, &CompletionPopup::Pick);
}

void CompletionPopup::Offer(const std::vector<std::string>& candidates, const QPoint& at) {
  clear();
  WidgetTextCodec codec;
  for (const std::string& candidate : candidates) addItem(ToQString(codec, candidate));
  setCurrentRow(0);
  setFont(screen_->font());
  const int rows = std::min(count(), kVisibleRows);
  const int width = sizeHintForColumn(0) + 2 * frameWidth() + 24;
  const int height = rows * sizeHintForRow(0) + 2 * frameWidth();
  QRect place(at, QSize(width, height));
  if (const QScreen* display = QApplication::screenAt(at)) {
    const QRect room = display->availableGeometry();
    if (place.bottom() > room.bottom()) place.moveBottom(at.y() - fontMetrics().height());
    if (place.right() > room.right()) place.moveRight(room.right());
  }
  setGeometry(place);
  show();
  setFocus();
}

void CompletionPopup::Pick() {
  const int index = currentRow();
  hide();
  if (index >= 0) emit picked(index);
}

void CompletionPopup::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
      Pick();
      return;
    case Qt::Key_Escape:
      hide();
      return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      QListWidget::keyPressEvent(event);
      return;
    default:
      break;
  }
  hide();
  if (!event->text().isEmpty() || event->key() == Qt::Key_Backspace) {
    QKeyEvent again(event->type(), event->key(), event->modifiers(), event->text());
    QApplication::sendEvent(screen_, &again);
  }
}

}  // namespace zemu::gui
