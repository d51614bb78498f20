#include "core/fit.h"

#include "core/number.h"

namespace orvelt {

namespace {

// Adds a term to a 32-bit sum in extended precision and rounds the sum back.
void Add(float& sum, Ext term) {
  sum = Store(sum + term);
}

void Widen(float value, float& lo, float& hi) {
  if (lo > value) lo = value;
  if (hi < value) hi = value;
}

std::string CoefficientText(float value) {
  return FormatNumber(value, 10, 5);
}

}  // namespace

const char* FormulaText(FitModel model) {
  switch (model) {
    case FitModel::Linear:
      return "y = ax + b";
    case FitModel::Proportional:
      return "y = ax";
    case FitModel::Quadratic:
      return "y = ax^2 + bx + c";
    case FitModel::QuadraticNoConstant:
      return "y = ax^2 + bx";
  }
  return "";
}

void AccumulateSums(FitSums& s, const DataStore& store, bool plotSeries2) {
  for (int k = 1; k <= store.Count1; ++k) {
    const Ext x = store.X1[k], y = store.Y1[k];
    if (k == 1) {
      s.XMin = s.XMax = store.X1[k];
      s.YMin = s.YMax = store.Y1[k];
    } else {
      Widen(store.X1[k], s.XMin, s.XMax);
      Widen(store.Y1[k], s.YMin, s.YMax);
    }
    if (store.Use1[k] != 0) {
      Add(s.SumX4, ((x * x) * x) * x);
      Add(s.SumX3, (x * x) * x);
      Add(s.SumX2, x * x);
      Add(s.SumX, x);
      Add(s.SumX2Y, (x * x) * y);
      Add(s.SumXY, x * y);
      Add(s.SumY, y);
      Add(s.SumN, 1);
    }
  }
  if (!plotSeries2) return;
  for (int r = 1; r <= kRows; ++r) {
    Widen(store.X2[r], s.XMin, s.XMax);
    Widen(store.Y2[r], s.YMin, s.YMax);
  }
}

void FitCoefficients(DataStore& store, const FitSums& s, FitModel model) {
  const Ext N = s.SumN, Sx = s.SumX, Sx2 = s.SumX2, Sx3 = s.SumX3, Sx4 = s.SumX4, Sy = s.SumY,
            Sxy = s.SumXY, Sx2y = s.SumX2Y;
  // Each coefficient is stored as soon as it is known: a later fault leaves the earlier ones.
  float &a = store.CoefA, &b = store.CoefB, &c = store.CoefC;
  a = b = c = 0;
  switch (model) {
    case FitModel::Linear:
      a = Store(Divide(Sxy * N - Sx * Sy, Sx2 * N - Sx * Sx));
      b = Store(Divide(Sy - a * Sx, N));
      break;
    case FitModel::Proportional:
      a = Store(Divide(Sxy, Sx2));
      break;
    case FitModel::Quadratic: {
      const Ext P = Sxy * N - Sx * Sy, Q = Sx3 * N - Sx2 * Sx, R = Sx2 * N - Sx * Sx,
                U = Sx2y * N - Sx2 * Sy, V = Sx4 * N - Sx2 * Sx2;
      if (store.UsedCount() >= 3) a = Store(Divide(P * Q - R * U, Q * Q - R * V));
      // b from a·V + b·Q = U; when x are symmetric about 0, Q is 0 and that equation holds
      // no b, so it comes from the other one, a·Q + b·R = P (R is 0 only with a single x).
      b = Q != 0 ? Store(Divide(((Sx2 * Sx2 - Sx4 * N) * a + Sx2y * N) - Sx2 * Sy, Q))
                 : Store(Divide(P - Q * a, R));
      c = Store(Divide((Sy - a * Sx2) - b * Sx, N));
      break;
    }
    case FitModel::QuadraticNoConstant:
      a = Store(Divide(Sx2y * Sx2 - Sx3 * Sxy, Sx4 * Sx2 - Sx3 * Sx3));
      b = Store(Divide(Sxy - a * Sx3, Sx2));
      break;
  }
}

std::string StdDevText(const DataStore& store, FitModel model) {
  const bool quadratic = model == FitModel::Quadratic || model == FitModel::QuadraticNoConstant;
  const Ext q2 = quadratic ? store.CoefA : 0.0f;
  const Ext q1 = quadratic ? store.CoefB : store.CoefA;
  const Ext q0 = quadratic ? store.CoefC : store.CoefB;
  float S = 0;
  for (int k = 1; k <= store.Count1; ++k) {
    if (store.Use1[k] == 0) continue;
    const Ext x = store.X1[k];
    const Ext e = store.Y1[k] - ((((q2 * x) * x) + q1 * x) + q0);
    Add(S, e * e);
  }
  const Ext divisor = store.UsedCount() - 1;
  return FormatNumber(Store(SquareRoot(Divide(S, divisor))), 10, 5);
}

std::optional<std::string> YCalculation(const DataStore& store, FitModel model,
                                        std::string_view xText) {
  const ParsedNumber number = ParseNumber(xText);
  if (!number.valid) return std::nullopt;
  const Ext x = StoreNumber(number);
  const Ext a = store.CoefA, b = store.CoefB, c = store.CoefC;
  // y stays in extended precision: it is shown, never stored.
  const Ext y = model == FitModel::Linear || model == FitModel::Proportional
                    ? a * x + b
                    : ((a * x) * x + b * x) + c;
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

  FitCoefficients(store, sums, model);
  labels.a = "a =" + CoefficientText(store.CoefA);
  labels.b = model == FitModel::Proportional ? "" : "b =" + CoefficientText(store.CoefB);
  labels.c = model == FitModel::Quadratic ? "c =" + CoefficientText(store.CoefC) : "";
  labels.count = "data : " + std::to_string(u) + " 組";
  if (u > 2) labels.stdDev = "標準偏差 =" + StdDevText(store, model);
  return outcome;
}

}  // namespace orvelt
