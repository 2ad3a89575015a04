// The console window.
#include "gui/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

#include "console/console.h"
#include "gui/completion_popup.h"
#include "gui/dialogs.h"
#include "gui/qt_text.h"
#include "host/window_texts.h"

namespace zemu::gui {

QFont DefaultConsoleFont() {
  QFont font;
  font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                    QStringLiteral("monospace")});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(12);
  return font;
}

TZemuMain::TZemuMain(const GuiTimings& timings)
    : timings_(timings),
      toolkit_(*this),
      calc_(&toolkit_, &screenText_, &watchText_),
      ctx_(calc_.context()) {
  setWindowTitle(ToQString(ctx_.mainForm.title));
  screenText_.SetChangeHandler([this] { ScheduleRedraw(); });
  watchText_.SetChangeHandler([this] { ScheduleRedraw(); });

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  watch_ = new ConsoleEdit(watchText_, nullptr);
  watch_->setFixedHeight(0);
  watch_->hide();
  screen_ = new ConsoleEdit(screenText_, this);
  statusPanel_ = new QWidget;
  auto* statusLayout = new QVBoxLayout(statusPanel_);
  statusLayout->setContentsMargins(4, kStatusPanelPadding / 2, 4, kStatusPanelPadding / 2);
  statusLayout->setSpacing(0);
  for (QLabel*& label : statusLines_) {
    label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(1);  // a long help line is cut, it does not widen the window
    statusLayout->addWidget(label);
  }
  layout->addWidget(watch_);
  layout->addWidget(screen_, 1);
  layout->addWidget(statusPanel_);
  setCentralWidget(central);
  statusLines_[0]->setText(ToQString(kWelcomeStatusLine));
  statusLines_[2]->setText(ToQString(kProductStatusLine));

  BuildMenus();
  findDialog_ = new FindDialog(this);
  connect(findDialog_, &FindDialog::findNextRequested, this, &TZemuMain::FindNextRequested);
  aboutBox_ = new AboutBox(this);
  ApplyFont(DefaultConsoleFont());

  assistTimer_.setSingleShot(true);
  connect(&assistTimer_, &QTimer::timeout, this,
          [this] { InCore([this] { AssistTimerTimer(ctx_); }); });
  redrawTimer_.setSingleShot(true);
  connect(&redrawTimer_, &QTimer::timeout, this, &TZemuMain::SyncNow);

  const WindowPlace& design = kMainFormDesignPlace;
  move(design.left, design.top);
  resize(design.width, design.height);
  ctx_.observers.Add(this);
  UpdateMenuStates();
}

TZemuMain::~TZemuMain() { ctx_.observers.Remove(this); }

void TZemuMain::Start(const StartupOptions& options) {
  InCore([this, &options] { calc_.Start(options); });
}

template <typename Call>
void TZemuMain::InCore(Call&& call) {
  ++coreDepth_;
  call();
  --coreDepth_;
  SyncNow();
  if (coreDepth_ == 0 && closePending_) QTimer::singleShot(0, this, &QWidget::close);
}

// ---- Menus -----------------------------------------------------------------

void TZemuMain::BuildMenus() {
  for (const Menu& menu : MainMenus()) {
    QMenu* qmenu = menuBar()->addMenu(ToQString(menu.caption));
    qmenu->setToolTipsVisible(true);
    for (const MenuItem& item : menu.items) AddMenuItem(qmenu, item, true);
    if (!menu.items.empty() && menu.items.front().command == MenuCommand::WindowNew) {
      windowMenu_ = qmenu;
    }
    connect(qmenu, &QMenu::aboutToShow, this, &TZemuMain::UpdateMenuStates);
    if (menu.command == MenuCommand::ComputeStop) {
      computeMenu_ = qmenu;
      connect(qmenu, &QMenu::aboutToShow, this, [this] { StopComputation(ctx_); });
    }
  }
  contextMenu_ = new QMenu(this);
  for (const MenuItem& item : ScreenContextMenu()) AddMenuItem(contextMenu_, item, false);
}

