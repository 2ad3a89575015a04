// The Qt item model of one definition sheet: a table over the sheet's rows
// as the store keeps them. The store's heading row is the horizontal header,
// so model row r is the store's row r + 1, and the last model row is the
// store's empty row for new input. Cells are read through SheetCellText and
// the definition cells written through SetEditedCellText; the store runs the
// edits when the grid lets go of them.
//
// The store changes its rows first and tells the sheet windows afterwards,
// while Qt wants to be told around a change, with the old rows still in
// place until the change is announced. So the model keeps its own copy of
// the cells as its views know them and applies the store's notifications to
// it in their order: structural ones at once, changed cells only noted. A
// loop may rewrite one row millions of times; the views hear of it once,
// when the running computation next lets events through.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTimer>
#include <array>
#include <vector>

namespace zemu {
struct Context;
struct TDefine;
}  // namespace zemu

namespace zemu::gui {

class SheetModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `sheet` must stay valid until Detach() is called.
  SheetModel(Context& ctx, TDefine& sheet, QObject* parent = nullptr);

  TDefine* sheet() const { return sheet_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  // Only the definition column can be selected, and edited while the
  // console is idle (edits are applied only then).
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Puts an edited definition text into the sheet. A text that reads as the
  // cell already does is no edit: the cell keeps its own bytes.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // The store's notifications, in the store's row numbers (heading = 0).
  void StoreRowsInserted(int row, int count);
  void StoreRowsRemoved(int row, int count);
  void StoreRowsChanged(int first, int last);
  // Tells the views of the cells changed since the last flush.
  void FlushChanges();
  // The sheet is leaving the store: the model becomes empty and reads it no more.
  void Detach();

  // Whether a definition cell was edited since the last ClearEdited().
  bool edited() const { return edited_; }
  void ClearEdited() { edited_ = false; }

 private:
  using Cells = std::array<QString, 4>;

  bool Holds(const QModelIndex& index) const;
  Cells StoreCells(int modelRow) const;

  Context& ctx_;
  TDefine* sheet_;
  std::vector<Cells> rows_;  // the cells as the views know them
  int dirtyFirst_ = -1;      // model rows whose cells changed unseen; -1 when none
  int dirtyLast_ = -1;
  bool edited_ = false;
  QTimer flushTimer_;
};

}  // namespace zemu::gui
