#pragma once
// The exact least-squares solution of a formula kind over the series-1 rows, in integers: the one
// solve that the fit rounds to 32 bits and the statistics round to decimals.

#include <gmpxx.h>

#include <array>
#include <vector>

#include "core/datastore.h"
#include "core/formula.h"

namespace orvelt {

inline constexpr int kMaxCoefficients = 3;
inline constexpr int kPowers = 2 * (kMaxCoefficients - 1) + 1;  // x^0 .. x^4

using IntMatrix = std::array<std::array<mpz_class, kMaxCoefficients>, kMaxCoefficients>;

// Every complete series-1 row as integers over one power of 2 per column: x = X·2^xExponent,
// y = Y·2^yExponent (every float is an integer of at most 24 bits times a power of 2), with the
// sums of the normal equations over the rows used.
struct ExactRows {
  std::vector<std::array<mpz_class, kPowers>> xPowers;  // X^0 .. X^4 of each row
  std::vector<mpz_class> y;
  std::vector<bool> used;
  long xExponent = 0, yExponent = 0;
  int usedCount = 0;
  std::array<mpz_class, kPowers> sumXPower;            // Σ X^0 .. Σ X^4
  std::array<mpz_class, kMaxCoefficients> sumXPowerY;  // Σ X^0·Y .. Σ X^2·Y
  mpz_class sumYSquared;                               // Σ Y²
};

ExactRows RowsOf(const DataStore& store);

// The columns a kind fits to `used` pairs: "y = ax^2 + bx + c" on two pairs has no square and
// fits the line through them.
const FormulaKind& FittedColumns(FitModel model, int used);

// The normal equations Σ X^(pi+pj)·Cj = Σ X^pi·Y of `columns`, solved by Cramer's rule:
// Ci = N[i] / D, the coefficient ci = Ci·2^(yExponent - pi·xExponent). The matrix is singular
// exactly when the fit is not unique (D = 0; the equations are then still consistent, so every
// N[i] is 0 too: 0/0). Its inverse is adjugate / D, over the same powers of 2.
struct ExactSolution {
  const FormulaKind* columns = nullptr;
  IntMatrix normal, adjugate;
  mpz_class D;
  std::array<mpz_class, kMaxCoefficients> N;
  // D·(Y - Σ Ci·X^pi) of every row, omitted ones included: residuals in steps of 2^yExponent / D.
  std::vector<mpz_class> residuals;
  mpz_class squares;  // Σ residuals² over the rows used

  bool Unique() const { return D != 0; }
  int Count() const { return columns->coefficients; }
  int Power(int i) const { return columns->powers[i]; }
};

ExactSolution SolveExactly(const ExactRows& rows, const FormulaKind& columns);

}  // namespace orvelt
