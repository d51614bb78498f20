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

 private slots:
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
    QVERIFY(!ReadGrids(store, input));
    const FitFigures fit = FitExactly(store, static_cast<FitModel>(model));
    QCOMPARE_EXACT(fit.a, std::bit_cast<float>(bits[0]));
    QCOMPARE_EXACT(fit.b, std::bit_cast<float>(bits[1]));
    QCOMPARE_EXACT(fit.c, std::bit_cast<float>(bits[2]));
    QCOMPARE(fit.stdDev.has_value(), bits.size() > 3);
    if (fit.stdDev) QCOMPARE_EXACT(*fit.stdDev, std::bit_cast<float>(bits[3]));
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
        input.series1[r][kColumnX] = QByteArray::number(x, 'g', 8).toStdString();
        input.series1[r][kColumnY] = QByteArray::number(y * 100, 'g', 7).toStdString();
      }
      DataStore store;
      QVERIFY(!ReadGrids(store, input));
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
        input.series1[r][kColumnX] = QByteArray::number(x, 'g', 9).toStdString();
        input.series1[r][kColumnY] = QByteArray::number(y, 'g', 9).toStdString();
        xs.push_back(ParseNumber(input.series1[r][kColumnX]).single);
        ys.push_back(ParseNumber(input.series1[r][kColumnY]).single);
      }
      DataStore store;
      QVERIFY(!ReadGrids(store, input));
      const FitFigures fit = FitExactly(store, kind);
      const long double a = fit.a, b = fit.b, c = fit.c;
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
