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
#include <QRect>
#include <QSize>
#include <QTimer>
#include <array>
#include <string>
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
class QSplitter;

namespace zemu::gui {

class AboutBox;
class CompletionPopup;
class FindDialog;
class GraphWindows;
class WindowMemory;

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

// The console's first size, in columns and lines of its font.
inline constexpr int kConsoleColumns = 80;
inline constexpr int kConsoleLines = 25;
// The watch screen grows with its lines up to this many.
inline constexpr int kWatchLinesMax = 8;

// The sheet windows as the console's placing sees them.
class SheetPlacer {
 public:
  virtual ~SheetPlacer() = default;
  // The frame sizes of the sheets that the window is to place (no file and
  // no earlier session says where), in the store's order.
  virtual std::vector<QSize> SheetsToPlace() const = 0;
  // Places those beside the console's frame `console`, the others where
  // their files or the memory say; every sheet inside `available`.
  virtual void PlaceSheets(const QRect& console, const QRect& available) = 0;
};

class TZemuMain : public QMainWindow, public Observer, private ConsoleInput {
  Q_OBJECT

 public:
  explicit TZemuMain(const GuiTimings& timings = {});
  ~TZemuMain() override;

  Context& context() { return ctx_; }
  // The start-up (Calculator::Start), which shows the window at its first
  // prompt.
  void Start(const StartupOptions& options);

  // Where the font, the watch height and the places are remembered (null:
  // nowhere); the font and watch height are taken from it now. Before Start.
  void SetMemory(WindowMemory* memory);
  // Who places the sheet windows when the console is placed (null: nobody).
  void SetSheetPlacer(SheetPlacer* placer) { placer_ = placer; }
  // Notes the font, the watch height and the console's place in the memory.
  void Remember();

  QMenu* windowMenu() const { return windowMenu_; }
  QMenu* computeMenu() const { return computeMenu_; }
  QMenu* screenContextMenu() const { return contextMenu_; }
  // The menu bar's item for `command` (null when it has none).
  QAction* menuAction(MenuCommand command) const;
  ConsoleEdit* screenEdit() const { return screen_; }
  ConsoleEdit* watchEdit() const { return watch_; }
  QSplitter* splitter() const { return splitter_; }
  QLabel* statusLine(int line) const { return statusLines_[static_cast<std::size_t>(line - 1)]; }
  QWidget* statusPanel() const { return statusPanel_; }
  FindDialog* findDialog() const { return findDialog_; }
  GraphWindows* graphs() const { return graphs_; }
  AboutBox* aboutBox() const { return aboutBox_; }

  // The window and its text controls take `font`; the status panel grows
  // to three label heights and the padding.
  void ApplyFont(const QFont& font);

  // What the toolkit asks of the window.
  void SetStatusLine(int line, const QString& text);
  void SyncNow();          // both widgets show their models now
  void RequestClose();     // close once the current run has unwound
  int LineHeight() const;  // of the console font, in pixels
  // The window's size for `columns` by `lines` of the console font.
  QSize SizeFor(int columns, int lines) const;
  // The screen area the windows keep inside.
  QRect AvailableArea() const;
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

  // ":plot ..." entered at the prompt: draws the graph instead of running a
  // statement. False when the line at the caret is no such command.
  bool EnterPlotCommand();
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
  void KeepOnScreen();
  // The core asks the watch screen for `pixels` (its lines and half a line).
  void WatchHeightWanted(int pixels);
  void SetWatchHeight(int pixels);
  void WatchDragged();
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
  QSplitter* splitter_ = nullptr;  // the watch screen above the Screen
  WindowMemory* memory_ = nullptr;
  SheetPlacer* placer_ = nullptr;
  std::string initialFile_;  // whose MainForm keys place the window
  int watchWanted_ = 0;      // what the core last asked of the watch screen
  int watchDragged_ = 0;     // the height the user dragged it to; 0: it follows its lines
  bool settingWatch_ = false;
  QWidget* statusPanel_ = nullptr;
  std::array<QLabel*, 3> statusLines_{};
  std::vector<std::pair<MenuCommand, QAction*>> actions_;  // menu bar and context menu
  QMenu* windowMenu_ = nullptr;
  QMenu* computeMenu_ = nullptr;
  QMenu* contextMenu_ = nullptr;
  FindDialog* findDialog_ = nullptr;
  AboutBox* aboutBox_ = nullptr;
  GraphWindows* graphs_ = nullptr;
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
