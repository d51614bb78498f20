#include "core/fit.h"

#include <array>
#include <cmath>
#include <vector>

#include "core/exact.h"
#include "core/number.h"

namespace orvelt {

namespace {

void Include(float value, float& lo, float& hi) {
  if (lo > value) lo = value;
  if (hi < value) hi = value;
}

constexpr int kMaxCoefficients = 3;

// Values of one column as integers X_k with value_k = X_k · 2^exponent: every float is an
// integer of at most 24 bits times a power of 2, so a common power takes them all exactly.
struct Scaled {
  std::vector<mpz_class> values;
  long exponent = 0;
};

Scaled ScaledExactly(const std::vector<float>& column) {
  struct Split {
    long mantissa;
    int exponent;
  };
  std::vector<Split> splits;
  int least = 0;
  bool any = false;
  for (float v : column) {
    int e = 0;
    const float fraction = std::frexp(v, &e);
    const Split split{static_cast<long>(std::ldexp(fraction, 24)), e - 24};
    splits.push_back(split);
    if (split.mantissa != 0 && (!any || split.exponent < least)) least = split.exponent;
    any = any || split.mantissa != 0;
  }
  Scaled scaled;
  scaled.exponent = least;
  for (const Split& split : splits) {
    mpz_class v = split.mantissa;
    if (split.mantissa != 0) {
      mpz_mul_2exp(v.get_mpz_t(), v.get_mpz_t(), static_cast<mp_bitcnt_t>(split.exponent - least));
    }
    scaled.values.push_back(v);
  }
  return scaled;
}

using Matrix = std::array<std::array<mpz_class, kMaxCoefficients>, kMaxCoefficients>;

mpz_class Determinant(const Matrix& m, int n) {
  if (n == 1) return m[0][0];
  if (n == 2) return m[0][0] * m[1][1] - m[0][1] * m[1][0];
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The least-squares fit of y = Σ ci·x^pi to the pairs, in integers: with x = X·2^ex and
// y = Y·2^ey the normal equations Σ X^(pi+pj)·Cj = Σ X^pi·Y hold for Ci = ci·2^(pi·ex - ey),
// and Cramer's rule gives Ci = Ni / D. Their matrix is singular exactly when the fit is not
// unique; the equations are then still consistent, so every Ni is 0 too: 0/0.
FitFigures SolveLeastSquares(const std::vector<float>& xs, const std::vector<float>& ys,
                             const FormulaKind& kind) {
  const int count = kind.coefficients;
  const auto& powers = kind.powers;
  const Scaled x = ScaledExactly(xs), y = ScaledExactly(ys);
  const std::size_t u = xs.size();
  std::array<mpz_class, 2 * (kMaxCoefficients - 1) + 1> sumXPower;  // Σ X^0 .. Σ X^4
  std::array<mpz_class, kMaxCoefficients> sumXPowerY;               // Σ X^0·Y .. Σ X^2·Y
  for (std::size_t k = 0; k < u; ++k) {
    mpz_class power = 1;
    for (std::size_t p = 0; p < sumXPower.size(); ++p) {
      sumXPower[p] += power;
      if (p < sumXPowerY.size()) sumXPowerY[p] += power * y.values[k];
      power *= x.values[k];
    }
  }
  Matrix normal;
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < count; ++j) normal[i][j] = sumXPower[powers[i] + powers[j]];
  }
  const mpz_class D = Determinant(normal, count);
  if (D == 0) throw CommandError(kInvalidOperation);
  std::array<mpz_class, kMaxCoefficients> N;
  for (int i = 0; i < count; ++i) {
    Matrix replaced = normal;
    for (int j = 0; j < count; ++j) replaced[j][i] = sumXPowerY[powers[j]];
    N[i] = Determinant(replaced, count);
  }
  // Every figure is rounded before any is stored: a fault stores none of them.
  FitFigures figures;
  float* rounded[] = {&figures.a, &figures.b, &figures.c};
  for (int i = 0; i < count; ++i) {
    *rounded[i] = NearestFloat(N[i], D, y.exponent - powers[i] * x.exponent);
  }
  if (u > 2) {
    // D·(Y - Σ Ci·X^pi) for each pair: the residuals in steps of 2^ey / D.
    mpz_class squares = 0;
    for (std::size_t k = 0; k < u; ++k) {
      mpz_class residual = y.values[k] * D;
      for (int i = 0; i < count; ++i) {
        mpz_class term = N[i];
        for (int p = 0; p < powers[i]; ++p) term *= x.values[k];
        residual -= term;
      }
      squares += residual * residual;
    }
    figures.stdDev =
        NearestFloatOfRoot(squares, D * D * static_cast<unsigned long>(u - 1), y.exponent);
  }
  return figures;
}

}  // namespace

DataRanges AccumulateRanges(const DataStore& store, bool plotSeries2) {
  DataRanges s;
  s.XMin = s.XMax = store.X1[1];
  s.YMin = s.YMax = store.Y1[1];
  for (int k = 2; k <= store.Count1; ++k) {
    Include(store.X1[k], s.XMin, s.XMax);
    Include(store.Y1[k], s.YMin, s.YMax);
  }
  if (!plotSeries2) return s;
  for (int r = 1; r <= kRows; ++r) {
    Include(store.X2[r], s.XMin, s.XMax);
    Include(store.Y2[r], s.YMin, s.YMax);
  }
  return s;
}

FitFigures FitExactly(const DataStore& store, FitModel model) {
  std::vector<float> xs, ys;
  for (int k = 1; k <= store.Count1; ++k) {
    if (store.Use1[k] == 0) continue;
    xs.push_back(store.X1[k]);
    ys.push_back(store.Y1[k]);
  }
  // Two pairs give "y = ax^2 + bx + c" no square: a is 0 and b, c make the line through them.
  if (model == FitModel::Quadratic && xs.size() == 2) {
    const FitFigures line = SolveLeastSquares(xs, ys, KindOf(FitModel::Linear));
    return {0, line.a, line.b, std::nullopt};
  }
  return SolveLeastSquares(xs, ys, KindOf(model));
}

std::optional<std::string> YCalculation(const FitFigures& figures, FitModel model,
                                        std::string_view xText) {
  const ParsedNumber number = ParseNumber(xText);
  if (!number.valid) return std::nullopt;
  const Ext x = StoreNumber(number);
  const Curve curve = CurveOf(model, figures.a, figures.b, figures.c);
  // y stays in extended precision: it is shown, never stored.
  const Ext y = KindOf(model).HasSquare() ? curve.At(x) : curve.q1 * x + curve.q0;
  return FormatNumber(y, kResultWidth, kResultDecimals);
}

}  // namespace orvelt
