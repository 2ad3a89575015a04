// The find dialog and the about box.
#include "gui/dialogs.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/qt_text.h"
#include "host/window_texts.h"

namespace zemu::gui {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString(kFindTitle));
  setModal(false);
  auto* label = new QLabel(ToQString(kFindLabel));
  text_ = new QLineEdit;
  label->setBuddy(text_);
  findNext_ = new QPushButton(ToQString(kFindNextButton));
  findNext_->setDefault(true);
  findNext_->setEnabled(false);
  auto* close = new QPushButton(ToQString(kFindCloseButton));

  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(text_, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext_);
  buttons->addWidget(close);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(row, 1);
  layout->addLayout(buttons);

  connect(text_, &QLineEdit::textChanged, this,
          [this](const QString& text) { findNext_->setEnabled(!text.isEmpty()); });
  connect(findNext_, &QPushButton::clicked, this,
          [this] { emit findNextRequested(text_->text()); });
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString(kAboutTitle));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  for (const char* text : {kAboutProduct, kAboutDescription, kAboutVersion, kAboutNotice}) {
    auto* label = new QLabel(ToQString(text));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(ToQString(kAboutOk), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);
  layout->addWidget(buttons);
}

}  // namespace zemu::gui
