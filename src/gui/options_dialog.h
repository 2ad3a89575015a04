// The options dialog: a modeless window that shows every setting and changes
// it with the mouse. It is created hidden; the main window shows it. Each
// control calls the core's action for it (options/options.h) and then shows
// the settings again, so a change the core refuses (a log that cannot be
// opened, a format that cannot print) never stays on screen. Changes made by
// .set reach it as SettingsChanged and are shown once events are delivered.
//
// The controls carry the names the tests find them by: Epower, Name, Echo,
// Watch, Talk, File, FileAll, FileWatch, FileData, FileName, FileSanshou,
// Format, Trace, HelpFile, HelpSanshou, BtnOK.
#pragma once

#include <QDialog>
#include <array>

#include "host/observer.h"
#include "options/options.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace zemu {
struct Context;
}

namespace zemu::gui {

class TOptions : public QDialog, public Observer {
  Q_OBJECT

 public:
  // Adds itself to ctx.observers until it is destroyed; `ctx` must outlive it.
  TOptions(Context& ctx, QWidget* parent);
  ~TOptions() override;

  void SettingsChanged() override;

 protected:
  // Hiding takes what is typed in a field as if the field were left.
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls();
  void BuildSwitches(QVBoxLayout* layout);
  void BuildFileGroup(QVBoxLayout* layout);
  void BuildFormatRows(QVBoxLayout* layout);
  void BuildTraceRow(QVBoxLayout* layout);
  void BuildHelpRow(QVBoxLayout* layout);
  QLineEdit* AddField(const char* objectName, OptionsField field);
  // Runs a control's action, then shows the settings again: a change that
  // did not happen (a log that cannot be opened) must not stay on screen.
  template <typename Action>
  void Act(Action action) {
    action();
    Refresh();
  }
  // Shows the settings in every control; a field with typing not yet taken
  // keeps its text. Signals are blocked meanwhile, so no handler runs.
  void Refresh();
  QLineEdit* FieldEdit(OptionsField field) const;
  void FieldLeft(OptionsField field);
  // A browse button's dialog; a chosen name replaces the field's typing.
  void Browse(OptionsField field);

  Context& ctx_;
  std::array<QCheckBox*, kSwitchOrder.size()> switches_{};
  QCheckBox* file_ = nullptr;
  std::array<QRadioButton*, kLogModeCaptions.size()> logModes_{};
  QLineEdit* fileName_ = nullptr;
  QLineEdit* format_ = nullptr;
  QComboBox* trace_ = nullptr;
  QLineEdit* helpFile_ = nullptr;
  bool refreshPending_ = false;  // a Refresh is queued after SettingsChanged
};

}  // namespace zemu::gui
