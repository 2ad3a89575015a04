// The console window's input conveniences, driven with keys and clicks on
// the offscreen platform: recalling entered lines from the history file the
// terminal shares, the completion list, help on the word under the caret,
// copying the last result, and the click that only brings the window up.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <functional>
#include <memory>

#include "gui/completion_popup.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "platform/history_lines.h"

using namespace zemu;
using namespace zemu::gui;

namespace {

constexpr GuiTimings kFastTimings{50, 20, 5};

std::unique_ptr<TZemuMain> StartWindow() {
  auto window = std::make_unique<TZemuMain>(kFastTimings);
  StartupOptions options;
  options.programPath = "/nonexistent/zemu";
  options.initialFile = "/dev/null";
  window->Start(options);
  return window;
}

QString ScreenText(TZemuMain& w) { return w.screenEdit()->toPlainText(); }
void Type(TZemuMain& w, const QString& keys) { QTest::keyClicks(w.screenEdit(), keys); }
void Key(TZemuMain& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(w.screenEdit(), key, mods);
}
void Commit(TZemuMain& w, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(w.screenEdit(), &event);
}
void Enter(TZemuMain& w, const QString& text) {
  Commit(w, text);
  Key(w, Qt::Key_Return);
}

// Runs `step` from the event loop once the help viewer waits for a key.
void WhenHelpWaits(TZemuMain& w, std::function<void()> step) {
  QTimer::singleShot(20, [&w, step] {
    if (w.context().console.keyWaitSlot != 0) return WhenHelpWaits(w, step);
    step();
  });
}

}  // namespace

class ConsoleInputTest : public QObject {
  Q_OBJECT

 private slots:
  void ctrlUpAndDownRecallLinesSharedWithTheTerminal() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    QVERIFY(QDir(data.path()).mkpath("zemu"));
    const QString path = data.filePath("zemu/history");
    {
      // As the terminal writes it: UTF-8 lines, escaped.
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("_HiStOrY_V2_\n1+2;\n\"\\350\\241\\250\"\\073\n");
    }
    auto w = StartWindow();
    w->UseHistoryFile(FindHistoryFile(w->context()));
    QCOMPARE(w->lineHistory().entries().size(), std::size_t{2});

