// The compute command without its window: which check or fault stops it, and the one value a
// fit leaves for the window, the graph and the report.

#include <QStringList>
#include <QTest>
#include <string>

#include "core/compute.h"
#include "core/number.h"
#include "tests/core/grid_builder.h"
#include "tests/support.h"

using namespace orvelt;

Q_DECLARE_METATYPE(orvelt::GridInput)

namespace {

QStringList Texts(const ResultTexts& l) {
  QStringList texts;
  for (const std::string* s : {&l.a, &l.b, &l.c, &l.count, &l.stdDev})
    texts << QString::fromStdString(*s);
  return texts;
}

const QStringList kBare = Texts(ResultTexts{});

const char* const kTooFew1 = "データ数が足りません\n\n１組以上のデータが必要です";
const char* const kTooFew2 = "データ数が足りません\n\n２組以上のデータが必要です";
const char* const kOnlyZero = "ｘ の値が ０ のみです\n\n計算できません";
const char* const kAllSame = "ｘ の値がすべて同じです\n\n計算できません";

// Points as "x,y" with "o" after an omitted one.
QStringList Points(const std::vector<PlotPoint>& points) {
  QStringList texts;
  for (const PlotPoint& p : points)
    texts << QStringLiteral("%1,%2%3").arg(p.x).arg(p.y).arg(p.used ? "" : "o");
  return texts;
}

}  // namespace

class TestCompute : public QObject {
  Q_OBJECT

