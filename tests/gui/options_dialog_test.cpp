// The options dialog on the offscreen platform: clicks and typed fields
// write their lines and change the settings, .set changes show in the
// controls without lines, the log follows a new name, and a help file chosen
// by browsing is the one .help reads.
#include "gui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "gui/qt_text.h"
#include "host/context.h"
#include "support/scripted_toolkit.h"
#include "support/statements.h"

namespace zemu::gui {
namespace {

QString ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return QString::fromStdString({std::istreambuf_iterator<char>(in), {}});
}

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private:
  template <typename T>
  T* Control(const char* name) {
    return dialog_->findChild<T*>(QString::fromLatin1(name));
  }
  // What the console got since the last call, in UTF-8, line ends kept.
  QString Written() {
    const std::string text = ScreenText(*ctx_);
    const std::string added = text.substr(std::min(seen_, text.size()));
    seen_ = text.size();
    return QString::fromStdString(SjisToUtf8(added));
  }
  // A click near the left edge: a box takes clicks on its indicator only.
  static void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
  }
  // Types `keys` into a field (replacing its text when `replace`), then
  // moves the focus on, as a user leaves it.
  void TypeAndLeave(const char* field, const QString& keys, bool replace = true) {
    auto* edit = Control<QLineEdit>(field);
    edit->setFocus();
    if (replace) edit->selectAll();
    if (keys.toLatin1() == keys.toUtf8()) {
      QTest::keyClicks(edit, keys);
    } else {  // what an input method commits
      QInputMethodEvent commit;
      commit.setCommitString(keys);
      QCoreApplication::sendEvent(edit, &commit);
    }
    Control<QPushButton>("BtnOK")->setFocus();
  }
  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  static QString FileOnLine(const QString& name) {
    return "M .Set File On to \"" + name + "\"\r\n";
  }

  QTemporaryDir dir_;
  std::unique_ptr<ScriptedToolkit> toolkit_;
  std::unique_ptr<Context> ctx_;
  std::unique_ptr<TOptions> dialog_;
  std::size_t seen_ = 0;

 private slots:
  void init() {
    toolkit_ = std::make_unique<ScriptedToolkit>();
    ctx_ = std::make_unique<Context>(toolkit_.get());
    ctx_->settings.logFileName = Path("old.log").toStdString();
    dialog_ = std::make_unique<TOptions>(*ctx_, nullptr);
    QVERIFY(dialog_->isHidden());
    dialog_->show();
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    seen_ = 0;
  }
  void cleanup() {
    dialog_.reset();
    ctx_.reset();
    toolkit_.reset();
  }

  // Echo turned off writes its line with Echo already off: nothing shows.
  void switchBoxes() {
    auto* echo = Control<QCheckBox>("Echo");
    Click(echo);
    QCOMPARE(Written(), "");
    Click(echo);
    Click(Control<QCheckBox>("Epower"));
    QCOMPARE(Written(), "M .Set Echo On\r\nM .Set Epower Off\r\n");
    Execute(*ctx_, ".set echo; .set epower");
    QCOMPARE(Written(), "  .Set Echo On\r\n  .Set Epower Off\r\n");
  }

  void fields_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("shown");
    QTest::newRow("format typed back") << "Format"
                                       << "x\b" << false << ""
                                       << "%.8G%S  ";
    QTest::newRow("log typed back") << "FileName"
                                    << "x\b" << false << "" << Path("old.log");
    QTest::newRow("format") << "Format"
                            << "%.3F%S" << true << "M .Set Format \"%.3F%S\"\r\n"
                            << "%.3F%S";
    QTest::newRow("format refused") << "Format"
                                    << "%q" << true << "  ERROR: 表示書式が不正です (%q)\r\n"
                                    << "%.8G%S  ";
    QTest::newRow("help") << "HelpFile"
                          << "ソ表.ZHP" << true << "M .Set Help to \"ソ表.ZHP\"\r\n"
                          << "ソ表.ZHP";
  }
  void fields() {
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(bool, replace);
    QFETCH(QString, console);
    QFETCH(QString, shown);
    TypeAndLeave(field.toLatin1().constData(), keys, replace);
    QCOMPARE(Written(), console);
    QCOMPARE(Control<QLineEdit>(field.toLatin1().constData())->text(), shown);
    QVERIFY(!ctx_->settings.file);
  }

  // Settings changed by .set show at the next delivery of events and write
  // nothing: no control reacts to being set.
  void setCommandShowsSilently() {
    Execute(*ctx_,
            ".set echo off; .set name off; .set trace calc; .set fo \"%.2F\"; .set help to h.ZHP");
    QCoreApplication::processEvents();
    QVERIFY(!Control<QCheckBox>("Echo")->isChecked());
    QVERIFY(!Control<QCheckBox>("Name")->isChecked());
    QCOMPARE(Control<QComboBox>("Trace")->currentText(), QStringLiteral("calc"));
    QCOMPARE(Control<QLineEdit>("Format")->text(), QStringLiteral("%.2F"));
    QCOMPARE(Control<QLineEdit>("HelpFile")->text(), QStringLiteral("h.ZHP"));
    Execute(*ctx_, ".set echo on; .set file to \"" + Path("x.log").toStdString() + "\"");
    QCoreApplication::processEvents();
    QVERIFY(Control<QCheckBox>("File")->isChecked());
    QCOMPARE(Control<QLineEdit>("FileName")->text(), Path("x.log"));
    QCOMPARE(Written(), FileOnLine(Path("x.log")));
    Execute(*ctx_, ".set file off");
  }

  void newLogNameWhileFileIsOn() {
    ctx_->settings.logFileName = dir_.path().toStdString();  // a folder: cannot be opened
    QCoreApplication::processEvents();
    auto* file = Control<QCheckBox>("File");
    Click(file);
    QVERIFY(!file->isChecked());
    QCOMPARE(Written(),
             "  ERROR: ログファイル" + dir_.path() + "を開けません。(Is a directory)\r\n");
    TypeAndLeave("FileName", Path("old.log"));
    QVERIFY(file->isChecked());
    QCOMPARE(Written(), FileOnLine(Path("old.log")));
    TypeAndLeave("FileName", Path("new.log"));
    QCOMPARE(Written(), FileOnLine(Path("new.log")));
    QCOMPARE(ReadFile(Path("old.log")), FileOnLine(Path("old.log")));
    Click(file);
    QCOMPARE(ReadFile(Path("new.log")), FileOnLine(Path("new.log")) + "M .Set File Off\r\n");
  }

  void helpChosenByBrowsingIsRead() {
    const QString help = Path("mine.ZHP");
    std::ofstream(help.toStdString(), std::ios::binary) << "@@menu\nmy own page\n@\n";
    toolkit_->openFileNames = {help.toStdString()};
    Click(Control<QPushButton>("HelpSanshou"));
    QCOMPARE(Written(), "M .Set Help to \"" + help + "\"\r\n");
    QCOMPARE(Control<QLineEdit>("HelpFile")->text(), help);
    Execute(*ctx_, ".help");
    QVERIFY(Written().contains("my own page"));
    Click(Control<QPushButton>("BtnOK"));
    QVERIFY(dialog_->isHidden());
  }
};

}  // namespace zemu::gui

QTEST_MAIN(zemu::gui::OptionsDialogTest)
#include "options_dialog_test.moc"
