// Pastes whose clipboard answers late or not at all, and cells as long as a data file may hold
// them: nothing is ever cut short, a text too long for a cell is refused whole.

#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

#include "app/clipboard.h"
#include "files/shiftjis.h"
#include "tests/ui/program.h"
#include "tests/ui/scripted_clipboard.h"

namespace {

Pasted Text(const QString& text) {
  return {Pasted::Kind::kText, text};
}

void CtrlV(DataGrid* grid) {
  QTest::keyClick(grid->Editor(), Qt::Key_V, Qt::ControlModifier);
}

// The grid's clipboard answers when told; its cell (1, 1) holds `x` and is current, (2, 1) "7".
void Prepare(DataGrid* g, ScriptedClipboard& clipboard, const QString& x) {
  g->SetClipboard(&clipboard);
  g->SetCell(1, 1, x);
  g->SetCell(2, 1, QStringLiteral("7"));
  g->SetCurrent(1, 1);
}

QStringList Shown(Program& p) {
  QStringList shown;
  for (const Box& box : p.desktop.boxes) shown << p.Shown(box);
  return shown;
}

const QString kTooLongBox =
    QStringLiteral("エラー error ok +130+150 quiet: セルの文字が長すぎます\n\nセルは 1048576 文字までです");

// A text of `length` characters that is not the same all along.
QString Long(qsizetype length, char16_t first = u'0') {
  QString text(length, Qt::Uninitialized);
  for (qsizetype i = 0; i < length; ++i) text[i] = QChar(char16_t(first + i % 10));
  return text;
}

QByteArray FileWith(const QByteArray& firstCell) {
  QByteArray bytes = "ovt110\r\n" + firstCell + "\r\n";
  for (int i = 1; i < 60; ++i) bytes += "\r\n";
  return bytes;
}

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// What the user does while a paste waits for the clipboard.
enum Meanwhile { kTyped, kMovedDown, kCaretMoved, kSelected, kExchanged, kErased };

}  // namespace

class TestCells : public QObject {
  Q_OBJECT

 private slots:
  // The window works on while the clipboard's owner takes its time; its answer is pasted then.
  void answerPastedWhenItComes() {
    Program p;
    ScriptedClipboard clipboard;
    DataGrid* g = p.form1.StringGrid1;
    Prepare(g, clipboard, QStringLiteral("12"));
    const QStringList before = AllCells(g);
    CtrlV(g);
    QCOMPARE(clipboard.asked, 1);
    QVERIFY(clipboard.Waiting());
    QCOMPARE(AllCells(g), before);
    // Series 2 takes keys meanwhile; that is no change where the paste lands.
    QTest::keyClicks(p.form1.StringGrid2->Editor(), QStringLiteral("5"));
    QCOMPARE(p.form1.StringGrid2->Cell(1, 1), QStringLiteral("5"));
    clipboard.Answer(Text(QStringLiteral("1\t2\r\n3\t4\r\n")));
    QCOMPARE(g->Cell(1, 1), QStringLiteral("1"));
    QCOMPARE(g->Cell(2, 2), QStringLiteral("4"));
    QVERIFY(p.desktop.boxes.isEmpty());
  }

  // An answer that comes after the user went on is dropped: it would land where nobody meant it.
  void lateAnswerDroppedWhenTheUserWentOn_data() {
    QTest::addColumn<int>("meanwhile");
    QTest::newRow("a character typed") << int(kTyped);
    QTest::newRow("the cursor moved down") << int(kMovedDown);
    QTest::newRow("the caret moved") << int(kCaretMoved);
    QTest::newRow("text selected") << int(kSelected);
    QTest::newRow("x and y exchanged") << int(kExchanged);
    QTest::newRow("series 1 erased") << int(kErased);
  }
  void lateAnswerDroppedWhenTheUserWentOn() {
    QFETCH(int, meanwhile);
    Program p;
    ScriptedClipboard clipboard;
    DataGrid* g = p.form1.StringGrid1;
    Prepare(g, clipboard, QStringLiteral("12"));
    QTest::keyClick(g->Editor(), Qt::Key_End);
    CtrlV(g);
    switch (meanwhile) {
      case kTyped:
        QTest::keyClicks(g->Editor(), QStringLiteral("3"));
        break;
      case kMovedDown:
        QTest::keyClick(g->Editor(), Qt::Key_Down);
        break;
      case kCaretMoved:
        QTest::keyClick(g->Editor(), Qt::Key_Left);
        break;
      case kSelected:
        QTest::keyClick(g->Editor(), Qt::Key_Home, Qt::ShiftModifier);
        break;
      case kExchanged:
        p.form1.xy1->trigger();
        break;
      case kErased:
        p.form1.E1->trigger();  // answered Yes
        break;
    }
    const QStringList after = AllCells(g);
    const QString editor = g->Editor()->text();
    clipboard.Answer(Text(QStringLiteral("99")));
    clipboard.Answer(Text(QStringLiteral("5\t6\r\n")));
    QCOMPARE(AllCells(g), after);
    QCOMPARE(g->Editor()->text(), editor);
  }

