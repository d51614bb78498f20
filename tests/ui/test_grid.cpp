#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/program.h"

namespace {

void Type(DataGrid* grid, const QString& text) {
  QTest::keyClicks(grid->Editor(), text);
}
// Text that no key gives directly arrives committed by the input method.
void Commit(DataGrid* grid, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(grid->Editor(), &event);
}
void Enter(DataGrid* grid) {
  QTest::keyClick(grid->Editor(), Qt::Key_Return);
}
void Key(DataGrid* grid, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
  QTest::keyClick(grid->Editor(), key, mods);
}
void Click(DataGrid* grid, int col, int row) {
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(col, row).center());
}
// As a real double-click arrives: the first click may bring the editor under the mouse, and the
// second click and the double-click go to whatever lies there then.
void DoubleClick(DataGrid* grid, int col, int row) {
  const QPoint at = grid->CellRect(col, row).center();
  auto under = [&] {
    QWidget* w = grid->viewport()->childAt(at);
    return w ? w : grid->viewport();
  };
  if (under() == grid->viewport()) QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
  QWidget* second = under();
  QTest::mouseDClick(second, Qt::LeftButton, {}, second->mapFrom(grid->viewport(), at));
}
QPoint Current(DataGrid* grid) {
  return QPoint(grid->Col(), grid->Row());
}

}  // namespace

class TestGrid : public QObject {
  Q_OBJECT