  // One compute command: what stopped it (a box or a fault) and the texts of the results box after
  // it.
  void addColumns() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("stop");  // box text, fault text, or empty
    QTest::addColumn<int>("left");      // box offset; 0 for a fault or none
    QTest::addColumn<QStringList>("labels");
  }

  static void Row(const char* name, const GridInput& input, int model, const char* stop, int left,
                  QStringList labels) {
    QTest::newRow(name) << input << model << QString::fromUtf8(stop) << left << labels;
  }

 private slots:
  void compute_data() {
    addColumns();
    const auto line = Grids({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "6"}});
    Row("line through three points", line, 0, "", 0,
        {"a =   2.00000", "b =   0.00000", "", "data : 3 組", "標準偏差 =   0.00000"});
    Row("proportional, one pair", Grids({{1, "2", "6"}}), 1, "", 0,
        {"a =   3.00000", "", "", "data : 1 組", "標準偏差 ="});
    Row("parabola", Grids({{1, "0", "1"}, {2, "1", "2"}, {3, "2", "5"}}), 2, "", 0,
        {"a =   1.00000", "b =   0.00000", "c =   1.00000", "data : 3 組", "標準偏差 =   0.00000"});
    Row("quadratic, two pairs", Grids({{1, "1", "1"}, {2, "3", "5"}}), 2, "", 0,
        {"a =   0.00000", "b =   2.00000", "c =  -1.00000", "data : 2 組", "標準偏差 ="});
    Row("quadratic, two pairs and omitted rows",
        Grids({{1, "1", "1"}, {2, "7", "7", "Omit"}, {3, "3", "5"}, {4, "-4", "0", "x"}}), 2, "", 0,
        {"a =   0.00000", "b =   2.00000", "c =  -1.00000", "data : 2 組", "標準偏差 ="});
    // x symmetric about 0: the sums of odd powers of x vanish.
    Row("quadratic, x symmetric about 0", Grids({{1, "-1", "1"}, {2, "0", "0"}, {3, "1", "1"}}), 2,
        "", 0,
        {"a =   1.00000", "b =   0.00000", "c =   0.00000", "data : 3 組", "標準偏差 =   0.00000"});
    Row("quadratic, x from -2 to 2, y = x^2 + 1",
        Grids({{1, "-2", "5"}, {2, "-1", "2"}, {3, "0", "1"}, {4, "1", "2"}, {5, "2", "5"}}), 2, "",
        0,
        {"a =   1.00000", "b =   0.00000", "c =   1.00000", "data : 5 組", "標準偏差 =   0.00000"});
    Row("quadratic, two pairs symmetric about 0", Grids({{1, "-2", "1"}, {2, "2", "5"}}), 2, "", 0,
        {"a =   0.00000", "b =   1.00000", "c =   3.00000", "data : 2 組", "標準偏差 ="});
    Row("quadratic, x symmetric about 0, a rounded",
        Grids({{1, "-2", "1"}, {2, "-1", "0"}, {3, "1", "0"}, {4, "2", "0"}}), 2, "", 0,
        {"a =   0.16667", "b =  -0.20000", "c =  -0.16667", "data : 4 組", "標準偏差 =   0.18257"});
    Row("quadratic without constant", Grids({{1, "1", "3"}, {2, "2", "10"}, {3, "-1", "1"}}), 3, "",
        0, {"a =   2.00000", "b =   1.00000", "", "data : 3 組", "標準偏差 =   0.00000"});
    // b is exactly 0: no rounded sum leaves it a negative trace.
    Row("residuals", Grids({{1, "1", "1"}, {2, "2", "3"}, {3, "3", "2"}, {4, "4", "5"}}), 0, "", 0,
        {"a =   1.10000", "b =   0.00000", "", "data : 4 組", "標準偏差 =   0.94868"});

    // Data as people type them, far from 0. The figures are the exact least-squares ones,
    // each rounded to 32 bits, worked out by tests/core/fit_oracle.py (Python's fractions).
    std::vector<std::string> onLine;
    for (int x = 2001; x <= 2020; ++x) onLine.push_back(std::to_string(2 * x - 3999));
    Row("years on a straight line", Years(2001, onLine), 0, "", 0,
        {"a =   2.00000", "b =-3999.00000", "", "data : 20 組", "標準偏差 =   0.00000"});
    Row("CO2 by year, parabola", Years(2001, kCarbonDioxide), 2, "", 0,
        {"a =   0.02068", "b = -80.92440", "c =79509.71875", "data : 20 組",
         "標準偏差 =   0.35654"});
    Row("CO2 by year, straight line", Years(2001, kCarbonDioxide), 0, "", 0,
        {"a =   2.21901", "b =-4069.51221", "", "data : 20 組", "標準偏差 =   0.72262"});
    std::vector<std::string> parabola;
    for (int x = 100; x <= 109; ++x) {
      parabola.push_back(QByteArray::number(0.5 * (x - 100) * (x - 100) + 3).toStdString());
    }
    Row("parabola from x = 100", Years(100, parabola), 2, "", 0,
        {"a =   0.50000", "b =-100.00000", "c =5003.00000", "data : 10 組",
         "標準偏差 =   0.00000"});
    // 0.001 x^2 - 0.2 x + 30 to four decimals.
    Row("kelvin",
        Pairs({{"273.15", "49.9809"},
               {"278.15", "51.7374"},
               {"283.15", "53.5439"},
               {"288.15", "55.4004"},
               {"293.15", "57.3069"},
               {"298.15", "59.2634"},
               {"303.15", "61.2699"},
               {"308.15", "63.3264"},
               {"313.15", "65.4329"},
               {"318.15", "67.5894"},
               {"323.15", "69.7959"},
               {"328.15", "72.0524"}}),
        2, "", 0,
        {"a =   0.00100", "b =  -0.20000", "c =  29.99981", "data : 12 組",
         "標準偏差 =   0.00000"});
    // NIST's certified values for its two regressions through the origin: a = 2.07438016528926,
    // s = 3.56753034006338; a = 0.727272727272727, s = 0.369274472937998.
    std::vector<std::pair<std::string, std::string>> noInt1;
    for (int x = 60; x <= 70; ++x) noInt1.emplace_back(std::to_string(x), std::to_string(x + 70));
    Row("NIST NoInt1", Pairs(noInt1), 1, "", 0,
        {"a =   2.07438", "", "", "data : 11 組", "標準偏差 =   3.56753"});
    Row("NIST NoInt2", Pairs({{"4", "3"}, {"5", "4"}, {"6", "4"}}), 1, "", 0,
        {"a =   0.72727", "", "", "data : 3 組", "標準偏差 =   0.36927"});
    // x in steps of 1024 from 10^10 (32-bit values there are 1024 apart), on the line
    // y = (x - 10^10) / 1024 + 7.
    std::vector<std::pair<std::string, std::string>> farX;
    for (int k = 0; k < 6; ++k) {
      farX.emplace_back(std::to_string(10000000000LL + 1024 * k), std::to_string(k + 7));
    }
    Row("x near 10^10, straight line", Pairs(farX), 0, "", 0,
        {"a =   0.00098", "b =-9765618.00000", "", "data : 6 組", "標準偏差 =   0.00000"});
    Row("x near 10^10, parabola", Pairs(farX), 2, "", 0,
        {"a =   0.00000", "b =   0.00098", "c =-9765618.00000", "data : 6 組",
         "標準偏差 =   0.00000"});
    Row("x near the 32-bit limit", Pairs({{"3e38", "1"}, {"-3e38", "2"}, {"1e38", "3"}}), 0, "", 0,
        {"a =  -0.00000", "b =   2.03571", "", "data : 3 組", "標準偏差 =   0.94491"});
    Row("sums beyond the 32-bit range", Pairs({{"1e10", "1"}, {"1", "1"}}), 1, "", 0,
        {"a =   0.00000", "", "", "data : 2 組", "標準偏差 ="});
    // The number text writes 18 significant digits and zeros after them.
    Row("squared residuals beyond the 32-bit range",
        Grids({{1, "0", "0"}, {2, "1", "1e20"}, {3, "2", "0"}, {4, "3", "1e20"}}), 0, "", 0,
        {"a =19999999961012895700.00000", "b =19999999961012895700.00000", "", "data : 4 組",
         "標準偏差 =51639777459336904700.00000"});

    const auto omitTwo = Grids({{1, "1", "2"}, {2, "2", "4", "Omit"}, {3, "3", "6", "Omit"}});
    Row("two omitted, line", omitTwo, 0, kTooFew2, 125, kBare);
    Row("two omitted, proportional", omitTwo, 1, "", 0,
        {"a =   2.00000", "", "", "data : 1 組", "標準偏差 ="});
    for (int m = 0; m < 4; ++m) {
      const QByteArray name = "empty grid, kind " + QByteArray::number(m);
      Row(name, Grids({}), m, m == 1 ? kTooFew1 : kTooFew2, 125, kBare);
    }
    const auto sameX = Grids({{1, "2", "1"}, {2, "2", "3"}});
    for (int m = 0; m < 4; ++m) {
      const QByteArray name = "same x, kind " + QByteArray::number(m);
      Row(name, sameX, m, kAllSame, 125, kBare);
    }
    Row("proportional, x only 0", Grids({{1, "0", "5"}}), 1, kOnlyZero, 140, kBare);
    Row("proportional, x 0 twice", Grids({{1, "0", "1"}, {2, "0", "2"}}), 1, kAllSame, 125, kBare);
    Row("only zero x, omitted negative x", Grids({{1, "0", "1"}, {2, "-5", "0", "Omit"}}), 1,
        kOnlyZero, 140, kBare);
    Row("invalid cell", Grids({{1, "1", "2"}, {2, "2", "4a"}}), 0,
        "正しい数字ではありません\n\n  Data No. 2 の y", 130, kBare);

    // Faults the x checks do not foresee.
    Row("same used x, other omitted x",
        Grids({{1, "2", "1"}, {2, "2", "3"}, {3, "5", "0", "Omit"}}), 0, kInvalidOperation.text, 0,
        kBare);
    Row("only zero used x, other omitted x", Grids({{1, "0", "1"}, {2, "5", "0", "Omit"}}), 1,
        kInvalidOperation.text, 0, kBare);
    Row("same used x, fractional y",
        Grids({{1, "3", "0.538"}, {2, "3", "0.324"}, {3, "3", "0.37"}, {4, "5", "0", "Omit"}}), 0,
        kInvalidOperation.text, 0, kBare);
    Row("quadratic, two distinct x", Grids({{1, "1", "0"}, {2, "1", "1"}, {3, "2", "5"}}), 2,
        kInvalidOperation.text, 0, kBare);
    Row("quadratic, two distinct x symmetric",
        Grids({{1, "-1", "0"}, {2, "1", "1"}, {3, "1", "5"}}), 2, kInvalidOperation.text, 0, kBare);
    Row("quadratic, two distinct x, one of them twice",
        Grids({{1, "-1", "1"}, {2, "1", "2"}, {3, "1", "3"}}), 2, kInvalidOperation.text, 0, kBare);
    Row("quadratic, two distinct years",
        Grids({{1, "2001", "371.32"}, {2, "2001", "371.5"}, {3, "2020", "414.21"}}), 2,
        kInvalidOperation.text, 0, kBare);
    Row("same series-2 x widens the range",
        Grids({{1, "2", "1"}, {2, "2", "3"}}, {{1, "9", "9"}}, true), 3, kInvalidOperation.text, 0,
        kBare);
    Row("no constant, one non-zero x", Grids({{1, "0", "1"}, {2, "3", "2"}, {3, "3", "4"}}), 3,
        kInvalidOperation.text, 0, kBare);
    Row("no constant, x 0 twice and one other",
        Grids({{1, "0", "0"}, {2, "0", "1"}, {3, "5", "2"}}), 3, kInvalidOperation.text, 0, kBare);
    Row("coefficient overflows", Grids({{1, "1e-15", "1e30"}}), 1, kOverflow.text, 0, kBare);
    Row("coefficient 10^60 from x squared far below 1", Grids({{1, "1e-30", "1e30"}}), 1,
        kOverflow.text, 0, kBare);
    // a = -1 would fit; b = 4·10^38 does not, and nothing is stored.
    Row("second coefficient overflows", Grids({{1, "1e38", "3e38"}, {2, "2e38", "2e38"}}), 0,
        kOverflow.text, 0, kBare);
    Row("deviation overflows",
        Grids({{1, "0", "3.4e38"}, {2, "1", "-3.4e38"}, {3, "2", "3.4e38"}, {4, "3", "-3.4e38"}}),
        0, kOverflow.text, 0, kBare);
  }
  void compute() {
    QFETCH(GridInput, input);
    QFETCH(int, model);
    QFETCH(QString, stop);
    QFETCH(int, left);
    QFETCH(QStringList, labels);
    DataStore store;
    QString stoppedBy;
    int stoppedAt = 0;
    ResultTexts shown;  // as the window shows them: bare without a fit
    try {
      const auto outcome = RunCompute(store, input, static_cast<FitModel>(model));
      QCOMPARE(!outcome.result, outcome.refusal.has_value());
      if (outcome.refusal) {
        stoppedBy = QString::fromStdString(outcome.refusal->text);
        stoppedAt = outcome.refusal->message->left;
      } else {
        shown = outcome.result->texts;
      }
    } catch (const CommandError& e) {
      stoppedBy = QString::fromUtf8(e.what());
    }
    QCOMPARE(stoppedBy, stop);
    QCOMPARE(stoppedAt, left);
    QCOMPARE(Texts(shown), labels);
  }

  void ranges_data() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<QList<float>>("expected");  // XMax, XMin, YMax, YMin
    QTest::newRow("used rows") << Grids({{1, "1", "5"}, {2, "3", "-2"}, {3, "2", "7"}})
                               << QList<float>{3, 1, 7, -2};
    QTest::newRow("omitted rows count")
        << Grids({{1, "1", "1"}, {2, "10", "-4", "Omit"}, {3, "3", "2"}})
        << QList<float>{10, 1, 2, -4};
    QTest::newRow("unfilled series-2 slots hold 0")
        << Grids({{1, "1", "1"}, {2, "3", "2"}}, {{5, "4", "8"}}, true) << QList<float>{4, 0, 8, 0};
    QTest::newRow("series 2 unticked")
        << Grids({{1, "1", "1"}, {2, "3", "2"}}, {{5, "4", "8"}}, false)
        << QList<float>{3, 1, 2, 1};
  }
  void ranges() {
    QFETCH(GridInput, input);
    QFETCH(QList<float>, expected);
    DataStore store;
    const auto outcome = RunCompute(store, input, FitModel::Linear);
    QVERIFY(outcome.result);
    const DataRanges& s = outcome.result->ranges;
    QCOMPARE_EXACT(s.XMax, expected[0]);
    QCOMPARE_EXACT(s.XMin, expected[1]);
    QCOMPARE_EXACT(s.YMax, expected[2]);
    QCOMPARE_EXACT(s.YMin, expected[3]);
  }

  // What a fit leaves besides the texts: the kind, the count, the points as plotted and the
  // deviation as shown, to which the bands are drawn.
  void result_data() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("used");
    QTest::addColumn<QStringList>("series1");
    QTest::addColumn<QStringList>("series2");
    QTest::addColumn<QString>("shownStdDev");  // the value, as %.21Lg; empty without a deviation
    QTest::newRow("omitted rows plotted hollow, packed in grid order")
        << Grids({{2, "1", "2"}, {4, "5", "0", "Omit"}, {9, "3", "7"}}) << 0 << 2
        << QStringList{"1,2", "5,0o", "3,7"} << QStringList{} << QString();
    QTest::newRow("series 2 unticked is not plotted")
        << Grids({{1, "1", "2"}, {2, "2", "3"}}, {{1, "4", "4"}}, false) << 0 << 2
        << QStringList{"1,2", "2,3"} << QStringList{} << QString();
    QTest::newRow("series 2: complete rows only, by grid row")
        << Grids({{1, "1", "2"}, {2, "2", "3"}}, {{3, "-1", "6"}, {5, "7", ""}, {8, "2.5", "1e1"}},
                 true)
        << 1 << 2 << QStringList{"1,2", "2,3"} << QStringList{"-1,6", "2.5,10"} << QString();
    // s = 0.356540... is shown as 0.35654, and that is what a band is a multiple of.
    QTest::newRow("CO2 by year: the deviation to 5 decimals")
        << Years(2001, kCarbonDioxide) << 2 << 20 << QStringList{} << QStringList{}
        << Describe(ParseNumber("0.35654").value);
    QTest::newRow("exact fit: deviation 0")
        << Grids({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "6"}}) << 0 << 3
        << QStringList{"1,2", "2,4", "3,6"} << QStringList{} << Describe(0);
  }
  void result() {
    QFETCH(GridInput, input);
    QFETCH(int, model);
    QFETCH(int, used);
    QFETCH(QStringList, series1);
    QFETCH(QStringList, series2);
    QFETCH(QString, shownStdDev);
    DataStore store;
    const auto outcome = RunCompute(store, input, static_cast<FitModel>(model));
    QVERIFY(outcome.result);
    const FitResult& r = *outcome.result;
    QCOMPARE(int(r.model), model);
    QCOMPARE(r.usedCount, used);
    if (!series1.isEmpty()) QCOMPARE(Points(r.series1), series1);
    QCOMPARE(Points(r.series2), series2);
    QCOMPARE(r.figures, FitExactly(store, static_cast<FitModel>(model)));
    QCOMPARE(r.figures.stdDev.has_value(), !shownStdDev.isEmpty());
    if (r.figures.stdDev) QCOMPARE(Describe(r.shownStdDev), shownStdDev);
  }
};

QTEST_APPLESS_MAIN(TestCompute)
#include "test_compute.moc"
