#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/program.h"
#include "ui/controls.h"

namespace {

QAccessibleInterface* View(QObject* o) {
  return QAccessible::queryAccessibleInterface(o);
}
QAccessibleTableInterface* Table(DataGrid* g) {
  QAccessibleInterface* view = View(g);
  return view ? view->tableInterface() : nullptr;
}
DataGrid* Grid(Program& p, int grid) {
  return grid == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
}
// The data cells that say they are focused, as grid coordinates.
QList<QPoint> FocusedCells(DataGrid* g) {
  QList<QPoint> focused;
  QAccessibleTableInterface* t = Table(g);
  for (int r = 0; r < t->rowCount(); ++r)
    for (int c = 0; c < t->columnCount(); ++c)
      if (t->cellAt(r, c)->state().focused) focused << QPoint(c + 1, r + 1);
  return focused;
}

}  // namespace

class TestAccessible : public QObject {
  Q_OBJECT

 private slots:
  void gridsAreTables_data() {
    QTest::addColumn<int>("grid");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("series 1") << 1 << " 系列１" << QStringList{" x の値", " y の値", " Omit"};
    QTest::newRow("series 2") << 2 << " 系列２" << QStringList{" x の値", " y の値"};
  }
  void gridsAreTables() {
    QFETCH(int, grid);
    QFETCH(QString, name);
    QFETCH(QStringList, headers);
    Program p;
    DataGrid* g = Grid(p, grid);
    p.Fill({{1, "1.5", "-2"}, {7, " 3", "測定"}, {20, "x", ""}}, g);
    QAccessibleInterface* view = View(g);
    QCOMPARE(view->role(), QAccessible::Table);
    QCOMPARE(view->text(QAccessible::Name), name);
    QAccessibleTableInterface* t = view->tableInterface();
    QVERIFY(t);
    QCOMPARE(t->rowCount(), 20);
    QCOMPARE(t->columnCount(), headers.size());
    for (int r = 0; r < 20; ++r) {
      QCOMPARE(t->rowDescription(r), QStringLiteral(" No. %1").arg(r + 1));
      for (int c = 0; c < t->columnCount(); ++c) {
        QAccessibleInterface* cell = t->cellAt(r, c);
        QVERIFY(cell);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->text(QAccessible::Name), g->Cell(c + 1, r + 1));
        QCOMPARE(cell->parent(), view);
        // The cell is a child of the table at the index the table gives for it.
        const int index = view->indexOfChild(cell);
        QVERIFY(index >= 0);
        QCOMPARE(view->child(index), cell);
        QAccessibleTableCellInterface* ci = cell->tableCellInterface();
        QVERIFY(ci);
        QCOMPARE(ci->rowIndex(), r);
        QCOMPARE(ci->columnIndex(), c);
        QCOMPARE(ci->table(), view);
        const auto columnHeader = ci->columnHeaderCells();
        const auto rowHeader = ci->rowHeaderCells();
        QCOMPARE(columnHeader.size(), 1);
        QCOMPARE(rowHeader.size(), 1);
        QCOMPARE(columnHeader[0]->role(), QAccessible::ColumnHeader);
        QCOMPARE(columnHeader[0]->text(QAccessible::Name), headers[c]);
        QCOMPARE(rowHeader[0]->role(), QAccessible::RowHeader);
        QCOMPARE(rowHeader[0]->text(QAccessible::Name), QStringLiteral(" No. %1").arg(r + 1));
        // On the screen where the grid paints it.
        const QRect painted = g->CellRect(c + 1, r + 1);
        QCOMPARE(cell->rect(),
                 QRect(g->viewport()->mapToGlobal(painted.topLeft()), painted.size()));
      }
    }
    QCOMPARE(t->columnDescription(0), headers[0]);
    QCOMPARE(t->cellAt(6, 1)->text(QAccessible::Name), QStringLiteral("測定"));
    QVERIFY(!t->cellAt(20, 0));
    QVERIFY(!t->cellAt(0, headers.size()));
    // The cell editor is still there, inside the table.
    bool editorFound = false;
    for (int i = 0; i < view->childCount(); ++i) {
      QAccessibleInterface* child = view->child(i);
      QVERIFY(child);
      QCOMPARE(view->indexOfChild(child), i);
      for (int j = 0; j < child->childCount(); ++j)
        editorFound = editorFound || child->child(j)->object() == g->Editor();
    }
    QVERIFY(editorFound);
  }

  void cellTextFollowsTheGrid() {
    Program p;
    DataGrid* g = p.form1.StringGrid2;
    QAccessibleTableInterface* t = Table(g);
    g->SetCell(2, 3, QStringLiteral("12"));
    QCOMPARE(t->cellAt(2, 1)->text(QAccessible::Name), QStringLiteral("12"));
    g->SetCurrent(1, 5);
    QTest::keyClicks(g->Editor(), QStringLiteral("7"));
    QCOMPARE(t->cellAt(4, 0)->text(QAccessible::Name), QStringLiteral("7"));
    // The corner names the table.
    g->SetCell(0, 0, QStringLiteral("other"));
    QCOMPARE(View(g)->text(QAccessible::Name), QStringLiteral("other"));
  }

  void currentCellIsFocused() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    DataGrid* g1 = p.form1.StringGrid1;
    DataGrid* g2 = p.form1.StringGrid2;
    QCOMPARE(FocusedCells(g1), QList<QPoint>{QPoint(1, 1)});
    QCOMPARE(FocusedCells(g2), QList<QPoint>{});
    g1->SetCell(2, 1, QStringLiteral("4"));
    QTest::keyClick(g1->Editor(), Qt::Key_Return);
    QCOMPARE(FocusedCells(g1), QList<QPoint>{QPoint(2, 1)});
    QTest::keyClick(g1->Editor(), Qt::Key_End);
    QTest::keyClick(g1->Editor(), Qt::Key_Right);
    QCOMPARE(FocusedCells(g1), QList<QPoint>{QPoint(2, 1)});
    // Tab takes the focus, and the focused cell, to the other grid.
    QTest::keyClick(g1->Editor(), Qt::Key_Tab);
    QCOMPARE(FocusedCells(g1), QList<QPoint>{});
    QCOMPARE(FocusedCells(g2), QList<QPoint>{QPoint(1, 1)});
  }

  void blockIsSelected() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    g->SetCurrent(1, 2);
    QTest::keyClick(g->Editor(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(g->Editor(), Qt::Key_Right, Qt::ShiftModifier);
    QAccessibleTableInterface* t = Table(g);
    QCOMPARE(t->selectedCellCount(), 4);
    QList<QPoint> selected;
    for (int r = 0; r < 20; ++r)
      for (int c = 0; c < 3; ++c)
        if (t->cellAt(r, c)->state().selected) selected << QPoint(c, r);
    QCOMPARE(selected, (QList<QPoint>{{0, 1}, {1, 1}, {0, 2}, {1, 2}}));
    QCOMPARE(t->selectedRows(), QList<int>{});
    QTest::keyClick(g->Editor(), Qt::Key_Up);
    QCOMPARE(t->selectedCellCount(), 1);
  }

  void rowsOutOfViewAreOffscreen() {
    Program p;
    DataGrid* g = p.form1.StringGrid1;
    QAccessibleTableInterface* t = Table(g);
    const int visible = g->VisibleRowCount();
    QVERIFY(visible < 20);
    auto onScreen = [&] {
      QList<int> rows;
      for (int r = 0; r < 20; ++r)
        if (!t->cellAt(r, 0)->state().offscreen) rows << r + 1;
      return rows;
    };
    QList<int> first, last;
    for (int r = 1; r <= visible; ++r) first << r;
    for (int r = 21 - visible; r <= 20; ++r) last << r;
    QCOMPARE(onScreen(), first);
    g->SetCurrent(1, 20);
    QCOMPARE(onScreen(), last);
  }

  void resultLabelsAreNamedByTheirText_data() {
    QTest::addColumn<int>("model");
    QTest::newRow("before any compute") << -1;
    for (int m = 0; m < 4; ++m) QTest::newRow(qPrintable(QStringLiteral("model %1").arg(m))) << m;
  }
  void resultLabelsAreNamedByTheirText() {
    QFETCH(int, model);
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "3"}, {3, "4", "9"}, {4, "5", "9"}});
    if (model >= 0) {
      p.form1.RadioGroup1->SetItemIndex(model);
      p.form1.Button1->click();
    }
    int empty = 0;
    for (QLabel* label :
         {p.form1.Label2, p.form1.Label3, p.form1.Label4, p.form1.Label5, p.form1.Label6}) {
      QAccessibleInterface* view = View(label);
      QCOMPARE(view->role(), QAccessible::StaticText);
      QCOMPARE(view->text(QAccessible::Name), label->text());
      empty += label->text().isEmpty();
    }
    // The fits without c, and the line through the origin without b, leave labels empty.
    QCOMPARE(empty, model == 1 ? 2 : model == 0 || model == 3 ? 1 : 0);
  }
};

QTEST_MAIN(TestAccessible)
#include "test_accessible.moc"
