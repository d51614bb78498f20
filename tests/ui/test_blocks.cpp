#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/program.h"
#include "ui/controls.h"

namespace {

// Twenty pairs as a spreadsheet copies two columns: tab-separated, every line ended by CR LF.
// y = 0.3x^2 - 1.25x + 4 with a little scatter, in several number spellings.
QList<QPair<QString, QString>> TwentyPairs() {
  QList<QPair<QString, QString>> pairs;
  for (int r = 1; r <= 20; ++r) {
    const double x = r * 0.5 - 3;
    const double y = 0.3 * x * x - 1.25 * x + 4 + ((r * 7) % 5 - 2) * 0.125;
    pairs << qMakePair(QString::number(x), r % 6 == 0 ? QString::number(y, 'e', 4)
                                                     : QString::number(y, 'f', 3));
  }
  return pairs;
}

QString Spreadsheet(const QList<QPair<QString, QString>>& pairs) {
  QString text;
  for (const auto& [x, y] : pairs) text += x + QLatin1Char('\t') + y + QStringLiteral("\r\n");
  return text;
}

void SetClipboard(const QString& text) {
  QGuiApplication::clipboard()->setText(text);
}
QString ClipboardText() {
  return QGuiApplication::clipboard()->text();
}

enum PasteKey { CtrlV, ShiftInsert };
void Paste(DataGrid* grid, int key) {
  if (key == CtrlV)
    QTest::keyClick(grid->Editor(), Qt::Key_V, Qt::ControlModifier);
  else
    QTest::keyClick(grid->Editor(), Qt::Key_Insert, Qt::ShiftModifier);
}
void CopyKey(DataGrid* grid) {
  QTest::keyClick(grid->Editor(), Qt::Key_C, Qt::ControlModifier);
}
void Key(DataGrid* grid, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
  QTest::keyClick(grid->Editor(), key, mods);
}
void TypeWithEnter(DataGrid* grid, const QList<QPair<QString, QString>>& pairs) {
  for (const auto& [x, y] : pairs) {
    QTest::keyClicks(grid->Editor(), x);
    QTest::keyClick(grid->Editor(), Qt::Key_Return);
    QTest::keyClicks(grid->Editor(), y);
    QTest::keyClick(grid->Editor(), Qt::Key_Return);
  }
}
DataGrid* Grid(Program& p, int grid) {
  return grid == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
}
QString Report(Program& p) {
  p.form1.Copy1->trigger();
  return ClipboardText();
}
// The grid's own editor: its text, and whether the caret sits at the end with nothing selected.
bool CaretAtEnd(const DataGrid* g) {
  return !g->Editor()->hasSelectedText() &&
         g->Editor()->cursorPosition() == g->Editor()->text().size();
}

}  // namespace

class TestBlocks : public QObject {
  Q_OBJECT

