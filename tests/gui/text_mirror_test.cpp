// The widgets' mirror of the core's text: the planned edit turns what the
// widget shows into the new text exactly, and caret and selection map
// between Shift-JIS bytes and widget positions without splitting a
// character, both ways. Texts hold the awkward bytes on purpose: lead bytes
// 0x81, 0x9F, 0xE0, 0xFC, trail bytes 0x5C and 0x7C (表, ソ), half-width
// katakana (0xA1-0xDF), CR LF, a lone CR and unconvertible pairs (0x8540).
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

#include "base/encoding.h"
#include "gui/console_edit.h"
#include "gui/mirrored_text.h"
#include "gui/qt_text.h"
#include "gui/widget_edit.h"

using namespace zemu;
using namespace zemu::gui;

namespace {

std::u16string Apply(std::u16string units, const WidgetEdit& edit) {
  units.erase(0, edit.dropUnits);
  units.replace(edit.from, edit.to - edit.from, edit.insert);
  return units;
}

}  // namespace

class TextMirrorTest : public QObject {
  Q_OBJECT

 private slots:
  void plannedEditTurnsShownTextIntoNew() {
    struct Case {
      const char* name;
      std::string shown, now;
      std::size_t drop;
      std::size_t maxInsert;  // units the edit may insert at most
    };
    const Case cases[] = {
        {"append", "> 1+2", "> 1+2;", 0, 1},
        {"type before kanji",
         "a\x95\x5C"
         "b",
         "a\x95\x5Cxb", 0, 1},
        {"trail byte changed",
         "a\x95\x5C"
         "b",
         "a\x95\x41"
         "b",
         0, 1},
        {"lead byte before LF", "x\x81\nabc", "x\x81yabc", 0, 2},
        {"insert between CR and LF", "ab\r\ncd", "ab\rX\ncd", 0, 3},
        {"lone CR completed", "ab\rcd", "ab\r\ncd", 0, 2},
        {"front dropped, tail appended", "0123456789", "456789XY", 4, 2},
        {"wrong drop hint", "0123456789", "abc", 3, 3},
        {"drop inside kanji ignored", "\x95\x5C\x83\x5Cz", "\x5C\x83\x5Cz", 1, 4},
        {"katakana and unconvertible", "\xBF\x85\x40\xE0\x7C", "\xBF\x85\x41\xE0\x7C", 0, 1},
        {"to empty", "abc\r\n", "", 0, 0},
        {"from empty", "", "\xFC\x40\r\n> ", 0, 4},
    };
    for (const Case& c : cases) {
      const WidgetEdit edit = PlanWidgetEdit(c.shown, c.now, c.drop);
      QVERIFY2(Apply(SjisToUtf16(c.shown), edit) == SjisToUtf16(c.now), c.name);
      QVERIFY2(edit.insert.size() <= c.maxInsert, c.name);
    }
  }

  void plannedEditHoldsForRandomEdits() {
    const char alphabet[] = {'a',    ';',    '&',    '\r',   '\n',   '\x81', '\x9F', '\xE0',
                             '\xFC', '\x5C', '\x7C', '\x40', '\xA1', '\xDF', '\x85'};
    QRandomGenerator random(20021);
    auto randomText = [&](int length) {
      std::string text;
      for (int i = 0; i < length; ++i) text += alphabet[random.bounded(int(sizeof alphabet))];
      return text;
    };
    for (int round = 0; round < 3000; ++round) {
      const std::string shown = randomText(random.bounded(40));
      std::string now = shown;
      const std::size_t drop = random.bounded(3) == 0 ? random.bounded(int(shown.size()) + 1) : 0;
      now.erase(0, drop);
      const std::size_t at = random.bounded(int(now.size()) + 1);
      now.replace(at, random.bounded(int(now.size() - at) + 1), randomText(random.bounded(5)));
      const WidgetEdit edit = PlanWidgetEdit(shown, now, drop);
      QVERIFY2(Apply(SjisToUtf16(shown), edit) == SjisToUtf16(now),
               qPrintable(QString::number(round)));
    }
  }

  void caretAndSelectionMapBothWays() {
    // "> a表ｿ" + unconvertible pair + CR LF + "bソ"
    const std::string text = "> a\x95\x5C\xBF\x85\x40\r\nb\x83\x5C";
    MirroredText model;
    ConsoleEdit edit(model, nullptr);
    model.SetText(text);
    edit.Sync();
    QCOMPARE(edit.toPlainText(), ToQString(text));
    QCOMPARE(edit.toPlainText().size(), 9);

    // Widget position -> model byte offset.
    const std::pair<int, std::size_t> fromWidget[] = {{0, 0}, {3, 3},  {4, 5},  {5, 6},
                                                      {6, 8}, {7, 10}, {8, 11}, {9, 13}};
    for (const auto& [position, byte] : fromWidget) {
      QTextCursor cursor = edit.textCursor();
      cursor.setPosition(position);
      edit.setTextCursor(cursor);
      QCOMPARE(model.SelectionStart(), byte);
      QCOMPARE(model.SelectionLength(), std::size_t{0});
    }
    // A widget selection across the kanji and the line break.
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(9);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
    QCOMPARE(model.SelectionStart(), std::size_t{3});
    QCOMPARE(model.SelectionLength(), std::size_t{10});

    // Model selection -> widget; an offset inside a character means its start.
    struct Selection {
      std::size_t start, length;
      int anchor, position;
    };
    for (const Selection& s : {Selection{4, 0, 3, 3}, Selection{3, 2, 3, 4}, Selection{9, 1, 6, 7},
                               Selection{5, 8, 4, 9}, Selection{0, 99, 0, 9}}) {
      model.Select(s.start, s.length);
      edit.Sync();
      QCOMPARE(edit.textCursor().anchor(), s.anchor);
      QCOMPARE(edit.textCursor().position(), s.position);
    }
  }

  void strayWidgetEditIsUndone() {
    MirroredText model;
    ConsoleEdit edit(model, nullptr);
    model.SetText("> \x95\x5C");
    edit.Sync();
    edit.textCursor().insertText(QStringLiteral("x"));  // behind the model's back
    QTRY_COMPARE(edit.toPlainText(), ToQString("> \x95\x5C"));
    QCOMPARE(edit.shownText(), model.Text());
  }
};

QTEST_MAIN(TextMirrorTest)
#include "text_mirror_test.moc"