  // A second key press while the first waits asks again, and the one answer is pasted once.
  void secondPasteTakesTheFirstsPlace() {
    Program p;
    ScriptedClipboard clipboard;
    DataGrid* g = p.form1.StringGrid2;
    Prepare(g, clipboard, QStringLiteral("1"));
    QTest::keyClick(g->Editor(), Qt::Key_End);
    CtrlV(g);
    QTest::keyClick(g->Editor(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(clipboard.asked, 2);
    clipboard.Answer(Text(QStringLiteral("e3")));
    QCOMPARE(g->Cell(1, 1), QStringLiteral("1e3"));
    QVERIFY(!clipboard.Waiting());
  }

  // No answer in time, or no text there: nothing happens. More than the clipboard may bring:
  // refused with the message, nothing pasted.
  void nothingOrTooMuch_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("nothing") << int(Pasted::Kind::kNothing) << QStringList();
    QTest::newRow("too large") << int(Pasted::Kind::kTooLarge) << QStringList{kTooLongBox};
  }
  void nothingOrTooMuch() {
    QFETCH(int, kind);
    QFETCH(QStringList, shown);
    Program p;
    ScriptedClipboard clipboard;
    DataGrid* g = p.form1.StringGrid1;
    Prepare(g, clipboard, QStringLiteral("12"));
    const QStringList before = AllCells(g);
    CtrlV(g);
    clipboard.Answer({static_cast<Pasted::Kind>(kind), QString()});
    QCOMPARE(AllCells(g), before);
    QCOMPARE(g->Editor()->text(), QStringLiteral("12"));
    QCOMPARE(Shown(p), shown);
  }

  // Past the editor's old limit of 32767 characters, up to the most a file's cell may hold:
  // whole in the cell and in its editor, as a text of its own or as a field of a block.
  void longTextsPastedWhole_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("block");
    for (const int length : {32767, 32768, 100000, int(kMaxCellLength)}) {
      const QByteArray n = QByteArray::number(length);
      QTest::newRow(n + " characters, text") << length << false;
      if (length < kMaxCellLength) QTest::newRow(n + " characters, block") << length << true;
    }
  }
  void longTextsPastedWhole() {
    QFETCH(int, length);
    QFETCH(bool, block);
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    const QString text = Long(length);
    QGuiApplication::clipboard()->setText(block ? "1\t" + text + "\r\n2\t3\r\n" : text);
    CtrlV(g);
    const QString cell = block ? g->Cell(2, 1) : g->Cell(1, 1);
    QCOMPARE(cell.size(), qsizetype(length));
    QVERIFY(cell == text);
    if (block) {
      QCOMPARE(g->Cell(2, 2), QStringLiteral("3"));
      g->SetCurrent(2, 1);
    }
    QVERIFY(g->Editor()->text() == text);
    QVERIFY(p.desktop.boxes.isEmpty());
  }

  // A paste that would make a cell longer than that is refused whole: every cell as it was.
  void tooLongPasteRefused_data() {
    QTest::addColumn<QString>("clip");
    QTest::addColumn<bool>("caretAtEnd");  // else the cell's whole text is selected
    QTest::addColumn<bool>("refused");
    const QString limit = Long(kMaxCellLength);
    QTest::newRow("one more than the limit") << Long(kMaxCellLength + 1) << false << true;
    QTest::newRow("appended: one more") << Long(kMaxCellLength - 1) << true << true;
    QTest::newRow("in place of the selection: exactly the limit") << limit << false << false;
    QTest::newRow("a block with one field too long")
        << "1\t2\r\n" + Long(kMaxCellLength + 1) + "\t3\r\n" << false << true;
    // Beyond the grid a field is dropped, however long.
    QTest::newRow("too long beyond the grid")
        << "1\t2\t3\t" + Long(kMaxCellLength + 1) + "\r\n" << false << false;
  }
  void tooLongPasteRefused() {
    QFETCH(QString, clip);
    QFETCH(bool, caretAtEnd);
    QFETCH(bool, refused);
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    p.Fill({{1, "12", "7"}, {2, "8", "9"}});
    g->SetCurrent(1, 1);
    if (caretAtEnd) QTest::keyClick(g->Editor(), Qt::Key_End);
    const QStringList before = AllCells(g);
    QGuiApplication::clipboard()->setText(clip);
    CtrlV(g);
    if (refused) {
      QCOMPARE(AllCells(g), before);
      QCOMPARE(g->Editor()->text(), QStringLiteral("12"));
      QCOMPARE(Shown(p), QStringList{kTooLongBox});
    } else {
      QVERIFY(AllCells(g) != before);
      QVERIFY(p.desktop.boxes.isEmpty());
    }
  }

