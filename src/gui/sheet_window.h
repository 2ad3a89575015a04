// The window of one definition sheet: a top-level window owned by the main
// window, holding the grid over the sheet's model. It shows the sheet as the
// store keeps it (title, rows, place, column widths, font, shown) and hands
// the user's acts to the core's sheet actions: bringing it to the front,
// leaving edited cells, resizing and moving it, resizing a column, and the
// items of its context menu.
#pragma once

#include <QTableView>
#include <QWidget>
#include <string>
#include <utility>

#include "console/menu.h"

class QMenu;

namespace zemu {
struct Context;
struct TDefine;
}  // namespace zemu

namespace zemu::gui {

class SheetModel;

// The grid. Its cursor stays in the definition column: a click, a double
// click or a cursor key anywhere in a row goes to that row's definition cell.
class SheetGrid : public QTableView {
  Q_OBJECT

 public:
  explicit SheetGrid(QWidget* parent = nullptr);

  // Moves the cursor to the definition cell of the current row (the first
  // row when there is none).
  void MoveToDefinitionColumn();
  // Hands the text of an open in-place editor to the model and closes it.
  void CommitOpenEditor();

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QModelIndex DefinitionCell(int row) const;
};

class SheetWindow : public QWidget {
  Q_OBJECT

 public:
  // A hidden window for `sheet`, owned by `owner` (a top-level window of its own).
  SheetWindow(Context& ctx, TDefine& sheet, QWidget* owner);
  ~SheetWindow() override;

  // The sheet shown; null once it has left the store.
  TDefine* sheet() const { return sheet_; }
  SheetModel* model() const { return model_; }
  SheetGrid* grid() const { return grid_; }

  // Take over what the store says: the title, the layout (place, column
  // widths, font) and whether the sheet is shown. None of these counts as
  // the user's resize.
  void ApplyTitle();
  void ApplyLayout();
  void ApplyShown();
  // The sheet left the store: the window shows nothing and acts no more.
  void Detach();

  // Applies the edited definition cells (an open editor first), unless a
  // computation runs. True when edits were applied.
  bool ApplyEdits();
  // The context menu with the items of SheetContextMenu(), greyed out as
  // the run state says; `parent` owns it.
  QMenu* MakeContextMenu(QWidget* parent);
  // Carries out an item of the context menu.
  void RunCommand(MenuCommand command);

 signals:
  // グラフ表示 was chosen on the row of the function `name` (empty: the row
  // holds no definition).
  void graphRequested(const QString& name);

 protected:
  bool event(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void FocusChanged(QWidget* old, QWidget* now);
  bool InGrid(const QWidget* widget) const;
  void ColumnResized(int column, int newSize);
  // The first and last row the grid shows; first > last for none.
  std::pair<int, int> ShownRows() const;
  void KeepPlace();

  Context& ctx_;
  TDefine* sheet_;
  SheetModel* model_;
  SheetGrid* grid_;
  bool applyingLayout_ = false;  // moves and resizes now come from the store
  bool applyingEdits_ = false;
  std::string fontName_;  // the font the grid was given; empty and 0: the default
  int fontSize_ = 0;
};

}  // namespace zemu::gui
