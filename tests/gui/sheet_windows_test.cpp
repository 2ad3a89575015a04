// The sheet windows over a program with a scripted toolkit: the grid
// following the store, in-place edits applied when the grid is left, the
// close question, resizing, the window-menu entries, the layout's round trip
// through a file, and a long loop reaching the grid as one change.
#include "gui/sheet_windows.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "console/console.h"
#include "console/menu.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "gui/qt_text.h"
#include "gui/sheet_model.h"
#include "gui/sheet_window.h"
#include "sheet/sheet_ops.h"
#include "sheet/sheet_test_util.h"

namespace zemu::gui {
namespace {

using sheet_test::ReadFile;
using sheet_test::RecordingToolkit;
using sheet_test::WriteFile;

// A program as the window runs it: a plain widget stands for the main window
// and its line edit for the console, the sheets' windows follow the store.
struct Program {
  RecordingToolkit toolkit;
  Context ctx{&toolkit};
  QWidget owner;
  QLineEdit* console = new QLineEdit(&owner);
  SheetWindows windows{ctx, &owner};

  // Opens `count` new sheets as start-up would, then shows the first prompt.
  explicit Program(int count = 2) {
    owner.setGeometry(600, 100, 300, 200);
    owner.show();
    for (int i = 0; i < count; ++i) OpenSheet(ctx, "");
    ShowPrompt(ctx);
    FocusConsole();
  }
  TDefine& Sheet(int index) { return *ctx.defines.sheets.at(static_cast<std::size_t>(index)); }
  SheetWindow& Window(int index) { return *windows.WindowOf(Sheet(index)); }
  // A line typed at the console and entered.
  void Type(const std::string& line) {
    TypeText(ctx, line + "\r");
    QCoreApplication::processEvents();
  }
  QString Screen() const { return ToQString(ctx.console.screen->Text()); }
  void FocusConsole() {
    QApplication::setActiveWindow(&owner);
    console->setFocus();
    QCoreApplication::processEvents();
  }
};

QStringList Column(const QAbstractItemModel& model, int column) {
  QStringList cells;
  for (int row = 0; row < model.rowCount(); ++row)
    cells << model.index(row, column).data().toString();
  return cells;
}

// How a test leaves an edited cell.
constexpr int kFocusElsewhere = 0;
constexpr int kOtherWindow = 1;
constexpr int kEditorOpen = 2;

// Every cell the model shows is the store's cell one row further down.
bool ShowsStore(const SheetModel& model, const TDefine& sheet) {
  if (model.rowCount() != sheet.RowCount() - 1) return false;
  for (int row = 0; row < model.rowCount(); ++row) {
    for (int column = 0; column < kColumnCount; ++column) {
      if (model.index(row, column).data().toString() !=
          ToQString(SheetCellText(sheet, row + 1, column))) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

class SheetWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void gridFollowsTheStore();
  void newSheetWindow();
  void editsApplyWhenTheGridIsLeft_data();
  void editsApplyWhenTheGridIsLeft();
  void cursorStaysInTheDefinitionColumn();
  void closeAsksOnlyAboutChanges();
  void resizeGivesTheDefinitionColumnTheRest();
  void windowMenuEntriesHideAndShow();
  void layoutRoundTrip();
  void loopReachesTheGridAsOneChange();
  void gridUpdatesTheRowsThatChanged();
  void rowsAddedWhileHiddenComeAtOnce();
};

// Statements typed one after another; after each the grid shows the store.
void SheetWindowsTest::gridFollowsTheStore() {
  const std::pair<const char*, QStringList> steps[] = {
      {"f(x)=x*2", {"f", ""}},
      {"g(x)=f(x)+1;g(2)", {"f", "g", ""}},       // values computed
      {"f<3", {"f", "f", "g", ""}},               // a row opened between two
      {"f(x)=x*3", {"f", "g", ""}},               // and taken out again; 再計算
      {"h(x)=x;h(1);.delete g", {"f", "h", ""}},  // a changed row moves up unseen
  };
  Program p(1);
  SheetModel& model = *p.Window(0).model();
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  for (const auto& [statement, names] : steps) {
    p.Type(statement);
    QCOMPARE(Column(model, NameColumn), names);
    QVERIFY2(ShowsStore(model, p.Sheet(0)), statement);
  }
}

void SheetWindowsTest::newSheetWindow() {
  Program p;
  SheetWindow& first = p.Window(0);
  QCOMPARE(first.windowTitle(), QStringLiteral(" ZEMU 定義式 -- ZEMU0.ZDF"));
  QCOMPARE(p.Window(1).windowTitle(), QStringLiteral(" ZEMU 定義式 -- ZEMU1.ZDF"));
  QVERIFY(first.isVisible());
  QVERIFY(first.isWindow() && first.parentWidget() == &p.owner);
  const Qt::WindowFlags flags = first.windowFlags();
  QVERIFY(flags & Qt::WindowMinimizeButtonHint);
  QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint)));
  SheetGrid& grid = *first.grid();
  QCOMPARE(grid.model()->rowCount(), 1);
  QCOMPARE(grid.rowHeight(0), 20);
  QCOMPARE(grid.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QVERIFY(grid.showGrid() && grid.verticalHeader()->isHidden());
  QList<int> widths;
  for (int column = 0; column < kColumnCount; ++column) widths << grid.columnWidth(column);
  QCOMPARE(widths, (QList<int>{64, 64, 64, 256}));
  QCOMPARE(grid.model()->headerData(TextColumn, Qt::Horizontal).toString(), QStringLiteral("定義"));
  // The first save asks for a name, offering the generated one; a
  // cancelled dialog saves and echoes nothing.
  const QString before = p.Screen();
  first.RunCommand(MenuCommand::SheetSave);
  QCOMPARE(p.toolkit.offeredNames, std::vector<std::string>{"ZEMU0.ZDF"});
  QCOMPARE(p.Screen(), before);
}

void SheetWindowsTest::editsApplyWhenTheGridIsLeft_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("leave");
  QTest::addColumn<QString>("echo");
  QTest::addColumn<QStringList>("definitions");
  QTest::newRow("replaced") << 0 << "f(x)=x*3" << kOtherWindow << "M f(x)=x*3\n"
                            << QStringList{"f(x)=x*3", "g(x)=x+1", "k=1+\n2", ""};
  QTest::newRow("emptied") << 0 << "  " << kFocusElsewhere << "M .Delete f\n"
                           << QStringList{"g(x)=x+1", "k=1+\n2", ""};
  // The editor shows a line break as one character: leaving it unchanged is no edit.
  QTest::newRow("line break unchanged") << 2 << "k=1+\n2" << kFocusElsewhere << ""
                                        << QStringList{"f(x)=x*2", "g(x)=x+1", "k=1+\n2", ""};
  QTest::newRow("typed into the empty row")
      << 3 << "h<6*7" << kEditorOpen << "M h<6*7\n  h=42  \n"
      << QStringList{"f(x)=x*2", "g(x)=x+1", "k=1+\n2", "h<42 ", ""};
}

void SheetWindowsTest::editsApplyWhenTheGridIsLeft() {
  QFETCH(int, row);
  QFETCH(QString, text);
  QFETCH(int, leave);
  QFETCH(QString, echo);
  QFETCH(QStringList, definitions);
  Program p(1);
  p.Type("f(x)=x*2;g(x)=x+1");
  StoreDefinition(p.ctx, p.Sheet(0), std::make_shared<Definition>("k=1+\r\n2"));
  TypeText(p.ctx, "abc");  // typed, not entered: the line stays as it is
  SheetWindow& window = p.Window(0);
  QApplication::setActiveWindow(&window);
  QCoreApplication::processEvents();
  const QString typed = QStringLiteral("> abc");
  QVERIFY2(p.Screen().endsWith("M .select ZEMU0.ZDF\n" + typed), qPrintable(p.Screen()));
  SheetGrid& grid = *window.grid();
  grid.setFocus();
  const QModelIndex cell = window.model()->index(row, TextColumn);
  grid.setCurrentIndex(cell);
  grid.edit(cell);
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  QVERIFY(editor != nullptr);
  editor->setText(text);
  const QString before = p.Screen();
  switch (leave) {
    case kFocusElsewhere:
      editor->clearFocus();
      break;
    case kOtherWindow:
      p.FocusConsole();
      break;
    default:  // the program ends with the editor still open
      p.windows.ApplyAllEdits();
  }
  QCoreApplication::processEvents();
  QCOMPARE(p.Screen(), before.chopped(typed.size()) + echo + typed);
  QCOMPARE(Column(*window.model(), TextColumn), definitions);
  QVERIFY(ShowsStore(*window.model(), p.Sheet(0)));
  QCOMPARE(p.ctx.runState, RunState::Idle);
}

void SheetWindowsTest::cursorStaysInTheDefinitionColumn() {
  Program p(1);
  p.Type("a=1;b=2");
  SheetWindow& window = p.Window(0);
  SheetGrid& grid = *window.grid();
  const SheetModel& model = *window.model();
  QCOMPARE(model.flags(model.index(0, NameColumn)), Qt::ItemIsEnabled);
  QVERIFY(model.flags(model.index(2, TextColumn)) & Qt::ItemIsEditable);
  const QRect nameOfB = grid.visualRect(model.index(1, NameColumn));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, nameOfB.center());
  QCOMPARE(grid.currentIndex(), model.index(1, TextColumn));
  QTest::keyClick(&grid, Qt::Key_Left);
  QCOMPARE(grid.currentIndex(), model.index(1, TextColumn));
  QTest::keyClick(&grid, Qt::Key_Up);
  QCOMPARE(grid.currentIndex(), model.index(0, TextColumn));
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, nameOfB.center());
  QVERIFY(grid.indexWidget(model.index(1, TextColumn)) != nullptr);
  QCOMPARE(grid.currentIndex(), model.index(1, TextColumn));
  // While a computation runs nothing can be edited or chosen from the menu.
  p.ctx.runState = RunState::Running;
  QVERIFY(!(model.flags(model.index(2, TextColumn)) & Qt::ItemIsEditable));
  const std::unique_ptr<QMenu> menu(window.MakeContextMenu(nullptr));
  QCOMPARE(menu->actions().size(), int(SheetContextMenu().size()));
  for (QAction* action : menu->actions()) QVERIFY(!action->isEnabled());
}

