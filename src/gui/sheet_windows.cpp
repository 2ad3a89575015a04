// The sheet windows, following the store.
#include "gui/sheet_windows.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <algorithm>

#include "definitions/store.h"
#include "gui/qt_text.h"
#include "gui/sheet_model.h"
#include "gui/sheet_window.h"
#include "gui/window_memory.h"
#include "gui/window_places.h"
#include "host/context.h"
#include "platform/files.h"
#include "sheet/sheet_ops.h"

namespace zemu::gui {

namespace {

// A file name in a menu caption: every & is a plain character.
QString MenuCaption(const TDefine& sheet) {
  return ToQString(SheetMenuCaption(sheet)).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

SheetWindows::SheetWindows(Context& ctx, QWidget* mainWindow)
    : QObject(mainWindow), ctx_(ctx), mainWindow_(mainWindow) {
  ctx_.observers.Add(this);
}

SheetWindows::~SheetWindows() {
  ctx_.observers.Remove(this);
  for (Entry& entry : windows_) delete entry.window.data();
}

SheetWindow* SheetWindows::WindowOf(const TDefine& sheet) const {
  for (const Entry& entry : windows_) {
    if (entry.sheet == &sheet) return entry.window.data();
  }
  return nullptr;
}

void SheetWindows::ApplyAllEdits() {
  for (const Entry& entry : windows_) {
    if (entry.window) entry.window->ApplyEdits();
  }
}

void SheetWindows::SheetAdded(TDefine& sheet) {
  auto* window = new SheetWindow(ctx_, sheet, mainWindow_.data());
  connect(window, &SheetWindow::graphRequested, this, [this](const QString& name) {
    if (graphHandler_) graphHandler_(name);
  });
  windows_.push_back({&sheet, window});
  if (!console_) return;
  const QSize size(sheet.layout.place.width, sheet.layout.place.height);
  MoveSheet(sheet, ArrangeSheets(*console_, {size}, ++placedLater_, available_).front());
}

// ---- Places -------------------------------------------------------------------

std::optional<QRect> SheetWindows::KnownPlace(const TDefine& sheet) const {
  const WindowPlace& place = sheet.layout.place;
  const QSize size(place.width, place.height);
  if (memory_ != nullptr && sheet.named) {
    const QString basis = WindowMemory::PlaceBasis(DiskName(ctx_.files, sheet.name), "DefineForm");
    if (const std::optional<QRect> remembered =
            memory_->Place(WindowMemory::SheetKey(sheet.name), basis)) {
      return QRect(remembered->topLeft(), size);
    }
  }
  if (sheet.layout.given.position) return QRect(QPoint(place.left, place.top), size);
  return std::nullopt;
}

std::vector<QSize> SheetWindows::SheetsToPlace() const {
  std::vector<QSize> sizes;
  for (const Entry& entry : windows_) {
    const WindowPlace& place = entry.sheet->layout.place;
    if (!KnownPlace(*entry.sheet)) sizes.emplace_back(place.width, place.height);
  }
  return sizes;
}

void SheetWindows::PlaceSheets(const QRect& console, const QRect& available) {
  console_ = console;
  available_ = available;
  std::vector<TDefine*> unknown;
  std::vector<QSize> sizes;
  for (const Entry& entry : windows_) {
    TDefine& sheet = *entry.sheet;
    if (const std::optional<QRect> known = KnownPlace(sheet)) {
      MoveSheet(sheet, KeepInside(*known, available));
    } else {
      unknown.push_back(&sheet);
      sizes.emplace_back(sheet.layout.place.width, sheet.layout.place.height);
    }
  }
  const std::vector<QRect> frames = ArrangeSheets(console, sizes, 0, available);
  for (std::size_t i = 0; i < unknown.size(); ++i) MoveSheet(*unknown[i], frames[i]);
}

void SheetWindows::MoveSheet(TDefine& sheet, const QRect& place) {
  sheet.layout.place.left = place.left();
  sheet.layout.place.top = place.top();
  if (SheetWindow* window = WindowOf(sheet)) window->ApplyLayout();
}

void SheetWindows::Remember() const {
  if (memory_ == nullptr) return;
  for (const Entry& entry : windows_) {
    const TDefine& sheet = *entry.sheet;
    if (!sheet.named || !entry.window) continue;
    memory_->NotePlace(WindowMemory::SheetKey(sheet.name),
                       WindowMemory::PlaceBasis(DiskName(ctx_.files, sheet.name), "DefineForm"),
                       QRect(entry.window->pos(), entry.window->size()));
  }
}

void SheetWindows::SheetRemoved(TDefine& sheet) {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&sheet](const Entry& entry) { return entry.sheet == &sheet; });
  if (it == windows_.end()) return;
  // The window may be the one whose menu closes it: it goes once that is done.
  if (SheetWindow* window = it->window.data()) {
    window->Detach();
    window->deleteLater();
  }
  windows_.erase(it);
}

void SheetWindows::SheetRenamed(TDefine& sheet) {
  if (SheetWindow* window = WindowOf(sheet)) window->ApplyTitle();
}

void SheetWindows::SheetShownChanged(TDefine& sheet) {
  if (SheetWindow* window = WindowOf(sheet)) window->ApplyShown();
}

void SheetWindows::SheetLayoutChanged(TDefine& sheet) {
  if (SheetWindow* window = WindowOf(sheet)) window->ApplyLayout();
}

void SheetWindows::RowsInserted(TDefine& sheet, int row, int count) {
  if (SheetWindow* window = WindowOf(sheet)) window->model()->StoreRowsInserted(row, count);
}

void SheetWindows::RowsRemoved(TDefine& sheet, int row, int count) {
  if (SheetWindow* window = WindowOf(sheet)) window->model()->StoreRowsRemoved(row, count);
}

void SheetWindows::RowsChanged(TDefine& sheet, int first, int last) {
  if (SheetWindow* window = WindowOf(sheet)) window->model()->StoreRowsChanged(first, last);
}

void SheetWindows::ValuesForgotten(TDefine& sheet) {
  if (SheetWindow* window = WindowOf(sheet)) window->model()->StoreValuesForgotten();
}

void SheetWindows::AddWindowMenuEntries(QMenu* menu) {
  if (menu != menu_) {
    if (menu_) {
      disconnect(menu_, &QMenu::aboutToShow, this, &SheetWindows::RebuildMenuEntries);
    }
    for (QPointer<QAction>& action : menuEntries_) delete action.data();
    menuEntries_.clear();
    menu_ = menu;
    if (menu != nullptr) {
      connect(menu, &QMenu::aboutToShow, this, &SheetWindows::RebuildMenuEntries);
    }
  }
  RebuildMenuEntries();
}

void SheetWindows::RebuildMenuEntries() {
  for (QPointer<QAction>& action : menuEntries_) delete action.data();
  menuEntries_.clear();
  if (!menu_ || ctx_.defines.sheets.empty()) return;
  menuEntries_.push_back(menu_->addSeparator());
  const bool idle = ctx_.runState == RunState::Idle;
  for (const auto& sheet : ctx_.defines.sheets) {
    QAction* action = menu_->addAction(MenuCaption(*sheet));
    action->setCheckable(true);
    action->setChecked(sheet->layout.shown);
    action->setEnabled(idle);
    QPointer<SheetWindow> window = WindowOf(*sheet);
    connect(action, &QAction::triggered, this, [this, window] {
      if (window && window->sheet() != nullptr) MenuChooseSheet(ctx_, *window->sheet());
    });
    menuEntries_.push_back(action);
  }
}

}  // namespace zemu::gui