QAction* TZemuMain::AddMenuItem(QMenu* menu, const MenuItem& item, bool windowShortcut) {
  if (item.command == MenuCommand::Separator) {
    menu->addSeparator();
    return nullptr;
  }
  QAction* action = menu->addAction(ToQString(item.caption));
  if (*item.shortcut != '\0') {
    action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
    // The context menu repeats the menu bar's shortcuts: shown, not bound twice.
    if (!windowShortcut) action->setShortcutContext(Qt::WidgetShortcut);
  }
  if (*item.hint != '\0') action->setToolTip(ToQString(item.hint));
  const MenuCommand command = item.command;
  connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  actions_.emplace_back(command, action);
  return action;
}

QAction* TZemuMain::menuAction(MenuCommand command) const {
  for (const auto& [itemCommand, action] : actions_) {
    if (itemCommand == command && action->parent() != contextMenu_) return action;
  }
  return nullptr;
}

void TZemuMain::UpdateMenuStates() {
  for (const auto& [command, action] : actions_) {
    action->setEnabled(IsMenuCommandEnabled(ctx_, command));
  }
  computeMenu_->menuAction()->setEnabled(IsMenuCommandEnabled(ctx_, MenuCommand::ComputeStop));
}

void TZemuMain::RunCommand(MenuCommand command) {
  using enum MenuCommand;
  std::string text;
  switch (command) {
    case FileNew:
      InCore([this] { MenuNew(ctx_); });
      break;
    case FileOpen:
      InCore([this] { MenuOpen(ctx_); });
      break;
    case FileRun:
      InCore([this] { MenuRunFile(ctx_); });
      break;
    case FileSave:
      InCore([this] { MenuSave(ctx_); });
      break;
    case FileSaveAs:
      InCore([this] { MenuSaveAs(ctx_); });
      break;
    case FileExit:
      close();
      break;
    case EditCut:
    case EditCopy: {
      bool done = false;
      InCore([&] { done = command == EditCut ? MenuCut(ctx_, text) : MenuCopy(ctx_, text); });
      if (done && !text.empty()) QGuiApplication::clipboard()->setText(ToQString(text));
      break;
    }
    case EditCopyResult: {
      bool done = false;
      InCore([&] { done = MenuCopyResult(ctx_, text); });
      if (done) QGuiApplication::clipboard()->setText(ToQString(text));
      break;
    }
    case EditPaste:
      text = ToSjis(QGuiApplication::clipboard()->text());
      InCore([&] { MenuPaste(ctx_, text); });
      break;
    case EditDelete:
      InCore([this] { MenuDelete(ctx_); });
      break;
    case EditSelectAll:
      InCore([this] { MenuSelectAll(ctx_); });
      break;
    case EditFind:
      ShowFindDialog();
      break;
    case SettingsOptions:
      emit optionsRequested();
      break;
    case SettingsFont:
      ChooseFont();
      break;
    case HelpHelp:
      InCore([this] { MenuHelp(ctx_); });
      break;
    case HelpAbout:
      aboutBox_->show();
      aboutBox_->raise();
      break;
    case ComputeRestart:
      RestartComputation(ctx_);
      break;
    case ComputeAbort:
      AbortComputation(ctx_);
      break;
    default:
      // The window arrangement acts on inner child windows, and this window
      // has none: the sheets are windows of their own. The other items
      // have no action.
      break;
  }
}

void TZemuMain::ShowFindDialog() {
  if (!IsMenuCommandEnabled(ctx_, MenuCommand::EditFind)) return;
  QScreen* display = screen();
  if (display != nullptr) findDialog_->move(display->availableGeometry().topLeft());
  findDialog_->show();
  findDialog_->raise();
  findDialog_->activateWindow();
  findDialog_->textEdit()->setFocus();
}

void TZemuMain::FindNextRequested(const QString& text) {
  bool found = false;
  const std::string what = ToSjis(text);
  InCore([&] { found = MenuFindNext(ctx_, what); });
  if (!found) return;
  activateWindow();
  screen_->setFocus();
}

void TZemuMain::ChooseFont() {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, screen_->font(), this, ToQString(kFontDialogTitle));
  if (ok) ApplyFont(font);
}