 private slots:
  // A person types twenty pairs with digits and Enter only, then computes.
  void twentyPairsFromTheKeyboard() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    for (int r = 1; r <= 20; ++r) {
      Type(g, QString::number(r));
      Enter(g);
      Type(g, QString::number(3 * r + 1));
      Enter(g);
    }
    for (int r = 1; r <= 20; ++r) {
      QCOMPARE(g->Cell(1, r), QString::number(r));
      QCOMPARE(g->Cell(2, r), QString::number(3 * r + 1));
      QVERIFY(g->Cell(3, r).isEmpty());
    }
    QCOMPARE(Current(g), QPoint(1, 1));
    QCOMPARE(g->TopRow(), 1);
    p.form1.Button1->click();
    QCOMPARE(p.Labels().mid(0, 2), (QStringList{"a =   3.00000", "b =   1.00000"}));
    QCOMPARE(p.form1.Label5->text(), QStringLiteral("data : 20 組"));
  }

  void enterWalk_data() {
    QTest::addColumn<int>("grid");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    for (int grid : {1, 2}) {
      const QByteArray n = "grid " + QByteArray::number(grid) + ": ";
      QTest::newRow(n + "x to y") << grid << QPoint(1, 4) << QPoint(2, 4);
      QTest::newRow(n + "y to next x") << grid << QPoint(2, 4) << QPoint(1, 5);
      QTest::newRow(n + "last y to first x") << grid << QPoint(2, 20) << QPoint(1, 1);
      QTest::newRow(n + "last x to last y") << grid << QPoint(1, 20) << QPoint(2, 20);
    }
    QTest::newRow("grid 1: Omit column") << 1 << QPoint(3, 7) << QPoint(1, 8);
  }
  void enterWalk() {
    QFETCH(int, grid);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Program p;
    DataGrid* g = grid == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
    // Put the cursor there without the window's guard, as a data file or an old state might.
    QSignalBlocker quiet(g);
    g->SetCurrent(from.x(), from.y());
    quiet.unblock();
    g->SetCell(to.x(), to.y(), QStringLiteral("12"));
    Enter(g);
    QCOMPARE(Current(g), to);
    QVERIFY(g->TopRow() <= to.y() && to.y() < g->TopRow() + g->VisibleRowCount());
    // Enter is never entered into a cell, and typing now appends.
    QCOMPARE(g->Cell(from.x(), from.y()), QString());
    Type(g, QStringLiteral("3"));
    QCOMPARE(g->Cell(to.x(), to.y()), QStringLiteral("123"));
  }

  void otherMovesSelectTheWholeText_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("mouse") << 0;
    QTest::newRow("cursor key") << 1;
    QTest::newRow("guard") << 2;
  }
  void otherMovesSelectTheWholeText() {
    QFETCH(int, how);
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    g->SetCell(2, 2, QStringLiteral("12"));
    g->SetCurrent(1, 1);
    if (how == 0) Click(g, 2, 2);
    if (how == 1) {
      g->SetCurrent(2, 1);
      Key(g, Qt::Key_Down);
    }
    if (how == 2) Click(g, 3, 2);
    QCOMPARE(Current(g), QPoint(2, 2));
    Type(g, QStringLiteral("3"));
    QCOMPARE(g->Cell(2, 2), QStringLiteral("3"));
  }

  void omitColumnGuard_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("click on an Omit cell") << 0 << QPoint(2, 5);
    QTest::newRow("right arrow from y") << 1 << QPoint(2, 3);
    QTest::newRow("program sets the column") << 2 << QPoint(2, 3);
    QTest::newRow("shift and right arrow") << 3 << QPoint(2, 3);
  }
  void omitColumnGuard() {
    QFETCH(int, how);
    QFETCH(QPoint, expected);
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    g->SetCurrent(2, 3);
    int changes = 0;
    connect(g, &DataGrid::CurrentChanged, [&] { ++changes; });
    switch (how) {
      case 0:
        Click(g, 3, 5);
        break;
      case 1:
        Key(g, Qt::Key_Right);
        break;
      case 2:
        g->SetCol(3);
        break;
      case 3:
        Key(g, Qt::Key_Right, Qt::ShiftModifier);
        break;
    }
    QCOMPARE(Current(g), expected);
    QVERIFY(changes >= 1);
    // The cursor stayed out of the Omit column, and typing goes to y.
    Type(g, QStringLiteral("7"));
    QCOMPARE(g->Cell(3, expected.y()), QString());
    QCOMPARE(g->Cell(2, expected.y()), QStringLiteral("7"));
  }

  void cursorKeysInsideTheText() {
    Program p;
    DataGrid* g = p.form1.StringGrid2;
    g->SetCell(1, 1, QStringLiteral("ab"));
    g->SetCurrent(1, 1);
    Key(g, Qt::Key_End);   // caret at the end, nothing selected
    Key(g, Qt::Key_Left);  // inside the text
    QCOMPARE(Current(g), QPoint(1, 1));
    Key(g, Qt::Key_Right);
    Key(g, Qt::Key_Right);  // at the end: next cell
    QCOMPARE(Current(g), QPoint(2, 1));
    Key(g, Qt::Key_Right);  // no column beyond y in series 2
    QCOMPARE(Current(g), QPoint(2, 1));
    Key(g, Qt::Key_Up);  // no row above the first
    QCOMPARE(Current(g), QPoint(2, 1));
  }

  void blockSelection() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    Key(g, Qt::Key_Down, Qt::ShiftModifier);
    Key(g, Qt::Key_Down, Qt::ShiftModifier);
    Key(g, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(g->Selection(), QRect(QPoint(1, 1), QPoint(2, 3)));
    Key(g, Qt::Key_Up);
    QCOMPARE(g->Selection(), QRect(2, 2, 1, 1));
    // One cell up and to the left of where it began.
    Key(g, Qt::Key_Up, Qt::ShiftModifier);
    Key(g, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(g->Selection(), QRect(QPoint(1, 1), QPoint(2, 2)));
  }

  void doubleClickToggles_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("mark") << ""
                          << "Omit";
    QTest::newRow("unmark") << "Omit"
                            << "";
    QTest::newRow("other text counts as a mark") << "x"
                                                 << "";
    QTest::newRow("a blank counts as a mark") << " "
                                              << "";
  }
  void doubleClickToggles() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    g->SetCell(3, 4, before);
    DoubleClick(g, 1, 4);
    QCOMPARE(Current(g), QPoint(1, 4));
    QCOMPARE(g->Cell(3, 4), after);
    // Again, now on the editor that the first click brought there.
    DoubleClick(g, 1, 4);
    QCOMPARE(g->Cell(3, 4), after.isEmpty() ? QStringLiteral("Omit") : QString());
  }

  void doubleClickOnFixedCellsTogglesTheCursorRow() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    g->SetCurrent(2, 6);
    DoubleClick(g, 0, 2);  // the label of row 2
    QCOMPARE(Current(g), QPoint(2, 6));
    QCOMPARE(g->Cell(3, 6), QStringLiteral("Omit"));
    QVERIFY(g->Cell(3, 2).isEmpty());
    DoubleClick(g, 3, 0);  // the Omit header
    QVERIFY(g->Cell(3, 6).isEmpty());
    // Series 2 has no Omit mark to toggle.
    DoubleClick(p.form1.StringGrid2, 1, 3);
    QVERIFY(g->Cell(3, 6).isEmpty() && g->Cell(3, 3).isEmpty());
  }

  void anyTextIsAccepted() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    const QString text = QStringLiteral("abc,$ 12345678901234567890123456789012345678901234567890");
    Type(g, text);
    Commit(g, QStringLiteral("１系列"));
    QCOMPARE(g->Cell(1, 1), text + QStringLiteral("１系列"));
    Enter(g);
    Type(g, QStringLiteral("2"));
    p.form1.Button1->click();
    QCOMPARE(p.desktop.TakeTexts(),
             QStringList{QStringLiteral("正しい数字ではありません\n\n  Data No. 1 の x")});
  }

  void tabLeavesTheGrid() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    DataGrid* g = p.form1.StringGrid1;
    Type(g, QStringLiteral("5"));
    Key(g, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), p.form1.StringGrid2->Editor());
    QCOMPARE(Current(g), QPoint(1, 1));
    QCOMPARE(g->Cell(1, 1), QStringLiteral("5"));
  }
};

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
