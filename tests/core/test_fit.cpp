#include <QStringList>
#include <QTest>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

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

bool HasConstant(const FormulaKind& kind) {
  return kind.powers[kind.coefficients - 1] == 0;
}

// Least squares in long double on t = (x - m) / w, with m the mean of x when the kind has a
// constant (0 otherwise) and w the largest |x - m|; the coefficients are then taken back to x.
// Returns a, b, c in the kind's order and the standard deviation.

std::array<long double, 4> CentredSolve(const DataStore& store, const FormulaKind& kind) {
  const int k = kind.coefficients;
  const bool constant = HasConstant(kind);
  std::vector<long double> xs, ys;
  for (int i = 1; i <= store.Count1; ++i) {
    if (store.Use1[i] == 0) continue;
    xs.push_back(store.X1[i]);
    ys.push_back(store.Y1[i]);
  }
  long double m = 0, w = 0;
  if (constant) {
    for (long double x : xs) m += x;
    m /= xs.size();
  }
  for (long double x : xs) w = std::max(w, std::fabs(x - m));
  // Normal equations over t^p for the kind's powers p.
  long double a[3][4] = {};
  const auto basis = [&](long double t, int i) { return std::pow(t, kind.powers[i]); };
  for (std::size_t n = 0; n < xs.size(); ++n) {
    const long double t = (xs[n] - m) / w;
    for (int i = 0; i < k; ++i) {
      for (int j = 0; j < k; ++j) a[i][j] += basis(t, i) * basis(t, j);
      a[i][k] += basis(t, i) * ys[n];
    }
  }
  for (int col = 0; col < k; ++col) {  // elimination with partial pivoting
    int pivot = col;
    for (int r = col + 1; r < k; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    for (int j = 0; j <= k; ++j) std::swap(a[col][j], a[pivot][j]);
    for (int r = col + 1; r < k; ++r) {
      const long double f = a[r][col] / a[col][col];
      for (int j = col; j <= k; ++j) a[r][j] -= f * a[col][j];
    }
  }
  long double beta[3] = {};
  for (int i = k - 1; i >= 0; --i) {
    long double v = a[i][k];
    for (int j = i + 1; j < k; ++j) v -= a[i][j] * beta[j];
    beta[i] = v / a[i][i];
  }
  // y = Σ beta_i ((x - m) / w)^p_i, by powers of x.
  long double byPower[3] = {};
  for (int i = 0; i < k; ++i) {
    const long double b = beta[i] / std::pow(w, kind.powers[i]);
    if (kind.powers[i] == 2) {
      byPower[2] += b;
      byPower[1] -= 2 * m * b;
      byPower[0] += m * m * b;
    } else if (kind.powers[i] == 1) {
      byPower[1] += b;
      byPower[0] -= m * b;
    } else {
      byPower[0] += b;
    }
  }
  std::array<long double, 4> result{};
  for (int i = 0; i < k; ++i) result[i] = byPower[kind.powers[i]];
  long double squares = 0;
  for (std::size_t n = 0; n < xs.size(); ++n) {
    const long double t = (xs[n] - m) / w;
    long double e = ys[n];
    for (int i = 0; i < k; ++i) e -= beta[i] * basis(t, i);
    squares += e * e;
  }
  result[3] = std::sqrt(squares / (xs.size() - 1));
  return result;
}

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
        Grids({{1, "2", "1"}, {2, "2", "3"}, {3, "5", "0", "Omit"}}), 0, kInvalidOperationText, 0,
        kBare);
    Row("only zero used x, other omitted x", Grids({{1, "0", "1"}, {2, "5", "0", "Omit"}}), 1,
        kInvalidOperationText, 0, kBare);
    Row("same used x, fractional y",
        Grids({{1, "3", "0.538"}, {2, "3", "0.324"}, {3, "3", "0.37"}, {4, "5", "0", "Omit"}}), 0,
        kInvalidOperationText, 0, kBare);
    Row("quadratic, two distinct x", Grids({{1, "1", "0"}, {2, "1", "1"}, {3, "2", "5"}}), 2,
        kInvalidOperationText, 0, kBare);
    Row("quadratic, two distinct x symmetric",
        Grids({{1, "-1", "0"}, {2, "1", "1"}, {3, "1", "5"}}), 2, kInvalidOperationText, 0, kBare);
    Row("quadratic, two distinct x, one of them twice",
        Grids({{1, "-1", "1"}, {2, "1", "2"}, {3, "1", "3"}}), 2, kInvalidOperationText, 0, kBare);
    Row("quadratic, two distinct years",
        Grids({{1, "2001", "371.32"}, {2, "2001", "371.5"}, {3, "2020", "414.21"}}), 2,
        kInvalidOperationText, 0, kBare);
    Row("same series-2 x widens the range",
        Grids({{1, "2", "1"}, {2, "2", "3"}}, {{1, "9", "9"}}, true), 3, kInvalidOperationText, 0,
        kBare);
    Row("no constant, one non-zero x", Grids({{1, "0", "1"}, {2, "3", "2"}, {3, "3", "4"}}), 3,
        kInvalidOperationText, 0, kBare);
    Row("no constant, x 0 twice and one other",
        Grids({{1, "0", "0"}, {2, "0", "1"}, {3, "5", "2"}}), 3, kInvalidOperationText, 0, kBare);
    Row("coefficient overflows", Grids({{1, "1e-15", "1e30"}}), 1, kOverflowText, 0, kBare);
    Row("coefficient 10^60 from x squared far below 1", Grids({{1, "1e-30", "1e30"}}), 1,
        kOverflowText, 0, kBare);
    // a = -1 would fit; b = 4·10^38 does not, and nothing is stored.
    Row("second coefficient overflows", Grids({{1, "1e38", "3e38"}, {2, "2e38", "2e38"}}), 0,
        kOverflowText, 0, kBare);
    Row("deviation overflows",
        Grids({{1, "0", "3.4e38"}, {2, "1", "-3.4e38"}, {3, "2", "3.4e38"}, {4, "3", "-3.4e38"}}),
        0, kOverflowText, 0, kBare);
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
    if (!stop.isEmpty()) {  // a refused or failed command leaves the coefficients reset
      QCOMPARE_EXACT(store.CoefA, 0.0f);
      QCOMPARE_EXACT(store.CoefB, 0.0f);
      QCOMPARE_EXACT(store.CoefC, 0.0f);
    }
  }

  // The figures to the bit: the rounding at and beside a halfway point, a tiny negative
  // coefficient, and two fits of data far from 0. Bits from tests/core/fit_oracle.py.
  void figures_data() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<int>("model");
    QTest::addColumn<QList<quint32>>("bits");  // a, b, c and, for more than two pairs, s
    // Two pairs at x = 1: a is their mean, 1 + 2^-24, halfway between 1 and the float above.
    // The omitted row keeps the x check from refusing.
    QTest::newRow("a halfway ties to even")
        << Grids({{1, "1", "1"}, {2, "1", "1.00000012"}, {3, "2", "0", "Omit"}}) << 1
        << QList<quint32>{0x3f800000, 0, 0};
    // A third pair at x = 2^-20 moves a by about 2^-41 off the halfway point.
    QTest::newRow("a just above halfway")
        << Pairs({{"1", "1"}, {"1", "1.00000012"}, {"9.5367431640625e-07", "1.9073486328125e-06"}})
        << 1 << QList<quint32>{0x3f800001, 0, 0, 0x3535b99d};
    QTest::newRow("a just below halfway")
        << Pairs({{"1", "1"}, {"1", "1.00000012"}, {"9.5367431640625e-07", "0"}}) << 1
        << QList<quint32>{0x3f800000, 0, 0, 0x3535b99f};
    QTest::newRow("a tiny and negative")
        << Pairs({{"3e38", "1"}, {"-3e38", "2"}, {"1e38", "3"}}) << 0
        << QList<quint32>{0x800baab5, 0x40024925, 0, 0x3f71e5b3};
    QTest::newRow("CO2 by year, parabola")
        << Years(2001, kCarbonDioxide) << 2
        << QList<quint32>{0x3ca96370, 0xc2a1d94b, 0x479b4adc, 0x3eb68ccc};
    QTest::newRow("CO2 by year, no constant")
        << Years(2001, kCarbonDioxide) << 3
        << QList<quint32>{0x3a83fa7d, 0xbfea2e3b, 0, 0x3f3237bd};
  }
  void figures() {
    QFETCH(GridInput, input);
    QFETCH(int, model);
    QFETCH(QList<quint32>, bits);
    DataStore store;
    ResultLabels labels;
    QVERIFY(!RunCompute(store, input, static_cast<FitModel>(model), labels).refusal);
    QCOMPARE_EXACT(store.CoefA, std::bit_cast<float>(bits[0]));
    QCOMPARE_EXACT(store.CoefB, std::bit_cast<float>(bits[1]));
    QCOMPARE_EXACT(store.CoefC, std::bit_cast<float>(bits[2]));
    const std::optional<float> s = FitExactly(store, static_cast<FitModel>(model)).stdDev;
    QCOMPARE(s.has_value(), bits.size() > 3);
    if (s) QCOMPARE_EXACT(*s, std::bit_cast<float>(bits[3]));
  }

  // A second solver, apart from the exact one: long double on x centred on its mean (for the
  // kinds with a constant) and scaled, on random well-conditioned data near 0, near the years,
  // near kelvin and near hPa. Every figure must lie within one unit in the last place of the
  // 32-bit figure.
  void agreesWithCentredSolver_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<double>("centre");
    for (int m = 0; m < kFitModels; ++m) {
      const auto kind = static_cast<FitModel>(m);
      for (double centre : {0.0, 2000.0, 300.0, 1013.0}) {
        // Without a constant x cannot be centred.
        if (!HasConstant(KindOf(kind)) && centre != 0) continue;
        QTest::newRow(qPrintable(QStringLiteral("%1 near %2").arg(FormulaText(kind)).arg(centre)))
            << m << centre;
      }
    }
  }
  void agreesWithCentredSolver() {
    QFETCH(int, model);
    QFETCH(double, centre);
    const auto kind = static_cast<FitModel>(model);
    const FormulaKind& formula = KindOf(kind);
    std::mt19937 random(20261209 + model + static_cast<int>(centre));
    // Half widths of x from 1 to 10 000, evenly in their logarithm.
    std::uniform_real_distribution<double> decades(0, 4), unit(-1, 1), noise(-0.5, 0.5);
    std::uniform_int_distribution<int> count(5, 20);
    for (int trial = 0; trial < 200; ++trial) {
      const double width = std::pow(10.0, decades(random));
      // Coefficients of the shape over t = (x - centre) / width, each of some size.
      const double shape[] = {1.5 + unit(random), 2 + unit(random), 3 + unit(random)};
      GridInput input;
      const int n = count(random);
      for (int r = 1; r <= n; ++r) {
        const double t = unit(random), x = centre + width * t;
        double y = noise(random);
        for (int i = 0; i < formula.coefficients; ++i)
          y += shape[i] * std::pow(t, formula.powers[i]);
        input.grid1[1][r] = QByteArray::number(x, 'g', 8).toStdString();
        input.grid1[2][r] = QByteArray::number(y * 100, 'g', 7).toStdString();
      }
      DataStore store;
      ResultLabels labels;
      QVERIFY(!RunCompute(store, input, kind, labels).refusal);
      const FitFigures exact = FitExactly(store, kind);
      const auto solved = CentredSolve(store, formula);
      const float figures[] = {exact.a, exact.b, exact.c, exact.stdDev.value()};
      for (int i = 0; i < 4; ++i) {
        if (i < 3 && i >= formula.coefficients) continue;
        const long double ulp =
            std::nextafter(std::fabs(figures[i]), INFINITY) - std::fabs(figures[i]);
        QVERIFY2(std::fabs(solved[i] - figures[i]) <= ulp,
                 qPrintable(QStringLiteral("trial %1, figure %2: exact %3, long double %4")
                                .arg(trial)
                                .arg(i)
                                .arg(Describe(figures[i]), Describe(solved[i]))));
      }
    }
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