void TZemuMain::ApplyFont(const QFont& font) {
  setFont(font);
  for (QWidget* widget : {static_cast<QWidget*>(screen_), static_cast<QWidget*>(watch_)}) {
    widget->setFont(font);
  }
  for (QLabel* label : statusLines_) label->setFont(font);
  const int labelHeight = statusLines_[0]->fontMetrics().height();
  statusPanel_->setFixedHeight(3 * labelHeight + kStatusPanelPadding);
}

// ---- What the toolkit asks -------------------------------------------------

void TZemuMain::SetStatusLine(int line, const QString& text) {
  if (line >= 1 && line <= 3) statusLines_[static_cast<std::size_t>(line - 1)]->setText(text);
}

void TZemuMain::ScheduleRedraw() {
  if (redrawTimer_.isActive()) return;
  redrawTimer_.start(ctx_.runState == RunState::Idle ? 0 : timings_.redrawMs);
}

void TZemuMain::SyncNow() {
  redrawTimer_.stop();
  watch_->Sync();
  screen_->Sync();
}

void TZemuMain::RequestClose() {
  closePending_ = true;
  if (coreDepth_ == 0) QTimer::singleShot(0, this, &QWidget::close);
}

int TZemuMain::LineHeight() const { return screen_->fontMetrics().lineSpacing(); }

void TZemuMain::ArmAssistTimer(int milliseconds) {
  if (milliseconds <= 0) {
    assistTimer_.stop();
    return;
  }
  if (milliseconds == kAssistDelayStartup) milliseconds = timings_.assistStartupMs;
  if (milliseconds == kAssistDelayKey) milliseconds = timings_.assistKeyMs;
  assistTimer_.start(milliseconds);
}

// ---- Observer --------------------------------------------------------------

void TZemuMain::MainTitleChanged(const std::string& title) { setWindowTitle(ToQString(title)); }

void TZemuMain::RunStateChanged(RunState /*state*/) { UpdateMenuStates(); }

void TZemuMain::PromptShown() {
  if (!isVisible()) {
    ApplyPlace();
    show();
  }
  activateWindow();
  screen_->setFocus();
}

// ---- The Screen's input ----------------------------------------------------

void TZemuMain::TextTyped(const std::string& sjis) {
  InCore([this, &sjis] { TypeText(ctx_, sjis); });
}

void TZemuMain::KeyDown() { ComKeyDown(ctx_); }

void TZemuMain::TextDropped(const std::string& sjis) {
  InCore([this, &sjis] { MenuPaste(ctx_, sjis); });
}

void TZemuMain::ContextMenuRequested(const QPoint& globalPosition) {
  UpdateMenuStates();
  contextMenu_->popup(globalPosition);
}

// ---- Place and closing -----------------------------------------------------

void TZemuMain::ApplyPlace() {
  const WindowPlace& place = ctx_.mainForm.place;
  move(place.left, place.top);
  resize(place.width, place.height);
  placed_ = true;
}

void TZemuMain::NotePlace() {
  if (placed_) ctx_.mainForm.place = {y(), x(), height(), width()};
}

void TZemuMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  NotePlace();
}

void TZemuMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  NotePlace();
}

void TZemuMain::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (querying_) return;
  if (coreDepth_ > 0) {
    // A run is on the stack: it ends first, the window closes after it.
    closePending_ = true;
    AbortComputation(ctx_);
    return;
  }
  closePending_ = false;
  bool end = false;
  querying_ = true;
  emit endRequested();
  InCore([this, &end] { end = QueryEndProgram(ctx_); });
  querying_ = false;
  closePending_ = false;
  if (!end) return;
  event->accept();
  findDialog_->hide();
  aboutBox_->hide();
  emit ended();
}

// ---- Input conveniences ----------------------------------------------------

