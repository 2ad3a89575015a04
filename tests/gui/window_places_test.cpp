// Where the windows go, what they remember between sessions, and the watch
// screen's splitter.
#include "gui/window_places.h"

#include <QFile>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include "gui/main_window.h"
#include "gui/window_memory.h"

namespace zemu::gui {
namespace {

constexpr GuiTimings kFastTimings{1, 1, 0};

std::unique_ptr<TZemuMain> StartWindow(const QString& initialFile, WindowMemory* memory) {
  auto window = std::make_unique<TZemuMain>(kFastTimings);
  window->SetMemory(memory);
  StartupOptions options;
  options.programPath = "/nonexistent/zemu";
  options.initialFile = QFile::encodeName(initialFile).toStdString();
  window->Start(options);
  return window;
}

void WriteIni(const QString& name, const QByteArray& mainForm) {
  QFile ini(name);
  QVERIFY(ini.open(QIODevice::WriteOnly));
  ini.write("=-=-=-= ZEMU Initial Define File =-=-=-=\r\n[MainForm]\r\n" + mainForm);
}

}  // namespace

class WindowPlacesTest : public QObject {
  Q_OBJECT

 private slots:
  // The console and the two start-up sheets, on a large screen, a screen at
  // scale 2 and a small one: all inside, and beside the console where the
  // screen has room for it.
  void windowsStayOnScreenAndOffTheConsole() {
    const QSize console(600, 460);
    const std::vector<QSize> sheets{{480, 240}, {640, 360}};
    const struct {
      QRect screen;
      bool roomBeside;
    } cases[] = {{{0, 0, 1280, 1024}, true},
                 {{0, 24, 640, 488}, false},
                 {{0, 0, 1024, 600}, false},
                 {{100, 0, 1920, 1080}, true}};
    for (const auto& c : cases) {
      const QRect placed = PlaceConsole(console, sheets, c.screen);
      QVERIFY(c.screen.contains(placed));
      const std::vector<QRect> frames = ArrangeSheets(placed, sheets, 0, c.screen);
      QCOMPARE(frames.size(), sheets.size());
      for (std::size_t i = 0; i < frames.size(); ++i) {
        QVERIFY(c.screen.contains(frames[i]));
        QCOMPARE(frames[i].intersects(placed), !c.roomBeside);
        if (c.roomBeside) QCOMPARE(frames[i].size(), sheets[i]);
      }
    }
    QCOMPARE(KeepInside(QRect(-50, 900, 300, 300), QRect(0, 0, 800, 600)), QRect(0, 300, 300, 300));
    QCOMPARE(KeepInside(QRect(10, 10, 900, 700), QRect(0, 0, 800, 600)), QRect(0, 0, 800, 600));
  }

  // The font, the dragged watch height and the console's place come back at
  // the next start, until the initial file names another place.
  void fontPlaceAndWatchHeightAreRemembered() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("zemu.INI");
    WriteIni(ini, "");
    QFont font = DefaultConsoleFont();
    font.setPixelSize(16);
    {
      WindowMemory memory(dir.filePath("window.ini"));
      auto w = StartWindow(ini, &memory);
      QCOMPARE(w->size(), w->SizeFor(kConsoleColumns, kConsoleLines));
      w->ApplyFont(font);
      w->move(20, 30);
      w->resize(500, 400);
      QTest::keyClicks(w->screenEdit(), "$a=1;$b=2;$c=3;");
      QTest::keyClick(w->screenEdit(), Qt::Key_Return);
      // Three lines shown whole, then a height of the user's.
      QTRY_VERIFY(w->watchEdit()->isVisible());
      QVERIFY(w->watchEdit()->height() >= 3 * w->LineHeight());
      QVERIFY(w->watchEdit()->height() < int(4.5 * w->LineHeight()));
      w->splitter()->setSizes({90, 200});
      emit w->splitter()->splitterMoved(90, 1);
      QTest::keyClicks(w->screenEdit(), "$d=4;");
      QTest::keyClick(w->screenEdit(), Qt::Key_Return);
      QCOMPARE(w->watchEdit()->height(), 90);
      w->Remember();
      QString why;
      QVERIFY(memory.Save(why));
    }
    WindowMemory memory(dir.filePath("window.ini"));
    auto w = StartWindow(ini, &memory);
    QCOMPARE(w->screenEdit()->font().pixelSize(), 16);
    QCOMPARE(QRect(w->pos(), w->size()), QRect(20, 30, 500, 400));
    QTest::keyClicks(w->screenEdit(), "$a=1;");
    QTest::keyClick(w->screenEdit(), Qt::Key_Return);
    QTRY_COMPARE(w->watchEdit()->height(), 90);
    // A place written into the file since then has the last word.
    WriteIni(ini, "Top=5\r\nLeft=6\r\nHeight=300\r\nWidth=400\r\n");
    auto again = StartWindow(ini, &memory);
    QCOMPARE(QRect(again->pos(), again->size()), QRect(6, 5, 400, 300));
  }
};

}  // namespace zemu::gui

QTEST_MAIN(zemu::gui::WindowPlacesTest)
#include "window_places_test.moc"
