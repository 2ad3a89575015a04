// The graph windows and the dialog that asks for a graph.
#include "gui/graph_windows.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

#include "console/plot_command.h"
#include "gui/graph_window.h"
#include "gui/qt_text.h"
#include "gui/window_places.h"
#include "host/window_texts.h"

namespace zemu::gui {

namespace {

// Where a new graph window goes: down and right of the last one, or of the
// main window.
constexpr int kGraphOffset = 40;

std::string Answer(const QLineEdit* edit) {
  QString text = edit->text();
  text.remove(QLatin1Char(' ')).remove(QChar(0x3000));
  return ToSjis(text);
}

QWidget* RangeRow(QLineEdit* from, QLineEdit* to) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(from);
  layout->addWidget(new QLabel(ToQString(kPlotDialogTo)));
  layout->addWidget(to);
  return row;
}

}  // namespace

PlotDialog::PlotDialog(QWidget* parent)
    : QDialog(parent),
      functions_(new QLineEdit),
      from_(new QLineEdit(QStringLiteral("-10"))),
      to_(new QLineEdit(QStringLiteral("10"))),
      low_(new QLineEdit),
      high_(new QLineEdit) {
  setWindowTitle(ToQString(kPlotDialogTitle));
  auto* form = new QFormLayout(this);
  form->addRow(ToQString(kPlotDialogFunctions), functions_);
  form->addRow(ToQString(kPlotDialogRange), RangeRow(from_, to_));
  form->addRow(ToQString(kPlotDialogValues), RangeRow(low_, high_));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

std::string PlotDialog::Arguments() const {
  std::string arguments = Answer(functions_) + ' ' + Answer(from_) + ' ' + Answer(to_);
  const std::string low = Answer(low_);
  const std::string high = Answer(high_);
  if (!low.empty() && !high.empty()) arguments += ' ' + low + ' ' + high;
  return arguments;
}

GraphWindows::GraphWindows(Context& ctx, QWidget* mainWindow)
    : QObject(mainWindow), ctx_(ctx), mainWindow_(mainWindow) {}

GraphWindow* GraphWindows::Open(std::string_view arguments) {
  Plot plot;
  if (!MenuPlot(ctx_, arguments, plot)) return nullptr;
  auto* window = new GraphWindow(ctx_, std::move(plot), mainWindow_.data());
  QPoint corner = mainWindow_ ? mainWindow_->pos() : QPoint(0, 0);
  std::erase_if(windows_, [](const QPointer<GraphWindow>& w) { return w.isNull(); });
  if (!windows_.empty()) corner = windows_.back()->pos();
  corner += QPoint(kGraphOffset, kGraphOffset);
  if (const QScreen* display = mainWindow_ ? mainWindow_->screen() : nullptr) {
    corner = KeepInside(QRect(corner, window->size()), display->availableGeometry()).topLeft();
  }
  window->move(corner);
  windows_.emplace_back(window);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void GraphWindows::AskAndOpen(const QString& functions) {
  PlotDialog dialog(mainWindow_.data());
  dialog.functionsEdit()->setText(functions);
  if (dialog.exec() == QDialog::Accepted) Open(dialog.Arguments());
}

std::vector<GraphWindow*> GraphWindows::windows() const {
  std::vector<GraphWindow*> open;
  for (const QPointer<GraphWindow>& window : windows_) {
    if (window) open.push_back(window.data());
  }
  return open;
}

void GraphWindows::AddWindowMenuEntries(QMenu* menu) {
  menu_ = menu;
  connect(menu, &QMenu::aboutToShow, this, &GraphWindows::RebuildMenuEntries);
  RebuildMenuEntries();
}

void GraphWindows::RebuildMenuEntries() {
  if (!menu_) return;
  for (const QPointer<QAction>& entry : menuEntries_) delete entry.data();
  menuEntries_.clear();
  const std::vector<GraphWindow*> open = windows();
  if (open.empty()) return;
  menuEntries_.emplace_back(menu_->addSeparator());
  for (GraphWindow* window : open) {
    QAction* entry =
        menu_->addAction(window->windowTitle().replace(QLatin1Char('&'), QStringLiteral("&&")));
    QPointer<GraphWindow> target(window);
    connect(entry, &QAction::triggered, this, [target] {
      if (!target) return;
      target->show();
      target->raise();
      target->activateWindow();
    });
    menuEntries_.emplace_back(entry);
  }
}

}  // namespace zemu::gui
