#include "core/lsq.h"

#include <cmath>

namespace orvelt {

namespace {

struct Scaled {
  std::vector<mpz_class> values;
  long exponent = 0;
};

// One column as integers over the least power of 2 among its values, which takes them all
// exactly.
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

// The transposed matrix of cofactors: m · adjugate = det(m) · I.
IntMatrix Adjugate(const IntMatrix& m, int n) {
  IntMatrix adj;
  if (n == 1) {
    adj[0][0] = 1;
  } else if (n == 2) {
    adj[0][0] = m[1][1];
    adj[0][1] = -m[0][1];
    adj[1][0] = -m[1][0];
    adj[1][1] = m[0][0];
  } else {
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
        adj[i][j] = m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0];
      }
    }
  }
  return adj;
}

}  // namespace

ExactRows RowsOf(const DataStore& store) {
  std::vector<float> xs, ys;
  ExactRows rows;
  for (int k = 1; k <= store.Count1; ++k) {
    xs.push_back(store.X1[k]);
    ys.push_back(store.Y1[k]);
    rows.used.push_back(store.Use1[k] != 0);
  }
  const Scaled x = ScaledExactly(xs), y = ScaledExactly(ys);
  rows.xExponent = x.exponent;
  rows.yExponent = y.exponent;
  rows.y = y.values;
  for (std::size_t k = 0; k < xs.size(); ++k) {
    std::array<mpz_class, kPowers> powers;
    powers[0] = 1;
    for (int p = 1; p < kPowers; ++p) powers[p] = powers[p - 1] * x.values[k];
    if (rows.used[k]) {
      ++rows.usedCount;
      for (int p = 0; p < kPowers; ++p) rows.sumXPower[p] += powers[p];
      for (int p = 0; p < kMaxCoefficients; ++p) rows.sumXPowerY[p] += powers[p] * rows.y[k];
      rows.sumYSquared += rows.y[k] * rows.y[k];
    }
    rows.xPowers.push_back(std::move(powers));
  }
  return rows;
}

const FormulaKind& FittedColumns(FitModel model, int used) {
  if (model == FitModel::Quadratic && used == 2) return KindOf(FitModel::Linear);
  return KindOf(model);
}

ExactSolution SolveExactly(const ExactRows& rows, const FormulaKind& columns) {
  ExactSolution s;
  s.columns = &columns;
  const int count = columns.coefficients;
  const auto& powers = columns.powers;
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < count; ++j) s.normal[i][j] = rows.sumXPower[powers[i] + powers[j]];
  }
  s.adjugate = Adjugate(s.normal, count);
  for (int j = 0; j < count; ++j) s.D += s.normal[0][j] * s.adjugate[j][0];
  if (!s.Unique()) return s;
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < count; ++j) s.N[i] += s.adjugate[i][j] * rows.sumXPowerY[powers[j]];
  }
  for (std::size_t k = 0; k < rows.y.size(); ++k) {
    mpz_class residual = rows.y[k] * s.D;
    for (int i = 0; i < count; ++i) residual -= s.N[i] * rows.xPowers[k][powers[i]];
    if (rows.used[k]) s.squares += residual * residual;
    s.residuals.push_back(std::move(residual));
  }
  return s;
}

}  // namespace orvelt
