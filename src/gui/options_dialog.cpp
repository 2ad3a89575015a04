// The options dialog's widgets.
#include "gui/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "gui/qt_text.h"
#include "host/context.h"

namespace zemu::gui {

namespace {

constexpr std::array<const char*, kSwitchOrder.size()> kSwitchObjectNames{"Epower", "Name", "Echo",
                                                                          "Watch", "Talk"};
constexpr std::array<const char*, kLogModeCaptions.size()> kLogModeObjectNames{
    "FileAll", "FileWatch", "FileData"};
constexpr int kTraceLevels = 5;
// Wide enough for a path of some length.
constexpr int kFieldMinimumWidth = 260;

// A button that Return in a field does not press: Return takes the field's
// text, and only OK hides the dialog.
QPushButton* MakeButton(const char* caption, const char* objectName, QWidget* parent) {
  auto* button = new QPushButton(ToQString(caption), parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TOptions::TOptions(Context& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setModal(false);
  setWindowTitle(ToQString(kOptionsTitle));
  setToolTip(ToQString(kOptionsHint));
  BuildControls();
  Refresh();
  ctx_.observers.Add(this);
}

TOptions::~TOptions() { ctx_.observers.Remove(this); }

void TOptions::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  BuildSwitches(layout);
  BuildFileGroup(layout);
  BuildFormatRows(layout);
  BuildTraceRow(layout);
  BuildHelpRow(layout);
  auto* ok = MakeButton(kOkCaption, "BtnOK", this);
  connect(ok, &QPushButton::clicked, this, &QWidget::hide);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

void TOptions::BuildSwitches(QVBoxLayout* layout) {
  for (std::size_t i = 0; i < kSwitchOrder.size(); ++i) {
    const Switch which = kSwitchOrder[i];
    switches_[i] = new QCheckBox(ToQString(SwitchName(which)), this);
    switches_[i]->setObjectName(QString::fromLatin1(kSwitchObjectNames[i]));
    connect(switches_[i], &QCheckBox::clicked, this,
            [this, which](bool on) { Act([&] { ClickSwitch(ctx_, which, on); }); });
    layout->addWidget(switches_[i]);
  }
}

void TOptions::BuildFileGroup(QVBoxLayout* layout) {
  auto* group = new QGroupBox(ToQString(kFileGroupCaption), this);
  auto* grid = new QGridLayout(group);
  file_ = new QCheckBox(ToQString(kFileCaption), group);
  file_->setObjectName(QStringLiteral("File"));
  connect(file_, &QCheckBox::clicked, this, [this](bool on) { Act([&] { ClickFile(ctx_, on); }); });
  grid->addWidget(file_, 0, 0);
  auto* modes = new QButtonGroup(group);
  for (std::size_t i = 0; i < kLogModeCaptions.size(); ++i) {
    logModes_[i] = new QRadioButton(ToQString(kLogModeCaptions[i]), group);
    logModes_[i]->setObjectName(QString::fromLatin1(kLogModeObjectNames[i]));
    modes->addButton(logModes_[i], static_cast<int>(i));
    grid->addWidget(logModes_[i], 1, static_cast<int>(i));
  }
  connect(modes, &QButtonGroup::idClicked, this,
          [this](int id) { Act([&] { ChooseLogMode(ctx_, static_cast<LogMode>(id)); }); });
  fileName_ = AddField("FileName", OptionsField::LogFileName);
  grid->addWidget(fileName_, 2, 0, 1, 2);
  auto* browse = MakeButton(kBrowseCaption, "FileSanshou", group);
  connect(browse, &QPushButton::clicked, this, [this] { Browse(OptionsField::LogFileName); });
  grid->addWidget(browse, 2, 2);
  layout->addWidget(group);
}

void TOptions::BuildFormatRows(QVBoxLayout* layout) {
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(ToQString(kFormatCaption), this));
  format_ = AddField("Format", OptionsField::Format);
  format_->setToolTip(ToQString(kFormatHint));
  row->addWidget(format_);
  layout->addLayout(row);
  for (const char* example : kFormatExamples) {
    layout->addWidget(new QLabel(ToQString(example), this));
  }
}

void TOptions::BuildTraceRow(QVBoxLayout* layout) {
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(ToQString(kTraceCaption), this));
  trace_ = new QComboBox(this);
  trace_->setObjectName(QStringLiteral("Trace"));
  for (int level = 0; level < kTraceLevels; ++level) {
    trace_->addItem(ToQString(TraceLevelName(static_cast<TraceLevel>(level))));
  }
  connect(trace_, &QComboBox::activated, this,
          [this](int index) { Act([&] { ChooseTrace(ctx_, static_cast<TraceLevel>(index)); }); });
  row->addWidget(trace_);
  row->addStretch();
  layout->addLayout(row);
}

void TOptions::BuildHelpRow(QVBoxLayout* layout) {
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(ToQString(kHelpCaption), this));
  helpFile_ = AddField("HelpFile", OptionsField::HelpFileName);
  row->addWidget(helpFile_);
  auto* browse = MakeButton(kBrowseCaption, "HelpSanshou", this);
  connect(browse, &QPushButton::clicked, this, [this] { Browse(OptionsField::HelpFileName); });
  row->addWidget(browse);
  layout->addLayout(row);
}

QLineEdit* TOptions::AddField(const char* objectName, OptionsField field) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::fromLatin1(objectName));
  edit->setMinimumWidth(kFieldMinimumWidth);
  connect(edit, &QLineEdit::editingFinished, this, [this, field] { FieldLeft(field); });
  return edit;
}

