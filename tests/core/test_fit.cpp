#include <QStringList>
#include <QTest>
#include <random>

#include "core/fit.h"
#include "core/number.h"
#include "tests/core/grid_builder.h"
#include "tests/support.h"

using namespace orvelt;

Q_DECLARE_METATYPE(orvelt::GridInput)

namespace {

QStringList Texts(const ResultLabels& l) {
  QStringList texts;
  for (const std::string* s : {&l.a, &l.b, &l.c, &l.count, &l.stdDev})
    texts << QString::fromStdString(*s);
  return texts;
}

const QStringList kBare = Texts(ResultLabels{});

const char* const kTooFew1 = "データ数が足りません\n\n１組以上のデータが必要です";
const char* const kTooFew2 = "データ数が足りません\n\n２組以上のデータが必要です";
const char* const kOnlyZero = "ｘ の値が ０ のみです\n\n計算できません";
const char* const kAllSame = "ｘ の値がすべて同じです\n\n計算できません";

}  // namespace

class TestFit : public QObject {
  Q_OBJECT

  // One compute command: what stopped it (a box or a fault) and the labels it left.
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
    // x symmetric about 0 makes Q 0: b comes from the other eliminated equation.
    Row("quadratic, x symmetric about 0", Grids({{1, "-1", "1"}, {2, "0", "0"}, {3, "1", "1"}}), 2,
        "", 0,
        {"a =   1.00000", "b =   0.00000", "c =   0.00000", "data : 3 組", "標準偏差 =   0.00000"});
    Row("quadratic, x from -2 to 2, y = x^2 + 1",
        Grids({{1, "-2", "5"}, {2, "-1", "2"}, {3, "0", "1"}, {4, "1", "2"}, {5, "2", "5"}}), 2, "",
        0, {"a =   1.00000", "b =   0.00000", "c =   1.00000", "data : 5 組", "標準偏差 =   0.00000"});
    Row("quadratic, two pairs symmetric about 0", Grids({{1, "-2", "1"}, {2, "2", "5"}}), 2, "", 0,
        {"a =   0.00000", "b =   1.00000", "c =   3.00000", "data : 2 組", "標準偏差 ="});
    Row("quadratic, x symmetric about 0, a rounded",
        Grids({{1, "-2", "1"}, {2, "-1", "0"}, {3, "1", "0"}, {4, "2", "0"}}), 2, "", 0,
        {"a =   0.16667", "b =  -0.20000", "c =  -0.16667", "data : 4 組", "標準偏差 =   0.18257"});
    Row("quadratic without constant", Grids({{1, "1", "3"}, {2, "2", "10"}, {3, "-1", "1"}}), 3, "",
        0, {"a =   2.00000", "b =   1.00000", "", "data : 3 組", "標準偏差 =   0.00000"});
    Row("residuals", Grids({{1, "1", "1"}, {2, "2", "3"}, {3, "3", "2"}, {4, "4", "5"}}), 0, "", 0,
        {"a =   1.10000", "b =  -0.00000", "", "data : 4 組", "標準偏差 =   0.94868"});

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
        Grids({{1, "2", "1"}, {2, "2", "3"}, {3, "5", "0", "Omit"}}), 0, kInvalidOperationText, 0,
        kBare);
    Row("only zero used x, other omitted x", Grids({{1, "0", "1"}, {2, "5", "0", "Omit"}}), 1,
        kInvalidOperationText, 0, kBare);
    Row("same used x, sums rounded apart",
        Grids({{1, "3", "0.538"}, {2, "3", "0.324"}, {3, "3", "0.37"}, {4, "5", "0", "Omit"}}), 0,
        kZeroDivideText, 0, kBare);
    Row("x squared underflows", Grids({{1, "1e-30", "1e30"}}), 1, kZeroDivideText, 0, kBare);
    Row("quadratic, two distinct x", Grids({{1, "1", "0"}, {2, "1", "1"}, {3, "2", "5"}}), 2,
        kInvalidOperationText, 0, kBare);
    Row("quadratic, two distinct x symmetric",
        Grids({{1, "-1", "0"}, {2, "1", "1"}, {3, "1", "5"}}), 2, kInvalidOperationText, 0, kBare);
    Row("quadratic, two distinct x, one of them twice",
        Grids({{1, "-1", "1"}, {2, "1", "2"}, {3, "1", "3"}}), 2, kInvalidOperationText, 0, kBare);
    Row("same series-2 x widens the range",
        Grids({{1, "2", "1"}, {2, "2", "3"}}, {{1, "9", "9"}}, true), 3, kInvalidOperationText, 0,
        kBare);
    Row("sum overflows", Grids({{1, "1e10", "1"}, {2, "1", "1"}}), 1, kOverflowText, 0, kBare);
    Row("coefficient overflows", Grids({{1, "1e-15", "1e30"}}), 1, kOverflowText, 0, kBare);
    Row("residual sum overflows",
        Grids({{1, "0", "0"}, {2, "1", "1e20"}, {3, "2", "0"}, {4, "3", "1e20"}}), 0, kOverflowText,
        0,
        {"a =19999999961012895700.00000", "b =20000002160036151300.00000", "", "data : 4 組",
         "標準偏差 ="});
  }
  void compute() {
    QFETCH(GridInput, input);
    QFETCH(int, model);
    QFETCH(QString, stop);
    QFETCH(int, left);
    QFETCH(QStringList, labels);
    DataStore store;
    store.CoefA = store.CoefB = store.CoefC = 7;  // an earlier fit
    ResultLabels shown;
    shown.a = "stale";
    QString stoppedBy;
    int stoppedAt = 0;
    try {
      const auto outcome = RunCompute(store, input, static_cast<FitModel>(model), shown);
      if (outcome.refusal) {
        stoppedBy = QString::fromStdString(outcome.refusal->text);
        stoppedAt = outcome.refusal->left;
      }
    } catch (const CommandError& e) {
      stoppedBy = QString::fromUtf8(e.what());
    }
    QCOMPARE(stoppedBy, stop);
    QCOMPARE(stoppedAt, left);
    QCOMPARE(Texts(shown), labels);
    if (!stop.isEmpty() && left != 0) {  // a refused command leaves the coefficients reset
      QCOMPARE_EXACT(store.CoefA, 0.0f);
      QCOMPARE_EXACT(store.CoefC, 0.0f);
    }
  }

  void faultKeepsEarlierCoefficients() {
    // Linear: a is stored, then the residual sum overflows.
    DataStore store;
    ResultLabels labels;
    QVERIFY_THROWS_EXCEPTION(
        CommandError,
        RunCompute(store, Grids({{1, "0", "0"}, {2, "1", "1e20"}, {3, "2", "0"}, {4, "3", "1e20"}}),
                   FitModel::Linear, labels));
    QVERIFY(store.CoefA > 1e19f);
    // Quadratic with two distinct x: a's denominator is 0, nothing is stored.
    QVERIFY_THROWS_EXCEPTION(CommandError,
                             RunCompute(store, Grids({{1, "1", "0"}, {2, "1", "1"}, {3, "2", "5"}}),
                                        FitModel::Quadratic, labels));
    QCOMPARE_EXACT(store.CoefA, 0.0f);
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
    ResultLabels labels;
    const auto outcome = RunCompute(store, input, FitModel::Linear, labels);
    QVERIFY(!outcome.refusal);
    const FitSums& s = outcome.sums;
    QCOMPARE_EXACT(s.XMax, expected[0]);
    QCOMPARE_EXACT(s.XMin, expected[1]);
    QCOMPARE_EXACT(s.YMax, expected[2]);
    QCOMPARE_EXACT(s.YMin, expected[3]);
  }

  // Independent of the closed forms: the stored coefficients must satisfy the normal equations of
  // their formula kind, up to single precision, on random well-conditioned data.
  void normalEquations_data() {
    QTest::addColumn<int>("model");
    for (int m = 0; m < 4; ++m) QTest::newRow(FormulaText(static_cast<FitModel>(m))) << m;
  }
  void normalEquations() {
    QFETCH(int, model);
    const auto kind = static_cast<FitModel>(model);
    std::mt19937 random(20261208 + model);
    std::uniform_real_distribution<double> coordinate(-6, 6), noise(-2, 2);
    std::uniform_int_distribution<int> count(4, 20);
    for (int trial = 0; trial < 300; ++trial) {
      GridInput input;
      const int n = count(random);
      std::vector<double> xs, ys;
      for (int r = 1; r <= n; ++r) {
        const double x = coordinate(random), y = 0.7 * x * x - 1.3 * x + 2 + noise(random);
        input.grid1[1][r] = QByteArray::number(x, 'g', 9).toStdString();
        input.grid1[2][r] = QByteArray::number(y, 'g', 9).toStdString();
        xs.push_back(ParseNumber(input.grid1[1][r]).single);
        ys.push_back(ParseNumber(input.grid1[2][r]).single);
      }
      DataStore store;
      ResultLabels labels;
      QVERIFY(!RunCompute(store, input, kind, labels).refusal);
      const long double a = store.CoefA, b = store.CoefB, c = store.CoefC;
      const bool quadratic = kind == FitModel::Quadratic || kind == FitModel::QuadraticNoConstant;
      // Weights of the normal equations: d(residual)/d(coefficient) of each fitted coefficient.
      std::vector<int> powers;
      switch (kind) {
        case FitModel::Linear:
          powers = {1, 0};
          break;
        case FitModel::Proportional:
          powers = {1};
          break;
        case FitModel::Quadratic:
          powers = {2, 1, 0};
          break;
        case FitModel::QuadraticNoConstant:
          powers = {2, 1};
          break;
      }
      for (int p : powers) {
        long double residual = 0, scale = 0;
        for (std::size_t i = 0; i < xs.size(); ++i) {
          const long double x = xs[i];
          const long double f = quadratic ? (a * x + b) * x + c : a * x + b;
          const long double w = p == 2 ? x * x : p == 1 ? x : 1;
          residual += w * (ys[i] - f);
          scale += std::fabs(w) * (std::fabs(ys[i]) + std::fabs(f));
        }
        QVERIFY2(std::fabs(residual) <= 2e-5L * scale,
                 qPrintable(QStringLiteral("trial %1, power %2: residual %3 of %4")
                                .arg(trial)
                                .arg(p)
                                .arg(Describe(residual), Describe(scale))));
      }
    }
  }
};

QTEST_APPLESS_MAIN(TestFit)
#include "test_fit.moc"
