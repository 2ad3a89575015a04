// The item model of a definition sheet.
#include "gui/sheet_model.h"

#include <algorithm>

#include "definitions/store.h"
#include "gui/qt_text.h"
#include "host/context.h"

namespace zemu::gui {

namespace {

// Separate ranges of changed rows kept before the views hear of them all
// as one range.
constexpr std::size_t kDirtyRanges = 8;

// Where a noted row goes when `count` rows are taken out at `first`: rows
// below move up; a row taken out goes to the first row after the gap
// (`towardsEnd`) or the last row before it.
int RowAfterRemoval(int row, int first, int count, bool towardsEnd) {
  if (row < first) return row;
  if (row >= first + count) return row - count;
  return towardsEnd ? first : first - 1;
}

}  // namespace

SheetModel::SheetModel(Context& ctx, TDefine& sheet, QObject* parent)
    : QAbstractTableModel(parent),
      ctx_(ctx),
      sheet_(&sheet),
      rows_(sheet.RowCount() - 1),
      seenForget_(sheet.cache.forget) {
  // A zero interval fires as soon as events are delivered: at the end of a
  // statement, or every few milliseconds while a computation runs.
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(0);
  connect(&flushTimer_, &QTimer::timeout, this, &SheetModel::FlushChanges);
}

bool SheetModel::Holds(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() < rows_ &&
         index.column() < kColumnCount;
}

int SheetModel::StoreRow(int modelRow) const {
  if (modelRow < unannouncedAt_) return modelRow + 1;
  if (unannounced_ >= 0) return modelRow + 1 + unannounced_;
  if (modelRow < unannouncedAt_ - unannounced_) return -1;
  return modelRow + 1 + unannounced_;
}

int SheetModel::ModelRow(int storeRow) const {
  const int row = storeRow - 1;
  if (unannounced_ <= 0 || row < unannouncedAt_) return row;
  if (row >= unannouncedAt_ + unannounced_) return row - unannounced_;
  return -1;
}

QString SheetModel::CellText(int modelRow, int column) const {
  const int row = StoreRow(modelRow);
  if (sheet_ == nullptr || row < 0) return {};
  return ToQString(codec_, SheetCellText(*sheet_, row, column));
}

int SheetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int SheetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
  if (!Holds(index)) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return CellText(index.row(), index.column());
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumnCount) {
    return {};
  }
  return ToQString(codec_, kHeadingTexts[static_cast<std::size_t>(section)]);
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
  const int row = StoreRow(index.row());
  if (row < 0) return false;
  if (text == CellText(index.row(), TextColumn)) return true;
  SetEditedCellText(*sheet_, row, ToSjis(codec_, text));
  edited_ = true;
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

void SheetModel::HoldNewRows(bool hold) {
  hold_ = hold;
  if (!hold) FlushChanges();
}

void SheetModel::StoreRowsInserted(int row, int count) {
  const int at = row - 1;
  if (sheet_ == nullptr || count <= 0) return;
  if (unannounced_ > 0) {
    // Rows added next to the rows held join them; others leave no way to
    // tell the views of both apart.
    if (at >= unannouncedAt_ && at <= unannouncedAt_ + unannounced_) {
      unannounced_ += count;
    } else {
      Reset();
    }
    return;
  }
  if (at < 0 || at > rows_) {
    Reset();
    return;
  }
  unannouncedAt_ = at;
  unannounced_ = count;
  if (!hold_) AnnounceHeldRows();
}

void SheetModel::AnnounceHeldRows() {
  if (unannounced_ <= 0) return;
  // A sheet whose views knew no definition takes the rows held meanwhile
  // (its file was loaded) at once.
  if (rows_ <= 1 && unannounced_ > 1) {
    Reset();
    return;
  }
  const int first = unannouncedAt_;
  const int count = unannounced_;
  beginInsertRows(QModelIndex(), first, first + count - 1);
  rows_ += count;
  unannouncedAt_ = unannounced_ = 0;
  for (auto& [from, to] : dirty_) {
    if (from >= first) from += count;
    if (to >= first) to += count;
  }
  endInsertRows();
}

