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
#include <QSplitter>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "console/console.h"
#include "gui/completion_popup.h"
#include "gui/dialogs.h"
#include "gui/graph_windows.h"
#include "gui/qt_text.h"
#include "gui/window_memory.h"
#include "gui/window_places.h"
#include "host/output.h"
#include "host/window_texts.h"

namespace zemu::gui {

QFont DefaultConsoleFont() {
  QFont font;
  // VL Gothic draws the decimal point as a round dot that no one takes for
  // a comma at this size (IPAGothic's looks like one).
  font.setFamilies({QStringLiteral("VL Gothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                    QStringLiteral("IPAGothic"), QStringLiteral("monospace")});
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
  watch_->hide();
  watch_->setMinimumHeight(1);  // a text area would ask room for two scroll bars
  watch_->SetHeightHandler([this](int pixels) { WatchHeightWanted(pixels); });
  screen_ = new ConsoleEdit(screenText_, this);
  splitter_ = new QSplitter(Qt::Vertical);
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(watch_);
  splitter_->addWidget(screen_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  connect(splitter_, &QSplitter::splitterMoved, this, &TZemuMain::WatchDragged);
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
  layout->addWidget(splitter_, 1);
  layout->addWidget(statusPanel_);
  setCentralWidget(central);
  statusLines_[0]->setText(ToQString(kWelcomeStatusLine));
  statusLines_[2]->setText(ToQString(kProductStatusLine));

  BuildMenus();
  findDialog_ = new FindDialog(this);
  connect(findDialog_, &FindDialog::findNextRequested, this, &TZemuMain::FindNextRequested);
  aboutBox_ = new AboutBox(this);
  graphs_ = new GraphWindows(ctx_, this);
  graphs_->AddWindowMenuEntries(windowMenu_);
  ApplyFont(DefaultConsoleFont());

  assistTimer_.setSingleShot(true);
  connect(&assistTimer_, &QTimer::timeout, this,
          [this] { InCore([this] { AssistTimerTimer(ctx_); }); });
  redrawTimer_.setSingleShot(true);
  connect(&redrawTimer_, &QTimer::timeout, this, &TZemuMain::SyncNow);

  const WindowPlace& design = kMainFormDesignPlace;
  move(design.left, design.top);
  resize(SizeFor(kConsoleColumns, kConsoleLines));
  ctx_.mainForm.place.width = width();
  ctx_.mainForm.place.height = height();
  ctx_.observers.Add(this);
  UpdateMenuStates();
}

TZemuMain::~TZemuMain() { ctx_.observers.Remove(this); }

void TZemuMain::Start(const StartupOptions& options) {
  initialFile_ = InitialFileName(options);
  InCore([this, &options] { calc_.Start(options); });
}

void TZemuMain::SetMemory(WindowMemory* memory) {
  memory_ = memory;
  if (memory_ == nullptr) return;
  if (const std::optional<QFont> font = memory_->Font()) ApplyFont(*font);
  watchDragged_ = memory_->WatchHeight();
}

void TZemuMain::Remember() {
  if (memory_ == nullptr) return;
  memory_->NoteFont(screen_->font());
  memory_->NoteWatchHeight(watchDragged_);
  if (placed_) {
    memory_->NotePlace(QStringLiteral("console"),
                       WindowMemory::PlaceBasis(initialFile_, "MainForm"), QRect(pos(), size()));
  }
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
    case WindowGraph:
      graphs_->AskAndOpen({});
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
  if (watchWanted_ > 0 && watchDragged_ == 0) WatchHeightWanted(watchWanted_);
}

QSize TZemuMain::SizeFor(int columns, int lines) const {
  const QFontMetrics metrics(screen_->font());
  const int frame = 2 * screen_->frameWidth();
  const int margin = 2 * static_cast<int>(screen_->document()->documentMargin());
  const int bar = screen_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, screen_);
  return {columns * metrics.horizontalAdvance(QLatin1Char('0')) + frame + margin + bar,
          menuBar()->sizeHint().height() + lines * metrics.lineSpacing() + frame + margin +
              statusPanel_->height()};
}

QRect TZemuMain::AvailableArea() const {
  const QScreen* display = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  return display != nullptr ? display->availableGeometry() : QRect(0, 0, 1024, 768);
}

// ---- The watch screen --------------------------------------------------------

// The core asks for its lines and half a line: the watch screen shows them
// all, up to kWatchLinesMax, or keeps the height the user dragged it to. A
// request under one line (nothing watched) puts it away.
void TZemuMain::WatchHeightWanted(int pixels) {
  watchWanted_ = pixels;
  const int line = LineHeight();
  const int lines = std::min(pixels / line, kWatchLinesMax);  // (lines + 0.5) * line, cut
  if (lines <= 0) {
    watch_->hide();
    return;
  }
  watch_->show();
  const int frame =
      2 * (watch_->frameWidth() + static_cast<int>(watch_->document()->documentMargin()));
  SetWatchHeight(watchDragged_ > 0 ? watchDragged_ : lines * line + line / 2 + frame);
}

void TZemuMain::SetWatchHeight(int pixels) {
  QList<int> sizes = splitter_->sizes();
  const int total =
      sizes.size() == 2 && sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : splitter_->height();
  if (sizes.size() == 2 && sizes[0] == pixels) return;
  settingWatch_ = true;
  splitter_->setSizes({pixels, std::max(total - pixels, LineHeight())});
  settingWatch_ = false;
}

void TZemuMain::WatchDragged() {
  if (settingWatch_ || !watch_->isVisible()) return;
  watchDragged_ = splitter_->sizes().value(0);
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
    QTimer::singleShot(0, this, &TZemuMain::KeepOnScreen);
  }
  activateWindow();
  screen_->setFocus();
}

// ---- The Screen's input ----------------------------------------------------

void TZemuMain::TextTyped(const std::string& sjis) {
  if (sjis == "\r" && EnterPlotCommand()) return;
  InCore([this, &sjis] { TypeText(ctx_, sjis); });
}

bool TZemuMain::EnterPlotCommand() {
  static constexpr std::string_view kCommand = "> :plot";
  if (ctx_.runState != RunState::Idle) return false;
  const std::string text = screenText_.Text();
  const std::size_t lineStart = text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1;
  if (screenText_.SelectionStart() < lineStart) return false;  // Enter on an older line
  const std::string line = calc_.TypedLine();
  if (!line.starts_with(kCommand) ||
      (line.size() > kCommand.size() && line[kCommand.size()] != ' ')) {
    return false;
  }
  const std::size_t from = line.find_first_not_of(' ', kCommand.size());
  const std::string arguments = from == std::string::npos ? std::string() : line.substr(from);
  LineEntered(line.substr(2));  // recalled as any entered line
  InCore([&] {
    calc_.DropTypedLine();
    calc_.Write(ChannelEcho, "M :plot " + arguments + "\r\n");
    graphs_->Open(arguments);
  });
  return true;
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

// The first place: the remembered one while the initial file says what it
// said then, else what the file gives, else a place the window chooses with
// room for the sheets beside it; always inside the screen.
void TZemuMain::ApplyPlace() {
  const QRect available = AvailableArea();
  const MainFormState& form = ctx_.mainForm;
  QRect frame(QPoint(form.place.left, form.place.top),
              form.given.size ? QSize(form.place.width, form.place.height)
                              : SizeFor(kConsoleColumns, kConsoleLines));
  const std::optional<QRect> remembered =
      memory_ != nullptr ? memory_->Place(QStringLiteral("console"),
                                          WindowMemory::PlaceBasis(initialFile_, "MainForm"))
                         : std::nullopt;
  if (remembered) {
    frame = *remembered;
  } else if (!form.given.position) {
    frame = PlaceConsole(frame.size(),
                         placer_ != nullptr ? placer_->SheetsToPlace() : std::vector<QSize>{},
                         available);
  }
  frame = KeepInside(frame, available);
  move(frame.topLeft());
  resize(frame.size());
  placed_ = true;
  NotePlace();
  if (placer_ != nullptr) placer_->PlaceSheets(frame, available);
}

// Once shown, the window frame's size is known: the frame goes inside too.
void TZemuMain::KeepOnScreen() {
  const QRect frame = frameGeometry();
  const QRect inside = KeepInside(frame, AvailableArea());
  if (inside == frame) return;
  move(inside.topLeft());
  resize(size() - (frame.size() - inside.size()));
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
  calc_.OfferChangedSettings();
  InCore([this, &end] { end = QueryEndProgram(ctx_); });
  querying_ = false;
  closePending_ = false;
  if (!end) return;
  event->accept();
  findDialog_->hide();
  aboutBox_->hide();
  Remember();
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