 private slots:
  void spreadsheetBlockFitsAsTypedData_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("model");
    QTest::newRow("Ctrl+V, y = ax + b") << int(CtrlV) << 0;
    QTest::newRow("Shift+Insert, y = ax^2 + bx + c") << int(ShiftInsert) << 2;
    QTest::newRow("Ctrl+V, y = ax^2 + bx") << int(CtrlV) << 3;
  }
  void spreadsheetBlockFitsAsTypedData() {
    QFETCH(int, key);
    QFETCH(int, model);
    const auto pairs = TwentyPairs();
    Program typed;
    TypeWithEnter(typed.form1.StringGrid1, pairs);
    typed.form1.RadioGroup1->SetItemIndex(model);
    typed.form1.RadioGroup2->SetItemIndex(2);
    typed.form1.Button1->click();

    Program pasted;
    DataGrid* g = pasted.form1.StringGrid1;
    SetClipboard(Spreadsheet(pairs));
    Paste(g, key);  // one key press
    QCOMPARE(AllCells(g), AllCells(typed.form1.StringGrid1));
    QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(1, 1));
    pasted.form1.RadioGroup1->SetItemIndex(model);
    pasted.form1.RadioGroup2->SetItemIndex(2);
    pasted.form1.Button1->click();

    QVERIFY(pasted.desktop.boxes.isEmpty());
    QCOMPARE(pasted.Labels(), typed.Labels());
    QCOMPARE(pasted.form1.Label5->text(), QStringLiteral("data : 20 組"));
    QCOMPARE(pasted.form2.Picture(), typed.form2.Picture());
    QCOMPARE(Report(pasted), Report(typed));
  }

  void series2BlockPlotsAsTypedData() {
    const auto pairs = TwentyPairs().mid(0, 12);
    Program typed, pasted;
    for (Program* p : {&typed, &pasted}) {
      p->Fill({{1, "0", "1"}, {2, "2", "5"}, {3, "4", "8"}});
      p->form1.CheckBox1->setChecked(true);
    }
    TypeWithEnter(typed.form1.StringGrid2, pairs);
    // A third column has nowhere to go in series 2.
    QString wide;
    for (const auto& [x, y] : pairs) wide += x + QLatin1Char('\t') + y + QStringLiteral("\t9\r\n");
    SetClipboard(wide);
    Paste(pasted.form1.StringGrid2, ShiftInsert);
    QCOMPARE(AllCells(pasted.form1.StringGrid2), AllCells(typed.form1.StringGrid2));
    for (Program* p : {&typed, &pasted}) p->form1.Button1->click();
    QCOMPARE(pasted.form2.Picture(), typed.form2.Picture());
    for (int r = 1; r <= 12; ++r) {
      QCOMPARE(pasted.store.X2[r], typed.store.X2[r]);
      QCOMPARE(pasted.store.Y2[r], typed.store.Y2[r]);
    }
  }

  void thirdColumnLandsInTheOmitColumn() {
    Program p;
    p.Fill({{4, "", "", "mark"}});
    SetClipboard(QStringLiteral("1\t2\tOmit\r\n2\t4\t\r\n3\t7\tx\r\n4\t8\r\n5\t9.5\t\r\n"));
    Paste(p.form1.StringGrid1, CtrlV);
    // Any text marks a row, as a data file's can; a line of two fields leaves the mark alone.
    Program typed;
    typed.Fill({{1, "1", "2", "Omit"}, {2, "2", "4"}, {3, "3", "7", "x"}, {4, "4", "8", "mark"},
                {5, "5", "9.5"}});
    QCOMPARE(AllCells(p.form1.StringGrid1), AllCells(typed.form1.StringGrid1));
    p.form1.Button1->click();
    typed.form1.Button1->click();
    QCOMPARE(p.form1.Label5->text(), QStringLiteral("data : 2 組"));
    QCOMPARE(p.Labels(), typed.Labels());
    QCOMPARE(Report(p), Report(typed));
  }

  void headerRowLandsInTheFirstRow() {
    Program p;
    SetClipboard(QStringLiteral("x\ty\r\n1\t2\r\n2\t4\r\n"));
    Paste(p.form1.StringGrid1, CtrlV);
    QCOMPARE(p.form1.StringGrid1->Cell(1, 1), QStringLiteral("x"));
    QCOMPARE(p.form1.StringGrid1->Cell(2, 3), QStringLiteral("4"));
    p.form1.Button1->click();
    QCOMPARE(p.desktop.TakeTexts(),
             QStringList{QStringLiteral("正しい数字ではありません\n\n  Data No. 1 の x")});
  }

  void blockStaysInsideTheData_data() {
    QTest::addColumn<int>("grid");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QString>("block");
    QTest::addColumn<QStringList>("written");  // "col,row=text", every cell that changed
    QTest::newRow("grid 1: too wide") << 1 << QPoint(1, 2) << "a\tb\tc\td\te"
                                      << QStringList{"1,2=a", "2,2=b", "3,2=c"};
    QTest::newRow("grid 1: from y, into the Omit column")
        << 1 << QPoint(2, 5) << "a\tb\tc\r\nd" << QStringList{"2,5=a", "3,5=b", "2,6=d"};
    QTest::newRow("grid 2: too wide") << 2 << QPoint(1, 1) << "a\tb\tc"
                                      << QStringList{"1,1=a", "2,1=b"};
    QTest::newRow("grid 2: from y") << 2 << QPoint(2, 9) << "a\tb\nc\td"
                                    << QStringList{"2,9=a", "2,10=c"};
    QTest::newRow("grid 1: start in the last row")
        << 1 << QPoint(1, 20) << "a\tb\r\nc\td\r\ne\tf\r\n" << QStringList{"1,20=a", "2,20=b"};
    QTest::newRow("grid 2: start in the last row, lone CR")
        << 2 << QPoint(2, 20) << "a\rb\r" << QStringList{"2,20=a"};
    QTest::newRow("grid 1: empty fields empty cells")
        << 1 << QPoint(1, 7) << "\t\n\n" << QStringList{"1,7=", "2,7=", "1,8="};
    QTest::newRow("grid 2: texts verbatim")
        << 2 << QPoint(1, 3) << " 1 \t+.5e1 \r\n測定\t１" << QStringList{"1,3= 1 ", "2,3=+.5e1 ",
                                                                  "1,4=測定", "2,4=１"};
    QString tooLong;
    for (int i = 1; i <= 30; ++i) tooLong += QStringLiteral("L%1\r\n").arg(i);
    QStringList firstColumn;
    for (int r = 11; r <= 20; ++r) firstColumn << QStringLiteral("1,%1=L%2").arg(r).arg(r - 10);
    QTest::newRow("grid 1: too long") << 1 << QPoint(1, 11) << tooLong << firstColumn;
  }
  void blockStaysInsideTheData() {
    QFETCH(int, grid);
    QFETCH(QPoint, start);
    QFETCH(QString, block);
    QFETCH(QStringList, written);
    Program p;
    DataGrid* g = Grid(p, grid);
    // Every data cell holds a text beforehand, so a cell emptied by the block shows.
    for (int r = 1; r < g->RowCount(); ++r)
      for (int c = 1; c < g->ColCount(); ++c) g->SetCell(c, r, QStringLiteral("%1/%2").arg(c).arg(r));
    QSignalBlocker quiet(g);  // the start cell as given, the Omit column's too
    g->SetCurrent(start.x(), start.y());
    quiet.unblock();
    const QStringList before = AllCells(g);
    const QStringList other = AllCells(Grid(p, 3 - grid));
    SetClipboard(block);
    Paste(g, grid == 1 ? CtrlV : ShiftInsert);
    QStringList expected = before;
    for (const QString& w : written) {
      const int comma = w.indexOf(','), equals = w.indexOf('=');
      const int c = w.left(comma).toInt(), r = w.mid(comma + 1, equals - comma - 1).toInt();
      expected[r * g->ColCount() + c] = w.mid(equals + 1);
    }
    QCOMPARE(AllCells(g), expected);
    QCOMPARE(AllCells(Grid(p, 3 - grid)), other);
    QCOMPARE(QPoint(g->Col(), g->Row()), start);
    QCOMPARE(g->Editor()->text(), g->Cell(start.x(), start.y()));
  }

  void plainTextGoesIntoTheEditor_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("caretAtEnd");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("cell");
    QTest::newRow("Ctrl+V replaces the selected text") << int(CtrlV) << false << "3.5" << "3.5";
    QTest::newRow("Shift+Insert replaces the selected text")
        << int(ShiftInsert) << false << " -2" << " -2";
    QTest::newRow("Ctrl+V inserts at the caret") << int(CtrlV) << true << "e3" << "12e3";
    QTest::newRow("Shift+Insert inserts at the caret") << int(ShiftInsert) << true << "測" << "12測";
    QTest::newRow("tab-free blanks are text") << int(CtrlV) << true << "  " << "12  ";
  }
  void plainTextGoesIntoTheEditor() {
    QFETCH(int, key);
    QFETCH(bool, caretAtEnd);
    QFETCH(QString, clip);
    QFETCH(QString, cell);
    for (int grid : {1, 2}) {
      Program p;
      DataGrid* g = Grid(p, grid);
      g->SetCell(1, 1, QStringLiteral("12"));
      g->SetCell(2, 1, QStringLiteral("99"));
      g->SetCurrent(2, 1);
      g->SetCurrent(1, 1);  // the whole text selected, as after any move
      if (caretAtEnd) Key(g, Qt::Key_End);
      SetClipboard(clip);
      Paste(g, key);
      QCOMPARE(g->Cell(1, 1), cell);
      QCOMPARE(g->Cell(2, 1), QStringLiteral("99"));
      QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(1, 1));
    }
  }

  void pasteLeavesResultsAndGraphAlone() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "13"}});
    p.form1.Button1->click();
    const QStringList labels = p.Labels();
    const QImage picture = p.form2.Picture();
    const FitResult* const result = p.form1.Result();
    SetClipboard(QStringLiteral("10\t20\r\n20\t30\r\n"));
    Paste(p.form1.StringGrid1, CtrlV);
    QCOMPARE(p.Labels(), labels);
    QCOMPARE(p.form2.Picture(), picture);
    QVERIFY(result);
    QCOMPARE(p.form1.Result(), result);
    QCOMPARE(p.store.Count1, 3);
    QVERIFY(p.form1.GroupBox2->isEnabled());
    QVERIFY(p.desktop.boxes.isEmpty());
    // The new data count from the next compute on.
    p.form1.Button1->click();
    QCOMPARE(p.Labels().mid(0, 2), (QStringList{"a =   1.00000", "b =  10.00000"}));
  }

  void enterWalkAfterPaste_data() {
    QTest::addColumn<int>("grid");
    QTest::newRow("grid 1") << 1;
    QTest::newRow("grid 2") << 2;
  }
  void enterWalkAfterPaste() {
    QFETCH(int, grid);
    Program p;
    DataGrid* g = Grid(p, grid);
    g->SetCurrent(1, 4);
    SetClipboard(QStringLiteral("1\t2\r\n3\t4\r\n"));
    Paste(g, CtrlV);
    // The cursor stays; its cell shows the pasted text ready to be appended to.
    QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(1, 4));
    QCOMPARE(g->Editor()->text(), QStringLiteral("1"));
    QVERIFY(CaretAtEnd(g));
    QTest::keyClicks(g->Editor(), QStringLiteral("0"));
    QCOMPARE(g->Cell(1, 4), QStringLiteral("10"));
    QTest::keyClick(g->Editor(), Qt::Key_Return);
    QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(2, 4));
    QVERIFY(CaretAtEnd(g));
    QTest::keyClicks(g->Editor(), QStringLiteral("5"));
    QTest::keyClick(g->Editor(), Qt::Key_Return);
    QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(1, 5));
    QCOMPARE(g->Cell(2, 4), QStringLiteral("25"));
    QCOMPARE(g->Editor()->text(), QStringLiteral("3"));
    QVERIFY(CaretAtEnd(g));
  }

  void omitGuardAndMarkAfterPaste() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    g->SetCurrent(2, 3);
    SetClipboard(QStringLiteral("5\tmark\r\n6\t\r\n"));
    Paste(g, CtrlV);
    QCOMPARE(g->Cell(3, 3), QStringLiteral("mark"));
    QCOMPARE(g->Cell(3, 4), QString());
    // The cursor still never enters the Omit column.
    Key(g, Qt::Key_End);
    Key(g, Qt::Key_Right);
    QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(2, 3));
    // A pasted mark counts as one: a double-click empties it, the next one writes "Omit".
    QTest::mouseDClick(g->Editor(), Qt::LeftButton, {}, g->Editor()->rect().center());
    QCOMPARE(g->Cell(3, 3), QString());
    QTest::mouseDClick(g->Editor(), Qt::LeftButton, {}, g->Editor()->rect().center());
    QCOMPARE(g->Cell(3, 3), QStringLiteral("Omit"));
  }

  void copyBlock_data() {
    QTest::addColumn<int>("grid");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QList<int>>("keys");  // pressed with Shift
    QTest::addColumn<QString>("copied");
    const QList<int> downDownRight{Qt::Key_Down, Qt::Key_Down, Qt::Key_Right};
    for (int grid : {1, 2}) {
      const QByteArray n = "grid " + QByteArray::number(grid) + ": ";
      QTest::newRow(n + "down and right") << grid << QPoint(1, 1) << downDownRight
                                          << "1\t2\r\n 3\t\r\n\t6 \r\n";
      QTest::newRow(n + "up and left") << grid << QPoint(2, 3) << QList<int>{Qt::Key_Up, Qt::Key_Left}
                                       << " 3\t\r\n\t6 \r\n";
      QTest::newRow(n + "one column") << grid << QPoint(2, 1)
                                      << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}
                                      << "2\r\n\r\n6 \r\n測定\r\n";
    }
    // The cursor stays out of the Omit column; the block does not.
    QTest::newRow("grid 1: into the Omit column and up")
        << 1 << QPoint(1, 4) << QList<int>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Up}
        << "\t6 \t\r\nメモ\t測定\t\r\n";
    QTest::newRow("grid 1: every row, one step past y")
        << 1 << QPoint(1, 1) << QList<int>(19, Qt::Key_Down) + QList<int>{Qt::Key_Right, Qt::Key_Right}
        << "1\t2\tOmit\r\n 3\t\tx\r\n\t6 \t\r\nメモ\t測定\t\r\n" + QString("\t\t\r\n").repeated(16);
    QTest::newRow("grid 1: into the Omit column and back")
        << 1 << QPoint(1, 2) << QList<int>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}
        << " 3\t\r\n";
  }
  void copyBlock() {
    QFETCH(int, grid);
    QFETCH(QPoint, from);
    QFETCH(QList<int>, keys);
    QFETCH(QString, copied);
    Program p;
    DataGrid* g = Grid(p, grid);
    p.Fill({{1, "1", "2", "Omit"}, {2, " 3", "", "x"}, {3, "", "6 "}, {4, "メモ", "測定"}}, g);
    const QStringList cells = AllCells(g);
    g->SetCurrent(from.x(), from.y());
    for (int key : keys) Key(g, Qt::Key(key), Qt::ShiftModifier);
    SetClipboard(QStringLiteral("before"));
    CopyKey(g);
    QCOMPARE(ClipboardText(), copied);
    QCOMPARE(AllCells(g), cells);
  }

  void copyWithoutBlockCopiesTheEditorsSelection() {
    for (int grid : {1, 2}) {
      Program p;
      DataGrid* g = Grid(p, grid);
      g->SetCell(1, 2, QStringLiteral("12.5"));
      g->SetCell(1, 3, QStringLiteral("7"));
      g->SetCurrent(1, 2);
      SetClipboard(QStringLiteral("before"));
      CopyKey(g);  // a move selects the whole text
      QCOMPARE(ClipboardText(), QStringLiteral("12.5"));
      Key(g, Qt::Key_End);
      Key(g, Qt::Key_Left, Qt::ShiftModifier);
      Key(g, Qt::Key_Left, Qt::ShiftModifier);
      CopyKey(g);
      QCOMPARE(ClipboardText(), QStringLiteral(".5"));
      // A block stretched and shrunk back to the current cell is no block.
      Key(g, Qt::Key_Down, Qt::ShiftModifier);
      Key(g, Qt::Key_Up, Qt::ShiftModifier);
      QCOMPARE(g->Selection(), QRect(1, 2, 1, 1));
      CopyKey(g);
      QCOMPARE(ClipboardText(), QStringLiteral("12.5"));
      // Nothing selected in the editor: the clipboard keeps what it had.
      Key(g, Qt::Key_End);
      SetClipboard(QStringLiteral("kept"));
      CopyKey(g);
      QCOMPARE(ClipboardText(), QStringLiteral("kept"));
    }
  }

  void copiedBlockPastesBackCellForCell() {
    Program p;
    DataGrid* from = p.form1.StringGrid1;
    DataGrid* to = p.form1.StringGrid2;
    p.Fill({{5, "1.5", "-2"}, {6, "", " 4"}, {7, "3e1", "x"}});
    from->SetCurrent(1, 5);
    Key(from, Qt::Key_Down, Qt::ShiftModifier);
    Key(from, Qt::Key_Down, Qt::ShiftModifier);
    Key(from, Qt::Key_Right, Qt::ShiftModifier);
    CopyKey(from);
    to->SetCurrent(1, 18);
    Paste(to, CtrlV);
    for (int i = 0; i < 3; ++i)
      for (int c = 1; c <= 2; ++c) QCOMPARE(to->Cell(c, 18 + i), from->Cell(c, 5 + i));
    QCOMPARE(to->Cell(1, 17), QString());
  }

  void reportIsUnchangedByBlocks() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "4", "Omit"}, {3, "3", "6"}});
    const QString report = Report(p);
    DataGrid* g = p.form1.StringGrid1;
    Key(g, Qt::Key_Down, Qt::ShiftModifier);
    CopyKey(g);
    QCOMPARE(ClipboardText(), QStringLiteral("1\r\n2\r\n"));
    QCOMPARE(Report(p), report);
    // A block copied back onto itself changes nothing in the report either.
    Key(g, Qt::Key_Up);
    SetClipboard(QStringLiteral("1\t2\r\n2\t4\r\n"));
    Paste(g, CtrlV);
    QCOMPARE(Report(p), report);
  }
};

QTEST_MAIN(TestBlocks)
#include "test_blocks.moc"