    Type(*w, "dr");
    const QString before = ScreenText(*w);
    Key(*w, Qt::Key_Up);  // the plain arrow moves the caret
    QCOMPARE(ScreenText(*w), before);
    Key(*w, Qt::Key_End, Qt::ControlModifier);
    const struct {
      Qt::Key key;
      QString prompt;
    } steps[] = {
        {Qt::Key_Up, "> \"表\";"},   {Qt::Key_Up, "> 1+2;"}, {Qt::Key_Up, "> 1+2;"},
        {Qt::Key_Down, "> \"表\";"}, {Qt::Key_Down, "> dr"}, {Qt::Key_Down, "> dr"},
    };
    for (const auto& step : steps) {
      Key(*w, step.key, Qt::ControlModifier);
      QVERIFY2(ScreenText(*w).endsWith("\n" + step.prompt), qPrintable(ScreenText(*w)));
      QCOMPARE(ScreenText(*w), ToQString(w->context().console.screen->Text()));
    }
    Key(*w, Qt::Key_Up, Qt::ControlModifier);
    Type(*w, "+1");  // typing goes on at the end of the recalled line
    Key(*w, Qt::Key_Return);
    QVERIFY(ScreenText(*w).endsWith("\n> \"表\";+1\n  表+1=1  \n> "));
    std::vector<std::string> lines;
    QCOMPARE(ReadHistoryLines(QFile::encodeName(path).toStdString(), lines), 0);
    QCOMPARE(lines.back(), std::string("\"\xE8\xA1\xA8\";+1"));
    Key(*w, Qt::Key_Up, Qt::ControlModifier);
    QVERIFY(ScreenText(*w).endsWith("\n> \"表\";+1"));
    qunsetenv("XDG_DATA_HOME");
  }

  // A history file that cannot be kept is said once, with its reason; the
  // lines are still recalled in this run.
  void historyFaultsAreSaidOnce() {
    auto w = StartWindow();
    w->UseHistoryFile({"/nonexistent/zemu/history", false, "/nonexistent", ENOENT});
    QVERIFY(ScreenText(*w).contains("履歴のフォルダ /nonexistent を作れません"));
    Enter(*w, "1;");
    Enter(*w, "2;");
    QCOMPARE(ScreenText(*w).count("履歴ファイル /nonexistent/zemu/history に書き込めません（"), 1);
    Key(*w, Qt::Key_Up, Qt::ControlModifier);
    QVERIFY(ScreenText(*w).endsWith("\n> 2;"));
  }

  void ctrlSpaceOffersTheCompletions() {
    auto w = StartWindow();
    for (const char* line : {"表あ=1", "表い=2", "zeta9=3"}) Enter(*w, line);
    Type(*w, "1+zet");
    Key(*w, Qt::Key_Space, Qt::ControlModifier);  // one candidate goes in at once
    QVERIFY(ScreenText(*w).endsWith("\n> 1+zeta9"));
    QVERIFY(w->completionPopup() == nullptr || !w->completionPopup()->isVisible());

    Commit(*w, "+表");
    Key(*w, Qt::Key_Space, Qt::ControlModifier);
    CompletionPopup* popup = w->completionPopup();
    QVERIFY(popup != nullptr && popup->isVisible());
    QCOMPARE(popup->count(), 2);
    QCOMPARE(popup->item(0)->text(), QString("表あ"));
    QCOMPARE(popup->item(1)->text(), QString("表い"));
    QTest::keyClick(popup, Qt::Key_Escape);
    QVERIFY(!popup->isVisible());
    QVERIFY(ScreenText(*w).endsWith("\n> 1+zeta9+表"));

    Key(*w, Qt::Key_Space, Qt::ControlModifier);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Tab);
    QVERIFY(!popup->isVisible());
    Key(*w, Qt::Key_Return);
    QVERIFY2(ScreenText(*w).endsWith("\n> 1+zeta9+表い\n  1+zeta9+表い=6  \n> "),
             qPrintable(ScreenText(*w)));
    // A key that types closes the list and goes to the Screen.
    Type(*w, ".el");
    Key(*w, Qt::Key_Space, Qt::ControlModifier);
    QVERIFY(popup->isVisible());
    QTest::keyClicks(popup, "s");
    QVERIFY(!popup->isVisible());
    QVERIFY(ScreenText(*w).endsWith("\n> .els"));
  }

  void f1ShowsTheHelpPageOfTheWordUnderTheCaret() {
    QTemporaryDir dir;
    const QString helpFile = dir.filePath("zemu.ZHP");
    QVERIFY(QFile::copy(ZEMU_SOURCE_DIR "/data/zemu.ZHP", helpFile));
    const struct {
      QString typed;
      int left;  // caret moves to the left before F1
      QString page;
    } cases[] = {
        {".for i,1,2", 7, ".for for 【 .for  回数の繰返し 】"},
        {"1[m]/単位", 0, "unit 単位 【 単位付きの数値 】"},
        {"xyzzy", 2, "menu 目次 【 ZEMU 目次 】"},
    };
    for (const auto& c : cases) {
      auto w = StartWindow();
      w->context().settings.helpFileName = QFile::encodeName(helpFile).toStdString();
      Commit(*w, c.typed);
      for (int i = 0; i < c.left; ++i) Key(*w, Qt::Key_Left);
      QString shown;
      WhenHelpWaits(*w, [&] {
        shown = ScreenText(*w);
        Key(*w, Qt::Key_Escape);
      });
      Key(*w, Qt::Key_F1);  // returns when the viewer has ended
      QVERIFY2(shown.contains("=\n" + c.page + "\n"), qPrintable(c.typed + ": " + shown));
      // The typing comes back below the viewer's output, as it was.
      QVERIFY2(ScreenText(*w).endsWith("\n> " + c.typed), qPrintable(ScreenText(*w)));
    }
  }

  void copyResultPutsTheLastValueOnTheClipboard() {
    auto w = StartWindow();
    QAction* copy = w->menuAction(MenuCommand::EditCopyResult);
    QVERIFY(copy != nullptr);
    QCOMPARE(copy->shortcut(), QKeySequence("Ctrl+Shift+C"));
    QVERIFY(!copy->isEnabled());
    QGuiApplication::clipboard()->setText("before");
    Enter(*w, "1[m]+2[m];");
    Enter(*w, "\"text\";");
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("3[m]"));
  }

  void clickThatRaisesTheWindowKeepsTheCaret() {
    const struct {
      const char* name;
      bool activeBefore;
      int activationMs;
      bool caretMoves;
    } cases[] = {
        {"inactive window", false, 0, false},
        {"just activated", true, 3600 * 1000, false},
        {"active window", true, 0, true},
    };
    for (const auto& c : cases) {
      auto w = StartWindow();
      ConsoleEdit* screen = w->screenEdit();
      screen->SetActivationClickMs(c.activationMs);
      Enter(*w, "1+2;");
      Type(*w, "4");
      QWidget other;
      other.show();
      other.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&other));
      if (c.activeBefore) {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
      }
      // A click on the result line, well above the prompt.
      const std::size_t end = w->context().console.screen->SelectionStart();
      QTextCursor onResult(
          screen->document()->findBlockByNumber(screen->document()->blockCount() - 2));
      const QPoint at = screen->cursorRect(onResult).center();
      QTest::mouseClick(screen->viewport(), Qt::LeftButton, Qt::NoModifier, at);
      const std::size_t caret = w->context().console.screen->SelectionStart();
      QVERIFY2((caret != end) == c.caretMoves, c.name);
      Type(*w, "5");
      QVERIFY2(ScreenText(*w).endsWith("> 45") != c.caretMoves, c.name);
    }
  }
};

QTEST_MAIN(ConsoleInputTest)
#include "console_input_test.moc"
