// The Qt item model of one definition sheet: a table over the sheet's rows
// as the store keeps them. The store's heading row is the horizontal header,
// so model row r is the store's row r + 1, and the last model row is the
// store's empty row for new input. Cells are read from the store when a view
// asks (SheetCellText, converted by one codec kept open), so a view that
// shows twenty rows of a sheet of 10^5 reads twenty rows; the definition
// cells are written through SetEditedCellText, and the store runs the edits
// when the grid lets go of them.
//
// The store changes its rows first and tells the sheet windows afterwards,
// while Qt wants to be told around a change, with the old rows still in
// place until the change is announced. So the model maps the rows its views
// know onto the store's, with the rows not announced yet left out: during a
// change, and while new rows are held (the window is hidden, as while its
// file loads), after which they are announced at once, by a reset when the
// views knew no definition row. Changed cells are only noted: a loop may
// rewrite one row millions of times, and the views hear of it once, when
// the running computation next lets events through. A ForgetValues is told
// for the rows shown whose value cell it reached, and no other.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTimer>
#include <functional>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "cache/caches.h"

namespace zemu {
struct Context;
struct TDefine;
}  // namespace zemu

namespace zemu::gui {

class SheetModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The first and last model row a view shows; first > last for none.
  using ShownRows = std::function<std::pair<int, int>()>;

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

  // The rows the views show, asked when values were forgotten; without it,
  // every row counts as shown.
  void SetShownRows(ShownRows shownRows) { shownRows_ = std::move(shownRows); }
  // While held, rows the store adds are not announced (nobody sees them);
  // letting go announces them.
  void HoldNewRows(bool hold);

  // The store's notifications, in the store's row numbers (heading = 0).
  void StoreRowsInserted(int row, int count);
  void StoreRowsRemoved(int row, int count);
  void StoreRowsChanged(int first, int last);
  void StoreValuesForgotten();
  // Tells the views of the rows held and the cells changed since the last flush.
  void FlushChanges();
  // The sheet is leaving the store: the model becomes empty and reads it no more.
  void Detach();

  // Whether a definition cell was edited since the last ClearEdited().
  bool edited() const { return edited_; }
  void ClearEdited() { edited_ = false; }

 private:
  bool Holds(const QModelIndex& index) const;
  // The store's row of a model row, or -1 for a row the store took out
  // while the views still know it.
  int StoreRow(int modelRow) const;
  // The model row of a store row not announced yet when it is one of the
  // rows not announced.
  int ModelRow(int storeRow) const;
  QString CellText(int modelRow, int column) const;
  void AnnounceHeldRows();
  // The views take the store's rows as they are now.
  void Reset();
  void NoteChanged(int first, int last);
  void StartFlushTimer();
  void FlushForgottenValues();

  Context& ctx_;
  TDefine* sheet_;
  mutable WidgetTextCodec codec_;
  int rows_ = 0;  // the rows the views know
  // Store rows the views do not know: `unannounced` rows at model row
  // `unannouncedAt` (negative: rows the store took out that the views still
  // show).
  int unannouncedAt_ = 0;
  int unannounced_ = 0;
  bool hold_ = false;
  std::vector<std::pair<int, int>> dirty_;  // model rows whose cells changed unseen
  bool forgotten_ = false;                  // a ForgetValues came since the last flush
  ForgetCounters seenForget_;               // the sheet's forget counters at the last flush
  ShownRows shownRows_;
  bool edited_ = false;
  QTimer flushTimer_;
};

}  // namespace zemu::gui