  // Typed, the character that would pass the limit is refused; the cell keeps the rest.
  void typingAtTheLimit() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    const QString text = Long(kMaxCellLength - 1);
    g->SetCell(1, 3, text);
    g->SetCurrent(1, 3);
    QTest::keyClick(g->Editor(), Qt::Key_End);
    QTest::keyClicks(g->Editor(), QStringLiteral("8"));
    QVERIFY(g->Cell(1, 3) == text + "8");
    QVERIFY(p.desktop.boxes.isEmpty());
    QTest::keyClicks(g->Editor(), QStringLiteral("9"));
    QVERIFY(g->Cell(1, 3) == text + "8");
    QTRY_COMPARE(Shown(p), QStringList{kTooLongBox});
  }

  // The editor's own ways in (its menu's paste, a middle click, a drop) insert through the same
  // check: refused whole, never cut.
  void editorsOwnInsertRefusedWhole() {
    Program p;
    DataGrid* g = p.form1.StringGrid2;
    g->SetCell(1, 1, QStringLiteral("12"));
    g->SetCurrent(1, 1);
    QTest::keyClick(g->Editor(), Qt::Key_End);
    QGuiApplication::clipboard()->setText(Long(kMaxCellLength));
    g->Editor()->paste();
    QCOMPARE(g->Cell(1, 1), QStringLiteral("12"));
    QCOMPARE(g->Editor()->text(), QStringLiteral("12"));
    QTRY_COMPARE(Shown(p), QStringList{kTooLongBox});
    g->Editor()->insert(QStringLiteral("5"));
    QCOMPARE(g->Cell(1, 1), QStringLiteral("125"));
  }

  // A cell opened from a file longer than the old editor took shows and edits whole.
  void openedLongCellEditedWhole() {
    QTemporaryDir dir;
    const QString path = dir.filePath("long.ovt");
    const QString text = Long(40000, u'a');
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(FileWith(text.toLatin1()));
    }
    Program p;
    p.desktop.fileNames = {path, path};
    p.form1.O1->trigger();
    DataGrid* g = p.form1.StringGrid1;
    g->SetCurrent(2, 1);
    g->SetCurrent(1, 1);
    QCOMPARE(g->Editor()->text().size(), text.size());
    QTest::keyClick(g->Editor(), Qt::Key_End);
    QTest::keyClicks(g->Editor(), QStringLiteral("z"));
    QVERIFY(g->Cell(1, 1) == text + "z");
    p.form1.S1->trigger();  // over it: Yes
    QCOMPARE(Bytes(path), FileWith(text.toLatin1() + "z"));
  }

  // 100,000 characters pasted, edited at both ends, saved, opened into the other series and
  // saved from there: the same bytes each time.
  void hundredThousandCharactersByteForByte() {
    QTemporaryDir dir;
    QString text;
    while (text.size() < 100000) text += QStringLiteral("0123456789.e+-ｱｲｳ測定値");
    text.truncate(100000);
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    QGuiApplication::clipboard()->setText(text);
    CtrlV(g);
    QTest::keyClicks(g->Editor(), QStringLiteral("9"));
    QTest::keyClick(g->Editor(), Qt::Key_Home);
    QTest::keyClicks(g->Editor(), QStringLiteral("-"));
    const QString edited = "-" + text + "9";
    QVERIFY(g->Cell(1, 1) == edited);
    const QByteArray expected = FileWith(*EncodeShiftJis(edited));
    p.desktop.fileNames = {dir.filePath("one.ovt"), dir.filePath("one.ovt"),
                           dir.filePath("two.ovt")};
    p.form1.S1->trigger();
    QCOMPARE(Bytes(dir.filePath("one.ovt")), expected);
    p.form1.O2->trigger();
    QVERIFY(p.form1.StringGrid2->Cell(1, 1) == edited);
    p.form1.S2->trigger();
    QCOMPARE(Bytes(dir.filePath("two.ovt")), expected);
    QVERIFY(p.desktop.boxes.isEmpty());
  }
};

QTEST_MAIN(TestCells)
#include "test_cells.moc"
