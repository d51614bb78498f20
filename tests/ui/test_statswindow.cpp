// The statistics window's wiring: T and the graph window's menu open it in front, it follows the
// computes and the reset, its copy is the worksheet's, Escape closes it. Its figures are
// test_statistics' and the script's.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "tests/ui/program.h"
#include "ui/statistics.h"

class TestStatsWindow : public QObject {
  Q_OBJECT

  static QString Cell(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QStringLiteral("(none)");
  }

 private slots:
  void wiring() {
    Program p;
    QVERIFY(!p.form1.Statistics());
    // T in the graph window opens it before any compute: no result to show.
    p.form2.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.form2));
    QTest::keyClick(&p.form2, Qt::Key_T);
    StatisticsWindow* window = p.form1.Statistics();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("回帰の統計"));
    QVERIFY(window->NoResult->isVisible());
    QVERIFY(!window->Parts->isVisible());
    QVERIFY(!window->CopyButton->isEnabled());

    // It follows a compute.
    p.Fill({{1, "1", "2"}, {2, "2", "4.5"}, {3, "3", "6"}, {5, "4", "9", "Omit"}});
    p.form1.Button1->click();
    QTRY_VERIFY(!window->NoResult->isVisible());
    QVERIFY(window->Parts->isVisible());
    QCOMPARE(Cell(window->Summary, 0, 1), QStringLiteral("y = ax + b"));
    QCOMPARE(window->Coefficients->rowCount(), 2);
    QCOMPARE(window->Residuals->rowCount(), 4);
    QCOMPARE(Cell(window->Residuals, 3, 0), QStringLiteral("5"));
    QCOMPARE(Cell(window->Residuals, 3, 7), QStringLiteral("Omit"));
    QCOMPARE(window->Comparison->rowCount(), 4);
    for (QTableWidget* table :
         {window->Summary, window->Coefficients, window->Residuals, window->Comparison}) {
      QVERIFY(!table->accessibleName().isEmpty());
      for (int c = 0; c < table->columnCount(); ++c)
        QVERIFY(!table->horizontalHeaderItem(c)->text().isEmpty());
    }

    // The menu item brings the same window to the front.
    p.form1.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    p.form2.Views->Statistics->trigger();
    QCOMPARE(p.form1.Statistics(), window);
    QVERIFY(QTest::qWaitForWindowActive(window));

    // The button and Ctrl+C in a table copy the worksheet's text.
    QGuiApplication::clipboard()->clear();
    window->CopyButton->click();
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY(
        copied.startsWith(QStringLiteral("式\ty = ax + b\r\nデータ数 n\t3\r\n係数の数 p\t2\r\n")));
    QCOMPARE(copied, QString::fromStdString(p.sheet.StatisticsReport()));
    QGuiApplication::clipboard()->clear();
    window->Residuals->setFocus();
    QTest::keyClick(window->Residuals, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);

    // A compute that stops at a check, and the erase of series 1, leave no result.
    p.Fill({{1, "x", "2"}});
    p.form1.Button1->click();
    QCOMPARE(p.desktop.boxes.size(), 1);
    QTRY_VERIFY(window->NoResult->isVisible());
    p.Fill({{1, "1", "2"}});
    p.form1.Button1->click();
    QTRY_VERIFY(window->Parts->isVisible());
    p.desktop.answers = {true};
    p.form1.E1->trigger();
    QTRY_VERIFY(window->NoResult->isVisible());
    QVERIFY(!window->CopyButton->isEnabled());

    // Escape closes it; T opens it again.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    p.form2.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.form2));
    QTest::keyClick(&p.form2, Qt::Key_T);
    QVERIFY(window->isVisible());
  }

  // The rows that lie off stand out, by colour and in words for assistive technology.
  void rowsSetOff() {
    Program p;
    for (int x = 1; x <= 20; ++x) {
      const double y = x + (x % 2 ? 0.1 : -0.1) + (x == 10 ? 3 : x == 16 ? 2 : 0);
      p.form1.StringGrid1->SetCell(1, x, QString::number(x));
      p.form1.StringGrid1->SetCell(2, x, QString::number(y, 'f', 1));
    }
    p.form1.Button1->click();
    p.form2.Views->Statistics->trigger();
    QTableWidget* residuals = p.form1.Statistics()->Residuals;
    QTRY_COMPARE(residuals->rowCount(), 20);
    const QColor plain = residuals->item(0, 0)->background().color();
    QCOMPARE(residuals->item(9, 5)->toolTip(),
             QStringLiteral("標準化残差の絶対値が 3 を超えています"));
    QCOMPARE(residuals->item(15, 5)->toolTip(),
             QStringLiteral("標準化残差の絶対値が 2 を超えています"));
    QVERIFY(residuals->item(9, 0)->background().color() != plain);
    QVERIFY(residuals->item(15, 0)->background().color() !=
            residuals->item(9, 0)->background().color());
    for (int r = 0; r < 20; ++r)
      if (r != 9 && r != 15) QVERIFY(residuals->item(r, 5)->toolTip().isEmpty());
  }
};

QTEST_MAIN(TestStatsWindow)
#include "test_statswindow.moc"
