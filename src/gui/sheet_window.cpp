// The window of a definition sheet and its grid.
#include "gui/sheet_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <memory>

#include "definitions/store.h"
#include "gui/qt_text.h"
#include "gui/sheet_model.h"
#include "gui/window_places.h"
#include "host/context.h"
#include "sheet/sheet_ops.h"

namespace zemu::gui {

namespace {

// Every row of the grid is this high.
constexpr int kRowHeight = 20;

// Qt reads "[*]" in a window title as the place of a modified mark; a
// doubled one stands for the text itself.
QString LiteralTitle(const std::string& title) {
  return ToQString(title).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

}  // namespace

// ---- SheetGrid --------------------------------------------------------------

SheetGrid::SheetGrid(QWidget* parent) : QTableView(parent) {
  setSelectionMode(SingleSelection);
  setSelectionBehavior(SelectItems);
  setEditTriggers(DoubleClicked | SelectedClicked | EditKeyPressed | AnyKeyPressed);
  setShowGrid(true);
  setWordWrap(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QHeaderView* rows = verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(kRowHeight);
  rows->setDefaultSectionSize(kRowHeight);
  QHeaderView* columns = horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setSectionsClickable(false);
  columns->setHighlightSections(false);
  columns->setStretchLastSection(false);
  columns->setMinimumSectionSize(1);
}

QModelIndex SheetGrid::DefinitionCell(int row) const {
  return model() != nullptr ? model()->index(row, TextColumn) : QModelIndex();
}

void SheetGrid::MoveToDefinitionColumn() {
  const QModelIndex current = currentIndex();
  const QModelIndex target = DefinitionCell(current.isValid() ? current.row() : 0);
  if (target.isValid()) setCurrentIndex(target);
}

void SheetGrid::CommitOpenEditor() {
  if (state() != EditingState) return;
  if (QWidget* editor = indexWidget(currentIndex())) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

QModelIndex SheetGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  const QModelIndex moved = QTableView::moveCursor(action, modifiers);
  return moved.isValid() ? DefinitionCell(moved.row()) : moved;
}

void SheetGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex hit = indexAt(event->position().toPoint());
  if (hit.isValid() && hit.column() != TextColumn) {
    setFocus(Qt::MouseFocusReason);
    setCurrentIndex(DefinitionCell(hit.row()));
    event->accept();
    return;
  }
  QTableView::mousePressEvent(event);
}

void SheetGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex hit = indexAt(event->position().toPoint());
  if (!hit.isValid()) {
    QTableView::mouseDoubleClickEvent(event);
    return;
  }
  const QModelIndex target = DefinitionCell(hit.row());
  setCurrentIndex(target);
  edit(target);
  event->accept();
}

// ---- SheetWindow ------------------------------------------------------------

SheetWindow::SheetWindow(Context& ctx, TDefine& sheet, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowMinimizeButtonHint),
      ctx_(ctx),
      sheet_(&sheet),
      model_(new SheetModel(ctx, sheet, this)),
      grid_(new SheetGrid(this)) {
  // The program shows a sheet beside the console; only the user brings it
  // to the front (which makes it the current sheet).
  setAttribute(Qt::WA_ShowWithoutActivating);
  grid_->setModel(model_);
  // Hidden, the grid needs to hear of no new row (a file being loaded adds
  // them all before the window shows); of forgotten values, only of the
  // rows in view.
  model_->HoldNewRows(true);
  model_->SetShownRows([this] { return ShownRows(); });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int newSize) { ColumnResized(column, newSize); });
  connect(qApp, &QApplication::focusChanged, this, &SheetWindow::FocusChanged);
  ApplyTitle();
  ApplyLayout();
}

// The base class's destructor still hides the window and deletes the grid,
// which moves the focus and resizes columns: this window hears of it no more.
SheetWindow::~SheetWindow() {
  disconnect(qApp, nullptr, this, nullptr);
  grid_->horizontalHeader()->disconnect(this);
}

void SheetWindow::ApplyTitle() {
  if (sheet_ != nullptr) setWindowTitle(LiteralTitle(sheet_->title));
}

void SheetWindow::ApplyLayout() {
  if (sheet_ == nullptr) return;
  SheetLayout& layout = sheet_->layout;
  applyingLayout_ = true;
  // A place off the screen (a file written on a larger one) comes inside.
  QRect frame(layout.place.left, layout.place.top, std::max(layout.place.width, 1),
              std::max(layout.place.height, 1));
  if (const QScreen* display = screen()) {
    frame = KeepInside(frame, display->availableGeometry());
    layout.place.left = frame.left();
    layout.place.top = frame.top();
  }
  if (pos() != frame.topLeft()) move(frame.topLeft());
  if (size() != frame.size()) resize(frame.size());
  for (int column = 0; column < kColumnCount; ++column) {
    const int width = layout.columnWidths[static_cast<std::size_t>(column)];
    grid_->horizontalHeader()->resizeSection(column, std::max(width, 0));
  }
  if (layout.fontName != fontName_ || layout.fontSize != fontSize_) {
    fontName_ = layout.fontName;
    fontSize_ = layout.fontSize;
    QFont font;  // what is not named is the default's
    if (!fontName_.empty()) font.setFamily(ToQString(fontName_));
    if (fontSize_ > 0) font.setPointSize(fontSize_);
    grid_->setFont(font);
  }
  applyingLayout_ = false;
}