void SheetModel::StoreRowsRemoved(int row, int count) {
  if (sheet_ == nullptr || count <= 0) return;
  if (unannounced_ != 0) {
    Reset();
    return;
  }
  const int first = row - 1;
  count = std::min(count, rows_ - first);
  if (first < 0 || count <= 0) return;
  // Until the views let go of them, the rows taken out read as empty.
  unannouncedAt_ = first;
  unannounced_ = -count;
  beginRemoveRows(QModelIndex(), first, first + count - 1);
  rows_ -= count;
  unannouncedAt_ = unannounced_ = 0;
  for (auto& [from, to] : dirty_) {
    from = RowAfterRemoval(from, first, count, true);
    to = RowAfterRemoval(to, first, count, false);
  }
  std::erase_if(dirty_, [](const auto& range) { return range.first > range.second; });
  endRemoveRows();
}

void SheetModel::Reset() {
  beginResetModel();
  rows_ = sheet_ != nullptr ? sheet_->RowCount() - 1 : 0;
  unannouncedAt_ = unannounced_ = 0;
  dirty_.clear();
  forgotten_ = false;
  if (sheet_ != nullptr) seenForget_ = sheet_->cache.forget;
  endResetModel();
}

void SheetModel::StoreRowsChanged(int first, int last) {
  if (sheet_ == nullptr) return;
  // Of the rows held, the views learn when they are announced.
  int from = ModelRow(first);
  int to = ModelRow(last);
  if (from < 0) from = unannouncedAt_;
  if (to < 0) to = unannouncedAt_ - 1;
  NoteChanged(std::max(from, 0), std::min(to, rows_ - 1));
}

void SheetModel::NoteChanged(int first, int last) {
  if (first > last) return;
  StartFlushTimer();
  // A loop rewrites the same row again and again: one compare.
  for (auto& [from, to] : dirty_) {
    if (first <= to + 1 && last >= from - 1) {
      from = std::min(from, first);
      to = std::max(to, last);
      return;
    }
  }
  if (dirty_.size() < kDirtyRanges) {
    dirty_.emplace_back(first, last);
    return;
  }
  // Changes all over the sheet: the views hear of the rows from the first to the last.
  for (const auto& [from, to] : dirty_) {
    first = std::min(first, from);
    last = std::max(last, to);
  }
  dirty_.assign(1, {first, last});
}

void SheetModel::StoreValuesForgotten() {
  if (sheet_ == nullptr) return;
  forgotten_ = true;
  StartFlushTimer();
}

void SheetModel::StartFlushTimer() {
  if (!flushTimer_.isActive()) flushTimer_.start();
}

void SheetModel::FlushChanges() {
  flushTimer_.stop();
  if (sheet_ == nullptr) return;
  if (!hold_) AnnounceHeldRows();
  std::vector<std::pair<int, int>> dirty;
  dirty.swap(dirty_);
  std::sort(dirty.begin(), dirty.end());
  for (std::size_t i = 0; i < dirty.size(); ++i) {
    const int first = dirty[i].first;
    int last = dirty[i].second;
    while (i + 1 < dirty.size() && dirty[i + 1].first <= last + 1)
      last = std::max(last, dirty[++i].second);
    last = std::min(last, rows_ - 1);
    if (first <= last) emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
  }
  if (forgotten_) FlushForgottenValues();
}

// The value cells shown that a ForgetValues since the last flush reached;
// the others are read as they are when they come into view.
void SheetModel::FlushForgottenValues() {
  forgotten_ = false;
  const ForgetCounters seen = seenForget_;
  seenForget_ = sheet_->cache.forget;
  auto [first, last] = shownRows_ ? shownRows_() : std::pair(0, rows_ - 1);
  first = std::max(first, 0);
  last = std::min(last, rows_ - 1);
  int runStart = -1;
  for (int row = first; row <= last + 1; ++row) {
    const bool reached = row <= last && ValueCellForgottenSince(*sheet_, StoreRow(row), seen);
    if (reached && runStart < 0) runStart = row;
    if (!reached && runStart >= 0) {
      emit dataChanged(index(runStart, ValueColumn), index(row - 1, ValueColumn));
      runStart = -1;
    }
  }
}

void SheetModel::Detach() {
  beginResetModel();
  sheet_ = nullptr;
  rows_ = 0;
  unannouncedAt_ = unannounced_ = 0;
  dirty_.clear();
  forgotten_ = false;
  flushTimer_.stop();
  endResetModel();
}

}  // namespace zemu::gui
