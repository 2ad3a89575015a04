// The windows of all definition sheets, kept in step with the store: a
// window is made as a sheet joins the store and goes as it leaves, and every
// change the core reports about a sheet reaches its window. Also the sheets'
// entries in the main window's window menu.
//
// The main window makes one SheetWindows before the start-up and destroys
// it before the context. Sheet windows are top-level windows owned by the
// main window; what they ask the user goes through ctx.toolkit.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "gui/main_window.h"
#include "host/observer.h"

class QAction;
class QMenu;
class QWidget;

namespace zemu {
struct Context;
struct TDefine;
}  // namespace zemu

namespace zemu::gui {

class SheetWindow;
class WindowMemory;

class SheetWindows : public QObject, public Observer, public SheetPlacer {
  Q_OBJECT

 public:
  // Observes ctx from now on; `mainWindow` owns the sheet windows.
  SheetWindows(Context& ctx, QWidget* mainWindow);
  ~SheetWindows() override;

  // Adds one checkable entry per sheet, in the store's order (caption: its
  // menu caption; checked while shown), after a separator at the end of
  // `menu`, the main window's window menu. Entries added before are
  // replaced, and the entries are rebuilt whenever the menu is about to
  // show, so one call is enough.
  void AddWindowMenuEntries(QMenu* menu);

  // The window of a sheet in the store; null for any other.
  SheetWindow* WindowOf(const TDefine& sheet) const;
  // Applies the edited cells of every sheet (before the program ends).
  void ApplyAllEdits();

  // Where the sheets' places are remembered (null: nowhere). A sheet's
  // remembered place is its window's position; the size belongs to its file,
  // with the column widths.
  void SetMemory(WindowMemory* memory) { memory_ = memory; }
  // Notes the place of every named sheet's window in the memory.
  void Remember() const;
  // Where a sheet row's グラフ表示 goes (the function's name; empty: none).
  void SetGraphHandler(std::function<void(const QString&)> handler) {
    graphHandler_ = std::move(handler);
  }

  // SheetPlacer. A sheet opened after the console was placed goes beside it
  // too, unless its file says where.
  std::vector<QSize> SheetsToPlace() const override;
  void PlaceSheets(const QRect& console, const QRect& available) override;

  void SheetAdded(TDefine& sheet) override;
  void SheetRemoved(TDefine& sheet) override;
  void SheetRenamed(TDefine& sheet) override;
  void SheetShownChanged(TDefine& sheet) override;
  void SheetLayoutChanged(TDefine& sheet) override;
  void RowsInserted(TDefine& sheet, int row, int count) override;
  void RowsRemoved(TDefine& sheet, int row, int count) override;
  void RowsChanged(TDefine& sheet, int first, int last) override;
  void ValuesForgotten(TDefine& sheet) override;

 private:
  struct Entry {
    TDefine* sheet;
    QPointer<SheetWindow> window;
  };

  void RebuildMenuEntries();
  // The start place of a sheet's window that its file or the memory gives.
  std::optional<QRect> KnownPlace(const TDefine& sheet) const;
  void MoveSheet(TDefine& sheet, const QRect& place);

  Context& ctx_;
  QPointer<QWidget> mainWindow_;
  std::vector<Entry> windows_;  // in the store's order
  QPointer<QMenu> menu_;
  std::vector<QPointer<QAction>> menuEntries_;
  WindowMemory* memory_ = nullptr;
  std::function<void(const QString&)> graphHandler_;
  std::optional<QRect> console_;  // the console's frame once it was placed
  QRect available_;
  int placedLater_ = 0;  // sheets placed beside the console after the start
};

}  // namespace zemu::gui
