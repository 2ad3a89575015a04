// The core's toolkit on Qt: status lines, the event pump of a running
// computation, file dialogs, message boxes, the input box, the assist timer.
// It belongs to the main window, which shows what it is asked to.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <string>

#include "host/toolkit.h"

namespace zemu::gui {

class TZemuMain;

// Qt's form of the core's file filter "desc|patterns|desc|patterns": one
// "desc (patterns)" per pair, patterns separated by blanks.
QStringList QtFileFilters(const std::string& filter);

class QtToolkit : public Toolkit {
 public:
  explicit QtToolkit(TZemuMain& window) : window_(window) {}

  void SetStatusLine(int line, const std::string& text) override;
  // Delivers what is pending; the widgets redraw when their coalescing
  // timer is due.
  void ProcessPendingEvents() override;
  // Shows the current state, then blocks until an event was delivered.
  bool WaitForEvents() override;
  std::string OpenFileDialog(const FileDialogRequest& request) override;
  std::string SaveFileDialog(const FileDialogRequest& request) override;
  Answer AskQuestion(const std::string& title, const std::string& text, bool withCancel) override;
  Answer AskWarning(const std::string& title, const std::string& text) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  bool InputBox(const std::string& title, const std::string& prompt, std::string& text) override;
  void RequestExit() override;
  int FontHeight() override;
  void SetAssistTimer(int milliseconds) override;

 private:
  std::string FileDialog(const FileDialogRequest& request, bool save);
  Answer Ask(QMessageBox::Icon icon, const std::string& title, const std::string& text,
             bool withCancel);

  TZemuMain& window_;
};

}  // namespace zemu::gui
