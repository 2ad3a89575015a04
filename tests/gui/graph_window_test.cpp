// The graph window: opened by ":plot" at the prompt and from a sheet row,
// zoomed and panned, exported as PNG and SVG.
#include "gui/graph_window.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "definitions/store.h"
#include "gui/graph_windows.h"
#include "gui/main_window.h"
#include "gui/sheet_model.h"
#include "gui/sheet_window.h"
#include "gui/sheet_windows.h"

namespace zemu::gui {
namespace {

constexpr GuiTimings kFastTimings{1, 1, 0};

void Enter(TZemuMain& w, const QString& line) {
  QTest::keyClicks(w.screenEdit(), line);
  QTest::keyClick(w.screenEdit(), Qt::Key_Return);
}

}  // namespace

class GraphWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void plotTypedAtThePromptDrawsAndExports() {
    TZemuMain w(kFastTimings);
    StartupOptions options;
    options.programPath = "/nonexistent/zemu";
    options.initialFile = "/dev/null";
    w.Start(options);
    Enter(w, "g(x[m])=1/x");
    Enter(w, ":plot g -2 2");
    QCOMPARE(w.graphs()->windows().size(), std::size_t{1});
    GraphWindow& graph = *w.graphs()->windows().front();
    QVERIFY(w.screenEdit()->toPlainText().endsWith("M :plot g -2 2\n> "));
    // The pole splits the curve; the parameter's unit labels the x axis.
    const PlotSeries& series = graph.plot().series.front();
    QCOMPARE(series.xUnit, std::string("[m]"));
    QCOMPARE(Branches(series.points).size(), std::size_t{2});

    graph.Zoom(0.5, 1.0, false);
    QCOMPARE(graph.plot().x.low, -0.5);
    QCOMPARE(graph.plot().x.high, 1.5);
    graph.Pan(0.5, 0);
    QCOMPARE(graph.plot().x.high, 2.0);
    QVERIFY(!graph.plot().series.front().points.empty());

    QTemporaryDir dir;
    QString why;
    const QString png = dir.filePath("g.png");
    QVERIFY2(graph.ExportPng(png, QSize(400, 300), why), qPrintable(why));
    QCOMPARE(QImage(png).size(), QSize(400, 300));
    QVERIFY(!graph.ExportPng(dir.filePath("none/g.png"), QSize(40, 30), why));
    QVERIFY(!why.isEmpty());
    const QString svg = dir.filePath("g.svg");
    QVERIFY(graph.ExportSvg(QFile::encodeName(svg).toStdString()));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<path"));

    // Not a statement only at the prompt: an unknown function is reported.
    Enter(w, ":plot nosuch 0 1");
    QCOMPARE(w.graphs()->windows().size(), std::size_t{1});
  }

  void sheetRowAsksForItsFunction() {
    TZemuMain w(kFastTimings);
    SheetWindows sheets(w.context(), &w);
    QString asked = QStringLiteral("none");
    sheets.SetGraphHandler([&](const QString& name) {
      asked = name;
      // The dialog comes preset with the row's function; OK draws it.
      QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<PlotDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->functionsEdit()->text(), QString("f"));
        dialog->accept();
      });
      w.graphs()->AskAndOpen(name);
    });
    StartupOptions options;
    options.programPath = "/nonexistent/zemu";
    options.initialFile = "/dev/null";
    w.Start(options);
    Enter(w, "f(x)=sin(x)/x");
    TDefine& sheet = CurrentSheet(w.context());
    SheetWindow* window = sheets.WindowOf(sheet);
    QVERIFY(window != nullptr);
    window->grid()->setCurrentIndex(window->model()->index(1, 0));
    window->RunCommand(MenuCommand::SheetGraph);
    QCOMPARE(asked, QString("f"));
    QCOMPARE(w.graphs()->windows().size(), std::size_t{1});
    QTemporaryDir dir;
    QString why;
    QVERIFY(w.graphs()->windows().front()->ExportPng(dir.filePath("f.png"), QSize(320, 200), why));
    QCOMPARE(QImage(dir.filePath("f.png")).size(), QSize(320, 200));

    PlotDialog dialog(&w);
    dialog.functionsEdit()->setText(QStringLiteral("f, g"));
    dialog.fromEdit()->setText(QStringLiteral("-20"));
    QCOMPARE(dialog.Arguments(), std::string("f,g -20 10"));
  }
};

}  // namespace zemu::gui

QTEST_MAIN(zemu::gui::GraphWindowTest)
#include "graph_window_test.moc"
