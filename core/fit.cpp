#include "core/fit.h"

#include <array>
#include <utility>
#include <vector>

#include "core/exact.h"
#include "core/number.h"

namespace orvelt {

namespace {

void Widen(float value, float& lo, float& hi) {
  if (lo > value) lo = value;
  if (hi < value) hi = value;
}

std::string CoefficientText(float value) {
  return FormatNumber(value, 10, 5);
}

constexpr int kMaxCoefficients = 3;

// The least-squares solution of the used pairs in exact rationals: the coefficients, in the
// order of `powers`, and the residual sum of squares.
struct ExactSolution {
  std::array<mpq_class, kMaxCoefficients> coefficients;
  mpq_class residualSquares;
};

// Solves the normal equations Σ x^(pi+pj) · cj = Σ x^pi · y by elimination. Their matrix is
// singular exactly when the fit is not unique; the equations are then still consistent, so
// Cramer's rule would give 0/0.
ExactSolution SolveLeastSquares(const std::vector<std::pair<mpq_class, mpq_class>>& pairs,
                                const int* powers, int count) {
  std::array<mpq_class, 2 * (kMaxCoefficients - 1) + 1> sumXPower;  // Σ x^0 .. Σ x^4
  std::array<mpq_class, kMaxCoefficients> sumXPowerY;               // Σ x^0·y .. Σ x^2·y
  for (const auto& [x, y] : pairs) {
    mpq_class power = 1;
    for (std::size_t p = 0; p < sumXPower.size(); ++p) {
      sumXPower[p] += power;
      if (p < sumXPowerY.size()) sumXPowerY[p] += power * y;
      power *= x;
    }
  }
  std::array<std::array<mpq_class, kMaxCoefficients + 1>, kMaxCoefficients> m;
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < count; ++j) m[i][j] = sumXPower[powers[i] + powers[j]];
    m[i][count] = sumXPowerY[powers[i]];
  }
  for (int col = 0; col < count; ++col) {
    int pivot = col;
    while (pivot < count && sgn(m[pivot][col]) == 0) ++pivot;
    if (pivot == count) throw CommandError(kInvalidOperationText);
    std::swap(m[col], m[pivot]);
    for (int r = 0; r < count; ++r) {
      if (r == col || sgn(m[r][col]) == 0) continue;
      const mpq_class factor = m[r][col] / m[col][col];
      for (int j = col; j <= count; ++j) m[r][j] -= factor * m[col][j];
    }
  }
  ExactSolution solution;
  for (int i = 0; i < count; ++i) solution.coefficients[i] = m[i][count] / m[i][i];
  for (const auto& [x, y] : pairs) {
    mpq_class residual = y;
    for (int i = 0; i < count; ++i) {
      mpq_class term = solution.coefficients[i];
      for (int p = 0; p < powers[i]; ++p) term *= x;
      residual -= term;
    }
    solution.residualSquares += residual * residual;
  }
  return solution;
}

}  // namespace

void AccumulateSums(FitSums& s, const DataStore& store, bool plotSeries2) {
  for (int k = 1; k <= store.Count1; ++k) {
    if (k == 1) {
      s.XMin = s.XMax = store.X1[k];
      s.YMin = s.YMax = store.Y1[k];
    } else {
      Widen(store.X1[k], s.XMin, s.XMax);
      Widen(store.Y1[k], s.YMin, s.YMax);
    }
  }
  if (!plotSeries2) return;
  for (int r = 1; r <= kRows; ++r) {
    Widen(store.X2[r], s.XMin, s.XMax);
    Widen(store.Y2[r], s.YMin, s.YMax);
  }
}

FitFigures FitExactly(const DataStore& store, FitModel model) {
  std::vector<std::pair<mpq_class, mpq_class>> pairs;
  for (int k = 1; k <= store.Count1; ++k) {
    if (store.Use1[k] != 0) pairs.emplace_back(Exactly(store.X1[k]), Exactly(store.Y1[k]));
  }
  const int u = static_cast<int>(pairs.size());
  const FormulaKind& kind = KindOf(model);
  // Two pairs give "y = ax^2 + bx + c" no square: a is 0 and b, c make the line through them.
  const bool lineOnly = model == FitModel::Quadratic && u == 2;
  const FormulaKind& solved = lineOnly ? KindOf(FitModel::Linear) : kind;
  const ExactSolution exact = SolveLeastSquares(pairs, solved.powers.data(), solved.coefficients);

  // Every figure is rounded before any is stored: a fault stores none of them.
  std::array<float, kMaxCoefficients> rounded{};
  const int first = lineOnly ? 1 : 0;
  for (int i = 0; i < solved.coefficients; ++i) {
    rounded[first + i] = NearestFloat(exact.coefficients[i]);
  }
  FitFigures figures{rounded[0], rounded[1], rounded[2], std::nullopt};
  if (u > 2) figures.stdDev = NearestFloatOfRoot(exact.residualSquares / (u - 1));
  return figures;
}

std::string StdDevText(const DataStore& store, FitModel model) {
  return FormatNumber(FitExactly(store, model).stdDev.value(), 10, 5);
}

std::optional<std::string> YCalculation(const DataStore& store, FitModel model,
                                        std::string_view xText) {
  const ParsedNumber number = ParseNumber(xText);
  if (!number.valid) return std::nullopt;
  const Ext x = StoreNumber(number);
  const Curve curve = CurveOf(model, store.CoefA, store.CoefB, store.CoefC);
  // y stays in extended precision: it is shown, never stored.
  const Ext y = KindOf(model).HasSquare() ? curve.At(x) : curve.q1 * x + curve.q0;
  return FormatNumber(y, 10, 5);
}

ComputeOutcome RunCompute(DataStore& store, const GridInput& input, FitModel model,
                          ResultLabels& labels) {
  labels = ResultLabels{};
  ResetCoefficients(store);
  ComputeOutcome outcome;

  outcome.refusal = ReadGrids(store, input);
  if (outcome.refusal) return outcome;

  const int u = store.UsedCount();
  if (model == FitModel::Proportional && u < 1) {
    outcome.refusal = Refusal{"データ数が足りません\n\n１組以上のデータが必要です", 125};
    return outcome;
  }
  if (model != FitModel::Proportional && u < 2) {
    outcome.refusal = Refusal{"データ数が足りません\n\n２組以上のデータが必要です", 125};
    return outcome;
  }

  FitSums& sums = outcome.sums;
  AccumulateSums(sums, store, input.plotSeries2);
  if (sums.XMax == 0 && u == 1) {
    outcome.refusal = Refusal{"ｘ の値が ０ のみです\n\n計算できません", 140};
    return outcome;
  }
  if (sums.XMax == sums.XMin && u != 1) {
    outcome.refusal = Refusal{"ｘ の値がすべて同じです\n\n計算できません", 125};
    return outcome;
  }

  const FitFigures figures = FitExactly(store, model);
  store.CoefA = figures.a;
  store.CoefB = figures.b;
  store.CoefC = figures.c;
  const float coefficients[] = {figures.a, figures.b, figures.c};
  std::string* coefficientLabels[] = {&labels.a, &labels.b, &labels.c};
  const char* names[] = {"a =", "b =", "c ="};
  for (int i = 0; i < 3; ++i) {
    *coefficientLabels[i] =
        i < KindOf(model).coefficients ? names[i] + CoefficientText(coefficients[i]) : "";
  }
  labels.count = "data : " + std::to_string(u) + " 組";
  if (figures.stdDev) labels.stdDev = "標準偏差 =" + FormatNumber(*figures.stdDev, 10, 5);
  return outcome;
}

}  // namespace orvelt
