#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/program.h"
#include "ui/controls.h"

namespace {

// Every data cell of both grids, as one list: grid 1 x, y, Omit; grid 2 x, y; row by row.
QStringList Cells(const TForm1& f) {
  QStringList cells;
  for (int r = 1; r <= 20; ++r) {
    for (int c = 1; c <= 3; ++c) cells << f.StringGrid1->Cell(c, r);
    for (int c = 1; c <= 2; ++c) cells << f.StringGrid2->Cell(c, r);
  }
  return cells;
}

// The cells of one row: grid 1 x, y, Omit; grid 2 x, y.
QStringList RowCells(const TForm1& f, int r) {
  return Cells(f).mid((r - 1) * 5, 5);
}

}  // namespace

class TestEditing : public QObject {
  Q_OBJECT

  void Fill(Program& p) {
    p.Fill({{1, "1", "2", "Omit"}, {2, "x only", ""}, {3, "", "y only", "mark"}, {20, " 4", "5 "}});
    p.Fill({{1, "10", "20"}, {3, "30", ""}, {19, "a", "b"}}, p.form1.StringGrid2);
  }

 private slots:
  void exchange_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("cells");  // the row afterwards
    QTest::newRow("x and y of series 1, row 1")
        << "xy1" << 1 << QStringList{"2", "1", "Omit", "10", "20"};
    QTest::newRow("x and y of series 1, x only")
        << "xy1" << 2 << QStringList{"", "x only", "", "", ""};
    QTest::newRow("x and y of series 1, mark stays")
        << "xy1" << 3 << QStringList{"y only", "", "mark", "30", ""};
    QTest::newRow("x and y of series 1, blanks")
        << "xy1" << 20 << QStringList{"5 ", " 4", "", "", ""};
    QTest::newRow("x and y of series 2")
        << "xy2" << 3 << QStringList{"", "y only", "mark", "", "30"};
    QTest::newRow("x and y of series 2, row 19")
        << "xy2" << 19 << QStringList{"", "", "", "b", "a"};
    QTest::newRow("the series, row 1") << "N2" << 1 << QStringList{"10", "20", "", "1", "2"};
    QTest::newRow("the series, row 3") << "N2" << 3 << QStringList{"30", "", "", "", "y only"};
    QTest::newRow("the series, row 20") << "N2" << 20 << QStringList{"", "", "", " 4", "5 "};
  }
  void exchange() {
    QFETCH(QString, command);
    QFETCH(int, row);
    QFETCH(QStringList, cells);
    Program p;
    Fill(p);
    auto* action = p.form1.findChild<QAction*>(command);
    action->trigger();
    QCOMPARE(RowCells(p.form1, row), cells);
    QVERIFY(p.desktop.boxes.isEmpty());
  }

  void exchangeTwice_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("marksKept");
    QTest::newRow("xy1") << "xy1" << true;
    QTest::newRow("xy2") << "xy2" << true;
    QTest::newRow("N2") << "N2" << false;
  }
  void exchangeTwice() {
    QFETCH(QString, command);
    QFETCH(bool, marksKept);
    Program p;
    Fill(p);
    QStringList before = Cells(p.form1);
    auto* action = p.form1.findChild<QAction*>(command);
    action->trigger();
    action->trigger();
    if (!marksKept)
      for (int r = 0; r < 20; ++r) before[r * 5 + 2].clear();
    QCOMPARE(Cells(p.form1), before);
  }

  void exchangeLeavesResultsAlone() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "7"}});
    p.form1.CheckBox1->setChecked(true);
    p.form1.RadioGroup2->SetItemIndex(1);
    p.form1.Button1->click();
    const QStringList labels = p.Labels();
    const QImage picture = p.form2.Picture();
    const DataStore store = p.store;
    for (QAction* a : {p.form1.xy1, p.form1.xy2, p.form1.N2}) a->trigger();
    QCOMPARE(p.Labels(), labels);
    QCOMPARE(p.form2.Picture(), picture);
    QVERIFY(std::memcmp(&store, &p.store, sizeof store) == 0);
    QVERIFY(p.form1.CheckBox1->isChecked());
    QCOMPARE(p.form1.RadioGroup2->ItemIndex(), 1);
    QVERIFY(p.form1.Button2->isEnabled());
    // The next compute fits x as a function of y of the old data: after xy1 then N2 twice.
    p.form1.N2->trigger();
    p.form1.Button1->click();
    QCOMPARE(p.Labels()[3], QStringLiteral("data : 3 組"));
  }

  void erase_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::newRow("series 1") << "E1"
                              << "系列１のデータを消去します\n\n消去しますか？" << 125;
    QTest::newRow("series 2") << "E2"
                              << "系列２のデータを消去します\n\n消去しますか？" << 125;
    QTest::newRow("all") << "EA"
                         << "データをすべて消去します\n\n消去しますか？" << 130;
  }
  void erase() {
    QFETCH(QString, command);
    QFETCH(QString, text);
    QFETCH(int, offset);
    for (bool yes : {false, true}) {
      Program p;
      p.Fill({{1, "1", "2", "Omit"}, {2, "2", "3"}, {4, "3", "5"}, {7, "4", "9"}});
      p.Fill({{1, "10", "20"}, {19, "-3", "-4"}}, p.form1.StringGrid2);
      p.form1.CheckBox1->setChecked(true);
      p.form1.Button1->click();
      QVERIFY(p.desktop.boxes.isEmpty());
      p.form2.Canvas().SetBrushColor(Qt::red);  // whatever the last graph left there
      p.form2.Canvas().FillRect(100, 100, 110, 400);
      p.form1.RadioGroup1->SetItemIndex(3);
      p.form1.RadioGroup2->SetItemIndex(2);
      const QStringList cells = Cells(p.form1), labels = p.Labels();
      const QImage picture = p.form2.Picture();
      QVERIFY(!p.PictureIsBlank());
      const DataStore store = p.store;
      const FitResult* const result = p.form1.Result();
      QVERIFY(result);

      p.desktop.answers = {yes};
      p.form1.findChild<QAction*>(command)->trigger();
      QCOMPARE(p.desktop.boxes.size(), 1);
      QCOMPARE(p.Shown(p.desktop.boxes[0]),
               QStringLiteral("確認 question yes-no +%1+150 quiet: ").arg(offset) + text);

      const bool one = yes && command != "E2", two = yes && command != "E1";
      QStringList expected = cells;
      for (int r = 0; r < 20; ++r) {
        if (one)
          for (int c = 0; c < 3; ++c) expected[r * 5 + c].clear();
        if (two)
          for (int c = 3; c < 5; ++c) expected[r * 5 + c].clear();
      }
      QCOMPARE(Cells(p.form1), expected);
      QCOMPARE(p.Labels(), one ? kBareLabels : labels);
      QCOMPARE(p.PictureIsBlank(), one);
      if (!one) QCOMPARE(p.form2.Picture(), picture);
      QCOMPARE(p.form1.Button2->isEnabled(), !one);
      QCOMPARE(p.form1.RadioGroup1->ItemIndex(), one ? 0 : 3);
      QCOMPARE(p.form1.RadioGroup2->ItemIndex(), one ? 0 : 2);
      QCOMPARE(p.form1.CheckBox1->isChecked(), !two);
      QCOMPARE(p.store.Count1, one ? 0 : store.Count1);
      QCOMPARE(p.form1.Result(), one ? nullptr : result);
      QCOMPARE(p.store.X1[3], one ? 0.0f : store.X1[3]);
      QCOMPARE(p.store.X2[19], two ? 0.0f : store.X2[19]);
    }
  }

  void eraseAsksEvenWhenEmpty() {
    Program p;
    p.desktop.answers = {true, true, true};
    for (QAction* a : {p.form1.E1, p.form1.E2, p.form1.EA}) a->trigger();
    QCOMPARE(p.desktop.boxes.size(), 3);
  }

  void textReport() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "4", "Omit"}, {3, "3", "6"}, {5, "4", "8"}, {6, "9", ""}});
    p.form1.Copy1->trigger();
    const QString before = QGuiApplication::clipboard()->text();
    QCOMPARE(before, QStringLiteral(
                         "y = ax + b\r\n  a =\r\n  b =\r\n  data :\r\n  標準偏差 =\r\nNo.\tx\ty\r\n"
                         "1\t1\t2\t\r\n2\t2\t4\tOmit\r\n3\t3\t6\t\r\n5\t4\t8\t\r\n"));
    p.form1.RadioGroup1->SetItemIndex(1);
    p.form1.Button1->click();
    // The report follows the selector at once, the labels as they show.
    p.form1.RadioGroup1->SetItemIndex(2);
    p.form1.Copy1->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("y = ax^2 + bx + c\r\n  a =   2.00000\r\n  \r\n  \r\n  data : 3 組\r\n"
                            "  標準偏差 =   0.00000\r\nNo.\tx\ty\r\n"
                            "1\t1\t2\t\r\n2\t2\t4\tOmit\r\n3\t3\t6\t\r\n5\t4\t8\t\r\n"));
  }
};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
