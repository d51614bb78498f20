#include "core/fit.h"

#include <cmath>

#include "core/exact.h"
#include "core/number.h"

namespace orvelt {

namespace {

void Include(float value, float& lo, float& hi) {
  if (lo > value) lo = value;
  if (hi < value) hi = value;
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

FitFigures RoundedFigures(const ExactRows& rows, const ExactSolution& solution, FitModel model) {
  if (!solution.Unique()) throw CommandError(kInvalidOperation);
  // Every figure is rounded before any is stored: a fault stores none of them. A coefficient the
  // columns lack (a of the parabola through two points) is 0.
  FitFigures figures;
  float* rounded[] = {&figures.a, &figures.b, &figures.c};
  const FormulaKind& kind = KindOf(model);
  for (int j = 0; j < kind.coefficients; ++j) {
    for (int i = 0; i < solution.Count(); ++i) {
      if (solution.Power(i) != kind.powers[j]) continue;
      *rounded[j] = NearestFloat(solution.N[i], solution.D,
                                 rows.yExponent - solution.Power(i) * rows.xExponent);
    }
  }
  const int u = rows.usedCount;
  if (u > 2) {
    figures.stdDev = NearestFloatOfRoot(solution.squares,
                                        solution.D * solution.D * static_cast<unsigned long>(u - 1),
                                        rows.yExponent);
  }
  return figures;
}

FitFigures FitExactly(const DataStore& store, FitModel model) {
  const ExactRows rows = RowsOf(store);
  return RoundedFigures(rows, SolveExactly(rows, FittedColumns(model, rows.usedCount)), model);
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