void TZemuMain::UseHistoryFile(const HistoryFile& file) {
  historyFile_ = file;
  std::string fault;
  if (file.error != 0) fault = HistoryFaultLine(ctx_, file, HistoryFault::Folder, file.error);
  if (const int error = LoadHistory(file, history_); error != 0) {
    fault = HistoryFaultLine(ctx_, file, HistoryFault::Unreadable, error);
  }
  if (!fault.empty()) InCore([this, &fault] { calc_.WriteError(fault); });
}

bool TZemuMain::CommandKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods =
      event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if (mods == Qt::ControlModifier && (event.key() == Qt::Key_Up || event.key() == Qt::Key_Down)) {
    RecallLine(event.key() == Qt::Key_Up);
  } else if (mods == Qt::ControlModifier && event.key() == Qt::Key_Space) {
    OfferCompletions();
  } else if (mods == Qt::NoModifier && event.key() == Qt::Key_F1) {
    HelpOnWord();
  } else {
    return false;
  }
  return true;
}

void TZemuMain::LineEntered(const std::string& typed) {
  history_.Add(typed);
  if (historyFile_.path.empty() || typed.empty()) return;
  // Appended at once, so that a run that is killed keeps its lines. A
  // failure is said once, after the line: the lines after it would only
  // repeat it.
  const int error = AppendHistory(historyFile_, typed);
  if (error != 0 && !historyFaultShown_) {
    historyFaultShown_ = true;
    historyFault_ = HistoryFaultLine(ctx_, historyFile_, HistoryFault::Unwritable, error);
  }
}

void TZemuMain::LineEnded(LineOutcome /*outcome*/, int /*errors*/) {
  if (!historyFault_.empty()) calc_.WriteError(std::exchange(historyFault_, {}));
}

void TZemuMain::RecallLine(bool older) {
  if (coreDepth_ > 0 || !TypingAtPrompt(ctx_)) return;
  // With older lines edited there is no line at the prompt to replace.
  const std::string& saved = ctx_.output.savedScreenText;
  if (ctx_.console.screen->Text().compare(0, saved.size(), saved) != 0) return;
  std::string shown = calc_.TypedLine();
  if (shown.starts_with("> ")) shown.erase(0, 2);
  const std::optional<std::string> line = older ? history_.Older(shown) : history_.Newer(shown);
  if (line) InCore([this, &line] { ReplaceTypedLine(ctx_, *line); });
}

void TZemuMain::OfferCompletions() {
  if (coreDepth_ > 0 || !TypingAtPrompt(ctx_)) return;
  const TextControl& screen = *ctx_.console.screen;
  const std::string text = screen.Text();
  const std::size_t caret = std::min(screen.SelectionStart(), text.size());
  // The line before the caret, without its prompt column.
  const std::size_t lineStart = caret - std::min(screen.CaretColumn(), caret);
  const std::size_t from = std::min(lineStart + 1, caret);
  const std::string before = text.substr(from, caret - from);
  offered_ = CompleteAt(ctx_, before);
  if (offered_.candidates.empty()) return;
  if (offered_.candidates.size() == 1) {
    InsertCompletion(0);
    return;
  }
  if (completion_ == nullptr) {
    completion_ = new CompletionPopup(screen_);
    connect(completion_, &CompletionPopup::picked, this, &TZemuMain::InsertCompletion);
  }
  SyncNow();
  const QRect caretRect = screen_->cursorRect();
  completion_->Offer(offered_.candidates, screen_->viewport()->mapToGlobal(caretRect.bottomLeft()));
}

void TZemuMain::InsertCompletion(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= offered_.candidates.size()) return;
  if (coreDepth_ > 0 || !TypingAtPrompt(ctx_)) return;
  const std::string& candidate = offered_.candidates[static_cast<std::size_t>(index)];
  std::string rest = candidate.substr(std::min(offered_.word.size(), candidate.size()));
  // A folder is not ended: its files come next.
  if (offered_.append != '\0' && !candidate.ends_with('/')) rest += offered_.append;
  InCore([this, &rest] { TypeText(ctx_, rest); });
  screen_->setFocus();
}

void TZemuMain::HelpOnWord() {
  if (coreDepth_ > 0) return;
  InCore([this] { MenuHelpOnWord(ctx_); });
}

}  // namespace zemu::gui
