// TZemuMain, the console window: the WatchScreen, the Screen and the three
// status lines, the menus built from the core's tables, the assist timer,
// the find and font dialogs and the about box. It owns the program's
// Calculator (and so its Context); the core runs on the window's text models
// and reports back through the Observer calls, the widgets mirror the models.
//
// Other windows plug in from outside: the sheet windows observe the store
// (ctx.observers) and add their entries to windowMenu(); the options dialog
// is shown on optionsRequested().
#pragma once

#include <QFont>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <utility>
#include <vector>

#include "console/calculator.h"
#include "console/completion.h"
#include "console/console.h"
#include "console/line_history.h"
#include "console/menu.h"
#include "console/startup.h"
#include "gui/console_edit.h"
#include "gui/mirrored_text.h"
#include "gui/qt_toolkit.h"
#include "host/context.h"
#include "host/observer.h"

class QLabel;
class QMenu;

namespace zemu::gui {

class AboutBox;
class CompletionPopup;
class FindDialog;

// While a computation runs, the widgets are redrawn at most this often, so
// that a loop that prints on every pass is not slowed down by painting.
inline constexpr int kRedrawIntervalMs = 40;
// Room above and below the three status lines.
inline constexpr int kStatusPanelPadding = 10;

// The window's timer intervals; tests make them short.
struct GuiTimings {
  int assistStartupMs = kAssistDelayStartup;
  int assistKeyMs = kAssistDelayKey;
  int redrawMs = kRedrawIntervalMs;
};

// A monospaced Japanese font at 12 pixels.
QFont DefaultConsoleFont();

class TZemuMain : public QMainWindow, public Observer, private ConsoleInput {
  Q_OBJECT

 public:
  explicit TZemuMain(const GuiTimings& timings = {});
  ~TZemuMain() override;

  Context& context() { return ctx_; }
  // The start-up (Calculator::Start), which shows the window at its first
  // prompt.
  void Start(const StartupOptions& options);

  QMenu* windowMenu() const { return windowMenu_; }
  QMenu* computeMenu() const { return computeMenu_; }
  QMenu* screenContextMenu() const { return contextMenu_; }
  // The menu bar's item for `command` (null when it has none).
  QAction* menuAction(MenuCommand command) const;
  ConsoleEdit* screenEdit() const { return screen_; }
  ConsoleEdit* watchEdit() const { return watch_; }
  QLabel* statusLine(int line) const { return statusLines_[static_cast<std::size_t>(line - 1)]; }
  QWidget* statusPanel() const { return statusPanel_; }
  FindDialog* findDialog() const { return findDialog_; }
  AboutBox* aboutBox() const { return aboutBox_; }

  // The window and its text controls take `font`; the status panel grows
  // to three label heights and the padding.
  void ApplyFont(const QFont& font);

  // What the toolkit asks of the window.
  void SetStatusLine(int line, const QString& text);
  void SyncNow();          // both widgets show their models now
  void RequestClose();     // close once the current run has unwound
  int LineHeight() const;  // of the console font, in pixels
  void ArmAssistTimer(int milliseconds);

  // Recall of entered lines: the history file shared with the terminal is
  // read now and each line entered from now on is appended to it; a
  // failure is said on the console. Without a call, lines are recalled
  // from this run only.
  void UseHistoryFile(const HistoryFile& file);
  const LineHistory& lineHistory() const { return history_; }
  CompletionPopup* completionPopup() const { return completion_; }

 signals:
  // オプション設定(&O)... was chosen.
  void optionsRequested();
  // The program is about to ask whether it may end: pending edits go in now.
  void endRequested();
  // The window closed: the program ends.
  void ended();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Observer
  void MainTitleChanged(const std::string& title) override;
  void RunStateChanged(RunState state) override;
  void PromptShown() override;
  // ConsoleInput
  void TextTyped(const std::string& sjis) override;
  void KeyDown() override;
  void TextDropped(const std::string& sjis) override;
  void ContextMenuRequested(const QPoint& globalPosition) override;
  bool CommandKey(const QKeyEvent& event) override;

  // Input conveniences: recall, completion, help on a word, and the
  // history file (LineEntered and LineEnded, of the Observer).
  void LineEntered(const std::string& typed) override;
  void LineEnded(LineOutcome outcome, int errors) override;
  void RecallLine(bool older);
  void OfferCompletions();
  void InsertCompletion(int index);
  void HelpOnWord();

  void BuildMenus();
  QAction* AddMenuItem(QMenu* menu, const MenuItem& item, bool windowShortcut);
  void RunCommand(MenuCommand command);
  void UpdateMenuStates();
  void ScheduleRedraw();
  void FindNextRequested(const QString& text);
  void ChooseFont();
  void ShowFindDialog();
  void ApplyPlace();
  void NotePlace();
  // Runs a call into the core: the widgets are redrawn after it, and a close
  // asked for meanwhile is carried out once the outermost call returns.
  template <typename Call>
  void InCore(Call&& call);

  GuiTimings timings_;
  QtToolkit toolkit_;
  MirroredText screenText_;
  MirroredText watchText_;
  Calculator calc_;  // the core, on the two text models
  Context& ctx_;     // calc_'s
  ConsoleEdit* watch_ = nullptr;
  ConsoleEdit* screen_ = nullptr;
  QWidget* statusPanel_ = nullptr;
  std::array<QLabel*, 3> statusLines_{};
  std::vector<std::pair<MenuCommand, QAction*>> actions_;  // menu bar and context menu
  QMenu* windowMenu_ = nullptr;
  QMenu* computeMenu_ = nullptr;
  QMenu* contextMenu_ = nullptr;
  FindDialog* findDialog_ = nullptr;
  AboutBox* aboutBox_ = nullptr;
  QTimer assistTimer_;
  QTimer redrawTimer_;
  int coreDepth_ = 0;          // calls into the core on the stack
  bool closePending_ = false;  // close when the outermost call returns
  bool querying_ = false;      // the end-of-program questions are open
  bool placed_ = false;        // the model's place was applied
  LineHistory history_;
  HistoryFile historyFile_;         // no path: lines are not kept
  std::string historyFault_;        // an error line still to be said
  bool historyFaultShown_ = false;  // a failed append was said: the next ones are not
  CompletionPopup* completion_ = nullptr;
  CompletionOffer offered_;  // what the popup shows
};

}  // namespace zemu::gui
