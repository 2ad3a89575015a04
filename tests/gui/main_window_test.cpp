// The console window driven as a user would: keys, an input method, the
// clipboard, the menus, the find dialog and the close button, on the
// offscreen platform. Long runs are stopped, restarted and aborted from
// timers that fire while the run lets events through.
#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "commands/assist.h"
#include "commands/dispatcher.h"
#include "console/console.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "gui/dialogs.h"
#include "gui/qt_text.h"
#include "host/window_texts.h"
#include "support/scripted_toolkit.h"

using namespace zemu;
using namespace zemu::gui;

namespace {

constexpr GuiTimings kFastTimings{50, 20, 5};
constexpr const char* kFib = "fib(n)=if(n<2,n,fib(n-1)+fib(n-2))";

std::unique_ptr<TZemuMain> StartWindow(const std::string& initialFile = "/dev/null") {
  auto window = std::make_unique<TZemuMain>(kFastTimings);
  StartupOptions options;
  options.programPath = "/nonexistent/zemu";
  options.initialFile = initialFile;
  window->Start(options);
  return window;
}

QString ScreenText(TZemuMain& w) { return w.screenEdit()->toPlainText(); }

void Type(TZemuMain& w, const QString& keys) { QTest::keyClicks(w.screenEdit(), keys); }
void Enter(TZemuMain& w) { QTest::keyClick(w.screenEdit(), Qt::Key_Return); }
void Commit(TZemuMain& w, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(w.screenEdit(), &event);
}

// What the core's assist shows for `text` while Idle, as a status line.
QString AssistLine(const char* text, int line) {
  ScriptedToolkit toolkit;
  Context ctx(&toolkit);
  ShowPrompt(ctx);
  const char* cursor = text;
  ExecuteStatements(ctx, cursor);
  return ToQString(toolkit.statusLines[static_cast<std::size_t>(line - 1)]);
}

// Answers the next message box with `button` once it is open.
void AnswerNextQuestion(QMessageBox::StandardButton button) {
  QTimer::singleShot(20, [button] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return AnswerNextQuestion(button);
    box->button(button)->click();
  });
}