void TOptions::SettingsChanged() {
  // .set may change settings on every pass of a long loop: draw once the
  // loop lets events through.
  if (refreshPending_) return;
  refreshPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        refreshPending_ = false;
        Refresh();
      },
      Qt::QueuedConnection);
}

void TOptions::Refresh() {
  const Settings& settings = ctx_.settings;
  for (std::size_t i = 0; i < kSwitchOrder.size(); ++i) {
    const QSignalBlocker block(switches_[i]);
    switches_[i]->setChecked(SwitchValue(ctx_, kSwitchOrder[i]));
  }
  {
    const QSignalBlocker block(file_);
    file_->setChecked(settings.file);
  }
  for (std::size_t i = 0; i < logModes_.size(); ++i) {
    const QSignalBlocker block(logModes_[i]);
    logModes_[i]->setChecked(static_cast<std::size_t>(settings.logMode) == i);
  }
  {
    const QSignalBlocker block(trace_);
    trace_->setCurrentIndex(static_cast<int>(settings.trace));
  }
  for (OptionsField field :
       {OptionsField::LogFileName, OptionsField::Format, OptionsField::HelpFileName}) {
    QLineEdit* edit = FieldEdit(field);
    if (edit->isModified()) continue;
    const QString shown = ToQString(FieldSetting(ctx_, field));
    if (edit->text() == shown) continue;
    const QSignalBlocker block(edit);
    edit->setText(shown);
  }
}

QLineEdit* TOptions::FieldEdit(OptionsField field) const {
  switch (field) {
    case OptionsField::LogFileName:
      return fileName_;
    case OptionsField::Format:
      return format_;
    case OptionsField::HelpFileName:
      break;
  }
  return helpFile_;
}

void TOptions::FieldLeft(OptionsField field) {
  QLineEdit* edit = FieldEdit(field);
  edit->setModified(false);
  Act([&] { LeaveField(ctx_, field, ToSjis(edit->text())); });
}

void TOptions::Browse(OptionsField field) {
  const bool chosen =
      field == OptionsField::LogFileName ? BrowseLogFile(ctx_) : BrowseHelpFile(ctx_);
  if (chosen) FieldEdit(field)->setModified(false);
  Refresh();
}

void TOptions::hideEvent(QHideEvent* event) {
  for (OptionsField field :
       {OptionsField::LogFileName, OptionsField::Format, OptionsField::HelpFileName}) {
    if (FieldEdit(field)->isModified()) FieldLeft(field);
  }
  QDialog::hideEvent(event);
}

}  // namespace zemu::gui