void SheetWindow::ApplyShown() {
  if (sheet_ == nullptr) return;
  const bool shown = sheet_->layout.shown;
  // A sheet shown again through its menu entry comes back into view.
  if (shown && isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  if (shown) model_->HoldNewRows(false);
  setVisible(shown);
  if (!shown) model_->HoldNewRows(true);
}

std::pair<int, int> SheetWindow::ShownRows() const {
  if (!grid_->isVisible()) return {0, -1};
  const int top = grid_->rowAt(0);
  if (top < 0) return {0, -1};
  const int bottom = grid_->rowAt(grid_->viewport()->height() - 1);
  return {top, bottom < 0 ? model_->rowCount() - 1 : bottom};
}

void SheetWindow::Detach() {
  sheet_ = nullptr;
  model_->Detach();
  hide();
}

bool SheetWindow::ApplyEdits() {
  if (sheet_ == nullptr || applyingEdits_) return false;
  grid_->CommitOpenEditor();
  if (!model_->edited()) return false;
  applyingEdits_ = true;
  const bool applied = SheetEditsDone(ctx_, *sheet_);
  applyingEdits_ = false;
  if (applied) model_->ClearEdited();
  return applied;
}

QMenu* SheetWindow::MakeContextMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  for (const MenuItem& item : SheetContextMenu()) {
    if (item.caption == nullptr) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(ToQString(item.caption));
    action->setStatusTip(ToQString(item.hint));
    action->setEnabled(sheet_ != nullptr && IsMenuCommandEnabled(ctx_, item.command));
    const MenuCommand command = item.command;
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  }
  return menu;
}

void SheetWindow::RunCommand(MenuCommand command) {
  if (sheet_ == nullptr) return;
  if (command == MenuCommand::SheetEdit) {
    grid_->setFocus(Qt::OtherFocusReason);
    grid_->MoveToDefinitionColumn();
    return;
  }
  if (command == MenuCommand::SheetGraph) {
    const int row = grid_->currentIndex().row();
    const bool defined = row >= 0 && sheet_->IsDefinitionRow(row);
    emit graphRequested(
        defined ? ToQString(sheet_->rows[static_cast<std::size_t>(row)].cells[NameColumn])
                : QString());
    return;
  }
  // What was typed into a cell belongs to the sheet that is saved or closed.
  ApplyEdits();
  if (sheet_ == nullptr) return;
  TDefine& sheet = *sheet_;
  switch (command) {
    case MenuCommand::SheetSave:
      SheetMenuSave(ctx_, sheet);
      break;
    case MenuCommand::SheetSaveAs:
      SheetMenuSaveAs(ctx_, sheet);
      break;
    case MenuCommand::SheetForgetAll:
      SheetMenuForgetAll(ctx_, sheet);
      break;
    case MenuCommand::SheetClose:
      SheetMenuClose(ctx_, sheet);
      break;
    default:
      break;
  }
}

bool SheetWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && sheet_ != nullptr) {
    SheetActivated(ctx_, *sheet_);
  } else if (event->type() == QEvent::WindowDeactivate) {
    ApplyEdits();
  }
  return QWidget::event(event);
}

void SheetWindow::KeepPlace() {
  sheet_->layout.place.left = x();
  sheet_->layout.place.top = y();
}

void SheetWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (sheet_ != nullptr && !applyingLayout_ && isVisible()) KeepPlace();
}

// A size that differs from the layout's is the user's: the store gives the
// definition column the rest of the width (and may widen the window again).
void SheetWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  grid_->setGeometry(rect());
  if (sheet_ == nullptr || applyingLayout_ || !isVisible()) return;
  const WindowPlace& place = sheet_->layout.place;
  if (width() == place.width && height() == place.height) return;
  KeepPlace();
  ResizeSheet(ctx_, *sheet_, width(), height());
}

// There is no close button; a close asked for by the window system (a key
// of the desktop) is refused, as the sheet closes through its menu.
void SheetWindow::closeEvent(QCloseEvent* event) {
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void SheetWindow::contextMenuEvent(QContextMenuEvent* event) {
  const std::unique_ptr<QMenu> menu(MakeContextMenu(this));
  menu->exec(event->globalPos());
}

void SheetWindow::FocusChanged(QWidget* old, QWidget* now) {
  if (InGrid(old) && !InGrid(now)) ApplyEdits();
}

bool SheetWindow::InGrid(const QWidget* widget) const {
  return widget != nullptr && (widget == grid_ || grid_->isAncestorOf(widget));
}

void SheetWindow::ColumnResized(int column, int newSize) {
  if (sheet_ == nullptr || applyingLayout_ || column < 0 || column >= kColumnCount) return;
  sheet_->layout.columnWidths[static_cast<std::size_t>(column)] = newSize;
}

}  // namespace zemu::gui
