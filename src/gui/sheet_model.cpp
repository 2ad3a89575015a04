// The item model of a definition sheet.
#include "gui/sheet_model.h"

#include <algorithm>

#include "definitions/store.h"
#include "gui/qt_text.h"
#include "host/context.h"

namespace zemu::gui {

namespace {

// The store's row of a model row, and back.
int StoreRow(int modelRow) { return modelRow + 1; }
int ModelRow(int storeRow) { return storeRow - 1; }

// Where a noted row goes when `count` rows are taken out at `first`: rows
// below move up; a row taken out goes to the first row after the gap
// (`towardsEnd`) or the last row before it.
int RowAfterRemoval(int row, int first, int count, bool towardsEnd) {
  if (row < first) return row;
  if (row >= first + count) return row - count;
  return towardsEnd ? first : first - 1;
}

}  // namespace

bool SheetModel::Holds(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() < static_cast<int>(rows_.size()) &&
         index.column() < kColumnCount;
}

SheetModel::SheetModel(Context& ctx, TDefine& sheet, QObject* parent)
    : QAbstractTableModel(parent), ctx_(ctx), sheet_(&sheet) {
  for (int row = 0; row < sheet.RowCount() - 1; ++row) rows_.push_back(StoreCells(row));
  // A zero interval fires as soon as events are delivered: at the end of a
  // statement, or every few milliseconds while a computation runs.
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(0);
  connect(&flushTimer_, &QTimer::timeout, this, &SheetModel::FlushChanges);
}

SheetModel::Cells SheetModel::StoreCells(int modelRow) const {
  Cells cells;
  for (int column = 0; column < kColumnCount; ++column) {
    cells[static_cast<std::size_t>(column)] =
        ToQString(SheetCellText(*sheet_, StoreRow(modelRow), column));
  }
  return cells;
}

int SheetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SheetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
  if (!Holds(index)) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return rows_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumnCount) {
    return {};
  }
  return ToQString(kHeadingTexts[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
  if (sheet_ == nullptr || !Holds(index)) return Qt::NoItemFlags;
  if (index.column() != TextColumn) return Qt::ItemIsEnabled;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (ctx_.runState == RunState::Idle) flags |= Qt::ItemIsEditable;
  return flags;
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  const QString text = value.toString();
  QString& cell = rows_[static_cast<std::size_t>(index.row())][TextColumn];
  if (text == cell) return true;
  SetEditedCellText(*sheet_, StoreRow(index.row()), ToSjis(text));
  cell = text;
  edited_ = true;
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

void SheetModel::StoreRowsInserted(int row, int count) {
  const int size = static_cast<int>(rows_.size());
  const int first = ModelRow(row);
  if (sheet_ == nullptr || count <= 0 || first < 0 || first > size) return;
  beginInsertRows(QModelIndex(), first, first + count - 1);
  std::vector<Cells> inserted;
  for (int i = 0; i < count; ++i) inserted.push_back(StoreCells(first + i));
  rows_.insert(rows_.begin() + first, inserted.begin(), inserted.end());
  if (dirtyFirst_ >= first) dirtyFirst_ += count;
  if (dirtyLast_ >= first) dirtyLast_ += count;
  endInsertRows();
}

void SheetModel::StoreRowsRemoved(int row, int count) {
  const int size = static_cast<int>(rows_.size());
  const int first = ModelRow(row);
  count = std::min(count, size - first);
  if (sheet_ == nullptr || count <= 0 || first < 0) return;
  beginRemoveRows(QModelIndex(), first, first + count - 1);
  rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
  if (dirtyFirst_ >= 0) {
    dirtyFirst_ = RowAfterRemoval(dirtyFirst_, first, count, true);
    dirtyLast_ = RowAfterRemoval(dirtyLast_, first, count, false);
    if (dirtyFirst_ > dirtyLast_) dirtyFirst_ = dirtyLast_ = -1;
  }
  endRemoveRows();
}

void SheetModel::StoreRowsChanged(int first, int last) {
  first = std::max(ModelRow(first), 0);
  last = std::min(ModelRow(last), static_cast<int>(rows_.size()) - 1);
  if (sheet_ == nullptr || first > last) return;
  if (dirtyFirst_ < 0) {
    dirtyFirst_ = first;
    dirtyLast_ = last;
    flushTimer_.start();
    return;
  }
  dirtyFirst_ = std::min(dirtyFirst_, first);
  dirtyLast_ = std::max(dirtyLast_, last);
}

void SheetModel::FlushChanges() {
  if (dirtyFirst_ < 0) return;
  const int first = dirtyFirst_;
  const int last = std::min(dirtyLast_, static_cast<int>(rows_.size()) - 1);
  dirtyFirst_ = dirtyLast_ = -1;
  flushTimer_.stop();
  if (sheet_ == nullptr || first > last) return;
  for (int row = first; row <= last; ++row) rows_[static_cast<std::size_t>(row)] = StoreCells(row);
  emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
}

void SheetModel::Detach() {
  beginResetModel();
  sheet_ = nullptr;
  rows_.clear();
  dirtyFirst_ = dirtyLast_ = -1;
  flushTimer_.stop();
  endResetModel();
}

}  // namespace zemu::gui
