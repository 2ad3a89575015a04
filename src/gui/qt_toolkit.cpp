// The toolkit on Qt.
#include "gui/qt_toolkit.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace zemu::gui {

namespace {

// The window a dialog of the core belongs to: the one the user works in.
QWidget* DialogParent(TZemuMain& window) {
  QWidget* active = QApplication::activeWindow();
  return active != nullptr ? active : &window;
}

}  // namespace

QStringList QtFileFilters(const std::string& filter) {
  const QStringList parts = ToQString(filter).split(u'|');
  QStringList filters;
  static const QRegularExpression kTrailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    description.remove(kTrailingPatterns);
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    filters << description + QStringLiteral(" (") + patterns + u')';
  }
  return filters;
}

void QtToolkit::SetStatusLine(int line, const std::string& text) {
  window_.SetStatusLine(line, ToQString(text));
}

void QtToolkit::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool QtToolkit::WaitForEvents() {
  window_.SyncNow();
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return true;
}

std::string QtToolkit::FileDialog(const FileDialogRequest& request, bool save) {
  window_.SyncNow();
  QFileDialog dialog(DialogParent(window_), ToQString(request.title));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = QtFileFilters(request.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
  }
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  // The core asks before a save goes over a file, with its own reasons.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // File names in the core are Shift-JIS like every text; the core turns
  // them into the disk's names itself.
  // A pattern ("*.ZDF") stands in the name field as offered: accepted as
  // it is, the dialog lists the files it matches.
  const QString name = ToQString(request.fileName);
  if (!name.isEmpty()) dialog.selectFile(name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return ToSjis(dialog.selectedFiles().front());
}

std::string QtToolkit::OpenFileDialog(const FileDialogRequest& request) {
  return FileDialog(request, false);
}

std::string QtToolkit::SaveFileDialog(const FileDialogRequest& request) {
  return FileDialog(request, true);
}

Answer QtToolkit::AskQuestion(const std::string& title, const std::string& text, bool withCancel) {
  return Ask(QMessageBox::Question, title, text, withCancel);
}

Answer QtToolkit::AskWarning(const std::string& title, const std::string& text) {
  return Ask(QMessageBox::Warning, title, text, false);
}

Answer QtToolkit::Ask(QMessageBox::Icon icon, const std::string& title, const std::string& text,
                      bool withCancel) {
  window_.SyncNow();
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(icon, ToQString(title), ToQString(text), buttons, DialogParent(window_));
  box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return withCancel ? Answer::Cancel : Answer::No;
  }
}

void QtToolkit::ShowMessage(const std::string& title, const std::string& text) {
  window_.SyncNow();
  QMessageBox::information(DialogParent(window_), ToQString(title), ToQString(text));
}

bool QtToolkit::InputBox(const std::string& title, const std::string& prompt, std::string& text) {
  window_.SyncNow();
  bool ok = false;
  const QString answer =
      QInputDialog::getText(DialogParent(window_), ToQString(title), ToQString(prompt),
                            QLineEdit::Normal, ToQString(text), &ok);
  if (ok) text = ToSjis(answer);
  return ok;
}

void QtToolkit::RequestExit() { window_.RequestClose(); }

int QtToolkit::FontHeight() { return window_.LineHeight(); }

void QtToolkit::SetAssistTimer(int milliseconds) { window_.ArmAssistTimer(milliseconds); }

}  // namespace zemu::gui