void SheetWindowsTest::closeAsksOnlyAboutChanges() {
  const struct {
    bool modified;
    Answer answer;
    bool asked;
    bool closed;
  } cases[] = {{false, Answer::Cancel, false, true},
               {true, Answer::Cancel, true, false},
               {true, Answer::No, true, true}};
  const std::vector<std::string> question = {
      ToSjis("定義内容の保存...:  ZEMU 定義式 -- ZEMU1.ZDF\r\n の定義を保存しますか？")};
  for (const auto& c : cases) {
    Program p;
    if (c.modified) p.Type("k=1");
    p.toolkit.answers.push_back(c.answer);
    QPointer<SheetWindow> window = &p.Window(1);
    window->RunCommand(MenuCommand::SheetClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(p.toolkit.questions, c.asked ? question : std::vector<std::string>{});
    QCOMPARE(window.isNull(), c.closed);
    QCOMPARE(p.ctx.defines.sheets.size(), c.closed ? 1u : 2u);
  }
}

// A user's resize too narrow for the definition column: the window is widened
// again, and the sheet counts as changed.
void SheetWindowsTest::resizeGivesTheDefinitionColumnTheRest() {
  Program p(1);
  SheetWindow& window = p.Window(0);
  QVERIFY(!p.Sheet(0).modified);
  window.resize(200, 300);
  QTRY_COMPARE(window.width(), 288);
  QCOMPARE(window.grid()->columnWidth(TextColumn), 64);
  QCOMPARE(p.Sheet(0).layout.place.width, 288);
  QVERIFY(p.Sheet(0).modified);
}

void SheetWindowsTest::windowMenuEntriesHideAndShow() {
  Program p;
  QMenu menu;
  menu.addAction(QStringLiteral("並べて表示(&T)"));
  p.windows.AddWindowMenuEntries(&menu);
  auto entries = [&menu] {
    QStringList texts;
    for (QAction* action : menu.actions().mid(2))
      texts << action->text() + (action->isChecked() ? "+" : "-");
    return texts;
  };
  QCOMPARE(entries(), (QStringList{"ZEMU0.ZDF+", "ZEMU1.ZDF+"}));
  menu.actions().at(2)->trigger();
  QVERIFY(!p.Window(0).isVisible());
  emit menu.aboutToShow();
  QCOMPARE(entries(), (QStringList{"ZEMU0.ZDF-", "ZEMU1.ZDF+"}));
  menu.actions().at(2)->trigger();
  QVERIFY(p.Window(0).isVisible());
  QCOMPARE(p.ctx.defines.current, &p.Sheet(0));
  QCOMPARE(p.ctx.mainForm.title, std::string("ZEMU - ZEMU0.ZDF"));
}

// Where the user put the window and its columns is saved and comes back with
// the file, without counting as a change; the font keys are read too.
void SheetWindowsTest::layoutRoundTrip() {
  ScratchFolder dir;
  Program p(1);
  SheetWindow& window = p.Window(0);
  p.Type("f(x)=x^2");
  window.grid()->horizontalHeader()->resizeSection(NameColumn, 90);
  window.move(250, 200);  // inside the offscreen screen: a window is kept on it
  window.resize(520, 260);
  QTRY_COMPARE(p.Sheet(0).layout.place.width, 520);
  const std::string file = dir / "t.ZDF";
  SheetMenuSaveAs(p.ctx, p.Sheet(0), file);
  const std::string text = ReadFile(file);
  QVERIFY2(
      text.find("[DefineForm]\r\nTop=200\r\nLeft=250\r\nHeight=260\r\nWidth=520\r\n"
                "DGtype=64\r\nDGname=90\r\nDGvalue=64\r\nDGdefine=270\r\n") != std::string::npos,
      text.c_str());
  WriteFile(file, text + "[DefineForm]\r\nFont=Sans\r\nFontSize=14\r\n");
  TDefine& again = OpenSheet(p.ctx, file);
  SheetWindow& reopened = *p.windows.WindowOf(again);
  QCoreApplication::processEvents();
  QCOMPARE(reopened.pos(), QPoint(250, 200));
  QCOMPARE(reopened.size(), QSize(520, 260));
  QCOMPARE(reopened.grid()->columnWidth(NameColumn), 90);
  QCOMPARE(reopened.grid()->columnWidth(TextColumn), 270);
  QCOMPARE(reopened.grid()->font().pointSize(), 14);
  QCOMPARE(reopened.grid()->font().family(), QStringLiteral("Sans"));
  QCOMPARE(Column(*reopened.model(), NameColumn), (QStringList{"f", ""}));
  QVERIFY(!again.modified);
}

// Each pass rewrites the variable's row; the grid hears of it once, when
// events are delivered, and then shows the final value.
void SheetWindowsTest::loopReachesTheGridAsOneChange() {
  Program p(1);
  p.Type("s<0");
  SheetModel& model = *p.Window(0).model();
  QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
  TypeText(p.ctx, ".for i,1,100000; s<s+i; .blockend\r");
  QCOMPARE(changes.count(), 0);
  QCoreApplication::processEvents();
  QCOMPARE(changes.count(), 1);
  QCOMPARE(model.index(0, ValueColumn).data().toString(), QStringLiteral("5.00005E9  "));
}

// Rows of the grid told of as changed, one statement after another: the row
// a statement stored, and of the value cells a ForgetValues reached only
// those in view (c, row 1), never the far one.
void SheetWindowsTest::gridUpdatesTheRowsThatChanged() {
  ScratchFolder dir;
  std::string text = "> c=2*3\r\n";
  for (int k = 1; k <= 500; ++k)
    text += "> v" + std::to_string(k) + "<" + std::to_string(k) + "\r\n";
  WriteFile(dir / "big.ZDF", text + "> far=1+1\r\n");
  Program p(1);
  const SheetModel& model = *p.Window(0).model();
  p.Type(".set talk off;.do \"" + dir / "big.ZDF" + "\"");
  const std::pair<const char*, int> steps[] = {
      {"c;far", 2},                 // both values shown
      {"v3<7", 2},                  // v3, and c's value forgotten
      {"v3<8", 1},                  // c's value was forgotten already
      {".for i,1,1000; v5<i;", 1},  // one row, however often
      {"v501<1", 0},                // a row inserted: none changed
  };
  for (const auto& [statement, rows] : steps) {
    int updated = 0;
    const auto counter = connect(&model, &QAbstractItemModel::dataChanged, this,
                                 [&updated](const QModelIndex& from, const QModelIndex& to) {
                                   updated += to.row() - from.row() + 1;
                                 });
    p.Type(statement);
    disconnect(counter);
    QVERIFY2(updated == rows, (statement + (" " + std::to_string(updated))).c_str());
  }
  QCOMPARE(model.index(0, ValueColumn).data().toString(), QStringLiteral("再計算"));
  QVERIFY(ShowsStore(model, p.Sheet(0)));
}

// While its window is hidden the grid hears of no new row; shown again, it
// takes them in one reset when it knew no definition (a file loaded), rows
// added and taken out elsewhere in one reset too, and the model stays whole.
void SheetWindowsTest::rowsAddedWhileHiddenComeAtOnce() {
  const struct {
    const char* before;
    const char* hidden;
    int resets;
    int inserts;
  } cases[] = {
      {"", "a<1;b<2;c<3", 1, 0},
      {"a<1", "b<2;c<3", 0, 1},
      {"a<1;b<2", "c<3;d(x)=x;.delete a", 1, 0},
  };
  for (const auto& c : cases) {
    Program p(1);
    SheetModel& model = *p.Window(0).model();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    p.Type(c.before);
    ChooseSheetMenuEntry(p.ctx, p.Sheet(0));  // hides it
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    p.Type(c.hidden);
    ChooseSheetMenuEntry(p.ctx, p.Sheet(0));  // shows it
    QCOMPARE(resets.count(), c.resets);
    QCOMPARE(inserts.count(), c.inserts);
    QVERIFY2(ShowsStore(model, p.Sheet(0)), c.hidden);
  }
}

}  // namespace zemu::gui

QTEST_MAIN(zemu::gui::SheetWindowsTest)
#include "sheet_windows_test.moc"
