// The graph windows of a run: opened from the dialog that asks what to draw
// (the window menu, a sheet row's context menu) or from ":plot" typed at the
// prompt, and listed in the window menu after the sheets.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <string>
#include <string_view>
#include <vector>

class QLineEdit;
class QMenu;
class QAction;

namespace zemu {
struct Context;
}

namespace zemu::gui {

class GraphWindow;

// Asks for the functions and the ranges of a graph.
class PlotDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PlotDialog(QWidget* parent);

  QLineEdit* functionsEdit() const { return functions_; }
  QLineEdit* fromEdit() const { return from_; }
  QLineEdit* toEdit() const { return to_; }
  // The answers as the arguments of ":plot" (Shift-JIS): the functions, the
  // x range, and the value range when both its ends are filled in. Blanks
  // inside an answer are dropped, as the command splits at blanks.
  std::string Arguments() const;

 private:
  QLineEdit* functions_;
  QLineEdit* from_;
  QLineEdit* to_;
  QLineEdit* low_;
  QLineEdit* high_;
};

class GraphWindows : public QObject {
  Q_OBJECT

 public:
  GraphWindows(Context& ctx, QWidget* mainWindow);

  // Runs ":plot `arguments`" (Shift-JIS): its messages go to the console;
  // when it gives a graph, a graph window shows it (returned; else null).
  GraphWindow* Open(std::string_view arguments);
  // Asks what to draw, the functions preset to `functions`, and opens it.
  void AskAndOpen(const QString& functions);

  // Adds one entry per graph window at the end of `menu` (the main window's
  // window menu) whenever it is about to show; choosing it raises the graph.
  void AddWindowMenuEntries(QMenu* menu);
  std::vector<GraphWindow*> windows() const;

 private:
  void RebuildMenuEntries();

  Context& ctx_;
  QPointer<QWidget> mainWindow_;
  std::vector<QPointer<GraphWindow>> windows_;
  QPointer<QMenu> menu_;
  std::vector<QPointer<QAction>> menuEntries_;
};

}  // namespace zemu::gui