// Runs `steps` one after another, each `ms` after the one before, from the
// event loop (and so from inside a run that lets events through).
void Later(int ms, std::vector<std::function<void()>> steps) {
  if (steps.empty()) return;
  QTimer::singleShot(ms, [ms, steps]() mutable {
    auto step = steps.front();
    steps.erase(steps.begin());
    step();
    Later(ms, steps);
  });
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void typedLinesRunAsTheConsoleSays() {
    struct Case {
      const char* name;
      std::function<void(TZemuMain&)> act;
      QString screenEnd;
    };
    const Case cases[] = {
        {"result below the line",
         [](TZemuMain& w) {
           Type(w, "1+2;");
           Enter(w);
         },
         "\n> 1+2;\n  1+2=3  \n> "},
        {"Enter on an older line",
         [](TZemuMain& w) {
           Type(w, "1+2;");
           Enter(w);
           QTest::keyClick(w.screenEdit(), Qt::Key_Up);
           QTest::keyClick(w.screenEdit(), Qt::Key_Up);
           Enter(w);
         },
         "\n> 1+2;\n  1+2=3  \n> 1+2;\n  1+2=3  \n> "},
        {"& continues the line",
         [](TZemuMain& w) {
           Type(w, "1+&2;");
           QTest::keyClick(w.screenEdit(), Qt::Key_Up);
           Enter(w);
         },
         "\n> 1+&\n& 2;\n  1+&\n& 2=3  \n> "},
        {"full-width input is folded",
         [](TZemuMain& w) {
           Commit(w, "１＋２");
           Type(w, ";");
           Enter(w);
         },
         "\n> 1 +2;\n  1 +2=3  \n> "},
        {"kanji and katakana",
         [](TZemuMain& w) {
           Commit(w, "\"表ｿ\";");
           Enter(w);
         },
         "\n> \"表ｿ\";\n  表ｿ\n> "},
        {"Backspace takes a whole kanji",
         [](TZemuMain& w) {
           Commit(w, "1表");
           QTest::keyClick(w.screenEdit(), Qt::Key_Backspace);
           Type(w, "+1");
           Enter(w);
         },
         "\n> 1+1\n  1+1=2  \n> "},
        {"paste of several lines",
         [](TZemuMain& w) {
           QGuiApplication::clipboard()->setText("1+1;\n2+2;\n");
           w.menuAction(MenuCommand::EditPaste)->trigger();
         },
         "\n> 1+1;\n  1+1=2  \n> 2+2;\n  2+2=4  \n> "},
    };
    for (const Case& c : cases) {
      auto w = StartWindow();
      c.act(*w);
      QVERIFY2(ScreenText(*w).endsWith(c.screenEnd), qPrintable(c.name + (": " + ScreenText(*w))));
      QCOMPARE(ScreenText(*w), ToQString(w->context().console.screen->Text()));
      QCOMPARE(w->context().runState, RunState::Idle);
    }
  }

  void longRunsStopRestartAndAbortFromTheMenu() {
    // The help viewer waits for a key on its first page.
    QTemporaryDir dir;
    const QString helpFile = dir.filePath("zemu.ZHP");
    QVERIFY(QFile::copy(ZEMU_SOURCE_DIR "/data/zemu.ZHP", helpFile));
    const char* const runs[] = {".while 1;", ".for i,1,100000000; i;", "fib(60);", ".help"};
    for (const char* run : runs) {
      auto w = StartWindow();
      TZemuMain& win = *w;
      Context& ctx = win.context();
      ctx.settings.helpFileName = QFile::encodeName(helpFile).toStdString();
      Type(win, kFib);
      Enter(win);
      const std::size_t sheets = ctx.defines.sheets.size();
      QGuiApplication::clipboard()->setText("PASTED");
      bool checked = false;
      Later(60,
            {
                [&] {  // running: the idle-only items do nothing
                  QCOMPARE(ctx.runState, RunState::Running);
                  QVERIFY(win.computeMenu()->menuAction()->isEnabled());
                  for (MenuCommand command : {MenuCommand::EditPaste, MenuCommand::FileNew,
                                              MenuCommand::EditSelectAll, MenuCommand::EditFind}) {
                    QVERIFY(!win.menuAction(command)->isEnabled());
                    win.menuAction(command)->activate(QAction::Trigger);
                  }
                  QVERIFY(!win.findDialog()->isVisible());
                  QVERIFY(!MenuFindNext(ctx, "1"));
                  win.computeMenu()->popup(QPoint(0, 0));  // opening it is Stop
                },
                [&] {
                  QCOMPARE(ctx.runState, RunState::Paused);
                  QCOMPARE(win.statusLine(1)->text(), QString("  計算の実行が停止されています。"));
                  QVERIFY(win.statusLine(3)->text().contains("計算中止(A)"));
                  win.computeMenu()->hide();
                  win.menuAction(MenuCommand::ComputeRestart)->trigger();
                  QCOMPARE(ctx.runState, RunState::Running);
                  QCOMPARE(win.statusLine(1)->text(), QString());
                },
                [&] {
                  win.menuAction(MenuCommand::ComputeAbort)->trigger();
                  checked = true;
                },
            });
      Type(win, run);
      Enter(win);  // returns when the run has ended
      QVERIFY2(checked, run);
      QVERIFY2(ScreenText(win).endsWith("\n  ABORT: Abort by user.\n> "), run);
      QPlainTextEdit* screen = win.screenEdit();  // the prompt is in sight
      QVERIFY2(screen->viewport()->rect().contains(screen->cursorRect()), run);
      QVERIFY(!ScreenText(win).contains("PASTED"));
      QCOMPARE(ctx.defines.sheets.size(), sheets);
      QCOMPARE(ctx.runState, RunState::Idle);
      QVERIFY(!win.computeMenu()->menuAction()->isEnabled());
    }
  }

  // Whatever the console showed before, the help page is in view while it
  // waits for a key.
  void helpPageIsInViewWhileItWaits() {
    QTemporaryDir dir;
    const QString helpFile = dir.filePath("zemu.ZHP");
    QVERIFY(QFile::copy(ZEMU_SOURCE_DIR "/data/zemu.ZHP", helpFile));
    const struct {
      const char* name;
      const char* before;
      bool scrollUp;
    } cases[] = {
        {"fresh console", "", false},
        {"long output", ".for i,1,20000; i;", false},
        {"long output read from the top", ".for i,1,20000; i;", true},
    };
    for (const auto& c : cases) {
      auto w = StartWindow();
      TZemuMain& win = *w;
      win.context().settings.helpFileName = QFile::encodeName(helpFile).toStdString();
      QPlainTextEdit* screen = win.screenEdit();
      if (*c.before != '\0') {
        Type(win, c.before);
        Enter(win);
        QTest::qWait(20);  // the scroll bar comes into view: the lines wrap anew
        QVERIFY2(screen->viewport()->rect().contains(screen->cursorRect()), c.name);
      }
      if (c.scrollUp) screen->verticalScrollBar()->setValue(0);
      bool inView = false;
      Later(50, {[&] {
              QCOMPARE(win.context().console.keyWaitSlot, char{0});
              QVERIFY(ScreenText(win).endsWith("==Select==>? "));
              QScrollBar* bar = screen->verticalScrollBar();
              // At the end, or near it with the caret's line in full view.
              inView = bar->value() >= bar->maximum() - 1 &&
                       screen->viewport()->rect().contains(screen->cursorRect());
              QTest::keyClick(screen, Qt::Key_Escape);
            }});
      Type(win, ".help");
      Enter(win);  // returns when the viewer has ended
      QVERIFY2(inView, c.name);
    }
  }

  void windowTakesItsPlaceFromTheInitialFileBeforeShowing() {
    struct Case {
      const char* keys;
      QRect place;
    };
    const WindowPlace& design = kMainFormDesignPlace;
    for (const Case& c :
         {Case{"Top=0\r\nLeft=0\r\nHeight=300\r\nWidth=500\r\n", QRect(0, 0, 500, 300)},
          // No size given: 80 columns by 25 lines of the font.
          Case{"Top=abc\r\nLeft=10\r\n", QRect(10, design.top, 0, 0)}}) {
      QTemporaryDir dir;
      QFile ini(dir.filePath("zemu.INI"));
      QVERIFY(ini.open(QIODevice::WriteOnly));
      ini.write(QByteArray("[MainForm]\r\n") + c.keys);
      ini.close();
      auto w = StartWindow(QFile::encodeName(ini.fileName()).toStdString());
      QVERIFY(w->isVisible());
      const QSize size =
          c.place.isEmpty() ? w->SizeFor(kConsoleColumns, kConsoleLines) : c.place.size();
      QCOMPARE(QRect(w->pos(), w->size()), QRect(c.place.topLeft(), size));
    }
  }

  void findNextTwiceSelectsTheNextOccurrence() {
    auto w = StartWindow();
    Type(*w, "12+2;");
    Enter(*w);
    QTest::keyClick(w->screenEdit(), Qt::Key_Home, Qt::ControlModifier);
    w->menuAction(MenuCommand::EditFind)->trigger();
    FindDialog* find = w->findDialog();
    QVERIFY(find->isVisible());
    QCOMPARE(find->pos(), w->screen()->availableGeometry().topLeft());
    find->textEdit()->setText("+2");
    const TextControl& screen = *w->context().console.screen;
    const std::size_t lineStart = screen.Text().rfind("> 12+2;");
    // The third search finds nothing and leaves the selection.
    for (std::size_t expected : {lineStart + 4, lineStart + 13, lineStart + 13}) {
      find->findNextButton()->click();
      QCOMPARE(screen.SelectionStart(), expected);
      QCOMPARE(screen.SelectionLength(), std::size_t{2});
      const QTextCursor cursor = w->screenEdit()->textCursor();
      QCOMPARE(cursor.selectedText(), QString("+2"));
      QCOMPARE(std::size_t(cursor.selectionStart()), Utf16Offset(screen.Text(), expected));
    }
  }

  void closingAsksAboutUnsavedSheetsAndAbortsARunFirst() {
    auto w = StartWindow();
    QSignalSpy ended(w.get(), &TZemuMain::ended);
    w->show();
    Type(*w, "a=1");
    Enter(*w);  // the sheet now has an unsaved definition

    AnswerNextQuestion(QMessageBox::Cancel);
    w->close();
    QVERIFY(w->isVisible());
    QCOMPARE(ended.count(), 0);

    // Closed during a run: the run is aborted, then the question comes.
    AnswerNextQuestion(QMessageBox::Cancel);
    QTimer::singleShot(60, w.get(), &QWidget::close);
    Type(*w, ".while 1;");
    Enter(*w);
    QTRY_VERIFY(ScreenText(*w).endsWith("  ABORT: Abort by user.\n> "));
    QTest::qWait(200);
    QVERIFY(w->isVisible());
    QCOMPARE(ended.count(), 0);

    AnswerNextQuestion(QMessageBox::No);
    w->close();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!w->isVisible());
  }

  // Forget all warns; other questions ask. The open dialog offers its
  // pattern in the name field.
  void boxesShowTheirIconAndTheOpenDialogItsPattern() {
    auto w = StartWindow();
    Toolkit& toolkit = *w->context().toolkit;
    for (const bool warning : {true, false}) {
      QMessageBox::Icon icon = QMessageBox::NoIcon;
      QTimer::singleShot(20, [&icon] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        icon = box->icon();
        box->button(QMessageBox::No)->click();
      });
      const Answer answer =
          warning ? toolkit.AskWarning("t", "q") : toolkit.AskQuestion("t", "q", false);
      QCOMPARE(answer, Answer::No);
      QCOMPARE(icon, warning ? QMessageBox::Warning : QMessageBox::Question);
    }
    QString offered;
    QTimer::singleShot(20, [&offered] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      offered = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
      dialog->reject();
    });
    QCOMPARE(toolkit.OpenFileDialog({"t", "ZDF(*.ZDF)|*.ZDF", "ZDF", "*.ZDF"}), std::string());
    QCOMPARE(offered, QString("*.ZDF"));
  }

  void assistLinesFollowTheTimerAndGiveUpOnSlowFormulas() {
    auto w = StartWindow();
    QTRY_COMPARE(w->statusLine(1)->text(), AssistLine("", 1));  // after the start-up delay
    Type(*w, kFib);
    Enter(*w);
    Type(*w, "fib(40)");
    QElapsedTimer elapsed;
    elapsed.start();
    QTRY_COMPARE(w->statusLine(3)->text(), ToQString(kAssistNotComputed));
    QVERIFY(elapsed.elapsed() < 1000);
    Type(*w, ";1");
    QTRY_COMPARE(w->statusLine(3)->text(), QString("現在の計算結果は、1   です。"));
  }

  void menusFontWatchScreenAndAboutBox() {
    auto w = StartWindow();
    QCOMPARE(w->statusLine(3)->text(), ToQString(kProductStatusLine));
    QVERIFY(w->windowTitle().startsWith("ZEMU 2002 - "));
    const QList<QAction*> bar = w->menuBar()->actions();
    QCOMPARE(std::size_t(bar.size()), MainMenus().size());
    for (std::size_t m = 0; m < MainMenus().size(); ++m) {
      const Menu& menu = MainMenus()[m];
      QCOMPARE(bar[int(m)]->text(), ToQString(menu.caption));
      const QList<QAction*> items = bar[int(m)]->menu()->actions();
      QCOMPARE(std::size_t(items.size()), menu.items.size());
      for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& item = menu.items[i];
        QCOMPARE(items[int(i)]->isSeparator(), item.caption == nullptr);
        if (item.caption == nullptr) continue;
        QCOMPARE(items[int(i)]->text(), ToQString(item.caption));
        QCOMPARE(items[int(i)]->shortcut(), QKeySequence(QString::fromLatin1(item.shortcut)));
        QCOMPARE(items[int(i)]->isEnabled(), IsMenuCommandEnabled(w->context(), item.command));
      }
    }
    QCOMPARE(w->windowMenu()->title(), QString("ｳｨﾝﾄﾞｳ(&W)"));
    QCOMPARE(w->screenContextMenu()->actions().size(), int(ScreenContextMenu().size()));

    QFont font = DefaultConsoleFont();
    font.setPixelSize(20);
    w->ApplyFont(font);
    QCOMPARE(w->statusPanel()->height(), 3 * w->statusLine(1)->fontMetrics().height() + 10);

    Type(*w, "$w=1+1 'two");
    Enter(*w);
    QTRY_VERIFY(w->watchEdit()->isVisible());
    QCOMPARE(w->watchEdit()->toPlainText(), QString("  w=2  \t\t'two"));
    // The line and half a line, within the frame.
    QVERIFY(w->watchEdit()->height() >= int(w->LineHeight() * 1.5));
    QVERIFY(w->watchEdit()->height() < int(w->LineHeight() * 2.5));

    w->menuAction(MenuCommand::HelpAbout)->trigger();
    QVERIFY(w->aboutBox()->isVisible());
    QVERIFY(!w->aboutBox()->isModal());
    QVERIFY(w->aboutBox()->windowFlags() & Qt::WindowStaysOnTopHint);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
