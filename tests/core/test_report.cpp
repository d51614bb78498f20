#include <QTest>

#include "core/report.h"
#include "tests/core/grid_builder.h"

using namespace orvelt;

Q_DECLARE_METATYPE(orvelt::GridInput)

namespace {

QString Report(int model, const ResultTexts& shown, const GridInput& input) {
  return QString::fromStdString(TextReport(static_cast<FitModel>(model), shown, input.series1));
}

}  // namespace

class TestReport : public QObject {
  Q_OBJECT

 private slots:
  void workedExample() {
    const GridInput input = Grids({{1, "1", "2"}, {3, "2", "4", "Omit"}});
    QCOMPARE(Report(0, ResultTexts{}, input), QStringLiteral("y = ax + b\r\n"
                                                             "  a =\r\n"
                                                             "  b =\r\n"
                                                             "  data :\r\n"
                                                             "  標準偏差 =\r\n"
                                                             "No.\tx\ty\r\n"
                                                             "1\t1\t2\t\r\n"
                                                             "3\t2\t4\tOmit\r\n"));
  }

  void linesPerKind_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QStringList>("lines");
    const QString head = QStringLiteral("No.\tx\ty");
    QTest::newRow("y = ax + b") << 0 << QStringList{"y = ax + b", "  A", "  B", "  N", "  S", head};
    QTest::newRow("y = ax") << 1 << QStringList{"y = ax", "  A", "  N", "  S", head};
    QTest::newRow("y = ax^2 + bx + c")
        << 2 << QStringList{"y = ax^2 + bx + c", "  A", "  B", "  C", "  N", "  S", head};
    QTest::newRow("y = ax^2 + bx")
        << 3 << QStringList{"y = ax^2 + bx", "  A", "  B", "  N", "  S", head};
  }
  void linesPerKind() {
    QFETCH(int, model);
    QFETCH(QStringList, lines);
    const ResultTexts shown{"A", "B", "C", "N", "S"};
    const QString report = Report(model, shown, Grids({}));
    QVERIFY(report.endsWith("\r\n"));
    QCOMPARE(report.chopped(2).split("\r\n"), lines);
  }

  void rows_data() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<QString>("table");  // the lines after the header
    QTest::newRow("empty") << Grids({}) << "";
    QTest::newRow("x only and y only are left out")
        << Grids({{2, "1", ""}, {5, "", "3", "Omit"}, {7, "8", "9"}}) << "7\t8\t9\t\r\n";
    QTest::newRow("texts as they stand") << Grids({{1, " 1.50 ", "abc", "x"}, {20, "  ", "-.", ""}})
                                         << "1\t 1.50 \tabc\tx\r\n20\t  \t-.\t\r\n";
    QTest::newRow("Japanese") << Grids({{4, "１", "二", "除外"}}) << "4\t１\t二\t除外\r\n";
  }
  void rows() {
    QFETCH(GridInput, input);
    QFETCH(QString, table);
    const QString report = Report(1, ResultTexts{}, input);
    const QString header = QStringLiteral("No.\tx\ty\r\n");
    QCOMPARE(report.mid(report.indexOf(header) + header.size()), table);
  }

  void emptiedLabelGivesTwoBlanks() {
    // A fit of "y = ax" empties b; copying with "y = ax + b" chosen afterwards shows the gap.
    const ResultTexts shown{"a =   3.00000", "", "", "data : 1 組", "標準偏差 ="};
    QCOMPARE(
        Report(0, shown, Grids({{1, "2", "6"}})),
        QStringLiteral("y = ax + b\r\n  a =   3.00000\r\n  \r\n  data : 1 組\r\n  標準偏差 =\r\n"
                       "No.\tx\ty\r\n1\t2\t6\t\r\n"));
  }
};

QTEST_APPLESS_MAIN(TestReport)
#include "test_report.moc"
